// Building a structural index from a table's records: INDEX ON ... TAG ...

#include "platform/database/vfp/IndexBuild.h"

#include "platform/database/vfp/DbfTable.h"
#include "platform/database/vfp/Locking.h"

#include <cctype>
#include <cstdio>

namespace vfp {

void CheckTagName(const std::string &tag)
{
    bool ok = !tag.empty() && tag.size() <= 10
        && (std::isalpha(static_cast<unsigned char>(tag[0])) || tag[0] == '_');
    for (const char c : tag)
        ok = ok && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
    if (!ok)
        throw Error("Invalid index tag name \"" + tag + "\"");
}

CdxNewTag NewTagFromRecords(const DbfHeader &header, const CodePage &codePage,
    const std::string &tag, const std::string &keyExpression, const std::string &forExpression,
    uint32_t count, const std::function<const char *(uint32_t)> &record)
{
    CheckTagName(tag);
    std::string why;
    const auto key = KeyExpression::parse(keyExpression, header, why);
    if (!key)
        throw Error(
            "INDEX ON " + keyExpression + ": this engine cannot build that key (" + why + ")");
    const ForCondition condition = ParseForCondition(forExpression);
    if (condition == ForCondition::Unsupported)
        throw Error(
            "INDEX ON ... FOR " + forExpression + ": this engine cannot build that condition");
    CdxNewTag t;
    t.name = tag;
    t.keyExpression = keyExpression;
    t.forExpression = forExpression;
    t.keyLength = static_cast<uint16_t>(key->length());
    t.pad = key->isCharacter() ? ' ' : '\0';
    t.keys.reserve(count);
    for (uint32_t r = 1; r <= count; ++r) {
        const char *bytes = record(r);
        const bool deleted = bytes[0] == '*';
        if ((condition == ForCondition::NotDeleted && deleted)
            || (condition == ForCondition::Deleted && !deleted))
            continue;
        t.keys.push_back({ key->evaluate(bytes, header, codePage), r });
    }
    return t;
}

void WriteFileReplacing(const std::string &path, const std::string &bytes)
{
    const std::string temporary = path + ".new";
    RemoveFile(temporary);
    {
        auto file = OpenFile(temporary, FileMode::CreateNew);
        file->write(0, bytes);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        RemoveFile(temporary);
        throw Error("Cannot replace file " + path);
    }
}

void DbfTable::addIndexTag(const std::string &tag, const std::string &keyExpression)
{
    requireWritable();
    if (m_stem.empty())
        throw Error("Table " + m_name + " cannot have an index written");
    ScopedLock headerLock(*m_dbf, kTableHeaderLock, "table header");
    refreshCount();
    CdxNewTag fresh = NewTagFromRecords(m_header, *m_codePage, tag, keyExpression, {},
        m_recordCount, [this](uint32_t r) { return recordPointer(r); });
    std::vector<CdxNewTag> tags;
    if (CdxFile *cdx = index()) {
        for (const CdxTag &t : cdx->tags()) {
            if (t.tag.name == fresh.name)
                continue; // INDEX ON ... TAG replaces a tag of the same name
            CdxNewTag old;
            old.name = t.tag.name;
            old.keyExpression = t.tag.keyExpression;
            old.forExpression = t.tag.forExpression;
            old.options = t.options;
            old.keyLength = t.keyLength;
            old.pad = padFor(t);
            old.keys = cdx->keys(t, old.pad);
            tags.push_back(std::move(old));
        }
    }
    tags.push_back(std::move(fresh));
    m_index.reset();
    m_indexTried = false;
    m_plans.reset();
    std::string cdxPath = m_stem + ".cdx";
    if (auto existing = m_companions(".cdx"))
        cdxPath = existing->path();
    WriteFileReplacing(cdxPath, BuildCdx(std::move(tags)));
    if (!(m_header.flags & kFlagStructuralIndex)) {
        m_header.flags |= kFlagStructuralIndex;
        const char flags = static_cast<char>(m_header.flags);
        m_dbf->write(28, &flags, 1);
    }
}

} // namespace vfp
