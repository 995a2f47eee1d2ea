#include "data/StatusTable.h"

#include <gtest/gtest.h>

namespace {

TEST(StatusTable, StatementsForCompanyAAndDocument1234)
{
    EXPECT_EQ(StatusCheckText(QStringLiteral("A"), QStringLiteral("1234")),
        QStringLiteral(" SELECT * FROM A_ST_ZRQ WHERE st_ID = 1234"));
    EXPECT_EQ(StatusInsertText(QStringLiteral("A"), QStringLiteral("1234"), StatusFlag::Sent),
        QStringLiteral("INSERT INTO A_ST_ZRQ ( ST_ID      ,  ST_ZRQSENT   ) VALUES (1234,  0 )"));
    EXPECT_EQ(StatusUpdateText(QStringLiteral("A"), QStringLiteral("1234"),
                  StatusAssignment(StatusFlag::Sent, QStringLiteral("1"))),
        QStringLiteral("UPDATE A_ST_ZRQ  SET  st_zrqsent = 1  WHERE st_ID = 1234"));
}

TEST(StatusTable, InsertPiecesDifferByFlag)
{
    EXPECT_EQ(StatusInsertText(QStringLiteral("Z"), QStringLiteral("7"), StatusFlag::Tag),
        QStringLiteral("INSERT INTO Z_ST_ZRQ ( ST_ID      ,  ST_ZRQTAG    ) VALUES (7,  0 )"));
    // The printed flag's pieces carry one blank more on each side.
    EXPECT_EQ(StatusInsertText(QStringLiteral("Z"), QStringLiteral("7"), StatusFlag::Printed),
        QStringLiteral("INSERT INTO Z_ST_ZRQ ( ST_ID       ,  ST_ZRQPRNT    ) VALUES (7,  0 )"));
}

TEST(StatusTable, AssignmentsPlainAndFixed)
{
    EXPECT_EQ(
        StatusAssignment(StatusFlag::Tag, QStringLiteral("0")), QStringLiteral(" st_zrqtag = 0 "));
    EXPECT_EQ(StatusAssignment(StatusFlag::Printed, QStringLiteral("1")),
        QStringLiteral(" st_zrqprnt = 1 "));
    EXPECT_EQ(StatusUpdateText(QStringLiteral("A"), QStringLiteral("5"), TagAllAssignment),
        QStringLiteral("UPDATE A_ST_ZRQ  SET  st_zrqtag =  1  WHERE st_ID = 5"));
    EXPECT_EQ(StatusUpdateText(QStringLiteral("A"), QStringLiteral("5"), TagNoneAssignment),
        QStringLiteral("UPDATE A_ST_ZRQ  SET  st_zrqtag = 0  WHERE st_ID = 5"));
    EXPECT_EQ(MarkSentAssignment, QStringLiteral(" st_zrqsent = 1 "));
    EXPECT_EQ(MarkPrintedAssignment, QStringLiteral(" st_zrqprnt = 1 "));
}

TEST(StatusTable, EmptyDocumentNumberLeavesTheStatementOpenEnded)
{
    EXPECT_TRUE(StatusUpdateText(QStringLiteral("A"), QString(), TagNoneAssignment)
                    .endsWith(QStringLiteral("st_ID = ")));
}

TEST(StatusTable, CreationScriptForCompanyA)
{
    const QString expected = QStringLiteral(
        "EXECSCRIPT([SET DEFAULT TO \"D:\\Opera\"]   +CHR(13)+CHR(10)+"
        "[CREATE TABLE A_ST_ZRQ FREE  (ST_ID        N(10,0) ,   ST_ZRQTAG    L(1)    , "
        "  ST_ZRQSENT   L(1)    ,   ST_ZRQPRNT   L(1)  )]   +CHR(13)+CHR(10)+"
        "[USE A_ST_ZRQ EXCLUSIVE]   +CHR(13)+CHR(10)+"
        "[INDEX ON ST_ID TAG ST_ZRQ1]   +CHR(13)+CHR(10)+[CLOSE ALL])");
    EXPECT_EQ(
        StatusTableCreationScript(QStringLiteral("D:\\Opera"), QStringLiteral("A")), expected);
    // A trailing backslash is collapsed in the script's folder too.
    EXPECT_TRUE(StatusTableCreationScript(QStringLiteral("D:\\Opera\\\\"), QStringLiteral("A"))
                    .startsWith(QStringLiteral("EXECSCRIPT([SET DEFAULT TO \"D:\\Opera\\\"]   +")));
}

TEST(StatusTable, FilePathsCollapseEveryRunOfBackslashes)
{
    EXPECT_EQ(StatusTableFilePath(
                  QStringLiteral("D:\\Opera\\"), QStringLiteral("A"), QStringLiteral(".dbf")),
        QStringLiteral("D:\\Opera\\A_ST_ZRQ.dbf"));
    EXPECT_EQ(StatusTableFilePath(QStringLiteral("\\\\server\\\\\\share"), QStringLiteral("B"),
                  QStringLiteral(".cdx")),
        QStringLiteral("\\server\\share\\B_ST_ZRQ.cdx"));
}

} // namespace
