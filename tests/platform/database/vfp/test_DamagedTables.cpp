// Tables written by python3-dbf, then damaged or given statements that fail part-way: a damaged
// table is refused with an error naming it (and the field, for a memo) instead of read as far as
// it goes; an UPDATE that fails on any record writes nothing; a result past the memory bound
// stops the query.

#include "VfpTestSupport.h"

#include "platform/database/vfp/DbfTable.h"
#include "platform/database/vfp/sql/Executor.h"
#include "platform/database/vfp/sql/ResultSet.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace vfptest;
using vfp::sql::Execute;

namespace {

constexpr int Rows = 600;

// t.dbf and t.fpt: qty N(3,0) = record number, name C(10), notes M.
struct Ledger
{
    TempDir dir;
    std::string folder = dir.path().toStdString();
    std::string dbf = folder + "/t.dbf";
    std::string fpt = folder + "/t.fpt";
    Ledger()
    {
        RunPython(QStringLiteral("dbf_ledger.py"),
            { dir.path(), QStringLiteral("t"), QString::number(Rows) });
    }
    size_t select(const std::string &sql) const
    {
        auto db = vfp::Database::open(folder);
        return Execute(*db, sql).rows->rowCount();
    }
};

// The error a statement gives; fails the test when it succeeds.
std::string ErrorOf(const std::function<void()> &run)
{
    try {
        run();
    } catch (const vfp::Error &error) {
        return error.what();
    }
    ADD_FAILURE() << "no error";
    return {};
}

uint32_t Le32(const std::string &s, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(s[at + static_cast<size_t>(i)]);
    return v;
}

uint32_t Be32(const std::string &s, size_t at)
{
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i)
        v = v << 8 | static_cast<unsigned char>(s[at + i]);
    return v;
}

void PutLe32(std::string &s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
}

// Counts the bytes read through it.
class CountingFile final : public vfp::FileIo
{
public:
    CountingFile(std::string bytes, size_t &counter)
        : m_file("t.dbf", std::move(bytes))
        , m_counter(counter)
    { }
    const std::string &path() const override { return m_file.path(); }
    uint64_t size() const override { return m_file.size(); }
    size_t read(uint64_t offset, void *buffer, size_t len) const override
    {
        const size_t got = m_file.read(offset, buffer, len);
        m_counter += got;
        return got;
    }
    void write(uint64_t offset, const void *data, size_t len) override
    {
        m_file.write(offset, data, len);
    }
    void truncate(uint64_t size) override { m_file.truncate(size); }
    bool writable() const override { return false; }
    bool tryLock(uint64_t, uint64_t) override { return true; }
    void unlock(uint64_t, uint64_t) override { }

private:
    vfp::MemoryFile m_file;
    size_t &m_counter;
};

} // namespace

TEST(DamagedTables, ACopyCutShortIsRefusedForReadingWithoutReadingItsRecords)
{
    Ledger ledger;
    const std::string whole = ReadBytes(ledger.dbf);
    const size_t headerLength = vfp::DbfTable::openPath(ledger.dbf)->header().headerLength;
    const size_t recordLength = vfp::DbfTable::openPath(ledger.dbf)->header().recordLength;
    EXPECT_EQ(ledger.select("SELECT qty FROM t"), size_t(Rows));

    // A record written but not yet counted (an append in progress elsewhere) is no damage.
    WriteBytes(ledger.dbf, whole.substr(0, whole.size() - 1) + std::string(recordLength / 2, ' '));
    EXPECT_EQ(ledger.select("SELECT qty FROM t"), size_t(Rows));

    struct Cut
    {
        const char *name;
        size_t size;
        const char *says;
    };
    const std::vector<Cut> cuts = {
        { "at a record's end", headerLength + 400 * recordLength, "the file holds 400" },
        { "inside a record", headerLength + 400 * recordLength + 7, "ends inside record 401" },
        { "before the first record", headerLength, "the file holds 0" },
    };
    for (const Cut &cut : cuts) {
        SCOPED_TRACE(cut.name);
        WriteBytes(ledger.dbf, whole.substr(0, cut.size));
        const std::string error
            = ErrorOf([&] { ledger.select("SELECT qty FROM t WHERE qty > 0"); });
        EXPECT_NE(error.find("Table t has become corrupted"), std::string::npos) << error;
        EXPECT_NE(error.find(cut.says), std::string::npos) << error;
        EXPECT_EQ(ReadBytes(ledger.dbf), whole.substr(0, cut.size));

        // Decided from the header and the file's size alone: not one record is read.
        size_t read = 0;
        EXPECT_THROW(vfp::DbfTable("t",
                         std::make_unique<CountingFile>(whole.substr(0, cut.size), read), nullptr),
            vfp::Error);
        EXPECT_LT(read, 2 * headerLength);
    }
}

TEST(DamagedTables, AMemoPointerOutsideTheMemosNamesTableAndField)
{
    Ledger ledger;
    const std::string dbf = ReadBytes(ledger.dbf);
    const std::string fpt = ReadBytes(ledger.fpt);
    const auto table = vfp::DbfTable::openPath(ledger.dbf);
    const size_t record3 = table->header().headerLength + 2 * table->header().recordLength;
    const size_t pointerAt = record3 + table->header().fields[2].offset;
    const uint32_t block = Le32(dbf, pointerAt);
    const uint32_t blockSize = Be32(fpt, 4);
    ASSERT_GT(blockSize * block, 512u);

    struct Damage
    {
        const char *name;
        uint32_t pointer;
        std::string memoHead; // replaces the pointed-to block's first bytes when not empty
        const char *says;
    };
    const std::vector<Damage> damages = {
        { "into the header", 512 / blockSize - 1, {}, "header" },
        { "past the end", static_cast<uint32_t>(fpt.size() / blockSize + 20), {}, "past its end" },
        // The file goes on in zeros after the last block the header counts.
        { "past the next free block", Be32(fpt, 0) + 1, {}, "past its end" },
        { "to a block that is not a memo's", block, "text", "memo block header" },
    };
    for (const Damage &damage : damages) {
        SCOPED_TRACE(damage.name);
        std::string badDbf = dbf;
        PutLe32(badDbf, pointerAt, damage.pointer);
        std::string badFpt = fpt + std::string(8 * blockSize, '\0');
        if (!damage.memoHead.empty())
            badFpt.replace(static_cast<size_t>(damage.pointer) * blockSize, damage.memoHead.size(),
                damage.memoHead);
        WriteBytes(ledger.dbf, badDbf);
        WriteBytes(ledger.fpt, badFpt);
        const std::string error = ErrorOf([&] { ledger.select("SELECT qty, notes FROM t"); });
        EXPECT_NE(error.find("Table t has become corrupted: field NOTES"), std::string::npos)
            << error;
        EXPECT_NE(error.find(damage.says), std::string::npos) << error;
        // The table's other fields still read.
        EXPECT_EQ(ledger.select("SELECT qty FROM t"), size_t(Rows));
    }
}

// Conversions fail only on the 500th record matched: the files keep every byte.
TEST(DamagedTables, AnUpdateFailingOnItsLastRecordsWritesNothing)
{
    Ledger ledger;
    const std::string dbf = ReadBytes(ledger.dbf);
    const std::string fpt = ReadBytes(ledger.fpt);
    struct Case
    {
        const char *sql;
        const char *says;
    };
    const std::vector<Case> cases = {
        { "UPDATE t SET qty = qty + 500", "Numeric overflow" },
        { "UPDATE t SET name = IIF(qty = 500, 'much too long', 'short') WHERE qty > 0",
            "longer than field NAME" },
        { "UPDATE t SET notes = 'new text', qty = qty * IIF(qty = 500, 2, 1)", "Numeric overflow" },
        { "UPDATE t SET qty = IIF(qty = 500, .NULL., 1)", "null" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sql);
        auto db = vfp::Database::open(ledger.folder);
        const std::string error = ErrorOf([&] { Execute(*db, c.sql); });
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_NE(error.find("record 500"), std::string::npos) << error;
        EXPECT_EQ(ReadBytes(ledger.dbf), dbf);
        EXPECT_EQ(ReadBytes(ledger.fpt), fpt);
    }

    // One that fits everywhere changes every record, as dbfread reads them.
    auto db = vfp::Database::open(ledger.folder);
    EXPECT_EQ(Execute(*db, "UPDATE t SET qty = qty + 399").affected, Rows);
    const auto rows = DbfreadRows(ledger.dbf, "cp1252");
    ASSERT_EQ(rows.size(), size_t(Rows));
    EXPECT_EQ(rows[599][1], "N:999.000000");
}

TEST(DamagedTables, AResultPastTheMemoryBoundStopsTheQuery)
{
    Ledger ledger;
    struct Bound
    {
        Bound() { vfp::sql::SetResultBytesLimit(size_t(1) << 20); }
        ~Bound() { vfp::sql::SetResultBytesLimit(0); }
    } bound;
    // 360,000 rows of two columns: several megabytes.
    const std::string error
        = ErrorOf([&] { ledger.select("SELECT a.name, b.name FROM t a LEFT JOIN t b ON .T."); });
    EXPECT_NE(error.find("memory bound of 1 MiB"), std::string::npos) << error;
    // A result within the bound is whole.
    EXPECT_EQ(ledger.select("SELECT a.name, b.name FROM t a LEFT JOIN t b ON a.qty = b.qty"),
        size_t(Rows));
}
