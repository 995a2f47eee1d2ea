// Two ways of bringing a page-cached table file's records to a scan, each touching every
// record: positioned reads into one reused buffer (what the scan does) and a mapping of the
// file. The mapping avoids the copy but pays for mapping every page; it also turns a file cut
// short by another program into a SIGBUS instead of a short read.
//
//   bench_sql_reads [--benchmark_filter=...]   (VELLORAN_BENCH_DIR: a folder holding Z_STRAN.DBF,
//                                               as bench_sql leaves it)

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// About a ledger record's length: one byte read per record, as a scan tests its delete flag.
constexpr size_t RecordBytes = 397;

class LedgerFile
{
public:
    LedgerFile()
    {
        const char *folder = std::getenv("VELLORAN_BENCH_DIR");
        if (!folder)
            return;
        m_fd = ::open((std::string(folder) + "/Z_STRAN.DBF").c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st
        { };
        if (m_fd >= 0 && ::fstat(m_fd, &st) == 0)
            m_size = static_cast<size_t>(st.st_size);
    }
    ~LedgerFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int fd() const { return m_fd; }
    size_t size() const { return m_size; }

private:
    int m_fd = -1;
    size_t m_size = 0;
};

uint64_t Touch(const char *bytes, size_t size)
{
    uint64_t sum = 0;
    for (size_t at = 0; at < size; at += RecordBytes)
        sum += static_cast<unsigned char>(bytes[at]);
    return sum;
}

void BM_PreadReusedBuffer(benchmark::State &state)
{
    const LedgerFile file;
    if (file.fd() < 0 || file.size() == 0) {
        state.SkipWithError("VELLORAN_BENCH_DIR holds no Z_STRAN.DBF");
        return;
    }
    std::vector<char> buffer(static_cast<size_t>(state.range(0)) << 10);
    for (auto _ : state) {
        uint64_t sum = 0;
        for (size_t at = 0; at < file.size(); at += buffer.size()) {
            const ssize_t got
                = ::pread(file.fd(), buffer.data(), buffer.size(), static_cast<off_t>(at));
            if (got <= 0)
                break;
            sum += Touch(buffer.data(), static_cast<size_t>(got));
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_PreadReusedBuffer)->Arg(256)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);

void BM_MapWholeFile(benchmark::State &state)
{
    const LedgerFile file;
    if (file.fd() < 0 || file.size() == 0) {
        state.SkipWithError("VELLORAN_BENCH_DIR holds no Z_STRAN.DBF");
        return;
    }
    const int flags = MAP_SHARED | (state.range(0) ? MAP_POPULATE : 0);
    for (auto _ : state) {
        void *map = ::mmap(nullptr, file.size(), PROT_READ, flags, file.fd(), 0);
        if (map == MAP_FAILED) {
            state.SkipWithError("mmap failed");
            return;
        }
        benchmark::DoNotOptimize(Touch(static_cast<const char *>(map), file.size()));
        ::munmap(map, file.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
// 0: pages mapped as they are touched; 1: all mapped at once (MAP_POPULATE).
BENCHMARK(BM_MapWholeFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
