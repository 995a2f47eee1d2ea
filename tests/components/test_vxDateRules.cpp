#include "components/vxDateRules.h"

#include <gtest/gtest.h>

namespace {

QDate Parse(const char *text, int currentYear = 2011, bool useEpoch = true)
{
    return ParseDateText(QString::fromLatin1(text), currentYear, useEpoch);
}

} // namespace

TEST(DateRules, TwoDigitYearsFallInTheHundredYearsAroundNow)
{
    EXPECT_EQ(Parse("01/02/24"), QDate(2024, 2, 1));
    EXPECT_EQ(Parse("01/02/61"), QDate(1961, 2, 1)); // current year - 50 is the window's start
    EXPECT_EQ(Parse("01/02/60"), QDate(2060, 2, 1)); // current year + 49 is its end
    EXPECT_EQ(Parse("1/2/5", 2011, false), QDate(2005, 2, 1));
    EXPECT_EQ(ExpandShortYear(0, 2075), 2100);
    EXPECT_EQ(ExpandShortYear(24, 1990), 2024);
    EXPECT_EQ(ExpandShortYear(40, 1990), 1940);
}

TEST(DateRules, EpochMovesYearsBefore1925OnACentury)
{
    EXPECT_EQ(Parse("01/02/1924", 2011, true), QDate(2024, 2, 1));
    EXPECT_EQ(Parse("01/02/1924", 2011, false), QDate(1924, 2, 1));
    EXPECT_EQ(Parse("30/12/1899", 2011, true), QDate(1999, 12, 30));
    EXPECT_EQ(Parse("01/01/1925", 2011, true), QDate(1925, 1, 1));
    // A leap day that has no counterpart a century later lands on the month's last day.
    EXPECT_EQ(ApplyDateEpoch(QDate(1600, 2, 29)), QDate(1700, 2, 28));
}

TEST(DateRules, MaskedTextsWithBlanksParse)
{
    EXPECT_EQ(Parse("01/02/24  "), QDate(2024, 2, 1));
    EXPECT_EQ(Parse(" 1/ 2/2024"), QDate(2024, 2, 1));
    EXPECT_EQ(Parse("31/12/2008"), QDate(2008, 12, 31));
    EXPECT_EQ(Parse("5/6"), QDate(2011, 6, 5)); // no year: the current one
}

TEST(DateRules, TextsThatAreNoDateAreRefused)
{
    for (const char *text : { "", "  /  /    ", "01/02/    ", "  /02/2024", "31/02/2024",
             "00/01/2024", "01/13/2024", "01/00/2024", "01-02-2024", "01/02/2024x", "1/2/3/4",
             "abc", "29/02/2011", "01/02/0000", "999999/1/2024" }) {
        EXPECT_FALSE(Parse(text).isValid()) << text;
    }
    EXPECT_EQ(Parse("29/02/2012"), QDate(2012, 2, 29));
}

TEST(DateRules, MonthStepKeepsTheDayWithinTheNewMonth)
{
    EXPECT_EQ(StepMonth(QDate(2011, 1, 31), 1), QDate(2011, 2, 28));
    EXPECT_EQ(StepMonth(QDate(2012, 1, 31), 1), QDate(2012, 2, 29));
    EXPECT_EQ(StepMonth(QDate(2011, 3, 31), -1), QDate(2011, 2, 28));
    EXPECT_EQ(StepMonth(QDate(2012, 3, 31), -1), QDate(2012, 2, 29));
    EXPECT_EQ(StepMonth(QDate(2011, 12, 15), 1), QDate(2012, 1, 15));
    EXPECT_EQ(StepMonth(QDate(2011, 1, 15), -1), QDate(2010, 12, 15));
    // The day number is kept across steps, not the clipped one.
    EXPECT_EQ(StepMonth(QDate(2011, 1, 31), 2), QDate(2011, 3, 31));
}

TEST(DateRules, YearStepFromLeapDayGoesTo28February)
{
    EXPECT_EQ(StepYear(QDate(2012, 2, 29), 1), QDate(2013, 2, 28));
    EXPECT_EQ(StepYear(QDate(2012, 2, 29), -1), QDate(2011, 2, 28));
    EXPECT_EQ(StepYear(QDate(2011, 2, 28), 1), QDate(2012, 2, 28));
    EXPECT_EQ(StepYear(QDate(2011, 7, 9), -1), QDate(2010, 7, 9));
}

TEST(DateRules, FirstOfTheMonthLandsInItsWeekdayColumn)
{
    // 1 January 2011 was a Saturday, 1 February 2010 a Monday, 1 May 2011 a Sunday.
    struct Case
    {
        QDate month;
        TDayOfWeek start;
        int column;
    };
    for (const Case &c : { Case { QDate(2011, 1, 20), dowMon, 5 },
             Case { QDate(2010, 2, 3), dowMon, 0 }, Case { QDate(2011, 5, 31), dowMon, 6 },
             Case { QDate(2011, 5, 31), dowSun, 0 }, Case { QDate(2011, 1, 20), dowSun, 6 } }) {
        const int offset = CalendarDayOffset(c.month, c.start);
        EXPECT_EQ(
            CalendarCellDay(c.column, CalendarFirstWeekRow, offset, c.month.daysInMonth()), 1);
        EXPECT_EQ(CalendarCellOfDay(1, offset), QPoint(c.column, CalendarFirstWeekRow));
        EXPECT_EQ(CalendarColumnWeekday(c.column, c.start) + 1,
            QDate(c.month.year(), c.month.month(), 1).dayOfWeek());
    }
}

TEST(DateRules, CellsOutsideTheMonthShowNoDay)
{
    const QDate january(2011, 1, 1); // a Saturday: six week rows are needed
    const int offset = CalendarDayOffset(january, dowMon);
    EXPECT_EQ(CalendarCellDay(4, 2, offset, 31), 0);
    EXPECT_EQ(CalendarCellDay(0, 7, offset, 31), 31);
    EXPECT_EQ(CalendarCellDay(1, 7, offset, 31), 0);
    EXPECT_EQ(CalendarCellDay(5, 1, offset, 31), 0); // the day-name row
    EXPECT_EQ(CalendarCellDay(7, 2, offset, 31), 0);
    EXPECT_EQ(CalendarCellOfDay(31, offset), QPoint(0, 7));
}

TEST(DateRules, DropDownOpensBelowAndRightAlignedWhenItFits)
{
    const QRect screen(0, 0, 1024, 768);
    EXPECT_EQ(PopupPosition({ 500, 100 }, { 91, 19 }, { 153, 133 }, screen), QPoint(438, 119));
}

TEST(DateRules, DropDownNearTheBottomOpensAbove)
{
    const QRect screen(0, 0, 1024, 768);
    EXPECT_EQ(PopupPosition({ 500, 700 }, { 91, 19 }, { 153, 133 }, screen), QPoint(438, 567));
    // Exactly touching the bottom still fits.
    EXPECT_EQ(PopupPosition({ 500, 616 }, { 91, 19 }, { 153, 133 }, screen).y(), 635);
}

TEST(DateRules, DropDownNearTheLeftEdgeOpensLeftAligned)
{
    const QRect screen(0, 0, 1024, 768);
    EXPECT_EQ(PopupPosition({ 10, 100 }, { 91, 19 }, { 153, 133 }, screen), QPoint(10, 119));
    // On a second screen to the right, its own left edge counts.
    EXPECT_EQ(PopupPosition({ 1034, 100 }, { 91, 19 }, { 153, 133 }, QRect(1024, 0, 800, 600)),
        QPoint(1034, 119));
}
