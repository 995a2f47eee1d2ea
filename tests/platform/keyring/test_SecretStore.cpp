// The keyring store against a real Secret Service, and where none answers.

#include "KeyringTestEnv.h"
#include "platform/keyring/SecretStore.h"

#include <QProcess>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(SecretService, SecretsAreWrittenReadReplacedAndRemovedInTheRealKeyring)
{
    REQUIRE_KEYRING_SESSION("secret-service");
    const SecretStore store;
    const QString key = SecretStore::smtpKey(QStringLiteral("Office"));
    EXPECT_EQ(key, QStringLiteral("Office/smtp"));
    const QString secret = QStringLiteral("pässwörd with spaces \u20ac");

    EXPECT_EQ(store.read(key).status, SecretStatus::NotFound);
    ASSERT_TRUE(store.write(key, secret).ok());
    const SecretResult read = store.read(key);
    ASSERT_TRUE(read.ok()) << qPrintable(read.text);
    EXPECT_EQ(read.secret, secret);
    // Held by the Secret Service itself, as another client sees it, and in no file in plain.
    EXPECT_EQ(SecretToolLookup(SecretStore::serviceName(), key), secret);
    EXPECT_TRUE(FilesHolding(secret.toUtf8()).isEmpty())
        << qPrintable(FilesHolding(secret.toUtf8()).join(u' '));

    ASSERT_TRUE(store.write(key, QStringLiteral("second")).ok());
    EXPECT_EQ(store.read(key).secret, QStringLiteral("second"));

    ASSERT_TRUE(store.remove(key).ok());
    EXPECT_EQ(store.read(key).status, SecretStatus::NotFound);
    EXPECT_FALSE(store.read(key).text.isEmpty());
    EXPECT_TRUE(store.remove(key).ok()) << "removing what is not there is no failure";
}

TEST(SecretService, KeysAndServicesAreKeptApart)
{
    REQUIRE_KEYRING_SESSION("secret-service");
    const SecretStore ours;
    const SecretStore other(QStringLiteral("Velloran Test Other"));
    const QString name = QStringLiteral("Apart");
    ASSERT_TRUE(ours.write(SecretStore::smtpKey(name), QStringLiteral("smtp")).ok());
    ASSERT_TRUE(ours.write(SecretStore::imapKey(name), QStringLiteral("imap")).ok());
    ASSERT_TRUE(other.write(SecretStore::smtpKey(name), QStringLiteral("other")).ok());
    EXPECT_EQ(ours.read(SecretStore::smtpKey(name)).secret, QStringLiteral("smtp"));
    EXPECT_EQ(ours.read(SecretStore::imapKey(name)).secret, QStringLiteral("imap"));
    EXPECT_EQ(ours.read(SecretStore::oauthKey(name)).status, SecretStatus::NotFound);
    EXPECT_EQ(other.read(SecretStore::smtpKey(name)).secret, QStringLiteral("other"));
    ASSERT_TRUE(ours.remove(SecretStore::smtpKey(name)).ok());
    EXPECT_EQ(other.read(SecretStore::smtpKey(name)).secret, QStringLiteral("other"));
    EXPECT_EQ(ours.read(SecretStore::imapKey(name)).secret, QStringLiteral("imap"));
}

// Calls from worker threads, plain and Qt ones, while the GUI thread calls too: each gets
// its own answer.
TEST(SecretService, CallsFromSeveralThreadsAtOnceGetTheirOwnAnswers)
{
    REQUIRE_KEYRING_SESSION("secret-service");
    constexpr int kThreads = 4;
    constexpr int kRounds = 5;
    std::vector<int> right(kThreads, 0);
    const auto work = [&right](int t) {
        const SecretStore store;
        for (int round = 0; round < kRounds; ++round) {
            const QString key = QStringLiteral("Threads%1/smtp").arg(t);
            const QString secret = QStringLiteral("secret %1 %2").arg(t).arg(round);
            if (store.write(key, secret).ok() && store.read(key).secret == secret)
                ++right[t];
        }
    };
    std::vector<std::thread> plain;
    for (int t = 0; t < kThreads / 2; ++t)
        plain.emplace_back(work, t);
    std::vector<QThread *> qt;
    for (int t = kThreads / 2; t < kThreads; ++t) {
        qt.push_back(QThread::create(work, t));
        qt.back()->start();
    }
    const SecretStore store;
    int guiRight = 0;
    for (int round = 0; round < kRounds; ++round) {
        const QString secret = QStringLiteral("gui %1").arg(round);
        if (store.write(QStringLiteral("ThreadsGui/smtp"), secret).ok()
            && store.read(QStringLiteral("ThreadsGui/smtp")).secret == secret)
            ++guiRight;
    }
    for (std::thread &t : plain)
        t.join();
    for (QThread *t : qt) {
        t->wait();
        delete t;
    }
    EXPECT_EQ(guiRight, kRounds);
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(right[t], kRounds) << "thread " << t;
}

// Without a keyring nothing may land in a plain-text file instead (the keychain library's
// insecure fallback would write one under the configuration folder).
TEST(NoKeyring, EveryCallAnswersNoServiceAndNothingIsWrittenAnywhere)
{
    ASSERT_TRUE(KeyringSession() == QStringLiteral("no-service")
        || KeyringSession() == QStringLiteral("no-bus"))
        << "run this test through tests/platform/keyring/run_keyring_test.sh";
    const SecretStore store;
    const QString secret = QStringLiteral("never-in-a-file-7c1e");
    const SecretResult written = store.write(QStringLiteral("Office/smtp"), secret);
    EXPECT_EQ(written.status, SecretStatus::NoService);
    EXPECT_TRUE(written.text.contains(QStringLiteral("keyring"))) << qPrintable(written.text);
    EXPECT_EQ(store.read(QStringLiteral("Office/smtp")).status, SecretStatus::NoService);
    EXPECT_EQ(store.remove(QStringLiteral("Office/smtp")).status, SecretStatus::NoService);
    EXPECT_TRUE(FilesHolding(secret.toUtf8()).isEmpty());

    // From a worker thread the answer is the same.
    SecretStatus fromThread = SecretStatus::Ok;
    std::thread([&] { fromThread = store.read(QStringLiteral("Office/smtp")).status; }).join();
    EXPECT_EQ(fromThread, SecretStatus::NoService);
}

// A keyring that holds the Secret Service's name but never answers: calls give up after
// their timeout with a reason, instead of hanging the program, and the GUI thread keeps
// serving its events while it waits.
TEST(SilentKeyring, ACallGivesUpAfterItsTimeoutAndTheGuiThreadKeepsServingEvents)
{
    REQUIRE_KEYRING_SESSION("no-service");
    QProcess silent;
    silent.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    silent.start(QStringLiteral("/usr/bin/python3"), { QStringLiteral(SILENT_KEYRING_SCRIPT) });
    ASSERT_TRUE(silent.waitForReadyRead(10000));
    ASSERT_TRUE(silent.readLine().startsWith("READY"));

    SecretStore store;
    store.setTimeout(400);
    bool served = false;
    QTimer::singleShot(0, [&served] { served = true; });
    const SecretResult read = store.read(QStringLiteral("Silent/smtp"));
    EXPECT_EQ(read.status, SecretStatus::Failed);
    EXPECT_TRUE(read.text.contains(QStringLiteral("did not answer"))) << qPrintable(read.text);
    EXPECT_TRUE(served) << "the GUI thread's events waited for the keyring";

    SecretStatus fromThread = SecretStatus::Ok;
    std::thread([&] {
        fromThread = store.write(QStringLiteral("Silent/smtp"), QStringLiteral("x")).status;
    }).join();
    EXPECT_EQ(fromThread, SecretStatus::Failed);
    silent.kill();
    silent.waitForFinished(5000);
}
