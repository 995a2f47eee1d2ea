// Finding records through a structural index tag instead of a scan.

#include "platform/database/vfp/DbfTable.h"
#include "platform/database/vfp/FieldCodec.h"

#include <algorithm>
#include <cctype>

namespace vfp {

namespace {

std::string TrimmedUpper(std::string_view s)
{
    std::string out;
    for (const char c : s)
        if (!std::isspace(static_cast<unsigned char>(c)))
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

// A tag that holds every live record under the bare field's own key: ascending, not unique,
// no FOR beyond excluding deleted records, and one this engine evaluates as it stores it.
const DbfTable::TagPlan *DbfTable::seekPlan(int field) const
{
    const FieldLayout &f = m_header.fields[static_cast<size_t>(field)];
    for (const TagPlan &p : plans()) {
        if (!p.key || !p.why.empty() || p.tag.tag.unique || p.tag.tag.descending)
            continue;
        if (p.condition != ForCondition::None && p.condition != ForCondition::NotDeleted)
            continue;
        const std::string expression = TrimmedUpper(p.tag.tag.keyExpression);
        if (expression == f.info.name || expression == m_fields[static_cast<size_t>(field)].name)
            return &p;
    }
    return nullptr;
}

std::optional<std::vector<uint32_t>> DbfTable::seekNumber(int field, const Value &number) const
{
    if (field < 0 || static_cast<size_t>(field) >= m_header.fields.size() || !number.isNumber())
        return std::nullopt;
    const FieldLayout &f = m_header.fields[static_cast<size_t>(field)];
    if (f.info.type != 'N' && f.info.type != 'F' && f.info.type != 'I')
        return std::nullopt;
    const TagPlan *plan = seekPlan(field);
    // An own table's index may lack a record's key until it has been checked.
    if (!plan || (m_ownTable && !m_indexChecked))
        return std::nullopt;

    // The key comes from the number as the field would store it; a number the field would
    // round or refuse cannot be looked up by key.
    std::string record(m_header.recordLength, ' ');
    try {
        EncodeField(m_header, f, number, *m_codePage, record.data());
    } catch (const Error &) {
        return std::nullopt;
    }
    if (DecodeField(m_header, f, record.data(), *m_codePage, nullptr).number() != number.number())
        return std::nullopt;
    const std::string key = plan->key->evaluate(record.data(), m_header, *m_codePage);

    auto found = index()->recordsWithKey(plan->tag, key, padFor(plan->tag));
    if (!found)
        return std::nullopt;
    std::vector<uint32_t> records = std::move(*found);
    // Entries for records appended after the count was read are left out, as a scan would.
    const uint32_t count = recordCount();
    std::erase_if(records, [count](uint32_t recno) { return recno == 0 || recno > count; });
    std::sort(records.begin(), records.end());
    records.erase(std::unique(records.begin(), records.end()), records.end());
    return records;
}

} // namespace vfp
