#include "components/vxBtnEd.h"

#include "support/ScriptedMessageService.h"
#include "vxTestWindow.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

struct ButtonEdit : ::testing::Test
{
    void SetUp() override
    {
        edit = new TvxEdit(&window);
        edit->setObjectName(QStringLiteral("EdtOperaDataFolder"));
        edit->move(10, 10);
        ASSERT_TRUE(window.ShowActive());
    }

    VxTestWindow window;
    TvxEdit *edit = nullptr;
};

} // namespace

TEST_F(ButtonEdit, NoTextEditBeepsOnPrintableKeysButEditingKeysWork)
{
    ScopedMessages messages;
    edit->SetStyle(esNoTextEdit);
    edit->setText(QStringLiteral("abc"));
    ASSERT_TRUE(window.FocusTo(edit));
    edit->setCursorPosition(3);
    QTest::keyClick(edit, Qt::Key_X);
    QTest::keyClick(edit, Qt::Key_Space);
    EXPECT_EQ(edit->text(), QStringLiteral("abc"));
    EXPECT_EQ(messages->beeps, 2);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), QStringLiteral("ab"));
    edit->setCursorPosition(0);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->text(), QStringLiteral("b"));
    EXPECT_EQ(messages->beeps, 2);

    edit->SetStyle(esNormal);
    QTest::keyClick(edit, Qt::Key_Y);
    EXPECT_EQ(edit->text(), QStringLiteral("yb"));
}

TEST_F(ButtonEdit, EnterPressesTheDefaultButtonAndDownIsConsumed)
{
    auto *proceed = new QPushButton(QStringLiteral("Proceed"), &window);
    proceed->setObjectName(QStringLiteral("BtnProceed"));
    proceed->move(200, 10);
    proceed->setDefault(true);
    proceed->show();
    QSignalSpy clicked(proceed, &QPushButton::clicked);
    edit->setText(QStringLiteral("abc"));
    ASSERT_TRUE(window.FocusTo(edit));

    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(clicked.count(), 1);

    // Down must not reach the caret or travel on to the window, drop-down or not.
    edit->setCursorPosition(1);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    down.ignore();
    QCoreApplication::sendEvent(edit, &down);
    EXPECT_TRUE(down.isAccepted());
    EXPECT_EQ(edit->cursorPosition(), 1);
    EXPECT_EQ(edit->text(), QStringLiteral("abc"));
}

TEST_F(ButtonEdit, ButtonClickFocusesTheBoxBeforeRaisingOnButtonClick)
{
    ASSERT_TRUE(window.FocusTo(window.Other()));
    int clicks = 0;
    bool focusedFirst = false;
    QObject::connect(edit, &TvxCustomEdit::OnButtonClick, edit, [&](TvxCustomEdit *sender) {
        ++clicks;
        focusedFirst = sender == edit && edit->hasFocus();
    });
    TvxDotButton *button = edit->Button();
    ASSERT_TRUE(button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(focusedFirst);

    // A press dragged off the button before release is no click, and shows it released.
    QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
    EXPECT_TRUE(button->IsDown());
    QMouseEvent away(QEvent::MouseMove, QPointF(-20, 5), button->mapToGlobal(QPointF(-20, 5)),
        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(button, &away);
    EXPECT_FALSE(button->IsDown());
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-20, 5));
    EXPECT_EQ(clicks, 1);
}

TEST_F(ButtonEdit, TextStopsAtTheButtonAndShortBoxesGrowBack)
{
    edit->resize(200, 24);
    const QRect button = edit->Button()->geometry();
    EXPECT_EQ(button.right(), edit->width() - 1);
    EXPECT_GE(edit->textMargins().right(), button.width() - 2);

    edit->SetShowButton(false);
    EXPECT_FALSE(edit->Button()->isVisible());
    EXPECT_EQ(edit->textMargins().right(), 0);

    edit->resize(200, 12);
    EXPECT_EQ(edit->height(), 19);

    edit->setEnabled(false);
    EXPECT_FALSE(edit->Button()->isEnabled());
}
