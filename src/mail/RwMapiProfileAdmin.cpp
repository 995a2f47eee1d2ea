#include "mail/RwMapiProfileAdmin.h"

#include "mail/RwMapiErrors.h"
#include "mail/RwMapiLibrary.h"
#include "platform/registry/Registry.h"

namespace {

const QString kClass = QStringLiteral("TRwMapiProfileAdmin");
const QString kOperation = QStringLiteral("RetrieveMapiProfiles");

QString textOf(const SPropValue &value)
{
    if (PropType(value.ulPropTag) == PT_UNICODE)
        return QString::fromUtf16(value.Value.lpszW);
    if (PropType(value.ulPropTag) == PT_STRING8)
        return QString::fromUtf8(value.Value.lpszA);
    return {};
}

} // namespace

TRwMapiProfileAdmin::TRwMapiProfileAdmin(bool extended)
    : m_extended(extended)
{ }

QString JoinProfileNames(const QStringList &names, const QString &separator)
{
    if (separator == QLatin1String("\r\n")) {
        QString text;
        for (const QString &name : names)
            text += name + separator;
        return text;
    }
    return names.join(separator);
}

QStringList TRwMapiProfileAdmin::RetrieveMapiProfiles(bool defaultOnly) const
{
    QStringList names;
    if (!m_extended) {
        const auto key = RegistryKey::open(RegistryRoot::CurrentUser,
            QStringLiteral("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging "
                           "Subsystem\\Profiles"));
        const auto name = key ? key->readString(QStringLiteral("DefaultProfile")) : std::nullopt;
        if (name)
            names << *name;
        return names;
    }
    RwRequireExtended();
    auto adminProfiles = RwMapiFunction<MAPIADMINPROFILES>("MAPIAdminProfiles");
    auto freeBuffer = RwMapiFunction<MAPIFREEBUFFER>("MAPIFreeBuffer");
    IProfAdmin *admin = nullptr;
    HRESULT hr = adminProfiles(0, &admin);
    if (hr != S_OK)
        RaiseMapiError(kClass, kOperation, hr);
    IMAPITable *table = nullptr;
    hr = admin->GetProfileTable(0, &table);
    admin->Release();
    if (hr != S_OK)
        RaiseMapiError(kClass, kOperation, hr);
    const ULONG tags[] = { PR_DEFAULT_PROFILE, PR_DISPLAY_NAME };
    const SPropTagArray columns { 2, tags };
    SRowSet *rows = nullptr;
    hr = table->SetColumns(&columns, 0);
    if (hr == S_OK)
        hr = table->QueryRows(0x7FFFFFFF, 0, &rows);
    table->Release();
    if (hr != S_OK)
        RaiseMapiError(kClass, kOperation, hr);
    for (ULONG r = 0; r < rows->cRows; ++r) {
        const SRow &row = rows->aRow[r];
        if (row.cValues < 2)
            continue;
        const bool isDefault
            = PropType(row.lpProps[0].ulPropTag) == PT_BOOLEAN && row.lpProps[0].Value.b != 0;
        if (!defaultOnly || isDefault)
            names << textOf(row.lpProps[1]);
    }
    freeBuffer(rows);
    return names;
}
