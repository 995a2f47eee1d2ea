// Display on a large company: 200,000 transactions, 5,000 customers, 100,000 status rows, from
// the start of the build to the filled, sorted list (the default filters, delivery notes off).
// The PDF folder holds a file for most documents, some named in lower case, as a real one does.
//
//   bench_display [--benchmark_filter=...]  (VELLORAN_BENCH_DIR keeps the generated company, in
//                                            its folder "display")
#include "data/ConnectionString.h"
#include "data/DeliveryNotes.h"
#include "data/HostPath.h"
#include "platform/database/Command.h"
#include "platform/database/Connection.h"
#include "platform/database/Query.h"
#include "platform/database/vfp/Create.h"
#include "review/MemSTran.h"
#include "review/ReviewBuild.h"
#include "review/ReviewRowReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Transactions = 200000;
constexpr int Customers = 5000;
constexpr int StatusRows = 100000;
// Timed runs of Display and of the query alone: the first few runs of a program still grow its
// memory, so a few runs measure that more than the steady cost of each.
constexpr int Runs = 12;

vfp::Value Text(const std::string &text)
{
    return vfp::Value::character(text);
}

std::string Account(int i)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "C%05d", i % Customers);
    return buffer;
}

// One empty file per invoice and credit note, except every eleventh; every fifth in lower case.
void WritePdfFiles(const QString &path)
{
    const QDir pdf(QDir(path).filePath(QStringLiteral("Z_PDF")));
    QDir().mkpath(pdf.path());
    for (int i = 0; i < Transactions; ++i) {
        const bool receipt = i % 10 == 9;
        if (receipt || i % 11 == 0)
            continue;
        QString name = QStringLiteral("SI") + QString::number(1000000 + i) + QStringLiteral(".PDF");
        if (i % 5 == 0)
            name = name.toLower();
        QFile file(pdf.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
    }
}

// The database container last: a folder holding it holds the whole company.
void WriteCompany(const QString &path)
{
    WritePdfFiles(path);
    const std::string folder = path.toStdString() + '/';
    using vfp::NewField;
    {
        vfp::TableBuilder t(folder + "Z_stran.dbf",
            { NewField { "ST_ACCOUNT", 'C', 8 }, NewField { "ST_TRREF", 'C', 20 },
                NewField { "ST_TRDATE", 'D', 8 }, NewField { "ST_CUSTREF", 'C', 20 },
                NewField { "ST_TRTYPE", 'C', 1 }, NewField { "ST_TRVALUE", 'N', 12, 2 },
                NewField { "ST_VATVAL", 'N', 12, 2 }, NewField { "ST_TRBAL", 'N', 12, 2 },
                NewField { "ST_PAID", 'C', 1 }, NewField { "ST_MEMO", 'M', 4 },
                NewField { "ID", 'I', 4 } });
        const int32_t day = vfp::JulianDayFromCivil(2011, 1, 1);
        for (int i = 0; i < Transactions; ++i) {
            const std::string ref = "SI" + std::to_string(1000000 + i);
            const char type = i % 10 == 9 ? 'R' : (i % 7 == 0 ? 'C' : 'I');
            t.addRow({ Text(Account(i * 7919)), Text(ref), vfp::Value::date(day + i % 3650),
                Text("PO" + std::to_string(i)), Text(std::string(1, type)),
                vfp::Value::numeric(100 + i % 900, 2), vfp::Value::numeric(20, 2),
                vfp::Value::numeric(i % 5 == 0 ? 0 : 100, 2), Text(" "),
                vfp::Value::memo(type == 'R' ? std::string() : ref + ".PDF"),
                vfp::Value::integer(i + 1) });
        }
        t.finish();
    }
    {
        vfp::TableBuilder t(folder + "Z_sname.dbf",
            { NewField { "SN_ACCOUNT", 'C', 8 }, NewField { "SN_NAME", 'C', 30 },
                NewField { "SN_EMAIL", 'C', 60 }, NewField { "SN_DOCMAIL", 'I', 4 } });
        for (int i = 0; i < Customers; ++i)
            t.addRow({ Text(Account(i)), Text("Customer " + std::to_string(i)),
                Text("c" + std::to_string(i) + "@example.test"), vfp::Value::integer(i % 10) });
        t.addIndexTag("SN_ACCOUNT", "SN_ACCOUNT");
        t.finish();
    }
    {
        vfp::TableBuilder t(folder + "Z_ST_ZRQ.dbf",
            { NewField { "ST_ID", 'N', 10, 0 }, NewField { "ST_ZRQTAG", 'L', 1 },
                NewField { "ST_ZRQSENT", 'L', 1 }, NewField { "ST_ZRQPRNT", 'L', 1 } });
        for (int i = 0; i < StatusRows; ++i)
            t.addRow({ vfp::Value::numeric(2 * i + 1, 0), vfp::Value::logical(i % 2 == 0),
                vfp::Value::logical(i % 4 == 0), vfp::Value::logical(false) });
        t.addIndexTag("ST_ZRQ1", "ST_ID");
        t.finish();
    }
    vfp::CreateTable(folder + "Z_itran.dbf",
        { NewField { "IT_NUMINV", 'C', 10 }, NewField { "IT_NUMDELV", 'C', 10 } });
    vfp::CreateTable(folder + "Z_ihead.dbf",
        { NewField { "IH_CREDIT", 'C', 10 }, NewField { "IH_DELIV", 'C', 10 } });
    vfp::CreateDatabaseContainer(folder + "COMP_Z.DBC",
        { { folder + "Z_stran.dbf", {}, {} }, { folder + "Z_sname.dbf", {}, {} },
            { folder + "Z_itran.dbf", {}, {} }, { folder + "Z_ihead.dbf", {}, {} } });
}

// The company is written once per run of the program, or once for all runs into the folder
// VELLORAN_BENCH_DIR names.
const QString &CompanyFolder()
{
    static std::unique_ptr<QTemporaryDir> temporary;
    static const QString path = [] {
        QString folder;
        if (const char *keep = std::getenv("VELLORAN_BENCH_DIR")) {
            folder = QDir(QString::fromLocal8Bit(keep)).filePath(QStringLiteral("display"));
            QDir().mkpath(folder);
        } else {
            temporary = std::make_unique<QTemporaryDir>();
            folder = temporary->path();
        }
        if (!QFile::exists(QDir(folder).filePath(QStringLiteral("COMP_Z.DBC"))))
            WriteCompany(folder);
        return folder;
    }();
    return path;
}

class NoProgress : public BuildProgress
{
public:
    void setCaption(const QString &caption) override { m_caption = caption; }
    void setMax(int) override { }
    void setPosition(int) override { }
    void processMessages() override { QCoreApplication::processEvents(); }

private:
    QString m_caption;
};

// Display after Display; with `pdfFolderChanged`, a document is added to the PDF folder and taken
// away again before each, so each reads the folder anew, as the first Display after documents
// were printed to PDF does.
void RunDisplays(benchmark::State &state, bool pdfFolderChanged)
{
    const QString folder = CompanyFolder();
    db::Connection connection;
    connection.setConnectionString(ComposeConnectionString(folder, QStringLiteral("Z")));
    db::Query qrySTran(connection), qryChk(connection), qryInv(connection), qryCN(connection);
    db::Command command(connection);
    MemSTran list;
    DeliveryNoteLookup notes;
    ReviewBuildObjects objects { qrySTran, qryChk, qryInv, qryCN, command, list, notes };
    ReviewBuildInputs inputs;
    inputs.dataFolder = folder;
    inputs.companyId = QStringLiteral("Z");
    inputs.filter.excludeSent = true;
    inputs.filter.excludeAllocated = true;
    inputs.sortClause = QStringLiteral("ORDER BY st_account, st_trref");
    NoProgress progress;
    QString filterClause;
    // One untimed build first, as the query alone gets one: the first query of a program pays
    // for memory the later ones reuse, and whichever of the two ran first would carry it.
    int rows = BuildReviewList(objects, inputs, progress, filterClause);
    const QString added = QDir(folder).filePath(QStringLiteral("Z_PDF/ADDED.PDF"));
    for (auto _ : state) {
        if (pdfFolderChanged) {
            state.PauseTiming();
            QFile(added).open(QIODevice::WriteOnly);
            QFile::remove(added);
            state.ResumeTiming();
        }
        rows = BuildReviewList(objects, inputs, progress, filterClause);
    }
    state.counters["rows"] = rows;
}

void BM_Display(benchmark::State &state)
{
    RunDisplays(state, false);
}
BENCHMARK(BM_Display)->Unit(benchmark::kMillisecond)->Iterations(Runs);

void BM_DisplayPdfFolderChanged(benchmark::State &state)
{
    RunDisplays(state, true);
}
BENCHMARK(BM_DisplayPdfFolderChanged)->Unit(benchmark::kMillisecond)->Iterations(Runs);

// The review query of Display's default filters, run on the company.
void OpenReviewQuery(db::Query &query)
{
    ReviewFilter filter;
    filter.excludeSent = true;
    filter.excludeAllocated = true;
    const QString z = QStringLiteral("Z");
    query.setSql(SqlText(ReviewQueryLines(
        SelectText(z), FilterClause(z, filter), QStringLiteral("ORDER BY st_account, st_trref"))));
    query.open();
}

// The review query alone, to tell the engine's share of Display from the list fill's.
void BM_ReviewQueryOnly(benchmark::State &state)
{
    db::Connection connection;
    connection.setConnectionString(ComposeConnectionString(CompanyFolder(), QStringLiteral("Z")));
    db::Query query(connection);
    OpenReviewQuery(query); // untimed, as Display's first build
    for (auto _ : state) {
        query.close();
        query.open();
    }
    state.counters["rows"] = query.recordCount();
}
BENCHMARK(BM_ReviewQueryOnly)->Unit(benchmark::kMillisecond)->Iterations(Runs);

// The fill's reading alone, on one thread: every row of the review query's result read into a
// review row where it lies, each row cleared first, as the fill reads them.
void BM_ReviewRowsRead(benchmark::State &state)
{
    db::Connection connection;
    connection.setConnectionString(ComposeConnectionString(CompanyFolder(), QStringLiteral("Z")));
    db::Query query(connection);
    OpenReviewQuery(query);
    const ReviewRowReader reader(query);
    const std::vector<db::StoredRow> order = query.rowsInStorageOrder();
    std::vector<ReviewRow> rows(order.size());
    constexpr size_t RowsAhead = 8;
    for (auto _ : state) {
        for (size_t turn = 0; turn < order.size(); ++turn) {
            if (turn + RowsAhead < order.size())
                reader.prefetch(order[turn + RowsAhead]);
            rows[turn].clear();
            reader.read(order[turn], rows[turn]);
        }
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(order.size()));
}
BENCHMARK(BM_ReviewRowsRead)->Unit(benchmark::kMillisecond);

// The PDF folder's listing alone (163,000 names), which Display reads when the folder changed.
void BM_PdfFolderListing(benchmark::State &state)
{
    const QString pdf = QDir(CompanyFolder()).filePath(QStringLiteral("Z_PDF"));
    size_t found = 0;
    for (auto _ : state) {
        const HostFolderIndex index(pdf);
        found = index.containsFile(std::string_view("si1000001.pdf")) ? 1 : 0;
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_PdfFolderListing)->Unit(benchmark::kMillisecond)->Iterations(3);

// Looking up as many names in the listing as Display does, together.
void BM_PdfLookups(benchmark::State &state)
{
    const HostFolderIndex index(QDir(CompanyFolder()).filePath(QStringLiteral("Z_PDF")));
    std::vector<std::string> names;
    for (int i = 0; i < 120000; ++i)
        names.push_back("SI" + std::to_string(1000000 + (i * 7919) % Transactions) + ".PDF");
    const std::vector<std::string_view> views(names.begin(), names.end());
    size_t found = 0;
    for (auto _ : state) {
        const std::vector<bool> exists = index.containsFiles(views);
        found = static_cast<size_t>(std::count(exists.begin(), exists.end(), true));
    }
    state.counters["found"] = static_cast<double>(found);
}
BENCHMARK(BM_PdfLookups)->Unit(benchmark::kMillisecond);

} // namespace
