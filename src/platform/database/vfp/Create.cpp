#include "platform/database/vfp/Create.h"

#include "platform/database/vfp/DatabaseContainer.h"
#include "platform/database/vfp/DbfTable.h"
#include "platform/database/vfp/FieldCodec.h"
#include "platform/database/vfp/IndexBuild.h"
#include "platform/database/vfp/PathMapping.h"

#include <cctype>
#include <cstring>

namespace vfp {

namespace {

constexpr size_t kFlushBytes = 4u << 20;
constexpr uint32_t kMemoBlock = 64;

std::string WithExtension(const std::string &path, const std::string &ext)
{
    return JoinPath(ParentFolder(path), BaseName(path)) + ext;
}

} // namespace

struct TableBuilder::Impl
{
    std::string path;
    std::string memoPath;
    std::string indexPath;
    DbfHeader header;
    const CodePage *codePage = nullptr;
    std::unique_ptr<FileIo> dbf;
    std::unique_ptr<FileIo> memo;
    uint64_t memoNext = 0; // next free block
    std::string pending; // records not yet written
    uint64_t written = 0; // bytes of records on disk
    uint32_t count = 0;
    std::vector<std::pair<std::string, std::string>> tags; // name, key expression
    std::vector<std::string> forExpressions;
    std::string lastRecord;
    bool finished = false;

    void flush()
    {
        if (pending.empty())
            return;
        dbf->write(header.headerLength + written, pending);
        written += pending.size();
        pending.clear();
    }

    uint32_t appendMemo(const std::string &bytes)
    {
        const uint64_t at = memoNext * kMemoBlock;
        const uint64_t blocks = (8 + bytes.size() + kMemoBlock - 1) / kMemoBlock;
        if (memoNext + blocks > 0xFFFFFFFFull)
            throw Error("Memo file " + memoPath + " is full");
        std::string block(blocks * kMemoBlock, '\0');
        block[3] = 1;
        const auto len = static_cast<uint32_t>(bytes.size());
        for (int i = 0; i < 4; ++i)
            block[static_cast<size_t>(4 + i)] = static_cast<char>(len >> (24 - 8 * i));
        std::memcpy(block.data() + 8, bytes.data(), bytes.size());
        memo->write(at, block);
        const auto first = static_cast<uint32_t>(memoNext);
        memoNext += blocks;
        return first;
    }
};

TableBuilder::TableBuilder(
    const std::string &dbfPath, const std::vector<NewField> &fields, const TableOptions &options)
    : m_impl(std::make_unique<Impl>())
{
    Impl &d = *m_impl;
    d.path = MapHostPath(dbfPath);
    d.header = DbfHeader::forNewTable(fields, options.version, options.codePageMark);
    d.codePage = &CodePage::forMark(d.header.codePageMark, d.header.version);
    const bool container = AsciiUpper(d.path).ends_with(".DBC");
    d.memoPath = WithExtension(d.path, container ? ".dct" : d.header.memoExtension());
    d.indexPath = WithExtension(d.path, container ? ".dcx" : ".cdx");
    if (container) {
        d.header.flags |= kFlagDatabaseContainer;
        for (auto &f : d.header.fields) {
            if (f.info.type == 'M' && (f.info.name == "PROPERTY" || f.info.name == "CODE")) {
                f.flags |= 0x04;
                f.info.binary = true;
            }
        }
    }
    d.dbf = OpenFile(d.path, FileMode::CreateNew);
    if (d.header.hasMemoFields()) {
        if (d.header.memoExtension() != ".fpt")
            throw Error("This engine writes memos only for FoxPro tables");
        try {
            d.memo = OpenFile(d.memoPath, FileMode::CreateNew);
        } catch (...) {
            d.dbf.reset();
            RemoveFile(d.path);
            throw;
        }
        d.memo->write(0, MemoFile::newFptHeader(kMemoBlock));
        d.memoNext = 512 / kMemoBlock;
    }
    d.dbf->write(0, d.header.serialize());
}

TableBuilder::~TableBuilder()
{
    if (m_impl && !m_impl->finished) {
        m_impl->dbf.reset();
        RemoveFile(m_impl->path);
        if (m_impl->memo) {
            m_impl->memo.reset();
            RemoveFile(m_impl->memoPath);
        }
    }
}

void TableBuilder::addRow(const std::vector<Value> &values)
{
    Impl &d = *m_impl;
    if (d.finished)
        throw Error("The table is finished");
    if (values.size() > d.header.fields.size())
        throw Error("More values than fields");
    std::string record(d.header.recordLength, ' ');
    for (const FieldLayout &f : d.header.fields)
        BlankField(f, record.data());
    if (d.header.nullFlagsOffset >= 0)
        std::memset(record.data() + d.header.nullFlagsOffset, 0,
            static_cast<size_t>(d.header.nullFlagsLength));
    for (size_t i = 0; i < values.size(); ++i) {
        const FieldLayout &f = d.header.fields[i];
        const Value &v = values[i];
        if (v.isNull() && !f.info.nullable)
            continue; // blank
        if (IsMemoType(f.info.type) && !v.isNull()) {
            const std::string bytes = EncodeMemoText(f, v, *d.codePage);
            if (!bytes.empty())
                PutMemoPointer(d.header, f, record.data(), d.appendMemo(bytes));
        } else {
            EncodeField(d.header, f, v, *d.codePage, record.data());
        }
    }
    d.pending += record;
    d.lastRecord = record;
    ++d.count;
    if (d.pending.size() >= kFlushBytes)
        d.flush();
}

void TableBuilder::deleteLastRow()
{
    Impl &d = *m_impl;
    if (d.count == 0)
        throw Error("No row to delete");
    if (!d.pending.empty())
        d.pending[d.pending.size() - d.header.recordLength] = '*';
    else
        d.dbf->write(d.header.headerLength + d.written - d.header.recordLength, "*", 1);
}

void TableBuilder::addIndexTag(
    const std::string &tag, const std::string &keyExpression, const std::string &forExpression)
{
    CheckTagName(tag);
    m_impl->tags.emplace_back(AsciiUpper(tag), keyExpression);
    m_impl->forExpressions.push_back(forExpression);
}

void TableBuilder::finish()
{
    Impl &d = *m_impl;
    if (d.finished)
        return;
    d.flush();
    d.dbf->write(d.header.headerLength + d.written, "\x1A", 1);
    if (!d.tags.empty())
        d.header.flags |= kFlagStructuralIndex;
    d.header.recordCount = d.count;
    d.dbf->write(0, d.header.serialize());
    if (d.memo) {
        unsigned char next[4];
        for (int i = 0; i < 4; ++i)
            next[i] = static_cast<unsigned char>(d.memoNext >> (24 - 8 * i));
        d.memo->write(0, next, 4);
    }
    if (!d.tags.empty()) {
        const size_t len = d.header.recordLength;
        std::string records(d.count * len, '\0');
        d.dbf->readExact(d.header.headerLength, records.data(), records.size(), "the records");
        std::vector<CdxNewTag> tags;
        for (size_t i = 0; i < d.tags.size(); ++i)
            tags.push_back(NewTagFromRecords(d.header, *d.codePage, d.tags[i].first,
                d.tags[i].second, d.forExpressions[i], d.count,
                [&](uint32_t r) { return records.data() + (r - 1) * len; }));
        const std::string bytes = BuildCdx(std::move(tags));
        RemoveFile(d.indexPath);
        auto cdx = OpenFile(d.indexPath, FileMode::CreateNew);
        cdx->write(0, bytes);
    }
    d.finished = true;
    d.dbf.reset();
    d.memo.reset();
}

void CreateTable(
    const std::string &dbfPath, const std::vector<NewField> &fields, const TableOptions &options)
{
    TableBuilder builder(dbfPath, fields, options);
    builder.finish();
}

std::shared_ptr<Table> OpenTable(const std::string &dbfPath)
{
    return DbfTable::openPath(dbfPath);
}

namespace {

// Relative path from folder to target when target lies inside folder, with backslashes.
std::string RelativeInside(const std::string &folder, const std::string &target)
{
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '/')
        prefix += '/';
    if (target.rfind(prefix, 0) != 0)
        return target;
    std::string rel = target.substr(prefix.size());
    for (char &c : rel)
        if (c == '/')
            c = '\\';
    return rel;
}

std::string FileName(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

void CreateDatabaseContainer(
    const std::string &dbcPathText, const std::vector<ContainerTable> &tables)
{
    const std::string dbcPath = MapHostPath(dbcPathText);
    const std::string folder = ParentFolder(dbcPath);
    const std::vector<NewField> fields = {
        { "OBJECTID", 'I', 4, 0, false },
        { "PARENTID", 'I', 4, 0, false },
        { "OBJECTTYPE", 'C', 10, 0, false },
        { "OBJECTNAME", 'C', 128, 0, false },
        { "PROPERTY", 'M', 4, 0, false },
        { "CODE", 'M', 4, 0, false },
        { "RIINFO", 'C', 6, 0, false },
        { "USER", 'M', 4, 0, false },
    };

    // Check every member first: nothing is written for a list with a bad table.
    struct Member
    {
        std::string path, name;
        std::vector<std::string> fieldNames;
        DbfHeader header;
    };
    std::vector<Member> members;
    for (const ContainerTable &t : tables) {
        Member m;
        m.path = MapHostPath(t.dbfPath);
        auto file = OpenFile(m.path, FileMode::ReadWrite);
        m.header = DbfHeader::read(*file);
        if (!m.header.isVisualFoxPro())
            throw Error("Table " + t.dbfPath + " is not a Visual FoxPro table");
        m.name = t.name.empty() ? BaseName(m.path) : t.name;
        if (!t.longFieldNames.empty() && t.longFieldNames.size() != m.header.fields.size())
            throw Error("Table " + t.dbfPath + ": the long field names do not match its fields");
        for (size_t i = 0; i < m.header.fields.size(); ++i) {
            std::string name
                = t.longFieldNames.empty() ? m.header.fields[i].info.name : t.longFieldNames[i];
            if (AsciiUpper(name.substr(0, 10)) != m.header.fields[i].info.name)
                throw Error("Long field name " + name + " does not begin with "
                    + m.header.fields[i].info.name);
            for (char &c : name)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            m.fieldNames.push_back(name);
        }
        members.push_back(std::move(m));
    }

    TableBuilder builder(dbcPath, fields, TableOptions { 0x30, 0x03 });
    int32_t id = 0;
    const auto row = [&](int32_t parent, const std::string &type, const std::string &name,
                         const std::string &property) {
        ++id;
        builder.addRow({ Value::integer(id), Value::integer(parent), Value::character(type),
            Value::character(name), Value::memo(property), Value::memo({}), Value::character({}),
            Value::memo({}) });
    };
    row(1, "Database", "Database", PropertyRecord(kPropertyVersion, std::string("\0\0\0\x0A", 4)));
    row(1, "Database", "TransactionLog", {});
    row(1, "Database", "StoredProceduresSource", {});
    row(1, "Database", "StoredProceduresObject", {});
    row(1, "Database", "StoredProceduresDependencies", {});
    for (const Member &m : members) {
        row(1, "Table", m.name,
            PropertyRecord(kPropertyClass, std::string("\x01", 1))
                + PropertyRecord(
                    kPropertyPath, RelativeInside(folder, m.path) + std::string(1, '\0')));
        const int32_t tableId = id;
        for (const std::string &f : m.fieldNames)
            row(tableId, "Field", f, {});
    }
    builder.addIndexTag(
        "OBJECTNAME", "STR(parentid)+objecttype+LOWER(objectname)", ".NOT.DELETED()");
    builder.addIndexTag("OBJECTTYPE", "STR(parentid)+objecttype", ".NOT.DELETED()");
    builder.finish();

    // Each member names its container in its backlink, relative to the table.
    for (const Member &m : members) {
        const size_t descriptors = m.header.fields.size() + (m.header.nullFlagsOffset >= 0 ? 1 : 0);
        const size_t at = 32 + 32 * descriptors + 1;
        if (at + kBacklinkSize > m.header.headerLength)
            continue;
        std::string link = FileName(dbcPath);
        std::string tableFolder = ParentFolder(m.path);
        std::string up;
        while (tableFolder.size() > folder.size() && tableFolder.rfind(folder, 0) == 0) {
            up += "..\\";
            tableFolder = ParentFolder(tableFolder);
        }
        link = up + link;
        for (char &c : link)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        link.resize(kBacklinkSize, '\0');
        auto file = OpenFile(m.path, FileMode::ReadWrite);
        file->write(at, link);
    }
}

} // namespace vfp
