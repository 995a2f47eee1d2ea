#include "components/vxDateRules.h"

#include <algorithm>
#include <optional>

namespace {

// A run of digits at pos, blanks before and after skipped; at most four digits are read so a
// long run cannot overflow.
struct Number
{
    int value = 0;
    int digits = 0;
};

std::optional<Number> ScanNumber(const QString &text, qsizetype &pos)
{
    while (pos < text.size() && text.at(pos) == u' ')
        ++pos;
    Number number;
    while (pos < text.size() && text.at(pos) >= u'0' && text.at(pos) <= u'9') {
        if (number.digits == 4)
            return std::nullopt;
        number.value = number.value * 10 + (text.at(pos).unicode() - u'0');
        ++number.digits;
        ++pos;
    }
    while (pos < text.size() && text.at(pos) == u' ')
        ++pos;
    if (number.digits == 0)
        return std::nullopt;
    return number;
}

bool ScanSeparator(const QString &text, qsizetype &pos)
{
    if (pos < text.size() && text.at(pos) == u'/') {
        ++pos;
        return true;
    }
    return false;
}

} // namespace

QString FormatTypedDate(const QDate &date)
{
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

int ExpandShortYear(int year, int currentYear)
{
    const int low = currentYear - 50;
    int result = low - low % 100 + year;
    if (result < low)
        result += 100;
    return result;
}

QDate ApplyDateEpoch(const QDate &date)
{
    if (date.isValid() && date.year() < 1925)
        return date.addYears(100);
    return date;
}

QDate ParseDateText(const QString &text, int currentYear, bool useEpoch)
{
    qsizetype pos = 0;
    const auto day = ScanNumber(text, pos);
    if (!day || !ScanSeparator(text, pos))
        return {};
    const auto month = ScanNumber(text, pos);
    if (!month)
        return {};
    int year = currentYear;
    if (ScanSeparator(text, pos)) {
        const auto written = ScanNumber(text, pos);
        if (!written)
            return {};
        year = written->digits <= 2 ? ExpandShortYear(written->value, currentYear) : written->value;
    }
    if (pos != text.size() || year < 1)
        return {};
    // QDate rejects a day beyond the month's length and a month outside 1..12.
    const QDate date(year, month->value, day->value);
    if (!date.isValid())
        return {};
    return useEpoch ? ApplyDateEpoch(date) : date;
}

QDate StepMonth(const QDate &date, int delta)
{
    QDate result = date;
    const int day = date.day();
    for (; delta < 0 && result.isValid(); ++delta) {
        const QDate last = QDate(result.year(), result.month(), 1).addDays(-1);
        result = QDate(last.year(), last.month(), std::min(day, last.daysInMonth()));
    }
    for (; delta > 0 && result.isValid(); --delta) {
        const QDate first = QDate(result.year(), result.month(), result.daysInMonth()).addDays(1);
        result = QDate(first.year(), first.month(), std::min(day, first.daysInMonth()));
    }
    return result.isValid() ? result : date;
}

QDate StepYear(const QDate &date, int delta)
{
    int day = date.day();
    if (date.month() == 2 && day == 29)
        day = 28;
    const QDate result(date.year() + delta, date.month(), day);
    return result.isValid() ? result : date;
}

int CalendarDayOffset(const QDate &dayOfMonth, TDayOfWeek startOfWeek)
{
    const QDate first(dayOfMonth.year(), dayOfMonth.month(), 1);
    const int weekday = first.dayOfWeek() - 1; // 0 = Monday
    const int columns = (weekday - static_cast<int>(startOfWeek) + 7) % 7;
    return 1 - columns;
}

int CalendarCellDay(int column, int row, int offset, int monthLength)
{
    if (column < 0 || column >= CalendarColumns || row < CalendarFirstWeekRow
        || row >= CalendarRows)
        return 0;
    const int day = column + offset + 7 * (row - CalendarFirstWeekRow);
    return day >= 1 && day <= monthLength ? day : 0;
}

QPoint CalendarCellOfDay(int day, int offset)
{
    const int index = day - offset;
    return { index % 7, index / 7 + CalendarFirstWeekRow };
}

TDayOfWeek CalendarColumnWeekday(int column, TDayOfWeek startOfWeek)
{
    return static_cast<TDayOfWeek>((static_cast<int>(startOfWeek) + column) % 7);
}

QPoint PopupPosition(
    const QPoint &editTopLeft, const QSize &editSize, const QSize &popupSize, const QRect &screen)
{
    int top = editTopLeft.y() + editSize.height();
    if (top + popupSize.height() > screen.y() + screen.height())
        top = editTopLeft.y() - popupSize.height();
    int left = editTopLeft.x() + editSize.width() - popupSize.width();
    if (left < screen.x())
        left = editTopLeft.x();
    return { left, top };
}
