// The review list at the size of a large company: filling 200,000 rows, re-sorting them by a
// column title, and reading every displayed cell through the grid's model.
#include "review/ReviewListModel.h"
#include "review/SortClause.h"

#include <QCoreApplication>
#include <QDate>

#include <benchmark/benchmark.h>

namespace {

constexpr int Rows = 200000;

void FillRow(ReviewRow &row, int i)
{
    row.setValue(ReviewField::st_account,
        QStringLiteral("C%1").arg(i % 5000, 5, 10, QChar(u'0')).leftJustified(8));
    row.setValue(
        ReviewField::sn_name, QStringLiteral("Customer %1").arg(i % 5000).leftJustified(30));
    row.setValue(
        ReviewField::sn_email, QStringLiteral("c%1@example.com").arg(i % 5000).leftJustified(60));
    row.setValue(ReviewField::sn_docmail, i % 10);
    row.setValue(ReviewField::zrqtag, i % 3 == 0);
    row.setValue(ReviewField::zrqsent, i % 7 == 0);
    row.setValue(ReviewField::zrqprint, false);
    row.setValue(ReviewField::st_trref,
        QStringLiteral("SI%1").arg(Rows - i, 7, 10, QChar(u'0')).leftJustified(20));
    row.setValue(ReviewField::st_trdate, QDate(2011, 1, 1).addDays(i % 3650));
    row.setValue(ReviewField::st_custref, QStringLiteral("PO%1").arg(i).leftJustified(20));
    row.setValue(ReviewField::st_trtype, i % 9 == 0 ? QStringLiteral("C") : QStringLiteral("I"));
    row.setValue(ReviewField::st_trvalue, (i % 100000) / 7.0);
    row.setValue(ReviewField::st_vatval, (i % 1000) / 5.0);
    row.setValue(ReviewField::st_trbal, (i % 4) * 10.0);
    row.setValue(ReviewField::st_paid, QStringLiteral(" "));
    row.setValue(ReviewField::st_memot,
        QStringLiteral("I%1.PDF").arg(i, 7, 10, QChar(u'0')).leftJustified(24));
    row.setValue(ReviewField::Exists, true);
    row.setValue(ReviewField::Tag, row.zrqtag);
    row.setValue(ReviewField::MailInv, row.sn_docmail >= 8);
    row.setValue(ReviewField::id, i + 1);
}

void Fill(MemSTran &list)
{
    list.close();
    list.open();
    list.disableControls();
    for (int i = 0; i < Rows; ++i) {
        list.append();
        FillRow(list.buffer(), i);
        list.post();
    }
    list.enableControls();
}

void BM_FillReviewList(benchmark::State &state)
{
    MemSTran list;
    for (auto _ : state)
        Fill(list);
    state.SetItemsProcessed(state.iterations() * Rows);
}
BENCHMARK(BM_FillReviewList)->Unit(benchmark::kMillisecond);

// A title click on "A/C Name" from the default order, then back to the default keys.
void BM_TitleSort(benchmark::State &state)
{
    MemSTran list;
    Fill(list);
    ReviewListModel model(list);
    list.setRecNo(Rows / 2);
    bool flip = false;
    for (auto _ : state) {
        const TitleSort sort = flip ? SortByTitle(QStringLiteral("ORDER BY st_account, st_trref"),
                                   QStringLiteral("st_trref"))
                                    : SortByTitle(QStringLiteral("ORDER BY st_account, st_trref"),
                                        QStringLiteral("sn_name"));
        list.disableControls();
        list.sort(sort.fields, sort.descending);
        list.enableControls();
        flip = !flip;
    }
}
BENCHMARK(BM_TitleSort)->Unit(benchmark::kMillisecond);

// Every display cell of every row, as a full sweep of the grid would ask for them.
void BM_ModelDisplaySweep(benchmark::State &state)
{
    MemSTran list;
    Fill(list);
    ReviewListModel model(list);
    for (auto _ : state) {
        qsizetype characters = 0;
        for (int r = 0; r < model.rowCount(); ++r) {
            for (int c = 0; c < model.columnCount(); ++c)
                characters += model.data(model.index(r, c)).toString().size();
        }
        benchmark::DoNotOptimize(characters);
    }
    state.SetItemsProcessed(state.iterations() * Rows);
}
BENCHMARK(BM_ModelDisplaySweep)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
