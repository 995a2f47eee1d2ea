#include "platform/mapi/MailObjects.h"

namespace {
const ULONG kKnownStoreFlags
    = MDB_NO_DIALOG | MDB_WRITE | MAPI_BEST_ACCESS | MDB_NO_MAIL | MAPI_DEFERRED_ERRORS;
}

MapiSession::MapiSession(std::shared_ptr<SessionCore> core)
    : m_core(std::move(core))
{ }

MapiSession::~MapiSession()
{
    ForgetSharedSession(this);
    m_core->loggedOn = false;
}

void *MapiSession::castTo(REFIID iid)
{
    if (iid == IID_IMAPISession)
        return static_cast<IMAPISession *>(this);
    return RefCounted<IMAPISession>::castTo(iid);
}

HRESULT MapiSession::GetMsgStoresTable(ULONG, IMAPITable **table)
{
    if (!table)
        return E_INVALIDARG;
    if (!m_core->loggedOn)
        return MAPI_E_INVALID_OBJECT;
    PropertyBag row;
    row.setText(PR_DISPLAY_NAME, m_core->profile.name);
    row.setBytes(PR_ENTRYID, maildir::storeEntryId(m_core->profile.name));
    row.setBool(PR_DEFAULT_STORE, true);
    *table = new RowTable({ row }, { PR_ENTRYID, PR_DISPLAY_NAME, PR_DEFAULT_STORE });
    return S_OK;
}

// A local store has no online mode: MDB_ONLINE and other unknown flags are refused.
HRESULT MapiSession::OpenMsgStore(ULONG_PTR, ULONG entryIdSize, const uint8_t *entryId,
    const IID *iid, ULONG flags, IMsgStore **store)
{
    if (!store || (entryIdSize && !entryId))
        return E_INVALIDARG;
    *store = nullptr;
    if (!m_core->loggedOn)
        return MAPI_E_INVALID_OBJECT;
    if (flags & ~kKnownStoreFlags)
        return MAPI_E_UNKNOWN_FLAGS;
    if (iid && !(*iid == IID_IMsgStore) && !(*iid == IID_IMAPIProp) && !(*iid == IID_IUnknown))
        return E_NOINTERFACE;
    const QByteArray id(reinterpret_cast<const char *>(entryId), qsizetype(entryIdSize));
    if (!maildir::isStoreEntryId(id))
        return MAPI_E_INVALID_ENTRYID;
    if (id != maildir::storeEntryId(m_core->profile.name))
        return MAPI_E_UNKNOWN_ENTRYID;
    const QString root = m_core->profile.storeFolder;
    if (!maildir::ensureFolder(root, maildir::kOutbox)
        || !maildir::ensureFolder(root, maildir::kSentItems))
        return MAPI_E_NO_ACCESS;
    *store = new MsgStore(m_core, (flags & (MDB_WRITE | MAPI_BEST_ACCESS)) != 0);
    return S_OK;
}

HRESULT MapiSession::OpenAddressBook(ULONG_PTR, const IID *, ULONG, IAddrBook **addressBook)
{
    if (!addressBook)
        return E_INVALIDARG;
    *addressBook = nullptr;
    if (!m_core->loggedOn)
        return MAPI_E_INVALID_OBJECT;
    *addressBook = new AddressBook(m_core);
    return S_OK;
}

HRESULT MapiSession::Logoff(ULONG_PTR, ULONG, ULONG)
{
    m_core->loggedOn = false;
    return S_OK;
}
