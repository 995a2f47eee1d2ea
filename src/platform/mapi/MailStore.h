#pragma once

#include "platform/mapi/ImapSentCopy.h"
#include "platform/mapi/MimeComposer.h"
#include "platform/mapi/Profiles.h"
#include "platform/mapi/Transport.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

// What every object reached from one logon shares: the profile, its transport and the
// message store folders.
struct SessionCore
{
    Profile profile;
    std::unique_ptr<Transport> transport;
    std::unique_ptr<ImapSentCopy> sentCopy; // made at the first upload to the Sent folder
    std::mutex sendLock; // one exchange at a time per transport and Sent folder
    std::atomic<bool> loggedOn { true };
};

// The profile's Maildir store: a folder per MAPI folder, each with tmp/, new/ and cur/.
namespace maildir {

inline const QString kOutbox = QStringLiteral("Outbox");
inline const QString kSentItems = QStringLiteral("Sent Items");

// Creates root/folder/{tmp,new,cur}; false when the store cannot be made.
bool ensureFolder(const QString &root, const QString &folder);
// Delivers bytes into folder/new (written in tmp/ first); returns the file path or empty.
QString deliver(const QString &root, const QString &folder, const QByteArray &bytes);
// Waits until a delivered message's bytes are on the disk; false when they cannot be.
bool keepOnDisk(const QString &path);
// Files a message into another folder's cur/ as seen; returns the new path or empty.
QString file(const QString &path, const QString &root, const QString &folder);

QByteArray folderEntryId(const QString &folder);
QByteArray storeEntryId(const QString &profile);
// The folder an entry id names; empty when it is not a folder id of this store.
QString folderOfEntryId(const QByteArray &id);
bool isStoreEntryId(const QByteArray &id);

} // namespace maildir

// Runs a send on a worker thread. Called on the application's main thread, it keeps the
// event loop running until the worker is done, so the windows stay live.
SendResult RunKeepingEventsFlowing(const std::function<SendResult()> &job);

// Files the message in the Outbox, sends it, and then moves it to the given folder (empty:
// removes it). A failure leaves it in the Outbox and answers the transport's code, with why in
// report. When the profile puts its Sent copy on an IMAP server, the bytes that were sent are
// appended there too; should that fail, the message still counts as sent: the answer is
// MAPI_W_ERRORS_RETURNED and report says why the copy is missing.
HRESULT SubmitOutgoing(SessionCore &core, const OutgoingMessage &message, const QString &sentFolder,
    QString *report = nullptr);

// A one-off address book entry id, and the address test of the address book.
QByteArray OneOffEntryId(const QString &type, const QString &address, const QString &name);
