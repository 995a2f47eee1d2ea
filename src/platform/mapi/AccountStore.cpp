#include "platform/mapi/AccountStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("AccountStore", text);
}

AccountResult failure(const QString &text)
{
    return { SecretStatus::Failed, text };
}

void put(QJsonObject &o, const char *key, const QString &value)
{
    if (value.isEmpty())
        o.remove(QLatin1String(key));
    else
        o.insert(QLatin1String(key), value);
}

QString tlsName(TransportSettings::Tls tls)
{
    switch (tls) {
    case TransportSettings::Tls::None:
        return QStringLiteral("none");
    case TransportSettings::Tls::Required:
        return QStringLiteral("required");
    case TransportSettings::Tls::Try:
        break;
    }
    return QStringLiteral("try");
}

QString placeName(SecretPlace place)
{
    return place == SecretPlace::Keyring ? QStringLiteral("keyring") : QStringLiteral("file");
}

QString kindName(TransportSettings::Kind kind)
{
    switch (kind) {
    case TransportSettings::Kind::Smtp:
        return QStringLiteral("smtp");
    case TransportSettings::Kind::Sendmail:
        return QStringLiteral("sendmail");
    case TransportSettings::Kind::DropFolder:
        return QStringLiteral("drop");
    }
    return {};
}

QString kindName(SentCopySettings::Kind kind)
{
    switch (kind) {
    case SentCopySettings::Kind::Server:
        return QStringLiteral("server");
    case SentCopySettings::Kind::Imap:
        return QStringLiteral("imap");
    case SentCopySettings::Kind::Local:
        return QStringLiteral("local");
    }
    return {};
}

// The kind, the server, its login and where its password is kept, as the outgoing server
// and the Sent copy's server both write them; a password is in the file only when kept
// there, and a kind without a name leaves the file's as it was.
template <typename Settings> void putServer(QJsonObject &o, const QString &kind, const Settings &s)
{
    if (!kind.isEmpty())
        o.insert(QStringLiteral("kind"), kind);
    put(o, "url", s.url);
    o.insert(QStringLiteral("starttls"), tlsName(s.tls));
    put(o, "username", s.username);
    put(o, "password", s.secretPlace == SecretPlace::File ? s.password : QString());
    o.insert(QStringLiteral("passwordIn"), placeName(s.secretPlace));
}

// The settings are written over what the file held for the account, so keys this
// program does not know survive a save.
QJsonObject transportJson(const TransportSettings &t, QJsonObject o)
{
    putServer(o, kindName(t.kind), t);
    o.insert(QStringLiteral("auth"),
        t.auth == TransportSettings::Auth::OAuth2 ? QStringLiteral("oauth2")
                                                  : QStringLiteral("password"));
    if (t.messagesPerMinute > 0)
        o.insert(QStringLiteral("messagesPerMinute"), t.messagesPerMinute);
    else
        o.remove(QStringLiteral("messagesPerMinute"));
    o.insert(QStringLiteral("verifyPeer"), t.verifyPeer);
    o.insert(QStringLiteral("connectTimeout"), t.connectTimeoutSeconds);
    o.insert(QStringLiteral("timeout"), t.timeoutSeconds);
    put(o, "command", t.command);
    put(o, "folder", t.folder);
    return o;
}

QJsonObject sentCopyJson(const SentCopySettings &c, QJsonObject o)
{
    putServer(o, kindName(c.kind), c);
    put(o, "folder", c.folder);
    return o;
}

bool isDefault(const OAuthSettings &a)
{
    return a.provider == OAuthSettings::Provider::Microsoft && a.clientId.isEmpty()
        && a.tenant.isEmpty() && a.authorizationEndpoint.isEmpty() && a.tokenEndpoint.isEmpty()
        && a.deviceEndpoint.isEmpty() && a.scopes.isEmpty();
}

QJsonObject oauthJson(const OAuthSettings &a, QJsonObject o)
{
    switch (a.provider) {
    case OAuthSettings::Provider::Microsoft:
        o.insert(QStringLiteral("provider"), QStringLiteral("microsoft"));
        break;
    case OAuthSettings::Provider::Google:
        o.insert(QStringLiteral("provider"), QStringLiteral("google"));
        break;
    case OAuthSettings::Provider::Custom:
        o.insert(QStringLiteral("provider"), QStringLiteral("custom"));
        break;
    }
    put(o, "clientId", a.clientId);
    put(o, "tenant", a.tenant);
    put(o, "authorizationEndpoint", a.authorizationEndpoint);
    put(o, "tokenEndpoint", a.tokenEndpoint);
    put(o, "deviceEndpoint", a.deviceEndpoint);
    if (a.scopes.isEmpty())
        o.remove(QStringLiteral("scopes"));
    else
        o.insert(QStringLiteral("scopes"), QJsonArray::fromStringList(a.scopes));
    return o;
}

QJsonObject profileJson(const Profile &p, QJsonObject o)
{
    o.insert(QStringLiteral("name"), p.name.trimmed());
    o.insert(QStringLiteral("default"), p.isDefault);
    put(o, "password", p.password);
    put(o, "senderName", p.senderName);
    put(o, "senderAddress", p.senderAddress);
    put(o, "store", p.storeFolder);
    o.insert(QStringLiteral("transport"),
        transportJson(p.transport, o.value(QStringLiteral("transport")).toObject()));
    o.insert(QStringLiteral("sentCopy"),
        sentCopyJson(p.sentCopy, o.value(QStringLiteral("sentCopy")).toObject()));
    if (isDefault(p.oauth) && p.transport.auth != TransportSettings::Auth::OAuth2)
        o.remove(QStringLiteral("oauth"));
    else
        o.insert(QStringLiteral("oauth"),
            oauthJson(p.oauth, o.value(QStringLiteral("oauth")).toObject()));
    QJsonArray contacts;
    for (const Contact &c : p.contacts)
        contacts.append(QJsonObject {
            { QStringLiteral("name"), c.name }, { QStringLiteral("address"), c.address } });
    if (contacts.isEmpty())
        o.remove(QStringLiteral("contacts"));
    else
        o.insert(QStringLiteral("contacts"), contacts);
    return o;
}

// The file's JSON as it is, so a save changes only what it means to.
struct StoredFile
{
    QJsonObject root;
    QJsonArray profiles;
    QString error;

    int indexOf(const QString &name) const
    {
        for (int i = 0; i < profiles.size(); ++i)
            if (profiles.at(i)
                    .toObject()
                    .value(QStringLiteral("name"))
                    .toString()
                    .trimmed()
                    .compare(name.trimmed(), Qt::CaseInsensitive)
                == 0)
                return i;
        return -1;
    }
};

StoredFile readStored()
{
    StoredFile stored;
    QFile f(ProfileList::file());
    if (!f.exists())
        return stored;
    if (!f.open(QIODevice::ReadOnly)) {
        stored.error = tr("%1 cannot be read.").arg(QDir::toNativeSeparators(f.fileName()));
        return stored;
    }
    const QByteArray json = f.readAll();
    QString problem;
    ProfileList::fromJson(json, &problem);
    if (!problem.isEmpty()) {
        stored.error = tr("The mail accounts file %1 is damaged (%2); it is left as it is.")
                           .arg(QDir::toNativeSeparators(f.fileName()), problem);
        return stored;
    }
    stored.root = QJsonDocument::fromJson(json).object();
    stored.profiles = stored.root.value(QStringLiteral("profiles")).toArray();
    return stored;
}

// Writes the whole file at once: readers see the old file or the new one, never a part.
AccountResult writeStored(StoredFile &stored)
{
    stored.root.insert(QStringLiteral("profiles"), stored.profiles);
    const QByteArray json = QJsonDocument(stored.root).toJson(QJsonDocument::Indented);
    QString problem;
    ProfileList::fromJson(json, &problem);
    if (!problem.isEmpty())
        return failure(tr("The account cannot be saved: %1.").arg(problem));

    const QString path = ProfileList::file();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return failure(tr("The folder of %1 cannot be made.").arg(QDir::toNativeSeparators(path)));
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return failure(
            tr("%1 cannot be written: %2").arg(QDir::toNativeSeparators(path), f.errorString()));
    // The file names the user's servers and accounts and may hold passwords: it is the
    // user's alone, and it is so before anything is written into it.
    if (!f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return failure(
            tr("%1 cannot be made private to its owner.").arg(QDir::toNativeSeparators(path)));
    f.write(json);
    if (!f.commit())
        return failure(
            tr("%1 cannot be written: %2").arg(QDir::toNativeSeparators(path), f.errorString()));
    return {};
}

// A secret of a place the file does not name is one an older file kept before the keyring
// was used: it belongs in the keyring, and saving the account moves it there.
void markImplicitPlaces(Profile &p, const QJsonObject &o)
{
    if (!o.value(QStringLiteral("transport")).toObject().contains(QStringLiteral("passwordIn")))
        p.transport.secretPlace = SecretPlace::Keyring;
    if (!o.value(QStringLiteral("sentCopy")).toObject().contains(QStringLiteral("passwordIn")))
        p.sentCopy.secretPlace = SecretPlace::Keyring;
}

bool smtpSecretUsed(const TransportSettings &t)
{
    return t.kind == TransportSettings::Kind::Smtp && t.auth == TransportSettings::Auth::Password
        && !t.username.isEmpty();
}

bool imapSecretUsed(const SentCopySettings &c)
{
    return c.kind == SentCopySettings::Kind::Imap && !c.username.isEmpty();
}

// One secret of the account being saved: written to the keyring under the new name, or
// (kept in the file, or empty) taken out of it.
struct SecretChange
{
    QString key;
    QString secret;
    bool write;
};

} // namespace

QList<Profile> AccountStore::load(QString *error, AccountResult *secrets)
{
    const StoredFile stored = readStored();
    if (!stored.error.isEmpty()) {
        if (error)
            *error = stored.error;
        return {};
    }
    const ProfileList list
        = ProfileList::fromJson(QJsonDocument(stored.root).toJson(QJsonDocument::Compact), error);
    QList<Profile> profiles = list.profiles();
    for (int i = 0; i < profiles.size(); ++i) {
        // An older file's password is kept as read, then marked for the keyring.
        const AccountResult filled = fillSecrets(profiles[i]);
        if (secrets && secrets->ok() && !filled.ok())
            *secrets = filled;
        markImplicitPlaces(profiles[i], stored.profiles.at(i).toObject());
    }
    return profiles;
}

AccountResult AccountStore::fillSecrets(Profile &profile)
{
    const SecretStore keyring;
    auto fill = [&](bool used, SecretPlace place, const QString &key, QString &password) {
        if (!used || place != SecretPlace::Keyring)
            return AccountResult {};
        const SecretResult read = keyring.read(key);
        if (read.ok())
            password = read.secret;
        else if (read.status == SecretStatus::NotFound)
            password.clear();
        else
            return AccountResult { read.status, read.text };
        return AccountResult {};
    };
    const AccountResult smtp
        = fill(smtpSecretUsed(profile.transport), profile.transport.secretPlace,
            SecretStore::smtpKey(profile.name), profile.transport.password);
    if (!smtp.ok())
        return smtp;
    return fill(imapSecretUsed(profile.sentCopy), profile.sentCopy.secretPlace,
        SecretStore::imapKey(profile.name), profile.sentCopy.password);
}

AccountResult AccountStore::logonSecrets(Profile &profile)
{
    const SecretStore keyring;
    const auto need = [&](bool used, SecretPlace place, const QString &key, const QString &what,
                          bool standIn, QString &password) {
        if (!used || place != SecretPlace::Keyring)
            return AccountResult {};
        const SecretResult read = keyring.read(key);
        if (read.ok()) {
            password = read.secret;
            return AccountResult {};
        }
        if (read.status == SecretStatus::NotFound && standIn)
            return AccountResult {};
        if (read.status == SecretStatus::NotFound)
            return AccountResult { read.status,
                tr("The keyring holds no %1 for the mail account \"%2\"; enter it again in the "
                   "account's settings.")
                    .arg(what, profile.name) };
        return AccountResult { read.status,
            tr("The %1 of the mail account \"%2\" cannot be read from the keyring: %3")
                .arg(what, profile.name, read.text) };
    };
    const AccountResult smtp
        = need(smtpSecretUsed(profile.transport), profile.transport.secretPlace,
            SecretStore::smtpKey(profile.name), tr("password of the outgoing server"),
            !profile.password.isEmpty(), profile.transport.password);
    if (!smtp.ok())
        return smtp;
    return need(imapSecretUsed(profile.sentCopy), profile.sentCopy.secretPlace,
        SecretStore::imapKey(profile.name), tr("password of the Sent folder's server"), false,
        profile.sentCopy.password);
}

AccountResult AccountStore::save(const Profile &profile, const QString &previousName)
{
    StoredFile stored = readStored();
    if (!stored.error.isEmpty())
        return failure(stored.error);
    const QString name = profile.name.trimmed();
    if (name.isEmpty())
        return failure(tr("An account needs a name."));
    const int index = stored.indexOf(previousName.trimmed().isEmpty() ? name : previousName);
    const int clash = stored.indexOf(name);
    if (clash >= 0 && clash != index)
        return failure(tr("There is already an account called \"%1\".").arg(name));
    const QString oldName = index >= 0
        ? stored.profiles.at(index).toObject().value(QStringLiteral("name")).toString().trimmed()
        : QString();

    Profile saved = profile;
    saved.name = name;
    const QJsonObject base = index >= 0 ? stored.profiles.at(index).toObject() : QJsonObject();
    const int target = index >= 0 ? index : int(stored.profiles.size());
    if (index >= 0)
        stored.profiles.replace(index, profileJson(saved, base));
    else
        stored.profiles.append(profileJson(saved, base));
    if (saved.isDefault)
        for (int i = 0; i < stored.profiles.size(); ++i) {
            QJsonObject other = stored.profiles.at(i).toObject();
            if (i != target && other.value(QStringLiteral("default")).toBool()) {
                other.insert(QStringLiteral("default"), false);
                stored.profiles.replace(i, other);
            }
        }

    // Keyring secrets first: when the keyring cannot take them, nothing changes.
    const SecretStore keyring;
    const auto inKeyring = [](SecretPlace place, bool used, const QString &secret) {
        return place == SecretPlace::Keyring && used && !secret.isEmpty();
    };
    const SecretChange changes[] = {
        { SecretStore::smtpKey(name), saved.transport.password,
            inKeyring(saved.transport.secretPlace, smtpSecretUsed(saved.transport),
                saved.transport.password) },
        { SecretStore::imapKey(name), saved.sentCopy.password,
            inKeyring(saved.sentCopy.secretPlace, imapSecretUsed(saved.sentCopy),
                saved.sentCopy.password) },
    };
    for (const SecretChange &change : changes)
        if (change.write) {
            const SecretResult w = keyring.write(change.key, change.secret);
            if (!w.ok())
                return { w.status, w.text };
        }
    // An OAuth token and its application's secret are not in the profile: a rename carries
    // them over.
    const bool renamed = !oldName.isEmpty() && oldName != name;
    if (renamed) {
        for (const auto key : { &SecretStore::oauthKey, &SecretStore::oauthClientKey }) {
            const SecretResult token = keyring.read(key(oldName));
            if (token.ok()) {
                const SecretResult w = keyring.write(key(name), token.secret);
                if (!w.ok())
                    return { w.status, w.text };
            } else if (token.status != SecretStatus::NotFound
                && saved.transport.auth == TransportSettings::Auth::OAuth2) {
                return { token.status, token.text };
            }
        }
    }

    const AccountResult fileWritten = writeStored(stored);
    if (!fileWritten.ok())
        return fileWritten;

    // Secrets no longer kept under these keys leave the keyring. A keyring that does not
    // answer now holds nothing of this account that the file does not replace.
    for (const SecretChange &change : changes)
        if (!change.write)
            keyring.remove(change.key);
    if (renamed)
        for (const QString &key : { SecretStore::smtpKey(oldName), SecretStore::imapKey(oldName),
                 SecretStore::oauthKey(oldName), SecretStore::oauthClientKey(oldName) })
            keyring.remove(key);
    return {};
}

AccountResult AccountStore::remove(const QString &name)
{
    StoredFile stored = readStored();
    if (!stored.error.isEmpty())
        return failure(stored.error);
    const int index = stored.indexOf(name);
    if (index < 0)
        return failure(tr("There is no account called \"%1\".").arg(name.trimmed()));
    const QJsonObject entry = stored.profiles.at(index).toObject();
    const QString oldName = entry.value(QStringLiteral("name")).toString().trimmed();
    const auto keyringPlace = [&entry](const char *part) {
        return entry.value(QLatin1String(part)).toObject().value(QStringLiteral("passwordIn"))
            == QStringLiteral("keyring");
    };
    const bool usedKeyring = keyringPlace("transport") || keyringPlace("sentCopy")
        || entry.value(QStringLiteral("transport")).toObject().value(QStringLiteral("auth"))
            == QStringLiteral("oauth2");
    stored.profiles.removeAt(index);
    const AccountResult written = writeStored(stored);
    if (!written.ok())
        return written;
    const SecretStore keyring;
    AccountResult result;
    for (const QString &key : { SecretStore::smtpKey(oldName), SecretStore::imapKey(oldName),
             SecretStore::oauthKey(oldName), SecretStore::oauthClientKey(oldName) }) {
        const SecretResult removed = keyring.remove(key);
        if (!removed.ok() && result.ok() && usedKeyring)
            result = { removed.status,
                tr("The account \"%1\" is removed, but its passwords could not be taken out of "
                   "the keyring: %2")
                    .arg(oldName, removed.text) };
    }
    return result;
}

AccountResult AccountStore::setDefault(const QString &name)
{
    StoredFile stored = readStored();
    if (!stored.error.isEmpty())
        return failure(stored.error);
    const int index = stored.indexOf(name);
    if (index < 0)
        return failure(tr("There is no account called \"%1\".").arg(name.trimmed()));
    for (int i = 0; i < stored.profiles.size(); ++i) {
        QJsonObject p = stored.profiles.at(i).toObject();
        if (i == index || p.contains(QStringLiteral("default"))) {
            p.insert(QStringLiteral("default"), i == index);
            stored.profiles.replace(i, p);
        }
    }
    return writeStored(stored);
}
