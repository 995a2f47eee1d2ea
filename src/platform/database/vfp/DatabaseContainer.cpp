#include "platform/database/vfp/DatabaseContainer.h"

#include "platform/database/vfp/DbfTable.h"

#include <QString>

#include <cstring>
#include <map>

namespace vfp {

namespace {

std::string Trimmed(const std::string &s)
{
    size_t end = s.size();
    while (end > 0 && (s[end - 1] == ' ' || s[end - 1] == '\0'))
        --end;
    return s.substr(0, end);
}

} // namespace

std::string PropertyValue(std::string_view properties, uint8_t id)
{
    size_t at = 0;
    while (at + 7 <= properties.size()) {
        uint32_t len = 0;
        std::memcpy(&len, properties.data() + at, 4);
        if (len < 7 || len > properties.size() - at)
            break;
        if (static_cast<uint8_t>(properties[at + 6]) == id) {
            std::string value(properties.substr(at + 7, len - 7));
            const auto nul = value.find('\0');
            if (nul != std::string::npos)
                value.resize(nul);
            return value;
        }
        at += len;
    }
    return {};
}

std::string PropertyRecord(uint8_t id, std::string_view value)
{
    std::string out(7, '\0');
    const auto len = static_cast<uint32_t>(7 + value.size());
    std::memcpy(out.data(), &len, 4);
    out[4] = 1;
    out[6] = static_cast<char>(id);
    out.append(value);
    return out;
}

DatabaseContainer DatabaseContainer::read(const std::string &dbcPath)
{
    DatabaseContainer dbc;
    dbc.m_path = dbcPath;
    const auto table = DbfTable::openPath(dbcPath);
    const int id = table->fieldIndex("OBJECTID");
    const int parent = table->fieldIndex("PARENTID");
    const int type = table->fieldIndex("OBJECTTYPE");
    const int name = table->fieldIndex("OBJECTNAME");
    const int property = table->fieldIndex("PROPERTY");
    if (id < 0 || parent < 0 || type < 0 || name < 0 || property < 0)
        throw Error("File " + dbcPath + " is not a database container");
    std::map<int32_t, size_t> byId;
    const uint32_t count = table->recordCount();
    for (uint32_t r = 1; r <= count; ++r) {
        if (table->isDeleted(r))
            continue;
        const std::string kind = Trimmed(table->value(r, type).text());
        if (kind == "Table") {
            ContainerMember m;
            m.objectId = static_cast<int32_t>(table->value(r, id).integer());
            m.name = Trimmed(table->value(r, name).text());
            m.path = PropertyValue(table->value(r, property).text(), kPropertyPath);
            byId[m.objectId] = dbc.m_members.size();
            dbc.m_members.push_back(std::move(m));
        } else if (kind == "Field") {
            const auto it = byId.find(static_cast<int32_t>(table->value(r, parent).integer()));
            if (it != byId.end())
                dbc.m_members[it->second].fieldNames.push_back(
                    Trimmed(table->value(r, name).text()));
        }
    }
    return dbc;
}

const ContainerMember *DatabaseContainer::find(std::string_view name) const
{
    const QString wanted = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    for (const auto &m : m_members)
        if (QString::fromStdString(m.name).compare(wanted, Qt::CaseInsensitive) == 0)
            return &m;
    return nullptr;
}

} // namespace vfp
