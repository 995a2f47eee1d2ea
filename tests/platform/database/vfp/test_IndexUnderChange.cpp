// The index while something else happens to the table: a writer that dies between any two
// writes of an append, an own table whose index is checked before its first write, and a seek
// whose pages change under it.

#include "VfpTestSupport.h"

#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/DbfTable.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

using namespace vfptest;
using vfp::Value;

namespace {

// Stands for the end of a killed process: nothing in the engine catches it.
struct Killed
{ };

// The bytes of one file, shared by every handle on it as the page cache shares a file between
// processes.
class SharedFile final : public vfp::FileIo
{
public:
    SharedFile(std::string name, std::shared_ptr<std::string> bytes)
        : m_name(std::move(name))
        , m_bytes(std::move(bytes))
    { }

    // Writes left before this handle's process dies (negative: never).
    std::shared_ptr<int> writesLeft;
    // Called on each read with its number (from 1); may change the bytes in the middle of the
    // read, which then returns one half from before the change and the other from after:
    // Ahead when the reader copied its first half before the writer came, Behind when the
    // writer's bytes overtook the reader's copy in the first half.
    enum class Tear { None, Ahead, Behind };
    std::function<Tear(int)> tearRead;

    const std::string &path() const override { return m_name; }
    uint64_t size() const override { return m_bytes->size(); }
    size_t read(uint64_t offset, void *buffer, size_t len) const override
    {
        if (offset >= m_bytes->size())
            return 0;
        const size_t n = std::min<uint64_t>(len, m_bytes->size() - offset);
        char *out = static_cast<char *>(buffer);
        std::memcpy(out, m_bytes->data() + offset, n);
        const Tear tear = tearRead ? tearRead(++m_reads) : Tear::None;
        const size_t half = n / 2;
        if (tear == Tear::Ahead)
            std::memcpy(out + half, m_bytes->data() + offset + half, n - half);
        else if (tear == Tear::Behind)
            std::memcpy(out, m_bytes->data() + offset, half);
        return n;
    }
    void write(uint64_t offset, const void *data, size_t len) override
    {
        if (writesLeft && *writesLeft >= 0 && (*writesLeft)-- == 0)
            throw Killed {};
        if (m_bytes->size() < offset + len)
            m_bytes->resize(offset + len, '\0');
        std::memcpy(m_bytes->data() + offset, data, len);
    }
    void truncate(uint64_t size) override { m_bytes->resize(size); }
    bool writable() const override { return true; }
    bool tryLock(uint64_t, uint64_t) override { return true; }
    void unlock(uint64_t, uint64_t) override { }

private:
    std::string m_name;
    std::shared_ptr<std::string> m_bytes;
    mutable int m_reads = 0;
};

// A table's .dbf and .cdx held in memory.
struct Files
{
    std::shared_ptr<std::string> dbf, cdx;

    Files copy() const
    {
        return { std::make_shared<std::string>(*dbf), std::make_shared<std::string>(*cdx) };
    }

    // A handle as one process would open the table.
    std::shared_ptr<vfp::DbfTable> open(std::shared_ptr<int> writesLeft = {},
        std::function<SharedFile::Tear(int)> tearIndexRead = {}) const
    {
        auto table = std::make_unique<SharedFile>("t.dbf", dbf);
        table->writesLeft = writesLeft;
        auto index = cdx;
        auto opener = [index, writesLeft, tearIndexRead](
                          const std::string &ext) -> std::unique_ptr<vfp::FileIo> {
            if (ext != ".cdx")
                return nullptr;
            auto file = std::make_unique<SharedFile>("t.cdx", index);
            file->writesLeft = writesLeft;
            file->tearRead = tearIndexRead;
            return file;
        };
        return std::make_shared<vfp::DbfTable>("t", std::move(table), opener);
    }
};

// The status table's layout, with `rows` records numbered 10, 20, 30...
Files StatusFiles(int rows)
{
    TempDir dir;
    const std::string path = dir.path().toStdString() + "/t.dbf";
    vfp::TableBuilder b(path,
        { { "ST_ID", 'N', 10, 0, false }, { "ST_ZRQTAG", 'L', 1, 0, false },
            { "ST_ZRQSENT", 'L', 1, 0, false } });
    for (int r = 1; r <= rows; ++r)
        b.addRow({ Value::numeric(10.0 * r), Value::logical(false), Value::logical(false) });
    b.addIndexTag("ST_ZRQ1", "ST_ID");
    b.finish();
    return { std::make_shared<std::string>(ReadBytes(path)),
        std::make_shared<std::string>(ReadBytes(dir.path().toStdString() + "/t.cdx")) };
}

void Append(vfp::Table &table, double id)
{
    table.append({ { 0, Value::numeric(id) }, { 1, Value::logical(true) } });
}

} // namespace

// A writer killed before each of an append's writes in turn (on tables whose last leaf is full
// or not): a reader then finds no key on a record that holds another, nor does the next append
// create one; and the own-table check drops an uncounted record and restores the index exactly.
TEST(IndexUnderChange, AppendKilledBetweenAnyTwoWritesLeavesNoKeyOnAWrongRecord)
{
    const Files base = StatusFiles(0);
    int splits = 0;
    for (int rows = 1; rows <= 400; ++rows) {
        Append(*base.open(), 10.0 * rows);
        const Files trial = base.copy();
        Append(*trial.open(), 10.0 * rows + 5);
        const bool split = trial.cdx->size() != base.cdx->size();
        if (rows % 50 != 1 && !split)
            continue;
        splits += split;
        bool finished = false;
        for (int stopAt = 0; !finished; ++stopAt) {
            SCOPED_TRACE(
                "rows " + std::to_string(rows) + ", killed before write " + std::to_string(stopAt));
            const Files files = base.copy();
            try {
                Append(*files.open(std::make_shared<int>(stopAt)), 10.0 * rows + 5);
                finished = true;
            } catch (const Killed &) { }
            ExpectEveryKeyOnItsRecord(*files.open());
            const Files next = files.copy();
            Append(*next.open(), 10.0 * rows + 7);
            ExpectEveryKeyOnItsRecord(*next.open());

            // The own-table check leaves the file ending at its counted records and the index
            // holding exactly their keys.
            auto own = files.open();
            own->markOwnTable();
            own->update(1, { { 2, Value::logical(true) } });
            const auto reopened = files.open();
            const auto &h = reopened->header();
            EXPECT_EQ(files.dbf->size(),
                h.headerLength + size_t { reopened->recordCount() } * h.recordLength + 1);
            EXPECT_EQ(files.dbf->back(), '\x1A');
            EXPECT_EQ(ExpectIndexMatchesRecords(*files.open()), 1);
            ASSERT_LT(stopAt, 40);
        }
    }
    EXPECT_GT(splits, 0) << "no append split a page";
}

// The check of a table named as the program's own: a key missing, a key on the wrong record
// and an unfinished change are each rebuilt; an index that agrees is left byte for byte; tables
// not named as own are never checked.
TEST(IndexUnderChange, OwnTableIndexIsCheckedWhenNamed)
{
    const Files base = StatusFiles(300);
    const auto damaged
        = [&](const std::function<void(vfp::DbfTable &, const vfp::CdxTag &)> &harm) {
              const Files files = base.copy();
              auto table = files.open();
              harm(*table, table->index()->tags().front());
              return files;
          };
    const std::vector<std::pair<std::string, Files>> cases = {
        { "key missing", damaged([](vfp::DbfTable &t, const vfp::CdxTag &tag) {
             t.index()->remove(tag, '\0', { *t.keyFor(tag, t.recordBytes(150).data()), 150 });
         }) },
        { "key on the wrong record", damaged([](vfp::DbfTable &t, const vfp::CdxTag &tag) {
             t.index()->insert(tag, '\0', { *t.keyFor(tag, t.recordBytes(7).data()), 8 });
         }) },
        { "change unfinished", damaged([](vfp::DbfTable &t, const vfp::CdxTag &tag) {
             std::string version(4, '\0');
             t.index()->file().read(tag.headerOffset + 8, version.data(), 4);
             version[3] = '\x80';
             t.index()->file().write(tag.headerOffset + 8, version);
         }) },
    };
    for (const auto &[name, files] : cases) {
        SCOPED_TRACE(name);
        const std::string before = *files.cdx;
        // A seek trusts no tag whose change did not finish, even after other writes.
        Append(*files.open(), 1.0);
        EXPECT_EQ(files.open()->seekNumber(0, Value::numeric(1500.0)).has_value(),
            name != "change unfinished");
        EXPECT_NE(*files.cdx, before);
        // Repaired on being named, before any write: the status check reads first.
        auto own = files.open();
        own->markOwnTable();
        EXPECT_EQ(ExpectIndexMatchesRecords(*files.open()), 1);
        Append(*own, 2.0);
        EXPECT_EQ(ExpectIndexMatchesRecords(*files.open()), 1);
        EXPECT_EQ(own->seekNumber(0, Value::numeric(1500.0)), std::vector<uint32_t> { 150 });
        EXPECT_FALSE(own->index()->changeUnfinished(own->index()->tags().front()));
    }

    const Files sound = base.copy();
    auto own = sound.open();
    own->markOwnTable();
    EXPECT_EQ(own->repairOwnTable(), 0);
    const std::string agreed = *sound.cdx;
    own->update(3, { { 1, Value::logical(true) } });
    EXPECT_EQ(*sound.cdx, agreed);
}

// A seek whose read of the index meets another writer's appends (splitting the leaf it reads,
// and each read torn half before, half after them) still finds exactly the record holding the
// number, or leaves the answer to a scan.
TEST(IndexUnderChange, SeekWhilePagesSplitNeitherMissesNorInvents)
{
    using Tear = SharedFile::Tear;
    const Files base = StatusFiles(2000);
    int torn = 0, answered = 0;
    for (int tornAt = 1; tornAt <= 10; ++tornAt) {
        for (const Tear tear : { Tear::Ahead, Tear::Behind }) {
            for (const double target : { 10.0, 5000.0, 19990.0, 20000.0 }) {
                SCOPED_TRACE("read " + std::to_string(tornAt)
                    + (tear == Tear::Ahead ? " ahead" : " behind") + ", seeking "
                    + std::to_string(static_cast<int>(target)));
                const Files files = base.copy();
                auto writer = files.open();
                bool armed = true;
                bool done = false;
                auto reader = files.open({}, [&](int read) {
                    if (!armed || read != tornAt)
                        return Tear::None;
                    done = true;
                    for (int d = 1; d <= 9; ++d) {
                        Append(*writer, target - d);
                        Append(*writer, target + d);
                    }
                    return tear;
                });
                const auto found = reader->seekNumber(0, Value::numeric(target));
                armed = false;
                if (!done)
                    continue; // the seek made fewer reads
                ++torn;
                if (found) {
                    ++answered;
                    EXPECT_EQ(*found, std::vector<uint32_t> { static_cast<uint32_t>(target / 10) });
                }
                EXPECT_EQ(reader->seekNumber(0, Value::numeric(target - 1)),
                    std::vector<uint32_t> { 2001 });
            }
        }
    }
    EXPECT_GT(torn, 24);
    EXPECT_EQ(answered, torn) << "a seek should answer on its second read";
}
