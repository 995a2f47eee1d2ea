#pragma once

#include "platform/keyring/SecretStore.h"
#include "platform/mapi/Profiles.h"

#include <QList>
#include <QString>

// Saving the user's mail accounts: the profiles file (ProfileList::file()) written
// atomically, and each account's secrets where its secretPlace says.
//
// Secrets of a place Keyring live in the keyring under SecretStore's keys and are never
// written to the file; a place File keeps them in the file, which is then readable by its
// owner only (0600). Every save writes only the account it is given (and the default
// mark), so the other accounts and any keys this program does not know stay as they were.
struct AccountResult
{
    SecretStatus status = SecretStatus::Ok;
    QString text; // in the user's words; empty when Ok

    bool ok() const { return status == SecretStatus::Ok; }
};

class AccountStore
{
public:
    // The accounts for editing, secrets filled in (see fillSecrets). A password an older
    // file holds without saying where is marked SecretPlace::Keyring, so saving the account
    // moves it into the keyring. A missing file is an empty list; a damaged one sets
    // *error and gives an empty list. *secrets (when given) tells the first secret that
    // could not be read from the keyring; the profile is returned with that secret empty.
    static QList<Profile> load(QString *error, AccountResult *secrets = nullptr);

    // Adds the account, or replaces the one called previousName (or, when previousName is
    // empty, the one of the same name; letter case ignored). A rename moves the keyring
    // secrets to the new name. Secrets are written before the file; when the keyring does
    // not answer (NoService) or refuses (Failed), nothing is written at all, so the caller
    // can ask the user and save again with SecretPlace::File. A name another account
    // already has is refused (Failed). Marking the account default unmarks the others.
    static AccountResult save(const Profile &profile, const QString &previousName = QString());

    // Removes the account and its keyring secrets (a keyring that does not answer leaves
    // the secrets there, but the account is removed and the answer says so).
    static AccountResult remove(const QString &name);

    // Makes the account the default one, the others not.
    static AccountResult setDefault(const QString &name);

    // Reads the secrets of a place Keyring (the SMTP password when the account signs in
    // with a user name and a password, the IMAP password of an IMAP Sent copy with a user
    // name). Secrets of a place File are left as they are. NotFound is not an error here:
    // the secret stays empty and the answer is Ok; other answers stop at the first failure.
    // Saving a profile whose secrets could not be read takes them out of the keyring, as the
    // empty password says: ask the user for them first.
    static AccountResult fillSecrets(Profile &profile);

    // The secrets a logon needs, read from the keyring: as fillSecrets, but a secret the
    // account uses that the keyring lacks is an error too (NotFound), unless the account's
    // logon password stands in for its SMTP password. The text names the account.
    static AccountResult logonSecrets(Profile &profile);
};
