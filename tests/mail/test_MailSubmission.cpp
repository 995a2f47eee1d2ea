// Whole sends through the session and the real mail library: loopback SMTP, drop folder,
// Simple MAPI, and the failures a send can meet.

#include "MailTestEnv.h"
#include "SmtpTestServer.h"

#include "mail/RwMapiErrors.h"
#include "mail/RwMapiSession.h"
#include "platform/mapi/MapiObject.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct Transport
{
    QString kind = QStringLiteral("drop");
    QString url;
    QString username;
    QString password;
    int timeout = 10;
    QString starttls = QStringLiteral("none");
};

Transport smtp(
    const QString &url, const QString &user = QString(), const QString &password = QString())
{
    Transport t;
    t.kind = QStringLiteral("smtp");
    t.url = url;
    t.username = user;
    t.password = password;
    return t;
}

class SubmissionTest : public ::testing::Test
{
protected:
    void TearDown() override { TRwMapiSessionV3().UnloadMapi(); }

    QString storeFolder() const { return m_home.path() + QStringLiteral("/store"); }
    QString dropFolder() const { return m_home.path() + QStringLiteral("/drop"); }

    void writeProfile(const Transport &t)
    {
        QJsonObject transport { { QStringLiteral("kind"), t.kind },
            { QStringLiteral("url"), t.url }, { QStringLiteral("username"), t.username },
            { QStringLiteral("password"), t.password }, { QStringLiteral("starttls"), t.starttls },
            { QStringLiteral("timeout"), t.timeout }, { QStringLiteral("connectTimeout"), 5 },
            { QStringLiteral("folder"), dropFolder() } };
        QJsonArray contacts {
            QJsonObject { { QStringLiteral("name"), QStringLiteral("Accounts") },
                { QStringLiteral("address"), QStringLiteral("accounts@example.com") } },
            QJsonObject { { QStringLiteral("name"), QStringLiteral("Sales") },
                { QStringLiteral("address"), QStringLiteral("sales1@example.com") } },
            QJsonObject { { QStringLiteral("name"), QStringLiteral("sales") },
                { QStringLiteral("address"), QStringLiteral("sales2@example.com") } }
        };
        QJsonObject profile { { QStringLiteral("name"), QStringLiteral("Office") },
            { QStringLiteral("default"), true },
            { QStringLiteral("senderName"), QStringLiteral("Sales Ledger") },
            { QStringLiteral("senderAddress"), QStringLiteral("ledger@example.com") },
            { QStringLiteral("store"), storeFolder() }, { QStringLiteral("transport"), transport },
            { QStringLiteral("contacts"), contacts } };
        m_home.write(QStringLiteral("mail-profiles.json"),
            QJsonDocument(QJsonObject { { QStringLiteral("profiles"), QJsonArray { profile } } })
                .toJson());
    }

    QString makePdf(const QString &name, int size)
    {
        QByteArray bytes("%PDF-1.4\n");
        while (bytes.size() < size)
            bytes.append(char(QRandomGenerator::global()->bounded(256)));
        const QString path = m_files.file(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    static QString sha256(const QString &path)
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return QString::fromLatin1(
            QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
    }

    static QStringList filesIn(const QString &folder)
    {
        QStringList names;
        QDirIterator it(folder, QDir::Files);
        while (it.hasNext())
            names << it.next();
        return names;
    }
    QStringList outbox() const { return filesIn(storeFolder() + QStringLiteral("/Outbox/new")); }
    QStringList sentItems() const
    {
        return filesIn(storeFolder() + QStringLiteral("/Sent Items/cur"));
    }

    // The operations of one send, in the e-mail run's order.
    static void send(TRwMapiSessionV3 &session, const QString &to, const QString &subject,
        const QString &body, const QStringList &files)
    {
        session.setActive(true);
        IRwMapiAddressbook book = session.GetAddressBook(false);
        IRwMapiRecipientTable list = book->CreateRecipientTable();
        list->Clear();
        list->AddRecipients(to, MAPI_TO, false);
        list->AddRecipients(QString(), MAPI_CC, false);
        list->AddRecipients(QString(), MAPI_BCC, false);
        session.ResolveNames(list, false, true, QStringLiteral("Velloran"));
        IRwMapiMsgStore store = session.GetDefaultMsgStore(1);
        IRwMapiFolder folder = store->OpenFolderByType(4, 1, 0);
        IRwMapiMessage message = folder->CreateMessage(QStringLiteral("IPM.Note"));
        message->ModifyRecipients(0, list);
        message->SetPropText(PR_SUBJECT, subject);
        message->SetPropText(PR_PRIORITY, QStringLiteral("1"));
        message->SetBody(body, mfPlainText);
        for (const QString &file : files)
            message->AddFileAttachment(file);
        message->SubmitMessage(skKeepInSentItems);
    }

    // Sends and answers the MAPI code of the error (S_OK when none), counting timer ticks.
    HRESULT sendCountingTicks(TRwMapiSessionV3 &session, int &ticks)
    {
        QTimer timer;
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, &timer, [&ticks] { ++ticks; });
        timer.start();
        try {
            send(session, QStringLiteral("a@example.com"), QStringLiteral("Subject"),
                QStringLiteral("Body"), { makePdf(QStringLiteral("A.pdf"), 2000) });
        } catch (const ERwMapiException &e) {
            return e.code();
        }
        return S_OK;
    }

    static QJsonObject parse(const QString &path) { return ParseMessage(path); }

    ScopedConfigHome m_home;
    TempDir m_files;
};

QStringList strings(const QJsonValue &array)
{
    QStringList list;
    for (const QJsonValue &v : array.toArray())
        list << v.toString();
    return list;
}

} // namespace

TEST_F(SubmissionTest, MessageArrivesOnceIntactAndIsFiledInSentItems)
{
    TempDir received;
    SmtpTestServer server(received.path(), QStringLiteral("accept"), 0.3);
    ASSERT_GT(server.port(), 0);
    writeProfile(smtp(server.url()));
    const QStringList pdfs { makePdf(QStringLiteral("SI4711.PDF"), 120000),
        makePdf(QStringLiteral("CN 12.pdf"), 50000),
        makePdf(QStringLiteral("Überweisung März.pdf"), 70001) };
    const QString subject = QStringLiteral("Your documents – März - Invoice * 2 - Credit Note * 1");
    const QString body = QStringLiteral("Dear customer,\r\nplease find attached.\r\n\r\nGrüße\r\n");

    TRwMapiSessionV3 session;
    session.UseOnlineStore = true; // the local store refuses MDB_ONLINE: the open is retried
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, &timer, [&ticks] { ++ticks; });
    timer.start();
    send(session, QStringLiteral("first@example.com; Second Person <second@example.org>;"), subject,
        body, pdfs);
    timer.stop();
    EXPECT_GT(ticks, 5) << "the event loop must run while the server takes its time";

    const QStringList stored = filesIn(received.path());
    ASSERT_EQ(stored.size(), 2)
        << stored.join(QLatin1Char(' ')).toStdString(); // one .eml, one .json
    QFile envelopeFile(received.file(QStringLiteral("msg-1.json")));
    ASSERT_TRUE(envelopeFile.open(QIODevice::ReadOnly));
    const QJsonObject envelope = QJsonDocument::fromJson(envelopeFile.readAll()).object();
    EXPECT_EQ(
        envelope.value(QStringLiteral("from")).toString(), QStringLiteral("ledger@example.com"));
    EXPECT_EQ(strings(envelope.value(QStringLiteral("to"))),
        (QStringList {
            QStringLiteral("first@example.com"), QStringLiteral("second@example.org") }));

    const QJsonObject message = parse(received.file(QStringLiteral("msg-1.eml")));
    EXPECT_EQ(message.value(QStringLiteral("subject")).toString(), subject);
    EXPECT_EQ(strings(message.value(QStringLiteral("to"))),
        (QStringList {
            QStringLiteral("first@example.com"), QStringLiteral("second@example.org") }));
    EXPECT_EQ(
        strings(message.value(QStringLiteral("names"))).value(1), QStringLiteral("Second Person"));
    EXPECT_EQ(message.value(QStringLiteral("body")).toString(), body);
    EXPECT_TRUE(message.value(QStringLiteral("priority")).toString().startsWith(QLatin1Char('1')));
    EXPECT_EQ(message.value(QStringLiteral("bare_lf")).toInt(), 0) << "every line ends with CR LF";
    const QJsonArray attachments = message.value(QStringLiteral("attachments")).toArray();
    ASSERT_EQ(attachments.size(), 3);
    for (qsizetype i = 0; i < 3; ++i) {
        const QJsonObject a = attachments[i].toObject();
        EXPECT_EQ(a.value(QStringLiteral("name")).toString(), QFileInfo(pdfs[i]).fileName());
        EXPECT_EQ(a.value(QStringLiteral("type")).toString(), QStringLiteral("application/pdf"));
        EXPECT_EQ(a.value(QStringLiteral("encoding")).toString(), QStringLiteral("base64"));
        EXPECT_EQ(a.value(QStringLiteral("sha256")).toString(), sha256(pdfs[i])) << i;
    }

    EXPECT_TRUE(outbox().isEmpty());
    ASSERT_EQ(sentItems().size(), 1);
    const QJsonObject copy = parse(sentItems().front());
    EXPECT_EQ(copy.value(QStringLiteral("subject")).toString(), subject);
    EXPECT_EQ(copy.value(QStringLiteral("attachments")).toArray().size(), 3);
}

TEST_F(SubmissionTest, RefusedRecipientFailsAndKeepsTheMessageInTheOutbox)
{
    TempDir received;
    SmtpTestServer server(received.path(), QStringLiteral("refuse-rcpt"), 0.3);
    ASSERT_GT(server.port(), 0);
    writeProfile(smtp(server.url()));
    TRwMapiSessionV3 session;
    int ticks = 0;
    EXPECT_EQ(sendCountingTicks(session, ticks), MAPI_E_NO_RECIPIENTS);
    EXPECT_GT(ticks, 5);
    EXPECT_EQ(outbox().size(), 1);
    EXPECT_TRUE(sentItems().isEmpty());
    EXPECT_TRUE(filesIn(received.path()).isEmpty());
    EXPECT_TRUE(session.Active()) << "the session stays logged on";
}

TEST_F(SubmissionTest, RefusedPasswordFailsAndTheRightOneIsAccepted)
{
    TempDir received;
    SmtpTestServer server(received.path(), QStringLiteral("auth"));
    ASSERT_GT(server.port(), 0);
    writeProfile(smtp(server.url(), QStringLiteral("user"), QStringLiteral("wrong")));
    {
        TRwMapiSessionV3 session;
        int ticks = 0;
        EXPECT_EQ(sendCountingTicks(session, ticks), MAPI_E_LOGON_FAILED);
        EXPECT_EQ(outbox().size(), 1);
        EXPECT_TRUE(sentItems().isEmpty());
    }
    TRwMapiSessionV3().UnloadMapi();
    writeProfile(smtp(server.url(), QStringLiteral("user"), QStringLiteral("right")));
    TRwMapiSessionV3 session;
    int ticks = 0;
    EXPECT_EQ(sendCountingTicks(session, ticks), S_OK);
    EXPECT_EQ(sentItems().size(), 1);
    EXPECT_EQ(outbox().size(), 1) << "the earlier failed message is left where it was";
}

TEST_F(SubmissionTest, SilentServerTimesOutWhileTheWindowStaysLive)
{
    TempDir received;
    SmtpTestServer server(received.path(), QStringLiteral("silent"));
    ASSERT_GT(server.port(), 0);
    Transport t = smtp(server.url());
    t.timeout = 1;
    writeProfile(t);
    TRwMapiSessionV3 session;
    int ticks = 0;
    EXPECT_EQ(sendCountingTicks(session, ticks), MAPI_E_TIMEOUT);
    EXPECT_GT(ticks, 20);
    EXPECT_EQ(outbox().size(), 1);
}

TEST_F(SubmissionTest, RefusedDataFails)
{
    TempDir received;
    SmtpTestServer server(received.path(), QStringLiteral("refuse-data"));
    ASSERT_GT(server.port(), 0);
    writeProfile(smtp(server.url()));
    TRwMapiSessionV3 session;
    int ticks = 0;
    EXPECT_EQ(sendCountingTicks(session, ticks), E_FAIL);
    EXPECT_EQ(outbox().size(), 1);
    EXPECT_TRUE(sentItems().isEmpty());
}

TEST_F(SubmissionTest, NoServerIsANetworkError)
{
    TempDir received;
    int port = 0;
    {
        SmtpTestServer gone(received.path(), QStringLiteral("accept"));
        port = gone.port();
    }
    writeProfile(smtp(QStringLiteral("smtp://127.0.0.1:%1").arg(port)));
    TRwMapiSessionV3 session;
    int ticks = 0;
    EXPECT_EQ(sendCountingTicks(session, ticks), MAPI_E_NETWORK_ERROR);
    EXPECT_EQ(outbox().size(), 1);
}

TEST_F(SubmissionTest, NamesResolveThroughContactsOnly)
{
    writeProfile({});
    TRwMapiSessionV3 session;
    session.setActive(true);
    IRwMapiRecipientTable list = session.GetAddressBook(false)->CreateRecipientTable();
    list->AddRecipients(QStringLiteral("accounts; x@example.com"), MAPI_TO, false);
    EXPECT_EQ(session.ResolveNames(list, true, true, QString()), S_OK);
    EXPECT_EQ(
        list->Rows()[0].Get(PR_EMAIL_ADDRESS).toString(), QStringLiteral("accounts@example.com"));
    EXPECT_EQ(list->Rows()[0].Get(PR_DISPLAY_NAME).toString(), QStringLiteral("Accounts"));
    EXPECT_EQ(list->Rows()[1].Get(PR_EMAIL_ADDRESS).toString(), QStringLiteral("x@example.com"));
    EXPECT_TRUE(list->Rows()[1].Get(PR_ENTRYID).isValid());

    auto resolve = [&](const QString &text, bool raise) {
        IRwMapiRecipientTable l = session.GetAddressBook(true)->CreateRecipientTable();
        l->AddRecipients(text, MAPI_TO, false);
        return session.ResolveNames(l, true, raise, QString());
    };
    EXPECT_EQ(resolve(QStringLiteral("Nobody Known"), false), MAPI_E_NOT_FOUND);
    EXPECT_EQ(resolve(QStringLiteral("Sales"), false), MAPI_E_AMBIGUOUS_RECIP);
    try {
        resolve(QStringLiteral("Nobody Known"), true);
        FAIL();
    } catch (const ERwMapiException &e) {
        EXPECT_EQ(e.message(),
            QStringLiteral("TRwMapiSessionImpl.ResolveNames has raised the "
                           "following exception:\r\nThe requested object does "
                           "not exist. (-2147221233)"));
    }
}

TEST_F(SubmissionTest, BlankAddressFailsAtSubmitWithNoRecipients)
{
    writeProfile({});
    TRwMapiSessionV3 session;
    try {
        send(session, QStringLiteral("   "), QStringLiteral("S"), QStringLiteral("B"), {});
        FAIL();
    } catch (const ERwMapiException &e) {
        EXPECT_EQ(e.code(), MAPI_E_NO_RECIPIENTS);
    }
    EXPECT_TRUE(filesIn(dropFolder()).isEmpty());
}

TEST_F(SubmissionTest, RtfBodyIsRefusedAsPlainText)
{
    writeProfile({});
    TRwMapiSessionV3 session;
    session.setActive(true);
    IRwMapiMessage message
        = session.GetDefaultMsgStore(1)->OpenFolderByType(4, 1, 0)->CreateMessage(
            QStringLiteral("IPM.Note"));
    EXPECT_THROW(message->SetBody(QStringLiteral("  \r\n {\\RTF1\\ansi hello}"), mfPlainText),
        ERwMapiException);
    EXPECT_NO_THROW(message->SetBody(QStringLiteral("plain {\\rtf inside"), mfPlainText));
    EXPECT_NO_THROW(message->SetBody(QString(), mfPlainText));
}

TEST_F(SubmissionTest, DropFolderTakesTheMessageWithItsEnvelope)
{
    writeProfile({});
    TRwMapiSessionV3 session;
    send(session, QStringLiteral("Accounts"), QStringLiteral("Drop"), QStringLiteral("Body"),
        { makePdf(QStringLiteral("SI1.PDF"), 3000) });
    const QStringList dropped = filesIn(dropFolder());
    ASSERT_EQ(dropped.size(), 1);
    QFile file(dropped.front());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("X-Envelope-From: <ledger@example.com>\r\n"
                                          "X-Envelope-To: <accounts@example.com>\r\n"));
    EXPECT_EQ(sentItems().size(), 1);
    EXPECT_TRUE(outbox().isEmpty());
}

TEST_F(SubmissionTest, SimpleMapiSendsTheAssembledMessage)
{
    writeProfile({});
    TRwMapiSessionV3 session;
    session.LogonInfo.UseExtendedMapi = false;
    session.LogonInfo.ProfileName = QStringLiteral("Office"); // Simple MAPI has no default switch
    const QString pdf = makePdf(QStringLiteral("SI2.PDF"), 5000);
    send(session, QStringLiteral("Accounts <accounts@example.com>"), QStringLiteral("Simple"),
        QStringLiteral("Body"), { pdf });
    EXPECT_EQ(RwMapiState::instance().mode, TRwMapiMode::Simple);
    const QStringList dropped = filesIn(dropFolder());
    ASSERT_EQ(dropped.size(), 1);
    const QJsonObject message = parse(sentItems().value(0));
    EXPECT_EQ(message.value(QStringLiteral("subject")).toString(), QStringLiteral("Simple"));
    EXPECT_EQ(message.value(QStringLiteral("attachments"))
                  .toArray()
                  .first()
                  .toObject()
                  .value(QStringLiteral("sha256"))
                  .toString(),
        sha256(pdf));
}

TEST_F(SubmissionTest, ObjectsAreUnusableAfterLogoff)
{
    writeProfile({});
    TRwMapiSessionV3 session;
    session.setActive(true);
    IRwMapiMsgStore store = session.GetDefaultMsgStore(1);
    session.setActive(false);
    try {
        store->OpenFolderByType(4, 1, 0);
        FAIL();
    } catch (const ERwMapiException &e) {
        EXPECT_EQ(e.code(), MAPI_E_INVALID_OBJECT);
    }
}

namespace {

// An address book that only takes 8-bit texts, to see the resolve retried without Unicode.
class EightBitAddressBook final : public PropObject<IAddrBook>
{
public:
    std::vector<ULONG> flagsSeen;
    HRESULT ResolveName(ULONG_PTR, ULONG flags, const char *, ADRLIST *) override
    {
        flagsSeen.push_back(flags);
        return (flags & MAPI_UNICODE) ? MAPI_E_BAD_CHARWIDTH : S_OK;
    }
};

} // namespace

TEST_F(SubmissionTest, ResolveIsRetriedWithoutUnicodeWhenRefused)
{
    writeProfile({});
    TRwMapiSessionV3 session;
    session.LogonInfo.UseUniCode = true;
    session.setActive(true);
    auto *fake = new EightBitAddressBook;
    fake->AddRef(); // kept for inspection
    auto book = std::make_shared<TRwMapiAddressBook>(&session.Impl(), fake);
    IRwMapiRecipientTable list = book->CreateRecipientTable();
    list->AddRecipients(QStringLiteral("x@example.com"), MAPI_TO, false);
    EXPECT_EQ(session.ResolveNames(list, false, true, QString()), S_OK);
    ASSERT_EQ(fake->flagsSeen.size(), 2u);
    EXPECT_EQ(fake->flagsSeen[0], MAPI_DIALOG | MAPI_UNICODE);
    EXPECT_EQ(fake->flagsSeen[1], MAPI_DIALOG);
    book.reset();
    list.reset();
    fake->Release();
}

TEST_F(SubmissionTest, RecipientRowsTheStoreRefusesAreRetriedWithTheNamedColumns)
{
    writeProfile({});
    TRwMapiSessionV3 session;
    session.setActive(true);
    IRwMapiRecipientTable list = session.GetAddressBook(false)->CreateRecipientTable();
    list->AddRecipients(QStringLiteral("Accounts"), MAPI_TO, false);
    session.ResolveNames(list, false, true, QString());
    // A column this store does not keep (an error value) makes it refuse the whole row.
    list->Rows()[0].Props.emplace_back(ChangePropType(0x39FE0000u, PT_ERROR), QVariant());
    IRwMapiMessage message
        = session.GetDefaultMsgStore(1)->OpenFolderByType(4, 1, 0)->CreateMessage(
            QStringLiteral("IPM.Note"));
    EXPECT_NO_THROW(message->ModifyRecipients(0, list));
    message->SetPropText(PR_SUBJECT, QStringLiteral("Retried"));
    message->SubmitMessage(skDeleteAfterSubmit);
    const QStringList dropped = filesIn(dropFolder());
    ASSERT_EQ(dropped.size(), 1);
    QFile file(dropped.front());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("X-Envelope-To: <accounts@example.com>"));
    EXPECT_TRUE(sentItems().isEmpty()) << "delete after submit keeps no copy";
    EXPECT_TRUE(outbox().isEmpty());
}

TEST_F(SubmissionTest, AttachmentsAreNamedFromTheirFile)
{
    writeProfile({});
    TRwMapiSessionV3 session;
    session.setActive(true);
    IRwMapiMessage message
        = session.GetDefaultMsgStore(1)->OpenFolderByType(4, 1, 0)->CreateMessage(
            QStringLiteral("IPM.Note"));
    const QString path = makePdf(QStringLiteral("Invoice 4711.pdf"), 3000);
    IRwMapiAttachment attachment = message->AddFileAttachment(path);
    auto prop = [&](ULONG tag) {
        return TRwMapiPropItem(attachment->Attach("test"), tag).Value().value_or(QVariant());
    };
    EXPECT_EQ(prop(PR_ATTACH_METHOD).toInt(), int(ATTACH_BY_VALUE));
    EXPECT_EQ(prop(PR_DISPLAY_NAME).toString(), QStringLiteral("Invoice 4711"));
    EXPECT_EQ(prop(PR_ATTACH_LONG_FILENAME).toString(), QStringLiteral("Invoice 4711.pdf"));
    EXPECT_EQ(prop(PR_ATTACH_FILENAME).toString(), QStringLiteral("INVOIC~1.PDF"));
    EXPECT_EQ(prop(PR_ATTACH_EXTENSION).toString(), QStringLiteral(".pdf"));
    EXPECT_EQ(prop(PR_ATTACH_LONG_PATHNAME).toString(), QFileInfo(path).absoluteFilePath());
    EXPECT_TRUE(prop(PR_ATTACH_PATHNAME).toString().endsWith(QStringLiteral("/INVOIC~1.PDF")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(prop(PR_ATTACH_DATA_BIN).toByteArray(), file.readAll());
    EXPECT_THROW(
        message->AddFileAttachment(m_files.file(QStringLiteral("missing.pdf"))), ERwMapiException);
}

TEST_F(SubmissionTest, RequiredStartTlsThatIsNotOfferedFails)
{
    TempDir received;
    SmtpTestServer server(received.path(), QStringLiteral("accept"));
    ASSERT_GT(server.port(), 0);
    Transport t = smtp(server.url());
    t.starttls = QStringLiteral("required");
    writeProfile(t);
    TRwMapiSessionV3 session;
    int ticks = 0;
    EXPECT_EQ(sendCountingTicks(session, ticks), MAPI_E_NETWORK_ERROR);
    EXPECT_EQ(outbox().size(), 1);
    EXPECT_TRUE(filesIn(received.path()).isEmpty()) << "nothing may leave unencrypted";
}
