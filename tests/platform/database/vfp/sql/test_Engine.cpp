// Executor behaviour that the statement cases cannot show: exact bytes, what is written when
// something fails, how often records are read, and that no input crashes the parser.

#include "SampleCompany.h"
#include "platform/database/vfp/sql/Executor.h"
#include "platform/database/vfp/sql/Lexer.h"
#include "platform/database/vfp/sql/Parser.h"
#include "platform/database/vfp/sql/TextOps.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using vfp::sql::Execute;

TEST(Engine, CastPadsToTheWidthAndFixedWidthTextsKeepTheirBlanks)
{
    auto db = vfp::memory::MakeSampleCompany();
    const auto rows = Execute(*db,
        "SELECT CAST(st_memo as C(24)) as st_memoT, st_account FROM z_stran "
        "WHERE id = 8 OR id = 1")
                          .rows;
    ASSERT_EQ(2u, rows->rowCount());
    EXPECT_EQ("INV001.PDF              ", rows->text(0, 0));
    EXPECT_EQ("A_VERY_LONG_DOCUMENT_NAM", rows->text(1, 0));
    EXPECT_EQ("A001    ", rows->text(0, 1));
    EXPECT_EQ('C', rows->columns()[0].type);
    EXPECT_EQ(24, rows->columns()[0].length);
}

TEST(Engine, ResultColumnsCarryTheirTypes)
{
    auto db = vfp::memory::MakeSampleCompany();
    const auto rows = Execute(*db,
        "SELECT st_trdate, st_trvalue, sn_docmail, "
        "IIF(ISNULL(st_zrqtag),.f.,st_zrqtag) as t, st_memo, .NULL. as n "
        "FROM z_stran LEFT JOIN z_sname ON sn_account = st_account "
        "LEFT JOIN z_st_zrq ON id = st_id")
                          .rows;
    std::string types;
    for (const auto &column : rows->columns())
        types += column.type;
    EXPECT_EQ("DNILMC", types);
    EXPECT_EQ(2, rows->columns()[1].decimals);
}

TEST(Engine, AnUpdateWhoseValueFailsWritesNothing)
{
    auto db = vfp::memory::MakeSampleCompany();
    auto status = db->memoryTable("z_st_zrq");
    // The value is only wrong for the record with ST_ID 8, which comes after others.
    EXPECT_THROW(
        Execute(*db, "UPDATE z_st_zrq SET st_zrqtag = IIF(st_id = 8, 'x' + 1, 1)"), vfp::Error);
    EXPECT_EQ(0, status->writes());
}

TEST(Engine, ATableWhoseIndexCannotBeKeptIsRefusedBeforeWriting)
{
    auto db = vfp::memory::MakeSampleCompany();
    auto status = db->memoryTable("z_st_zrq");
    status->refuseWritesTo(0);
    EXPECT_THROW(Execute(*db, "INSERT INTO z_st_zrq (st_id, st_zrqtag) VALUES (5, 0)"), vfp::Error);
    EXPECT_THROW(Execute(*db, "UPDATE z_st_zrq SET st_id = 5 WHERE st_id = 77"), vfp::Error);
    EXPECT_EQ(0, status->writes());
    EXPECT_EQ(4u, status->recordCount());
    // Columns without such an index stay writable.
    EXPECT_EQ(1, Execute(*db, "UPDATE z_st_zrq SET st_zrqtag = 1 WHERE st_id = 4").affected);
}

TEST(Engine, DeletedRecordsOfAJoinedTableDoNotMatch)
{
    auto db = vfp::memory::MakeSampleCompany();
    db->memoryTable("z_st_zrq")->setDeleted(1, true); // the row of document 1
    const auto rows = Execute(*db,
        "SELECT ISNULL(st_zrqtag) FROM z_stran LEFT JOIN z_st_zrq "
        "ON id = st_id WHERE id = 1")
                          .rows;
    ASSERT_EQ(1u, rows->rowCount());
    EXPECT_TRUE(rows->value(0, 0).logical());
}

TEST(Engine, EachRecordIsReadOnceAndOnlyWhenNeeded)
{
    auto db = vfp::memory::MakeSampleCompany();
    auto stran = db->memoryTable("z_stran");
    auto sname = db->memoryTable("z_sname");
    Execute(*db,
        "SELECT st_account, st_trref, st_memo, sn_name FROM z_stran LEFT JOIN z_sname "
        "ON sn_account = st_account WHERE st_trtype = 'C'");
    // Eight live transactions read for st_trtype; the two credit notes for account, reference
    // and memo. The customers are read once, while the hash is built: the two fields the
    // statement names for each of the three live records, none again per output row.
    EXPECT_EQ(8 + 2 * 3, stran->valueReads);
    EXPECT_EQ(3 * 2, sname->valueReads);
}

TEST(Engine, UpdateReportsOnlyTheRecordsItMatched)
{
    auto db = vfp::memory::MakeSampleCompany();
    EXPECT_EQ(2,
        Execute(*db,
            "UPDATE z_sname SET sn_docmail = sn_docmail + 8, sn_email = "
            "UPPER(sn_email) WHERE sn_docmail < 9")
            .affected);
    const auto rows = Execute(*db, "SELECT sn_docmail, sn_email FROM z_sname").rows;
    EXPECT_EQ(16, rows->value(0, 0).integer());
    EXPECT_EQ("ACME@EXAMPLE.COM", std::string(vfp::sql::text::TrimRight(rows->text(0, 1))));
    EXPECT_EQ(12, rows->value(2, 0).integer());
}

TEST(Lexer, PositionsCountCharactersAndDottedWordsAreTokens)
{
    const auto tokens = vfp::sql::Tokenize("'é' = x.y AND .t. .AND. .NULL. 1.5 .5");
    ASSERT_EQ(12u, tokens.size());
    EXPECT_EQ(5, tokens[1].position); // after a two-byte character
    EXPECT_EQ(vfp::sql::TokenKind::Identifier, tokens[2].kind);
    EXPECT_EQ(".", tokens[3].text);
    EXPECT_EQ(vfp::sql::TokenKind::Logical, tokens[6].kind);
    EXPECT_EQ("AND", tokens[7].text);
    EXPECT_EQ(vfp::sql::TokenKind::Null, tokens[8].kind);
    EXPECT_EQ("1.5", tokens[9].text);
    EXPECT_EQ(".5", tokens[10].text);
}

// Random statements built from the dialect's own pieces: each parses or fails with vfp::Error.
TEST(Parser, NoInputCrashesIt)
{
    const char *pieces[] = { "SELECT", "DISTINCT", "*", "FROM", "t", "LEFT", "JOIN", "ON", "WHERE",
        "ORDER", "BY", "(", ")", ",", "'a'", "[b]", "\"", ".T.", ".NULL.", "==", "=", "!", "NOT",
        "AND", "OR", "IN", "LIKE", "CAST", "AS", "C(5)", "IIF", "RIGHT", "1", "2.5", "-", "+",
        "x.y", "INSERT", "INTO", "VALUES", "UPDATE", "SET", "EXECSCRIPT", ";", "é", "\r\n" };
    std::mt19937 random(7);
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(1, 20);
    for (int i = 0; i < 20000; ++i) {
        std::string sql;
        for (int n = length(random); n > 0; --n)
            sql += std::string(pieces[pick(random)]) + " ";
        try {
            vfp::sql::ParseStatement(sql);
        } catch (const vfp::Error &error) {
            EXPECT_GT(error.position(), 0) << sql;
        }
    }
}

// Deep nesting or long operator chains are refused before they could exhaust the stack of the
// parser, the binder or the evaluator.
TEST(Parser, DeepExpressionsAreRefused)
{
    std::string chain = "SELECT 1";
    for (int i = 0; i < 100000; ++i)
        chain += "+1";
    const std::string inputs[] = { "SELECT " + std::string(100000, '(') + "1 FROM t",
        chain + " FROM t", "SELECT " + std::string(100000, '!') + ".T. FROM t",
        "SELECT " + std::string(100000, '-') + "1 FROM t" };
    for (const std::string &sql : inputs)
        EXPECT_THROW(vfp::sql::ParseStatement(sql), vfp::Error);
    // Ordinary depth still parses.
    EXPECT_NO_THROW(vfp::sql::ParseStatement(
        "SELECT " + std::string(50, '(') + "1" + std::string(50, ')') + " FROM t"));
}

} // namespace

namespace {

// Random statements over the sample company's real names: each runs or fails with vfp::Error,
// and nothing touches a table the statement does not name.
TEST(Engine, RandomStatementsRunOrFailCleanly)
{
    const char *pieces[] = { "st_trref", "st_memo", "sn_name", "id", "st_id", "st_zrqtag", "1",
        "2.5", "'I'", "'x'", ".T.", ".F.", ".NULL.", "==", "=", "<>", ">=", "!", "AND", "OR",
        "IN ('I', 'C')", "LIKE '%1'", "+", "-", "*", "/", "IIF(.T., 1, 2)", "ISNULL(sn_name)",
        "EMPTY(st_memo)", "RIGHT(st_memo, 4)", "UPPER(sn_name)", "DTOS(st_trdate)",
        "CAST(st_memo AS C(5))", "CHR(65)", "ALLTRIM(st_trref)", "(", ")" };
    const char *templates[] = {
        "SELECT @ FROM z_stran LEFT JOIN z_sname ON sn_account = st_account WHERE @",
        "SELECT DISTINCT @ AS a, id FROM z_stran LEFT JOIN z_st_zrq ON id = st_id ORDER BY 1 DESC",
        "SELECT * FROM z_stran LEFT JOIN z_st_zrq ON @ WHERE @",
        "UPDATE z_st_zrq SET st_zrqtag = @ WHERE @",
        "INSERT INTO z_st_zrq (st_id, st_zrqtag) VALUES (@, @)", "EXECSCRIPT(@)"
    };
    std::mt19937 random(11);
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<size_t> shape(0, std::size(templates) - 1);
    std::uniform_int_distribution<int> length(1, 4);
    auto db = vfp::memory::MakeSampleCompany();
    int ran = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string sql;
        for (const char *c = templates[shape(random)]; *c; ++c) {
            if (*c != '@') {
                sql += *c;
                continue;
            }
            for (int n = length(random); n > 0; --n)
                sql += std::string(pieces[pick(random)]) + " ";
        }
        try {
            Execute(*db, sql);
            ++ran;
        } catch (const vfp::Error &) { }
    }
    EXPECT_GT(ran, 100);
    EXPECT_EQ(9u, db->memoryTable("z_stran")->recordCount());
    EXPECT_EQ(0, db->memoryTable("z_stran")->writes());
    EXPECT_EQ(0, db->memoryTable("z_sname")->writes());
}

} // namespace
