#include "platform/mapi/MailObjects.h"

MsgStore::MsgStore(std::shared_ptr<SessionCore> core, bool writable)
    : m_core(std::move(core))
    , m_writable(writable)
{
    m_props.setText(PR_DISPLAY_NAME, m_core->profile.name);
    m_props.setBytes(PR_ENTRYID, maildir::storeEntryId(m_core->profile.name));
    m_props.setBool(PR_DEFAULT_STORE, true);
    m_props.setBytes(PR_IPM_OUTBOX_ENTRYID, maildir::folderEntryId(maildir::kOutbox));
    m_props.setBytes(PR_IPM_SENTMAIL_ENTRYID, maildir::folderEntryId(maildir::kSentItems));
    m_props.setLong(PR_STORE_SUPPORT_MASK, int32_t(STORE_UNICODE_OK));
}

void *MsgStore::castTo(REFIID iid)
{
    if (iid == IID_IMsgStore)
        return static_cast<IMsgStore *>(this);
    return PropObject<IMsgStore>::castTo(iid);
}

HRESULT MsgStore::OpenEntry(ULONG entryIdSize, const uint8_t *entryId, const IID *, ULONG flags,
    ULONG *objectType, IUnknown **object)
{
    if (!object || (entryIdSize && !entryId))
        return E_INVALIDARG;
    *object = nullptr;
    if (!m_core->loggedOn)
        return MAPI_E_INVALID_OBJECT;
    const QByteArray id(reinterpret_cast<const char *>(entryId), qsizetype(entryIdSize));
    if (maildir::isStoreEntryId(id)) {
        AddRef();
        *object = static_cast<IMsgStore *>(this);
        if (objectType)
            *objectType = MAPI_STORE;
        return S_OK;
    }
    const QString folder = maildir::folderOfEntryId(id);
    if (folder.isEmpty())
        return MAPI_E_INVALID_ENTRYID;
    if (folder != maildir::kOutbox && folder != maildir::kSentItems)
        return MAPI_E_UNKNOWN_ENTRYID;
    const bool write = (flags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0;
    if ((flags & MAPI_MODIFY) && !m_writable)
        return MAPI_E_NO_ACCESS;
    *object = static_cast<IMAPIFolder *>(new Folder(m_core, folder, write && m_writable));
    if (objectType)
        *objectType = MAPI_FOLDER;
    return S_OK;
}

Folder::Folder(std::shared_ptr<SessionCore> core, QString name, bool writable)
    : m_core(std::move(core))
    , m_name(std::move(name))
    , m_writable(writable)
{
    m_props.setText(PR_DISPLAY_NAME, m_name);
    m_props.setBytes(PR_ENTRYID, maildir::folderEntryId(m_name));
}

void *Folder::castTo(REFIID iid)
{
    if (iid == IID_IMAPIFolder)
        return static_cast<IMAPIFolder *>(this);
    return PropObject<IMAPIFolder>::castTo(iid);
}

HRESULT Folder::CreateMessage(const IID *, ULONG, IMessage **message)
{
    if (!message)
        return E_INVALIDARG;
    *message = nullptr;
    if (!m_core->loggedOn)
        return MAPI_E_INVALID_OBJECT;
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    *message = new Message(m_core);
    return S_OK;
}
