#include "mail/RwMapiLogonInfo.h"

void TRwMapiLogonInfo::setShowLogonDialog(bool on)
{
    m_showLogonDialog = on;
    if (on)
        m_showPasswordDialog = false;
}

void TRwMapiLogonInfo::setShowPasswordDialog(bool on)
{
    m_showPasswordDialog = on;
    if (on)
        m_showLogonDialog = false;
}

void TRwMapiLogonInfo::setNtService(bool on)
{
    m_ntService = on;
    if (on) {
        Shared = false;
        m_showLogonDialog = false;
        m_showPasswordDialog = false;
        ShowServiceDialog = false;
        NoMail = true;
    }
}

ULONG TRwMapiLogonInfo::LogonFlags() const
{
    const bool extended = UseExtendedMapi;
    const bool dialogs = !m_ntService;
    ULONG flags = 0;
    if (extended)
        flags |= MAPI_EXTENDED;
    if (extended && Shared && dialogs)
        flags |= MAPI_ALLOW_OTHERS;
    if (extended)
        flags |= ProfileRequired ? MAPI_EXPLICIT_PROFILE : MAPI_USE_DEFAULT;
    if (ForceDownload)
        flags |= MAPI_FORCE_DOWNLOAD;
    if (m_showLogonDialog && dialogs)
        flags |= MAPI_LOGON_UI;
    if (NewSession)
        flags |= MAPI_NEW_SESSION;
    if (extended && NoMail)
        flags |= MAPI_NO_MAIL;
    if (extended && m_ntService)
        flags |= MAPI_NT_SERVICE;
    if (extended && m_showPasswordDialog && dialogs)
        flags |= MAPI_PASSWORD_UI;
    if (extended && ShowServiceDialog && dialogs)
        flags |= MAPI_SERVICE_UI_ALWAYS;
    if (extended && ShortTimeOut)
        flags |= MAPI_TIMEOUT_SHORT;
    return flags;
}

ULONG TRwMapiLogonInfo::InitializeFlags() const
{
    ULONG flags = 0;
    if (MultiThreadedNotifications)
        flags |= MAPI_MULTITHREAD_NOTIFICATIONS;
    if (m_ntService)
        flags |= MAPI_NT_SERVICE;
    return flags;
}

ULONG TRwMapiLogoffInfo::LogoffFlags() const
{
    return (Shared ? MAPI_LOGOFF_SHARED : 0) | (ShowLogoffDialog ? MAPI_LOGOFF_UI : 0);
}
