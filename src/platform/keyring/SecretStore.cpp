#include "platform/keyring/SecretStore.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QEventLoop>
#include <QMutex>
#include <QSemaphore>
#include <QThread>
#include <QTimer>
#include <QVariant>

#include <qt6keychain/keychain.h>

#include <functional>
#include <memory>

// Every keyring job runs on one thread of its own. The keychain library queues its jobs
// in an object that is not thread-safe and lives where it was first used, and the
// Secret Service answers through the event loop of the thread that asked; one thread
// that only does this keeps both in order, whoever calls. Callers wait for the answer:
// the GUI thread in a local event loop (windows keep painting), other threads blocked.

namespace {

struct Call
{
    QSemaphore done;
    SecretResult result;
};

QMutex s_threadLock;
QThread *s_thread = nullptr;
QObject *s_context = nullptr; // lives in s_thread; the target of posted work

void StopKeyringThread()
{
    QMutexLocker lock(&s_threadLock);
    if (!s_thread)
        return;
    QCoreApplication::instance()->setProperty("velloran-keyring", QVariant());
    s_thread->quit();
    // A job the keyring never answers must not hold up the program's exit.
    if (s_thread->wait(2000)) {
        delete s_context; // its thread has ended
        delete s_thread;
    }
    s_thread = nullptr;
    s_context = nullptr;
}

// The mail library links its own copy of this file: both copies must use one keyring
// thread, so it is found through the application object, not through a static alone.
QObject *KeyringContext()
{
    static const char kName[] = "velloran-keyring";
    QMutexLocker lock(&s_threadLock);
    QCoreApplication *app = QCoreApplication::instance();
    if (auto *shared = app->property(kName).value<QObject *>())
        return shared;
    s_thread = new QThread;
    s_thread->setObjectName(QLatin1String(kName));
    s_context = new QObject;
    s_context->moveToThread(s_thread);
    s_thread->start();
    app->setProperty(kName, QVariant::fromValue(s_context));
    qAddPostRoutine(StopKeyringThread);
    return s_context;
}

bool ServiceOnBus(QDBusConnectionInterface *bus, const QString &name)
{
    if (bus->isServiceRegistered(name).value())
        return true;
    const QDBusReply<QStringList> activatable = bus->call(QStringLiteral("ListActivatableNames"));
    return activatable.isValid() && activatable.value().contains(name);
}

// Whether anything on the session bus could keep secrets: the Secret Service (GNOME
// keyring, KeePassXC, recent KWallet) or KWallet's own interface.
bool KeyringOnBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    for (const char *name : { "org.freedesktop.secrets", "org.kde.kwalletd6", "org.kde.kwalletd5" })
        if (ServiceOnBus(bus.interface(), QLatin1String(name)))
            return true;
    return false;
}

SecretResult NoServiceResult()
{
    return { SecretStatus::NoService,
        QCoreApplication::translate("SecretStore",
            "No keyring service answers on this desktop, so the password cannot be kept in "
            "the keyring."),
        {} };
}

// Runs one job on the keyring thread, in a local event loop, within the time allowed.
SecretResult RunJob(QKeychain::Job *job, int timeoutMs, const std::function<QString()> &secret)
{
    if (!KeyringOnBus()) {
        delete job;
        return NoServiceResult();
    }
    job->setAutoDelete(false);
    job->setInsecureFallback(false); // never a plain-text file instead of the keyring
    QEventLoop loop;
    bool finished = false;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    job->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!finished) {
        // The job may still answer later; it then deletes itself.
        QObject::disconnect(job, nullptr, &loop, nullptr);
        job->setAutoDelete(true);
        return { SecretStatus::Failed,
            QCoreApplication::translate("SecretStore",
                "The keyring did not answer in time (is it waiting to be unlocked?)."),
            {} };
    }
    SecretResult result;
    switch (job->error()) {
    case QKeychain::NoError:
        result = { SecretStatus::Ok, {}, secret ? secret() : QString() };
        break;
    case QKeychain::EntryNotFound:
        result = { SecretStatus::NotFound,
            QCoreApplication::translate("SecretStore", "The keyring holds no password for %1.")
                .arg(job->key()),
            {} };
        break;
    case QKeychain::NoBackendAvailable:
        result = NoServiceResult();
        break;
    case QKeychain::AccessDenied:
    case QKeychain::AccessDeniedByUser:
        result = { SecretStatus::Failed,
            QCoreApplication::translate("SecretStore",
                "The keyring refused access (it may be locked, or access was declined)."),
            {} };
        break;
    default:
        result = { SecretStatus::Failed,
            QCoreApplication::translate("SecretStore", "The keyring failed: %1")
                .arg(job->errorString()),
            {} };
        break;
    }
    delete job;
    return result;
}

// Posts make() to the keyring thread and waits for its answer.
SecretResult OnKeyringThread(const std::function<SecretResult()> &make)
{
    if (!QCoreApplication::instance())
        return { SecretStatus::Failed,
            QCoreApplication::translate("SecretStore", "The keyring cannot be used here."), {} };
    auto call = std::make_shared<Call>();
    QObject *context = KeyringContext();
    const bool onGuiThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    QMetaObject::invokeMethod(context, [call, make, onGuiThread] {
        call->result = make();
        call->done.release();
        // Wakes the GUI thread's wait below; the application object outlives it.
        if (onGuiThread)
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [] {}, Qt::QueuedConnection);
    });
    if (onGuiThread) {
        while (!call->done.tryAcquire())
            QCoreApplication::processEvents(
                QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
    } else {
        call->done.acquire();
    }
    return call->result;
}

} // namespace

QString SecretStore::serviceName()
{
    return QStringLiteral("Velloran Mail");
}

SecretStore::SecretStore(const QString &service)
    : m_service(service)
{ }

SecretResult SecretStore::read(const QString &key) const
{
    const QString service = m_service;
    const int timeout = m_timeoutMs;
    return OnKeyringThread([service, key, timeout] {
        auto *job = new QKeychain::ReadPasswordJob(service);
        job->setKey(key);
        return RunJob(job, timeout, [job] { return job->textData(); });
    });
}

SecretResult SecretStore::write(const QString &key, const QString &secret) const
{
    const QString service = m_service;
    const int timeout = m_timeoutMs;
    return OnKeyringThread([service, key, secret, timeout] {
        auto *job = new QKeychain::WritePasswordJob(service);
        job->setKey(key);
        job->setTextData(secret);
        return RunJob(job, timeout, {});
    });
}

SecretResult SecretStore::remove(const QString &key) const
{
    const QString service = m_service;
    const int timeout = m_timeoutMs;
    SecretResult result = OnKeyringThread([service, key, timeout] {
        auto *job = new QKeychain::DeletePasswordJob(service);
        job->setKey(key);
        return RunJob(job, timeout, {});
    });
    if (result.status == SecretStatus::NotFound)
        result = { SecretStatus::Ok, {}, {} };
    return result;
}

QString SecretStore::smtpKey(const QString &profile)
{
    return profile + QStringLiteral("/smtp");
}

QString SecretStore::imapKey(const QString &profile)
{
    return profile + QStringLiteral("/imap");
}

QString SecretStore::oauthKey(const QString &profile)
{
    return profile + QStringLiteral("/oauth");
}

QString SecretStore::oauthClientKey(const QString &profile)
{
    return profile + QStringLiteral("/oauth-client");
}
