#include "components/DataSource.h"
#include "components/dbBrowse.h"

#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QStyle>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// Pixels of a cell (inside its lines) that differ clearly from the cell's background colour.
int InkPixels(const QImage &image, const QRect &cell, QColor background)
{
    int count = 0;
    for (int y = cell.top() + 2; y < cell.bottom() - 1; ++y) {
        for (int x = cell.left() + 2; x < cell.right() - 1; ++x) {
            const QColor c = image.pixelColor(x, y);
            const int diff = std::abs(c.red() - background.red())
                + std::abs(c.green() - background.green()) + std::abs(c.blue() - background.blue());
            if (diff > 120)
                ++count;
        }
    }
    return count;
}

class GridPaint : public ::testing::Test
{
protected:
    void SetUp() override
    {
        model.setColumnCount(2);
        for (int r = 0; r < 3; ++r) {
            auto *flag = new QStandardItem;
            flag->setData(r == 1, Qt::DisplayRole); // only row 1 is true
            model.appendRow({ flag, new QStandardItem(QStringLiteral("text")) });
        }
        source.setModel(&model);
        grid.setDataSource(&source);
        grid.setOptionsEx(dgBooleanSymbols);
        grid.setColumnWidth(0, 60);
        grid.verticalHeader()->setDefaultSectionSize(24);
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(&edit);
        layout->addWidget(&grid);
        window.resize(300, 200);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QRect cellRect(int row, int column) { return grid.visualRect(model.index(row, column)); }
    QImage viewportImage() { return grid.viewport()->grab().toImage(); }
    QColor base() { return grid.palette().color(QPalette::Base); }

    QWidget window;
    QLineEdit edit;
    QStandardItemModel model;
    TDataSource source;
    TdbBrowse grid;
};

TEST_F(GridPaint, BooleansAreCentredCheckMarksAndFalseIsBlank)
{
    source.setCurrentRow(2);
    edit.setFocus();
    const QImage image = viewportImage();
    const QRect trueCell = cellRect(1, 0);
    const int ink = InkPixels(image, trueCell, base());
    EXPECT_GT(ink, 10) << "the true cell shows a mark";
    // The mark sits in the middle: its ink is balanced about the cell's centre.
    const QRect left(trueCell.left(), trueCell.top(), trueCell.width() / 2, trueCell.height());
    const QRect right(
        trueCell.center().x() + 1, trueCell.top(), trueCell.width() / 2, trueCell.height());
    const int inkLeft = InkPixels(image, left, base());
    const int inkRight = InkPixels(image, right, base());
    EXPECT_GT(inkLeft, 0);
    EXPECT_GT(inkRight, 0);
    EXPECT_EQ(InkPixels(image, cellRect(0, 0), base()), 0) << "false shows nothing";
}

TEST_F(GridPaint, WithoutBooleanSymbolsTheValueIsText)
{
    grid.setOptionsEx({});
    edit.setFocus();
    source.setCurrentRow(2);
    const QImage image = viewportImage();
    EXPECT_GT(InkPixels(image, cellRect(0, 0), base()), 0) << "\"false\" written as text";
}

TEST_F(GridPaint, TheCurrentRowStaysVisibleInInactiveColoursWithoutFocus)
{
    source.setCurrentRow(0);
    edit.setFocus();
    ASSERT_FALSE(grid.hasFocus());
    QImage image = viewportImage();
    const QRect textCell = cellRect(0, 1);
    EXPECT_EQ(
        image.pixelColor(textCell.right() - 3, textCell.center().y()), grid.InactiveTitleColor());

    grid.setFocus();
    ASSERT_TRUE(grid.hasFocus());
    image = viewportImage();
    EXPECT_EQ(image.pixelColor(textCell.right() - 3, textCell.center().y()),
        grid.palette().color(QPalette::Active, QPalette::Highlight));

    // Without always-show-selection an unfocused grid shows no current row.
    grid.setOptions(grid.Options() & ~TBrwOptions(dgAlwaysShowSelection));
    edit.setFocus();
    ASSERT_FALSE(grid.hasFocus());
    image = viewportImage();
    EXPECT_EQ(image.pixelColor(textCell.right() - 3, textCell.center().y()), base());
}

TEST_F(GridPaint, TitleRowIsDrawnInTheFixedColour)
{
    QHeaderView *header = grid.horizontalHeader();
    QImage image = header->viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(5, 3), QColor(208, 224, 224));
    grid.setFixedColor(QColor(10, 20, 30));
    image = header->viewport()->grab().toImage();
    EXPECT_EQ(image.pixelColor(5, 3), QColor(10, 20, 30));
}

TEST_F(GridPaint, SortSymbolsAppearInTheTitleOnlyWithColumnSymbols)
{
    model.setHeaderData(1, Qt::Horizontal, 4, TdbBrowse::FieldTagRole);
    QHeaderView *header = grid.horizontalHeader();
    const QRect title(
        header->sectionViewportPosition(1), 0, header->sectionSize(1), header->height());
    // The symbols go at the title's right end; the title text is empty, so nothing else is there.
    const QRect corner(title.right() - 20, title.top(), 20, title.height());
    const QColor fixed = grid.FixedColor();
    EXPECT_EQ(InkPixels(header->viewport()->grab().toImage(), corner, fixed), 0);
    grid.setOptionsEx(dgBooleanSymbols | dgColumnSymbols);
    EXPECT_GT(InkPixels(header->viewport()->grab().toImage(), corner, fixed), 5);
}

TEST_F(GridPaint, AutoSizeFitsTheShownColumnsToTheWidthAtThePaintAfterAResize)
{
    int expanded = 0;
    grid.OnExpandColumn = [&expanded](TdbBrowse *, int) { ++expanded; };
    grid.setDisplayWidth(0, 4);
    grid.setDisplayWidth(1, 12);
    grid.setOptionsEx(dgAutoSize | dgBooleanSymbols);
    window.resize(500, 200);
    QTest::qWait(20);
    grid.viewport()->repaint();
    EXPECT_EQ(expanded, 2);
    const int sum = grid.columnWidth(0) + grid.columnWidth(1);
    const int available = grid.width() - grid.style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 1;
    EXPECT_LE(sum, available);
    EXPECT_GE(sum, available - 3);
    EXPECT_GT(grid.columnWidth(1), grid.columnWidth(0) * 2);
}

} // namespace

// Fixed-width texts carry trailing blanks: a text that fits must look the same with or without
// them, never end in an ellipsis.
TEST_F(GridPaint, TrailingBlanksNeverTurnAFittingTextIntoAnEllipsis)
{
    const QString code = QStringLiteral("ABB001");
    model.item(1, 1)->setText(code);
    model.item(2, 1)->setText(code + QString(22, u' '));
    grid.setColumnWidth(1, grid.fontMetrics().horizontalAdvance(code) + 20);
    source.setCurrentRow(0);
    QCoreApplication::processEvents();
    const QImage image = viewportImage();
    const QRect padded = cellRect(2, 1);
    const QRect plain = cellRect(1, 1);
    ASSERT_EQ(padded.size(), plain.size());
    EXPECT_EQ(image.copy(padded), image.copy(plain));
    EXPECT_GT(InkPixels(image, padded, base()), 0);
}
