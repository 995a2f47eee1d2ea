// Sends through the session and the real mail library: the copy in the IMAP Sent folder, a
// refused upload that leaves the message sent, and the outgoing server's SIZE.

#include "ImapTestServer.h"
#include "MailTestEnv.h"
#include "SmtpTestServer.h"

#include "mail/RwMapiErrors.h"
#include "mail/RwMapiSession.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList FilesIn(const QString &folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::Files);
    while (it.hasNext())
        names << it.next();
    return names;
}

QByteArray MessageId(const QByteArray &mime)
{
    for (const QByteArray &line : mime.split('\n'))
        if (line.toLower().startsWith("message-id:"))
            return line.mid(11).trimmed();
    return {};
}

class TransportTest : public ::testing::Test
{
protected:
    void TearDown() override { m_session.UnloadMapi(); }

    QString store() const { return m_home.path() + QStringLiteral("/store"); }
    QStringList sentItems() const { return FilesIn(store() + QStringLiteral("/Sent Items/cur")); }
    QStringList outbox() const { return FilesIn(store() + QStringLiteral("/Outbox/new")); }

    void writeProfile(const QString &smtpUrl, const QString &imapUrl = QString(),
        const QString &imapPassword = QStringLiteral("right"))
    {
        QJsonObject profile { { QStringLiteral("name"), QStringLiteral("Office") },
            { QStringLiteral("default"), true },
            { QStringLiteral("senderName"), QStringLiteral("Sales Ledger") },
            { QStringLiteral("senderAddress"), QStringLiteral("ledger@example.com") },
            { QStringLiteral("store"), store() },
            { QStringLiteral("transport"),
                QJsonObject { { QStringLiteral("kind"), QStringLiteral("smtp") },
                    { QStringLiteral("url"), smtpUrl },
                    { QStringLiteral("starttls"), QStringLiteral("none") },
                    { QStringLiteral("timeout"), 10 },
                    { QStringLiteral("connectTimeout"), 5 } } } };
        if (!imapUrl.isEmpty())
            profile[QStringLiteral("sentCopy")] = LoopbackSentCopy(imapUrl, imapPassword);
        m_home.writeProfile(profile);
    }

    // One message with an attachment of the given size, as the e-mail run sends it. Answers
    // the message, submitted (or raised at submission when submit says so).
    IRwMapiMessage send(int attachmentSize, bool *raised = nullptr)
    {
        QByteArray bytes("%PDF-1.4\n");
        while (bytes.size() < attachmentSize)
            bytes.append(char(QRandomGenerator::global()->bounded(256)));
        const QString path = m_files.file(QStringLiteral("SI%1.PDF").arg(++m_count));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        m_session.setActive(true);
        IRwMapiAddressbook book = m_session.GetAddressBook(false);
        IRwMapiRecipientTable list = book->CreateRecipientTable();
        list->AddRecipients(QStringLiteral("customer@example.com"), MAPI_TO, false);
        m_session.ResolveNames(list, false, true, QStringLiteral("Velloran"));
        IRwMapiMsgStore msgStore = m_session.GetDefaultMsgStore(1);
        IRwMapiFolder folder = msgStore->OpenFolderByType(4, 1, 0);
        IRwMapiMessage message = folder->CreateMessage(QStringLiteral("IPM.Note"));
        message->ModifyRecipients(0, list);
        message->SetPropText(PR_SUBJECT, QStringLiteral("Your documents"));
        message->SetBody(QStringLiteral("Attached.\r\n"), mfPlainText);
        message->AddFileAttachment(path);
        bool failed = false;
        try {
            message->SubmitMessage(skKeepInSentItems);
        } catch (const ERwMapiException &) {
            failed = true;
        }
        if (raised)
            *raised = failed;
        else
            EXPECT_FALSE(failed) << message->SubmitReport().toStdString();
        return message;
    }

    ScopedConfigHome m_home;
    TempDir m_files;
    TempDir m_smtpFolder;
    TempDir m_imapFolder;
    TRwMapiSessionV3 m_session;
    int m_count = 0;
};

} // namespace

TEST_F(TransportTest, SentCopyIsTheBytesTheServerReceivedFlaggedSeen)
{
    SmtpTestServer smtp(m_smtpFolder.path(), QStringLiteral("accept"));
    ImapTestServer imap(m_imapFolder.path(), QStringLiteral("accept"));
    ASSERT_GT(smtp.port(), 0);
    ASSERT_GT(imap.port(), 0);
    writeProfile(smtp.url(), imap.url());

    const IRwMapiMessage first = send(40000);
    const IRwMapiMessage second = send(2000); // the folder found is kept for the next one
    EXPECT_TRUE(first->SubmitReport().isEmpty());

    const QStringList appended = imap.appended();
    ASSERT_EQ(appended.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QByteArray received
            = ReadAll(m_smtpFolder.file(QStringLiteral("msg-%1.eml").arg(i + 1)));
        const QByteArray copy = ReadAll(appended[i]);
        ASSERT_FALSE(received.isEmpty());
        EXPECT_EQ(copy, received) << "message " << i;
        EXPECT_FALSE(MessageId(copy).isEmpty());
        const QJsonObject envelope = ImapTestServer::envelope(appended[i]);
        EXPECT_EQ(envelope[u"mailbox"].toString(), QStringLiteral("Sent Items"));
        EXPECT_EQ(envelope[u"flags"].toArray().toVariantList(),
            QVariantList { QStringLiteral("\\Seen") });
    }
    EXPECT_NE(MessageId(ReadAll(appended[0])), MessageId(ReadAll(appended[1])));
    EXPECT_EQ(sentItems().size(), 2) << "the local Sent Items stays the program's record";
    EXPECT_TRUE(outbox().isEmpty());
}

TEST_F(TransportTest, RefusedUploadLeavesTheMessageSentWithAWarning)
{
    SmtpTestServer smtp(m_smtpFolder.path(), QStringLiteral("accept"));
    ImapTestServer full(m_imapFolder.path(), QStringLiteral("refuse-append"));
    ASSERT_GT(smtp.port(), 0);
    ASSERT_GT(full.port(), 0);
    writeProfile(smtp.url(), full.url());

    const IRwMapiMessage message = send(2000);
    EXPECT_TRUE(QFileInfo::exists(m_smtpFolder.file(QStringLiteral("msg-1.eml"))));
    EXPECT_TRUE(message->SubmitReport().contains(QStringLiteral("mailbox full")))
        << message->SubmitReport().toStdString();
    EXPECT_TRUE(full.appended().isEmpty());
    EXPECT_EQ(sentItems().size(), 1);
    EXPECT_TRUE(outbox().isEmpty());
}

TEST_F(TransportTest, RefusedImapLoginIsAWarningInWords)
{
    SmtpTestServer smtp(m_smtpFolder.path(), QStringLiteral("accept"));
    ImapTestServer imap(m_imapFolder.path(), QStringLiteral("accept"));
    ASSERT_GT(smtp.port(), 0);
    ASSERT_GT(imap.port(), 0);
    writeProfile(smtp.url(), imap.url(), QStringLiteral("wrong"));

    const IRwMapiMessage message = send(2000);
    EXPECT_EQ(message->SubmitReport(),
        QStringLiteral("The IMAP server 127.0.0.1:%1 refused the user name or password.")
            .arg(imap.port()));
    EXPECT_EQ(sentItems().size(), 1);
}

TEST_F(TransportTest, MessageOverTheAnnouncedSizeIsRefusedBeforeData)
{
    SmtpTestServer smtp(m_smtpFolder.path(), QStringLiteral("size"));
    ASSERT_GT(smtp.port(), 0);
    writeProfile(smtp.url());
    const QString dataLog = m_smtpFolder.file(QStringLiteral("data-commands.log"));

    // The first message of the connection is refused at MAIL FROM ... SIZE=, the next one
    // before any command, by the SIZE the first exchange learnt.
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool raised = false;
        const IRwMapiMessage big = send(300 * 1024, &raised);
        EXPECT_TRUE(raised) << attempt;
        const QString report = big->SubmitReport();
        EXPECT_TRUE(report.contains(QStringLiteral("\"Office\""))) << report.toStdString();
        EXPECT_TRUE(report.contains(QStringLiteral("100,000 bytes"))) << report.toStdString();
        EXPECT_TRUE(report.startsWith(QStringLiteral("The message is 4"))) << report.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dataLog)) << "no DATA for a message that cannot fit";
    }
    EXPECT_EQ(outbox().size(), 2) << "refused messages stay in the Outbox";

    // A message that fits still goes, on the same session.
    send(20000);
    EXPECT_TRUE(QFileInfo::exists(m_smtpFolder.file(QStringLiteral("msg-1.eml"))));
}
