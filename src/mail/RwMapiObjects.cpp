#include "mail/RwMapiObjects.h"

#include "mail/RwMapiErrors.h"
#include "mail/RwMapiLibrary.h"
#include "mail/RwMapiSession.h"

#include <cstring>

namespace {

void *allocateMore(size_t size, void *root)
{
    void *block = nullptr;
    if (RwMapiFunction<MAPIALLOCATEMORE>("MAPIAllocateMore")(ULONG(size ? size : 1), root, &block)
        != S_OK)
        return nullptr;
    return block;
}

} // namespace

QVariant PropVariant(const SPropValue &value)
{
    switch (PropType(value.ulPropTag)) {
    case PT_LONG:
        return QVariant(int(value.Value.l));
    case PT_BOOLEAN:
        return QVariant(value.Value.b != 0);
    case PT_STRING8:
        return QVariant(QString::fromUtf8(value.Value.lpszA ? value.Value.lpszA : ""));
    case PT_UNICODE:
        return QVariant(value.Value.lpszW ? QString::fromUtf16(value.Value.lpszW) : QString());
    case PT_BINARY:
        return QVariant(QByteArray(
            reinterpret_cast<const char *>(value.Value.bin.lpb), qsizetype(value.Value.bin.cb)));
    default:
        return QVariant();
    }
}

bool FillProp(ULONG tag, const QVariant &v, SPropValue &out, void *root)
{
    out.ulPropTag = tag;
    switch (PropType(tag)) {
    case PT_LONG:
        out.Value.l = v.toInt();
        return v.isValid();
    case PT_BOOLEAN:
        out.Value.b = v.toBool() ? 1 : 0;
        return v.isValid();
    case PT_STRING8: {
        const QByteArray text = v.toString().toUtf8();
        auto *block = static_cast<char *>(allocateMore(size_t(text.size()) + 1, root));
        if (!block)
            return false;
        std::memcpy(block, text.constData(), size_t(text.size()) + 1);
        out.Value.lpszA = block;
        return true;
    }
    case PT_UNICODE: {
        const QString text = v.toString();
        const size_t size = (size_t(text.size()) + 1) * sizeof(char16_t);
        auto *block = static_cast<char16_t *>(allocateMore(size, root));
        if (!block)
            return false;
        std::memcpy(block, text.utf16(), size);
        out.Value.lpszW = block;
        return true;
    }
    case PT_BINARY: {
        const QByteArray bytes = v.toByteArray();
        auto *block = static_cast<uint8_t *>(allocateMore(size_t(bytes.size()), root));
        if (!block)
            return false;
        if (!bytes.isEmpty())
            std::memcpy(block, bytes.constData(), size_t(bytes.size()));
        out.Value.bin.cb = ULONG(bytes.size());
        out.Value.bin.lpb = block;
        return true;
    }
    default:
        // Errors and types this side does not keep go out as PT_ERROR.
        out.ulPropTag = ChangePropType(tag, PT_ERROR);
        out.Value.err = MAPI_E_NOT_FOUND;
        return true;
    }
}

TRwMapiObject::TRwMapiObject(TRwMapiSessionImpl *, IUnknown *adopted)
    : m_unknown(adopted)
    , m_simple(adopted == nullptr)
{ }

TRwMapiObject::~TRwMapiObject()
{
    ReleaseInterface();
}

void TRwMapiObject::ReleaseInterface()
{
    if (m_unknown)
        std::exchange(m_unknown, nullptr)->Release();
}

void TRwMapiObject::checkAlive(const char *operation) const
{
    if (!m_unknown && !m_simple)
        Raise(operation, MAPI_E_INVALID_OBJECT);
}

void TRwMapiObject::Raise(const char *operation, HRESULT code) const
{
    RaiseMapiError(ClassName(), QString::fromLatin1(operation), code);
}

TRwMapiPropItem::TRwMapiPropItem(IMAPIProp *object, ULONG tag)
    : m_object(object)
    , m_tag(tag)
{ }

std::optional<QVariant> TRwMapiPropItem::Value() const
{
    const SPropTagArray tags { 1, &m_tag };
    ULONG count = 0;
    SPropValue *props = nullptr;
    const HRESULT hr = m_object->GetProps(&tags, 0, &count, &props);
    std::optional<QVariant> value;
    if ((hr == S_OK || hr == MAPI_W_ERRORS_RETURNED) && count == 1
        && PropType(props[0].ulPropTag) != PT_ERROR)
        value = PropVariant(props[0]);
    if (props)
        RwMapiFunction<MAPIFREEBUFFER>("MAPIFreeBuffer")(props);
    return value;
}

HRESULT TRwMapiPropItem::SetValue(const QVariant &value)
{
    void *root = nullptr;
    if (RwMapiFunction<MAPIALLOCATEBUFFER>("MAPIAllocateBuffer")(sizeof(SPropValue), &root) != S_OK)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    auto *prop = static_cast<SPropValue *>(root);
    HRESULT hr = MAPI_E_NOT_ENOUGH_MEMORY;
    if (FillProp(m_tag, value, *prop, root))
        hr = m_object->SetProps(1, prop, nullptr);
    RwMapiFunction<MAPIFREEBUFFER>("MAPIFreeBuffer")(root);
    return hr;
}

QVariant TRwRecipientRow::Get(ULONG tag) const
{
    for (const auto &[t, v] : Props)
        if (PropId(t) == PropId(tag))
            return v;
    return {};
}

TRwMapiAddressBook::TRwMapiAddressBook(TRwMapiSessionImpl *session, IAddrBook *adopted)
    : TRwMapiObject(session, adopted)
{ }

IRwMapiRecipientTable TRwMapiAddressBook::CreateRecipientTable()
{
    checkAlive("CreateRecipientTable");
    return std::make_shared<TRwMapiRecipientTable>(shared_from_this());
}

TRwMapiRecipientTable::TRwMapiRecipientTable(IRwMapiAddressbook addressBook)
    : m_addressBook(std::move(addressBook))
{ }

void TRwMapiRecipientTable::AddRecipients(const QString &text, ULONG type, bool resolveNow)
{
    m_resolveNow = resolveNow;
    for (const TRwRecipient &r : ParseRecipients(text, type)) {
        TRwRecipientRow row;
        row.Props.emplace_back(PR_RECIPIENT_TYPE, QVariant(int(r.Type)));
        row.Props.emplace_back(PR_DISPLAY_NAME, QVariant(r.DisplayName));
        row.Props.emplace_back(PR_ADDRTYPE, QVariant(r.AddressType));
        if (!r.EmailAddress.isEmpty())
            row.Props.emplace_back(PR_EMAIL_ADDRESS, QVariant(r.EmailAddress));
        m_rows.push_back(row);
    }
}

ADRLIST *TRwMapiRecipientTable::BuildAdrList(const std::vector<ULONG> *columns) const
{
    auto allocate = RwMapiFunction<MAPIALLOCATEBUFFER>("MAPIAllocateBuffer");
    void *root = nullptr;
    if (allocate(sizeof(ADRLIST), &root) != S_OK)
        throw ERwMapiException(MapiErrorMessage(QStringLiteral("TRwMapiRecipientTable"),
                                   QStringLiteral("BuildAdrList"), E_OUTOFMEMORY),
            E_OUTOFMEMORY);
    auto *list = static_cast<ADRLIST *>(root);
    list->aEntries = static_cast<ADRENTRY *>(allocateMore(sizeof(ADRENTRY) * m_rows.size(), root));
    list->cEntries = 0;
    for (const TRwRecipientRow &row : m_rows) {
        std::vector<std::pair<ULONG, QVariant>> props;
        for (const auto &p : row.Props)
            if (!columns || std::find(columns->begin(), columns->end(), p.first) != columns->end())
                props.push_back(p);
        void *block = nullptr;
        ADRENTRY &entry = list->aEntries[list->cEntries];
        if (!list->aEntries
            || allocate(ULONG(sizeof(SPropValue) * (props.size() + 1)), &block) != S_OK) {
            FreeAdrList(list);
            throw ERwMapiException(MapiErrorMessage(QStringLiteral("TRwMapiRecipientTable"),
                                       QStringLiteral("BuildAdrList"), E_OUTOFMEMORY),
                E_OUTOFMEMORY);
        }
        entry.ulReserved1 = 0;
        entry.rgPropVals = static_cast<SPropValue *>(block);
        entry.cValues = ULONG(props.size());
        ++list->cEntries;
        for (size_t i = 0; i < props.size(); ++i)
            FillProp(props[i].first, props[i].second, entry.rgPropVals[i], block);
    }
    return list;
}

void TRwMapiRecipientTable::FreeAdrList(ADRLIST *list)
{
    if (!list)
        return;
    auto freeBuffer = RwMapiFunction<MAPIFREEBUFFER>("MAPIFreeBuffer");
    for (ULONG i = 0; i < list->cEntries; ++i)
        freeBuffer(list->aEntries[i].rgPropVals);
    freeBuffer(list);
}

void TRwMapiRecipientTable::ReadAdrList(const ADRLIST &list)
{
    for (ULONG i = 0; i < list.cEntries && i < m_rows.size(); ++i) {
        TRwRecipientRow row;
        const ADRENTRY &entry = list.aEntries[i];
        for (ULONG p = 0; p < entry.cValues; ++p)
            row.Props.emplace_back(entry.rgPropVals[p].ulPropTag, PropVariant(entry.rgPropVals[p]));
        m_rows[i] = row;
    }
}

TRwMapiMsgStore::TRwMapiMsgStore(TRwMapiSessionImpl *session, IMsgStore *adopted, QString name)
    : TRwMapiObject(session, adopted)
    , m_session(session)
    , m_name(std::move(name))
{ }

std::optional<QByteArray> TRwMapiMsgStore::FolderEntryId(ULONG tag) const
{
    const auto value = TRwMapiPropItem(Store("GetProps"), tag).Value();
    if (!value)
        return std::nullopt;
    return value->toByteArray();
}

bool TRwMapiMsgStore::SupportsUnicode() const
{
    if (SimpleMode())
        return false;
    const auto mask = TRwMapiPropItem(Store("GetProps"), PR_STORE_SUPPORT_MASK).Value();
    return mask && (ULONG(mask->toInt()) & STORE_UNICODE_OK);
}

IRwMapiFolder TRwMapiMsgStore::OpenFolderByType(int type, int access, int)
{
    checkAlive("OpenFolderByType");
    if (SimpleMode())
        return std::make_shared<TRwMapiFolder>(m_session, nullptr, shared_from_this());
    ULONG tag = 0;
    if (type == 4)
        tag = PR_IPM_OUTBOX_ENTRYID;
    else if (type == 8)
        tag = PR_IPM_SENTMAIL_ENTRYID;
    const auto id = tag ? FolderEntryId(tag) : std::nullopt;
    if (!id)
        Raise("OpenFolderByType", MAPI_E_NOT_FOUND);
    ULONG objectType = 0;
    IUnknown *object = nullptr;
    const ULONG flags = access == 1 ? MAPI_MODIFY : (access == 2 ? MAPI_BEST_ACCESS : 0);
    const HRESULT hr
        = Store("OpenFolderByType")
              ->OpenEntry(ULONG(id->size()), reinterpret_cast<const uint8_t *>(id->constData()),
                  &IID_IMAPIFolder, flags, &objectType, &object);
    if (hr != S_OK)
        Raise("OpenFolderByType", hr);
    if (objectType != MAPI_FOLDER) {
        object->Release();
        Raise("OpenFolderByType", MAPI_E_INVALID_ENTRYID);
    }
    auto folder = std::make_shared<TRwMapiFolder>(
        m_session, static_cast<IMAPIFolder *>(object), shared_from_this());
    m_session->Track(folder);
    return folder;
}

TRwMapiFolder::TRwMapiFolder(
    TRwMapiSessionImpl *session, IMAPIFolder *adopted, IRwMapiMsgStore store)
    : TRwMapiObject(session, adopted)
    , m_session(session)
    , m_store(std::move(store))
{ }
