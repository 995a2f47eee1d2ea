#include "platform/database/vfp/DbfTable.h"

#include "platform/database/vfp/FieldCodec.h"
#include "platform/database/vfp/Locking.h"
#include "platform/database/vfp/PathMapping.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace vfp {

namespace {

// A scan's reads: big enough that the calls cost little, small enough that the records read
// stay in the processor's nearer caches, beside the joins' hashes, until the scan tests them.
constexpr size_t kReadAhead = 128 << 10;
constexpr size_t kSparseRead = 4096;

std::unique_ptr<FileIo> OpenShared(const std::string &path)
{
    try {
        return OpenFile(path, FileMode::ReadWrite);
    } catch (const Error &) {
        return OpenFile(path, FileMode::ReadOnly);
    }
}

void PutLe32(char *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

} // namespace

DbfTable::DbfTable(
    std::string name, std::unique_ptr<FileIo> dbf, CompanionOpener companions, std::string stem)
    : m_name(std::move(name))
    , m_stem(std::move(stem))
    , m_dbf(std::move(dbf))
    , m_companions(std::move(companions))
    , m_header(DbfHeader::read(*m_dbf))
{
    m_codePage = &CodePage::forMark(m_header.codePageMark, m_header.version);
    for (const FieldLayout &f : m_header.fields)
        m_fields.push_back(f.info);
    refreshCount();
}

std::shared_ptr<DbfTable> DbfTable::openPath(const std::string &pathText, std::string name)
{
    const std::string path = MapHostPath(pathText);
    if (!FileExists(path))
        throw Error("File " + pathText + " does not exist");
    if (name.empty())
        name = BaseName(path);
    const std::string stem = JoinPath(ParentFolder(path), BaseName(path));
    // A database container keeps its memo in .dct and its index in .dcx.
    const bool container = path.size() > 4 && AsciiUpper(path.substr(path.size() - 4)) == ".DBC";
    auto opener = [stem, container](const std::string &extension) -> std::unique_ptr<FileIo> {
        std::string ext = extension;
        if (container)
            ext = extension == ".cdx" ? ".dcx" : ".dct";
        const std::string companion = MapHostPath(stem + ext);
        if (!FileExists(companion))
            return nullptr;
        return OpenShared(companion);
    };
    return std::make_shared<DbfTable>(
        std::move(name), OpenShared(path), opener, container ? std::string() : stem);
}

std::shared_ptr<Table> DbfTable::openReader() const
{
    // A file that no longer opens, or a table restructured since this one was opened (which
    // would decode differently), gives no reader: the caller reads through this table instead.
    std::shared_ptr<DbfTable> reader;
    try {
        std::unique_ptr<FileIo> file = m_dbf->reopenForReading();
        if (!file)
            return nullptr;
        reader = std::make_shared<DbfTable>(m_name, std::move(file), m_companions);
    } catch (const Error &) {
        return nullptr;
    }
    if (reader->m_header.headerLength != m_header.headerLength
        || reader->m_header.recordLength != m_header.recordLength
        || reader->m_header.fields.size() != m_header.fields.size())
        return nullptr;
    reader->m_fields = m_fields;
    return reader;
}

int DbfTable::fieldIndex(std::string_view name) const
{
    const std::string wanted = AsciiUpper(name);
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name == wanted)
            return static_cast<int>(i);
    for (size_t i = 0; i < m_header.fields.size(); ++i)
        if (m_header.fields[i].info.name == wanted)
            return static_cast<int>(i);
    return -1;
}

void DbfTable::setLongFieldNames(const std::vector<std::string> &names)
{
    for (size_t i = 0; i < names.size() && i < m_fields.size(); ++i)
        if (!names[i].empty())
            m_fields[i].name = AsciiUpper(names[i]);
    m_plans.reset();
}

void DbfTable::refreshCount() const
{
    unsigned char count[4];
    m_dbf->readExact(4, count, 4, "the record count");
    const uint32_t stated = static_cast<uint32_t>(count[0]) | (static_cast<uint32_t>(count[1]) << 8)
        | (static_cast<uint32_t>(count[2]) << 16) | (static_cast<uint32_t>(count[3]) << 24);
    // The count is read before the size: writers put a record in place before they count it,
    // so a healthy file is never seen holding fewer records than its header counts. One that
    // does (a copy cut short, a file that ends inside a record) is refused rather than read as
    // far as it goes, which would pass a partial ledger off as the whole.
    const uint64_t size = m_dbf->size();
    const uint64_t len = m_header.recordLength;
    const uint64_t present
        = size > m_header.headerLength ? (size - m_header.headerLength) / len : 0;
    if (stated > present) {
        // One byte over whole records is the end-of-file mark.
        const bool partial
            = size > m_header.headerLength && (size - m_header.headerLength) % len > 1;
        throw Error("Table " + m_name + " has become corrupted: its header counts "
            + std::to_string(stated) + " records but the file "
            + (partial ? "ends inside record " + std::to_string(present + 1)
                       : "holds " + std::to_string(present)));
    }
    m_recordCount = stated;
    m_cacheCount = 0;
    if (m_memo)
        m_memo->refresh();
}

uint32_t DbfTable::recordCount() const
{
    refreshCount();
    return m_recordCount;
}

const char *DbfTable::recordPointer(uint32_t recno) const
{
    if (recno >= m_cacheFirst && recno < m_cacheFirst + m_cacheCount)
        return m_cache.data() + static_cast<size_t>(recno - m_cacheFirst) * m_header.recordLength;
    if (recno == 0 || recno > m_recordCount) {
        const uint32_t before = m_recordCount;
        refreshCount();
        if (recno == 0 || recno > m_recordCount)
            throw Error("Record " + std::to_string(recno) + " is out of range of table " + m_name
                + " (" + std::to_string(before) + " records)");
    }
    const size_t len = m_header.recordLength;
    // A scan (from the first record, or on from the last block) reads far ahead; a jump
    // elsewhere, as an index lookup makes, reads a few kilobytes.
    const size_t ahead = (recno == 1 || recno == m_readEnd) ? kReadAhead : kSparseRead;
    const uint32_t window = static_cast<uint32_t>(std::max<size_t>(1, ahead / len));
    const uint32_t count = std::min(window, m_recordCount - recno + 1);
    m_cache.resize(static_cast<size_t>(count) * len);
    const uint64_t at = m_header.headerLength + static_cast<uint64_t>(recno - 1) * len;
    const size_t got = m_dbf->read(at, m_cache.data(), m_cache.size());
    m_cacheFirst = recno;
    m_cacheCount = static_cast<uint32_t>(got / len);
    m_readEnd = recno + m_cacheCount;
    if (m_cacheCount == 0)
        throw Error("Record " + std::to_string(recno) + " lies past the end of " + m_dbf->path());
    return m_cache.data();
}

std::string_view DbfTable::recordBytes(uint32_t recno) const
{
    return std::string_view(recordPointer(recno), m_header.recordLength);
}

bool DbfTable::isDeleted(uint32_t recno) const
{
    return *recordPointer(recno) == '*';
}

Value DbfTable::value(uint32_t recno, int field) const
{
    Value value;
    readValue(recno, field, value);
    return value;
}

void DbfTable::readValue(uint32_t recno, int field, Value &into) const
{
    decodeField(recordPointer(recno), field, into);
}

void DbfTable::decodeField(const char *record, int field, Value &into) const
{
    if (field < 0 || static_cast<size_t>(field) >= m_header.fields.size())
        throw Error("Field number " + std::to_string(field) + " is out of range");
    const FieldLayout &f = m_header.fields[static_cast<size_t>(field)];
    if (!IsMemoType(f.info.type) || MemoPointer(m_header, f, record) == 0) {
        DecodeFieldInto(m_header, f, record, *m_codePage, nullptr, into);
        return;
    }
    MemoFile *memoFile = memo();
    if (!memoFile)
        throw Error("Memo file of table " + m_name + " is missing");
    try {
        DecodeFieldInto(m_header, f, record, *m_codePage, memoFile, into);
    } catch (const Error &error) {
        throw Error("Table " + m_name + " has become corrupted: field "
            + m_fields[static_cast<size_t>(field)].name + ": " + error.what());
    }
}

template <typename Read> bool DbfTable::readMemoOf(const char *record, int field, Read &&read) const
{
    if (field < 0 || static_cast<size_t>(field) >= m_header.fields.size())
        return false;
    const FieldLayout &f = m_header.fields[static_cast<size_t>(field)];
    if (f.info.type != 'M')
        return false;
    const uint32_t block = MemoPointer(m_header, f, record);
    if (block == 0) {
        read(nullptr, 0);
        return true;
    }
    MemoFile *memoFile = memo();
    if (!memoFile)
        throw Error("Memo file of table " + m_name + " is missing");
    try {
        read(memoFile, block);
    } catch (const Error &error) {
        throw Error("Table " + m_name + " has become corrupted: field "
            + m_fields[static_cast<size_t>(field)].name + ": " + error.what());
    }
    return true;
}

bool DbfTable::memoPart(
    const char *record, int field, size_t count, bool fromEnd, std::string &bytes) const
{
    return readMemoOf(record, field, [&](const MemoFile *file, uint32_t block) {
        if (file)
            bytes = file->readPart(block, count, fromEnd);
        else
            bytes.clear();
    });
}

bool DbfTable::memoText(const char *record, int field, std::string_view &bytes) const
{
    return readMemoOf(record, field, [&](const MemoFile *file, uint32_t block) {
        bytes = file ? file->view(block) : std::string_view();
    });
}

std::string_view DbfTable::recordBlock(uint32_t first, uint32_t wanted) const
{
    if (wanted == 0)
        return {};
    const char *record = recordPointer(first);
    const uint32_t held = m_cacheFirst + m_cacheCount - first;
    return std::string_view(
        record, static_cast<size_t>(std::min(held, wanted)) * m_header.recordLength);
}

std::optional<Table::FieldPlace> DbfTable::fieldPlace(int field) const
{
    if (field < 0 || static_cast<size_t>(field) >= m_header.fields.size())
        return std::nullopt;
    const FieldLayout &f = m_header.fields[static_cast<size_t>(field)];
    FieldPlace place;
    place.offset = f.offset;
    place.width = static_cast<size_t>(f.info.length);
    if (f.nullBit >= 0 && m_header.nullFlagsOffset >= 0) {
        place.nullByte = m_header.nullFlagsOffset + f.nullBit / 8;
        place.nullMask = static_cast<uint8_t>(1u << (f.nullBit % 8));
    }
    return place;
}

MemoFile *DbfTable::memo() const
{
    if (!m_memoTried) {
        m_memoTried = true;
        const std::string ext = m_header.memoExtension();
        auto file = m_companions ? m_companions(ext) : nullptr;
        if (file) {
            MemoFile::Format format = MemoFile::Format::Fpt;
            if (ext == ".dbt")
                format = m_header.version == 0x83 ? MemoFile::Format::Dbt3 : MemoFile::Format::Dbt4;
            m_memo = std::make_unique<MemoFile>(std::move(file), format);
        }
    }
    return m_memo.get();
}

void DbfTable::checkMemoWritable() const
{
    const MemoFile *m = memo();
    if (!m)
        throw Error("Memo file of table " + m_name + " is missing");
    if (m->format() != MemoFile::Format::Fpt)
        throw Error("Table " + m_name + " has a dBase memo file, which this engine does not write");
}

MemoFile &DbfTable::writableMemo()
{
    checkMemoWritable();
    return *memo();
}

CdxFile *DbfTable::index() const
{
    if (!m_indexTried) {
        m_indexTried = true;
        if (m_header.flags & kFlagStructuralIndex) {
            auto file = m_companions ? m_companions(".cdx") : nullptr;
            if (file)
                m_index = std::make_unique<CdxFile>(std::move(file));
        }
    }
    return m_index.get();
}

std::vector<IndexTag> DbfTable::indexTags() const
{
    std::vector<IndexTag> out;
    if (CdxFile *cdx = index())
        for (const CdxTag &t : cdx->tags())
            out.push_back(t.tag);
    return out;
}

const std::vector<DbfTable::TagPlan> &DbfTable::plans() const
{
    if (m_plans)
        return *m_plans;
    std::vector<TagPlan> plans;
    // Expressions in a container's tables may use the long field names.
    DbfHeader longNames = m_header;
    for (size_t i = 0; i < longNames.fields.size(); ++i)
        longNames.fields[i].info.name = m_fields[i].name;
    if (CdxFile *cdx = index()) {
        for (const CdxTag &t : cdx->tags()) {
            TagPlan p;
            p.tag = t;
            const std::string text = t.tag.keyExpression + " " + t.tag.forExpression;
            p.fields = FieldsNamedIn(text, m_header);
            for (int f : FieldsNamedIn(text, longNames))
                if (std::find(p.fields.begin(), p.fields.end(), f) == p.fields.end())
                    p.fields.push_back(f);
            p.key = KeyExpression::parse(t.tag.keyExpression, m_header, p.why);
            if (!p.key) {
                std::string why;
                p.key = KeyExpression::parse(t.tag.keyExpression, longNames, why);
                if (p.key)
                    p.why.clear();
            }
            p.condition = ParseForCondition(t.tag.forExpression);
            if (p.key && p.key->length() != t.keyLength)
                p.why = "its key length " + std::to_string(t.keyLength)
                    + " differs from the expression's";
            else if (p.condition == ForCondition::Unsupported)
                p.why = "FOR " + t.tag.forExpression;
            else if (t.tag.unique)
                p.why = "it is a UNIQUE tag";
            else if (t.tag.descending)
                p.why = "it is DESCENDING";
            else if (t.options & kCdxNullable)
                p.why = "its key accepts nulls";
            plans.push_back(std::move(p));
        }
    }
    m_plans = std::move(plans);
    return *m_plans;
}

char DbfTable::padFor(const CdxTag &tag) const
{
    for (const TagPlan &p : plans())
        if (p.tag.headerOffset == tag.headerOffset)
            return (!p.key || p.key->isCharacter()) ? ' ' : '\0';
    return ' ';
}

bool DbfTable::included(const TagPlan &plan, const char *record) const
{
    switch (plan.condition) {
    case ForCondition::NotDeleted:
        return record[0] != '*';
    case ForCondition::Deleted:
        return record[0] == '*';
    default:
        return true;
    }
}

std::optional<std::string> DbfTable::keyFor(const CdxTag &tag, const char *record) const
{
    for (const TagPlan &p : plans()) {
        if (p.tag.headerOffset != tag.headerOffset)
            continue;
        if (!p.key || !p.why.empty())
            throw Error("Index tag " + tag.tag.name + " (" + tag.tag.keyExpression
                + ") cannot be evaluated: " + p.why);
        if (!included(p, record))
            return std::nullopt;
        return p.key->evaluate(record, m_header, *m_codePage);
    }
    throw Error("No index tag " + tag.tag.name);
}

void DbfTable::requireWritable() const
{
    if (!m_dbf->writable())
        throw Error("Table " + m_name + " is read-only");
}

void DbfTable::checkWritable(const std::vector<int> &fields) const
{
    requireWritable();
    for (const TagPlan &p : plans()) {
        const bool touched = std::any_of(fields.begin(), fields.end(), [&](int f) {
            return std::find(p.fields.begin(), p.fields.end(), f) != p.fields.end();
        });
        if (!touched && !p.fields.empty())
            continue;
        if (!p.key || !p.why.empty())
            throw Error("Table " + m_name + " cannot be changed: index tag " + p.tag.tag.name
                + " on \"" + p.tag.tag.keyExpression + "\" cannot be maintained by this engine ("
                + p.why + ")");
    }
    if (index() && !index()->file().writable())
        throw Error("Index file of table " + m_name + " is read-only");
}

uint32_t DbfTable::append(const FieldValues &values)
{
    std::vector<int> all(m_header.fields.size());
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<int>(i);
    checkWritable(all);
    checkIndexOnce();

    const size_t len = m_header.recordLength;
    std::string record = blankRecord();
    std::vector<std::pair<size_t, std::string>> memos;
    encodeChanges(values, record.data(), memos);

    ScopedLock headerLock(*m_dbf, kTableHeaderLock, "table header");
    const DbfHeader now = DbfHeader::read(*m_dbf);
    if (now.recordLength != m_header.recordLength || now.headerLength != m_header.headerLength)
        throw Error("The structure of table " + m_name + " changed; open it again");

    for (size_t i = 0; i < m_header.fields.size(); ++i) {
        const FieldLayout &f = now.fields[i];
        if (!f.info.autoIncrement)
            continue;
        EncodeField(now, f, Value::integer(static_cast<int32_t>(f.autoIncrementNext)), *m_codePage,
            record.data());
    }
    // Under the header lock every other writer has finished its record before its count, so a
    // count past the end of the file is damage: appending there would leave a hole of garbage.
    const uint64_t present = (m_dbf->size() - now.headerLength) / now.recordLength;
    if (now.recordCount > present)
        throw Error("Table " + m_name + " is damaged: its header counts "
            + std::to_string(now.recordCount) + " records but the file holds "
            + std::to_string(present));
    const uint32_t recno = now.recordCount + 1;

    // Keys first: a candidate key that is already there refuses the record before any write.
    std::vector<std::pair<const TagPlan *, std::string>> keys;
    for (const TagPlan &p : plans())
        if (included(p, record.data()))
            keys.emplace_back(&p, p.key->evaluate(record.data(), m_header, *m_codePage));
    // The index lock is held from the uniqueness check to the last insertion and taken before
    // anything is written, so a busy index refuses the record whole.
    std::optional<ScopedLock> indexLock;
    if (!keys.empty()) {
        indexLock.emplace(index()->file(), kIndexLock, "index");
        for (const auto &[plan, key] : keys)
            if (plan->tag.tag.candidate && index()->containsKey(plan->tag, key, padFor(plan->tag)))
                throw Error("Uniqueness of index " + plan->tag.tag.name + " is violated");
    }

    for (auto &[index, bytes] : memos)
        PutMemoPointer(
            m_header, m_header.fields[index], record.data(), writableMemo().append(bytes));

    for (size_t i = 0; i < m_header.fields.size(); ++i) {
        const FieldLayout &f = now.fields[i];
        if (!f.info.autoIncrement)
            continue;
        char next[4];
        PutLe32(next, f.autoIncrementNext + f.autoIncrementStep);
        m_dbf->write(32 + 32 * i + 19, next, 4);
    }
    // The record, then the count that makes it part of the table, then its keys: a writer
    // killed between any two steps leaves at worst a record without its keys (which the
    // check of an own table's index restores), never a key on a record number that the next
    // append fills with another record.
    record.push_back('\x1A');
    m_dbf->write(m_header.headerLength + static_cast<uint64_t>(now.recordCount) * len, record);
    record.pop_back();

    DbfHeader stamp = now;
    StampToday(stamp);
    char head[8];
    head[0] = static_cast<char>(stamp.year);
    head[1] = static_cast<char>(stamp.month);
    head[2] = static_cast<char>(stamp.day);
    PutLe32(head + 3, recno);
    m_dbf->write(1, head, 7);
    m_recordCount = recno;
    m_cacheCount = 0;

    for (const auto &[plan, key] : keys)
        index()->insert(plan->tag, padFor(plan->tag), { key, recno });
    return recno;
}

void DbfTable::encodeChanges(const FieldValues &changes, char *record,
    std::vector<std::pair<size_t, std::string>> &memos) const
{
    for (const auto &[index, v] : changes) {
        if (index < 0 || static_cast<size_t>(index) >= m_header.fields.size())
            throw Error("Field number " + std::to_string(index) + " is out of range");
        const FieldLayout &f = m_header.fields[static_cast<size_t>(index)];
        if (f.info.autoIncrement)
            throw Error("Field " + f.info.name + " is read-only: it numbers itself");
        if (IsMemoType(f.info.type) && !v.isNull()) {
            memos.emplace_back(static_cast<size_t>(index), EncodeMemoText(f, v, *m_codePage));
            if (memos.back().second.size() > MemoFile::MaxLength)
                throw Error("The memo for field " + f.info.name + " is too long");
            SetNullInRecord(m_header, f, record, false);
        } else {
            EncodeField(m_header, f, v, *m_codePage, record);
        }
    }
    if (!memos.empty())
        checkMemoWritable();
}

std::string DbfTable::blankRecord() const
{
    std::string record(m_header.recordLength, ' ');
    for (const FieldLayout &f : m_header.fields)
        BlankField(f, record.data());
    if (m_header.nullFlagsOffset >= 0)
        std::memset(record.data() + m_header.nullFlagsOffset, 0,
            static_cast<size_t>(m_header.nullFlagsLength));
    return record;
}

void DbfTable::checkChanges(const FieldValues &changes) const
{
    std::string record = blankRecord();
    std::vector<std::pair<size_t, std::string>> memos;
    encodeChanges(changes, record.data(), memos);
}

void DbfTable::update(uint32_t recno, const FieldValues &changes)
{
    if (changes.empty())
        return;
    std::vector<int> touched;
    for (const auto &change : changes)
        touched.push_back(change.first);
    checkWritable(touched);
    checkIndexOnce();
    if (recno == 0 || recno > m_recordCount)
        refreshCount();
    if (recno == 0 || recno > m_recordCount)
        throw Error("Record " + std::to_string(recno) + " is out of range of table " + m_name);

    const size_t len = m_header.recordLength;
    const uint64_t at = m_header.headerLength + static_cast<uint64_t>(recno - 1) * len;
    ScopedLock recordLock(*m_dbf, RecordLockOffset(recno), "record");
    std::string before(len, '\0');
    m_dbf->readExact(at, before.data(), len, "the record");
    std::string after = before;
    std::vector<std::pair<size_t, std::string>> memos;
    encodeChanges(changes, after.data(), memos);

    struct KeyChange
    {
        const TagPlan *plan;
        std::optional<std::string> before, after;
    };
    std::vector<KeyChange> keyChanges;
    for (const TagPlan &p : plans()) {
        const bool affected = std::any_of(touched.begin(), touched.end(), [&](int f) {
            return std::find(p.fields.begin(), p.fields.end(), f) != p.fields.end();
        });
        if (!affected)
            continue;
        KeyChange k { &p, {}, {} };
        if (included(p, before.data()))
            k.before = p.key->evaluate(before.data(), m_header, *m_codePage);
        if (included(p, after.data()))
            k.after = p.key->evaluate(after.data(), m_header, *m_codePage);
        if (k.before != k.after)
            keyChanges.push_back(std::move(k));
    }
    std::optional<ScopedLock> indexLock;
    if (!keyChanges.empty()) {
        indexLock.emplace(index()->file(), kIndexLock, "index");
        for (const KeyChange &k : keyChanges)
            if (k.after && k.plan->tag.tag.candidate
                && index()->containsKey(k.plan->tag, *k.after, padFor(k.plan->tag)))
                throw Error("Uniqueness of index " + k.plan->tag.tag.name + " is violated");
    }

    for (auto &[index, bytes] : memos)
        PutMemoPointer(
            m_header, m_header.fields[index], after.data(), writableMemo().append(bytes));

    if (!keyChanges.empty()) {
        for (const KeyChange &k : keyChanges) {
            const char pad = padFor(k.plan->tag);
            if (k.before)
                index()->remove(k.plan->tag, pad, { *k.before, recno });
            if (k.after)
                index()->insert(k.plan->tag, pad, { *k.after, recno });
        }
    }

    // Only the bytes of the fields named, and the null-flag bytes, are written.
    std::vector<std::pair<size_t, size_t>> ranges;
    for (const auto &change : changes) {
        const FieldLayout &f = m_header.fields[static_cast<size_t>(change.first)];
        ranges.emplace_back(f.offset, static_cast<size_t>(f.info.length));
    }
    if (m_header.nullFlagsOffset >= 0)
        ranges.emplace_back(
            m_header.nullFlagsOffset, static_cast<size_t>(m_header.nullFlagsLength));
    for (const auto &[offset, size] : ranges)
        if (std::memcmp(before.data() + offset, after.data() + offset, size) != 0)
            m_dbf->write(at + offset, after.data() + offset, size);

    if (recno >= m_cacheFirst && recno < m_cacheFirst + m_cacheCount)
        std::memcpy(
            m_cache.data() + static_cast<size_t>(recno - m_cacheFirst) * len, after.data(), len);
}

} // namespace vfp
