// The e-mail run through the real mail library to a loopback SMTP server: grouping by account,
// subjects, attachments and their copies, and the failures a run meets.

#include "MailRunEnv.h"

#include "dispatch/MailDispatch.h"
#include "mail/RwMapiSession.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDir.h"
#include "util/Errors.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

class RecordingProgress final : public DispatchProgress
{
public:
    void setCaption(const QString &caption) override { captions << caption; }
    QStringList captions;
};

QByteArray RandomPdf(int size)
{
    QByteArray bytes("%PDF-1.4\n");
    while (bytes.size() < size)
        bytes.append(char(QRandomGenerator::global()->bounded(256)));
    bytes.truncate(size);
    return bytes;
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString Sha256(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QStringList Names(const QJsonObject &message)
{
    QStringList names;
    for (const QJsonValue &a : message[u"attachments"].toArray())
        names << a[u"name"].toString();
    return names;
}

class MailRunTest : public ::testing::Test
{
protected:
    void TearDown() override { m_session.UnloadMapi(); }

    // A tagged document of an account whose stored PDF (memo I<id>.PDF) is written unless
    // size is negative.
    MailDocument document(const QString &account, const QString &email, const QString &type,
        const QString &reference, qint64 id, int size = 3000)
    {
        MailDocument d;
        d.tagged = true;
        d.account = account.leftJustified(8);
        d.email = email.leftJustified(60);
        d.type = type;
        d.pdfFile = QStringLiteral("I%1.PDF").arg(id, 7, 10, QChar(u'0')).leftJustified(24);
        d.pdfPath = m_pdf.file(d.pdfFile.trimmed());
        d.copyPath = m_pdf.file(QString(reference).remove(u'/') + QStringLiteral(".PDF"));
        d.id = id;
        if (size >= 0) {
            QFile file(d.pdfPath);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(RandomPdf(size));
        }
        return d;
    }

    QSet<qint64> run(const QList<MailDocument> &rows, const MailText &text = Text())
    {
        QSet<qint64> delivered;
        SendTaggedDocuments(rows, text, m_mailer, m_progress, delivered);
        return delivered;
    }
    static MailText Text()
    {
        return { QStringLiteral("Your documents"), QStringLiteral("Dear customer,\r\nattached.") };
    }

    LoopbackMailUser m_user;
    TempDir m_pdf;
    ScopedMessages m_messages;
    RecordingProgress m_progress;
    TRwMapiSessionV3 m_session;
    DocumentMailer m_mailer { m_session, QStringLiteral("Velloran") };
};

TEST_F(MailRunTest, OneMessagePerAccountWithItsPdfsInListOrder)
{
    ASSERT_TRUE(m_user.serverUp());
    MailDocument untagged = document(QStringLiteral("ABB001"), QStringLiteral("a@abbey.example"),
        QStringLiteral("I"), QStringLiteral("SI/0003"), 3);
    untagged.tagged = false;
    const QList<MailDocument> rows {
        document(QStringLiteral("ABB001"), QStringLiteral("a@abbey.example"), QStringLiteral("I"),
            QStringLiteral("SI/0001"), 1, 120000),
        untagged, // does not split the account's message
        document(QStringLiteral("ABB001"), QStringLiteral("a@abbey.example"), QStringLiteral("C"),
            QStringLiteral("SC/0002"), 2, 8192),
        document(QStringLiteral("ABB001"), QStringLiteral("a@abbey.example"), QStringLiteral("I"),
            QStringLiteral("SI/0004"), 4, 8193),
        document(QStringLiteral("BRO002"), QStringLiteral("b@brook.example; c@brook.example"),
            QStringLiteral("I"), QStringLiteral("SI/0005"), 5),
    };

    EXPECT_EQ(run(rows), (QSet<qint64> { 1, 2, 4, 5 }));

    const QStringList received = m_user.received();
    ASSERT_EQ(received.size(), 2);
    const QJsonObject abbey = LoopbackMailUser::parse(received[0]);
    EXPECT_EQ(abbey[u"subject"].toString(),
        QStringLiteral("Your documents - Invoice * 2 - Credit Note * 1"));
    EXPECT_EQ(Names(abbey),
        (QStringList { QStringLiteral("SI0001.PDF"), QStringLiteral("SC0002.PDF"),
            QStringLiteral("SI0004.PDF") }));
    const QList<int> order { 0, 2, 3 };
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(abbey[u"attachments"][i][u"sha256"].toString(),
            Sha256(ReadAll(rows[order[i]].pdfPath)));
    EXPECT_EQ(LoopbackMailUser::envelopeTo(received[0]),
        QStringList { QStringLiteral("a@abbey.example") });

    // Two addresses in one field: one message to both.
    EXPECT_EQ(LoopbackMailUser::parse(received[1])[u"subject"].toString(),
        QStringLiteral("Your documents - Invoice * 1"));
    EXPECT_EQ(LoopbackMailUser::envelopeTo(received[1]),
        (QStringList { QStringLiteral("b@brook.example"), QStringLiteral("c@brook.example") }));
    EXPECT_EQ(m_user.sentItems().size(), 2);

    // The copies went with the messages; the stored PDFs stay.
    for (const MailDocument &row : rows) {
        EXPECT_FALSE(QFileInfo::exists(row.copyPath)) << qPrintable(row.copyPath);
        EXPECT_TRUE(QFileInfo::exists(row.pdfPath)) << qPrintable(row.pdfPath);
    }
    EXPECT_TRUE(m_messages->entries.isEmpty()) << qPrintable(m_messages->texts().join(u'|'));

    const QStringList expected { QStringLiteral("Reading Account : [ABB001  ]"),
        QStringLiteral("Reading Account : [ABB001]  PDF [I0000001.PDF]"),
        QStringLiteral("Reading Account : [ABB001]  PDF [I0000002.PDF]"),
        QStringLiteral("Reading Account : [ABB001]  PDF [I0000004.PDF]"),
        QStringLiteral("Initialising Outlook Session"),
        QStringLiteral("Sending to Account : [ABB001]"),
        QStringLiteral("Reading Account : [BRO002  ]"),
        QStringLiteral("Reading Account : [BRO002]  PDF [I0000005.PDF]"),
        QStringLiteral("Sending to Account : [BRO002]") };
    EXPECT_EQ(m_progress.captions, expected);
}

TEST_F(MailRunTest, MissingPdfIsReportedAndTheAccountsMessageGoesWithoutIt)
{
    ASSERT_TRUE(m_user.serverUp());
    const QList<MailDocument> rows {
        document(QStringLiteral("ABB001"), QStringLiteral("a@abbey.example"), QStringLiteral("I"),
            QStringLiteral("SI/0001"), 1, -1),
        document(QStringLiteral("ABB001"), QStringLiteral("a@abbey.example"), QStringLiteral("C"),
            QStringLiteral("SC/0002"), 2),
        document(QStringLiteral("CAR003"), QStringLiteral("c@carr.example"), QStringLiteral("I"),
            QStringLiteral("SI/0003"), 3, -1),
    };

    // Only a document whose PDF went out counts as sent.
    EXPECT_EQ(run(rows), QSet<qint64> { 2 });

    EXPECT_EQ(m_messages->texts(),
        (QStringList { rows[0].pdfPath + QStringLiteral("Not Found"),
            rows[2].pdfPath + QStringLiteral("Not Found") }));
    const QStringList received = m_user.received();
    ASSERT_EQ(received.size(), 2);
    const QJsonObject abbey = LoopbackMailUser::parse(received[0]);
    EXPECT_EQ(abbey[u"subject"].toString(), QStringLiteral("Your documents - Credit Note * 1"));
    EXPECT_EQ(Names(abbey), QStringList { QStringLiteral("SC0002.PDF") });
    const QJsonObject carr = LoopbackMailUser::parse(received[1]);
    EXPECT_EQ(carr[u"subject"].toString(), QStringLiteral("Your documents"));
    EXPECT_TRUE(carr[u"attachments"].toArray().isEmpty());
}

TEST_F(MailRunTest, FailedMessagesKeepTheirCopiesAndTheRunGoesOn)
{
    ASSERT_TRUE(m_user.serverUp());
    QList<MailDocument> rows {
        document(
            QStringLiteral("ABB001"), QString(), QStringLiteral("I"), QStringLiteral("SI/1"), 1),
        document(QStringLiteral("BRO002"), QStringLiteral("ap@refused.invalid"),
            QStringLiteral("I"), QStringLiteral("SI/2"), 2),
        document(QStringLiteral("CAR003"), QStringLiteral("c@carr.example"), QStringLiteral("I"),
            QStringLiteral("SI/3"), 3),
    };

    EXPECT_EQ(run(rows), QSet<qint64> { 3 });
    // The refused recipient's warning carries the server's reason under its first line.
    const QStringList texts = m_messages->texts();
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0], QStringLiteral("Mail Submit Failure to ") + rows[0].email);
    EXPECT_EQ(
        texts[1].section(u'\n', 0, 0), QStringLiteral("Mail Submit Failure to ") + rows[1].email);
    EXPECT_TRUE(
        texts[1].section(u'\n', 1).contains(QStringLiteral("550 5.1.1 mailbox unavailable")))
        << texts[1].toStdString();
    EXPECT_EQ(m_messages->entries[0].kind, MessageService::Kind::Warning);
    EXPECT_EQ(m_user.received().size(), 1);
    ASSERT_TRUE(QFileInfo::exists(rows[0].copyPath));
    ASSERT_TRUE(QFileInfo::exists(rows[1].copyPath));
    EXPECT_FALSE(QFileInfo::exists(rows[2].copyPath));

    // The next run, with the addresses mended, sends the copies the failed run left, and then
    // removes them.
    rows[0].email = QStringLiteral("a@abbey.example");
    rows[1].email = QStringLiteral("b@brook.example");
    rows[2].tagged = false;
    m_progress.captions.clear();
    EXPECT_EQ(run(rows), (QSet<qint64> { 1, 2 }));
    EXPECT_EQ(m_user.received().size(), 3);
    const QJsonObject resent = LoopbackMailUser::parse(m_user.received()[2]);
    EXPECT_EQ(Names(resent), QStringList { QStringLiteral("SI2.PDF") });
    EXPECT_EQ(resent[u"attachments"][0][u"sha256"].toString(), Sha256(ReadAll(rows[1].pdfPath)));
    EXPECT_FALSE(QFileInfo::exists(rows[0].copyPath));
    EXPECT_FALSE(QFileInfo::exists(rows[1].copyPath));
    // Still logged on from the first run: no second logon.
    EXPECT_FALSE(m_progress.captions.contains(QStringLiteral("Initialising Outlook Session")));
}

TEST_F(MailRunTest, BlankSubjectOrBodyEndsTheRunBeforeAnythingIsReadOrSent)
{
    const QList<MailDocument> rows { document(QStringLiteral("ABB001"),
        QStringLiteral("a@abbey.example"), QStringLiteral("I"), QStringLiteral("SI/1"), 1) };
    QSet<qint64> delivered;
    try {
        SendTaggedDocuments(rows, { QStringLiteral("  "), QStringLiteral("Body") }, m_mailer,
            m_progress, delivered);
        FAIL() << "a blank subject must abort the run";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.isAbort());
        EXPECT_EQ(e.message(), QStringLiteral("Operation aborted"));
    }
    try {
        SendTaggedDocuments(rows, { QStringLiteral("Subject"), QStringLiteral(" \r\n ") }, m_mailer,
            m_progress, delivered);
        FAIL() << "a blank body must abort the run";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.isAbort());
    }
    EXPECT_EQ(m_messages->texts(),
        (QStringList { QStringLiteral("Subject must be entered"),
            QStringLiteral("Mail Body text must be entered") }));
    EXPECT_FALSE(m_session.Active());
    EXPECT_TRUE(m_progress.captions.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(rows[0].copyPath));
    EXPECT_TRUE(m_user.received().isEmpty());
    EXPECT_TRUE(delivered.isEmpty());
}

TEST_F(MailRunTest, FilesUnderTheReferenceNameThatAreNotCopiesAreNeverOverwrittenOrRemoved)
{
    ASSERT_TRUE(m_user.serverUp());
    // The stored PDF already bears its reference-based name.
    MailDocument sameFile = document(QStringLiteral("ABB001"), QStringLiteral("a@abbey.example"),
        QStringLiteral("I"), QStringLiteral("I0000001"), 1);
    // Another document's stored PDF holds this document's reference-based name.
    MailDocument taken = document(QStringLiteral("ABB001"), QStringLiteral("a@abbey.example"),
        QStringLiteral("I"), QStringLiteral("I0000001"), 2);
    const QByteArray storedBytes = ReadAll(sameFile.pdfPath);

    EXPECT_EQ(run({ sameFile, taken }), (QSet<qint64> { 1, 2 }));

    ASSERT_EQ(m_user.received().size(), 1);
    const QJsonObject message = LoopbackMailUser::parse(m_user.received()[0]);
    EXPECT_EQ(Names(message),
        (QStringList { QStringLiteral("I0000001.PDF"), QStringLiteral("I0000002.PDF") }));
    EXPECT_EQ(message[u"attachments"][0][u"sha256"].toString(), Sha256(storedBytes));
    EXPECT_EQ(message[u"attachments"][1][u"sha256"].toString(), Sha256(ReadAll(taken.pdfPath)));
    EXPECT_EQ(ReadAll(sameFile.pdfPath), storedBytes);
    EXPECT_TRUE(QFileInfo::exists(taken.pdfPath));
}

TEST_F(MailRunTest, CopyThatCannotBeMadeEndsTheRunAndKeepsWhatWasSent)
{
    ASSERT_TRUE(m_user.serverUp());
    MailDocument second = document(QStringLiteral("BRO002"), QStringLiteral("b@brook.example"),
        QStringLiteral("I"), QStringLiteral("SI/2"), 2);
    second.copyPath = m_pdf.file(QStringLiteral("no-such-folder/SI2.PDF"));
    const QList<MailDocument> rows { document(QStringLiteral("ABB001"),
                                         QStringLiteral("a@abbey.example"), QStringLiteral("I"),
                                         QStringLiteral("SI/1"), 1),
        second };

    QSet<qint64> delivered;
    try {
        SendTaggedDocuments(rows, Text(), m_mailer, m_progress, delivered);
        FAIL() << "the run must end";
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot create file ") + second.copyPath);
    }
    EXPECT_EQ(delivered, QSet<qint64> { 1 });
    EXPECT_EQ(m_user.received().size(), 1);
}

TEST_F(MailRunTest, FailedLogonEndsTheRun)
{
    // No mail profile at all.
    QFile::remove(m_user.configHome() + QStringLiteral("/velloran/mail-profiles.json"));
    const QList<MailDocument> rows { document(QStringLiteral("ABB001"),
        QStringLiteral("a@abbey.example"), QStringLiteral("I"), QStringLiteral("SI/1"), 1) };
    QSet<qint64> delivered;
    EXPECT_THROW(SendTaggedDocuments(rows, Text(), m_mailer, m_progress, delivered), Exception);
    EXPECT_TRUE(delivered.isEmpty());
    EXPECT_EQ(m_progress.captions.last(), QStringLiteral("Initialising Outlook Session"));
    EXPECT_TRUE(QFileInfo::exists(rows[0].copyPath)) << "the copy stays for the next run";
}

TEST(DocumentCopy, CopiesWholeBlocksAndRefusesToOverwrite)
{
    TempDir dir;
    for (const int size : { 0, 1, 8191, 8192, 8193, 3 * 8192, 100000 }) {
        const QByteArray bytes = RandomPdf(size);
        const QString source = dir.file(QStringLiteral("src-%1.pdf").arg(size));
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        const QString copy = dir.file(QStringLiteral("copy-%1.PDF").arg(size));
        CopyDocumentFile(source, copy);
        EXPECT_EQ(ReadAll(copy), bytes) << size;
    }
    const QString existing = dir.file(QStringLiteral("copy-1.PDF"));
    const QByteArray kept = ReadAll(existing);
    try {
        CopyDocumentFile(dir.file(QStringLiteral("src-0.pdf")), existing);
        FAIL();
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot create file ") + existing);
    }
    EXPECT_EQ(ReadAll(existing), kept);
    const QString missing = dir.file(QStringLiteral("missing.pdf"));
    try {
        CopyDocumentFile(missing, dir.file(QStringLiteral("never.PDF")));
        FAIL();
    } catch (const Exception &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot open file ") + missing);
    }
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("never.PDF"))));
}

TEST(MailTexts, SubjectCountsAndDialogTitle)
{
    EXPECT_EQ(GroupSubject(QStringLiteral("Docs"), 0, 0), QStringLiteral("Docs"));
    EXPECT_EQ(GroupSubject(QStringLiteral("Docs"), 0, 3), QStringLiteral("Docs - Credit Note * 3"));
    EXPECT_EQ(GroupSubject(QStringLiteral("Docs"), 12, 1),
        QStringLiteral("Docs - Invoice * 12 - Credit Note * 1"));
    EXPECT_EQ(MailDialogTitle(QStringLiteral("velloran")), QStringLiteral("velloran"));
    EXPECT_EQ(MailDialogTitle(QStringLiteral("VELLORAN.EXE")), QStringLiteral("Velloran"));
    EXPECT_EQ(MailDialogTitle(QStringLiteral("mY.App.bin")), QStringLiteral("my"));
}

} // namespace
