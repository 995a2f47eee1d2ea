#include "platform/print/ScriptedPrintSystem.h"
#include "platform/shell/DesktopVerbs.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <gmock/gmock.h>

using ::testing::ElementsAre;

namespace {

void writeFile(const QString &path, const QByteArray &content, bool executable = false)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    if (executable)
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

// A desktop of fake helpers: the opener and every started program append their arguments to
// log files; the type query answers for the types this desktop has handlers for.
class FakeDesktop : public ::testing::Test
{
protected:
    FakeDesktop()
    {
        QDir(dir.path()).mkpath(QStringLiteral("apps"));
        writeFile(dir.file(QStringLiteral("xdg-open")), recorder("opened"), true);
        writeFile(dir.file(QStringLiteral("calc")), recorder("calc"), true);
        writeFile(dir.file(QStringLiteral("tool")), recorder("tool"), true);
        writeFile(dir.file(QStringLiteral("xdg-mime")),
            "#!/bin/sh\n"
            "case \"$3\" in\n"
            "  application/pdf) echo viewer.desktop ;;\n"
            "  inode/directory) echo files.desktop ;;\n"
            "  x-scheme-handler/https) echo browser.desktop ;;\n"
            "  text/csv) echo calc.desktop ;;\n"
            "esac\n",
            true);
        writeFile(dir.file(QStringLiteral("apps/calc.desktop")),
            "[Desktop Entry]\nName=Calc\nExec=" + dir.file(QStringLiteral("calc")).toUtf8()
                + " --calc %U\n[Desktop Action New]\nExec=wrong\n");
        tools = { dir.file(QStringLiteral("xdg-open")), dir.file(QStringLiteral("xdg-mime")),
            { dir.file(QStringLiteral("apps")) } };
    }

    QByteArray recorder(const char *name)
    {
        const QByteArray log = dir.file(QString::fromLatin1(name)).toUtf8() + ".log";
        return "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > " + log + ".tmp && mv " + log
            + ".tmp " + log + "\n";
    }

    // The arguments a started helper recorded, once it has run.
    QStringList logged(const char *log)
    {
        QFile file(dir.file(QString::fromLatin1(log) + QStringLiteral(".log")));
        if (!QTest::qWaitFor([&] { return file.exists(); }, 10000))
            return { QStringLiteral("<not started>") };
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    int open(const QString &file, const QString &parameters = {}, const QString &folder = {})
    {
        return DesktopVerbs(tools, &printing)
            .execute(QStringLiteral("open"), file, parameters, folder, VerbShow::Normal);
    }

    TempDir dir;
    DesktopTools tools;
    ScriptedPrintSystem printing;
};

TEST_F(FakeDesktop, OpenHandsADocumentOrFolderToTheOpener)
{
    const QString pdf = dir.file(QStringLiteral("I0001.PDF"));
    writeFile(pdf, "%PDF-1.4\n");
    EXPECT_EQ(open(pdf), VerbResult::Accepted);
    EXPECT_THAT(logged("opened"), ElementsAre(pdf));

    QFile::remove(dir.file(QStringLiteral("opened.log")));
    EXPECT_EQ(open(dir.path()), VerbResult::Accepted);
    EXPECT_THAT(logged("opened"), ElementsAre(dir.path()));
}

TEST_F(FakeDesktop, OpenFailsForMissingFilesAndTypesWithoutHandler)
{
    EXPECT_EQ(open(dir.file(QStringLiteral("none.PDF"))), VerbResult::FileNotFound);
    EXPECT_EQ(open(dir.file(QStringLiteral("nofolder/none.PDF"))), VerbResult::PathNotFound);
    EXPECT_EQ(open(QString()), VerbResult::FileNotFound);
    writeFile(dir.file(QStringLiteral("data.xyz")), QByteArray(64, '\1'));
    EXPECT_EQ(open(dir.file(QStringLiteral("data.xyz"))), VerbResult::NoAssociation);
    EXPECT_EQ(open(QStringLiteral("mailto:a@example.com")), VerbResult::NoAssociation);
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("opened.log"))));

    // Without the desktop's helpers nothing can be opened.
    tools = {};
    writeFile(dir.file(QStringLiteral("I0001.PDF")), "%PDF-1.4\n");
    EXPECT_EQ(open(dir.file(QStringLiteral("I0001.PDF"))), VerbResult::NoAssociation);
}

TEST_F(FakeDesktop, OpenGivesAnAddressToTheOpener)
{
    EXPECT_EQ(open(QStringLiteral("https://example.com/reader")), VerbResult::Accepted);
    EXPECT_THAT(logged("opened"), ElementsAre(u"https://example.com/reader"));
}

TEST_F(FakeDesktop, OpenStartsAProgramWithTheParameters)
{
    EXPECT_EQ(
        open(dir.file(QStringLiteral("tool")), QStringLiteral("\"a b\" c")), VerbResult::Accepted);
    EXPECT_THAT(logged("tool"), ElementsAre(u"a b", u"c"));
}

TEST_F(FakeDesktop, ADocumentMarkedExecutableIsOpenedNotRun)
{
    const QString pdf = dir.file(QStringLiteral("I0002.PDF"));
    writeFile(pdf, "%PDF-1.4\n", true);
    EXPECT_EQ(open(pdf), VerbResult::Accepted);
    EXPECT_THAT(logged("opened"), ElementsAre(pdf));
}

TEST_F(FakeDesktop, ExcelOpensTheFileInTheSpreadsheetApplication)
{
    const QString list = dir.file(QStringLiteral("list 1.txt"));
    writeFile(list, "a\tb\n");
    EXPECT_EQ(open(QStringLiteral("excel"), u'"' + list + u'"', u'"' + dir.path() + u'"'),
        VerbResult::Accepted);
    EXPECT_THAT(logged("calc"), ElementsAre(u"--calc", list));

    // A relative name is taken from the working folder and passed on in full.
    QFile::remove(dir.file(QStringLiteral("calc.log")));
    EXPECT_EQ(open(QStringLiteral("excel"), QStringLiteral("\"list 1.txt\""), dir.path()),
        VerbResult::Accepted);
    EXPECT_THAT(logged("calc"), ElementsAre(u"--calc", list));

    EXPECT_EQ(open(QStringLiteral("excel"), QStringLiteral("\"/nonexistent/x.txt\"")),
        VerbResult::FileNotFound);
    tools.applicationDirs.clear();
    EXPECT_EQ(open(QStringLiteral("excel"), u'"' + list + u'"'), VerbResult::NoAssociation);
}

class ShellPrintVerbs : public ::testing::Test
{
protected:
    ShellPrintVerbs()
        : printing({ { QStringLiteral("Main"), QStringLiteral("Main"), {}, {} },
                       { QStringLiteral("Office Two"), QStringLiteral("Office Two"), {}, {} } },
            QStringLiteral("Main"))
        , verbs(DesktopTools {}, &printing)
    {
        writeFile(pdf, "%PDF-1.4\n");
    }

    int execute(const QString &verb, const QString &file, const QString &parameters = {})
    {
        return verbs.execute(verb, file, parameters, {}, VerbShow::Minimised);
    }

    TempDir dir;
    const QString pdf = dir.file(QStringLiteral("I0001.PDF"));
    ScriptedPrintSystem printing;
    DesktopVerbs verbs;
};

TEST_F(ShellPrintVerbs, PrintGoesToTheDefaultAndPrintToToTheNamedPrinter)
{
    EXPECT_EQ(execute(QStringLiteral("print"), pdf), VerbResult::Accepted);
    EXPECT_EQ(execute(QStringLiteral("PrintTo"), pdf, QStringLiteral("\"Office Two\" \"\" \"\"")),
        VerbResult::Accepted);
    ASSERT_EQ(printing.jobs.size(), 2);
    EXPECT_EQ(printing.jobs[0].device, u"Main");
    EXPECT_EQ(printing.jobs[1].device, u"Office Two");
    EXPECT_EQ(printing.jobs[1].path, pdf);
    EXPECT_EQ(printing.jobs[1].title, u"I0001.PDF");
}

TEST_F(ShellPrintVerbs, FailuresSubmitNothing)
{
    EXPECT_EQ(execute(QStringLiteral("print"), dir.file(QStringLiteral("none.PDF"))),
        VerbResult::FileNotFound);
    EXPECT_EQ(execute(QStringLiteral("printto"), pdf, QStringLiteral("\"Attic\" \"\" \"\"")),
        VerbResult::Refused);
    EXPECT_EQ(execute(QStringLiteral("printto"), pdf), VerbResult::Refused);
    EXPECT_EQ(execute(QStringLiteral("fax"), pdf), VerbResult::NoAssociation);
    printing.setPrinters({}, {});
    EXPECT_EQ(execute(QStringLiteral("print"), pdf), VerbResult::Refused);
    EXPECT_TRUE(printing.jobs.isEmpty());
}

} // namespace
