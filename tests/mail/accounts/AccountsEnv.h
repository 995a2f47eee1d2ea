#pragma once

#include "mail/MailTestEnv.h"

#include "platform/keyring/SecretStore.h"
#include "platform/mapi/Profiles.h"
#include "support/ScriptServer.h"
#include "support/ScriptedMessageService.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// A user of their own: configuration folder (the profiles file) and data folder (the
// default message stores).
class AccountsUser
{
public:
    AccountsUser()
        : m_savedData(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
    }
    ~AccountsUser() { qputenv("XDG_DATA_HOME", m_savedData); }
    AccountsUser(const AccountsUser &) = delete;
    AccountsUser &operator=(const AccountsUser &) = delete;

    QString dataPath() const { return m_data.path(); }

    void writeProfiles(const QJsonArray &profiles) const
    {
        home.write(QStringLiteral("mail-profiles.json"),
            QJsonDocument(QJsonObject { { QStringLiteral("profiles"), profiles } }).toJson());
    }
    static QByteArray fileText()
    {
        QFile file(ProfileList::file());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QJsonArray profilesInFile()
    {
        return QJsonDocument::fromJson(fileText())
            .object()
            .value(QStringLiteral("profiles"))
            .toArray();
    }
    // The profile of that name as the file holds it; empty when there is none.
    static QJsonObject profileInFile(const QString &name)
    {
        for (const QJsonValue &value : profilesInFile()) {
            if (value.toObject().value(QStringLiteral("name")).toString() == name)
                return value.toObject();
        }
        return {};
    }
    static QFileDevice::Permissions filePermissions()
    {
        return QFile(ProfileList::file()).permissions()
            & (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther);
    }

    // A plain SMTP account as an older file holds it: password in the file, nothing said
    // about where it lives.
    QJsonObject smtpProfile(const QString &name, bool isDefault) const
    {
        return QJsonObject {
            { QStringLiteral("name"), name }, { QStringLiteral("default"), isDefault },
            { QStringLiteral("password"), QStringLiteral("logon") },
            { QStringLiteral("senderName"), QStringLiteral("Sales Ledger") },
            { QStringLiteral("senderAddress"), QStringLiteral("ledger@example.com") },
            { QStringLiteral("store"), QString(m_data.path() + QStringLiteral("/store-") + name) },
            { QStringLiteral("transport"),
                QJsonObject { { QStringLiteral("kind"), QStringLiteral("smtp") },
                    { QStringLiteral("url"), QStringLiteral("smtp://mail.example.com:2525") },
                    { QStringLiteral("starttls"), QStringLiteral("try") },
                    { QStringLiteral("username"), QStringLiteral("ledger") },
                    { QStringLiteral("password"), QStringLiteral("old-secret") },
                    { QStringLiteral("verifyPeer"), false }, { QStringLiteral("timeout"), 45 } } },
            { QStringLiteral("contacts"),
                QJsonArray { QJsonObject { { QStringLiteral("name"), QStringLiteral("Accounts") },
                    { QStringLiteral("address"), QStringLiteral("accounts@customer.example") } } } }
        };
    }

    ScopedConfigHome home;

private:
    TempDir m_data;
    QByteArray m_savedData;
};

// A loopback test server of tests/mail (smtp_server.py, imap_server.py) for the lifetime
// of the object; it prints its port first.
class LoopbackServer : public ScriptServer
{
public:
    LoopbackServer(const QString &script, const QString &folder, const QString &mode)
        : ScriptServer(script, { folder, mode })
    { }
};

// Whether a keyring answers in this test run. The same program runs twice: under a session
// bus with a keyring, and with no bus at all; each run checks what its keyring allows.
inline bool KeyringAnswers()
{
    static const bool answers = SecretStore().read(QStringLiteral("velloran-tests/probe")).status
        != SecretStatus::NoService;
    return answers;
}

// Runs action on the modal dialog of that type once it shows (a dialog opened by exec(),
// perhaps a moment after the click that opens it), and rejects the dialog if the action left
// it open, so a test never hangs.
template <typename Dialog> void WhenShown(std::function<void(Dialog &)> action)
{
    auto *poll = new QTimer(qApp);
    auto waited = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, qApp, [poll, waited, action] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (++*waited < 500)
                return;
            poll->deleteLater();
            ADD_FAILURE() << "no " << Dialog::staticMetaObject.className() << " is open";
            return;
        }
        poll->stop();
        poll->deleteLater();
        action(*dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    poll->start(10);
}
