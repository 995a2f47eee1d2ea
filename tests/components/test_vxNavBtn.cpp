#include "components/DataSource.h"
#include "components/dbBrowse.h"
#include "components/vxNavBtn.h"
#include "support/ScriptedMessageService.h"

#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

const TvxBrwBtnSet ReviewButtons { brwEdit, brwUdf1, brwUdf2, brwClose };

TEST(ArrangeNavigatorButtons, ReviewBarPutsEditLeftCloseRightAndTheFreeButtonsBetween)
{
    NavigatorMetrics m;
    m.bar = QSize(918, 26);
    m.buttonWidth = 120;
    m.allowed = ReviewButtons;
    const NavigatorPlaces places = ArrangeNavigatorButtons(m);
    EXPECT_EQ(places.buttons[brwEdit], QPoint(5, 2));
    EXPECT_EQ(places.buttons[brwClose], QPoint(793, 2));
    EXPECT_EQ(places.buttons[brwUdf1], QPoint(337, 2));
    EXPECT_EQ(places.buttons[brwUdf2], QPoint(460, 2));
    // Free buttons that are not allowed stay off the bar.
    EXPECT_EQ(places.buttons[brwUdf3], QPoint(-120, -21));
}

TEST(ArrangeNavigatorButtons, DefaultButtonsIndentSeparatorAndSharedSlots)
{
    NavigatorMetrics m;
    m.bar = QSize(400, 30);
    m.indent = 10;
    m.separator = true;
    m.picture = QSize(16, 10);
    m.allowed = { brwNew, brwEdit, brwRemove, brwDone, brwCancel, brwClose };
    const NavigatorPlaces p = ArrangeNavigatorButtons(m);
    const int y = (30 - 21) / 2 + 2;
    EXPECT_EQ(p.buttons[brwNew], QPoint(15, y));
    EXPECT_EQ(p.buttons[brwEdit], QPoint(15 + 64, y));
    EXPECT_EQ(p.buttons[brwDone], p.buttons[brwEdit]);
    EXPECT_EQ(p.buttons[brwRemove], QPoint(15 + 2 * 64, y));
    EXPECT_EQ(p.buttons[brwCancel], p.buttons[brwRemove]);
    EXPECT_EQ(p.buttons[brwClose], QPoint(400 - 61 - 5, y));
    // Tag is not allowed, so the picture follows Remove's slot.
    EXPECT_EQ(p.picture, QPoint(15 + 3 * 64 + 3, (30 - 10) / 2 + 2));
}

TEST(ArrangeNavigatorButtons, VerticalBarStacksAlongItsHeight)
{
    NavigatorMetrics m;
    m.bar = QSize(80, 300);
    m.orientation = boVertical;
    m.allowed = { brwNew, brwClose };
    const NavigatorPlaces p = ArrangeNavigatorButtons(m);
    EXPECT_EQ(p.buttons[brwNew], QPoint((80 - 61) / 2, 5));
    EXPECT_EQ(p.buttons[brwClose], QPoint((80 - 61) / 2, 300 - 21 - 5));
}

// The review page's bar on a grid, over a model that tests can empty, edit or close.
class NavigatorFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setRows(2);
        source.setModel(&model);
        grid.setDataSource(&source);
        nav.setDataSource(&source);
        nav.setFocusControl(&grid);
        nav.setButtonWidth(120);
        nav.setCancel(false);
        nav.setAllowed(ReviewButtons);
        grid.OnAction
            = [this](TdbBrowse *, TBrwAction action, quint16) { actions.push_back(action); };
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(&other);
        layout->addWidget(&grid);
        layout->addWidget(&nav);
        window.resize(918, 300);
    }

    void showWindow()
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void setRows(int rows)
    {
        model.clear();
        model.setColumnCount(1);
        for (int r = 0; r < rows; ++r)
            model.appendRow(new QStandardItem(QString::number(r)));
    }

    QPushButton *button(TvxBrwButtons b) { return nav.Buttons(b); }

    QWidget window;
    QLineEdit other;
    QStandardItemModel model;
    TDataSource source;
    TdbBrowse grid;
    TvxBrwNavigator nav;
    std::vector<TBrwAction> actions;
};

TEST_F(NavigatorFixture, CaptionsLoadOnceWhenShownAndTheOwnerReplacesThem)
{
    int loads = 0;
    nav.OnLoadCaptions = [&loads](TCustomBtns *sender) {
        ++loads;
        auto *bar = static_cast<TvxBrwNavigator *>(sender);
        bar->Buttons(brwEdit)->setText(QStringLiteral("&Edit Mail Address"));
        bar->Buttons(brwUdf1)->setText(QStringLiteral("&Send Tagged"));
    };
    EXPECT_FALSE(button(brwUdf1)->isEnabled()) << "free buttons start disabled";
    showWindow();
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(button(brwEdit)->text(), QStringLiteral("&Edit Mail Address"));
    EXPECT_EQ(button(brwUdf1)->text(), QStringLiteral("&Send Tagged"));
    EXPECT_EQ(button(brwClose)->text(), QStringLiteral("&Close"));
    EXPECT_EQ(button(brwNew)->text(), QStringLiteral("&New"));
    EXPECT_TRUE(button(brwUdf1)->isEnabled());
    EXPECT_TRUE(button(brwClose)->isEnabled());
    nav.repaint();
    EXPECT_EQ(loads, 1);
}

TEST_F(NavigatorFixture, ReviewBarButtonsSitWhereTheArithmeticSays)
{
    showWindow();
    ASSERT_EQ(nav.width(), 918);
    ASSERT_EQ(nav.height(), 26);
    EXPECT_EQ(button(brwEdit)->geometry(), QRect(5, 2, 120, 21));
    EXPECT_EQ(button(brwClose)->pos(), QPoint(793, 2));
    EXPECT_EQ(button(brwUdf1)->pos(), QPoint(337, 2));
    EXPECT_EQ(button(brwUdf2)->pos(), QPoint(460, 2));
    EXPECT_TRUE(button(brwEdit)->isVisible());
    EXPECT_FALSE(button(brwNew)->isVisible());
    EXPECT_FALSE(button(brwTag)->isVisible());
}

TEST_F(NavigatorFixture, EnablingFollowsTheDataSourceState)
{
    nav.setAllowed({ brwNew, brwEdit, brwRemove, brwDone, brwCancel, brwTag, brwClose });
    showWindow();
    EXPECT_TRUE(button(brwEdit)->isEnabled());
    EXPECT_TRUE(button(brwRemove)->isEnabled());
    EXPECT_TRUE(button(brwTag)->isEnabled());
    EXPECT_FALSE(button(brwDone)->isEnabled());

    // An empty list is still open and browsed: Edit stays enabled.
    setRows(0);
    EXPECT_TRUE(button(brwNew)->isEnabled());
    EXPECT_TRUE(button(brwEdit)->isEnabled());
    EXPECT_FALSE(button(brwRemove)->isEnabled());
    EXPECT_FALSE(button(brwTag)->isEnabled());

    setRows(1);
    source.edit();
    EXPECT_FALSE(button(brwNew)->isEnabled());
    EXPECT_FALSE(button(brwEdit)->isEnabled());
    EXPECT_TRUE(button(brwDone)->isEnabled());
    EXPECT_TRUE(button(brwCancel)->isEnabled());
    source.post();
    EXPECT_FALSE(button(brwDone)->isEnabled());

    // Done is enabled only when it is allowed.
    nav.setAllowed({ brwEdit, brwCancel });
    source.edit();
    EXPECT_FALSE(button(brwDone)->isEnabled());
    EXPECT_TRUE(button(brwCancel)->isEnabled());
    source.cancel();

    // Closed rows: the free buttons and Close enabled, the data buttons not.
    source.setActive(false);
    for (int b = 0; b < NavigatorButtonCount; ++b)
        EXPECT_EQ(button(TvxBrwButtons(b))->isEnabled(), b >= brwUdf1) << b;
}

TEST_F(NavigatorFixture, EditIsTheDefaultButtonWhileEnabled)
{
    showWindow();
    EXPECT_TRUE(button(brwEdit)->isDefault());
    source.edit();
    EXPECT_FALSE(button(brwEdit)->isDefault());
    source.post();
    nav.setDefault(false);
    nav.DataChanged();
    EXPECT_FALSE(button(brwEdit)->isDefault());
}

TEST_F(NavigatorFixture, ButtonsRouteToTheGridsActions)
{
    nav.setAllowed({ brwNew, brwEdit, brwRemove, brwUdf1, brwClose });
    showWindow();
    button(brwNew)->click();
    button(brwEdit)->click();
    button(brwRemove)->click();
    EXPECT_EQ(actions, (std::vector<TBrwAction> { baInsert, baEdit, baDelete }));
    EXPECT_EQ(model.rowCount(), 2) << "Remove on a grid is the owner's action, not a delete";

    // A free button does nothing of its own, but the focus returns to the grid.
    other.setFocus();
    button(brwUdf1)->click();
    EXPECT_EQ(actions.size(), 3u);
    EXPECT_TRUE(grid.hasFocus());
}

TEST_F(NavigatorFixture, OwnerSeesEveryClickFirstAndCanTakeItOver)
{
    showWindow();
    std::vector<std::pair<TvxBrwButtons, bool>> before;
    std::vector<std::pair<TvxBrwButtons, bool>> after;
    nav.OnButtonClick = [&before](TvxBrwNavigator *, TvxBrwButtons b, bool &handled) {
        before.emplace_back(b, handled);
        if (b == brwEdit)
            handled = true;
    };
    nav.OnAfterClick = [&after](TvxBrwNavigator *, TvxBrwButtons b, bool &handled) {
        after.emplace_back(b, handled);
    };
    button(brwEdit)->click();
    button(brwUdf2)->click();
    EXPECT_TRUE(actions.empty()) << "a handled Edit raises nothing";
    EXPECT_EQ(before,
        (std::vector<std::pair<TvxBrwButtons, bool>> { { brwEdit, false }, { brwUdf2, false } }));
    EXPECT_EQ(after,
        (std::vector<std::pair<TvxBrwButtons, bool>> { { brwEdit, true }, { brwUdf2, false } }));
}

TEST_F(NavigatorFixture, CloseClosesTheWindowWithoutAsking)
{
    ScopedMessages messages;
    showWindow();
    button(brwClose)->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(messages->entries.isEmpty());
}

TEST_F(NavigatorFixture, WithoutAGridTheButtonsWorkTheDataSource)
{
    ScopedMessages messages;
    nav.setFocusControl(&other);
    nav.setAllowed({ brwNew, brwEdit, brwRemove, brwDone, brwCancel, brwClose });
    showWindow();

    messages->setNextAnswer(MessageService::Answer::No);
    button(brwRemove)->click();
    ASSERT_EQ(messages->entries.size(), 1);
    EXPECT_TRUE(messages->entries[0].question);
    EXPECT_EQ(messages->entries[0].text,
        QStringLiteral("Are you sure that you want \nto remove this record ?"));
    EXPECT_EQ(model.rowCount(), 2) << "No keeps the row";
    messages->setNextAnswer(MessageService::Answer::Yes);
    button(brwRemove)->click();
    EXPECT_EQ(model.rowCount(), 1);

    button(brwNew)->click();
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(source.state(), dsInsert);
    EXPECT_TRUE(button(brwCancel)->isEnabled());
    button(brwCancel)->click();
    EXPECT_EQ(model.rowCount(), 1) << "a cancelled insert takes its row away";
    EXPECT_EQ(source.state(), dsBrowse);

    button(brwEdit)->click();
    EXPECT_EQ(source.state(), dsEdit);
    button(brwDone)->click();
    EXPECT_EQ(source.state(), dsBrowse);
    EXPECT_TRUE(actions.empty());
}

} // namespace

namespace {

TEST(TvxBtnPanel, EtchedLineSitsAtTheMargin)
{
    TvxBtnPanel panel;
    panel.setFixedHeight(35);
    panel.resize(200, 35);
    panel.setMargin(5);
    const QImage image = panel.grab().toImage();
    EXPECT_EQ(panel.height(), 35);
    EXPECT_EQ(image.pixel(10, 5), panel.palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(image.pixel(10, 6), panel.palette().color(QPalette::Light).rgb());
    EXPECT_NE(image.pixel(10, 4), panel.palette().color(QPalette::Dark).rgb());
    // The line stops short of both ends.
    EXPECT_NE(image.pixel(1, 5), panel.palette().color(QPalette::Dark).rgb());
    EXPECT_NE(image.pixel(197, 5), panel.palette().color(QPalette::Dark).rgb());
}

TEST(TvxBrwNavigator, SeparatorIsDrawnOnTopAndLowersTheButtons)
{
    TvxBrwNavigator nav;
    nav.resize(400, 26);
    nav.setAllowed({ brwEdit });
    const int y = nav.Buttons(brwEdit)->y();
    nav.setOptions(boSeparator);
    EXPECT_EQ(nav.Buttons(brwEdit)->y(), y + 2);
    const QImage image = nav.grab().toImage();
    EXPECT_EQ(image.pixel(200, 0), nav.palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(image.pixel(200, 1), nav.palette().color(QPalette::Light).rgb());
}

} // namespace
