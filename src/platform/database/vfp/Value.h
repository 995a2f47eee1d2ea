#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace vfp {

// A typed value of the engine: what a field holds, what an expression yields.
// Texts are UTF-8 (converted from the table's code page on read). Dates are Julian day numbers
// as FoxPro stores them in T fields (0 = empty date). Numbers keep their decimals for display.
class Value
{
public:
    // One byte, so that a result cell holding a kind takes 16 bytes.
    enum class Kind : uint8_t { Null, Character, Memo, Numeric, Integer, Logical, Date, DateTime };

    struct DateTimeParts
    {
        int32_t julianDay = 0; // 0 = empty
        int32_t milliseconds = 0;
    };

    Value() = default; // null

    static Value null() { return {}; }
    static Value character(std::string utf8) { return Value(Kind::Character, std::move(utf8)); }
    static Value memo(std::string utf8) { return Value(Kind::Memo, std::move(utf8)); }
    static Value numeric(double number, int decimals = -1)
    {
        return Value(Kind::Numeric, number, decimals);
    }
    static Value integer(int64_t number) { return Value(Kind::Integer, number, 0); }
    static Value logical(bool flag) { return Value(Kind::Logical, flag); }
    static Value date(int32_t julianDay)
    {
        return Value(Kind::Date, DateTimeParts { julianDay, 0 });
    }
    static Value dateTime(int32_t julianDay, int32_t milliseconds)
    {
        return Value(Kind::DateTime, DateTimeParts { julianDay, milliseconds });
    }

    // Makes this an empty text of the kind and returns it to be filled; the text's buffer is
    // kept when this already was a text, so values read over and over do not reallocate.
    std::string &resetText(Kind kind)
    {
        m_kind = kind;
        m_decimals = -1;
        if (auto *s = std::get_if<std::string>(&m_data)) {
            s->clear();
            return *s;
        }
        return m_data.emplace<std::string>();
    }

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }
    bool isText() const { return m_kind == Kind::Character || m_kind == Kind::Memo; }
    bool isNumber() const { return m_kind == Kind::Numeric || m_kind == Kind::Integer; }

    const std::string &text() const // Character, Memo
    {
        const auto *s = std::get_if<std::string>(&m_data);
        return s ? *s : EmptyText();
    }
    double number() const // Numeric, Integer
    {
        if (const auto *d = std::get_if<double>(&m_data))
            return *d;
        if (const auto *i = std::get_if<int64_t>(&m_data))
            return static_cast<double>(*i);
        return 0.0;
    }
    int64_t integer() const // Integer (Numeric truncated)
    {
        if (const auto *i = std::get_if<int64_t>(&m_data))
            return *i;
        if (const auto *d = std::get_if<double>(&m_data))
            return static_cast<int64_t>(*d);
        return 0;
    }
    bool logical() const // Logical
    {
        const auto *b = std::get_if<bool>(&m_data);
        return b && *b;
    }
    int32_t julianDay() const // Date, DateTime
    {
        const auto *p = std::get_if<DateTimeParts>(&m_data);
        return p ? p->julianDay : 0;
    }
    int32_t milliseconds() const // DateTime
    {
        const auto *p = std::get_if<DateTimeParts>(&m_data);
        return p ? p->milliseconds : 0;
    }
    int decimals() const { return m_decimals; } // Numeric: -1 when unknown

private:
    template <typename T>
    Value(Kind kind, T &&data, int decimals = -1)
        : m_kind(kind)
        , m_decimals(decimals)
        , m_data(std::forward<T>(data))
    { }
    static const std::string &EmptyText();

    Kind m_kind = Kind::Null;
    int m_decimals = -1;
    std::variant<std::monostate, std::string, double, int64_t, bool, DateTimeParts> m_data;
};

// Julian day numbers as FoxPro uses them, and the civil calendar.
int32_t JulianDayFromCivil(int year, int month, int day);
void CivilFromJulianDay(int32_t julianDay, int &year, int &month, int &day);

} // namespace vfp
