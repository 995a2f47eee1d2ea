#include "dispatch/MailDispatch.h"

#include "mail/RwMapiSession.h"

#include <utility>

namespace {

constexpr int ReadWrite = 1;
constexpr int OutboxFolder = 4;

} // namespace

DocumentMailer::DocumentMailer(TRwMapiSessionV3 &session, QString dialogTitle)
    : m_session(session)
    , m_dialogTitle(std::move(dialogTitle))
{ }

QString DocumentMailer::SendDocumentMail(const QString &subject, const QString &body,
    const QStringList &attachments, const QString &bcc, const QString &cc, const QString &to)
{
    m_report.clear();
    m_addressBook = m_session.GetAddressBook(false);
    m_recipients = m_addressBook->CreateRecipientTable();
    m_recipients->Clear();
    m_recipients->AddRecipients(to, MAPI_TO, false);
    m_recipients->AddRecipients(cc, MAPI_CC, false);
    m_recipients->AddRecipients(bcc, MAPI_BCC, false);
    m_session.ResolveNames(m_recipients, false, true, m_dialogTitle);

    // The store, folder and message go when this returns, also when a step fails.
    IRwMapiMsgStore store = m_session.GetDefaultMsgStore(ReadWrite);
    IRwMapiFolder outbox = store->OpenFolderByType(OutboxFolder, ReadWrite, 0);
    IRwMapiMessage message = outbox->CreateMessage(QStringLiteral("IPM.Note"));
    message->ModifyRecipients(0, m_recipients);
    message->SetPropText(PR_SUBJECT, subject);
    message->SetPropText(PR_PRIORITY, QStringLiteral("1"));
    message->SetBody(body, mfPlainText);
    for (const QString &path : attachments)
        message->AddFileAttachment(path);
    try {
        message->SubmitMessage(skKeepInSentItems);
    } catch (...) {
        m_report = message->SubmitReport();
        throw;
    }
    m_report = message->SubmitReport();
    return message->InternetMessageId();
}

QString MailDialogTitle(const QString &programFileName)
{
    const QString name = programFileName.section(u'.', 0, 0);
    if (name.isEmpty())
        return name;
    return name.left(1) + name.mid(1).toLower();
}
