// Painting and scrolling the browse grid over a list of 200,000 review-like rows.
#include "components/DataSource.h"
#include "components/dbBrowse.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr int RowCount = 200000;

// Rows held in memory like the review list: texts, numbers and flags, formatted on request.
class ListModel : public QAbstractTableModel
{
public:
    struct Row
    {
        QString account, name, email, ref, custRef, memo;
        double value, vat;
        bool tag, mailInv, sent, printed, exists;
    };

    ListModel()
    {
        m_rows.reserve(RowCount);
        for (int i = 0; i < RowCount; ++i) {
            m_rows.push_back({ QStringLiteral("A%1").arg(i % 5000, 5, 10, QLatin1Char('0')),
                QStringLiteral("Customer %1 Limited").arg(i % 5000),
                QStringLiteral("accounts%1@example.org").arg(i % 5000),
                QStringLiteral("INV%1").arg(i, 8, 10, QLatin1Char('0')),
                QStringLiteral("PO-%1").arg(i * 7 % 100000),
                QStringLiteral("INV%1.pdf").arg(i, 8, 10, QLatin1Char('0')), (i % 997) * 1.37,
                (i % 997) * 0.27, i % 3 == 0, i % 2 == 0, i % 5 == 0, i % 7 == 0, i % 11 != 0 });
        }
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : 13;
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        const Row &r = m_rows[size_t(index.row())];
        switch (index.column()) {
        case 0:
            return r.tag;
        case 1:
            return r.account;
        case 2:
            return r.name;
        case 3:
            return r.mailInv;
        case 4:
            return r.email;
        case 5:
            return r.sent;
        case 6:
            return r.printed;
        case 7:
            return r.ref;
        case 8:
            return r.custRef;
        case 9:
            return QString::number(r.value, 'f', 2);
        case 10:
            return QString::number(r.vat, 'f', 2);
        case 11:
            return r.memo;
        default:
            return r.exists;
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return QStringLiteral("Column %1").arg(section + 1);
    }

private:
    std::vector<Row> m_rows;
};

// One grid on the offscreen platform, shown at a desktop size, over the big list.
struct Grid
{
    Grid()
    {
        source.setModel(&model);
        grid.setDataSource(&source);
        grid.setOptionsEx(dgBooleanSymbols);
        grid.resize(1200, 800);
        grid.show();
        QApplication::processEvents();
    }

    ListModel model;
    TDataSource source;
    TdbBrowse grid;
};

// Made on first use and destroyed in main, before the application object.
std::unique_ptr<Grid> TheGrid;

Grid &SharedGrid()
{
    if (!TheGrid)
        TheGrid = std::make_unique<Grid>();
    return *TheGrid;
}

void PaintInto(QWidget *widget, QImage &image)
{
    QPainter painter(&image);
    widget->render(&painter);
}

// A full repaint of the grid (title row, every visible cell, scroll bars).
void BM_FullRepaint(benchmark::State &state)
{
    Grid &g = SharedGrid();
    g.grid.verticalScrollBar()->setValue(RowCount / 2);
    QImage image(g.grid.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state)
        PaintInto(&g.grid, image);
    state.counters["rows"] = RowCount;
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond);

// Page Down from the top to the bottom of the list in steps of one page, painting each page.
void BM_ScrollSweepByPage(benchmark::State &state)
{
    Grid &g = SharedGrid();
    QScrollBar *bar = g.grid.verticalScrollBar();
    QImage image(g.grid.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    const int pages = int(state.range(0));
    const int step = std::max(1, bar->maximum() / pages);
    for (auto _ : state) {
        for (int value = 0; value <= bar->maximum(); value += step) {
            bar->setValue(value);
            PaintInto(g.grid.viewport(), image);
        }
    }
    state.SetItemsProcessed(state.iterations() * (bar->maximum() / step + 1));
}
BENCHMARK(BM_ScrollSweepByPage)->Arg(500)->Unit(benchmark::kMillisecond);

// The cursor moved row by row (arrow key) through the first rows, as a held Down key does.
void BM_CursorDown(benchmark::State &state)
{
    Grid &g = SharedGrid();
    g.grid.verticalScrollBar()->setValue(0);
    g.source.setCurrentRow(0);
    QImage image(g.grid.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        if (!g.source.next())
            g.source.setCurrentRow(0);
        PaintInto(g.grid.viewport(), image);
    }
}
BENCHMARK(BM_CursorDown)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TheGrid.reset();
    return 0;
}
