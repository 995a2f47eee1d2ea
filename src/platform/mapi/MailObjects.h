#pragma once

#include "platform/mapi/MailStore.h"
#include "platform/mapi/MapiObject.h"

#include <memory>
#include <vector>

// The objects a logon hands out. Each keeps the session's shared core alive.

class MapiSession final : public RefCounted<IMAPISession>
{
public:
    explicit MapiSession(std::shared_ptr<SessionCore> core);

    HRESULT GetMsgStoresTable(ULONG flags, IMAPITable **table) override;
    HRESULT OpenMsgStore(ULONG_PTR uiParam, ULONG entryIdSize, const uint8_t *entryId,
        const IID *iid, ULONG flags, IMsgStore **store) override;
    HRESULT OpenAddressBook(
        ULONG_PTR uiParam, const IID *iid, ULONG flags, IAddrBook **addressBook) override;
    HRESULT Logoff(ULONG_PTR uiParam, ULONG flags, ULONG reserved) override;

    const std::shared_ptr<SessionCore> &core() const { return m_core; }

protected:
    ~MapiSession() override;
    void *castTo(REFIID iid) override;

private:
    std::shared_ptr<SessionCore> m_core;
};

class AddressBook final : public PropObject<IAddrBook>
{
public:
    explicit AddressBook(std::shared_ptr<SessionCore> core);
    HRESULT ResolveName(ULONG_PTR uiParam, ULONG flags, const char *title, ADRLIST *list) override;

protected:
    void *castTo(REFIID iid) override;

private:
    std::shared_ptr<SessionCore> m_core;
};

// Resolves one recipient against the profile: an SMTP address stands for itself, a bare
// name must match exactly one contact. Answers S_OK, MAPI_E_NOT_FOUND or
// MAPI_E_AMBIGUOUS_RECIP; on success name and address hold the resolved entry.
HRESULT ResolveRecipient(
    const Profile &profile, const QString &type, QString &name, QString &address);

class MsgStore final : public PropObject<IMsgStore>
{
public:
    MsgStore(std::shared_ptr<SessionCore> core, bool writable);
    HRESULT OpenEntry(ULONG entryIdSize, const uint8_t *entryId, const IID *iid, ULONG flags,
        ULONG *objectType, IUnknown **object) override;

protected:
    void *castTo(REFIID iid) override;
    bool writable(ULONG) const override { return false; }

private:
    std::shared_ptr<SessionCore> m_core;
    bool m_writable;
};

class Folder final : public PropObject<IMAPIFolder>
{
public:
    Folder(std::shared_ptr<SessionCore> core, QString name, bool writable);
    HRESULT CreateMessage(const IID *iid, ULONG flags, IMessage **message) override;

protected:
    void *castTo(REFIID iid) override;

private:
    std::shared_ptr<SessionCore> m_core;
    QString m_name;
    bool m_writable;
};

class Attachment final : public PropObject<IAttach>
{
protected:
    void *castTo(REFIID iid) override;
};

class Message final : public PropObject<IMessage>
{
public:
    explicit Message(std::shared_ptr<SessionCore> core);

    HRESULT CreateAttach(
        const IID *iid, ULONG flags, ULONG *attachmentNumber, IAttach **attachment) override;
    HRESULT ModifyRecipients(ULONG flags, const ADRLIST *list) override;
    HRESULT SubmitMessage(ULONG flags) override;

    // The message in plain values, as it would leave.
    OutgoingMessage outgoing() const;

protected:
    ~Message() override;
    void *castTo(REFIID iid) override;

private:
    std::shared_ptr<SessionCore> m_core;
    std::vector<PropertyBag> m_recipients;
    std::vector<Attachment *> m_attachments; // one reference each
    bool m_submitted = false;
};

// Logon helpers shared by the Extended and the Simple entry points.
void ForgetSharedSession(MapiSession *session);
HRESULT FindLogonProfile(
    const QString &name, const QString &password, bool useDefault, Profile &profile);
std::shared_ptr<SessionCore> MakeSessionCore(const Profile &profile);
