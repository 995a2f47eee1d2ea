#pragma once

#include "mail/MailTestEnv.h"

#include "dispatch/MailSettingsStore.h"
#include "mail/RwMapiSession.h"
#include "platform/registry/Registry.h"
#include "support/ScriptedMessageService.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

// A user of their own (registry file, mail profiles) with two profiles in the real mail
// library: "Office", the default, with the password "secret", and "Home" with none.
class MailUser
{
public:
    MailUser() { writeProfiles(); }
    ~MailUser() { TRwMapiSessionV3().UnloadMapi(); }
    MailUser(const MailUser &) = delete;
    MailUser &operator=(const MailUser &) = delete;

    void writeProfiles() const
    {
        const auto profile = [this](const QString &name, const QString &password, bool isDefault) {
            return QJsonObject { { QStringLiteral("name"), name },
                { QStringLiteral("default"), isDefault }, { QStringLiteral("password"), password },
                { QStringLiteral("senderAddress"), QStringLiteral("ledger@example.com") },
                { QStringLiteral("store"),
                    QString(home.path() + QStringLiteral("/store-") + name) },
                { QStringLiteral("transport"),
                    QJsonObject { { QStringLiteral("kind"), QStringLiteral("drop") },
                        { QStringLiteral("folder"),
                            QString(home.path() + QStringLiteral("/drop")) } } } };
        };
        const QJsonArray profiles { profile(QStringLiteral("Home"), QString(), false),
            profile(QStringLiteral("Office"), QStringLiteral("secret"), true) };
        home.write(QStringLiteral("mail-profiles.json"),
            QJsonDocument(QJsonObject { { QStringLiteral("profiles"), profiles } }).toJson());
    }

    // The hive file's keys as written, or an empty object when there is no file.
    static QJsonObject registryKeys()
    {
        QFile file(RegistryKey::currentUserFile());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll())
            .object()
            .value(QStringLiteral("keys"))
            .toObject();
    }
    // The values of the mail settings key in the hive file; undefined when the key is missing.
    static QJsonValue storedValues() { return registryKeys().value(MailSettingsStore::KeyPath()); }

    static void store(const QString &name, const QString &text)
    {
        RegistryKey::open(RegistryRoot::CurrentUser, MailSettingsStore::KeyPath(), true)
            ->writeString(name, text);
    }

    // The four values as the dialog writes them.
    static QJsonObject fourValues(const char *extended, const QString &profile,
        const QString &password, const char *newSession)
    {
        return QJsonObject {
            { MailSettingsStore::UseExtendedMapiValue, QString::fromLatin1(extended) },
            { MailSettingsStore::ProfileNameValue, profile },
            { MailSettingsStore::PasswordValue, password },
            { MailSettingsStore::NewSessionValue, QString::fromLatin1(newSession) },
        };
    }

    ScopedConfigHome home;
};

class MailSettingsTest : public ::testing::Test
{
protected:
    MailUser m_user;
    ScopedMessages m_messages;
};
