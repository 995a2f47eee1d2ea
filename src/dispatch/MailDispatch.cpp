#include "dispatch/MailDispatch.h"

#include "dispatch/MessagePacer.h"

#include "mail/RwMapiSession.h"
#include "util/Errors.h"
#include "util/MessageService.h"
#include "util/UtilMisc.h"

#include <QFile>
#include <QFileInfo>

namespace {

// One document's PDF as it goes with its account's message.
struct Attachment
{
    QString path;
    bool ours = false; // a copy under the reference-based name, removed once the message is sent
    qint64 id = 0;
};

bool SameContent(const QString &a, const QString &b)
{
    QFile first(a);
    QFile second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly)
        || first.size() != second.size())
        return false;
    while (!first.atEnd()) {
        if (first.read(1 << 16) != second.read(1 << 16))
            return false;
    }
    return true;
}

// Where a document whose PDF exists goes into the message from. Its copy under the reference-based
// name is made unless one is there already. A stored PDF that bears that name itself is attached
// as it is; so is one whose reference-based name is taken by a file that is not its copy (another
// document's PDF, a copy cut short): such a file is never overwritten, sent or removed.
Attachment PrepareAttachment(const MailDocument &document)
{
    const QFileInfo stored(document.pdfPath);
    const QFileInfo copy(document.copyPath);
    if (!copy.exists()) {
        CopyDocumentFile(document.pdfPath, document.copyPath);
        return { document.copyPath, true, document.id };
    }
    if (copy.canonicalFilePath() == stored.canonicalFilePath())
        return { document.pdfPath, false, document.id };
    if (copy.isFile() && SameContent(document.pdfPath, document.copyPath))
        return { document.copyPath, true, document.id }; // left by a run whose message failed
    return { document.pdfPath, false, document.id };
}

// The tagged documents of one account collected for its message.
struct Group
{
    QString account;
    QString address;
    QList<Attachment> attachments;
    int invoices = 0;
    int creditNotes = 0;
};

void CollectDocument(const MailDocument &row, Group &group, DispatchProgress &progress)
{
    if (!QFileInfo(row.pdfPath).isFile()) {
        ShowMessage(row.pdfPath + QStringLiteral("Not Found"));
        return;
    }
    progress.setCaption(QStringLiteral("Reading Account : [") + group.account.trimmed()
        + QStringLiteral("]  PDF [") + row.pdfFile.trimmed() + u']');
    group.attachments.append(PrepareAttachment(row));
    if (row.type == u"I")
        ++group.invoices;
    else if (row.type == u"C")
        ++group.creditNotes;
}

// What one run keeps from message to message.
struct RunNotes
{
    std::optional<MessagePacer> pacer; // set at the first message, once logged on
    int uncopied = 0; // messages sent without their copy in the server's Sent folder
    QString uncopiedReason;
};

// Tells, once, of the messages whose copy is not in the account's Sent folder.
void TellUncopied(const RunNotes &notes)
{
    if (notes.uncopied == 0)
        return;
    const QString count = notes.uncopied == 1
        ? QStringLiteral("1 message was")
        : QString::number(notes.uncopied) + QStringLiteral(" messages were");
    ShowWarning(count
        + QStringLiteral(" sent, but the copy could not be put in the Sent folder of the mail "
                         "account:\n")
        + notes.uncopiedReason
        + QStringLiteral("\nThe copies are kept in Sent Items on this computer."));
}

void SendGroup(const Group &group, const MailText &text, DocumentMailer &mailer,
    DispatchProgress &progress, QSet<qint64> &delivered, DispatchJournal *journal, RunNotes &notes)
{
    TRwMapiSessionV3 &session = mailer.session();
    if (!session.Active()) {
        progress.setCaption(QStringLiteral("Initialising Outlook Session"));
        session.setActive(true); // a failed logon ends the run
    }
    if (!notes.pacer) {
        QString account;
        const int perMinute = MessagesPerMinuteOf(session.LogonInfo.ProfileName, &account);
        notes.pacer.emplace(perMinute, account);
    }
    notes.pacer->awaitTurn(progress);
    QStringList paths;
    DispatchAttempt attempt { JournalChannel::Mail, {}, group.address.trimmed(), {}, false, {} };
    for (const Attachment &attachment : group.attachments) {
        paths.append(attachment.path);
        attempt.documents.append(attachment.id);
    }
    try {
        progress.setCaption(
            QStringLiteral("Sending to Account : [") + group.account.trimmed() + u']');
        attempt.reference
            = mailer.SendDocumentMail(GroupSubject(text.subject, group.invoices, group.creditNotes),
                text.body, paths, QString(), QString(), group.address);
    } catch (const std::exception &error) {
        // The mail library's reason, where it gave one, says more than the call that failed.
        const QString reason = mailer.lastReport();
        if (journal) {
            attempt.reason = reason.isEmpty() ? QString::fromUtf8(error.what()) : reason;
            journal->record(attempt);
        }
        // Whatever failed, the copies stay for the next run and the run goes on.
        ShowWarning(QStringLiteral("Mail Submit Failure to ") + group.address
            + (reason.isEmpty() ? QString() : u'\n' + reason));
        return;
    }
    if (!mailer.lastReport().isEmpty()) {
        ++notes.uncopied;
        notes.uncopiedReason = mailer.lastReport();
    }
    if (journal) {
        attempt.accepted = true;
        journal->record(attempt);
    }
    for (const Attachment &attachment : group.attachments) {
        delivered.insert(attachment.id);
        if (attachment.ours)
            QFile::remove(attachment.path);
    }
}

void SendAll(const QList<MailDocument> &rows, const MailText &text, DocumentMailer &mailer,
    DispatchProgress &progress, QSet<qint64> &delivered, DispatchJournal *journal, RunNotes &notes)
{
    Group group;
    bool collecting = false;
    for (const MailDocument &row : rows) {
        if (!row.tagged) {
            progress.processEvents();
            continue;
        }
        if (!collecting || row.account != group.account) {
            if (collecting)
                SendGroup(group, text, mailer, progress, delivered, journal, notes);
            group = Group { row.account, row.email, {}, 0, 0 };
            collecting = true;
            progress.setCaption(QStringLiteral("Reading Account : [") + group.account + u']');
        } else {
            group.address = row.email;
        }
        CollectDocument(row, group, progress);
        progress.processEvents();
    }
    if (collecting)
        SendGroup(group, text, mailer, progress, delivered, journal, notes);
}

} // namespace

QString GroupSubject(const QString &subject, int invoices, int creditNotes)
{
    QString text = subject;
    if (invoices > 0)
        text += QStringLiteral(" - Invoice * ") + FormatNumber(invoices, 0);
    if (creditNotes > 0)
        text += QStringLiteral(" - Credit Note * ") + FormatNumber(creditNotes, 0);
    return text;
}

void SendTaggedDocuments(const QList<MailDocument> &rows, const MailText &text,
    DocumentMailer &mailer, DispatchProgress &progress, QSet<qint64> &delivered,
    DispatchJournal *journal)
{
    if (IsBlank(text.subject)) {
        ShowMessage(QStringLiteral("Subject must be entered"));
        Abort();
    }
    if (IsBlank(text.body)) {
        ShowMessage(QStringLiteral("Mail Body text must be entered"));
        Abort();
    }
    RunNotes notes;
    try {
        SendAll(rows, text, mailer, progress, delivered, journal, notes);
    } catch (...) {
        TellUncopied(notes); // the messages sent before the error went all the same
        throw;
    }
    TellUncopied(notes);
}
