#include "platform/database/vfp/Value.h"

namespace vfp {

const std::string &Value::EmptyText()
{
    static const std::string empty;
    return empty;
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
