// The connection test of an account against the loopback SMTP and IMAP servers: every step
// in the user's words, the announced SIZE, the IMAP folder list, and nothing sent.

#include "ImapTestServer.h"
#include "SmtpTestServer.h"

#include "platform/mapi/ConnectionTest.h"
#include "support/TempDir.h"

#include <QDir>

#include <gtest/gtest.h>

#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

Profile Account(
    const QString &smtpUrl, const QString &user = QString(), const QString &password = QString())
{
    Profile p;
    p.name = QStringLiteral("Office");
    p.senderAddress = QStringLiteral("ledger@example.com");
    p.transport.kind = TransportSettings::Kind::Smtp;
    p.transport.url = smtpUrl;
    p.transport.tls = TransportSettings::Tls::None;
    p.transport.username = user;
    p.transport.password = password;
    p.transport.connectTimeoutSeconds = 5;
    p.transport.timeoutSeconds = 5;
    return p;
}

void UploadTo(
    Profile &p, const QString &imapUrl, const QString &password, const QString &folder = QString())
{
    p.sentCopy.kind = SentCopySettings::Kind::Imap;
    p.sentCopy.url = imapUrl;
    p.sentCopy.tls = TransportSettings::Tls::None;
    p.sentCopy.username = QStringLiteral("user");
    p.sentCopy.password = password;
    p.sentCopy.folder = folder;
}

QList<ProbeOutcome> Outcomes(const ConnectionTestResult &r)
{
    QList<ProbeOutcome> out;
    for (const ProbeStep &s : r.steps)
        out << s.outcome;
    return out;
}

// A port nothing listens on: taken, then given back.
int ClosedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr *>(&address), size);
    ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

} // namespace

TEST(ConnectionTest, EveryStepSucceedsAndNothingIsSent)
{
    TempDir smtpFolder;
    TempDir imapFolder;
    SmtpTestServer smtp(smtpFolder.path(), QStringLiteral("auth"));
    ImapTestServer imap(imapFolder.path(), QStringLiteral("accept"));
    ASSERT_GT(smtp.port(), 0);
    ASSERT_GT(imap.port(), 0);
    Profile p = Account(smtp.url(), QStringLiteral("user"), QStringLiteral("right"));
    UploadTo(p, imap.url(), QStringLiteral("right"));

    const ConnectionTestResult r = TestConnection(p);
    EXPECT_TRUE(r.ok) << r.summary().toStdString();
    EXPECT_EQ(Outcomes(r), QList<ProbeOutcome>(4, ProbeOutcome::Ok));
    EXPECT_EQ(r.steps.back().text, QStringLiteral("Sent folder found: \"Sent Items\"."));
    EXPECT_EQ(r.sentFolder, QStringLiteral("Sent Items"));
    EXPECT_EQ(r.imapFolders,
        (QStringList { QStringLiteral("INBOX"), QStringLiteral("Archive"),
            QStringLiteral("Sent Items"), QStringLiteral("Drafts") }));
    EXPECT_TRUE(QDir(smtpFolder.path()).isEmpty()) << "the test sends no message";
    EXPECT_TRUE(imap.appended().isEmpty());

    // A configured folder is looked for by its name instead of the \Sent flag.
    UploadTo(p, imap.url(), QStringLiteral("right"), QStringLiteral("Archive"));
    EXPECT_EQ(TestConnection(p).sentFolder, QStringLiteral("Archive"));
}

TEST(ConnectionTest, AnnouncedSizeIsReported)
{
    TempDir folder;
    SmtpTestServer smtp(folder.path(), QStringLiteral("size"));
    ASSERT_GT(smtp.port(), 0);
    const ConnectionTestResult r = TestConnection(Account(smtp.url()));
    EXPECT_TRUE(r.ok) << r.summary().toStdString();
    EXPECT_EQ(r.sizeLimit, 100000);
    EXPECT_TRUE(r.steps.front().text.contains(QStringLiteral("100000 bytes")));
}

// Each way the outgoing server can fail, told in words at the step where it happened.
TEST(ConnectionTest, OutgoingServerFailuresInWords)
{
    TempDir folder;
    SmtpTestServer auth(folder.path(), QStringLiteral("auth"));
    SmtpTestServer silent(folder.path(), QStringLiteral("silent"));
    SmtpTestServer plain(folder.path(), QStringLiteral("accept"));
    ASSERT_GT(auth.port(), 0);
    ASSERT_GT(silent.port(), 0);
    ASSERT_GT(plain.port(), 0);

    struct Case
    {
        const char *name;
        Profile profile;
        ProbeOutcome outcome;
        ProbeStep::What step;
        QString words;
    };
    Profile tlsRequired = Account(plain.url());
    tlsRequired.transport.tls = TransportSettings::Tls::Required;
    Profile silentServer = Account(silent.url());
    silentServer.transport.connectTimeoutSeconds = 2;
    silentServer.transport.timeoutSeconds = 2;
    const QList<Case> cases {
        { "wrong password", Account(auth.url(), QStringLiteral("user"), QStringLiteral("wrong")),
            ProbeOutcome::AuthenticationRefused, ProbeStep::What::OutgoingSignIn,
            QStringLiteral("refused the user name or password") },
        { "host not found", Account(QStringLiteral("smtp://no-such-host.invalid:25")),
            ProbeOutcome::HostNotFound, ProbeStep::What::OutgoingServer,
            QStringLiteral("was not found") },
        { "silent server", silentServer, ProbeOutcome::TimedOut, ProbeStep::What::OutgoingServer,
            QStringLiteral("did not answer in time") },
        { "nothing listening", Account(QStringLiteral("smtp://127.0.0.1:%1").arg(ClosedPort())),
            ProbeOutcome::ConnectionRefused, ProbeStep::What::OutgoingServer,
            QStringLiteral("refused the connection") },
        { "TLS required, none offered", tlsRequired, ProbeOutcome::NoTls,
            ProbeStep::What::OutgoingServer, QStringLiteral("offers no secure (TLS) connection") },
        // A user name set but no sign-in offered must not pass for signed in.
        { "no sign-in offered",
            Account(plain.url(), QStringLiteral("user"), QStringLiteral("right")),
            ProbeOutcome::AuthenticationRefused, ProbeStep::What::OutgoingSignIn,
            QStringLiteral("offers no sign-in") },
    };
    for (const Case &c : cases) {
        const ConnectionTestResult r = TestConnection(c.profile);
        EXPECT_FALSE(r.ok) << c.name;
        ASSERT_FALSE(r.steps.isEmpty()) << c.name;
        const ProbeStep &last = r.steps.back();
        EXPECT_EQ(last.outcome, c.outcome) << c.name << ": " << last.text.toStdString();
        EXPECT_EQ(last.what, c.step) << c.name;
        EXPECT_TRUE(last.text.contains(c.words)) << c.name << ": " << last.text.toStdString();
        EXPECT_FALSE(last.text.contains(QStringLiteral("CURLE"))) << c.name;
    }
}

TEST(ConnectionTest, ImapFailuresInWords)
{
    TempDir folder;
    SmtpTestServer smtp(folder.path(), QStringLiteral("accept"));
    ImapTestServer refusing(folder.path(), QStringLiteral("refuse-login"));
    ImapTestServer unflagged(folder.path(), QStringLiteral("no-special-use"));
    ASSERT_GT(smtp.port(), 0);
    ASSERT_GT(refusing.port(), 0);
    ASSERT_GT(unflagged.port(), 0);

    Profile p = Account(smtp.url());
    UploadTo(p, refusing.url(), QStringLiteral("right"));
    ConnectionTestResult r = TestConnection(p);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(Outcomes(r),
        (QList<ProbeOutcome> {
            ProbeOutcome::Ok, ProbeOutcome::Ok, ProbeOutcome::ImapLoginRefused }));
    EXPECT_TRUE(r.steps.back().text.contains(QStringLiteral("IMAP server")));

    // No folder flagged \Sent: not found, and the list is there to choose from.
    UploadTo(p, unflagged.url(), QStringLiteral("right"));
    r = TestConnection(p);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.steps.back().outcome, ProbeOutcome::FolderNotFound);
    EXPECT_TRUE(r.steps.back().text.startsWith(QStringLiteral("Sent folder not found")));
    EXPECT_EQ(r.imapFolders.size(), 4);
    EXPECT_TRUE(r.sentFolder.isEmpty());

    UploadTo(p, unflagged.url(), QStringLiteral("right"), QStringLiteral("Sent"));
    r = TestConnection(p);
    EXPECT_EQ(r.steps.back().outcome, ProbeOutcome::FolderNotFound);
    EXPECT_TRUE(r.steps.back().text.contains(QStringLiteral("\"Sent\"")));
}

TEST(ConnectionTest, CancelEndsTheTestAtOnce)
{
    std::atomic_bool cancel { true };
    const ConnectionTestResult before
        = TestConnection(Account(QStringLiteral("smtp://127.0.0.1:1")), &cancel);
    EXPECT_FALSE(before.ok);
    ASSERT_EQ(before.steps.size(), 1);
    EXPECT_EQ(before.steps.front().text, QStringLiteral("The test was cancelled."));

    // Cancelled while a silent server keeps it waiting: the test ends as cancelled, not
    // at the server's time-out, which is far longer than the test runner's.
    TempDir folder;
    SmtpTestServer silent(folder.path(), QStringLiteral("silent"));
    ASSERT_GT(silent.port(), 0);
    Profile p = Account(silent.url());
    p.transport.connectTimeoutSeconds = 900;
    p.transport.timeoutSeconds = 900;
    cancel = false;
    ConnectionTestResult during;
    std::thread worker([&] { during = TestConnection(p, &cancel); });
    EXPECT_TRUE(silent.waitForLine("ACCEPTED"));
    cancel = true;
    worker.join();
    EXPECT_FALSE(during.ok);
    ASSERT_EQ(during.steps.size(), 1);
    EXPECT_EQ(during.steps.front().text, QStringLiteral("The test was cancelled."));
}
