// The Simple MAPI entry points: logon by handle, name resolution and sending of a whole
// message, over the same profiles, store and transports as the Extended ones.

#include "platform/mapi/MailObjects.h"
#include "platform/mapi/MapiMemory.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <map>
#include <mutex>

#define MAPI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::mutex g_simpleLock;
std::map<SessionCore *, std::shared_ptr<SessionCore>> g_owners;

std::shared_ptr<SessionCore> sessionOf(LHANDLE handle)
{
    std::lock_guard<std::mutex> lock(g_simpleLock);
    auto it = g_owners.find(reinterpret_cast<SessionCore *>(handle));
    return it == g_owners.end() ? nullptr : it->second;
}

ULONG simpleCode(HRESULT hr)
{
    switch (hr) {
    case S_OK:
    case MAPI_W_ERRORS_RETURNED: // sent; Simple MAPI has no warnings to tell the rest
        return SUCCESS_SUCCESS;
    case MAPI_E_NOT_FOUND:
        return MAPI_E_UNKNOWN_RECIPIENT;
    case MAPI_E_AMBIGUOUS_RECIP:
        return MAPI_E_AMBIGUOUS_RECIPIENT;
    case MAPI_E_NO_RECIPIENTS:
        return MAPI_E_INVALID_RECIPS;
    case MAPI_E_NETWORK_ERROR:
    case MAPI_E_TIMEOUT:
        return MAPI_E_NETWORK_FAILURE;
    case MAPI_E_LOGON_FAILED:
        return MAPI_E_LOGIN_FAILURE;
    default:
        return MAPI_E_FAILURE;
    }
}

// "SMTP:address" or a plain address.
QString addressOf(const char *text)
{
    QString address = QString::fromUtf8(text ? text : "");
    if (address.startsWith(QLatin1String("SMTP:"), Qt::CaseInsensitive))
        address = address.mid(5);
    return address.trimmed();
}

} // namespace

MAPI_EXPORT ULONG MAPILogon(
    ULONG_PTR, const char *profile, const char *password, ULONG, ULONG, LHANDLE *session)
{
    if (!session)
        return MAPI_E_FAILURE;
    *session = 0;
    Profile found;
    const HRESULT hr = FindLogonProfile(QString::fromUtf8(profile ? profile : ""),
        QString::fromUtf8(password ? password : ""), false, found);
    if (hr != S_OK)
        return MAPI_E_LOGIN_FAILURE;
    auto core = MakeSessionCore(found);
    std::lock_guard<std::mutex> lock(g_simpleLock);
    g_owners[core.get()] = core;
    *session = reinterpret_cast<LHANDLE>(core.get());
    return SUCCESS_SUCCESS;
}

MAPI_EXPORT ULONG MAPILogoff(LHANDLE session, ULONG_PTR, ULONG, ULONG)
{
    std::lock_guard<std::mutex> lock(g_simpleLock);
    auto it = g_owners.find(reinterpret_cast<SessionCore *>(session));
    if (it == g_owners.end())
        return MAPI_E_INVALID_SESSION;
    it->second->loggedOn = false;
    g_owners.erase(it);
    return SUCCESS_SUCCESS;
}

MAPI_EXPORT ULONG MAPIResolveName(
    LHANDLE session, ULONG_PTR, const char *name, ULONG, ULONG, MapiRecipDesc **recipient)
{
    const auto core = sessionOf(session);
    if (!core)
        return MAPI_E_INVALID_SESSION;
    if (!recipient)
        return MAPI_E_FAILURE;
    *recipient = nullptr;
    QString display = QString::fromUtf8(name ? name : "").trimmed();
    QString address = display.contains(QLatin1Char('@')) ? addressOf(name) : QString();
    const HRESULT hr = ResolveRecipient(core->profile, QString(), display, address);
    if (hr != S_OK)
        return simpleCode(hr);
    void *root = nullptr;
    if (mapimem::allocateBuffer(sizeof(MapiRecipDesc), &root) != S_OK)
        return MAPI_E_INSUFFICIENT_MEMORY;
    auto *desc = static_cast<MapiRecipDesc *>(root);
    desc->ulRecipClass = MAPI_TO;
    desc->lpszName = mapimem::copyUtf8(display, root);
    desc->lpszAddress = mapimem::copyUtf8(QStringLiteral("SMTP:") + address, root);
    *recipient = desc;
    return SUCCESS_SUCCESS;
}

MAPI_EXPORT ULONG MAPISendMail(LHANDLE session, ULONG_PTR, MapiMessage *message, ULONG, ULONG)
{
    const auto core = sessionOf(session);
    if (!core)
        return MAPI_E_INVALID_SESSION;
    if (!message)
        return MAPI_E_FAILURE;
    OutgoingMessage out;
    out.senderName = core->profile.senderName;
    out.senderAddress = core->profile.senderAddress;
    out.subject = QString::fromUtf8(message->lpszSubject ? message->lpszSubject : "");
    out.body = QString::fromUtf8(message->lpszNoteText ? message->lpszNoteText : "");
    out.priority = 1;
    for (ULONG i = 0; i < message->nRecipCount; ++i) {
        const MapiRecipDesc &r = message->lpRecips[i];
        if (r.ulRecipClass < MAPI_TO || r.ulRecipClass > MAPI_BCC)
            return MAPI_E_BAD_RECIPTYPE;
        OutgoingRecipient recipient;
        recipient.type = r.ulRecipClass;
        recipient.name = QString::fromUtf8(r.lpszName ? r.lpszName : "");
        recipient.address = addressOf(r.lpszAddress);
        const HRESULT hr
            = ResolveRecipient(core->profile, QString(), recipient.name, recipient.address);
        if (hr != S_OK)
            return simpleCode(hr);
        out.recipients.append(recipient);
    }
    for (ULONG i = 0; i < message->nFileCount; ++i) {
        const MapiFileDesc &f = message->lpFiles[i];
        const QString path = QString::fromUtf8(f.lpszPathName ? f.lpszPathName : "");
        QFile file(path);
        if (!file.exists())
            return MAPI_E_ATTACHMENT_NOT_FOUND;
        if (!file.open(QIODevice::ReadOnly))
            return MAPI_E_ATTACHMENT_OPEN_FAILURE;
        const QString name = f.lpszFileName && *f.lpszFileName ? QString::fromUtf8(f.lpszFileName)
                                                               : QFileInfo(path).fileName();
        out.attachments.append(OutgoingAttachment { name, file.readAll() });
    }
    return simpleCode(SubmitOutgoing(*core, out, maildir::kSentItems));
}
