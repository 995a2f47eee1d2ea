#include "MemoryDatabase.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace vfp::memory {

namespace {

std::string Lower(std::string_view text)
{
    std::string result(text);
    for (char &c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

std::string Padded(const std::string &text, int width)
{
    std::string result = text;
    if (static_cast<int>(result.size()) < width)
        result.append(static_cast<size_t>(width) - result.size(), ' ');
    return result;
}

} // namespace

FieldInfo MakeField(std::string name, char type, int length, int decimals, bool nullable)
{
    FieldInfo field;
    field.name = std::move(name);
    field.type = type;
    field.length = length;
    field.decimals = decimals;
    field.nullable = nullable;
    return field;
}

MemoryTable::MemoryTable(std::string name, std::vector<FieldInfo> fields)
    : m_name(std::move(name))
    , m_fields(std::move(fields))
{ }

uint32_t MemoryTable::addRow(const std::vector<Value> &values, bool deleted)
{
    std::vector<Value> row(m_fields.size());
    for (size_t i = 0; i < m_fields.size() && i < values.size(); ++i)
        row[i] = convert(static_cast<int>(i), values[i]);
    m_rows.push_back(std::move(row));
    m_deleted.push_back(deleted);
    return static_cast<uint32_t>(m_rows.size());
}

void MemoryTable::setDeleted(uint32_t recno, bool deleted)
{
    m_deleted.at(recno - 1) = deleted;
}

int MemoryTable::fieldIndex(std::string_view name) const
{
    const std::string wanted = Lower(name);
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (Lower(m_fields[i].name) == wanted)
            return static_cast<int>(i);
    }
    return -1;
}

bool MemoryTable::isDeleted(uint32_t recno) const
{
    return m_deleted.at(recno - 1);
}

Value MemoryTable::value(uint32_t recno, int field) const
{
    ++valueReads;
    return m_rows.at(recno - 1).at(static_cast<size_t>(field));
}

// As a FoxPro table stores values: texts padded (too long is an error), numbers into N/I
// (a whole-number check for I), 0 and 1 into L; a null only into a nullable field. A blank
// record holds empty values, not nulls.
Value MemoryTable::convert(int index, const Value &value) const
{
    const FieldInfo &field = m_fields.at(static_cast<size_t>(index));
    const auto fail
        = [&](const char *why) { throw Error(std::string(why) + " for field " + field.name); };
    if (value.isNull()) {
        if (!field.nullable)
            fail("field does not accept null values");
        return value;
    }
    switch (field.type) {
    case 'C':
        if (!value.isText())
            fail("data type mismatch");
        if (static_cast<int>(value.text().size()) > field.length)
            fail("value is too long");
        return Value::character(Padded(value.text(), field.length));
    case 'M':
        if (!value.isText())
            fail("data type mismatch");
        return Value::memo(value.text());
    case 'N':
    case 'F': {
        if (!value.isNumber())
            fail("data type mismatch");
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*f", field.decimals, value.number());
        if (static_cast<int>(std::string(buffer).size()) > field.length)
            fail("numeric overflow");
        return Value::numeric(value.number(), field.decimals);
    }
    case 'I':
        if (!value.isNumber() || value.number() != std::trunc(value.number()))
            fail("data type mismatch");
        return Value::integer(static_cast<int64_t>(value.number()));
    case 'L':
        if (value.kind() == Value::Kind::Logical)
            return value;
        if (value.isNumber() && (value.number() == 0 || value.number() == 1))
            return Value::logical(value.number() == 1);
        fail("data type mismatch");
        break;
    case 'D':
        if (value.kind() != Value::Kind::Date)
            fail("data type mismatch");
        return value;
    default:
        return value;
    }
    return value;
}

void MemoryTable::update(uint32_t recno, const FieldValues &changes)
{
    std::vector<Value> &row = m_rows.at(recno - 1);
    std::vector<Value> converted;
    for (const auto &[field, value] : changes)
        converted.push_back(convert(field, value)); // nothing is written when one fails
    for (size_t i = 0; i < changes.size(); ++i)
        row[static_cast<size_t>(changes[i].first)] = converted[i];
    ++m_writes;
}

uint32_t MemoryTable::append(const FieldValues &values)
{
    std::vector<Value> row;
    for (const FieldInfo &field : m_fields) {
        switch (field.type) {
        case 'C':
            row.push_back(Value::character(std::string(static_cast<size_t>(field.length), ' ')));
            break;
        case 'M':
            row.push_back(Value::memo({}));
            break;
        case 'N':
        case 'F':
            row.push_back(Value::numeric(0, field.decimals));
            break;
        case 'I':
            row.push_back(Value::integer(0));
            break;
        case 'L':
            row.push_back(Value::logical(false));
            break;
        case 'D':
            row.push_back(Value::date(0));
            break;
        default:
            row.push_back(Value());
        }
    }
    for (const auto &[field, value] : values)
        row.at(static_cast<size_t>(field)) = convert(field, value);
    m_rows.push_back(std::move(row));
    m_deleted.push_back(false);
    ++m_writes;
    return static_cast<uint32_t>(m_rows.size());
}

void MemoryTable::checkWritable(const std::vector<int> &fields) const
{
    for (int field : fields) {
        if (std::find(m_refused.begin(), m_refused.end(), field) != m_refused.end())
            throw Error("index of " + m_name + " over " + m_fields[static_cast<size_t>(field)].name
                + " cannot be maintained");
    }
}

std::shared_ptr<MemoryTable> MemoryDatabase::addTable(
    const std::string &name, std::vector<FieldInfo> fields)
{
    auto table = std::make_shared<MemoryTable>(name, std::move(fields));
    m_tables[Lower(name)] = table;
    return table;
}

std::shared_ptr<MemoryTable> MemoryDatabase::memoryTable(std::string_view name) const
{
    const auto it = m_tables.find(Lower(name));
    return it == m_tables.end() ? nullptr : it->second;
}

std::shared_ptr<Table> MemoryDatabase::table(std::string_view name)
{
    auto table = memoryTable(name);
    if (!table)
        throw Error("File '" + std::string(name) + ".dbf' does not exist.");
    return table;
}

bool MemoryDatabase::tableExists(std::string_view name) const
{
    return memoryTable(name) != nullptr;
}

void MemoryDatabase::setDefaultFolder(const std::string &folder)
{
    m_folder = folder;
    log.push_back("default " + folder);
}

void MemoryDatabase::createFreeTable(const std::string &name, const std::vector<NewField> &fields)
{
    std::vector<FieldInfo> infos;
    std::string description;
    for (const NewField &field : fields) {
        infos.push_back(
            MakeField(field.name, field.type, field.length, field.decimals, field.nullable));
        description += " " + field.name + ":" + field.type + std::to_string(field.length) + ","
            + std::to_string(field.decimals) + (field.nullable ? "null" : "");
    }
    addTable(name, std::move(infos));
    log.push_back("create " + name + description);
}

void MemoryDatabase::createIndexTag(
    const std::string &table, const std::string &keyExpression, const std::string &tag)
{
    auto target = memoryTable(table);
    if (!target)
        throw Error("no table " + table);
    IndexTag info;
    info.name = tag;
    info.keyExpression = keyExpression;
    target->addIndexTag(info);
    log.push_back("index " + table + " " + keyExpression + " " + tag);
}

void MemoryDatabase::closeAll()
{
    log.push_back("close");
}

} // namespace vfp::memory
