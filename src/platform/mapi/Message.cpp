#include "platform/mapi/MailObjects.h"

#include <QUuid>

void *Attachment::castTo(REFIID iid)
{
    if (iid == IID_IAttachment)
        return static_cast<IAttach *>(this);
    return PropObject<IAttach>::castTo(iid);
}

Message::Message(std::shared_ptr<SessionCore> core)
    : m_core(std::move(core))
{
    m_props.setText(PR_MESSAGE_CLASS, QStringLiteral("IPM"));
}

Message::~Message()
{
    for (Attachment *a : m_attachments)
        a->Release();
}

void *Message::castTo(REFIID iid)
{
    if (iid == IID_IMessage)
        return static_cast<IMessage *>(this);
    return PropObject<IMessage>::castTo(iid);
}

HRESULT Message::CreateAttach(const IID *, ULONG, ULONG *attachmentNumber, IAttach **attachment)
{
    if (!attachment)
        return E_INVALIDARG;
    if (m_submitted)
        return MAPI_E_INVALID_OBJECT;
    auto *created = new Attachment;
    created->AddRef(); // the message's own reference
    m_attachments.push_back(created);
    if (attachmentNumber)
        *attachmentNumber = ULONG(m_attachments.size() - 1);
    *attachment = created;
    return S_OK;
}

// Rows may carry only properties this store keeps; anything else (errors, unknown
// types) is refused as an invalid argument and nothing changes.
HRESULT Message::ModifyRecipients(ULONG flags, const ADRLIST *list)
{
    if (!list || (list->cEntries && !list->aEntries))
        return E_INVALIDARG;
    if (flags & ~MODRECIP_ADD)
        return MAPI_E_UNKNOWN_FLAGS;
    std::vector<PropertyBag> rows;
    for (ULONG e = 0; e < list->cEntries; ++e) {
        const ADRENTRY &entry = list->aEntries[e];
        PropertyBag row;
        for (ULONG i = 0; i < entry.cValues; ++i)
            if (!row.set(entry.rgPropVals[i]))
                return E_INVALIDARG;
        if (!row.has(PR_DISPLAY_NAME) && !row.has(PR_EMAIL_ADDRESS))
            return E_INVALIDARG;
        rows.push_back(row);
    }
    if (!(flags & MODRECIP_ADD))
        m_recipients.clear();
    m_recipients.insert(m_recipients.end(), rows.begin(), rows.end());
    return S_OK;
}

OutgoingMessage Message::outgoing() const
{
    OutgoingMessage out;
    out.senderName = m_core->profile.senderName;
    out.senderAddress = m_core->profile.senderAddress;
    for (const PropertyBag &row : m_recipients) {
        OutgoingRecipient r;
        r.type = ULONG(row.number(PR_RECIPIENT_TYPE).value_or(MAPI_TO));
        r.name = row.text(PR_DISPLAY_NAME);
        r.address = row.text(PR_EMAIL_ADDRESS);
        out.recipients.append(r);
    }
    out.subject = m_props.text(PR_SUBJECT);
    out.priority = m_props.number(PR_PRIORITY).value_or(0);
    out.body = m_props.text(PR_BODY);
    for (const Attachment *a : m_attachments) {
        const PropertyBag &p = a->props();
        QString name = p.text(PR_ATTACH_LONG_FILENAME);
        if (name.isEmpty())
            name = p.text(PR_ATTACH_FILENAME);
        if (name.isEmpty())
            name = p.text(PR_DISPLAY_NAME);
        out.attachments.append(OutgoingAttachment { name, p.bytes(PR_ATTACH_DATA_BIN) });
    }
    const QString domain = out.senderAddress.section(QLatin1Char('@'), 1);
    out.messageId = QUuid::createUuid().toString(QUuid::WithoutBraces) + QLatin1Char('@')
        + (domain.isEmpty() ? QStringLiteral("localhost") : domain);
    return out;
}

HRESULT Message::SubmitMessage(ULONG)
{
    if (!m_core->loggedOn || m_submitted)
        return MAPI_E_INVALID_OBJECT;
    if (m_recipients.empty())
        return MAPI_E_NO_RECIPIENTS;
    OutgoingMessage out = outgoing();
    for (OutgoingRecipient &r : out.recipients) {
        const size_t i = size_t(&r - out.recipients.data());
        const HRESULT hr = ResolveRecipient(
            m_core->profile, m_recipients[i].text(PR_ADDRTYPE), r.name, r.address);
        if (hr != S_OK)
            return hr;
    }
    for (const OutgoingAttachment &a : out.attachments)
        if (a.fileName.isEmpty())
            return MAPI_E_CORRUPT_DATA;
    QString sentFolder;
    if (m_props.number(PR_DELETE_AFTER_SUBMIT).value_or(0) == 0)
        sentFolder = maildir::folderOfEntryId(m_props.bytes(PR_SENTMAIL_ENTRYID));
    QString report;
    const HRESULT hr = SubmitOutgoing(*m_core, out, sentFolder, &report);
    // GetLastError tells why a submit failed, or what the warning of a sent one means.
    setLastError(hr, report);
    if (hr == S_OK || hr == MAPI_W_ERRORS_RETURNED) {
        m_submitted = true;
        // Read back by the sender, which records what went where.
        m_props.setText(PR_INTERNET_MESSAGE_ID, out.messageId);
    }
    return hr;
}
