#pragma once

#include <QList>
#include <QString>

// Mail profiles of the current user, kept in mail-profiles.json under the user's
// configuration folder (PROFILES.md describes the file).
struct Contact
{
    QString name;
    QString address;
};

struct TransportSettings
{
    enum class Kind { Smtp, Sendmail, DropFolder };
    enum class Tls { None, Try, Required };

    Kind kind = Kind::DropFolder;
    QString url; // smtp://host:port or smtps://host:port
    QString username; // empty: no authentication
    QString password; // empty: the profile's password
    Tls tls = Tls::Try;
    bool verifyPeer = true;
    int connectTimeoutSeconds = 30;
    int timeoutSeconds = 120;
    QString command; // sendmail-compatible program and its arguments
    QString folder; // drop folder
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

private:
    QList<Profile> m_profiles;
};
