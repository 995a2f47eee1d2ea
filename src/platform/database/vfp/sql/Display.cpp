#include "platform/database/vfp/sql/Display.h"

#include "platform/database/vfp/sql/TextOps.h"

#include <cstdio>

namespace vfp::sql {

namespace {

std::string DateText(int32_t julianDay)
{
    if (julianDay == 0)
        return {};
    int y = 0, m = 0, d = 0;
    CivilFromJulianDay(julianDay, y, m, d);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", y % 10000, m, d);
    return buffer;
}

} // namespace

std::string DisplayText(const Value &value)
{
    char buffer[400];
    switch (value.kind()) {
    case Value::Kind::Null:
        return ".NULL.";
    case Value::Kind::Character:
    case Value::Kind::Memo:
        return std::string(text::TrimRight(value.text()));
    case Value::Kind::Numeric:
        if (value.decimals() < 0)
            std::snprintf(buffer, sizeof buffer, "%.15g", value.number());
        else
            std::snprintf(buffer, sizeof buffer, "%.*f",
                value.decimals() > 18 ? 18 : value.decimals(), value.number());
        return buffer;
    case Value::Kind::Integer:
        return std::to_string(value.integer());
    case Value::Kind::Logical:
        return value.logical() ? ".T." : ".F.";
    case Value::Kind::Date:
        return DateText(value.julianDay());
    case Value::Kind::DateTime: {
        if (value.julianDay() == 0)
            return {};
        const int seconds = value.milliseconds() / 1000;
        std::snprintf(buffer, sizeof buffer, " %02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
            seconds % 60);
        return DateText(value.julianDay()) + buffer;
    }
    }
    return {};
}

} // namespace vfp::sql
