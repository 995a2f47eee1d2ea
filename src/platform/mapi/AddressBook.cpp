#include "platform/mapi/MailObjects.h"

#include "platform/mapi/MapiMemory.h"

AddressBook::AddressBook(std::shared_ptr<SessionCore> core)
    : m_core(std::move(core))
{
    m_props.setText(PR_DISPLAY_NAME, QStringLiteral("Address Book"));
}

void *AddressBook::castTo(REFIID iid)
{
    if (iid == IID_IAddrBook)
        return static_cast<IAddrBook *>(this);
    return PropObject<IAddrBook>::castTo(iid);
}

HRESULT ResolveRecipient(
    const Profile &profile, const QString &type, QString &name, QString &address)
{
    const bool smtp
        = type.isEmpty() || type.compare(QLatin1String("SMTP"), Qt::CaseInsensitive) == 0;
    if (smtp && address.contains(QLatin1Char('@'))) {
        if (name.trimmed().isEmpty())
            name = address;
        return S_OK;
    }
    // A name (or an address of another type) is looked up among the contacts.
    const QString key = (address.isEmpty() ? name : address).trimmed();
    if (key.isEmpty())
        return MAPI_E_NOT_FOUND;
    const Contact *found = nullptr;
    int matches = 0;
    for (const Contact &c : profile.contacts) {
        if (c.name.trimmed().compare(key, Qt::CaseInsensitive) == 0
            || c.address.compare(key, Qt::CaseInsensitive) == 0) {
            found = &c;
            ++matches;
        }
    }
    if (matches == 0)
        return MAPI_E_NOT_FOUND;
    if (matches > 1)
        return MAPI_E_AMBIGUOUS_RECIP;
    name = found->name;
    address = found->address;
    return S_OK;
}

namespace {

const SPropValue *findProp(const ADRENTRY &entry, ULONG tag)
{
    for (ULONG i = 0; i < entry.cValues; ++i) {
        const ULONG t = entry.rgPropVals[i].ulPropTag;
        if (PropId(t) != PropId(tag))
            continue;
        const ULONG type = PropType(t);
        if (type == PropType(tag)
            || ((type == PT_STRING8 || type == PT_UNICODE)
                && (PropType(tag) == PT_STRING8 || PropType(tag) == PT_UNICODE)))
            return &entry.rgPropVals[i];
    }
    return nullptr;
}

} // namespace

// Unresolved entries are left as they are; resolved ones get a fresh property block
// (the old one is freed) with type, name, address type, address and entry id.
HRESULT AddressBook::ResolveName(ULONG_PTR, ULONG flags, const char *, ADRLIST *list)
{
    if (!list || (list->cEntries && !list->aEntries))
        return E_INVALIDARG;
    if (!m_core->loggedOn)
        return MAPI_E_INVALID_OBJECT;
    const bool wide = (flags & MAPI_UNICODE) != 0;
    bool ambiguous = false;
    bool missing = false;
    for (ULONG e = 0; e < list->cEntries; ++e) {
        ADRENTRY &entry = list->aEntries[e];
        if (findProp(entry, PR_ENTRYID))
            continue;
        const SPropValue *type = findProp(entry, PR_ADDRTYPE);
        const SPropValue *name = findProp(entry, PR_DISPLAY_NAME);
        const SPropValue *mail = findProp(entry, PR_EMAIL_ADDRESS);
        const SPropValue *kind = findProp(entry, PR_RECIPIENT_TYPE);
        QString addrType = type ? TextOf(*type) : QString();
        QString displayName = name ? TextOf(*name) : QString();
        QString address = mail ? TextOf(*mail) : QString();
        const HRESULT hr = ResolveRecipient(m_core->profile, addrType, displayName, address);
        if (hr == MAPI_E_AMBIGUOUS_RECIP)
            ambiguous = true;
        if (hr != S_OK) {
            missing = true;
            continue;
        }
        PropertyBag resolved;
        resolved.setLong(PR_RECIPIENT_TYPE, kind ? kind->Value.l : int32_t(MAPI_TO));
        resolved.setText(PR_DISPLAY_NAME, displayName);
        resolved.setText(PR_ADDRTYPE, QStringLiteral("SMTP"));
        resolved.setText(PR_EMAIL_ADDRESS, address);
        resolved.setBytes(PR_ENTRYID, OneOffEntryId(QStringLiteral("SMTP"), address, displayName));
        const ULONG stringType = wide ? PT_UNICODE : PT_STRING8;
        const ULONG tags[] = { PR_RECIPIENT_TYPE, ChangePropType(PR_DISPLAY_NAME, stringType),
            ChangePropType(PR_ADDRTYPE, stringType), ChangePropType(PR_EMAIL_ADDRESS, stringType),
            PR_ENTRYID };
        const SPropTagArray columns { ULONG(std::size(tags)), tags };
        ULONG count = 0;
        SPropValue *props = nullptr;
        if (resolved.get(&columns, 0, &count, &props) != S_OK)
            return MAPI_E_NOT_ENOUGH_MEMORY;
        mapimem::freeBuffer(entry.rgPropVals);
        entry.rgPropVals = props;
        entry.cValues = count;
    }
    if (ambiguous)
        return MAPI_E_AMBIGUOUS_RECIP;
    return missing ? MAPI_E_NOT_FOUND : S_OK;
}
