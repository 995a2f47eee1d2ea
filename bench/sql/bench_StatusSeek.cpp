// Single-record statements on a status table of 100,000 rows with its ST_ID tag: a SELECT and an
// UPDATE by key (answered through the index) against the same SELECT written so that it scans.
//
//   bench_sql_seek [--benchmark_filter=...]

#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/sql/Executor.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include <memory>
#include <random>
#include <string>

namespace {

constexpr int StatusRows = 100000;

class StatusTable
{
public:
    static StatusTable &instance()
    {
        static StatusTable table;
        return table;
    }

    vfp::Database &database() { return *m_database; }
    // Keys of existing rows in a fixed random order.
    int key(size_t i) const { return m_keys[i % m_keys.size()]; }

private:
    StatusTable()
    {
        const std::string folder = m_dir.path().toStdString();
        vfp::TableBuilder builder(folder + "/Z_ST_ZRQ.DBF",
            { { "ST_ID", 'N', 10, 0, false }, { "ST_ZRQTAG", 'L', 1, 0, false },
                { "ST_ZRQSENT", 'L', 1, 0, false }, { "ST_ZRQPRNT", 'L', 1, 0, false } });
        for (int i = 1; i <= StatusRows; ++i)
            builder.addRow({ vfp::Value::integer(i * 2), vfp::Value::logical(false),
                vfp::Value::logical(false), vfp::Value::logical(false) });
        builder.addIndexTag("ST_ZRQ1", "ST_ID");
        builder.finish();
        m_database = vfp::Database::open(folder);
        std::mt19937 random(7);
        for (int i = 0; i < 4096; ++i)
            m_keys.push_back(static_cast<int>(random() % StatusRows + 1) * 2);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<vfp::Database> m_database;
    std::vector<int> m_keys;
};

void Run(benchmark::State &state, const char *prefix)
{
    StatusTable &table = StatusTable::instance();
    size_t i = 0;
    for (auto _ : state) {
        const auto result
            = vfp::sql::Execute(table.database(), prefix + std::to_string(table.key(i++)));
        benchmark::DoNotOptimize(result.affected);
    }
}

void BM_SelectByKey(benchmark::State &state)
{
    Run(state, " SELECT * FROM Z_ST_ZRQ WHERE st_ID = ");
}
BENCHMARK(BM_SelectByKey)->Unit(benchmark::kMicrosecond);

void BM_UpdateByKey(benchmark::State &state)
{
    Run(state, "UPDATE Z_ST_ZRQ  SET  st_zrqtag = 1  WHERE st_ID = ");
}
BENCHMARK(BM_UpdateByKey)->Unit(benchmark::kMicrosecond);

void BM_SelectByKeyScanning(benchmark::State &state)
{
    Run(state, " SELECT * FROM Z_ST_ZRQ WHERE st_ID + 0 = ");
}
BENCHMARK(BM_SelectByKeyScanning)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
