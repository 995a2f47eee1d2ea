#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace vfp {

// A typed value of the engine: what a field holds, what an expression yields.
// Texts are UTF-8 (converted from the table's code page on read). Dates are Julian day numbers
// as FoxPro stores them in T fields (0 = empty date). Numbers keep their decimals for display.
class Value
{
public:
    enum class Kind { Null, Character, Memo, Numeric, Integer, Logical, Date, DateTime };

    struct DateTimeParts
    {
        int32_t julianDay = 0; // 0 = empty
        int32_t milliseconds = 0;
    };

    Value() = default; // null

    static Value null() { return {}; }
    static Value character(std::string utf8);
    static Value memo(std::string utf8);
    static Value numeric(double number, int decimals = -1);
    static Value integer(int64_t number);
    static Value logical(bool flag);
    static Value date(int32_t julianDay);
    static Value dateTime(int32_t julianDay, int32_t milliseconds);

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }
    bool isText() const { return m_kind == Kind::Character || m_kind == Kind::Memo; }
    bool isNumber() const { return m_kind == Kind::Numeric || m_kind == Kind::Integer; }

    const std::string &text() const; // Character, Memo
    double number() const; // Numeric, Integer
    int64_t integer() const; // Integer (Numeric truncated)
    bool logical() const; // Logical
    int32_t julianDay() const; // Date, DateTime
    int32_t milliseconds() const; // DateTime
    int decimals() const { return m_decimals; } // Numeric: -1 when unknown

private:
    Kind m_kind = Kind::Null;
    int m_decimals = -1;
    std::variant<std::monostate, std::string, double, int64_t, bool, DateTimeParts> m_data;
};

// Julian day numbers as FoxPro uses them, and the civil calendar.
int32_t JulianDayFromCivil(int year, int month, int day);
void CivilFromJulianDay(int32_t julianDay, int &year, int &month, int &day);

} // namespace vfp
