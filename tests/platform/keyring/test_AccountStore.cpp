// Saving mail accounts: the profiles file and the keyring together.

#include "KeyringTestEnv.h"
#include "platform/keyring/SecretStore.h"
#include "platform/mapi/AccountStore.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

// An account with every field set away from its default.
Profile FullProfile(const QString &name)
{
    Profile p;
    p.name = name;
    p.isDefault = true;
    p.password = QStringLiteral("logon");
    p.senderName = QStringLiteral("Sales Ledger");
    p.senderAddress = QStringLiteral("ledger@example.com");
    p.storeFolder = QStringLiteral("/home/anna/.local/share/velloran/mail/") + name;
    TransportSettings &t = p.transport;
    t.kind = TransportSettings::Kind::Smtp;
    t.url = QStringLiteral("smtps://mail.example.com:465");
    t.username = QStringLiteral("ledger@example.com");
    t.password = QStringLiteral("smtp-secret-") + name;
    t.secretPlace = SecretPlace::Keyring;
    t.tls = TransportSettings::Tls::Required;
    t.verifyPeer = false;
    t.connectTimeoutSeconds = 11;
    t.timeoutSeconds = 77;
    t.command = QStringLiteral("/usr/sbin/sendmail -i -oi");
    t.folder = QStringLiteral("/tmp/drop");
    t.messagesPerMinute = 120;
    SentCopySettings &c = p.sentCopy;
    c.kind = SentCopySettings::Kind::Imap;
    c.url = QStringLiteral("imaps://imap.example.com:993");
    c.tls = TransportSettings::Tls::None;
    c.username = QStringLiteral("ledger");
    c.password = QStringLiteral("imap-secret-") + name;
    c.secretPlace = SecretPlace::Keyring;
    c.folder = QStringLiteral("Sent Messages");
    p.oauth.provider = OAuthSettings::Provider::Custom;
    p.oauth.clientId = QStringLiteral("client");
    p.oauth.tenant = QStringLiteral("tenant");
    p.oauth.authorizationEndpoint = QStringLiteral("https://id.example.com/auth");
    p.oauth.tokenEndpoint = QStringLiteral("https://id.example.com/token");
    p.oauth.deviceEndpoint = QStringLiteral("https://id.example.com/device");
    p.oauth.scopes = { QStringLiteral("mail.send"), QStringLiteral("offline_access") };
    p.contacts = { { QStringLiteral("Accounts"), QStringLiteral("accounts@customer.example") },
        { QStringLiteral("Zoë"), QStringLiteral("zoe@customer.example") } };
    return p;
}

void ExpectSameProfile(const Profile &a, const Profile &b)
{
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.isDefault, b.isDefault);
    EXPECT_EQ(a.password, b.password);
    EXPECT_EQ(a.senderName, b.senderName);
    EXPECT_EQ(a.senderAddress, b.senderAddress);
    EXPECT_EQ(a.storeFolder, b.storeFolder);
    const TransportSettings &t = a.transport, &u = b.transport;
    EXPECT_EQ(t.kind, u.kind);
    EXPECT_EQ(t.url, u.url);
    EXPECT_EQ(t.username, u.username);
    EXPECT_EQ(t.password, u.password);
    EXPECT_EQ(t.secretPlace, u.secretPlace);
    EXPECT_EQ(t.auth, u.auth);
    EXPECT_EQ(t.tls, u.tls);
    EXPECT_EQ(t.verifyPeer, u.verifyPeer);
    EXPECT_EQ(t.connectTimeoutSeconds, u.connectTimeoutSeconds);
    EXPECT_EQ(t.timeoutSeconds, u.timeoutSeconds);
    EXPECT_EQ(t.command, u.command);
    EXPECT_EQ(t.folder, u.folder);
    EXPECT_EQ(t.messagesPerMinute, u.messagesPerMinute);
    const SentCopySettings &c = a.sentCopy, &d = b.sentCopy;
    EXPECT_EQ(c.kind, d.kind);
    EXPECT_EQ(c.url, d.url);
    EXPECT_EQ(c.tls, d.tls);
    EXPECT_EQ(c.username, d.username);
    EXPECT_EQ(c.password, d.password);
    EXPECT_EQ(c.secretPlace, d.secretPlace);
    EXPECT_EQ(c.folder, d.folder);
    EXPECT_EQ(a.oauth.provider, b.oauth.provider);
    EXPECT_EQ(a.oauth.clientId, b.oauth.clientId);
    EXPECT_EQ(a.oauth.tenant, b.oauth.tenant);
    EXPECT_EQ(a.oauth.authorizationEndpoint, b.oauth.authorizationEndpoint);
    EXPECT_EQ(a.oauth.tokenEndpoint, b.oauth.tokenEndpoint);
    EXPECT_EQ(a.oauth.deviceEndpoint, b.oauth.deviceEndpoint);
    EXPECT_EQ(a.oauth.scopes, b.oauth.scopes);
    ASSERT_EQ(a.contacts.size(), b.contacts.size());
    for (qsizetype i = 0; i < a.contacts.size(); ++i) {
        EXPECT_EQ(a.contacts[i].name, b.contacts[i].name);
        EXPECT_EQ(a.contacts[i].address, b.contacts[i].address);
    }
}

QJsonObject StoredProfile(const ConfigHome &home, int index)
{
    return QJsonDocument::fromJson(home.readProfiles())
        .object()
        .value(QStringLiteral("profiles"))
        .toArray()
        .at(index)
        .toObject();
}

QFileDevice::Permissions OwnerOnly()
{
    return QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
        | QFileDevice::WriteUser;
}

} // namespace

TEST(AccountStore, EveryFieldRoundTripsAndKeyringSecretsStayOutOfTheFile)
{
    REQUIRE_KEYRING_SESSION("secret-service");
    const ConfigHome home;
    const Profile saved = FullProfile(QStringLiteral("RoundTrip"));
    const AccountResult result = AccountStore::save(saved);
    ASSERT_TRUE(result.ok()) << qPrintable(result.text);

    QString error;
    const QList<Profile> loaded = AccountStore::load(&error);
    ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
    ASSERT_EQ(loaded.size(), 1);
    ExpectSameProfile(loaded.front(), saved);

    const QByteArray file = home.readProfiles();
    EXPECT_FALSE(file.contains("smtp-secret")) << file.constData();
    EXPECT_FALSE(file.contains("imap-secret")) << file.constData();
    EXPECT_EQ(SecretToolLookup(SecretStore::serviceName(), QStringLiteral("RoundTrip/smtp")),
        QStringLiteral("smtp-secret-RoundTrip"));
    EXPECT_EQ(SecretToolLookup(SecretStore::serviceName(), QStringLiteral("RoundTrip/imap")),
        QStringLiteral("imap-secret-RoundTrip"));
    EXPECT_EQ(QFile::permissions(home.profilesFile()), OwnerOnly());

    // The logon's own reader sees the same account, the secrets left to the keyring.
    const ProfileList list = ProfileList::load(&error);
    ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
    ASSERT_NE(list.find(QStringLiteral("roundtrip")), nullptr);
    Profile logon = *list.find(QStringLiteral("roundtrip"));
    EXPECT_TRUE(logon.transport.password.isEmpty());
    ASSERT_TRUE(AccountStore::logonSecrets(logon).ok());
    ExpectSameProfile(logon, saved);
}

TEST(AccountStore, SecretsKeptInTheFileMakeItReadableByItsOwnerOnly)
{
    REQUIRE_KEYRING_SESSION("secret-service");
    const ConfigHome home;
    Profile p = FullProfile(QStringLiteral("InFile"));
    // Held in the keyring first; choosing the file takes them out of the keyring.
    ASSERT_TRUE(AccountStore::save(p).ok());
    p.transport.secretPlace = SecretPlace::File;
    p.sentCopy.secretPlace = SecretPlace::File;
    ASSERT_TRUE(AccountStore::save(p).ok());
    const QJsonObject stored = StoredProfile(home, 0);
    EXPECT_EQ(stored[QStringLiteral("transport")][QStringLiteral("password")].toString(),
        QStringLiteral("smtp-secret-InFile"));
    EXPECT_EQ(stored[QStringLiteral("transport")][QStringLiteral("passwordIn")].toString(),
        QStringLiteral("file"));
    EXPECT_EQ(stored[QStringLiteral("sentCopy")][QStringLiteral("password")].toString(),
        QStringLiteral("imap-secret-InFile"));
    EXPECT_EQ(QFile::permissions(home.profilesFile()), OwnerOnly());
    const SecretStore keyring;
    EXPECT_EQ(keyring.read(QStringLiteral("InFile/smtp")).status, SecretStatus::NotFound);
    EXPECT_EQ(keyring.read(QStringLiteral("InFile/imap")).status, SecretStatus::NotFound);
    const QList<Profile> loaded = AccountStore::load(nullptr);
    ASSERT_EQ(loaded.size(), 1);
    ExpectSameProfile(loaded.front(), p);
}

// A file written before the keyring was used: its password keeps working, and the next save
// through the store moves it into the keyring.
TEST(AccountStore, APasswordAnOlderFileHoldsMovesIntoTheKeyringOnTheNextSave)
{
    REQUIRE_KEYRING_SESSION("secret-service");
    const ConfigHome home;
    home.writeProfiles(R"({"version": 3, "profiles": [
        {"name": "Legacy", "default": true, "senderAddress": "l@example.com", "store": "/tmp/l",
         "x-note": "kept", "transport": {"kind": "smtp", "url": "smtp://127.0.0.1:25",
         "username": "user", "password": "legacy-pw", "x-extra": 5}},
        {"name": "Other", "senderAddress": "o@example.com", "store": "/tmp/o",
         "transport": {"kind": "smtp", "url": "smtp://127.0.0.1:25", "username": "o",
         "password": "other-pw"}}]})");

    QString error;
    const ProfileList before = ProfileList::load(&error);
    ASSERT_TRUE(error.isEmpty());
    EXPECT_EQ(before.find(QStringLiteral("Legacy"))->transport.secretPlace, SecretPlace::File);
    EXPECT_EQ(
        before.find(QStringLiteral("Legacy"))->transport.password, QStringLiteral("legacy-pw"));

    QList<Profile> editing = AccountStore::load(&error);
    ASSERT_EQ(editing.size(), 2);
    EXPECT_EQ(editing[0].transport.secretPlace, SecretPlace::Keyring);
    EXPECT_EQ(editing[0].transport.password, QStringLiteral("legacy-pw"));
    editing[0].senderName = QStringLiteral("Renamed sender");
    const AccountResult saved = AccountStore::save(editing[0]);
    ASSERT_TRUE(saved.ok()) << qPrintable(saved.text);

    EXPECT_EQ(
        SecretStore().read(QStringLiteral("Legacy/smtp")).secret, QStringLiteral("legacy-pw"));
    const QJsonObject root = QJsonDocument::fromJson(home.readProfiles()).object();
    EXPECT_EQ(root[QStringLiteral("version")].toInt(), 3);
    const QJsonObject legacy = StoredProfile(home, 0);
    EXPECT_FALSE(
        legacy[QStringLiteral("transport")].toObject().contains(QStringLiteral("password")));
    EXPECT_EQ(legacy[QStringLiteral("transport")][QStringLiteral("passwordIn")].toString(),
        QStringLiteral("keyring"));
    EXPECT_EQ(legacy[QStringLiteral("x-note")].toString(), QStringLiteral("kept"));
    EXPECT_EQ(legacy[QStringLiteral("transport")][QStringLiteral("x-extra")].toInt(), 5);
    // The account not saved is left exactly as it was, password and all.
    EXPECT_EQ(StoredProfile(home, 1),
        QJsonDocument::fromJson(R"({"name": "Other", "senderAddress": "o@example.com",
            "store": "/tmp/o", "transport": {"kind": "smtp", "url": "smtp://127.0.0.1:25",
            "username": "o", "password": "other-pw"}})")
            .object());
    EXPECT_EQ(QFile::permissions(home.profilesFile()), OwnerOnly());

    Profile logon = *ProfileList::load(&error).find(QStringLiteral("Legacy"));
    ASSERT_TRUE(AccountStore::logonSecrets(logon).ok());
    EXPECT_EQ(logon.transport.password, QStringLiteral("legacy-pw"));
}

TEST(AccountStore, RenamingMovesTheSecretsAndRemovingTakesThemAway)
{
    REQUIRE_KEYRING_SESSION("secret-service");
    const ConfigHome home;
    const SecretStore keyring;
    ASSERT_TRUE(AccountStore::save(FullProfile(QStringLiteral("Before"))).ok());
    Profile other = FullProfile(QStringLiteral("Neighbour"));
    other.isDefault = false;
    ASSERT_TRUE(AccountStore::save(other).ok());
    // The sign-in keeps its refresh token beside the passwords.
    ASSERT_TRUE(
        keyring.write(SecretStore::oauthKey(QStringLiteral("Before")), QStringLiteral("token"))
            .ok());

    Profile renamed = AccountStore::load(nullptr).front();
    renamed.name = QStringLiteral("After");
    ASSERT_TRUE(AccountStore::save(renamed, QStringLiteral("Before")).ok());
    const QList<Profile> loaded = AccountStore::load(nullptr);
    ASSERT_EQ(loaded.size(), 2);
    EXPECT_EQ(loaded[0].name, QStringLiteral("After"));
    EXPECT_EQ(loaded[0].transport.password, QStringLiteral("smtp-secret-Before"));
    EXPECT_EQ(
        keyring.read(QStringLiteral("After/imap")).secret, QStringLiteral("imap-secret-Before"));
    EXPECT_EQ(keyring.read(QStringLiteral("After/oauth")).secret, QStringLiteral("token"));
    for (const char *key : { "Before/smtp", "Before/imap", "Before/oauth" })
        EXPECT_EQ(keyring.read(QLatin1String(key)).status, SecretStatus::NotFound) << key;

    // A rename onto another account's name is refused and changes nothing.
    const QByteArray file = home.readProfiles();
    renamed.name = QStringLiteral("neighbour");
    EXPECT_EQ(AccountStore::save(renamed, QStringLiteral("After")).status, SecretStatus::Failed);
    EXPECT_EQ(home.readProfiles(), file);

    ASSERT_TRUE(AccountStore::remove(QStringLiteral("after")).ok());
    ASSERT_EQ(AccountStore::load(nullptr).size(), 1);
    for (const char *key : { "After/smtp", "After/imap", "After/oauth" })
        EXPECT_EQ(keyring.read(QLatin1String(key)).status, SecretStatus::NotFound) << key;
    EXPECT_EQ(keyring.read(QStringLiteral("Neighbour/smtp")).secret,
        QStringLiteral("smtp-secret-Neighbour"));
    EXPECT_EQ(AccountStore::remove(QStringLiteral("After")).status, SecretStatus::Failed);
}

TEST(AccountStore, OneAccountIsTheDefault)
{
    REQUIRE_KEYRING_SESSION("secret-service");
    const ConfigHome home;
    for (const char *name : { "First", "Second", "Third" }) {
        Profile p = FullProfile(QLatin1String(name));
        p.transport = {};
        p.transport.folder = QStringLiteral("/tmp/drop");
        p.sentCopy = {};
        ASSERT_TRUE(AccountStore::save(p).ok()) << name;
    }
    const auto defaults = [] {
        QStringList names;
        for (const Profile &p : AccountStore::load(nullptr))
            if (p.isDefault)
                names << p.name;
        return names;
    };
    EXPECT_EQ(defaults(), QStringList { QStringLiteral("Third") });
    ASSERT_TRUE(AccountStore::setDefault(QStringLiteral("first")).ok());
    EXPECT_EQ(defaults(), QStringList { QStringLiteral("First") });
    EXPECT_EQ(ProfileList::load().defaultProfile()->name, QStringLiteral("First"));
    EXPECT_EQ(AccountStore::setDefault(QStringLiteral("Nobody")).status, SecretStatus::Failed);
}

TEST(AccountStore, ADamagedFileOrAnIncompleteAccountIsNeverWritten)
{
    REQUIRE_KEYRING_SESSION("secret-service");
    const ConfigHome home;
    const QByteArray damaged = R"({"profiles": [{"name": "Broken"}]})";
    home.writeProfiles(damaged);
    QString error;
    EXPECT_TRUE(AccountStore::load(&error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    const AccountResult saved = AccountStore::save(FullProfile(QStringLiteral("New")));
    EXPECT_EQ(saved.status, SecretStatus::Failed);
    EXPECT_TRUE(saved.text.contains(QStringLiteral("damaged"))) << qPrintable(saved.text);
    EXPECT_EQ(home.readProfiles(), damaged);
    EXPECT_EQ(SecretStore().read(QStringLiteral("New/smtp")).status, SecretStatus::NotFound);

    // An account the reader would refuse is refused before it can spoil the file.
    QFile::remove(home.profilesFile());
    Profile incomplete = FullProfile(QStringLiteral("Incomplete"));
    incomplete.storeFolder.clear();
    EXPECT_EQ(AccountStore::save(incomplete).status, SecretStatus::Failed);
    EXPECT_FALSE(QFile::exists(home.profilesFile()));
}

TEST(AccountStore, ALogonNeedsEverySecretTheAccountUses)
{
    REQUIRE_KEYRING_SESSION("secret-service");
    const ConfigHome home;
    Profile p = FullProfile(QStringLiteral("Needs"));
    p.password.clear();
    ASSERT_TRUE(AccountStore::save(p).ok());
    ASSERT_TRUE(SecretStore().remove(QStringLiteral("Needs/imap")).ok());
    Profile logon = *ProfileList::load().find(QStringLiteral("Needs"));
    const AccountResult missing = AccountStore::logonSecrets(logon);
    EXPECT_EQ(missing.status, SecretStatus::NotFound);
    EXPECT_TRUE(missing.text.contains(QStringLiteral("\"Needs\""))) << qPrintable(missing.text);
    // For editing, a missing secret is just empty.
    Profile editing = *ProfileList::load().find(QStringLiteral("Needs"));
    EXPECT_TRUE(AccountStore::fillSecrets(editing).ok());
    EXPECT_EQ(editing.transport.password, QStringLiteral("smtp-secret-Needs"));
    EXPECT_TRUE(editing.sentCopy.password.isEmpty());
}

// Where no keyring answers, a save that needs it writes nothing and says so; the user may
// then choose the file.
TEST(NoKeyring, ASaveNeedingTheKeyringWritesNothingAndTheFileFallbackWorks)
{
    ASSERT_TRUE(KeyringSession() == QStringLiteral("no-service")
        || KeyringSession() == QStringLiteral("no-bus"));
    const ConfigHome home;
    Profile p = FullProfile(QStringLiteral("Offline"));
    const AccountResult refused = AccountStore::save(p);
    EXPECT_EQ(refused.status, SecretStatus::NoService);
    EXPECT_FALSE(refused.text.isEmpty());
    EXPECT_FALSE(QFile::exists(home.profilesFile()));

    p.transport.secretPlace = SecretPlace::File;
    p.sentCopy.secretPlace = SecretPlace::File;
    const AccountResult saved = AccountStore::save(p);
    ASSERT_TRUE(saved.ok()) << qPrintable(saved.text);
    EXPECT_EQ(QFile::permissions(home.profilesFile()), OwnerOnly());
    AccountResult secrets;
    const QList<Profile> loaded = AccountStore::load(nullptr, &secrets);
    EXPECT_TRUE(secrets.ok());
    ASSERT_EQ(loaded.size(), 1);
    ExpectSameProfile(loaded.front(), p);
    Profile logon = *ProfileList::load().find(QStringLiteral("Offline"));
    EXPECT_TRUE(AccountStore::logonSecrets(logon).ok());
    EXPECT_EQ(logon.transport.password, QStringLiteral("smtp-secret-Offline"));

    // Removing an account that kept nothing in the keyring is no failure without one.
    EXPECT_TRUE(AccountStore::remove(QStringLiteral("Offline")).ok());

    // An account whose secrets are in the keyring cannot log on without it, and says why.
    home.writeProfiles(R"({"profiles": [{"name": "Keyed", "senderAddress": "k@example.com",
        "store": "/tmp/k", "transport": {"kind": "smtp", "url": "smtp://127.0.0.1:25",
        "username": "u", "passwordIn": "keyring"}}]})");
    Profile keyed = *ProfileList::load().find(QStringLiteral("Keyed"));
    const AccountResult logonResult = AccountStore::logonSecrets(keyed);
    EXPECT_EQ(logonResult.status, SecretStatus::NoService);
    EXPECT_TRUE(logonResult.text.contains(QStringLiteral("\"Keyed\"")))
        << qPrintable(logonResult.text);
}
