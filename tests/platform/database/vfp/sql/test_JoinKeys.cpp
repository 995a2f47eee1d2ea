// A hash join's keys made from the records' bytes match exactly where the values' keys match,
// and the rows it makes from a hash's cells equal the values: each join is checked against the
// same join written so that its keys are evaluated (an expression instead of a field) or so
// that no hash serves it at all (= on a text expression runs as a plain condition).

#include "FileBytes.h"
#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/sql/Executor.h"
#include "platform/database/vfp/sql/ResultSet.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using vfp::Value;
using vfp::sql::Execute;
using vfp::sql::ResultSet;

vfp::NewField Nullable(std::string name, char type, int length = 0, int decimals = 0)
{
    vfp::NewField field = vfp::MakeField(std::move(name), type, length, decimals);
    field.nullable = true;
    return field;
}

// Equal row by row and cell by cell, numbers to the bit (the sign of a zero included).
void ExpectSameRows(const ResultSet &got, const ResultSet &expected, const std::string &what)
{
    ASSERT_EQ(got.rowCount(), expected.rowCount()) << what;
    ASSERT_EQ(got.columnCount(), expected.columnCount()) << what;
    for (size_t row = 0; row < got.rowCount(); ++row) {
        for (int column = 0; column < got.columnCount(); ++column) {
            const Value a = got.value(row, column);
            const Value b = expected.value(row, column);
            ASSERT_EQ(a.kind(), b.kind()) << what << ": row " << row << " column " << column;
            if (a.isText()) {
                EXPECT_EQ(a.text(), b.text()) << what << ": row " << row << " column " << column;
            } else if (a.isNumber()) {
                const double x = a.number(), y = b.number();
                EXPECT_EQ(std::memcmp(&x, &y, sizeof x), 0)
                    << what << ": row " << row << " column " << column;
                EXPECT_EQ(a.decimals(), b.decimals()) << what << ": row " << row;
            } else if (a.kind() == Value::Kind::Logical) {
                EXPECT_EQ(a.logical(), b.logical()) << what << ": row " << row;
            } else if (a.kind() == Value::Kind::Date) {
                EXPECT_EQ(a.julianDay(), b.julianDay()) << what << ": row " << row;
            }
        }
    }
}

// Writes texts into a field of every `every`-th record, in turn, as another program may have
// written the number: with a minus on zero, a plus, a point and no decimals.
void PatchField(
    const std::string &path, size_t offset, const std::vector<std::string> &texts, size_t every)
{
    std::string bytes = ReadAll(path);
    const auto le16 = [&](size_t at) {
        return static_cast<size_t>(static_cast<unsigned char>(bytes[at]))
            | (static_cast<size_t>(static_cast<unsigned char>(bytes[at + 1])) << 8);
    };
    const size_t header = le16(8), length = le16(10);
    size_t n = 0;
    for (size_t at = header; at + length <= bytes.size(); at += length * every, ++n) {
        const std::string &text = texts[n % texts.size()];
        bytes.replace(at + offset, text.size(), text);
    }
    WriteAll(path, bytes);
}

std::shared_ptr<ResultSet> Select(vfp::Database &database, const std::string &sql)
{
    auto rows = Execute(database, sql).rows;
    EXPECT_TRUE(rows) << sql;
    return rows;
}

// Ledger lines with text and number keys written every way a key field can hold them, and
// accounts keyed by a narrower text and by a number. Many lines, so that the scan and the
// hashes are read in several blocks and parts.
class JoinKeys : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string folder = m_dir.path().toStdString();
        // Trailing blanks, a key longer than the accounts' (compared on their first five
        // characters), texts that are not ASCII (Windows-1252 'é' and '€'), blanks, nulls.
        const std::vector<Value> accounts = { Value::character("C0001"),
            Value::character("C0001   "), Value::character("C000123"), Value::character("C0002"),
            Value::character("caf\xc3\xa9"),
            Value::character("\xe2\x82\xac"
                             "1"),
            Value::character(""), Value::null(), Value::character("  C0001"),
            Value::character("C0003") };
        // Zero and minus zero, fractions, a number no account has, null.
        const std::vector<Value> ids = { Value::numeric(1, 2), Value::numeric(0, 2),
            Value::numeric(-0.0, 2), Value::numeric(2.5, 2), Value::numeric(-3, 2),
            Value::numeric(99, 2), Value::null(), Value::numeric(4, 2) };
        {
            vfp::TableBuilder lines(folder + "/lines.dbf",
                { Nullable("ACCOUNT", 'C', 8), Nullable("ID", 'N', 8, 2), vfp::MakeField("N", 'I'),
                    vfp::MakeField("PAD", 'C', 200) });
            for (int n = 0; n < 6000; ++n) {
                lines.addRow({ accounts[static_cast<size_t>(n) % accounts.size()],
                    ids[static_cast<size_t>(n * 7) % ids.size()], Value::integer(n % 13 - 6),
                    Value::character("x") });
                if (n % 97 == 0)
                    lines.deleteLastRow();
            }
            lines.finish();
        }
        PatchField(folder + "/lines.dbf", 9,
            { "   -0.00", "  +1.00 ", "   -0.  ", "1.00    ", "    -.00", "   2.5  " }, 11);
        {
            // Kept as values (texts): its rows come from the hash's cells.
            vfp::TableBuilder names(folder + "/names.dbf",
                { vfp::MakeField("ACC", 'C', 5), Nullable("NAME", 'C', 20), Nullable("FLAG", 'L'),
                    Nullable("CRLIM", 'N', 10, 2) });
            const std::vector<std::string> keys = { "C0001", "C0002", "C0002", "caf\xc3\xa9",
                "\xe2\x82\xac"
                "1",
                "", "C0004", "  C00" };
            for (size_t i = 0; i < keys.size(); ++i) {
                names.addRow({ Value::character(keys[i]),
                    i % 3 ? Value::character("Name " + std::to_string(i)) : Value::null(),
                    i % 4 == 1 ? Value::null() : Value::logical(i % 2 == 0),
                    i == 2 ? Value::null() : Value::numeric(static_cast<double>(i) * 1.5, 2) });
            }
            names.finish();
        }
        {
            // Only numbers and flags: kept as copies of the records.
            vfp::TableBuilder status(folder + "/status.dbf",
                { Nullable("SID", 'N', 10, 2), Nullable("DONE", 'L'), vfp::MakeField("K", 'I') });
            const std::vector<Value> sids = { Value::numeric(0, 2), Value::numeric(1, 2),
                Value::numeric(2.5, 2), Value::numeric(-3, 2), Value::numeric(1, 2), Value::null(),
                Value::numeric(-0.0, 2) };
            for (size_t i = 0; i < sids.size(); ++i) {
                status.addRow({ sids[i], i % 3 ? Value::logical(i % 2 == 1) : Value::null(),
                    Value::integer(static_cast<int64_t>(i) - 3) });
            }
            status.finish();
        }
        PatchField(folder + "/status.dbf", 1, { "     -0.00", "       1. ", "     +2.50" }, 3);
        m_database = vfp::Database::open(folder);
    }

    TempDir m_dir;
    std::shared_ptr<vfp::Database> m_database;
};

// Text keys: = between C fields of different widths is hashed on the narrower's characters;
// the same condition on a text expression is tested record by record, with no hash.
TEST_F(JoinKeys, TextKeysFromBytesMatchAsTheConditionDoes)
{
    const std::string outputs = "SELECT account, id, acc, name, "
                                "IIF(ISNULL(flag), .F., flag) AS flag, crlim FROM lines ";
    for (const std::string join : { "LEFT JOIN", "JOIN" }) {
        const auto hashed = Select(*m_database, outputs + join + " names ON acc = account");
        const auto plain = Select(*m_database, outputs + join + " names ON acc = account + ''");
        ASSERT_TRUE(hashed && plain);
        EXPECT_GT(hashed->rowCount(), 1000u);
        ExpectSameRows(*hashed, *plain, join + " on a text");
        // == compares whole texts (trailing blanks aside): against keys made from the values,
        // of both sides or of one.
        const auto exact = Select(*m_database, outputs + join + " names ON acc == account");
        ASSERT_TRUE(exact);
        for (const std::string on :
            { "acc + '' == account + ''", "acc + '' == account", "acc == account + ''" }) {
            const auto evaluated = Select(*m_database, outputs + join + " names ON " + on);
            ASSERT_TRUE(evaluated);
            ExpectSameRows(*exact, *evaluated, join + " on " + on);
        }
    }
}

// Number keys: made from the digits where they are written plainly, so that 0 and -0 are one
// key and null none; the hash's own keys (the joined table's) likewise.
TEST_F(JoinKeys, NumberKeysFromBytesMatchTheValuesKeys)
{
    const std::string outputs = "SELECT account, id, sid, IIF(ISNULL(done), .F., done) AS done, "
                                "k FROM lines ";
    for (const std::string join : { "LEFT JOIN", "JOIN" }) {
        const auto fromBytes = Select(*m_database, outputs + join + " status ON sid = id");
        const auto probeEvaluated = Select(*m_database, outputs + join + " status ON sid = id + 0");
        const auto buildEvaluated = Select(*m_database, outputs + join + " status ON sid + 0 = id");
        const auto bothEvaluated
            = Select(*m_database, outputs + join + " status ON sid + 0 = id + 0");
        ASSERT_TRUE(fromBytes && probeEvaluated && buildEvaluated && bothEvaluated);
        ExpectSameRows(*fromBytes, *bothEvaluated, join + " on a number, keys evaluated");
        EXPECT_GT(fromBytes->rowCount(), 1000u);
        ExpectSameRows(*fromBytes, *probeEvaluated, join + " on a number, probe evaluated");
        ExpectSameRows(*fromBytes, *buildEvaluated, join + " on a number, hash key evaluated");
    }
    // An I field against an N field.
    const auto integers = Select(*m_database, outputs + "JOIN status ON sid = n");
    const auto integersEvaluated = Select(*m_database, outputs + "JOIN status ON sid = n + 0");
    ASSERT_TRUE(integers && integersEvaluated);
    ExpectSameRows(*integers, *integersEvaluated, "an I field against an N field");
}

// Two hashes in one statement, one kept as values and one as record copies, with the rows
// sorted: the cells of the first and the bytes of the second make the rows that evaluating
// every output makes.
TEST_F(JoinKeys, RowsFromCellsEqualEvaluatedOutputs)
{
    const std::string from
        = " FROM lines LEFT JOIN names ON acc = account LEFT JOIN status ON sid = id "
          "ORDER BY account, id";
    const auto cells = Select(*m_database,
        "SELECT account, name, IIF(ISNULL(flag), .F., flag) AS f, crlim, done, k, id" + from);
    const auto evaluated = Select(*m_database,
        "SELECT account + '' AS account, name + '' AS name, "
        "IIF(ISNULL(flag), .F., flag AND .T.) AS f, crlim + 0 AS crlim, done AND .T. AS done, "
        "k + 0 AS k, id + 0 AS id"
            + from);
    ASSERT_TRUE(cells && evaluated);
    ASSERT_EQ(cells->rowCount(), evaluated->rowCount());
    for (size_t row = 0; row < cells->rowCount(); ++row) {
        // The evaluated texts of a null are null as well; numbers keep their decimals.
        EXPECT_EQ(cells->kind(row, 1), evaluated->kind(row, 1)) << row;
        EXPECT_EQ(cells->text(row, 1), evaluated->text(row, 1)) << row;
        EXPECT_EQ(cells->kind(row, 2), Value::Kind::Logical) << row;
        EXPECT_EQ(cells->logical(row, 2), evaluated->logical(row, 2)) << row;
        EXPECT_EQ(cells->kind(row, 3), evaluated->kind(row, 3)) << row;
        if (!cells->isNull(row, 3)) {
            EXPECT_EQ(cells->number(row, 3), evaluated->number(row, 3)) << row;
        }
        EXPECT_EQ(cells->kind(row, 4), evaluated->kind(row, 4)) << row;
        if (!cells->isNull(row, 4)) {
            EXPECT_EQ(cells->logical(row, 4), evaluated->logical(row, 4)) << row;
        }
        // An integer plus 0 is a number.
        EXPECT_EQ(cells->isNull(row, 5), evaluated->isNull(row, 5)) << row;
        EXPECT_EQ(cells->number(row, 5), evaluated->number(row, 5)) << row;
    }
}

} // namespace
