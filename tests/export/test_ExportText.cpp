#include "export/ExportText.h"
#include "export/TempName.h"
#include "support/TempDir.h"
#include "util/UtilMisc.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace ExportText;

TEST(ExportText, ExtensionIsReplacedInTheFileNamePartOnly)
{
    struct Case
    {
        QString path, extension, expected;
    };
    const QList<Case> cases {
        { QStringLiteral("C:\\data\\list.csv"), QStringLiteral(".TXT"),
            QStringLiteral("C:\\data\\list.TXT") },
        { QStringLiteral("C:\\data\\list.TXT"), QStringLiteral(".CSV"),
            QStringLiteral("C:\\data\\list.CSV") },
        { QStringLiteral("report"), QStringLiteral(".CSV"), QStringLiteral("report.CSV") },
        { QStringLiteral("/home/a.b/report"), QStringLiteral(".TXT"),
            QStringLiteral("/home/a.b/report.TXT") },
        { QStringLiteral("C:\\v1.2\\list.old.csv"), QStringLiteral(".XLSX"),
            QStringLiteral("C:\\v1.2\\list.old.XLSX") },
    };
    for (const Case &c : cases)
        EXPECT_EQ(ChangeExtension(c.path, c.extension), c.expected) << c.path.toStdString();
}

TEST(ExportText, FileNameAndFolderPartsSplitAtEitherSeparator)
{
    EXPECT_EQ(FileNamePart(QStringLiteral("C:\\data\\")), QString());
    EXPECT_EQ(FolderPart(QStringLiteral("C:\\data\\")), QStringLiteral("C:\\data\\"));
    EXPECT_EQ(FileNamePart(QStringLiteral("/tmp/x/list.csv")), QStringLiteral("list.csv"));
    EXPECT_EQ(FolderPart(QStringLiteral("report")), QString());
    EXPECT_TRUE(IsBlank(QStringLiteral(" \t\r\n")));
    EXPECT_TRUE(IsBlank(FileNamePart(QStringLiteral("/tmp/ "))));
    EXPECT_FALSE(IsBlank(QStringLiteral("  a ")));
}

TEST(ExportText, JoiningAFolderReducesRunsOfSeparatorsButKeepsAShareName)
{
    EXPECT_EQ(JoinFolder(QStringLiteral("/opt/velloran/"), QStringLiteral("report")),
        QStringLiteral("/opt/velloran/report"));
    EXPECT_EQ(JoinFolder(QStringLiteral("C:\\Prog\\\\bin\\"), QStringLiteral("report")),
        QStringLiteral("C:\\Prog\\bin\\report"));
    // A network share keeps its two leading backslashes: with one it would name another path.
    EXPECT_EQ(JoinFolder(QStringLiteral("\\\\server\\share\\"), QStringLiteral("r.CSV")),
        QStringLiteral("\\\\server\\share\\r.CSV"));
}

TEST(ExportText, RowItemsLoseLineBreaksAndTabsAfterQuoting)
{
    EXPECT_EQ(RowItem(QStringLiteral("a\r\nb"), false), QStringLiteral("a b"));
    EXPECT_EQ(RowItem(QStringLiteral("a\tb"), false), QStringLiteral("a     b"));
    EXPECT_EQ(RowItem(QStringLiteral("a\rb\nc\n\r"), false), QStringLiteral("a\rb\nc\n\r"));
    EXPECT_EQ(
        RowItem(QStringLiteral("say \"hi\"\t"), true), QStringLiteral("\"say \"\"hi\"\"     \""));
    EXPECT_EQ(RowItem(QString(), true), QStringLiteral("\"\""));
    EXPECT_EQ(RowItem(QStringLiteral("  padded  "), false), QStringLiteral("  padded  "));
    // Headings are quoted for CSV but never altered otherwise.
    EXPECT_EQ(HeadingItem(QStringLiteral("A\tB"), false), QStringLiteral("A\tB"));
    EXPECT_EQ(
        HeadingItem(QStringLiteral("Doc \"Ref\""), true), QStringLiteral("\"Doc \"\"Ref\"\"\""));
}

TEST(ExportText, TextsAreWrittenInCodePage1252)
{
    QByteArray out("x");
    AppendCp1252(
        out, QStringLiteral("\u00e9\u00a3\u20ac\u201c\u2019\u0178\u00ff A\u0081\u4e2d\U0001F600."));
    EXPECT_EQ(out, QByteArray("x\xE9\xA3\x80\x93\x92\x9F\xFF A\x81??."));
}

TEST(TempName, ReservesAnEmptyFileAndNeverTheSameNameTwice)
{
    TempDir dir;
    const QString first = ReserveTempFileName(dir.path(), QStringLiteral("TMP"));
    const QString second = ReserveTempFileName(dir.path(), QStringLiteral("TMP"));
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    EXPECT_NE(first, second);
    const QFileInfo info(first);
    EXPECT_TRUE(info.fileName().startsWith(QStringLiteral("TMP")));
    EXPECT_TRUE(info.fileName().endsWith(QStringLiteral(".tmp")));
    EXPECT_EQ(info.size(), 0);
    EXPECT_EQ(QDir(dir.path()).count(), 4u); // the two files and "." and ".."
    EXPECT_TRUE(
        ReserveTempFileName(dir.file(QStringLiteral("missing")), QStringLiteral("TMP")).isEmpty());
}
