#include "platform/shell/DesktopEntry.h"

#include "support/TempDir.h"

#include <QDir>
#include <QFile>

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

QString entry(const TempDir &dir, const QByteArray &exec)
{
    const QString path = dir.file(QStringLiteral("app.desktop"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("# comment\n[Desktop Entry]\nType=Application\nExecX=no\nExec=" + exec + "\n");
    return path;
}

TEST(ShellDesktopEntry, FieldCodesTakeTheFiles)
{
    TempDir dir;
    const QStringList files { QStringLiteral("/t/a b.txt"), QStringLiteral("/t/c.txt") };
    EXPECT_THAT(DesktopEntry::Command(entry(dir, "calc %U"), files),
        ElementsAre(u"calc", u"/t/a b.txt", u"/t/c.txt"));
    EXPECT_THAT(DesktopEntry::Command(entry(dir, "calc -o %f --icon %i %c"), files),
        ElementsAre(u"calc", u"-o", u"/t/a b.txt", u"--icon"));
    EXPECT_THAT(DesktopEntry::Command(entry(dir, "calc --file=%f 100%%"), files),
        ElementsAre(u"calc", u"--file=/t/a b.txt", u"100%"));
    // Without a field code the files go last.
    EXPECT_THAT(DesktopEntry::Command(entry(dir, "calc"), files),
        ElementsAre(u"calc", u"/t/a b.txt", u"/t/c.txt"));
    EXPECT_THAT(DesktopEntry::Command(dir.file(QStringLiteral("none.desktop")), files), IsEmpty());
}

TEST(ShellDesktopEntry, QuotedArgumentsKeepBlanksAndEscapes)
{
    EXPECT_THAT(
        DesktopEntry::SplitExec(QStringLiteral("\"/opt/my app/run\"  -a \"x \\\"y\\\"\" \"\"")),
        ElementsAre(u"/opt/my app/run", u"-a", u"x \"y\"", u""));
}

TEST(ShellDesktopEntry, FindLooksThroughTheFoldersInOrderAndIntoVendorFolders)
{
    TempDir first;
    TempDir second;
    QDir(second.path()).mkpath(QStringLiteral("office"));
    QFile(second.file(QStringLiteral("office/calc.desktop"))).open(QIODevice::WriteOnly);
    QFile(second.file(QStringLiteral("view.desktop"))).open(QIODevice::WriteOnly);
    QFile(first.file(QStringLiteral("view.desktop"))).open(QIODevice::WriteOnly);
    const QStringList dirs { first.path(), second.path() };
    EXPECT_EQ(DesktopEntry::Find(QStringLiteral("view.desktop"), dirs),
        first.file(QStringLiteral("view.desktop")));
    EXPECT_EQ(DesktopEntry::Find(QStringLiteral("office-calc.desktop"), dirs),
        second.file(QStringLiteral("office/calc.desktop")));
    EXPECT_EQ(DesktopEntry::Find(QStringLiteral("none.desktop"), dirs), QString());
}

} // namespace
