// Two processes appending to and updating one shared table at once: afterwards the record count,
// end mark, memo file and index agree, and every row either wrote is there once.

#include "VfpTestSupport.h"

#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/DbfTable.h"

#include "support/TempDir.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <unistd.h>

using namespace vfptest;
using vfp::Value;

namespace {

constexpr int kOperations = 2500;

std::string SelfPath()
{
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

} // namespace

// The worker run in a child process: appends rows numbered by its id and, in between, sets
// flags on random records (its own and the other worker's).
TEST(ConcurrencyWorker, Run)
{
    const QByteArray folder = qgetenv("VFP_WORKER_FOLDER");
    if (folder.isEmpty())
        GTEST_SKIP() << "runs only as a child of ConcurrentWriters";
    const int id = qEnvironmentVariableIntValue("VFP_WORKER_ID");
    const auto db = vfp::Database::open(folder.toStdString());
    const auto table = db->table("shared");
    std::mt19937 rng(static_cast<unsigned>(id));
    for (int i = 0; i < kOperations; ++i) {
        const double stId = id * 100000 + i;
        table->append({ { 0, Value::numeric(stId) },
            { 2, Value::memo("memo of " + std::to_string(static_cast<int>(stId))) } });
        const uint32_t count = table->recordCount();
        table->update(
            1 + rng() % count, { { 1 + static_cast<int>(rng() % 2) * 2, Value::integer(1) } });
    }
}

TEST(Concurrency, ConcurrentWritersLeaveAConsistentTable)
{
    TempDir dir;
    const std::string folder = dir.path().toStdString();
    {
        vfp::TableBuilder b(folder + "/shared.dbf",
            { { "ST_ID", 'N', 10, 0, false }, { "ST_ZRQTAG", 'L', 1, 0, false },
                { "NOTE", 'M', 4, 0, false }, { "ST_ZRQSENT", 'L', 1, 0, false } });
        b.addIndexTag("ST_ZRQ1", "ST_ID");
        b.finish();
    }
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int id = 1; id <= 2; ++id) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VFP_WORKER_FOLDER"), dir.path());
        env.insert(QStringLiteral("VFP_WORKER_ID"), QString::number(id));
        p->setProcessEnvironment(env);
        p->setProcessChannelMode(QProcess::MergedChannels);
        p->start(QString::fromStdString(SelfPath()),
            { QStringLiteral("--gtest_filter=ConcurrencyWorker.Run") });
        ASSERT_TRUE(p->waitForStarted());
        workers.push_back(std::move(p));
    }
    for (auto &p : workers) {
        ASSERT_TRUE(p->waitForFinished(240000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAll().toStdString();
    }

    const auto table = vfp::DbfTable::openPath(folder + "/shared.dbf");
    const uint32_t count = table->recordCount();
    EXPECT_EQ(count, 2u * kOperations);
    const std::string bytes = ReadBytes(folder + "/shared.dbf");
    const auto &h = table->header();
    EXPECT_EQ(bytes.size(), h.headerLength + static_cast<size_t>(count) * h.recordLength + 1);
    EXPECT_EQ(bytes.back(), '\x1A');

    std::map<int, int> seen;
    int flags = 0;
    for (uint32_t r = 1; r <= count; ++r) {
        const int stId = static_cast<int>(table->value(r, 0).number());
        ++seen[stId];
        EXPECT_EQ(table->value(r, 2).text(), "memo of " + std::to_string(stId));
        flags += table->value(r, 1).logical() + table->value(r, 3).logical();
    }
    for (int id = 1; id <= 2; ++id)
        for (int i = 0; i < kOperations; ++i)
            ASSERT_EQ(seen[id * 100000 + i], 1) << id << "/" << i;
    EXPECT_GT(flags, kOperations / 2);
    EXPECT_EQ(ExpectIndexMatchesRecords(*table), 1);
    EXPECT_EQ(DbfreadRows(folder + "/shared.dbf", "cp1252").size(), count);
}
