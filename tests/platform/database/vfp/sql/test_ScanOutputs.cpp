// The compiled scan's outputs read from the files as the tables read them: numbers however they
// are written, memos tested on their tail and then output whole or in part, damaged memo blocks,
// tables that change size between queries, and result memory used again by the next query.

#include "FileBytes.h"
#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/DbfTable.h"
#include "platform/database/vfp/sql/Executor.h"
#include "platform/database/vfp/sql/ScanProgram.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using vfp::Value;
using vfp::sql::Execute;

size_t Le16(const std::string &bytes, size_t at)
{
    return static_cast<unsigned char>(bytes[at])
        | (static_cast<size_t>(static_cast<unsigned char>(bytes[at + 1])) << 8);
}

void PutLe32(std::string &bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
}

// Runs a SELECT and checks that its first table was scanned by the compiled steps, with
// nothing left to the per-row interpreter.
std::shared_ptr<vfp::sql::ResultSet> SelectCompiled(vfp::Database &database, const std::string &sql)
{
    const uint64_t scans = vfp::sql::CompiledScanCount();
    const uint64_t interpreted = vfp::sql::InterpretedEvaluationCount();
    auto rows = Execute(database, sql).rows;
    EXPECT_GT(vfp::sql::CompiledScanCount(), scans) << sql;
    EXPECT_EQ(vfp::sql::InterpretedEvaluationCount(), interpreted) << sql;
    return rows;
}

std::string Memo(size_t length, char fill, std::string_view ending)
{
    std::string text(length - std::min(length, ending.size()), fill);
    text += ending.substr(0, length - text.size());
    return text;
}

} // namespace

// Each text written into an N field as it stands: the scan's cell holds the very number (sign
// of zero included) and decimals that reading the record's field gives.
TEST(ScanOutputs, NumbersAreReadAsTheTableReadsThemHoweverWritten)
{
    TempDir dir;
    const std::string folder = dir.path().toStdString();
    const std::string path = folder + "/nums.dbf";
    const std::vector<std::string> texts
        = { "    0.00", "   -0.00", "    1.00", "     .50", "      1.", "     -.5", "   -12.3",
              "12345.67", "-1234.56", "********", "        ", "       .", "       -", "  +12.00",
              "  0.0.10", " 12  3  ", "     1e5", "  - 1.00", "1.5     ", "  7     ",
              std::string("   12.5\0", 8), std::string(8, '\0'), "99999999", "0000.001" };
    {
        vfp::TableBuilder b(path, { vfp::MakeField("N", 'N', 8, 2), vfp::MakeField("K", 'N', 8) });
        for (size_t i = 0; i < texts.size(); ++i)
            b.addRow({ Value::numeric(0, 2), Value::numeric(static_cast<double>(i), 0) });
        b.finish();
    }
    std::string bytes = ReadAll(path);
    const size_t header = Le16(bytes, 8), length = Le16(bytes, 10);
    for (size_t i = 0; i < texts.size(); ++i)
        bytes.replace(header + i * length + 1, 8, texts[i]);
    WriteAll(path, bytes);

    const auto table = vfp::DbfTable::openPath(path);
    const auto database = vfp::Database::open(folder);
    const auto rows = SelectCompiled(*database, "SELECT n, k FROM nums");
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->rowCount(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        const Value expected = table->value(static_cast<uint32_t>(i + 1), 0);
        const Value got = rows->value(i, 0);
        ASSERT_EQ(got.kind(), expected.kind()) << '"' << texts[i] << '"';
        const double a = got.number(), b = expected.number();
        EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << '"' << texts[i] << "\": " << a << " " << b;
        EXPECT_EQ(got.decimals(), expected.decimals()) << '"' << texts[i] << '"';
        EXPECT_EQ(rows->number(i, 1), static_cast<double>(i));
    }
}

// Memos of every length around the tail compared, and longer than one read of the memo file:
// the rows that pass RIGHT(memo, 4) == '.PDF' are exactly those whose memo ends so, and their
// memo and its head come out whole, however the memos lie against the file's read windows.
TEST(ScanOutputs, MemoTestedOnItsTailComesOutWhole)
{
    TempDir dir;
    const std::string folder = dir.path().toStdString();
    std::vector<std::string> memos = { "", "PDF", ".PDF", "a.PDF", ".pdf", "abcd", "a.PDFx",
        Memo(300000, 'x', ".PDF"), Memo(300000, 'y', ".TXT"), Memo(70000, 'z', ".PDF"),
        "\\\\server\\share\\Invoices\\INV0000001.PDF", "caf\xc3\xa9.PDF" };
    // Many short ones after, so that some straddle the end of a read.
    for (int i = 0; i < 4000; ++i)
        memos.push_back(Memo(static_cast<size_t>(20 + (i * 37) % 180), 'm', i % 3 ? ".PDF" : ""));
    {
        vfp::TableBuilder b(folder + "/docs.dbf",
            { vfp::MakeField("ID", 'I'), vfp::MakeField("MEMO", 'M'),
                vfp::MakeField("TAG", 'C', 3) });
        for (size_t i = 0; i < memos.size(); ++i) {
            b.addRow({ Value::integer(static_cast<int64_t>(i)), Value::memo(memos[i]),
                Value::character("t") });
        }
        b.finish();
    }
    const auto database = vfp::Database::open(folder);
    const auto rows = SelectCompiled(*database,
        "SELECT id, memo, CAST(memo AS C(24)) AS head, tag FROM docs "
        "WHERE RIGHT(memo, 4) == '.PDF'");
    ASSERT_TRUE(rows);
    size_t row = 0;
    for (size_t i = 0; i < memos.size(); ++i) {
        const std::string &memo = memos[i];
        if (memo.size() < 4 || memo.compare(memo.size() - 4, 4, ".PDF") != 0)
            continue;
        ASSERT_LT(row, rows->rowCount());
        ASSERT_EQ(rows->number(row, 0), static_cast<double>(i));
        const Value text = rows->value(row, 1);
        EXPECT_EQ(text.kind(), Value::Kind::Memo);
        EXPECT_EQ(text.text(), memo) << i;
        // Stored in Windows-1252, where the accented letter takes one byte of the 24.
        std::string head = memo.substr(0, 24);
        head.resize(memo == "caf\xc3\xa9.PDF" ? 24 + 1 : 24, ' ');
        EXPECT_EQ(rows->text(row, 2), head) << i;
        EXPECT_EQ(rows->text(row, 3), "t  ");
        ++row;
    }
    EXPECT_EQ(row, rows->rowCount());

    // Read alone, with no test of the tail before them, the memos are the same.
    const auto all = SelectCompiled(*database, "SELECT memo FROM docs");
    ASSERT_EQ(all->rowCount(), memos.size());
    for (size_t i = 0; i < memos.size(); ++i) {
        EXPECT_EQ(all->text(i, 0), memos[i]) << i;
    }
}

// Two records that point at one memo block, with a long memo read in part between them (its
// tail tested and failed): the second comes out as the first, not as bytes read since.
TEST(ScanOutputs, AMemoBlockSharedByTwoRecordsAroundALongMemo)
{
    TempDir dir;
    const std::string folder = dir.path().toStdString();
    const std::string path = folder + "/docs.dbf";
    const std::vector<std::string> memos
        = { "first.PDF", Memo(300000, 'y', ".TXT"), "placeholder", Memo(200000, 'z', ".DOC") };
    {
        vfp::TableBuilder b(path, { vfp::MakeField("ID", 'I'), vfp::MakeField("MEMO", 'M') });
        for (size_t i = 0; i < memos.size(); ++i)
            b.addRow({ Value::integer(static_cast<int64_t>(i)), Value::memo(memos[i]) });
        b.addRow({ Value::integer(4), Value::memo("last.PDF") });
        b.finish();
    }
    std::string bytes = ReadAll(path);
    const size_t offset = vfp::DbfTable::openPath(path)->fieldPlace(1)->offset;
    const size_t header = Le16(bytes, 8), length = Le16(bytes, 10);
    // Records 3 and 5 point at record 1's block.
    for (size_t record : { size_t(2), size_t(4) })
        bytes.replace(header + record * length + offset, 4, bytes.substr(header + offset, 4));
    WriteAll(path, bytes);
    const auto database = vfp::Database::open(folder);
    const auto rows = SelectCompiled(*database,
        "SELECT id, memo, CAST(memo AS C(6)) AS head FROM docs WHERE RIGHT(memo, 4) == '.PDF'");
    ASSERT_EQ(rows->rowCount(), 3u);
    for (size_t row = 0; row < 3; ++row) {
        EXPECT_EQ(rows->number(row, 0), static_cast<double>(2 * row));
        EXPECT_EQ(rows->text(row, 1), "first.PDF") << row;
        EXPECT_EQ(rows->text(row, 2), "first.") << row;
    }
}

// A memo pointer into the header, past the end of the memo file, or to a block that does not
// start with a memo block's header stops the query with the table's error, whether the memo is
// tested, output whole or output in part; the scan never reads beyond the file.
TEST(ScanOutputs, DamagedMemoBlocksStopTheQueryWithTheTablesError)
{
    TempDir dir;
    const std::string folder = dir.path().toStdString();
    const std::string path = folder + "/docs.dbf";
    {
        vfp::TableBuilder b(path, { vfp::MakeField("ID", 'I'), vfp::MakeField("MEMO", 'M') });
        for (int i = 0; i < 3; ++i)
            b.addRow({ Value::integer(i), Value::memo("doc" + std::to_string(i) + ".PDF") });
        b.finish();
    }
    const std::string good = ReadAll(path);
    const size_t offset = vfp::DbfTable::openPath(path)->fieldPlace(1)->offset;
    const size_t header = Le16(good, 8), length = Le16(good, 10);
    const std::string fpt = ReadAll(folder + "/docs.fpt");
    const uint32_t blockSize
        = static_cast<unsigned char>(fpt[6]) << 8 | static_cast<unsigned char>(fpt[7]);
    ASSERT_GT(blockSize, 0u);
    const auto pastEnd = static_cast<uint32_t>(fpt.size() / blockSize + 10);
    // The last memo's block, whose header is then damaged in the memo file.
    uint32_t last = 0;
    std::memcpy(&last, good.data() + header + 2 * length + offset, 4);

    struct Case
    {
        uint32_t block;
        bool damageHeader;
        const char *why;
    };
    for (const Case &c : { Case { 1, false, "inside the memo file's header" },
             Case { pastEnd, false, "past its end" }, Case { 0x7FFFFFFF, false, "past its end" },
             Case { last, true, "memo block header" } }) {
        std::string bytes = good;
        PutLe32(bytes, header + 2 * length + offset, c.block);
        WriteAll(path, bytes);
        std::string memo = fpt;
        if (c.damageHeader)
            memo[static_cast<size_t>(last) * blockSize + 3] = '\x7F';
        WriteAll(folder + "/docs.fpt", memo);
        const auto database = vfp::Database::open(folder);
        for (const char *sql : { "SELECT id FROM docs WHERE RIGHT(memo, 4) == '.PDF'",
                 "SELECT id, memo FROM docs", "SELECT CAST(memo AS C(24)) AS head FROM docs",
                 "SELECT memo, CAST(memo AS C(5)) AS h FROM docs WHERE RIGHT(memo, 4) = '.PDF'" }) {
            try {
                Execute(*database, sql);
                ADD_FAILURE() << sql << ": no error for block " << c.block;
            } catch (const vfp::Error &error) {
                const std::string what = error.what();
                EXPECT_NE(what.find("has become corrupted: field MEMO"), std::string::npos) << what;
                EXPECT_NE(what.find(c.why), std::string::npos) << what;
            }
        }
    }
}

// Records appended by another writer between two queries are found by the second; a file
// cut short (a writer that truncated it and then rewrote the header) gives the rows that are
// left, and one whose header counts more records than the file holds gives an error.
TEST(ScanOutputs, ATableThatGrowsOrShrinksBetweenQueries)
{
    TempDir dir;
    const std::string folder = dir.path().toStdString();
    const std::string path = folder + "/t.dbf";
    const auto build = [&](int count) {
        vfp::TableBuilder b(path, { vfp::MakeField("ID", 'I'), vfp::MakeField("NAME", 'C', 250) });
        for (int i = 0; i < count; ++i)
            b.addRow({ Value::integer(i), Value::character("name " + std::to_string(i)) });
        b.finish();
    };
    build(20000);
    const std::string big = ReadAll(path);
    const auto database = vfp::Database::open(folder);
    const std::string sql = "SELECT id, name FROM t WHERE id >= 0";
    ASSERT_EQ(SelectCompiled(*database, sql)->rowCount(), 20000u);

    // Cut to 100 records in place: the same file, written shorter.
    {
        vfp::TableBuilder b(
            folder + "/small.dbf", { vfp::MakeField("ID", 'I'), vfp::MakeField("NAME", 'C', 250) });
        for (int i = 0; i < 100; ++i)
            b.addRow({ Value::integer(i), Value::character("name " + std::to_string(i)) });
        b.finish();
    }
    WriteAll(path, ReadAll(folder + "/small.dbf"));
    auto rows = SelectCompiled(*database, sql);
    ASSERT_EQ(rows->rowCount(), 100u);
    EXPECT_EQ(rows->number(99, 0), 99);

    // Grown again by another writer.
    WriteAll(path, big);
    rows = SelectCompiled(*database, sql);
    ASSERT_EQ(rows->rowCount(), 20000u);
    EXPECT_EQ(rows->text(19999, 1).substr(0, 10), "name 19999");

    // Cut short with the header still counting the records the file no longer holds.
    WriteAll(path, big.substr(0, big.size() / 2));
    EXPECT_THROW(Execute(*database, sql), vfp::Error);
}

// Results big enough to fill whole blocks, released and built again: memory one query gave
// back and the next one takes must hold only the new query's rows.
TEST(ScanOutputs, ResultMemoryUsedAgainGivesTheSameAnswers)
{
    TempDir dir;
    const std::string folder = dir.path().toStdString();
    {
        vfp::TableBuilder b(folder + "/t.dbf",
            { vfp::MakeField("ID", 'I'), vfp::MakeField("NAME", 'C', 40),
                vfp::MakeField("AMOUNT", 'N', 12, 2), vfp::MakeField("NOTE", 'M') });
        for (int i = 0; i < 60000; ++i) {
            b.addRow({ Value::integer(i), Value::character("customer " + std::to_string(i % 977)),
                Value::numeric(i * 0.25, 2), Value::memo("note " + std::to_string(i) + ".PDF") });
        }
        b.finish();
    }
    const auto database = vfp::Database::open(folder);
    const auto text = [](const vfp::sql::ResultSet &rows) {
        std::string all;
        for (size_t row = 0; row < rows.rowCount(); ++row) {
            for (int column = 0; column < rows.columnCount(); ++column) {
                all += rows.value(row, column).isNull() ? "null"
                                                        : std::string(rows.text(row, column));
                all += std::to_string(rows.number(row, column)) + '|';
            }
            all += '\n';
        }
        return all;
    };
    const std::vector<std::string> statements
        = { "SELECT id, name, amount, note FROM t WHERE RIGHT(note, 4) = '.PDF' ORDER BY name, id",
              "SELECT name, note, id FROM t WHERE amount <> 0 AND id > 10",
              "SELECT note, CAST(note AS C(12)) AS head FROM t" };
    std::vector<std::string> first;
    for (const std::string &sql : statements)
        first.push_back(text(*SelectCompiled(*database, sql)));
    ASSERT_EQ(std::count(first[0].begin(), first[0].end(), '\n'), 60000);
    // Again in another order, each result released before the next query, and then with the
    // previous result still alive while the next one is built.
    for (int round = 0; round < 2; ++round) {
        std::shared_ptr<vfp::sql::ResultSet> held;
        for (size_t i = statements.size(); i-- > 0;) {
            auto rows = SelectCompiled(*database, statements[i]);
            EXPECT_EQ(text(*rows), first[i]) << statements[i];
            if (round == 1)
                held = rows;
        }
    }
}
