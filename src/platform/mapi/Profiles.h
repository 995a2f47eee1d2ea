#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Mail profiles of the current user, kept in mail-profiles.json under the user's
// configuration folder (PROFILES.md describes the file).
struct Contact
{
    QString name;
    QString address;
};

// Where a secret (password, refresh token) of an account is kept: the desktop keyring,
// or the profiles file itself when the user chose so because no keyring answers.
enum class SecretPlace { Keyring, File };

// How an account signs in to its servers: with a password, or with an OAuth 2.0 token.
struct OAuthSettings
{
    enum class Provider { Microsoft, Google, Custom };

    Provider provider = Provider::Microsoft;
    QString clientId;
    QString tenant; // Microsoft only: the directory (tenant) id or name
    QString authorizationEndpoint; // custom provider; presets derive theirs
    QString tokenEndpoint;
    QString deviceEndpoint; // empty: no device code flow
    QStringList scopes;
};

struct TransportSettings
{
    enum class Kind { Smtp, Sendmail, DropFolder };
    enum class Tls { None, Try, Required };
    enum class Auth { Password, OAuth2 };

    Kind kind = Kind::DropFolder;
    QString url; // smtp://host:port or smtps://host:port
    QString username; // empty: no authentication
    QString password; // empty: the profile's password (or, in the keyring, see secretPlace)
    SecretPlace secretPlace = SecretPlace::File;
    Auth auth = Auth::Password;
    Tls tls = Tls::Try;
    bool verifyPeer = true;
    int connectTimeoutSeconds = 30;
    int timeoutSeconds = 120;
    QString command; // sendmail-compatible program and its arguments
    QString folder; // drop folder
    int messagesPerMinute = 0; // 0: no limit
};

// Where the copy of a sent message goes besides the local Sent Items folder.
struct SentCopySettings
{
    enum class Kind {
        Server, // the outgoing server files it in Sent itself
        Imap, // uploaded to the user's Sent folder
        Local // kept on this computer only
    };

    Kind kind = Kind::Local;
    QString url; // imap://host:port or imaps://host:port
    TransportSettings::Tls tls = TransportSettings::Tls::Try;
    QString username;
    QString password; // in the file only when secretPlace is File
    SecretPlace secretPlace = SecretPlace::File;
    QString folder; // empty: the folder flagged \Sent (RFC 6154)
};

struct Profile
{
    QString name;
    bool isDefault = false;
    QString password; // logon password; empty accepts any
    QString senderName;
    QString senderAddress;
    QString storeFolder;
    TransportSettings transport;
    SentCopySettings sentCopy;
    OAuthSettings oauth; // used when transport.auth is OAuth2
    QList<Contact> contacts;
};

class ProfileList
{
public:
    // Reads the user's file; a missing file is an empty list, a damaged one an error.
    static ProfileList load(QString *error = nullptr);
    static ProfileList fromJson(const QByteArray &json, QString *error);
    static QString file();

    const QList<Profile> &profiles() const { return m_profiles; }
    // By name, letter case ignored.
    const Profile *find(const QString &name) const;
    // The profile marked default, or the only one.
    const Profile *defaultProfile() const;
    // By name, or the default profile where none has that name (the one a session logs on
    // with for a profile name that may be empty).
    const Profile *findOrDefault(const QString &name) const;

private:
    QList<Profile> m_profiles;
};
