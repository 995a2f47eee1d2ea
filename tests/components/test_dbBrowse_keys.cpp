#include "components/DataSource.h"
#include "components/dbBrowse.h"
#include "support/ScriptedMessageService.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

struct Raised
{
    TBrwAction action;
    quint16 arg;
    bool operator==(const Raised &) const = default;
};

// A grid over a small model inside a window, recording every action it raises.
class GridFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fill(3);
        source.setModel(&model);
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(&grid);
        grid.setDataSource(&source);
        grid.OnAction = [this](TdbBrowse *sender, TBrwAction action, quint16 arg) {
            EXPECT_EQ(sender, &grid);
            raised.push_back({ action, arg });
        };
        window.resize(400, 300);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        grid.setFocus();
    }

    void fill(int rows)
    {
        model.clear();
        model.setColumnCount(3);
        for (int r = 0; r < rows; ++r) {
            QList<QStandardItem *> items;
            for (int c = 0; c < 3; ++c)
                items.append(new QStandardItem(QStringLiteral("r%1c%2").arg(r).arg(c)));
            model.appendRow(items);
        }
    }

    QWidget window;
    QStandardItemModel model;
    TDataSource source;
    TdbBrowse grid { nullptr };
    std::vector<Raised> raised;
};

TEST_F(GridFixture, KeysWithoutModifiersRaiseTheirActionsWithTheVirtualKeyCode)
{
    const struct
    {
        Qt::Key key;
        Raised expected;
    } cases[] = {
        { Qt::Key_Return, { baEdit, 13 } },
        { Qt::Key_Enter, { baEdit, 13 } },
        { Qt::Key_Space, { baSelect, 32 } },
        { Qt::Key_Insert, { baInsert, 45 } },
        { Qt::Key_Delete, { baDelete, 46 } },
        { Qt::Key_F5, { baRefresh, 116 } },
        { Qt::Key_Escape, { baClose, 27 } },
    };
    for (const auto &c : cases) {
        raised.clear();
        QTest::keyClick(&grid, c.key);
        ASSERT_EQ(raised.size(), 1u) << "key " << c.key;
        EXPECT_EQ(raised[0], c.expected) << "key " << c.key;
    }
}

TEST_F(GridFixture, OnlyExactlyCtrlTurnsInsertAndDeleteIntoActions)
{
    QTest::keyClick(&grid, Qt::Key_Insert, Qt::ControlModifier);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(raised, (std::vector<Raised> { { baInsert, 45 }, { baDelete, 46 } }));
    raised.clear();
    QTest::keyClick(&grid, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(&grid, Qt::Key_Delete, Qt::AltModifier);
    QTest::keyClick(&grid, Qt::Key_Insert, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(&grid, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_TRUE(raised.empty());
}

TEST_F(GridFixture, EscapeCancelsWhileTheRowIsEdited)
{
    source.edit();
    QTest::keyClick(&grid, Qt::Key_Escape);
    EXPECT_EQ(raised, (std::vector<Raised> { { baCancel, 27 } }));
}

TEST_F(GridFixture, TheWindowsDefaultAndCancelButtonsTakeEnterAndEscapeFirst)
{
    auto *display = new QPushButton(QStringLiteral("Display"), &window);
    display->setDefault(true);
    display->show();
    int clicks = 0;
    QObject::connect(display, &QPushButton::clicked, display, [&clicks] { ++clicks; });
    grid.setFocus();
    QTest::keyClick(&grid, Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(raised.empty());

    // A disabled default button does not act; the grid then has the key.
    display->setEnabled(false);
    QTest::keyClick(&grid, Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(raised, (std::vector<Raised> { { baEdit, 13 } }));
}

TEST_F(GridFixture, LettersAndDigitsSearchAndPlusMinusMoveTheCursor)
{
    QTest::keyClicks(&grid, QStringLiteral("a7Z.!"));
    EXPECT_EQ(
        raised, (std::vector<Raised> { { baSearch, 'a' }, { baSearch, '7' }, { baSearch, 'Z' } }));

    raised.clear();
    QString searched;
    grid.OnSearch = [&searched](TdbBrowse *, QChar c) { searched.append(c); };
    QTest::keyClicks(&grid, QStringLiteral("b9"));
    EXPECT_EQ(searched, QStringLiteral("b9"));
    EXPECT_TRUE(raised.empty());

    EXPECT_EQ(source.currentRow(), 0);
    QTest::keyClick(&grid, '+');
    QTest::keyClick(&grid, '+');
    EXPECT_EQ(source.currentRow(), 2);
    EXPECT_EQ(grid.currentIndex().row(), 2);
    QTest::keyClick(&grid, '-');
    EXPECT_EQ(source.currentRow(), 1);
}

TEST_F(GridFixture, WithoutOnActionTheGesturesRaiseNothingAndDoNotCrash)
{
    grid.OnAction = nullptr;
    QTest::keyClick(&grid, Qt::Key_Space);
    QTest::keyClick(&grid, Qt::Key_Escape);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(raised.empty());
    EXPECT_TRUE(window.isVisible());
}

TEST_F(GridFixture, OwnersKeyDownSeesFunctionKeysWithModifiersAndCanConsumeThem)
{
    std::vector<std::pair<int, Qt::KeyboardModifiers>> seen;
    grid.OnKeyDown = [&seen](TdbBrowse *, int &key, Qt::KeyboardModifiers shift) {
        if (key != Qt::Key_Control) // the modifier key's own press is reported too
            seen.emplace_back(key, shift);
        if (key == Qt::Key_Down)
            key = 0;
    };
    QTest::keyClick(&grid, Qt::Key_F2);
    QTest::keyClick(&grid, Qt::Key_F3, Qt::ControlModifier);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, Qt::Key_F2);
    EXPECT_EQ(seen[1].first, Qt::Key_F3);
    EXPECT_EQ(seen[1].second, Qt::ControlModifier);
    // Keys the grid turns into actions never reach the owner's handler.
    QTest::keyClick(&grid, Qt::Key_Space);
    EXPECT_EQ(seen.size(), 2u);
    // A consumed Down does not move the cursor.
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(source.currentRow(), 0);
    grid.OnKeyDown = nullptr;
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(source.currentRow(), 1);
}

TEST_F(GridFixture, DownOnTheLastRowAppendsOnlyWithRowEditing)
{
    source.setCurrentRow(2);
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_TRUE(raised.empty());
    grid.setOptionsEx(grid.OptionsEx() | dgAllowRowEditing);
    source.setCurrentRow(1);
    QTest::keyClick(&grid, Qt::Key_Down); // reaches the last row: not yet past it
    EXPECT_TRUE(raised.empty());
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(raised, (std::vector<Raised> { { baAppend, 40 } }));
}

TEST_F(GridFixture, LeftAndRightScrollTheColumnsInsteadOfMovingTheCell)
{
    model.setColumnCount(30);
    for (int c = 0; c < 30; ++c)
        grid.setColumnWidth(c, 80);
    QApplication::processEvents();
    QScrollBar *bar = grid.horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    const int column = grid.currentIndex().column();
    QTest::keyClick(&grid, Qt::Key_Right);
    QTest::keyClick(&grid, Qt::Key_Right);
    EXPECT_EQ(bar->value(), 2);
    QTest::keyClick(&grid, Qt::Key_Left);
    EXPECT_EQ(bar->value(), 1);
    QTest::keyClick(&grid, Qt::Key_Left);
    QTest::keyClick(&grid, Qt::Key_Left); // already at the first column
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(grid.currentIndex().column(), column);
}

TEST_F(GridFixture, DoubleClickEditsARowAndInsertsOnAnEmptyList)
{
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(raised, (std::vector<Raised> { { baEdit, 0 } }));

    raised.clear();
    fill(0);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(raised, (std::vector<Raised> { { baInsert, 0 } }));

    // A closed data source raises nothing.
    raised.clear();
    source.setActive(false);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(raised.empty());

    int calls = 0;
    grid.OnDblClick = [&calls](TdbBrowse *) { ++calls; };
    source.setActive(true);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(raised.empty());
}

// An owner that handles only Edit, Select and Close beeps for the rest, as the review grid does.
TEST_F(GridFixture, DoubleClickOnAnEmptyGridBeepsThroughAnOwnerHandlingOnlyEdits)
{
    ScopedMessages messages;
    int edits = 0;
    grid.OnAction = [&edits](TdbBrowse *, TBrwAction action, quint16) {
        if (action == baEdit || action == baSelect)
            ++edits;
        else if (action != baClose)
            Beep();
    };
    fill(0);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(messages->beeps, 1);
    EXPECT_EQ(edits, 0);
}

TEST_F(GridFixture, TitlePressRaisesTitleAndSortFieldUnlessColumnsResize)
{
    model.setHorizontalHeaderLabels(
        { QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C") });
    model.setHeaderData(2, Qt::Horizontal, 0x12345, TdbBrowse::FieldTagRole);
    grid.setColumnHidden(0, true);
    std::vector<int> titleClicks;
    grid.OnTitleClick = [&titleClicks](TdbBrowse *, int column) { titleClicks.push_back(column); };
    QHeaderView *header = grid.horizontalHeader();
    const QPoint onC(header->sectionViewportPosition(2) + 10, header->height() / 2);

    grid.setOptions(grid.Options() & ~TBrwOptions(dgColumnResize));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onC);
    // Column C is the second shown column; its tag goes in its low 16 bits.
    EXPECT_EQ(raised, (std::vector<Raised> { { baTitle, 2 }, { baSortField, 0x2345 } }));
    EXPECT_TRUE(titleClicks.empty());

    raised.clear();
    grid.setOptions(grid.Options() | dgColumnResize);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onC);
    EXPECT_TRUE(raised.empty());
    EXPECT_EQ(titleClicks, std::vector<int> { 2 });
}

TEST_F(GridFixture, TheGridFollowsTheCursorAndTheCursorFollowsTheGrid)
{
    source.setCurrentRow(2);
    EXPECT_EQ(grid.currentIndex().row(), 2);
    QTest::keyClick(&grid, Qt::Key_Up);
    EXPECT_EQ(source.currentRow(), 1);
    const QRect row0 = grid.visualRect(model.index(0, 1));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, row0.center());
    EXPECT_EQ(source.currentRow(), 0);
    // Rows removed under the cursor leave it on a real row.
    source.setCurrentRow(2);
    model.removeRows(1, 2);
    EXPECT_EQ(source.currentRow(), 0);
    fill(0);
    EXPECT_EQ(source.currentRow(), -1);
}

TEST(AutoSizeWidths, SharesTheSpareWidthInProportionAndTruncates)
{
    EXPECT_EQ(AutoSizeWidths({ 100, 50, 50 }, 400), (QList<int> { 199, 99, 99 }));
    // 7/30 * 70 = 16.33, 23/30 * 70 = 53.67: both truncated.
    EXPECT_EQ(AutoSizeWidths({ 7, 23 }, 100), (QList<int> { 7 + 16 - 1, 23 + 53 - 1 }));
    // Nothing (or less than nothing) to share: one less again.
    EXPECT_EQ(AutoSizeWidths({ 60, 40 }, 100), (QList<int> { 58, 38 }));
    EXPECT_EQ(AutoSizeWidths({ 60, 40 }, 50), (QList<int> { 60 - 30 - 2, 40 - 20 - 2 }));
    EXPECT_TRUE(AutoSizeWidths({}, 100).isEmpty());
}

} // namespace

namespace {

// An editable grid: columns 0 and 2 editable, column 1 read-only.
class EditingGrid : public ::testing::Test
{
protected:
    void SetUp() override
    {
        model.setColumnCount(3);
        for (int r = 0; r < 2; ++r) {
            QList<QStandardItem *> items;
            for (int c = 0; c < 3; ++c) {
                auto *item = new QStandardItem(QStringLiteral("v%1%2").arg(r).arg(c));
                item->setEditable(c != 1);
                items.append(item);
            }
            model.appendRow(items);
        }
        source.setModel(&model);
        grid.setDataSource(&source);
        grid.setOptions(grid.Options() | dgEditing);
        grid.resize(400, 200);
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&grid));
    }

    QLineEdit *openEditor(int column)
    {
        const QModelIndex index = model.index(0, column);
        grid.setCurrentIndex(index);
        grid.edit(index);
        return qobject_cast<QLineEdit *>(QApplication::focusWidget());
    }

    QString text(int column) { return model.index(0, column).data().toString(); }

    QStandardItemModel model;
    TDataSource source;
    TdbBrowse grid;
};

TEST_F(EditingGrid, RightAndEnterSkipReadOnlyColumnsAndPostAfterTheLast)
{
    QLineEdit *editor = openEditor(0);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(source.state(), dsEdit);
    editor->setText(QStringLiteral("first"));
    QTest::keyClick(editor, Qt::Key_Right);
    EXPECT_EQ(text(0), QStringLiteral("first"));
    EXPECT_EQ(grid.currentIndex().column(), 2) << "the read-only column is skipped";
    editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("last"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(text(2), QStringLiteral("last"));
    EXPECT_EQ(source.state(), dsBrowse) << "past the last column the row is posted";
    EXPECT_EQ(qobject_cast<QLineEdit *>(QApplication::focusWidget()), nullptr) << "editor closed";
}

TEST_F(EditingGrid, MovingToAnotherRowPostsTheEdit)
{
    source.edit();
    source.setCurrentRow(1);
    EXPECT_EQ(source.state(), dsBrowse);
    EXPECT_EQ(grid.currentIndex().row(), 1);
}

TEST_F(EditingGrid, LeftBeforeTheFirstColumnCancelsTheEdit)
{
    QLineEdit *editor = openEditor(2);
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Left);
    EXPECT_EQ(grid.currentIndex().column(), 0);
    editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("dropped"));
    QTest::keyClick(editor, Qt::Key_Left);
    EXPECT_EQ(text(0), QStringLiteral("v00"));
    EXPECT_EQ(source.state(), dsBrowse);
    EXPECT_EQ(qobject_cast<QLineEdit *>(QApplication::focusWidget()), nullptr) << "editor closed";
}

} // namespace

// The popup menu is reachable from the keyboard: the Menu key, Shift+F10 and a keyboard context
// menu request open it below the current row, raise no action, and F10 alone does nothing.
TEST_F(GridFixture, MenuKeyAndShiftF10OpenThePopupAtTheCurrentRow)
{
    grid.setContextMenuPolicy(Qt::CustomContextMenu);
    QSignalSpy requested(&grid, &QWidget::customContextMenuRequested);
    source.setCurrentRow(2);
    QTest::keyClick(&grid, Qt::Key_Menu);
    QTest::keyClick(&grid, Qt::Key_F10, Qt::ShiftModifier);
    QContextMenuEvent fromKeyboard(
        QContextMenuEvent::Keyboard, QPoint(390, 290), grid.mapToGlobal(QPoint(390, 290)));
    QApplication::sendEvent(&grid, &fromKeyboard);
    QTest::keyClick(&grid, Qt::Key_F10);
    ASSERT_EQ(requested.count(), 3);
    const QRect row = grid.visualRect(model.index(2, 0));
    for (const QList<QVariant> &args : requested) {
        const QPoint pos = args.at(0).toPoint();
        EXPECT_EQ(pos.y(), row.bottom() + 1);
        EXPECT_EQ(pos.x(), row.left());
    }
    EXPECT_TRUE(raised.empty());
}

TEST_F(GridFixture, TheMenuKeyOpensTheGridsOwnMenuBelowTheCurrentRow)
{
    QMenu menu;
    menu.addAction(QStringLiteral("Item"));
    grid.setPopupMenu(&menu);
    source.setCurrentRow(1);
    QTest::keyClick(&grid, Qt::Key_Menu);
    ASSERT_TRUE(QTest::qWaitFor([&menu] { return menu.isVisible(); }, 2000));
    const QRect row = grid.visualRect(model.index(1, 0));
    EXPECT_EQ(menu.pos().y(), grid.viewport()->mapToGlobal(QPoint(0, row.bottom() + 1)).y());
    menu.hide();
}
