#include "platform/mapi/MailStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QThread>
#include <QUuid>

#include <thread>

#include <unistd.h>

namespace maildir {

namespace {
const QByteArray kFolderPrefix("VELLORAN-MAILDIR-FOLDER", 24);
const QByteArray kStorePrefix("VELLORAN-MAILDIR-STORE", 23);
} // namespace

bool ensureFolder(const QString &root, const QString &folder)
{
    QDir dir(root + QLatin1Char('/') + folder);
    for (const char *sub : { "tmp", "new", "cur" })
        if (!dir.mkpath(QLatin1String(sub)))
            return false;
    return true;
}

QString deliver(const QString &root, const QString &folder, const QByteArray &bytes)
{
    if (!ensureFolder(root, folder))
        return {};
    const QString name = QString::number(QDateTime::currentSecsSinceEpoch()) + QLatin1Char('.')
        + QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(".velloran");
    const QString base = root + QLatin1Char('/') + folder;
    const QString tmp = base + QStringLiteral("/tmp/") + name;
    // Written whole under tmp/ before it shows in the folder; made durable by keepOnDisk.
    QFile out(tmp);
    const bool written
        = out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.flush();
    out.close();
    if (!written || out.error() != QFileDevice::NoError) {
        QFile::remove(tmp);
        return {};
    }
    const QString target = base + QStringLiteral("/new/") + name;
    if (!QFile::rename(tmp, target)) {
        QFile::remove(tmp);
        return {};
    }
    return target;
}

bool keepOnDisk(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && ::fdatasync(file.handle()) == 0;
}

QString file(const QString &path, const QString &root, const QString &folder)
{
    if (!ensureFolder(root, folder))
        return {};
    QString name = QFileInfo(path).fileName();
    if (!name.contains(QLatin1Char(':')))
        name += QStringLiteral(":2,S");
    const QString target = root + QLatin1Char('/') + folder + QStringLiteral("/cur/") + name;
    return QFile::rename(path, target) ? target : QString();
}

QByteArray folderEntryId(const QString &folder)
{
    return kFolderPrefix + folder.toUtf8();
}

QByteArray storeEntryId(const QString &profile)
{
    return kStorePrefix + profile.toUtf8();
}

QString folderOfEntryId(const QByteArray &id)
{
    return id.startsWith(kFolderPrefix) ? QString::fromUtf8(id.mid(kFolderPrefix.size()))
                                        : QString();
}

bool isStoreEntryId(const QByteArray &id)
{
    return id.startsWith(kStorePrefix);
}

} // namespace maildir

QByteArray OneOffEntryId(const QString &type, const QString &address, const QString &name)
{
    QByteArray id("VELLORAN-ONEOFF", 16);
    id += type.toUtf8() + '\0' + address.toUtf8() + '\0' + name.toUtf8();
    return id;
}

SendResult RunKeepingEventsFlowing(const std::function<SendResult()> &job)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread())
        return job();
    SendResult result;
    QEventLoop loop;
    std::thread worker([&] {
        result = job();
        // Queued, so the loop quits even when the job ends before exec() begins.
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    return result;
}

namespace {

// Why a message was not sent, for the user: a size refusal names the account and the sizes.
QString failureReport(const Profile &profile, const SendResult &sent, qsizetype size)
{
    if (!sent.tooLarge)
        return sent.detail;
    const QLocale locale;
    const QString account = profile.name.isEmpty() ? profile.senderAddress : profile.name;
    if (sent.sizeLimit > 0)
        return QStringLiteral("The message is %1 bytes; the outgoing server of the account \"%2\" "
                              "takes messages of up to %3 bytes.")
            .arg(locale.toString(qint64(size)), account, locale.toString(sent.sizeLimit));
    return QStringLiteral("The outgoing server of the account \"%1\" refused the message of %2 "
                          "bytes as too large.")
        .arg(account, locale.toString(qint64(size)));
}

} // namespace

HRESULT SubmitOutgoing(
    SessionCore &core, const OutgoingMessage &message, const QString &sentFolder, QString *report)
{
    QStringList recipients;
    for (const OutgoingRecipient &r : message.recipients)
        if (!r.address.isEmpty())
            recipients << r.address;
    if (recipients.isEmpty())
        return MAPI_E_NO_RECIPIENTS;

    const QByteArray mime = ComposeMime(message);
    const QString root = core.profile.storeFolder;
    const QString queued = maildir::deliver(root, maildir::kOutbox, mime);
    if (queued.isEmpty())
        return MAPI_E_NO_ACCESS;

    const QString from = core.profile.senderAddress;
    const SendResult sent = RunKeepingEventsFlowing([&core, &from, &recipients, &mime, &queued] {
        // The Outbox copy reaches the disk while the exchange goes on, not before it: either
        // way a message whose send was cut short stays in the Outbox, and the exchange does
        // not wait for the disk.
        std::thread keep([&queued] {
            if (!maildir::keepOnDisk(queued))
                qWarning("mail store: cannot write %s to disk", qUtf8Printable(queued));
        });
        SendResult result;
        {
            std::lock_guard<std::mutex> lock(core.sendLock);
            result = core.transport->send(from, recipients, mime);
        }
        keep.join();
        return result;
    });
    if (sent.code != S_OK) {
        qWarning("mail submission failed: %s", qUtf8Printable(sent.detail));
        if (report)
            *report = failureReport(core.profile, sent, mime.size());
        return sent.code;
    }
    // Sent: the Outbox copy goes to Sent Items or away. Should filing fail the copy stays
    // in the Outbox rather than being lost.
    if (sentFolder.isEmpty())
        QFile::remove(queued);
    else
        maildir::file(queued, root, sentFolder);

    if (core.profile.sentCopy.kind != SentCopySettings::Kind::Imap)
        return S_OK;
    const SendResult copied = RunKeepingEventsFlowing([&core, &mime] {
        std::lock_guard<std::mutex> lock(core.sendLock);
        if (!core.sentCopy)
            core.sentCopy = std::make_unique<ImapSentCopy>(core.profile);
        SendResult result;
        result.detail = core.sentCopy->append(mime);
        if (!result.detail.isEmpty())
            result.code = MAPI_W_ERRORS_RETURNED;
        return result;
    });
    if (copied.code == S_OK)
        return S_OK;
    qWarning("mail submission: no copy in the Sent folder: %s", qUtf8Printable(copied.detail));
    if (report)
        *report = copied.detail;
    return MAPI_W_ERRORS_RETURNED;
}
