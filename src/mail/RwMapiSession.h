#pragma once

#include "mail/RwMapiLibrary.h"
#include "mail/RwMapiLogonInfo.h"
#include "mail/RwMapiObjects.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TRwMapiSessionV3;
class TRwMapiProfileAdmin;

using TRwNotifyEvent = std::function<void(TRwMapiSessionV3 &sender)>;

// The session object a component owns (IRwMapiSession): the platform session or Simple
// MAPI handle, and the objects reached from it. It is in the process-wide list for as
// long as it lives.
class TRwMapiSessionImpl
{
public:
    explicit TRwMapiSessionImpl(TRwMapiSessionV3 &owner);
    ~TRwMapiSessionImpl();
    TRwMapiSessionImpl(const TRwMapiSessionImpl &) = delete;
    TRwMapiSessionImpl &operator=(const TRwMapiSessionImpl &) = delete;

    bool LoggedOn() const { return m_loggedOn; }
    TRwMapiMode Mode() const { return m_mode; }
    IMAPISession *Session() const { return m_session; }
    LHANDLE SimpleHandle() const { return m_simple; }
    TRwMapiSessionV3 &Owner() const { return m_owner; }

    void Logon();
    void DoLogOff();
    // The objects reached from the session let go of their interfaces at logoff.
    void Track(const std::shared_ptr<TRwMapiObject> &object);

private:
    void logoffPlatform();

    TRwMapiSessionV3 &m_owner;
    bool m_loggedOn = false;
    TRwMapiMode m_mode = TRwMapiMode::NotLoaded;
    IMAPISession *m_session = nullptr;
    LHANDLE m_simple = 0;
    std::vector<std::weak_ptr<TRwMapiObject>> m_objects;
};

// The mail session component.
class TRwMapiSessionV3
{
public:
    TRwMapiSessionV3();
    ~TRwMapiSessionV3();
    TRwMapiSessionV3(const TRwMapiSessionV3 &) = delete;
    TRwMapiSessionV3 &operator=(const TRwMapiSessionV3 &) = delete;

    TRwMapiLogonInfo LogonInfo;
    TRwMapiLogoffInfo LogoffInfo;
    bool UseOnlineStore = false;
    TRwNotifyEvent BeforeLogon;
    TRwNotifyEvent AfterLogon;
    TRwNotifyEvent BeforeLogoff;
    TRwNotifyEvent AfterLogoff;

    bool Active() const;
    // On logs on unless logged on; off logs off (with the logoff events) unless logged off.
    void setActive(bool on);
    void Logon();
    void DoLogOff();
    // Logs off every session of the process, uninitialises and unloads MAPI.
    void UnloadMapi();

    std::shared_ptr<TRwMapiProfileAdmin> GetProfileAdmin();
    QString ProfileNames(const QString &separator, bool defaultOnly = false);
    QString DefaultProfileName();

    // Message operations on a logged-on session, in the order a send uses them.
    IRwMapiAddressbook GetAddressBook(bool noDialog);
    HRESULT ResolveNames(
        const IRwMapiRecipientTable &list, bool noDialog, bool raiseErrors, const QString &title);
    IRwMapiMsgStore GetDefaultMsgStore(int access);

    TRwMapiSessionImpl &Impl() const { return *m_impl; }
    // The UI window handed to MAPI: 0 for an NT service, else the active form's handle.
    ULONG_PTR UIWindow() const;
    // Supplies the active form's handle; unset answers 0.
    static std::function<ULONG_PTR()> ActiveFormHandle;

private:
    std::shared_ptr<TRwMapiSessionImpl> m_impl;
};
