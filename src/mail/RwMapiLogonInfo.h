#pragma once

#include "platform/mapi/MapiDefs.h"

#include <QString>

// Logon parameters of a mail session, with their stored values. Some switches exclude
// others: see the setters.
class TRwMapiLogonInfo
{
public:
    bool UseExtendedMapi = true;
    bool Shared = false;
    bool ProfileRequired = false;
    bool ForceDownload = false;
    bool NewSession = true;
    bool NoMail = false;
    bool ShowServiceDialog = false;
    bool ShortTimeOut = true;
    bool UseUniCode = false;
    QString ProfileName = QStringLiteral("Default");
    QString Password;
    bool MultiThreadedNotifications = false;

    bool ShowLogonDialog() const { return m_showLogonDialog; }
    bool ShowPasswordDialog() const { return m_showPasswordDialog; }
    bool NtService() const { return m_ntService; }
    // On turns ShowPasswordDialog off.
    void setShowLogonDialog(bool on);
    // On turns ShowLogonDialog off.
    void setShowPasswordDialog(bool on);
    // On turns Shared and every dialog off and NoMail on.
    void setNtService(bool on);

    // The MAPI logon flags these values ask for.
    ULONG LogonFlags() const;
    // The flags of MAPIInitialize; 0 means no initialisation record is passed.
    ULONG InitializeFlags() const;

private:
    bool m_showLogonDialog = true;
    bool m_showPasswordDialog = false;
    bool m_ntService = false;
};

class TRwMapiLogoffInfo
{
public:
    bool Shared = false;
    bool ShowLogoffDialog = false;

    ULONG LogoffFlags() const;
};
