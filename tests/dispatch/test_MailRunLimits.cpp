// The e-mail run and the limits of the account it sends from: the message-per-minute limit
// (by an injected clock), the outgoing server's SIZE, and the copy in the server's Sent
// folder, told once per run when it fails.

#include "mail/MailTestEnv.h"
#include "mail/SmtpTestServer.h"
#include "mail/transport/ImapTestServer.h"

#include "dispatch/MailDispatch.h"
#include "dispatch/MessagePacer.h"
#include "mail/RwMapiSession.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDir.h"

#include <QJsonArray>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

// Time passes only when the run waits.
class TestClock final : public PacingClock
{
public:
    qint64 now() override { return m_now; }
    void wait(qint64 ms) override
    {
        EXPECT_GT(ms, 0);
        m_now += ms;
    }

private:
    qint64 m_now = 0;
};

class CaptionLog final : public DispatchProgress
{
public:
    void setCaption(const QString &caption) override { captions << caption; }
    void processEvents() override { ++eventTurns; }
    QStringList captions;
    int eventTurns = 0;
};

class MailRunLimitsTest : public ::testing::Test
{
protected:
    MailRunLimitsTest() { PacingClock::setInstance(&m_clock); }
    ~MailRunLimitsTest() override
    {
        m_session.UnloadMapi();
        PacingClock::setInstance(nullptr);
    }

    void writeProfile(const QString &smtpUrl, int perMinute, const QString &imapUrl = QString())
    {
        QJsonObject transport;
        transport[QStringLiteral("kind")] = QStringLiteral("smtp");
        transport[QStringLiteral("url")] = smtpUrl;
        transport[QStringLiteral("starttls")] = QStringLiteral("none");
        transport[QStringLiteral("messagesPerMinute")] = perMinute;
        transport[QStringLiteral("timeout")] = 10;
        transport[QStringLiteral("connectTimeout")] = 5;
        QJsonObject profile;
        profile[QStringLiteral("name")] = QStringLiteral("Office");
        profile[QStringLiteral("default")] = true;
        profile[QStringLiteral("senderAddress")] = QStringLiteral("ledger@example.com");
        profile[QStringLiteral("store")] = QString(m_home.path() + QStringLiteral("/store"));
        profile[QStringLiteral("transport")] = transport;
        if (!imapUrl.isEmpty())
            profile[QStringLiteral("sentCopy")] = LoopbackSentCopy(imapUrl);
        m_home.writeProfile(profile);
    }

    // One tagged invoice per account (numbered from first), each with its PDF.
    QList<MailDocument> documents(int accounts, int pdfSize = 2000, int first = 1)
    {
        QList<MailDocument> rows;
        for (int i = first; i < first + accounts; ++i) {
            MailDocument d;
            d.tagged = true;
            d.account = QStringLiteral("ACC%1").arg(i, 3, 10, QChar(u'0')).leftJustified(8);
            d.email = QStringLiteral("a%1@example.com").arg(i);
            d.type = QStringLiteral("I");
            d.pdfFile = QStringLiteral("I%1.PDF").arg(i);
            d.pdfPath = m_pdf.file(d.pdfFile);
            d.copyPath = m_pdf.file(QStringLiteral("SI%1.PDF").arg(i));
            d.id = i;
            QByteArray bytes("%PDF-1.4\n");
            while (bytes.size() < pdfSize)
                bytes.append(char(QRandomGenerator::global()->bounded(256)));
            QFile file(d.pdfPath);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bytes);
            rows << d;
        }
        return rows;
    }

    QSet<qint64> run(const QList<MailDocument> &rows)
    {
        QSet<qint64> delivered;
        SendTaggedDocuments(rows,
            { QStringLiteral("Your documents"), QStringLiteral("Dear customer,\r\nattached.") },
            m_mailer, m_progress, delivered);
        return delivered;
    }

    int received() const
    {
        return int(QDir(m_smtpFolder.path()).entryList({ QStringLiteral("msg-*.eml") }).size());
    }

    ScopedConfigHome m_home;
    TempDir m_pdf;
    TempDir m_smtpFolder;
    TempDir m_imapFolder;
    TestClock m_clock;
    ScopedMessages m_messages;
    CaptionLog m_progress;
    TRwMapiSessionV3 m_session;
    DocumentMailer m_mailer { m_session, QStringLiteral("Velloran") };
};

} // namespace

TEST_F(MailRunLimitsTest, MessagesPerMinuteAreKeptByWaitingWithTheWaitInTheCaption)
{
    SmtpTestServer smtp(m_smtpFolder.path(), QStringLiteral("accept"));
    ASSERT_GT(smtp.port(), 0);
    writeProfile(smtp.url(), 120);

    EXPECT_EQ(run(documents(5)).size(), 5);
    EXPECT_EQ(received(), 5);
    // 5 messages at 120 a minute: four gaps of half a second.
    EXPECT_GE(m_clock.now(), 2000);
    // The window is served through the wait, not once at its end.
    EXPECT_GE(m_progress.eventTurns, 2000 / 50);
    EXPECT_TRUE(m_progress.captions.contains(
        QStringLiteral("Waiting 1 s: the account \"Office\" sends at most 120 messages a minute")));
    // The wait comes before each message after the first, not after the last.
    EXPECT_EQ(m_progress.captions.filter(QStringLiteral("Waiting")).size(), 4);
    EXPECT_TRUE(m_progress.captions.back().startsWith(QStringLiteral("Sending to Account")));
    EXPECT_TRUE(m_messages->texts().isEmpty());
}

TEST_F(MailRunLimitsTest, NoLimitMeansNoWait)
{
    SmtpTestServer smtp(m_smtpFolder.path(), QStringLiteral("accept"));
    ASSERT_GT(smtp.port(), 0);
    writeProfile(smtp.url(), 0);

    EXPECT_EQ(run(documents(3)).size(), 3);
    EXPECT_EQ(m_clock.now(), 0);
    EXPECT_TRUE(m_progress.captions.filter(QStringLiteral("Waiting")).isEmpty());
}

TEST_F(MailRunLimitsTest, MessageOverTheServersSizeIsReportedWithItsReason)
{
    SmtpTestServer smtp(m_smtpFolder.path(), QStringLiteral("size"));
    ASSERT_GT(smtp.port(), 0);
    writeProfile(smtp.url(), 0);
    QList<MailDocument> rows = documents(1, 300 * 1024);
    rows << documents(1, 2000, 2); // a second account with a small PDF

    EXPECT_EQ(run(rows), QSet<qint64> { 2 });
    const QStringList texts = m_messages->texts();
    ASSERT_EQ(texts.size(), 1);
    const QStringList lines = texts[0].split(u'\n');
    ASSERT_EQ(lines.size(), 2) << texts[0].toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Mail Submit Failure to a1@example.com"));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("the outgoing server of the account \"Office\"")))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("100,000 bytes")));
    // Only the small message reached DATA.
    QFile dataLog(m_smtpFolder.file(QStringLiteral("data-commands.log")));
    ASSERT_TRUE(dataLog.open(QIODevice::ReadOnly));
    EXPECT_EQ(dataLog.readAll(), QByteArray("DATA\n"));
    EXPECT_TRUE(QFileInfo::exists(rows[0].copyPath)) << "the failed message's copy stays";
}

TEST_F(MailRunLimitsTest, MissingSentCopiesAreToldOnceAndTheMessagesCountAsSent)
{
    SmtpTestServer smtp(m_smtpFolder.path(), QStringLiteral("accept"));
    ImapTestServer full(m_imapFolder.path(), QStringLiteral("refuse-append"));
    ASSERT_GT(smtp.port(), 0);
    ASSERT_GT(full.port(), 0);
    writeProfile(smtp.url(), 0, full.url());

    const QList<MailDocument> rows = documents(3);
    EXPECT_EQ(run(rows), (QSet<qint64> { 1, 2, 3 }));
    EXPECT_EQ(received(), 3);
    for (const MailDocument &d : rows)
        EXPECT_FALSE(QFileInfo::exists(d.copyPath)) << "a sent message's copy is removed";
    const QStringList texts = m_messages->texts();
    ASSERT_EQ(texts.size(), 1) << texts.join(u'|').toStdString();
    EXPECT_TRUE(
        texts[0].startsWith(QStringLiteral("3 messages were sent, but the copy could not "
                                           "be put in the Sent folder of the mail account")));
    EXPECT_TRUE(texts[0].contains(QStringLiteral("mailbox full")));
    EXPECT_TRUE(texts[0].endsWith(QStringLiteral("kept in Sent Items on this computer.")));
    EXPECT_EQ(m_messages->entries[0].kind, MessageService::Kind::Warning);
    EXPECT_EQ(
        QDir(m_home.path() + QStringLiteral("/store/Sent Items/cur")).entryList(QDir::Files).size(),
        3);
}
