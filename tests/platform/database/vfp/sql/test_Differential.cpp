// The engine's answers against reference answers kept in differential/: every statement the
// program sends and thousands of random ones over generated companies (nulls, deleted records,
// Windows-1252 texts, blanks) must give the same columns and the same cells, byte for byte, or
// the same error; the program's statements must run compiled throughout.

#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/sql/Executor.h"
#include "platform/database/vfp/sql/ScanProgram.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <QCryptographicHash>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using vfp::Value;
using vfp::sql::Execute;

// A number in low..high drawn the same way by every standard library (its distributions are
// not), so the generated companies and statements, and with them the expected answers, do not
// depend on the library the test is built with.
int Draw(std::mt19937 &random, int low, int high)
{
    return low + static_cast<int>(random() % static_cast<uint32_t>(high - low + 1));
}

vfp::NewField Nullable(vfp::NewField field)
{
    field.nullable = true;
    return field;
}

// Texts as the ledger holds them: ASCII and Windows-1252 letters, blanks at either end, empty,
// and texts as wide as their field.
const std::vector<std::string> &Texts()
{
    static const std::vector<std::string> texts = { "", "I", "C", "R", "i", "A", "AB", "ABC", "abc",
        " A", "A ", "Ölfen", "é", "Ü", "€uro", "naïve", "CRN0000001", "INV0000002", "ÿ", "Œuvre",
        "   ", "X1234567", "x1234567", "ZZZZZZZZ" };
    return texts;
}

// Writes a company of the program's three tables and returns its folder.
class Company
{
public:
    Company(unsigned seed, int transactions)
    {
        std::mt19937 random(seed);
        const std::string folder = m_dir.path().toStdString();
        auto pick = [&](const std::vector<std::string> &from) {
            return from[static_cast<size_t>(Draw(random, 0, static_cast<int>(from.size()) - 1))];
        };
        auto chance = [&](int percent) { return Draw(random, 0, 99) < percent; };
        const std::vector<std::string> accounts
            = { "C00001", "C00002", "C00003", "Ü00004", "c00005", "", "C0000", "C00001  " };
        const std::vector<std::string> types = { "I", "C", "R", "i", " ", "é" };
        const int32_t firstDay = vfp::JulianDayFromCivil(2019, 12, 30);

        vfp::TableBuilder stran(folder + "/Z_STRAN.DBF",
            { vfp::MakeField("ST_ACCOUNT", 'C', 8), vfp::MakeField("ST_TRDATE", 'D'),
                vfp::MakeField("ST_TRREF", 'C', 10), vfp::MakeField("ST_CUSTREF", 'C', 12),
                vfp::MakeField("ST_TRTYPE", 'C', 1), vfp::MakeField("ST_TRVALUE", 'N', 12, 2),
                vfp::MakeField("ST_VATVAL", 'N', 12, 2),
                Nullable(vfp::MakeField("ST_TRBAL", 'N', 10, 2)), vfp::MakeField("ST_PAID", 'C', 1),
                vfp::MakeField("ST_MEMO", 'M'), Nullable(vfp::MakeField("ST_NOTE", 'C', 10)),
                vfp::MakeField("ST_QTY", 'I'), Nullable(vfp::MakeField("ST_FLAG", 'L')),
                vfp::MakeField("ST_DONE", 'L'), vfp::MakeField("ST_WHEN", 'T'),
                vfp::MakeField("ID", 'N', 10, 0) });
        const auto cents = [&] { return Draw(random, -500000, 500000); };
        const auto day = [&] { return Draw(random, 0, 40); };
        const auto qty = [&] { return Draw(random, -3, 12); };
        for (int id = 1; id <= transactions; ++id) {
            const std::string type = chance(80) ? (chance(60) ? "I" : "C") : pick(types);
            const double value = cents() / 100.0;
            const std::string ref = (type == "I" ? "INV" : "CRN") + std::to_string(1000000 + id);
            std::string memo;
            if (chance(85))
                memo = ref + (chance(90) ? ".PDF" : chance(50) ? ".pdf" : ".PD");
            else if (chance(50))
                memo = pick(Texts());
            Value balance = chance(30) ? Value::numeric(0, 2) : Value::numeric(value, 2);
            if (chance(5))
                balance = Value::null();
            stran.addRow({ Value::character(pick(accounts)),
                Value::date(chance(5) ? 0 : firstDay + day()), Value::character(ref),
                Value::character(pick(Texts())), Value::character(type), Value::numeric(value, 2),
                Value::numeric(value / 6, 2), balance, Value::character(chance(50) ? "P" : " "),
                Value::memo(memo), chance(10) ? Value::null() : Value::character(pick(Texts())),
                Value::integer(qty()), chance(15) ? Value::null() : Value::logical(chance(50)),
                Value::logical(chance(30)), Value::dateTime(firstDay + day(), 3600000 * 7),
                Value::numeric(id % 97 == 0 ? id - 1 : id, 0) });
            if (chance(8))
                stran.deleteLastRow();
        }
        stran.finish();

        vfp::TableBuilder sname(folder + "/Z_SNAME.DBF",
            { vfp::MakeField("SN_ACCOUNT", 'C', 8), vfp::MakeField("SN_NAME", 'C', 20),
                vfp::MakeField("SN_EMAIL", 'C', 30), vfp::MakeField("SN_DOCMAIL", 'I') });
        for (size_t n = 0; n < accounts.size(); ++n) {
            if (n == 2)
                continue; // a ledger account without a customer
            sname.addRow(
                { Value::character(accounts[n]), Value::character("Customer " + pick(Texts())),
                    Value::character(n % 3 ? "c" + std::to_string(n) + "@example.com" : ""),
                    Value::integer(n % 2 ? 8 : 0) });
            if (n == 5)
                sname.deleteLastRow();
        }
        sname.finish();

        vfp::TableBuilder status(folder + "/Z_ST_ZRQ.DBF",
            { vfp::MakeField("ST_ID", 'N', 10, 0), vfp::MakeField("ST_ZRQTAG", 'L'),
                vfp::MakeField("ST_ZRQSENT", 'L'), vfp::MakeField("ST_ZRQPRNT", 'L') });
        for (int n = 1; n <= transactions; n += 2) {
            status.addRow({ Value::numeric(n, 0), Value::logical(n % 3 == 0),
                Value::logical(n % 5 == 0), Value::logical(n % 7 == 0) });
            if (n % 11 == 0)
                status.deleteLastRow();
        }
        status.addIndexTag("ST_ZRQ1", "ST_ID");
        status.finish();
        m_database = vfp::Database::open(folder);
    }

    vfp::Database &database() { return *m_database; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<vfp::Database> m_database;
};

// A cell as text that keeps every part of its value: the kind, the decimals, the text's bytes,
// the number to its last bit (%.17g reads back as the same double), the day and milliseconds.
std::string CellText(const Value &value)
{
    const auto quoted = [](char kind, const std::string &text) {
        std::string out(1, kind);
        out += '\'';
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            if (c == '\'' || c == '\\') {
                out += '\\';
                out += c;
            } else if (byte < 0x20 || byte == 0x7f) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
                out += escaped;
            } else {
                out += c;
            }
        }
        return out + '\'';
    };
    switch (value.kind()) {
    case Value::Kind::Null:
        return "NULL";
    case Value::Kind::Character:
        return quoted('C', value.text());
    case Value::Kind::Memo:
        return quoted('M', value.text());
    case Value::Kind::Numeric: {
        char number[40];
        std::snprintf(number, sizeof number, "%.17g", value.number());
        return 'N' + std::to_string(value.decimals()) + ':' + number;
    }
    case Value::Kind::Integer:
        return 'I' + std::to_string(value.integer());
    case Value::Kind::Logical:
        return value.logical() ? ".T." : ".F.";
    case Value::Kind::Date:
        return 'D' + std::to_string(value.julianDay());
    case Value::Kind::DateTime:
        return 'T' + std::to_string(value.julianDay()) + '+' + std::to_string(value.milliseconds());
    }
    return "?";
}

// What a statement gives, as a block of text: the statement, then its error, or its columns,
// its row count with a hash of every row's text, and the first and last rows.
struct Answer
{
    std::string text;
    bool failed = false;
};

Answer AnswerOf(vfp::Database &database, const std::string &sql)
{
    Answer answer;
    answer.text = "SQL " + sql + '\n';
    try {
        const auto rows = Execute(database, sql).rows;
        if (!rows) {
            answer.text += "NO ROWS\n";
            return answer;
        }
        answer.text += "COLUMNS";
        for (const auto &column : rows->columns()) {
            answer.text += ' ' + column.name + ':' + column.type + std::to_string(column.length)
                + ',' + std::to_string(column.decimals);
        }
        answer.text += '\n';
        std::vector<std::string> lines;
        QCryptographicHash hash(QCryptographicHash::Sha256);
        for (size_t row = 0; row < rows->rowCount(); ++row) {
            std::string line;
            for (int column = 0; column < rows->columnCount(); ++column)
                line += (column ? " | " : "") + CellText(rows->value(row, column));
            line += '\n';
            hash.addData(QByteArrayView(line.data(), static_cast<qsizetype>(line.size())));
            lines.push_back(std::move(line));
        }
        answer.text += "ROWS " + std::to_string(lines.size()) + " SHA256 "
            + hash.result().toHex().left(32).toStdString() + '\n';
        constexpr size_t Head = 3, Tail = 1;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines.size() <= Head + Tail + 1 || i < Head || i >= lines.size() - Tail)
                answer.text += "  " + lines[i];
            else if (i == Head)
                answer.text += "  ...\n";
        }
    } catch (const vfp::Error &error) {
        answer.text += std::string("ERROR ") + error.what() + '\n';
        answer.failed = true;
    }
    return answer;
}

// The answers are checked against files written once from the row interpreter the engine
// had before its compiled core, which gave the reference answers: the files hold them for a
// reviewer to read. With VELLORAN_WRITE_EXPECTED set the files are written instead (only
// after a change of answers that is meant).
std::string ExpectedPath(const std::string &name)
{
    return std::string(SQL_CASES_DIR) + "/../differential/" + name;
}

bool Writing()
{
    return std::getenv("VELLORAN_WRITE_EXPECTED") != nullptr;
}

// The blocks of an expected file, one per statement.
std::vector<std::string> ExpectedBlocks(const std::string &name)
{
    std::ifstream in(ExpectedPath(name), std::ios::binary);
    std::vector<std::string> blocks;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("SQL ", 0) == 0)
            blocks.emplace_back();
        if (!blocks.empty())
            blocks.back() += line + '\n';
    }
    return blocks;
}

// Runs the statements and compares each one's answer with its block in the file; calls
// `after` with each statement and whether it ran without an error.
void CheckAnswers(const std::string &name, vfp::Database &database,
    const std::vector<std::string> &statements,
    const std::function<void(const std::string &, bool)> &after = {})
{
    std::vector<std::string> expected;
    std::string written;
    if (!Writing()) {
        expected = ExpectedBlocks(name);
        ASSERT_EQ(expected.size(), statements.size()) << ExpectedPath(name);
    }
    for (size_t i = 0; i < statements.size(); ++i) {
        const Answer answer = AnswerOf(database, statements[i]);
        if (Writing())
            written += answer.text;
        else
            EXPECT_EQ(expected[i], answer.text) << statements[i];
        if (after)
            after(statements[i], !answer.failed);
    }
    if (Writing()) {
        std::ofstream out(ExpectedPath(name), std::ios::binary);
        out << written;
        ASSERT_TRUE(out.good()) << ExpectedPath(name);
    }
}

std::string ReviewSelect()
{
    return " SELECT   st_account  ,   sn_name     ,   sn_email    ,   "
           "IIF(ISNULL(Z_ST_ZRQ.st_zrqtag),.f.,Z_ST_ZRQ.st_zrqtag) as zrqtag  ,   "
           "IIF(ISNULL(Z_ST_ZRQ.st_zrqsent),.f.,Z_ST_ZRQ.st_zrqsent) as zrqsent  ,   "
           "IIF(ISNULL(Z_ST_ZRQ.st_zrqprnt),.f.,Z_ST_ZRQ.st_zrqprnt) as zrqprint ,   "
           "st_trref    ,   st_trdate   ,   st_custref  ,   st_trtype   ,   st_trvalue  ,   "
           "st_vatval   ,   st_trbal    ,   st_paid     ,   st_memo     ,   "
           "CAST(st_memo as C(24)) as st_memoT,   sn_docmail  ,   id   "
           " FROM Z_stran        LEFT JOIN Z_sname ON sn_account = st_account  LEFT JOIN "
           "Z_ST_ZRQ ON id = st_id ";
}

// The review query with each of its filters, as the review page composes them.
std::vector<std::string> ProgramStatements()
{
    const std::string base = " WHERE RIGHT(st_memo,4)=='.PDF' AND st_trtype IN ('I','C') ";
    const std::string notSent = " AND !IIF(ISNULL(Z_ST_ZRQ.st_zrqsent),.f.,Z_ST_ZRQ.st_zrqsent) ";
    const std::string notPrinted
        = " AND !IIF(ISNULL(Z_ST_ZRQ.st_zrqprnt),.f.,Z_ST_ZRQ.st_zrqprnt) ";
    const std::vector<std::string> pieces = { "", notSent, notPrinted, " AND st_trbal<>0 ",
        " AND sn_docmail>=8 ", " AND sn_docmail<8 ", " AND (dtos(st_trdate) >=  '20200105' ) ",
        " AND (dtos(st_trdate) <=  '20200120' ) ", " AND (UPPER(st_account) LIKE '%C0%' )",
        " AND (UPPER(sn_name) LIKE '%CUSTOMER%' )", " AND (UPPER(sn_email) LIKE '%EXAMPLE%' )",
        " AND (UPPER(st_trref) LIKE '%INV1%' )", " AND (UPPER(st_custref) LIKE '%A%' )",
        " AND (st_trvalue >= 100.00 )", " AND (st_trvalue <= -2.50 )" };
    const std::vector<std::string> orders = { "ORDER BY st_account, st_trref",
        "ORDER BY st_trdate DESC, st_trref", "ORDER BY sn_name, st_trvalue DESC" };
    std::vector<std::string> statements;
    for (size_t i = 0; i < pieces.size(); ++i) {
        statements.push_back(ReviewSelect() + base + pieces[i] + orders[i % orders.size()]);
        statements.push_back(
            ReviewSelect() + base + notSent + pieces[i] + " AND st_trbal<>0 " + orders[0]);
    }
    statements.push_back(" SELECT * FROM Z_ST_ZRQ WHERE st_ID = 21");
    statements.push_back(" SELECT * FROM Z_ST_ZRQ WHERE st_ID = 22");
    statements.push_back(" SELECT DISTINCT   st_trref ,   st_custref   FROM Z_stran "
                         "  WHERE !empty(st_custref)   ORDER BY st_trref ");
    statements.push_back("SELECT ID FROM Z_STRAN WHERE ST_DONE = .F. AND ST_TRTYPE = 'I' AND "
                         "ST_ACCOUNT = 'C00001' AND ST_NOTE = 'A'");
    return statements;
}

TEST(Differential, TheProgramsStatementsRunCompiledWithTheReferenceAnswers)
{
    Company company(7, 3000);
    uint64_t scans = vfp::sql::CompiledScanCount();
    const uint64_t evaluated = vfp::sql::InterpretedEvaluationCount();
    CheckAnswers("program-statements.txt", company.database(), ProgramStatements(),
        [&](const std::string &sql, bool ran) {
            EXPECT_TRUE(ran) << sql;
            if (Writing())
                return;
            // The status check finds its record through the index instead of scanning.
            if (sql.find("st_ID =") == std::string::npos) {
                EXPECT_GT(vfp::sql::CompiledScanCount(), scans) << "not compiled: " << sql;
            }
            scans = vfp::sql::CompiledScanCount();
        });
    if (!Writing()) {
        EXPECT_EQ(vfp::sql::InterpretedEvaluationCount(), evaluated);
    }
}

// The review page's default query, over a company small enough for one scan and over one big
// enough for the scan to be split between threads that share one bound plan.
TEST(Differential, TheReviewQueryWholeAndInParts)
{
    const std::string sql = ReviewSelect()
        + " WHERE RIGHT(st_memo,4)=='.PDF' AND st_trtype IN ('I','C') "
          " AND !IIF(ISNULL(Z_ST_ZRQ.st_zrqsent),.f.,Z_ST_ZRQ.st_zrqsent)  AND st_trbal<>0 ";
    const uint64_t evaluated = vfp::sql::InterpretedEvaluationCount();
    {
        Company company(5, 2000);
        CheckAnswers("review-query-small.txt", company.database(),
            { sql + " AND sn_docmail>=8 ORDER BY st_account, st_trref" });
    }
    {
        Company company(11, 70000);
        CheckAnswers("review-query-parts.txt", company.database(),
            { sql + "ORDER BY st_account, st_trref" });
    }
    if (!Writing()) {
        EXPECT_EQ(vfp::sql::InterpretedEvaluationCount(), evaluated);
    }
}

// Threads that scan parts of a big table share one bound plan, each evaluating what the compiled
// steps leave to the bound expressions in a state of its own: their rows are those of one scan
// (DISTINCT, which drops nothing here since st_trref is unique, runs as one scan).
TEST(Differential, PartsSharingABoundPlanGiveTheRowsOfOneScan)
{
    Company company(13, 70000);
    const std::string rest = " st_trref, st_trvalue * 2 AS twice, UPPER(st_custref) AS custref, "
                             "CAST(st_trbal AS C(12)) AS balance, LEN(ALLTRIM(sn_name)) AS name, "
                             "IIF(st_qty > 3, st_qty % 4, -st_qty) AS qty "
                             "FROM z_stran LEFT JOIN z_sname ON sn_account = st_account "
                             "WHERE st_trvalue * 2 > -2000 AND UPPER(st_custref) <> 'A' "
                             "AND (st_qty < 10 OR ISNULL(st_flag)) ORDER BY st_trref";
    const uint64_t scans = vfp::sql::CompiledScanCount();
    const Answer parts = AnswerOf(company.database(), "SELECT" + rest);
    const uint64_t partScans = vfp::sql::CompiledScanCount() - scans;
    const Answer whole = AnswerOf(company.database(), "SELECT DISTINCT" + rest);
    EXPECT_EQ(vfp::sql::CompiledScanCount() - scans - partScans, 1u);
    ASSERT_FALSE(parts.failed) << parts.text;
    EXPECT_EQ(parts.text.substr(parts.text.find('\n')), whole.text.substr(whole.text.find('\n')));
    EXPECT_NE(parts.text.find("ROWS "), std::string::npos);
    EXPECT_EQ(parts.text.find("ROWS 0 "), std::string::npos);
    if (std::thread::hardware_concurrency() > 1) {
        EXPECT_GT(partScans, 1u);
    }
}

// A table joined to itself is not read in place (the two slots would share its read buffer):
// its program leaves everything to the bound expressions, record by record, with the answer
// of the statement that reads the table once.
TEST(Differential, ASelfJoinRunsRecordByRecordWithTheSameRows)
{
    Company company(3, 1200);
    const std::string where = " WHERE a.st_trtype = 'I' AND b.st_trbal <> 0 AND b.st_note = 'A'";
    const Answer joined = AnswerOf(company.database(),
        "SELECT a.id, b.st_trref FROM z_stran a JOIN z_stran b ON b.st_trref = a.st_trref" + where);
    const Answer once = AnswerOf(company.database(),
        "SELECT a.id, a.st_trref FROM z_stran a"
            + std::string(" WHERE a.st_trtype = 'I' AND a.st_trbal <> 0 AND a.st_note = 'A'"));
    ASSERT_FALSE(joined.failed) << joined.text;
    EXPECT_EQ(joined.text.substr(joined.text.find('\n')), once.text.substr(once.text.find('\n')));
    EXPECT_EQ(joined.text.find("ROWS 0 "), std::string::npos);
}

// = 0 and <> 0 on N fields are told from the digits where the text is written plainly; texts
// written otherwise (damaged, or signs and exponents in odd places) read as the parser reads them.
TEST(Differential, ZeroTestsOnNumberTextsOfEveryForm)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    const std::vector<std::string> texts
        = { "    0.00", "   -0.00", "    1.00", "   -0.01", "        ", "       .", "       -",
              "     0-1", "     --1", "     - 1", "     1e5", "     0e5", "********", "  +12.00",
              "  0.0.10", "0000000\0", " 12  3  ", "\0\0\0\0\0\0\0\0" };
    {
        vfp::TableBuilder b(folder + "/nums.dbf", { vfp::MakeField("N", 'N', 8, 2) });
        for (size_t i = 0; i < texts.size(); ++i)
            b.addRow({ Value::numeric(static_cast<double>(i), 2) });
        b.finish();
    }
    // Each record's field written as it stands: the delete flag is byte 0, the field byte 1.
    std::string bytes;
    {
        FILE *file = std::fopen((folder + "/nums.dbf").c_str(), "rb");
        ASSERT_NE(file, nullptr);
        char chunk[4096];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
            bytes.append(chunk, n);
        std::fclose(file);
    }
    const size_t header
        = static_cast<unsigned char>(bytes[8]) | (static_cast<unsigned char>(bytes[9]) << 8);
    const size_t length
        = static_cast<unsigned char>(bytes[10]) | (static_cast<unsigned char>(bytes[11]) << 8);
    for (size_t i = 0; i < texts.size(); ++i) {
        std::string text = texts[i];
        text.resize(8, '\0'); // the literals' NULs end them early
        bytes.replace(header + i * length + 1, 8, text);
    }
    {
        FILE *file = std::fopen((folder + "/nums.dbf").c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    const auto database = vfp::Database::open(folder);
    CheckAnswers("zero-tests.txt", *database,
        { "SELECT n FROM nums WHERE n <> 0", "SELECT n FROM nums WHERE n = 0",
            "SELECT n FROM nums WHERE 0 = n", "SELECT n FROM nums WHERE n <> 0.00" },
        [](const std::string &sql, bool ran) { EXPECT_TRUE(ran) << sql; });
}

// Random statements (each draw in a statement of its own: the order in which the operands of
// one expression are evaluated differs between compilers): conditions of every kind the compiled
// steps take or leave to per-row evaluation, constants that are too long, padded, empty or not
// ASCII, type mismatches, joins, ordering and DISTINCT.
class StatementMaker
{
public:
    explicit StatementMaker(unsigned seed)
        : m_random(seed)
    { }

    std::string make()
    {
        const bool join = chance(50);
        const bool distinct = chance(10);
        std::vector<std::string> columns;
        std::string sql = distinct ? "SELECT DISTINCT " : "SELECT ";
        if (chance(10)) {
            sql += "*";
        } else {
            const int count = 1 + number(0, 5);
            for (int i = 0; i < count; ++i) {
                std::string column = pick(join ? joinedColumns() : ledgerColumns());
                columns.push_back(column);
                sql += (i ? ", " : "") + column;
            }
        }
        sql += " FROM z_stran";
        if (join) {
            sql += chance(70) ? " LEFT JOIN" : " JOIN";
            sql += " z_sname ON sn_account = st_account LEFT JOIN z_st_zrq ON id = st_id";
        }
        const int conditions = number(0, 4);
        for (int i = 0; i < conditions; ++i)
            sql += (i ? " AND " : " WHERE ") + condition(join);
        if (!columns.empty() && chance(50)) {
            const bool descending = chance(30);
            const int ordinal = number(1, static_cast<int>(columns.size()));
            sql += " ORDER BY " + std::to_string(ordinal) + (descending ? " DESC" : "");
        }
        return sql;
    }

private:
    bool chance(int percent) { return number(0, 99) < percent; }
    int number(int low, int high) { return Draw(m_random, low, high); }
    std::string pick(const std::vector<std::string> &from)
    {
        return from[static_cast<size_t>(number(0, static_cast<int>(from.size()) - 1))];
    }
    std::string text()
    {
        // Prefixes of stored texts, which = takes as equal, as well as the stored texts.
        static const std::vector<std::string> prefixes = { "C0", "C00001", "C00001  ", "c0", "INV1",
            "INV100001", "CRN1", "Ö", "Ölf", "P", "€", "INV1000011234" };
        std::string t = chance(40) ? pick(prefixes) : pick(Texts());
        if (chance(10))
            t += "  ";
        return "'" + t + "'";
    }

    static const std::vector<std::string> &ledgerColumns()
    {
        static const std::vector<std::string> columns
            = { "st_account", "st_trdate", "st_trref", "st_custref", "st_trtype", "st_trvalue",
                  "st_vatval", "st_trbal", "st_paid", "st_memo", "st_note", "st_qty", "st_flag",
                  "st_done", "st_when", "id", "UPPER(st_note)", "st_trvalue * 2",
                  "CAST(st_memo AS C(8))", "CAST(st_memo AS C(40))", "st_trtype + st_note" };
        return columns;
    }
    static const std::vector<std::string> &joinedColumns()
    {
        static std::vector<std::string> columns = [] {
            std::vector<std::string> all = ledgerColumns();
            for (const char *c : { "sn_name", "sn_email", "sn_docmail", "st_zrqtag",
                     "IIF(ISNULL(st_zrqsent),.f.,st_zrqsent)" })
                all.push_back(c);
            return all;
        }();
        return columns;
    }

    std::string condition(bool join)
    {
        const std::vector<std::string> comparisons = { "=", "==", "<>", "<", ">=", "!=" };
        const std::vector<std::string> texts
            = { "st_account", "st_trtype", "st_note", "st_trref", "st_paid" };
        const std::vector<std::string> numbers = { "st_trvalue", "st_trbal", "st_qty", "id" };
        switch (number(0, join ? 13 : 11)) {
        case 0: {
            const std::string constant = text();
            const std::string comparison = pick(comparisons);
            return pick(texts) + " " + comparison + " " + constant;
        }
        case 1: {
            const std::string field = pick(texts);
            const std::string comparison = pick(comparisons);
            return text() + " " + comparison + " " + field;
        }
        case 2: {
            const bool negated = chance(30);
            std::string in = pick(texts) + (negated ? " NOT IN (" : " IN (");
            const int count = number(1, 3);
            for (int i = 0; i < count; ++i)
                in += (i ? "," : "") + text();
            return in + ")";
        }
        case 3: {
            const std::vector<std::string> constants
                = { "0", "1", "-1", "2.5", "12.345", "0.00", "100", "2147483647", "6" };
            const std::string constant = pick(constants);
            const std::string comparison = pick(comparisons);
            return pick(numbers) + " " + comparison + " " + constant;
        }
        case 4: {
            const std::string field = pick(numbers);
            const std::string comparison = pick(comparisons);
            return pick({ "0", "5", "1.5" }) + " " + comparison + " " + field;
        }
        case 5:
            return pick({ "st_flag", "st_done", "!st_flag", "!st_done", "NOT st_flag",
                "st_flag = .T.", "st_done <> .F.", "st_done = .F.", "st_flag == .F.",
                "st_flag <> .T.", ".T. = st_done", "st_flag < .T." });
        case 6:
            return pick({ "RIGHT(st_memo,4)=='.PDF'", "RIGHT(st_memo,4)='.PDF'", "EMPTY(st_memo)",
                "!EMPTY(st_custref)", "ISNULL(st_trbal)", "st_note IS NULL",
                "RIGHT(st_memo,2) <> 'DF'", "RIGHT(st_memo,0) = ''", "'.PDF' == RIGHT(st_memo,4)",
                "RIGHT(st_memo,40) == " + text(), "RIGHT(st_memo,3) = " + text(), "EMPTY(st_note)",
                "!EMPTY(st_trref)", "NOT EMPTY(st_paid)" });
        case 7: // mismatched families: the same error either way
            return pick({ "st_trtype = 5", "st_trvalue = 'A'", "st_flag = 1", "st_qty IN ('a')",
                "st_account > 3" });
        case 8:
            return pick({ "st_trdate >= st_trdate", "dtos(st_trdate) >= '20200101'",
                "st_trvalue > st_vatval", "st_trtype $ 'IC'", "dtos(st_trdate) < '2020'",
                "dtos(st_trdate) = '202001'", "dtos(st_trdate) <> '20200105'",
                "'20200110' >= DTOS(st_trdate)", "dtos(st_trdate) == '20200105  '",
                "dtos(st_trdate) = ''" });
        case 9:
            return pick({ ".T.", ".F.", "1 = 1", "'A' = 'A'" });
        case 10: {
            const std::string second = condition(join);
            return "(" + condition(join) + " OR " + second + ")";
        }
        case 11: {
            const std::string pattern = pick({ "A", "É", "1", "", "C_0" });
            const std::string like = pick({ " LIKE '%", " NOT LIKE '%", " LIKE '" });
            return pick({ "UPPER(st_custref)", "UPPER(st_note)", "UPPER(st_memo)" }) + like
                + pattern + "%'";
        }
        case 12:
            return pick({ "sn_docmail >= 8", "sn_docmail < 8", "sn_name = 'Customer'",
                "UPPER(sn_name) LIKE '%" + pick({ "C", "Ö", "" }) + "%'", "EMPTY(sn_email)",
                "!EMPTY(sn_email)" });
        default:
            return pick(
                { "!IIF(ISNULL(st_zrqsent),.f.,st_zrqsent)", "st_zrqtag", "ISNULL(st_zrqprnt)" });
        }
    }

    std::mt19937 m_random;
};

TEST(Differential, RandomStatementsGiveTheReferenceAnswers)
{
    int ran = 0, statements = 0;
    for (unsigned seed : { 1u, 2u }) {
        Company company(seed, 1500 + 900 * seed);
        StatementMaker maker(seed * 1000 + 3);
        std::vector<std::string> sql;
        for (int i = 0; i < 1500; ++i)
            sql.push_back(maker.make());
        CheckAnswers("random-" + std::to_string(seed) + ".txt", company.database(), sql,
            [&](const std::string &, bool done) {
                ++statements;
                ran += done ? 1 : 0;
            });
    }
    // Most statements are valid: the comparison is of rows, not of errors.
    EXPECT_GT(ran, statements / 2);
}

} // namespace
