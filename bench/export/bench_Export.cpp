// The list export of 100,000 ledger rows with the review list's sixteen visible columns (texts,
// dates, amounts, logical values, a memo) to a tab file, a comma file and a workbook. Rows per
// second are reported as items_per_second; the query itself runs once, before the timing. The
// three flags stand in for the status columns (no status table, so no join can repeat a row).
#include "DemoWriter.h"
#include "export/ExportWriter.h"
#include "platform/database/Connection.h"
#include "platform/database/Query.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int Rows = 100000;

struct Ledger
{
    QTemporaryDir dir;
    std::unique_ptr<db::Connection> connection;
    std::unique_ptr<db::Query> query;
};

Ledger &SharedLedger()
{
    static Ledger ledger = [] {
        Ledger l;
        demo::Options options;
        options.transactions = Rows;
        options.customers = 2000;
        options.statusRows = 0;
        options.seed = 7;
        const QString folder = l.dir.filePath(QStringLiteral("company"));
        demo::WriteOptions write;
        write.pdfLimit = 0;
        demo::WriteCompany(demo::Generate(options), folder.toStdString(), write);
        l.connection = std::make_unique<db::Connection>();
        l.connection->setConnectionString(QStringLiteral("Provider=VFPOLEDB.1;Data Source=")
            + folder + QStringLiteral("\\COMP_Z.DBC"));
        l.query = std::make_unique<db::Query>(*l.connection);
        l.query->setSql(QStringLiteral(
            "SELECT st_account, sn_name, sn_email,"
            " IIF(st_trtype = 'I',.t.,.f.) as zrqtag,"
            " IIF(st_trtype = 'C',.t.,.f.) as zrqsent,"
            " IIF(st_paid = 'P',.t.,.f.) as zrqprint,"
            " st_trref, st_trdate, st_custref, st_trtype, st_trvalue, st_vatval, st_trbal,"
            " st_paid, st_memo, sn_docmail, CAST(st_memo as C(24)) as st_memoT, id"
            " FROM z_stran LEFT JOIN z_sname ON sn_account = st_account"));
        QList<db::FieldDef> fields;
        for (const char *name : { "st_account", "sn_name", "sn_email", "zrqtag", "zrqsent",
                 "zrqprint", "st_trref", "st_trdate", "st_custref", "st_trtype", "st_trvalue",
                 "st_vatval", "st_trbal", "st_paid" })
            fields.append(db::MakeFieldDef(QString::fromLatin1(name)));
        fields.append(
            db::MakeFieldDef(QStringLiteral("it_numdelv"), QStringLiteral("Del Note"), true, true));
        fields.append(db::MakeFieldDef(QStringLiteral("st_memo"), QString(), false));
        fields.append(db::MakeFieldDef(QStringLiteral("st_memot")));
        l.query->setFieldDefs(fields);
        l.query->open();
        return l;
    }();
    return ledger;
}

void Export(benchmark::State &state, ExportFormat format)
{
    Ledger &ledger = SharedLedger();
    const QString path = ledger.dir.filePath(QStringLiteral("export.out"));
    for (auto _ : state) {
        if (format == ExportFormat::Workbook)
            WriteWorkbook(*ledger.query, path, false);
        else
            WriteDelimited(*ledger.query, path, format, false);
    }
    state.SetItemsProcessed(state.iterations() * ledger.query->recordCount());
    state.counters["rows"] = ledger.query->recordCount();
}

void BM_ExportTab(benchmark::State &state)
{
    Export(state, ExportFormat::Tab);
}
void BM_ExportCsv(benchmark::State &state)
{
    Export(state, ExportFormat::Csv);
}
void BM_ExportWorkbook(benchmark::State &state)
{
    Export(state, ExportFormat::Workbook);
}

BENCHMARK(BM_ExportTab)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExportWorkbook)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
