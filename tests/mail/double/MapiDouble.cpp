// A scripted stand-in for the mail library, for the session's loading and logon rules.
// MAPIInitialize and MAPILogonEx answer the codes in VELLORAN_MAPI_DOUBLE_INIT and
// VELLORAN_MAPI_DOUBLE_LOGON (hex); every call is counted and its flags and texts kept,
// readable through the Double* functions.

#include "platform/mapi/MapiMemory.h"
#include "platform/mapi/MapiObject.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#define DOUBLE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

QMap<QByteArray, int> g_counts;
QMap<QByteArray, ULONG> g_flags;
QMap<QByteArray, QByteArray> g_texts;

HRESULT scripted(const char *variable)
{
    bool ok = false;
    const uint value = qEnvironmentVariable(variable).toUInt(&ok, 16);
    return ok ? HRESULT(value) : S_OK;
}

void record(const char *call, ULONG flags = 0, const char *text = nullptr)
{
    ++g_counts[call];
    g_flags[call] = flags;
    if (text)
        g_texts[call] = text;
}

class DoubleSession final : public RefCounted<IMAPISession>
{
public:
    HRESULT GetMsgStoresTable(ULONG, IMAPITable **) override { return MAPI_E_NO_SUPPORT; }
    HRESULT OpenMsgStore(
        ULONG_PTR, ULONG, const uint8_t *, const IID *, ULONG, IMsgStore **) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT OpenAddressBook(ULONG_PTR, const IID *, ULONG, IAddrBook **) override
    {
        return MAPI_E_NO_SUPPORT;
    }
    HRESULT Logoff(ULONG_PTR, ULONG flags, ULONG) override
    {
        record("Logoff", flags);
        return S_OK;
    }
};

class DoubleAdmin final : public RefCounted<IProfAdmin>
{
public:
    HRESULT GetProfileTable(ULONG, IMAPITable **table) override
    {
        std::vector<PropertyBag> rows;
        for (const char *name : { "Alpha", "Beta", "Gamma" }) {
            PropertyBag row;
            row.setText(PR_DISPLAY_NAME, QString::fromLatin1(name));
            row.setBool(PR_DEFAULT_PROFILE, qstrcmp(name, "Beta") == 0);
            rows.push_back(row);
        }
        *table = new RowTable(std::move(rows), { PR_DISPLAY_NAME });
        return S_OK;
    }
};

} // namespace

DOUBLE_EXPORT HRESULT MAPIInitialize(void *init)
{
    record("MAPIInitialize", init ? static_cast<MAPIINIT_0 *>(init)->ulFlags : 0xFFFFFFFFu);
    return scripted("VELLORAN_MAPI_DOUBLE_INIT");
}

DOUBLE_EXPORT void MAPIUninitialize()
{
    record("MAPIUninitialize");
}

#ifndef MAPI_DOUBLE_NO_LOGON
DOUBLE_EXPORT HRESULT MAPILogonEx(
    ULONG_PTR, const char *profile, const char *password, ULONG flags, IMAPISession **session)
{
    record("MAPILogonEx", flags, profile);
    g_texts["Password"] = password;
    const HRESULT hr = scripted("VELLORAN_MAPI_DOUBLE_LOGON");
    *session = hr == S_OK ? new DoubleSession : nullptr;
    return hr;
}
#endif

DOUBLE_EXPORT ULONG MAPILogon(
    ULONG_PTR, const char *profile, const char *, ULONG flags, ULONG, LHANDLE *session)
{
    record("MAPILogon", flags, profile);
    *session = 42;
    return SUCCESS_SUCCESS;
}

DOUBLE_EXPORT ULONG MAPILogoff(LHANDLE, ULONG_PTR, ULONG, ULONG)
{
    record("MAPILogoff");
    return SUCCESS_SUCCESS;
}

DOUBLE_EXPORT HRESULT MAPIAdminProfiles(ULONG, IProfAdmin **admin)
{
    record("MAPIAdminProfiles");
    *admin = new DoubleAdmin;
    return S_OK;
}

DOUBLE_EXPORT ULONG MAPIFreeBuffer(void *buffer)
{
    return mapimem::freeBuffer(buffer);
}

DOUBLE_EXPORT int DoubleCount(const char *call)
{
    return g_counts.value(call);
}

DOUBLE_EXPORT ULONG DoubleFlags(const char *call)
{
    return g_flags.value(call);
}

DOUBLE_EXPORT const char *DoubleText(const char *call)
{
    return g_texts[call].constData();
}

DOUBLE_EXPORT void DoubleReset()
{
    g_counts.clear();
    g_flags.clear();
    g_texts.clear();
}
