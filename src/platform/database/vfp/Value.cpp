#include "platform/database/vfp/Value.h"

namespace vfp {

Value Value::character(std::string utf8)
{
    Value v;
    v.m_kind = Kind::Character;
    v.m_data = std::move(utf8);
    return v;
}

Value Value::memo(std::string utf8)
{
    Value v;
    v.m_kind = Kind::Memo;
    v.m_data = std::move(utf8);
    return v;
}

Value Value::numeric(double number, int decimals)
{
    Value v;
    v.m_kind = Kind::Numeric;
    v.m_decimals = decimals;
    v.m_data = number;
    return v;
}

Value Value::integer(int64_t number)
{
    Value v;
    v.m_kind = Kind::Integer;
    v.m_decimals = 0;
    v.m_data = number;
    return v;
}

Value Value::logical(bool flag)
{
    Value v;
    v.m_kind = Kind::Logical;
    v.m_data = flag;
    return v;
}

Value Value::date(int32_t julianDay)
{
    Value v;
    v.m_kind = Kind::Date;
    v.m_data = DateTimeParts { julianDay, 0 };
    return v;
}

Value Value::dateTime(int32_t julianDay, int32_t milliseconds)
{
    Value v;
    v.m_kind = Kind::DateTime;
    v.m_data = DateTimeParts { julianDay, milliseconds };
    return v;
}

const std::string &Value::text() const
{
    static const std::string empty;
    const auto *s = std::get_if<std::string>(&m_data);
    return s ? *s : empty;
}

double Value::number() const
{
    if (const auto *d = std::get_if<double>(&m_data))
        return *d;
    if (const auto *i = std::get_if<int64_t>(&m_data))
        return static_cast<double>(*i);
    return 0.0;
}

int64_t Value::integer() const
{
    if (const auto *i = std::get_if<int64_t>(&m_data))
        return *i;
    if (const auto *d = std::get_if<double>(&m_data))
        return static_cast<int64_t>(*d);
    return 0;
}

bool Value::logical() const
{
    const auto *b = std::get_if<bool>(&m_data);
    return b && *b;
}

int32_t Value::julianDay() const
{
    const auto *p = std::get_if<DateTimeParts>(&m_data);
    return p ? p->julianDay : 0;
}

int32_t Value::milliseconds() const
{
    const auto *p = std::get_if<DateTimeParts>(&m_data);
    return p ? p->milliseconds : 0;
}

// Fliegel and Van Flandern's conversion between the Gregorian calendar and Julian day numbers.
int32_t JulianDayFromCivil(int year, int month, int day)
{
    const int a = (14 - month) / 12;
    const int y = year + 4800 - a;
    const int m = month + 12 * a - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

void CivilFromJulianDay(int32_t julianDay, int &year, int &month, int &day)
{
    const int a = julianDay + 32044;
    const int b = (4 * a + 3) / 146097;
    const int c = a - 146097 * b / 4;
    const int d = (4 * c + 3) / 1461;
    const int e = c - 1461 * d / 4;
    const int m = (5 * e + 2) / 153;
    day = e - (153 * m + 2) / 5 + 1;
    month = m + 3 - 12 * (m / 10);
    year = 100 * b + d - 4800 + m / 10;
}

} // namespace vfp
