#pragma once

#include <QDate>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

// Plain rules behind the date edit, its calendar and the drop-down placement.

// Weekdays in the calendar's order; stored layouts name them.
enum TDayOfWeek { dowMon, dowTue, dowWed, dowThu, dowFri, dowSat, dowSun };

// The typed form of a date while the box is focused.
QString FormatTypedDate(const QDate &date);

// Completes a year written with one or two digits into the hundred years from
// currentYear - 50 to currentYear + 49.
int ExpandShortYear(int year, int currentYear);

// A year before 1925 is moved forward a century (1924 -> 2024, 1899 -> 1999).
QDate ApplyDateEpoch(const QDate &date);

// Reads "d/m/y" or "d/m" (the current year), day first, blanks around the numbers allowed.
// A year of one or two digits is completed into the window of ExpandShortYear. Returns an
// invalid date when the text is not a date.
QDate ParseDateText(const QString &text, int currentYear, bool useEpoch);

// Month step: keeps the day number, clipped to the new month's length.
QDate StepMonth(const QDate &date, int delta);
// Year step: 29 February becomes 28 February first.
QDate StepYear(const QDate &date, int delta);

// The calendar grid: 7 columns, rows 0 and 1 fixed (title, day names), rows 2 to 7 the weeks.
inline constexpr int CalendarColumns = 7;
inline constexpr int CalendarRows = 8;
inline constexpr int CalendarFirstWeekRow = 2;

// The grid's day offset: day 1 lands in its weekday's column counted from startOfWeek.
int CalendarDayOffset(const QDate &dayOfMonth, TDayOfWeek startOfWeek);
// The day a cell shows, or 0 when it shows none.
int CalendarCellDay(int column, int row, int offset, int monthLength);
// The cell (x = column, y = row) showing a day.
QPoint CalendarCellOfDay(int day, int offset);
// The weekday shown in a column.
TDayOfWeek CalendarColumnWeekday(int column, TDayOfWeek startOfWeek);

// Where a drop-down opens for an edit at editTopLeft (screen coordinates): below the edit, or
// above it when its bottom would pass the screen's bottom; right-aligned with the edit, or
// left-aligned when that would pass the screen's left edge.
QPoint PopupPosition(
    const QPoint &editTopLeft, const QSize &editSize, const QSize &popupSize, const QRect &screen);
