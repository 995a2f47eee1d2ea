#pragma once

// The database container (.dbc): which tables belong to the database, where their files are
// (PATH properties) and their long field names (Field rows).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vfp {

struct ContainerMember
{
    int32_t objectId = 0;
    std::string name; // as in the container, e.g. "z_stran"
    std::string path; // PATH property as stored (may use backslashes)
    std::vector<std::string> fieldNames; // long names in field order
};

// Property ids of the PROPERTY memo.
constexpr uint8_t kPropertyPath = 1;
constexpr uint8_t kPropertyClass = 2;
constexpr uint8_t kPropertyVersion = 24;

class DatabaseContainer
{
public:
    // Reads the container's Table and Field rows (deleted rows left out).
    static DatabaseContainer read(const std::string &dbcPath);

    const std::string &path() const { return m_path; }
    const std::vector<ContainerMember> &members() const { return m_members; }
    // Case-insensitive lookup; null when the container has no such table.
    const ContainerMember *find(std::string_view name) const;

private:
    std::string m_path;
    std::vector<ContainerMember> m_members;
};

// The value of one property in a PROPERTY memo (string values without their NUL); empty if none.
std::string PropertyValue(std::string_view properties, uint8_t id);
// One property record: [4-byte length][01 00][id][value].
std::string PropertyRecord(uint8_t id, std::string_view value);

} // namespace vfp
