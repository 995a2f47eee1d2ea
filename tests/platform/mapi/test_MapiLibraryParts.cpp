// The parts behind the mail library's entry points: MIME composition, property values,
// buffer chains, profiles, name resolution and the Maildir store.

#include "platform/mapi/MailObjects.h"
#include "platform/mapi/MapiMemory.h"
#include "platform/mapi/MimeComposer.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

OutgoingMessage sample()
{
    OutgoingMessage m;
    m.senderName = QStringLiteral("Sales Ledger");
    m.senderAddress = QStringLiteral("ledger@example.com");
    m.recipients = { { MAPI_TO, QStringLiteral("Jörg Müller"), QStringLiteral("jm@example.com") },
        { MAPI_CC, QStringLiteral("cc@example.com"), QStringLiteral("cc@example.com") },
        { MAPI_BCC, QStringLiteral("Hidden"), QStringLiteral("hidden@example.com") } };
    m.subject = QStringLiteral("Rechnung März – Invoice * 2");
    m.priority = 1;
    m.body = QStringLiteral("Line one\r\nLine two\nÄ\r\n");
    m.attachments
        = { { QStringLiteral("Überweisung 1.pdf"), QByteArray("%PDF-1.4\n\x00\x01\xff", 12) } };
    m.messageId = QStringLiteral("id@example.com");
    return m;
}

} // namespace

TEST(MimeComposerTest, HeadersAreEncodedAndBccIsLeftOut)
{
    const QByteArray mime = ComposeMime(sample());
    const QByteArray headers = mime.left(mime.indexOf("\r\n\r\n"));
    EXPECT_FALSE(headers.contains("März")) << "non-ASCII subject must be an encoded word";
    EXPECT_TRUE(headers.contains("Subject: Rechnung =?UTF-8?B?"));
    EXPECT_FALSE(mime.contains("hidden@example.com"));
    EXPECT_FALSE(headers.contains("Bcc"));
    EXPECT_TRUE(headers.contains("jm@example.com"));
    EXPECT_TRUE(headers.contains("Cc: cc@example.com"));
    EXPECT_TRUE(headers.contains("X-Priority: 1"));
    EXPECT_TRUE(headers.contains("Message-Id: <id@example.com>")
        || headers.contains("Message-ID: <id@example.com>"));
}

TEST(MimeComposerTest, AttachmentsAreBase64WithRfc2231NamesAndEveryLineEndsWithCrLf)
{
    const QByteArray mime = ComposeMime(sample());
    EXPECT_TRUE(mime.contains("Content-Type: application/pdf"));
    EXPECT_TRUE(mime.contains("Content-Transfer-Encoding: base64"));
    // RFC 2231: charset, empty language, percent-encoded octets.
    EXPECT_TRUE(mime.contains("filename*=iso-8859-1''%DCberweisung%201.pdf")) << mime.constData();
    EXPECT_TRUE(mime.contains(QByteArray("%PDF-1.4\n\x00\x01\xff", 12).toBase64()));
    EXPECT_TRUE(mime.contains("charset=utf-8"));
    qsizetype bare = 0;
    for (qsizetype i = 0; i < mime.size(); ++i)
        if (mime[i] == '\n' && (i == 0 || mime[i - 1] != '\r'))
            ++bare;
    EXPECT_EQ(bare, 0);
}

TEST(MimeComposerTest, MessageWithoutAttachmentsIsASinglePlainPart)
{
    OutgoingMessage m = sample();
    m.attachments.clear();
    const QByteArray mime = ComposeMime(m);
    EXPECT_FALSE(mime.contains("multipart"));
    EXPECT_TRUE(mime.contains("Content-Type: text/plain"));
}

TEST(MapiMemoryTest, ChainedBlocksGoWithTheirRootOnly)
{
    void *root = nullptr;
    ASSERT_EQ(mapimem::allocateBuffer(16, &root), S_OK);
    char *text = mapimem::copyUtf8(QStringLiteral("héllo"), root);
    ASSERT_TRUE(text);
    EXPECT_STREQ(text, "héllo");
    EXPECT_NE(mapimem::freeBuffer(text), ULONG(S_OK)) << "a chained block is not freed alone";
    void *orphan = nullptr;
    EXPECT_EQ(mapimem::allocateMore(8, text, &orphan), E_INVALIDARG);
    EXPECT_EQ(mapimem::freeBuffer(root), ULONG(S_OK));
    EXPECT_EQ(mapimem::freeBuffer(nullptr), ULONG(S_OK));
}

TEST(PropertyBagTest, TextsAnswerInBothWidthsAndOtherTypesMismatch)
{
    PropertyBag bag;
    bag.setText(PR_SUBJECT_W, QStringLiteral("Grüße"));
    bag.setLong(PR_PRIORITY, 1);
    const ULONG tags[]
        = { PR_SUBJECT, PR_SUBJECT_W, ChangePropType(PR_PRIORITY, PT_STRING8), PR_BODY };
    const SPropTagArray wanted { 4, tags };
    ULONG count = 0;
    SPropValue *props = nullptr;
    EXPECT_EQ(bag.get(&wanted, 0, &count, &props), MAPI_W_ERRORS_RETURNED);
    ASSERT_EQ(count, 4u);
    EXPECT_EQ(QString::fromUtf8(props[0].Value.lpszA), QStringLiteral("Grüße"));
    EXPECT_EQ(QString::fromUtf16(props[1].Value.lpszW), QStringLiteral("Grüße"));
    EXPECT_EQ(PropType(props[2].ulPropTag), PT_ERROR);
    EXPECT_EQ(props[3].Value.err, MAPI_E_NOT_FOUND);
    mapimem::freeBuffer(props);
}

TEST(ProfilesTest, IncompleteOrDamagedProfilesAreRefused)
{
    QString error;
    EXPECT_TRUE(ProfileList::fromJson("{ not json", &error).profiles().isEmpty());
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    ProfileList::fromJson(R"({"profiles": [{"name": "A", "store": "/s"}]})", &error);
    EXPECT_FALSE(error.isEmpty()) << "a profile needs a sender address";
    error.clear();
    ProfileList::fromJson(R"({"profiles": [{"name": "A", "store": "/s", "senderAddress": "a@b.com",
                              "transport": {"kind": "smtp"}}]})",
        &error);
    EXPECT_FALSE(error.isEmpty()) << "SMTP needs a url";
    error.clear();
    const ProfileList list = ProfileList::fromJson(
        R"({"profiles": [
            {"name": "A", "store": "/s", "senderAddress": "a@b.com", "transport": {"kind": "drop", "folder": "/d"}},
            {"name": "B", "default": true, "store": "/s", "senderAddress": "b@b.com",
             "transport": {"kind": "smtp", "url": "smtps://mail.example.com:465", "starttls": "required", "timeout": 7}}]})",
        &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(list.profiles().size(), 2);
    EXPECT_EQ(list.defaultProfile()->name, QStringLiteral("B"));
    EXPECT_EQ(list.find(QStringLiteral(" a "))->senderAddress, QStringLiteral("a@b.com"));
    EXPECT_EQ(list.find(QStringLiteral("b"))->transport.tls, TransportSettings::Tls::Required);
    EXPECT_EQ(list.find(QStringLiteral("b"))->transport.timeoutSeconds, 7);
}

TEST(ResolveRecipientTest, AddressesStandForThemselvesNamesNeedOneContact)
{
    Profile profile;
    profile.contacts = { { QStringLiteral("Accounts"), QStringLiteral("acc@example.com") },
        { QStringLiteral("Sales"), QStringLiteral("s1@example.com") },
        { QStringLiteral("SALES"), QStringLiteral("s2@example.com") } };
    QString name = QStringLiteral("Someone");
    QString address = QStringLiteral("x@example.com");
    EXPECT_EQ(ResolveRecipient(profile, QStringLiteral("SMTP"), name, address), S_OK);
    EXPECT_EQ(address, QStringLiteral("x@example.com"));
    name = QStringLiteral(" accounts ");
    address.clear();
    EXPECT_EQ(ResolveRecipient(profile, QStringLiteral("SMTP"), name, address), S_OK);
    EXPECT_EQ(address, QStringLiteral("acc@example.com"));
    name = QStringLiteral("Sales");
    address.clear();
    EXPECT_EQ(
        ResolveRecipient(profile, QStringLiteral("SMTP"), name, address), MAPI_E_AMBIGUOUS_RECIP);
    name = QStringLiteral("Nobody");
    EXPECT_EQ(ResolveRecipient(profile, QStringLiteral("SMTP"), name, address), MAPI_E_NOT_FOUND);
    name.clear();
    EXPECT_EQ(ResolveRecipient(profile, QString(), name, address), MAPI_E_NOT_FOUND);
}

TEST(MaildirTest, DeliverThenFileMovesTheMessageWhole)
{
    TempDir dir;
    const QString queued = maildir::deliver(dir.path(), maildir::kOutbox, "message bytes");
    ASSERT_FALSE(queued.isEmpty());
    EXPECT_TRUE(queued.contains(QStringLiteral("/Outbox/new/")));
    EXPECT_TRUE(QDir(dir.file(QStringLiteral("Outbox/tmp"))).isEmpty());
    const QString filed = maildir::file(queued, dir.path(), maildir::kSentItems);
    ASSERT_FALSE(filed.isEmpty());
    EXPECT_TRUE(filed.endsWith(QStringLiteral(":2,S")));
    EXPECT_FALSE(QFile::exists(queued));
    QFile file(filed);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("message bytes"));
    EXPECT_EQ(
        maildir::folderOfEntryId(maildir::folderEntryId(maildir::kSentItems)), maildir::kSentItems);
    EXPECT_TRUE(maildir::folderOfEntryId("garbage").isEmpty());
}

TEST(MaildirTest, UnwritableStoreIsReported)
{
    TempDir dir;
    QFile blocker(dir.file(QStringLiteral("store")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    EXPECT_TRUE(
        maildir::deliver(dir.file(QStringLiteral("store")), maildir::kOutbox, "x").isEmpty());
}
