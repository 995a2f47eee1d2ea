#include "components/vxCalendar.h"
#include "components/vxPopCal.h"

#include "support/ScriptedMessageService.h"
#include "util/UtilMisc.h"
#include "vxTestWindow.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

double Number(int year, int month, int day)
{
    return NumberFromDate(QDate(year, month, day));
}

struct DateEdit : ::testing::Test
{
    void SetUp() override
    {
        edit = new TvxDateEdit(&window);
        edit->setObjectName(QStringLiteral("EdtDateFrom"));
        edit->setGeometry(100, 30, 76, 19);
        ASSERT_TRUE(window.ShowActive());
    }

    // Types over the whole mask from its first position.
    void TypeDate(const char *digits)
    {
        edit->setCursorPosition(0);
        QTest::keyClicks(edit, QString::fromLatin1(digits));
    }

    TvxCalendar *Calendar() const { return edit->PopupCalendar()->Calendar(); }

    ScopedLocale locale { QLocale(QLocale::English, QLocale::UnitedKingdom) };
    ScopedMessages messages;
    VxTestWindow window;
    TvxDateEdit *edit = nullptr;
};

} // namespace

TEST_F(DateEdit, MaskWhileFocusedAndLongFormAfter)
{
    edit->SetValue(Number(2008, 12, 31));
    EXPECT_EQ(edit->text(), QStringLiteral("31/12/2008 Wed"));
    QSignalSpy changed(edit, &TvxDateEdit::OnChanged);

    ASSERT_TRUE(window.FocusTo(edit));
    EXPECT_FALSE(edit->inputMask().isEmpty());
    EXPECT_EQ(edit->text(), QStringLiteral("31/12/2008"));
    TypeDate("01022024");
    EXPECT_EQ(edit->displayText(), QStringLiteral("01/02/2024"));

    ASSERT_TRUE(window.FocusTo(window.Other()));
    EXPECT_TRUE(edit->inputMask().isEmpty());
    EXPECT_EQ(edit->text(), QStringLiteral("01/02/2024 Thu"));
    EXPECT_EQ(edit->Value(), Number(2024, 2, 1));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<TvxDateEdit *>(), edit);

    // Entering and leaving again changes nothing and raises nothing.
    ASSERT_TRUE(window.FocusTo(edit));
    ASSERT_TRUE(window.FocusTo(window.Other()));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(messages->entries.isEmpty());
}

TEST_F(DateEdit, TwoDigitYearAndEpochApplyWhenLeaving)
{
    edit->SetValue(Number(2011, 1, 18));
    ASSERT_TRUE(window.FocusTo(edit));
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    TypeDate("010224");
    ASSERT_TRUE(window.FocusTo(window.Other()));
    EXPECT_EQ(edit->Value(),
        NumberFromDate(QDate(ExpandShortYear(24, QDate::currentDate().year()), 2, 1)));

    ASSERT_TRUE(window.FocusTo(edit));
    TypeDate("01021924");
    ASSERT_TRUE(window.FocusTo(window.Other()));
    EXPECT_EQ(edit->Value(), Number(2024, 2, 1));

    edit->SetOptionsEx({});
    ASSERT_TRUE(window.FocusTo(edit));
    TypeDate("01021924");
    ASSERT_TRUE(window.FocusTo(window.Other()));
    EXPECT_EQ(edit->Value(), Number(1924, 2, 1));
}

// An empty box entered and left holds day 0 typed out, 30/12/1899: the epoch moves it to
// 30/12/1999; without the epoch it stays 0.
TEST_F(DateEdit, EmptyBoxEnteredAndLeftFollowsTheEpoch)
{
    edit->SetOptionsEx({ calUseEpoch });
    edit->SetValue(0);
    edit->clear();
    QSignalSpy changed(edit, &TvxDateEdit::OnChanged);
    ASSERT_TRUE(window.FocusTo(edit));
    EXPECT_EQ(edit->displayText(), QStringLiteral("30/12/1899"));
    ASSERT_TRUE(window.FocusTo(window.Other()));
    EXPECT_EQ(edit->Value(), Number(1999, 12, 30));
    EXPECT_EQ(changed.count(), 1);

    edit->SetOptionsEx({});
    edit->SetValue(0);
    edit->clear();
    ASSERT_TRUE(window.FocusTo(edit));
    ASSERT_TRUE(window.FocusTo(window.Other()));
    EXPECT_EQ(edit->Value(), 0.0);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(messages->entries.isEmpty());
}

TEST_F(DateEdit, BlankTextGivesTheErrorBoxAndKeepsTheFocus)
{
    edit->SetValue(Number(2011, 1, 18));
    QSignalSpy changed(edit, &TvxDateEdit::OnChanged);
    ASSERT_TRUE(window.FocusTo(edit));
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    ASSERT_EQ(edit->displayText(), QStringLiteral("__/__/____"));

    window.Other()->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }));
    ASSERT_EQ(messages->entries.size(), 1);
    EXPECT_EQ(messages->entries.at(0).kind, MessageService::Kind::Error);
    EXPECT_EQ(messages->entries.at(0).text, QStringLiteral("'  /  /    ' is not a valid date"));
    EXPECT_EQ(edit->Value(), Number(2011, 1, 18));
    EXPECT_EQ(edit->displayText(), QStringLiteral("__/__/____"));
    EXPECT_EQ(changed.count(), 0);

    // A half-typed date is refused the same way; a whole one lets the user go.
    TypeDate("3102");
    window.Other()->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus() && messages->entries.size() == 2; }));
    EXPECT_EQ(messages->entries.at(1).text, QStringLiteral("'31/02/    ' is not a valid date"));
    TypeDate("28022011");
    ASSERT_TRUE(window.FocusTo(window.Other()));
    EXPECT_EQ(edit->Value(), Number(2011, 2, 28));
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(DateEdit, DownOpensTheCalendarAndEnterAcceptsItsDate)
{
    edit->SetValue(Number(2011, 3, 15));
    ASSERT_TRUE(window.FocusTo(edit));
    QTest::keyClick(edit, Qt::Key_Down);
    ASSERT_TRUE(edit->DroppedDown());
    EXPECT_TRUE(edit->PopupCalendar()->isVisible());
    EXPECT_EQ(Calendar()->CalendarDate(), QDate(2011, 3, 15));
    EXPECT_TRUE(edit->hasFocus()); // the drop-down never takes the focus

    QTest::keyClick(edit, Qt::Key_Right);
    QTest::keyClick(edit, Qt::Key_PageDown);
    QTest::keyClick(edit, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(Calendar()->CalendarDate(), QDate(2012, 4, 16));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_FALSE(edit->DroppedDown());
    EXPECT_FALSE(edit->PopupCalendar()->isVisible());
    EXPECT_EQ(edit->text(), QStringLiteral("16/04/2012"));

    // Esc discards the calendar's choice.
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_PageUp);
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(edit->DroppedDown());
    EXPECT_EQ(edit->text(), QStringLiteral("16/04/2012"));

    ASSERT_TRUE(window.FocusTo(window.Other()));
    EXPECT_EQ(edit->Value(), Number(2012, 4, 16));
}

TEST_F(DateEdit, ClickOnADayClosesTheCalendarWithThatDate)
{
    edit->SetValue(Number(2011, 3, 15));
    ASSERT_TRUE(window.FocusTo(window.Other()));
    TvxDotButton *button = edit->Button();
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    ASSERT_TRUE(edit->DroppedDown());
    EXPECT_TRUE(edit->hasFocus());

    // The title and day-name rows choose nothing.
    QTest::mouseClick(Calendar(), Qt::LeftButton, {}, Calendar()->CellRect(2, 1).center());
    EXPECT_TRUE(edit->DroppedDown());

    QTest::mouseClick(Calendar(), Qt::LeftButton, {}, Calendar()->DayRect(20).center());
    EXPECT_FALSE(edit->DroppedDown());
    EXPECT_EQ(edit->text(), QStringLiteral("20/03/2011"));
    EXPECT_TRUE(edit->hasFocus());
    ASSERT_TRUE(window.FocusTo(window.Other()));
    EXPECT_EQ(edit->Value(), Number(2011, 3, 20));
}

TEST_F(DateEdit, ButtonTogglesAndLeavingTheBoxDiscards)
{
    edit->SetValue(Number(2011, 3, 15));
    TvxDotButton *button = edit->Button();
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    ASSERT_TRUE(edit->DroppedDown());
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    EXPECT_FALSE(edit->DroppedDown());

    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    QTest::keyClick(edit, Qt::Key_PageDown);
    ASSERT_TRUE(window.FocusTo(window.Other()));
    EXPECT_FALSE(edit->DroppedDown());
    EXPECT_FALSE(edit->PopupCalendar()->isVisible());
    EXPECT_EQ(edit->Value(), Number(2011, 3, 15));

    // A release on the drop-down's own border accepts; one dragged outside it discards.
    ASSERT_TRUE(window.FocusTo(edit));
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_PageDown);
    QTest::mouseRelease(edit->PopupCalendar(), Qt::LeftButton, {}, QPoint(0, 60));
    EXPECT_FALSE(edit->DroppedDown());
    EXPECT_EQ(edit->text(), QStringLiteral("15/04/2011"));
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_PageDown);
    QTest::mouseRelease(edit->PopupCalendar(), Qt::LeftButton, {}, QPoint(-30, 60));
    EXPECT_FALSE(edit->DroppedDown());
    EXPECT_EQ(edit->text(), QStringLiteral("15/04/2011"));
}

TEST_F(DateEdit, ReadOnlyBoxDoesNotOpenOnDown)
{
    edit->setReadOnly(true);
    ASSERT_TRUE(window.FocusTo(edit));
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_FALSE(edit->DroppedDown());
}

TEST_F(DateEdit, CalendarOpensBelowTheBoxRightAligned)
{
    ASSERT_TRUE(window.FocusTo(edit));
    QTest::keyClick(edit, Qt::Key_Down);
    const QRect popup = edit->PopupCalendar()->frameGeometry();
    const QPoint corner = edit->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(edit->PopupCalendar()->size(), QSize(153, 133));
    EXPECT_EQ(popup.top(), corner.y() + edit->height());
    EXPECT_EQ(popup.right(), corner.x() + edit->width() - 1);
}
