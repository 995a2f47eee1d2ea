#include "mail/RwMapiSession.h"

#include "mail/RwMapiErrors.h"
#include "mail/RwMapiInfo.h"
#include "mail/RwMapiProfileAdmin.h"

#include <algorithm>

namespace {

const QString kImpl = QStringLiteral("TRwMapiSessionImpl");

TRwMapiMode selectedMode(const TRwMapiLogonInfo &info)
{
    return info.UseExtendedMapi && TRwMapiInfo::Read().ExtendedMapiAvailable ? TRwMapiMode::Extended
                                                                             : TRwMapiMode::Simple;
}

void ensureLoaded(const TRwMapiLogonInfo &info)
{
    if (RwMapiState::instance().mode == TRwMapiMode::NotLoaded)
        RwLoadMAPI(selectedMode(info), info);
}

} // namespace

std::function<ULONG_PTR()> TRwMapiSessionV3::ActiveFormHandle;

TRwMapiSessionImpl::TRwMapiSessionImpl(TRwMapiSessionV3 &owner)
    : m_owner(owner)
{
    RwMapiState &state = RwMapiState::instance();
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    state.sessions.push_back(this);
}

TRwMapiSessionImpl::~TRwMapiSessionImpl()
{
    try {
        DoLogOff();
    } catch (const Exception &) {
        // A session going away stays logged off whatever MAPI answered.
    }
    RwMapiState &state = RwMapiState::instance();
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    std::erase(state.sessions, this);
}

void TRwMapiSessionImpl::Track(const std::shared_ptr<TRwMapiObject> &object)
{
    std::erase_if(m_objects, [](const std::weak_ptr<TRwMapiObject> &w) { return w.expired(); });
    m_objects.push_back(object);
}

void TRwMapiSessionImpl::Logon()
{
    TRwMapiLogonInfo &info = m_owner.LogonInfo;
    ensureLoaded(info);
    info.ProfileName = info.ProfileName.trimmed();
    info.Password = info.Password.trimmed();
    const ULONG flags = info.LogonFlags();
    const QByteArray profile = info.ProfileName.toUtf8();
    const QByteArray password = info.Password.toUtf8();
    const ULONG_PTR window = m_owner.UIWindow();
    if (selectedMode(info) == TRwMapiMode::Extended) {
        RwRequireExtended();
        auto logon = RwMapiFunction<MAPILOGONEX>("MAPILogonEx");
        IMAPISession *session = nullptr;
        const HRESULT hr
            = logon(window, profile.constData(), password.constData(), flags, &session);
        if (hr != S_OK || !session) {
            // The library may say why in words, e.g. a password the keyring could not give.
            using ReasonText = const char *(*)();
            const auto reason
                = reinterpret_cast<ReasonText>(RwMapiOptionalEntry("MailLogonErrorText"));
            if (hr != S_OK && hr != MAPI_E_USER_CANCEL && reason && *reason())
                throw ERwMapiException(MapiErrorMessage(kImpl, QStringLiteral("Logon"), hr)
                        + QStringLiteral("\r\n") + QString::fromUtf8(reason()),
                    hr);
            RaiseMapiError(kImpl, QStringLiteral("Logon"), hr != S_OK ? hr : E_FAIL);
        }
        m_session = session;
        m_mode = TRwMapiMode::Extended;
    } else {
        RwRequireSimple();
        auto logon = RwMapiFunction<LPMAPILOGON>("MAPILogon");
        LHANDLE handle = 0;
        const ULONG code
            = logon(window, profile.constData(), password.constData(), flags, 0, &handle);
        if (code == MAPI_USER_ABORT)
            throw EMAPI_USER_CANCEL(SimpleMapiErrorText(code));
        if (code != SUCCESS_SUCCESS)
            throw ERwSimpleMapiException(code);
        m_simple = handle;
        m_mode = TRwMapiMode::Simple;
    }
    m_loggedOn = true;
}

void TRwMapiSessionImpl::logoffPlatform()
{
    if (!m_loggedOn)
        return;
    for (const auto &weak : m_objects)
        if (auto object = weak.lock())
            object->ReleaseInterface();
    m_objects.clear();
    m_loggedOn = false;
    const ULONG_PTR window = m_owner.UIWindow();
    if (m_mode == TRwMapiMode::Extended && m_session) {
        IMAPISession *session = std::exchange(m_session, nullptr);
        const HRESULT hr = session->Logoff(window, m_owner.LogoffInfo.LogoffFlags(), 0);
        session->Release();
        if (hr != S_OK)
            RaiseMapiError(kImpl, QStringLiteral("DoLogOff"), hr);
    } else if (m_mode == TRwMapiMode::Simple && m_simple) {
        const LHANDLE handle = std::exchange(m_simple, 0);
        const ULONG code = RwMapiFunction<LPMAPILOGOFF>("MAPILogoff")(handle, window, 0, 0);
        if (code != SUCCESS_SUCCESS)
            throw ERwSimpleMapiException(code);
    }
}

void TRwMapiSessionImpl::DoLogOff()
{
    RwMapiState &state = RwMapiState::instance();
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    if (!m_loggedOn)
        return;
    if (state.mode == TRwMapiMode::NotLoaded) {
        // The library is gone: the interfaces cannot be called any more.
        m_loggedOn = false;
        m_session = nullptr;
        m_simple = 0;
        m_objects.clear();
        throw ERwMapiException(kImpl
                + QStringLiteral(".DoLogOff failed, because MAPI is no longer initialized!!\r\n"
                                 "Make sure you log off, before you uninitialize MAPI!"),
            MAPI_E_NOT_INITIALIZED);
    }
    const std::vector<TRwMapiSessionImpl *> others = state.sessions;
    for (TRwMapiSessionImpl *other : others) {
        if (other == this || !other->m_loggedOn)
            continue;
        const bool sameSession = (m_session && other->m_session == m_session)
            || (m_simple && other->m_simple == m_simple);
        if (sameSession || other->m_owner.LogonInfo.Shared)
            other->logoffPlatform();
    }
    logoffPlatform();
}

TRwMapiSessionV3::TRwMapiSessionV3()
    : m_impl(std::make_shared<TRwMapiSessionImpl>(*this))
{ }

TRwMapiSessionV3::~TRwMapiSessionV3() = default;

ULONG_PTR TRwMapiSessionV3::UIWindow() const
{
    if (LogonInfo.NtService() || !ActiveFormHandle)
        return 0;
    return ActiveFormHandle();
}

bool TRwMapiSessionV3::Active() const
{
    return m_impl->LoggedOn();
}

void TRwMapiSessionV3::setActive(bool on)
{
    if (on) {
        Logon();
        return;
    }
    if (!Active())
        return;
    if (BeforeLogoff)
        BeforeLogoff(*this);
    DoLogOff();
    if (AfterLogoff)
        AfterLogoff(*this);
}

void TRwMapiSessionV3::Logon()
{
    if (Active())
        return;
    if (BeforeLogon)
        BeforeLogon(*this);
    m_impl->Logon();
    if (AfterLogon)
        AfterLogon(*this);
}

void TRwMapiSessionV3::DoLogOff()
{
    m_impl->DoLogOff();
}

void TRwMapiSessionV3::UnloadMapi()
{
    RwMapiState &state = RwMapiState::instance();
    std::lock_guard<std::recursive_mutex> guard(state.lock);
    const std::vector<TRwMapiSessionImpl *> sessions = state.sessions;
    for (TRwMapiSessionImpl *session : sessions) {
        try {
            session->DoLogOff();
        } catch (const Exception &) {
            // Unloading goes on: the session is logged off either way.
        }
    }
    RwUnloadMAPI();
}

std::shared_ptr<TRwMapiProfileAdmin> TRwMapiSessionV3::GetProfileAdmin()
{
    if (LogonInfo.UseExtendedMapi)
        ensureLoaded(LogonInfo);
    return std::make_shared<TRwMapiProfileAdmin>(LogonInfo.UseExtendedMapi);
}

QString TRwMapiSessionV3::ProfileNames(const QString &separator, bool defaultOnly)
{
    return JoinProfileNames(GetProfileAdmin()->RetrieveMapiProfiles(defaultOnly), separator);
}

QString TRwMapiSessionV3::DefaultProfileName()
{
    const QStringList names = GetProfileAdmin()->RetrieveMapiProfiles(true);
    return names.size() == 1 ? names.front() : QString();
}
