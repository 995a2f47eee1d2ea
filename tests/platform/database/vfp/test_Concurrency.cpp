// Two processes appending to and updating one shared table at once: afterwards the record count,
// end mark, memo file and index agree, and every row either wrote is there once. Then writers
// killed at random moments: no index key is left on a record holding another key, their seeks
// never miss what they wrote, and the table reads back whole.

#include "VfpTestSupport.h"

#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/DbfTable.h"

#include "support/TempDir.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <random>
#include <unistd.h>

using namespace vfptest;
using vfp::Value;

namespace {

constexpr int kOperations = 2500;
constexpr int kKills = 300;

std::string SelfPath()
{
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

std::unique_ptr<QProcess> StartWorker(const QString &folder, int id, const char *test)
{
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VFP_WORKER_FOLDER"), folder);
    env.insert(QStringLiteral("VFP_WORKER_ID"), QString::number(id));
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::MergedChannels);
    p->start(QString::fromStdString(SelfPath()),
        { QStringLiteral("--gtest_filter=") + QString::fromLatin1(test) });
    return p;
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
        workers.push_back(StartWorker(dir.path(), id, "ConcurrencyWorker.Run"));
        ASSERT_TRUE(workers.back()->waitForStarted());
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

// The worker that is killed: writes the status table as the program does (named as its own, so
// its index is checked before the first write) until it is killed. It exits by itself only
// when a seek misses the record it has just appended.
TEST(ConcurrencyWorker, RunUntilKilled)
{
    const QByteArray folder = qgetenv("VFP_WORKER_FOLDER");
    if (folder.isEmpty())
        GTEST_SKIP() << "runs only as a child of WritersKilledAtRandom";
    const auto db = vfp::Database::open(folder.toStdString());
    db->markOwnTable("z_st_zrq");
    const auto table = db->table("z_st_zrq");
    std::mt19937 rng(static_cast<unsigned>(::getpid()));
    for (int i = 0;; ++i) {
        const double stId = 1 + rng() % 50000;
        const uint32_t recno = table->append({ { 0, Value::numeric(stId) } });
        const auto found = table->seekNumber(0, Value::numeric(stId));
        if (found && std::find(found->begin(), found->end(), recno) == found->end()) {
            std::fprintf(stderr, "seek for %.0f missed record %u\n", stId, recno);
            std::_Exit(3);
        }
        table->update(
            1 + rng() % recno, { { 1 + static_cast<int>(rng() % 2), Value::logical(true) } });
        if (i == 0) {
            std::printf("writing\n");
            std::fflush(stdout);
        }
    }
}

TEST(Concurrency, WritersKilledAtRandomLeaveEveryKeyOnItsRecord)
{
    TempDir dir;
    const std::string folder = dir.path().toStdString();
    {
        vfp::TableBuilder b(folder + "/z_st_zrq.dbf",
            { { "ST_ID", 'N', 10, 0, false }, { "ST_ZRQTAG", 'L', 1, 0, false },
                { "ST_ZRQSENT", 'L', 1, 0, false } });
        b.addIndexTag("ST_ZRQ1", "ST_ID");
        b.finish();
    }
    const std::string path = folder + "/z_st_zrq.dbf";
    // What the program's next writing open leaves: the table whole for another reader, and
    // every record's key in the index.
    const auto repairedByNextWrite = [&] {
        const auto db = vfp::Database::open(folder);
        db->markOwnTable("Z_ST_ZRQ");
        db->table("z_st_zrq")->update(1, { { 1, Value::logical(true) } });
        const auto table = vfp::DbfTable::openPath(path);
        EXPECT_EQ(DbfreadRows(path, "cp1252").size(), table->recordCount());
        EXPECT_EQ(ExpectIndexMatchesRecords(*table), 1);
    };
    std::mt19937 rng(16);
    // Each round kills both writers, a few milliseconds apart, and checks the table before
    // they start again.
    for (int round = 0; round < kKills / 2; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::vector<std::unique_ptr<QProcess>> workers;
        for (int id = 1; id <= 2; ++id) {
            workers.push_back(StartWorker(dir.path(), id, "ConcurrencyWorker.RunUntilKilled"));
            ASSERT_TRUE(workers.back()->waitForStarted())
                << workers.back()->errorString().toStdString();
        }
        for (auto &w : workers)
            ASSERT_TRUE(w->waitForReadyRead(10000)) << "a writer never began";
        QThread::usleep(rng() % 20000);
        for (auto &w : workers) {
            ASSERT_EQ(w->state(), QProcess::Running) << w->readAll().toStdString();
            w->kill();
            ASSERT_TRUE(w->waitForFinished(10000));
            ASSERT_EQ(w->exitStatus(), QProcess::CrashExit) << w->readAll().toStdString();
            QThread::usleep(rng() % 3000);
        }
        ExpectEveryKeyOnItsRecord(*vfp::DbfTable::openPath(path));
        ASSERT_FALSE(HasFailure());
        if (round % 25 == 24) {
            repairedByNextWrite();
            ASSERT_FALSE(HasFailure());
        }
    }
    ASSERT_GT(vfp::DbfTable::openPath(path)->recordCount(), 100u);
}
