#include "app/SalesMain.h"
#include "app/SalesMainJournalDialogs.h"

#include "data/StatusTableOps.h"
#include "dispatch/MailSettingsStore.h"
#include "dispatch/journal/SendPreview.h"
#include "dispatch/journal/ServerSizeLimit.h"
#include "review/ReviewCommands.h"
#include "review/ReviewDocuments.h"
#include "util/MessageService.h"

#include <QComboBox>
#include <QEventLoop>
#include <QThread>

namespace {

JournalChannel ChannelOf(StatusFlag flag)
{
    return flag == StatusFlag::Printed ? JournalChannel::Paper : JournalChannel::Mail;
}

QString EarlierDispatchQuestion(int documents, StatusFlag flag)
{
    const QString done
        = flag == StatusFlag::Printed ? QStringLiteral("printed") : QStringLiteral("sent");
    return (documents == 1 ? QStringLiteral("1 document was ")
                           : QString::number(documents) + QStringLiteral(" documents were "))
        + done + QStringLiteral(" in an earlier run but not marked as ") + done
        + (documents == 1 ? QStringLiteral(". Mark it now?") : QStringLiteral(". Mark them now?"));
}

} // namespace

void TFrmSalesMain::StartJournalRun()
{
    m_journal = std::make_unique<DispatchJournal>(
        dbOperaADO, EdtOperaDataFolder->text(), cbxCompanyID->currentText());
}

void TFrmSalesMain::CloseJournalRun()
{
    const std::unique_ptr<DispatchJournal> journal = std::move(m_journal);
    if (!journal || !journal->written())
        return;
    try {
        MarkRunsAsked(ADOCommand, cbxCompanyID->currentText(), { journal->run() });
    } catch (const std::exception &) {
        // The rows stay unanswered: the next run asks about those not marked by then.
    }
}

void TFrmSalesMain::OfferToMarkEarlierDispatches(StatusFlag flag)
{
    const QString companyId = cbxCompanyID->currentText();
    QList<JournalEntry> entries;
    try {
        EnsureJournalTable(ADOCommand, EdtOperaDataFolder->text(), companyId);
        entries
            = ReadUnaskedDeliveries(QryChk, companyId, ChannelOf(flag), JournalWorkstationName());
    } catch (const std::exception &) {
        return; // the run tells the user once when the journal cannot be written
    }
    if (entries.isEmpty())
        return;
    QSet<QString> runs;
    QList<qint64> documents;
    for (const JournalEntry &entry : entries) {
        runs.insert(entry.run);
        if (!documents.contains(entry.document))
            documents.append(entry.document);
    }
    documents = UnmarkedDocuments(QryChk, companyId, documents, flag);
    if (!documents.isEmpty() && AskYesNo(EarlierDispatchQuestion(int(documents.size()), flag))) {
        // Marked through the status table's write rule, and untagged so that this run does not
        // hand them over a second time.
        const ReviewWriter writer = reviewWriter();
        const QString &assignment
            = flag == StatusFlag::Printed ? MarkPrintedAssignment : MarkSentAssignment;
        for (const qint64 document : documents) {
            const QString number = QString::number(document);
            SetStatusFlag(QryChk, ADOCommand, companyId, number, flag, assignment);
            UpdateStatusFlag(ADOCommand, companyId, number, TagNoneAssignment);
        }
        const int current = m_memSTran.recNo();
        for (int i = 0; i < m_memSTran.recordCount(); ++i) {
            if (!documents.contains(m_memSTran.row(i).id))
                continue;
            m_memSTran.setRecNo(i);
            m_memSTran.edit();
            m_memSTran.setValue(FlagField(flag), true);
            m_memSTran.setValue(ReviewField::Tag, false);
            m_memSTran.post();
        }
        m_memSTran.setRecNo(current);
    }
    MarkRunsAsked(ADOCommand, companyId, runs);
}

void TFrmSalesMain::DispatchHistory1Click()
{
    if (!m_memSTran.isOpen() || m_memSTran.recordCount() == 0) {
        ShowMessage(QStringLiteral("No records displayed"));
        return;
    }
    const ReviewRow &row = m_memSTran.current();
    const QString companyId = cbxCompanyID->currentText();
    // Looking creates nothing: without a journal there is no history yet. A row a killed writer
    // left half written is repaired when the table opens, as for every write.
    dbOperaADO.markOwnTable(JournalTableName(companyId));
    const QList<JournalEntry> entries = JournalTableExists(EdtOperaDataFolder->text(), companyId)
        ? ReadDocumentJournal(QryChk, companyId, row.id)
        : QList<JournalEntry>();
    DispatchHistoryDialog dialog(row.st_trref.trimmed(), entries, this);
    dialog.exec();
}

void TFrmSalesMain::PreviewSend1Click()
{
    if (!m_memSTran.isOpen() || m_memSTran.recordCount() == 0) {
        ShowMessage(QStringLiteral("No records displayed"));
        return;
    }
    const QString companyId = cbxCompanyID->currentText();
    dbOperaADO.markOwnTable(JournalTableName(companyId));
    const QSet<qint64> delivered = JournalTableExists(EdtOperaDataFolder->text(), companyId)
        ? ReadDeliveredDocuments(QryChk, companyId, JournalChannel::Mail)
        : QSet<qint64>();
    const QList<MailDocument> documents
        = MailDocumentsOf(m_memSTran, EdtOperaDataFolder->text(), companyId);
    QList<PreviewDocument> rows;
    rows.reserve(documents.size());
    for (int i = 0; i < documents.size(); ++i) {
        const ReviewRow &row = m_memSTran.row(i);
        rows.append(PreviewDocument {
            documents[i], row.st_trref, row.zrqsent, delivered.contains(row.id) });
    }
    // The sending server is asked on a worker thread while the window stays served.
    TRwMapiLogonInfo logon = MapiSession.LogonInfo;
    MailSettingsStore::ApplyTo(logon);
    ServerSizeLimit limit;
    QEventLoop wait;
    QThread *ask
        = QThread::create([&limit, name = logon.ProfileName] { limit = AskServerSizeLimit(name); });
    connect(ask, &QThread::finished, &wait, &QEventLoop::quit);
    setCursor(Qt::BusyCursor);
    ask->start();
    wait.exec(QEventLoop::ExcludeUserInputEvents);
    ask->wait();
    delete ask;
    unsetCursor();
    SendPreviewDialog dialog(PreviewSendTagged(rows, limit.bytes), limit.known, this);
    dialog.exec();
}
