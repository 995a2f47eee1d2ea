// The review query with the default filters on a generated company of 200,000 transactions,
// 5,000 customers and 100,000 status rows, against reading the same files' bytes once.
//
//   bench_sql [--benchmark_filter=...]      (VELLORAN_BENCH_DIR keeps the generated company)

#include "platform/database/Connection.h"
#include "platform/database/Query.h"
#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/sql/Executor.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr int Transactions = 200000;
constexpr int Customers = 5000;
constexpr int StatusRows = 100000;

std::string Account(int n)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "C%05d", n);
    return buffer;
}

// Writes the company once per process into a folder that lives as long as the process.
class Company
{
public:
    static Company &instance()
    {
        static Company company;
        return company;
    }

    const std::string &folder() const { return m_folder; }
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const char *name : { "/Z_STRAN.DBF", "/Z_STRAN.fpt", "/Z_SNAME.DBF", "/Z_ST_ZRQ.DBF" })
            names.push_back(m_folder + name);
        return names;
    }

private:
    Company()
    {
        const char *keep = std::getenv("VELLORAN_BENCH_DIR");
        if (keep) {
            m_folder = keep;
            QDir().mkpath(QString::fromStdString(m_folder));
        } else {
            m_temp = std::make_unique<QTemporaryDir>();
            m_folder = m_temp->path().toStdString();
        }
        if (!QFile::exists(QString::fromStdString(m_folder + "/Z_STRAN.DBF")))
            generate();
    }

    void generate()
    {
        std::mt19937 random(42);
        // A ledger record as wide as a real one (about 400 bytes), most columns unread.
        vfp::TableBuilder stran(m_folder + "/Z_STRAN.DBF",
            { vfp::MakeField("ST_ACCOUNT", 'C', 8), vfp::MakeField("ST_TRDATE", 'D'),
                vfp::MakeField("ST_TRREF", 'C', 20), vfp::MakeField("ST_CUSTREF", 'C', 20),
                vfp::MakeField("ST_TRTYPE", 'C', 1), vfp::MakeField("ST_TRVALUE", 'N', 12, 2),
                vfp::MakeField("ST_VATVAL", 'N', 12, 2), vfp::MakeField("ST_TRBAL", 'N', 12, 2),
                vfp::MakeField("ST_PAID", 'C', 1), vfp::MakeField("ST_CRDATE", 'D'),
                vfp::MakeField("ST_ADJSV", 'N', 12, 2), vfp::MakeField("ST_FCURR", 'C', 3),
                vfp::MakeField("ST_FCRATE", 'N', 13, 7), vfp::MakeField("ST_FCVAL", 'N', 12, 2),
                vfp::MakeField("ST_DUEDAY", 'D'), vfp::MakeField("ST_UNIQUE", 'C', 10),
                vfp::MakeField("ST_CBTYPE", 'C', 2), vfp::MakeField("ST_ENTRY", 'C', 12),
                vfp::MakeField("ST_DESC", 'C', 60), vfp::MakeField("ST_SUB", 'C', 60),
                vfp::MakeField("ST_NOMAC", 'C', 8), vfp::MakeField("ST_USER", 'C', 20),
                vfp::MakeField("ST_REGION", 'C', 30), vfp::MakeField("ST_TERR", 'C', 30),
                vfp::MakeField("ST_MEMO", 'M'), vfp::MakeField("ID", 'N', 10, 0) });
        std::uniform_int_distribution<int> customer(0, Customers - 1), type(0, 9), day(0, 3000),
            cents(100, 1000000);
        const int32_t firstDay = vfp::JulianDayFromCivil(2010, 1, 1);
        for (int id = 1; id <= Transactions; ++id) {
            const int kind = type(random);
            const char *trtype = kind < 6 ? "I" : kind < 8 ? "C" : "R";
            const double value = cents(random) / 100.0 * (trtype[0] == 'I' ? 1 : -1);
            const double balance = kind % 3 == 0 ? 0 : value;
            char ref[32];
            std::snprintf(ref, sizeof ref, "%s%07d", trtype[0] == 'I' ? "INV" : "CRN", id);
            const std::string memo
                = trtype[0] == 'R' ? std::string() : std::string(ref) + (id % 50 ? ".PDF" : ".pdf");
            stran.addRow({ vfp::Value::character(Account(customer(random))),
                vfp::Value::date(firstDay + day(random)), vfp::Value::character(ref),
                vfp::Value::character("PO-" + std::to_string(id % 977)),
                vfp::Value::character(trtype), vfp::Value::numeric(value, 2),
                vfp::Value::numeric(value / 6, 2), vfp::Value::numeric(balance, 2),
                vfp::Value::character(balance == 0 ? "P" : " "), vfp::Value::date(firstDay),
                vfp::Value::numeric(0, 2), vfp::Value::character("GBP"), vfp::Value::numeric(1, 7),
                vfp::Value::numeric(value, 2), vfp::Value::date(firstDay + 30),
                vfp::Value::character(std::to_string(id)), vfp::Value::character("S1"),
                vfp::Value::character("E" + std::to_string(id)),
                vfp::Value::character("Goods as per order"), vfp::Value::character(""),
                vfp::Value::character("4000"), vfp::Value::character("ADMIN"),
                vfp::Value::character("North"), vfp::Value::character("T1"), vfp::Value::memo(memo),
                vfp::Value::numeric(id, 0) });
        }
        stran.finish();

        vfp::TableBuilder sname(m_folder + "/Z_SNAME.DBF",
            { vfp::MakeField("SN_ACCOUNT", 'C', 8), vfp::MakeField("SN_NAME", 'C', 30),
                vfp::MakeField("SN_EMAIL", 'C', 60), vfp::MakeField("SN_DOCMAIL", 'I'),
                vfp::MakeField("SN_ADDR1", 'C', 30), vfp::MakeField("SN_ADDR2", 'C', 30),
                vfp::MakeField("SN_ADDR3", 'C', 30), vfp::MakeField("SN_PSTCODE", 'C', 10),
                vfp::MakeField("SN_TELNO", 'C', 30), vfp::MakeField("SN_CRLIM", 'N', 12, 2) });
        for (int n = 0; n < Customers; ++n) {
            sname.addRow({ vfp::Value::character(Account(n)),
                vfp::Value::character("Customer " + std::to_string(n)),
                vfp::Value::character(n % 4 ? "c" + std::to_string(n) + "@example.com" : ""),
                vfp::Value::integer(n % 3 ? 8 : 0), vfp::Value::character("1 High St"),
                vfp::Value::character(""), vfp::Value::character("Town"),
                vfp::Value::character("AB1 2CD"), vfp::Value::character("01234"),
                vfp::Value::numeric(1000, 2) });
        }
        sname.finish();

        vfp::TableBuilder status(m_folder + "/Z_ST_ZRQ.DBF",
            { vfp::MakeField("ST_ID", 'N', 10, 0), vfp::MakeField("ST_ZRQTAG", 'L'),
                vfp::MakeField("ST_ZRQSENT", 'L'), vfp::MakeField("ST_ZRQPRNT", 'L') });
        for (int n = 0; n < StatusRows; ++n) {
            status.addRow({ vfp::Value::numeric(2 * n + 1, 0), vfp::Value::logical(n % 2),
                vfp::Value::logical(n % 5 == 0), vfp::Value::logical(n % 7 == 0) });
        }
        status.addIndexTag("ST_ZRQ1", "ST_ID");
        status.finish();
    }

    std::unique_ptr<QTemporaryDir> m_temp;
    std::string m_folder;
};

const char *ReviewQuery
    = " SELECT   st_account  ,   sn_name     ,   sn_email    ,   "
      "IIF(ISNULL(Z_ST_ZRQ.st_zrqtag),.f.,Z_ST_ZRQ.st_zrqtag) as zrqtag  ,   "
      "IIF(ISNULL(Z_ST_ZRQ.st_zrqsent),.f.,Z_ST_ZRQ.st_zrqsent) as zrqsent  ,   "
      "IIF(ISNULL(Z_ST_ZRQ.st_zrqprnt),.f.,Z_ST_ZRQ.st_zrqprnt) as zrqprint ,   st_trref    ,   "
      "st_trdate   ,   st_custref  ,   st_trtype   ,   st_trvalue  ,   st_vatval   ,   st_trbal    "
      ", "
      "  st_paid     ,   st_memo     ,   CAST(st_memo as C(24)) as st_memoT,   sn_docmail  ,   id  "
      " "
      "          FROM Z_stran        LEFT JOIN Z_sname ON sn_account = st_account  LEFT JOIN "
      "Z_ST_ZRQ ON id = st_id \r\n WHERE RIGHT(st_memo,4)=='.PDF' AND st_trtype IN ('I','C')  AND "
      "!IIF(ISNULL(Z_ST_ZRQ.st_zrqsent),.f.,Z_ST_ZRQ.st_zrqsent)  AND st_trbal<>0 ORDER BY "
      "st_account, st_trref";

// The whole query as the review page runs it: open on a fresh connection, read every row.
void BM_ReviewQueryDefaultFilters(benchmark::State &state)
{
    Company &company = Company::instance();
    size_t rows = 0;
    for (auto _ : state) {
        db::Connection connection;
        connection.setConnectionString(QStringLiteral("Provider=VFPOLEDB.1;Data Source=")
            + QString::fromStdString(company.folder()));
        db::Query query(connection);
        query.setSql(QString::fromLatin1(ReviewQuery));
        query.open();
        rows = static_cast<size_t>(query.recordCount());
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_ReviewQueryDefaultFilters)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// (The separate per-row interpreter this was once compared with is gone: one core runs it all.)

// A fixed number of runs, so that the processor time of the whole process (perf stat, time)
// divided by it is the time one query costs all its threads: a measure that a busy machine
// disturbs less than the wall time. --benchmark_filter=Runs40
BENCHMARK(BM_ReviewQueryDefaultFilters)
    ->Name("BM_ReviewQueryRuns40")
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond);

// One run of each for a profiler (callgrind): --benchmark_filter=Once
BENCHMARK(BM_ReviewQueryDefaultFilters)->Name("BM_ReviewQueryOnce")->Iterations(1);

// Reading the bytes of the files the query reads, once each (page-cached after the first run).
void BM_ReadFileBytes(benchmark::State &state)
{
    Company &company = Company::instance();
    std::vector<char> buffer(1 << 20);
    size_t total = 0;
    for (auto _ : state) {
        total = 0;
        for (const std::string &path : company.files()) {
            std::FILE *file = std::fopen(path.c_str(), "rb");
            if (!file)
                continue;
            for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;)
                total += n;
            std::fclose(file);
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["bytes"] = static_cast<double>(total);
}
BENCHMARK(BM_ReadFileBytes)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
