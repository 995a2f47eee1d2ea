// Send Tagged through the real main window on a generated company: Display, Tag All, the e-mail
// run to a loopback SMTP server through the mail library, and the marking question.

#include "CompanyWindow.h"
#include "dispatch/MailRunEnv.h"

#include "components/DlgInfFmForm.h"
#include "dispatch/DocumentPaths.h"
#include "review/MemSTran.h"
#include "util/UtilMisc.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>
#include <map>
#include <set>

namespace {

using SendTaggedTest = CompanyWindowTest;

QString FileSha256(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromLatin1(
        QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
}

// The ids whose sent flag is set in the status table, read by another program.
std::set<qint64> StoredSentIds(const QString &folder)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
        { QStringLiteral("-c"),
            QStringLiteral("import dbfread,sys\n"
                           "for r in dbfread.DBF(sys.argv[1]):\n"
                           "    if r['ST_ZRQSENT']: print(r['ST_ID'])\n"),
            QDir(folder).filePath(QStringLiteral("Z_ST_ZRQ.dbf")) });
    python.waitForFinished(60000);
    std::set<qint64> ids;
    for (const QByteArray &line : python.readAllStandardOutput().split('\n'))
        if (!line.trimmed().isEmpty())
            ids.insert(line.trimmed().toLongLong());
    return ids;
}

// One account's message as the list says it must go.
struct ExpectedMessage
{
    QString address;
    QStringList names;
    QStringList sha256;
    int invoices = 0;
    int creditNotes = 0;
};

} // namespace

TEST_F(SendTaggedTest, TaggedDocumentsArriveByteForByteAndOnlyTheyAreMarkedSent)
{
    LoopbackMailUser user;
    ASSERT_TRUE(user.serverUp());
    makeCompany(0);
    TFrmSalesMain &window = openWindow();
    const auto closeWindow = qScopeGuard([this] { m_window.reset(); });
    window.EdtESubject->setText(QStringLiteral("Documents from Zenith"));
    window.EdtEMailBody->setPlainText(QStringLiteral("Dear customer,\nyour documents.\n"));
    window.BtnDisplay->click();
    window.TagAll->trigger();
    const MemSTran &list = window.reviewList();
    ASSERT_GT(list.recordCount(), 20);

    // What must arrive, from the list: per account with an address, its documents whose PDF
    // exists, under their reference-based names.
    std::map<QString, ExpectedMessage> expected;
    std::set<qint64> delivered;
    int blankAddresses = 0;
    for (int i = 0; i < list.recordCount(); ++i) {
        const ReviewRow &row = list.row(i);
        if (IsBlank(row.sn_email)) {
            blankAddresses += expected.count(row.st_account) ? 0 : 1;
            expected[row.st_account];
            continue;
        }
        ExpectedMessage &message = expected[row.st_account];
        message.address = row.sn_email.trimmed();
        if (!row.Exists)
            continue;
        const QString copy = AttachmentCopyPath(m_folder, QStringLiteral("Z"), row.st_trref);
        message.names << copy.section(u'\\', -1);
        message.sha256 << FileSha256(
            DocumentPdfHostPath(m_folder, QStringLiteral("Z"), row.st_memot));
        (row.st_trtype == u"I" ? message.invoices : message.creditNotes)++;
        delivered.insert(row.id);
    }
    ASSERT_GT(blankAddresses, 0) << "the company must have a customer without an address";

    m_messages->entries.clear();
    m_messages->setNextAnswer(MessageService::Answer::Yes);
    window.NavSTran->Buttons(brwUdf1)->click();

    const QStringList received = user.received();
    ASSERT_EQ(received.size(), int(expected.size()) - blankAddresses);
    auto next = expected.begin();
    for (const QString &path : received) {
        while (next->second.address.isEmpty())
            ++next;
        const ExpectedMessage &want = next++->second;
        const QJsonObject got = LoopbackMailUser::parse(path);
        QString subject = QStringLiteral("Documents from Zenith");
        if (want.invoices)
            subject += QStringLiteral(" - Invoice * ") + QString::number(want.invoices);
        if (want.creditNotes)
            subject += QStringLiteral(" - Credit Note * ") + QString::number(want.creditNotes);
        EXPECT_EQ(got[u"subject"].toString(), subject);
        EXPECT_EQ(LoopbackMailUser::envelopeTo(path), QStringList { want.address });
        EXPECT_EQ(got[u"body"].toString(), QStringLiteral("Dear customer,\r\nyour documents.\r\n"));
        EXPECT_EQ(got[u"bare_lf"].toInt(), 0);
        QStringList names;
        QStringList sha256;
        for (const QJsonValue &a : got[u"attachments"].toArray()) {
            names << a[u"name"].toString();
            sha256 << a[u"sha256"].toString();
        }
        EXPECT_EQ(names, want.names) << qPrintable(want.address);
        EXPECT_EQ(sha256, want.sha256) << qPrintable(want.address);
    }
    EXPECT_EQ(user.sentItems().size(), received.size());

    // Every box the run showed: the missing PDFs, the accounts without an address, then the
    // question; nothing else.
    const QStringList texts = m_messages->texts();
    const QString failure = QStringLiteral("Mail Submit Failure to ");
    EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                  [&](const QString &t) {
                      return t.startsWith(failure) && IsBlank(t.mid(failure.size()));
                  }),
        blankAddresses);
    EXPECT_EQ(texts.last(), QStringLiteral("Mark Documents as Sent?"));
    for (const QString &text : texts)
        EXPECT_TRUE(text.endsWith(QStringLiteral("Not Found")) || text.startsWith(failure)
            || text == QStringLiteral("Mark Documents as Sent?"))
            << qPrintable(text);

    EXPECT_EQ(StoredSentIds(m_folder), delivered);
    for (int i = 0; i < list.recordCount(); ++i)
        EXPECT_EQ(list.row(i).zrqsent, delivered.count(list.row(i).id) == 1);
    // The copies went with their messages; only the failed accounts' copies remain.
    for (int i = 0; i < list.recordCount(); ++i) {
        const ReviewRow &row = list.row(i);
        const QString copy = AttachmentCopyHostPath(m_folder, QStringLiteral("Z"), row.st_trref);
        EXPECT_EQ(QFileInfo::exists(copy), row.Exists && IsBlank(row.sn_email)) << qPrintable(copy);
    }
    EXPECT_TRUE(window.NavSTran->Buttons(brwUdf1)->isEnabled());

    // The next Display leaves out what was sent and still lists what was not.
    const int listed = list.recordCount();
    window.BtnDisplay->click();
    for (int i = 0; i < list.recordCount(); ++i)
        EXPECT_EQ(delivered.count(list.row(i).id), 0u);
    EXPECT_EQ(list.recordCount(), listed - int(delivered.size()));
}

// While a message is on its way the window is served: the progress dialog's elapsed time keeps
// counting through the SMTP exchange of a slow server.
TEST_F(SendTaggedTest, ProgressDialogKeepsCountingWhileAMessageIsOnItsWay)
{
    LoopbackMailUser user(QStringLiteral("accept"), 0.8);
    ASSERT_TRUE(user.serverUp());
    makeCompany(0);
    TFrmSalesMain &window = openWindow();
    const auto closeWindow = qScopeGuard([this] { m_window.reset(); });
    window.BtnDisplay->click();
    MemSTran &list = const_cast<MemSTran &>(window.reviewList());
    int row = 0;
    while (row < list.recordCount() && (!list.row(row).Exists || IsBlank(list.row(row).sn_email)))
        ++row;
    ASSERT_LT(row, list.recordCount());
    list.setRecNo(row);
    window.BrwSTranKeyDown(Qt::Key_F2);

    QStringList elapsed;
    QTimer sample;
    sample.setInterval(50);
    QObject::connect(&sample, &QTimer::timeout, &sample, [&] {
        TFrmDlgInfo *form = window.DlgSend->runWindow();
        const auto *time = form ? form->findChild<QLabel *>(QStringLiteral("LblTime")) : nullptr;
        if (time && !elapsed.contains(time->text()))
            elapsed << time->text();
    });
    sample.start();
    m_messages->setNextAnswer(MessageService::Answer::No);
    window.NavSTran->Buttons(brwUdf1)->click();
    sample.stop();

    EXPECT_EQ(user.received().size(), 1);
    // The server answers RCPT and DATA 0.8 s late each: the clock ticked every half second.
    EXPECT_GE(elapsed.size(), 3) << qPrintable(elapsed.join(u'|'));
}
