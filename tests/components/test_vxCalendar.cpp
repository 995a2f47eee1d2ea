#include "components/vxCalendar.h"
#include "components/vxRptBtn.h"

#include "vxTestWindow.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

struct Calendar : ::testing::Test
{
    void SetUp() override
    {
        calendar = new TvxCalendar(&window);
        calendar->move(10, 10);
        ASSERT_TRUE(window.ShowActive());
        calendar->setFocus();
    }

    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(calendar, static_cast<Qt::Key>(key), modifiers);
    }

    ScopedLocale locale { QLocale(QLocale::English, QLocale::UnitedKingdom) };
    VxTestWindow window;
    TvxCalendar *calendar = nullptr;
};

} // namespace

TEST_F(Calendar, DefaultLayoutAndTitle)
{
    EXPECT_EQ(calendar->size(), QSize(151, 131));
    EXPECT_EQ(calendar->ColumnWidth(), 21);
    EXPECT_EQ(calendar->RowHeight(), 16);
    EXPECT_TRUE(calendar->UseCurrentDate());
    EXPECT_EQ(calendar->CalendarDate(), QDate::currentDate());
    calendar->SetCalendarDate(QDate(2011, 1, 18));
    EXPECT_FALSE(calendar->UseCurrentDate());
    EXPECT_EQ(calendar->TitleText(), QStringLiteral("January 2011"));
    EXPECT_EQ(calendar->DayNameText(0), QStringLiteral("Mo"));
    EXPECT_EQ(calendar->DayNameText(6), QStringLiteral("Su"));
    EXPECT_EQ(calendar->NextMonthButton()->geometry(), QRect(136, 0, 15, 15));
    EXPECT_EQ(calendar->NextYearButton()->geometry(), QRect(120, 0, 15, 15));
    EXPECT_EQ(calendar->PrevYearButton()->geometry(), QRect(16, 0, 15, 15));
    EXPECT_EQ(calendar->PrevMonthButton()->geometry(), QRect(0, 0, 15, 15));
}

TEST_F(Calendar, PageKeysStepMonthsAndYears)
{
    calendar->SetCalendarDate(QDate(2011, 1, 31));
    QSignalSpy changed(calendar, &TvxCustomCalendar::OnChange);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(calendar->CalendarDate(), QDate(2011, 2, 28));
    calendar->SetCalendarDate(QDate(2012, 3, 31));
    Key(Qt::Key_PageUp);
    EXPECT_EQ(calendar->CalendarDate(), QDate(2012, 2, 29));
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(calendar->CalendarDate(), QDate(2013, 2, 28));
    calendar->SetCalendarDate(QDate(2012, 2, 29));
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(calendar->CalendarDate(), QDate(2011, 2, 28));
    EXPECT_EQ(changed.count(), 6);
}

TEST_F(Calendar, ArrowsMoveWithinTheMonthAndStopAtItsEnds)
{
    calendar->SetCalendarDate(QDate(2011, 3, 1)); // a Tuesday
    Key(Qt::Key_Left);
    EXPECT_EQ(calendar->CalendarDate(), QDate(2011, 3, 1));
    Key(Qt::Key_Up);
    EXPECT_EQ(calendar->CalendarDate(), QDate(2011, 3, 1));
    Key(Qt::Key_Down);
    Key(Qt::Key_Right);
    EXPECT_EQ(calendar->CalendarDate(), QDate(2011, 3, 9));
    EXPECT_EQ(calendar->SelectedCell(), QPoint(2, 3));

    calendar->SetCalendarDate(QDate(2011, 3, 30));
    Key(Qt::Key_Right);
    EXPECT_EQ(calendar->CalendarDate(), QDate(2011, 3, 31));
    Key(Qt::Key_Right);
    Key(Qt::Key_Down);
    EXPECT_EQ(calendar->CalendarDate(), QDate(2011, 3, 31));

    // Read-only: neither keys nor the mouse select.
    calendar->SetReadOnly(true);
    Key(Qt::Key_Left);
    QTest::mouseClick(calendar, Qt::LeftButton, {}, calendar->DayRect(3).center());
    EXPECT_EQ(calendar->CalendarDate(), QDate(2011, 3, 31));
    // The steps still work and the selection follows the day.
    Key(Qt::Key_PageUp);
    EXPECT_EQ(calendar->CalendarDate(), QDate(2011, 2, 28));
    EXPECT_EQ(calendar->SelectedCell(), calendar->CellAt(calendar->DayRect(28).center()));
}

TEST_F(Calendar, ReleaseBetweenTheTitleButtonsGoesToToday)
{
    calendar->SetCalendarDate(QDate(2000, 6, 15));
    QTest::mouseClick(
        calendar, Qt::LeftButton, {}, QPoint(31, 5)); // between the pair and the strip
    EXPECT_EQ(calendar->CalendarDate(), QDate(2000, 6, 15));
    QTest::mouseClick(calendar, Qt::LeftButton, {}, QPoint(75, 5));
    EXPECT_EQ(calendar->CalendarDate(), QDate::currentDate());
}

TEST_F(Calendar, SettersIgnoreImpossibleValues)
{
    calendar->SetCalendarDate(QDate(2012, 2, 29));
    QSignalSpy changed(calendar, &TvxCustomCalendar::OnChange);
    calendar->SetYear(0);
    calendar->SetYear(2013); // no 29 February
    calendar->SetMonth(13);
    calendar->SetMonth(0);
    calendar->SetMonth(4); // fine: 29 April
    calendar->SetDay(31); // April has 30
    calendar->SetDay(29); // unchanged
    EXPECT_EQ(calendar->CalendarDate(), QDate(2012, 4, 29));
    EXPECT_EQ(changed.count(), 1);
}

// Each column's name matches the weekday it shows, whatever the first day of the week.
TEST_F(Calendar, DayNamesFollowTheStartOfTheWeek)
{
    calendar->SetCalendarDate(QDate(2011, 5, 10)); // 1 May 2011 was a Sunday
    calendar->SetStartOfWeek(dowSun);
    EXPECT_EQ(calendar->DayNameText(0), QStringLiteral("Su"));
    EXPECT_EQ(calendar->DayNameText(6), QStringLiteral("Sa"));
    EXPECT_EQ(calendar->DayAt(0, 2), 1);
    calendar->SetStartOfWeek(dowMon);
    EXPECT_EQ(calendar->DayAt(6, 2), 1);
}
