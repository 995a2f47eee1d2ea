// Scanning a 200,000-record table of about 400 bytes a record, with memos, against reading its
// files' bytes once. The table is generated on first use into $VELLORAN_BENCH_DIR (default
// /tmp/velloran-bench) and kept there, so later runs measure page-cached reads.

#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/DbfTable.h"
#include "platform/database/vfp/FileIo.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <sys/stat.h>

namespace {

constexpr int kRecords = 200000;

std::string Folder()
{
    const char *env = std::getenv("VELLORAN_BENCH_DIR");
    std::string folder = env ? env : "/tmp/velloran-bench";
    ::mkdir(folder.c_str(), 0777);
    return folder;
}

const std::string &TablePath()
{
    static const std::string path = [] {
        const std::string p = Folder() + "/scan_stran.dbf";
        if (vfp::FileExists(p))
            return p;
        std::vector<vfp::NewField> fields = {
            { "ST_ACCOUNT", 'C', 8, 0, false },
            { "ST_TRDATE", 'D', 8, 0, false },
            { "ST_TRREF", 'C', 10, 0, false },
            { "ST_TRTYPE", 'C', 1, 0, false },
            { "ST_TRVALUE", 'N', 12, 2, false },
            { "ST_VATVAL", 'N', 12, 2, false },
            { "ST_CUSREF", 'C', 20, 0, false },
            { "ST_DUEDATE", 'D', 8, 0, false },
            { "ST_MEMO", 'M', 4, 0, false },
            { "ST_PAID", 'L', 1, 0, false },
            { "ID", 'I', 4, 0, false },
            { "ST_DESC1", 'C', 60, 0, false },
            { "ST_DESC2", 'C', 60, 0, false },
            { "ST_DESC3", 'C', 60, 0, false },
            { "ST_ADDR1", 'C', 40, 0, false },
            { "ST_ADDR2", 'C', 40, 0, false },
            { "ST_ADDR3", 'C', 40, 0, false },
            { "ST_BALANCE", 'N', 14, 2, false },
            { "ST_FCVAL", 'N', 14, 2, false },
            { "ST_UNIQUE", 'C', 10, 0, false },
        };
        vfp::TableBuilder b(p, fields);
        std::mt19937 rng(1);
        for (int i = 0; i < kRecords; ++i) {
            const std::string account = "C" + std::to_string(10000 + rng() % 5000);
            b.addRow({ vfp::Value::character(account), vfp::Value::date(2459000 + i % 1500),
                vfp::Value::character("INV" + std::to_string(i)),
                vfp::Value::character(i % 9 ? "I" : "C"),
                vfp::Value::numeric((rng() % 100000) / 100.0),
                vfp::Value::numeric((rng() % 20000) / 100.0),
                vfp::Value::character("PO-" + std::to_string(rng() % 100000)),
                vfp::Value::date(2459030 + i % 1500),
                vfp::Value::memo("\\\\server\\pdf\\INV" + std::to_string(i) + ".pdf"),
                vfp::Value::logical(i % 3 == 0), vfp::Value::integer(i + 1),
                vfp::Value::character("Goods as per order"), vfp::Value::character("Delivered"),
                vfp::Value::character(""), vfp::Value::character("1 High Street"),
                vfp::Value::character("Town"), vfp::Value::character("County"),
                vfp::Value::numeric(0), vfp::Value::numeric(0),
                vfp::Value::character("U" + std::to_string(i)) });
        }
        b.addIndexTag("ID", "ID");
        b.finish();
        return p;
    }();
    return path;
}

void BM_ReadFileBytes(benchmark::State &state)
{
    const std::string dbf = TablePath();
    const std::string fpt = dbf.substr(0, dbf.size() - 4) + ".fpt";
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        size_t total = 0;
        for (const std::string &path : { dbf, fpt }) {
            auto file = vfp::OpenFile(path, vfp::FileMode::ReadOnly);
            for (uint64_t at = 0;; at += buffer.size()) {
                const size_t n = file->read(at, buffer.data(), buffer.size());
                total += n;
                if (n < buffer.size())
                    break;
            }
        }
        benchmark::DoNotOptimize(total);
        state.counters["MB"] = static_cast<double>(total) / 1e6;
    }
}
BENCHMARK(BM_ReadFileBytes)->Unit(benchmark::kMillisecond);

// Every field of every record, memos included: the upper bound of a scan's decoding work.
void BM_ScanEveryField(benchmark::State &state)
{
    for (auto _ : state) {
        const auto table = vfp::DbfTable::openPath(TablePath());
        const uint32_t count = table->recordCount();
        const int fields = static_cast<int>(table->fields().size());
        size_t bytes = 0;
        for (uint32_t r = 1; r <= count; ++r) {
            if (table->isDeleted(r))
                continue;
            for (int f = 0; f < fields; ++f) {
                const vfp::Value v = table->value(r, f);
                bytes += v.isText() ? v.text().size() : 8;
            }
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_ScanEveryField)->Unit(benchmark::kMillisecond);

// The columns a review list reads (account, date, reference, type, value, memo, id).
void BM_ScanReviewColumns(benchmark::State &state)
{
    for (auto _ : state) {
        const auto table = vfp::DbfTable::openPath(TablePath());
        const uint32_t count = table->recordCount();
        const int columns[] = { 0, 1, 2, 3, 4, 8, 10 };
        size_t bytes = 0;
        for (uint32_t r = 1; r <= count; ++r) {
            if (table->isDeleted(r))
                continue;
            for (int f : columns) {
                const vfp::Value v = table->value(r, f);
                bytes += v.isText() ? v.text().size() : 8;
            }
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_ScanReviewColumns)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
