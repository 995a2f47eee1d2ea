// The library's entry points, exported under their MAPI names.

#include "platform/mapi/AccountStore.h"
#include "platform/mapi/MailObjects.h"
#include "platform/mapi/MapiMemory.h"
#include "platform/oauth/AccessTokens.h"

#include <mutex>

#define MAPI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::mutex g_lock;
int g_initialised = 0;
MapiSession *g_shared = nullptr; // the session opened with MAPI_ALLOW_OTHERS
// Why the last logon on this thread failed, when its code alone would not say.
thread_local QByteArray t_logonError;

constexpr ULONG kLogonFlags = MAPI_LOGON_UI | MAPI_NEW_SESSION | MAPI_ALLOW_OTHERS
    | MAPI_EXPLICIT_PROFILE | MAPI_EXTENDED | MAPI_USE_DEFAULT | MAPI_FORCE_DOWNLOAD
    | MAPI_SERVICE_UI_ALWAYS | MAPI_NO_MAIL | MAPI_NT_SERVICE | MAPI_PASSWORD_UI
    | MAPI_TIMEOUT_SHORT | MAPI_UNICODE;

QString textArg(const char *text, bool wide)
{
    if (!text)
        return {};
    return wide ? QString::fromUtf16(reinterpret_cast<const char16_t *>(text))
                : QString::fromUtf8(text);
}

class ProfAdmin final : public RefCounted<IProfAdmin>
{
public:
    HRESULT GetProfileTable(ULONG, IMAPITable **table) override
    {
        if (!table)
            return E_INVALIDARG;
        QString error;
        const ProfileList list = ProfileList::load(&error);
        if (!error.isEmpty()) {
            qWarning("mail profiles: %s", qUtf8Printable(error));
            return MAPI_E_CORRUPT_DATA;
        }
        const Profile *fallback = list.defaultProfile();
        std::vector<PropertyBag> rows;
        for (const Profile &p : list.profiles()) {
            PropertyBag row;
            row.setText(PR_DISPLAY_NAME, p.name);
            row.setBool(PR_DEFAULT_PROFILE, &p == fallback);
            rows.push_back(row);
        }
        *table = new RowTable(std::move(rows), { PR_DISPLAY_NAME, PR_DEFAULT_PROFILE });
        return S_OK;
    }

protected:
    void *castTo(REFIID iid) override
    {
        if (iid == IID_IProfAdmin)
            return static_cast<IProfAdmin *>(this);
        return RefCounted<IProfAdmin>::castTo(iid);
    }
};

} // namespace

void ForgetSharedSession(MapiSession *session)
{
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_shared == session)
        g_shared = nullptr;
}

HRESULT FindLogonProfile(
    const QString &name, const QString &password, bool useDefault, Profile &profile)
{
    t_logonError.clear();
    QString error;
    const ProfileList list = ProfileList::load(&error);
    if (!error.isEmpty()) {
        qWarning("mail profiles: %s", qUtf8Printable(error));
        t_logonError = QStringLiteral("The mail profiles file %1 is damaged: %2")
                           .arg(ProfileList::file(), error)
                           .toUtf8();
        return MAPI_E_CORRUPT_DATA;
    }
    const Profile *found
        = (useDefault || name.trimmed().isEmpty()) ? list.defaultProfile() : list.find(name);
    if (!found)
        return MAPI_E_LOGON_FAILED;
    if (!found->password.isEmpty() && found->password != password)
        return MAPI_E_LOGON_FAILED;
    Profile chosen = *found;
    // Passwords kept in the keyring are read now, so the sends have plain settings.
    const AccountResult secrets = AccountStore::logonSecrets(chosen);
    if (!secrets.ok()) {
        qWarning("mail logon: %s", qUtf8Printable(secrets.text));
        t_logonError = secrets.text.toUtf8();
        return MAPI_E_LOGON_FAILED;
    }
    profile = chosen;
    return S_OK;
}

std::shared_ptr<SessionCore> MakeSessionCore(const Profile &profile)
{
    auto core = std::make_shared<SessionCore>();
    core->profile = profile;
    std::shared_ptr<AccessTokens> tokens;
    if (profile.transport.auth == TransportSettings::Auth::OAuth2)
        tokens = AccessTokens::forProfile(profile);
    core->transport = Transport::create(profile.transport, profile.password, tokens);
    return core;
}

MAPI_EXPORT HRESULT MAPIInitialize(void *init)
{
    if (init) {
        const auto *record = static_cast<const MAPIINIT_0 *>(init);
        if (record->ulVersion != MAPI_INIT_VERSION)
            return MAPI_E_VERSION;
        if (record->ulFlags & ~(MAPI_MULTITHREAD_NOTIFICATIONS | MAPI_NT_SERVICE))
            return MAPI_E_UNKNOWN_FLAGS;
    }
    std::lock_guard<std::mutex> lock(g_lock);
    ++g_initialised;
    return S_OK;
}

MAPI_EXPORT void MAPIUninitialize()
{
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_initialised > 0)
        --g_initialised;
}

MAPI_EXPORT HRESULT MAPILogonEx(
    ULONG_PTR, const char *profileName, const char *password, ULONG flags, IMAPISession **session)
{
    if (!session)
        return E_INVALIDARG;
    *session = nullptr;
    if (flags & ~kLogonFlags)
        return MAPI_E_UNKNOWN_FLAGS;
    const bool wide = (flags & MAPI_UNICODE) != 0;
    const QString name = textArg(profileName, wide);
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_initialised == 0)
        return MAPI_E_NOT_INITIALIZED;
    Profile profile;
    const HRESULT found
        = FindLogonProfile(name, textArg(password, wide), (flags & MAPI_USE_DEFAULT) != 0, profile);
    if (found != S_OK)
        return found;
    // Without MAPI_NEW_SESSION a logon joins the shared session of the same profile.
    if (!(flags & MAPI_NEW_SESSION) && g_shared && g_shared->core()->loggedOn
        && g_shared->core()->profile.name == profile.name) {
        g_shared->AddRef();
        *session = g_shared;
        return S_OK;
    }
    auto *created = new MapiSession(MakeSessionCore(profile));
    if (flags & MAPI_ALLOW_OTHERS)
        g_shared = created;
    *session = created;
    return S_OK;
}

MAPI_EXPORT HRESULT MAPIAdminProfiles(ULONG, IProfAdmin **admin)
{
    if (!admin)
        return E_INVALIDARG;
    *admin = nullptr;
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_initialised == 0)
        return MAPI_E_NOT_INITIALIZED;
    *admin = new ProfAdmin;
    return S_OK;
}

// Not a MAPI entry point: why the calling thread's last MAPILogonEx or MAPILogon failed,
// in the user's words (UTF-8), e.g. a password the keyring could not give; empty when its
// code says all. Valid until the thread's next logon.
MAPI_EXPORT const char *MailLogonErrorText()
{
    return t_logonError.constData();
}

MAPI_EXPORT SCODE MAPIAllocateBuffer(ULONG size, void **buffer)
{
    return mapimem::allocateBuffer(size, buffer);
}

MAPI_EXPORT SCODE MAPIAllocateMore(ULONG size, void *root, void **buffer)
{
    return mapimem::allocateMore(size, root, buffer);
}

MAPI_EXPORT ULONG MAPIFreeBuffer(void *buffer)
{
    return mapimem::freeBuffer(buffer);
}
