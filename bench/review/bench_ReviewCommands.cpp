// A review key on a large company (200,000 transactions, 5,000 customers, 100,000 status rows):
// F2 on a listed row, its check, update and write of the status table. Tag All and the marking
// commands send the same statements once per row.
//
//   bench_ReviewCommands [--benchmark_filter=...]
#include "DemoData.h"
#include "DemoWriter.h"
#include "data/DeliveryNotes.h"
#include "platform/database/Command.h"
#include "platform/database/Connection.h"
#include "platform/database/Query.h"
#include "review/ReviewBuild.h"
#include "review/ReviewCommands.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

class NoProgress final : public BuildProgress
{
public:
    void setCaption(const QString &) override { }
    void setMax(int) override { }
    void setPosition(int) override { }
};

// The company written once and listed with the default filters.
class ListedCompany
{
public:
    static ListedCompany &instance()
    {
        static ListedCompany company;
        return company;
    }

    MemSTran list;
    db::Connection connection;
    db::Query qryChk { connection };
    db::Command command { connection };
    ReviewWriter writer { qryChk, command, QStringLiteral("Z") };

private:
    ListedCompany()
    {
        demo::Options options;
        options.transactions = 200000;
        options.customers = 5000;
        options.statusRows = 100000;
        const QString folder = m_dir.path();
        demo::WriteOptions writeOptions;
        writeOptions.pdfLimit = 10;
        demo::WriteCompany(demo::Generate(options), folder.toStdString(), writeOptions);
        connection.setConnectionString(QStringLiteral("Provider=VFPOLEDB.1;Data Source=") + folder
            + QStringLiteral("/COMP_Z.DBC"));
        db::Query qrySTran(connection), qryInv(connection), qryCN(connection);
        DeliveryNoteLookup notes;
        ReviewBuildObjects objects { qrySTran, qryChk, qryInv, qryCN, command, list, notes };
        ReviewBuildInputs inputs;
        inputs.dataFolder = folder;
        inputs.companyId = QStringLiteral("Z");
        inputs.sortClause = QStringLiteral("ORDER BY st_account, st_trref");
        inputs.filter.excludeSent = true;
        inputs.filter.excludeAllocated = true;
        NoProgress progress;
        QString filterClause;
        BuildReviewList(objects, inputs, progress, filterClause);
    }

    QTemporaryDir m_dir;
};

void BM_F2OnOneRow(benchmark::State &state)
{
    ListedCompany &company = ListedCompany::instance();
    company.list.setRecNo(company.list.recordCount() / 2);
    for (auto _ : state)
        FlipCurrentFlag(company.list, company.writer, StatusFlag::Tag);
    state.counters["rows"] = company.list.recordCount();
}
BENCHMARK(BM_F2OnOneRow)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    // The demo writer draws its PDFs with the GUI module; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
