#pragma once

#include "data/DispatchJournal.h"
#include "dispatch/DispatchProgress.h"
#include "mail/RwMapiObjects.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class TRwMapiSessionV3;

// One row of the review list as the e-mail run sees it.
struct MailDocument
{
    bool tagged = false;
    QString account; // st_account as stored (blank-padded)
    QString email; // sn_email as stored
    QString type; // st_trtype: "I" an invoice, "C" a credit note
    QString pdfFile; // st_memot as stored (padded)
    QString pdfPath; // DocumentPdfPath of the row, on this host
    QString copyPath; // AttachmentCopyPath of the row, on this host
    qint64 id = 0; // the document's record number
};

// The text every message of a run carries.
struct MailText
{
    QString subject;
    QString body; // lines separated by CR LF
};

// Composes and submits one message through a mail session. Like the window it stands for, it
// holds the address book and recipient list of the last message until the next one replaces
// them.
class DocumentMailer
{
public:
    // dialogTitle: the title of the session's name-resolution dialog.
    DocumentMailer(TRwMapiSessionV3 &session, QString dialogTitle);

    TRwMapiSessionV3 &session() const { return m_session; }

    // One message to the To, Cc and Bcc texts (";"-separated names or addresses) with the files
    // attached in list order, kept in Sent Items once submitted. Raises when any step fails.
    // Returns the Message-ID the message went out with (empty when the library gives none).
    QString SendDocumentMail(const QString &subject, const QString &body,
        const QStringList &attachments, const QString &bcc, const QString &cc, const QString &to);
    // What the mail library said of the last message, in the user's words: why it failed, or
    // the warning it was sent with. Empty when it said nothing.
    const QString &lastReport() const { return m_report; }

private:
    TRwMapiSessionV3 &m_session;
    QString m_dialogTitle;
    IRwMapiAddressbook m_addressBook;
    IRwMapiRecipientTable m_recipients;
    QString m_report;
};

// The title of the mail dialogs: the program file's name up to its first ".", its first
// character as it is and the others in lower case.
QString MailDialogTitle(const QString &programFileName);

// The subject of one account's message: the subject, then " - Invoice * " n when invoices went
// with it, then " - Credit Note * " m when credit notes did.
QString GroupSubject(const QString &subject, int invoices, int creditNotes);

// Copies a document in blocks of 8192 bytes to a file that must not exist yet. Raises
// "Cannot open file <source>" or "Cannot create file <destination>"; a copy that fails part way
// is removed.
void CopyDocumentFile(const QString &source, const QString &destination);

// The e-mail run: one message per account to the account's address, carrying the PDFs of the
// account's tagged documents under their reference-based names, in list order. Tagged rows of
// one account form one message when they follow one another among the tagged rows, so the list
// must be in account order. A failed message is reported and the run goes on with the next
// account; a copy that cannot be made, or a logon that fails, ends the run by raising.
//
// A failed message's warning carries the library's reason under its first line. Messages are
// paced to the message-per-minute limit of the account the session logs on with, the wait shown
// in the caption. Messages that went but whose copy could not be put in the Sent folder of the
// account are told once, at the end of the run.
//
// Adds to delivered the id of every document whose PDF went with a message the mail transport
// accepted, as each message goes, so an error that ends the run keeps those already sent.
// Each message accepted or refused is also recorded in the journal, when one is given, at once.
void SendTaggedDocuments(const QList<MailDocument> &rows, const MailText &text,
    DocumentMailer &mailer, DispatchProgress &progress, QSet<qint64> &delivered,
    DispatchJournal *journal = nullptr);
