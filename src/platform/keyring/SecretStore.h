#pragma once

#include <QString>

// The desktop keyring (the Secret Service, or KWallet on KDE) as a blocking store of the
// secrets of the user's mail accounts: passwords and OAuth refresh tokens.
//
// Every call is carried out on one thread of its own that does nothing else, and waits for
// the answer: on the GUI thread in a local event loop that keeps windows painting but takes
// no user input, on any other thread blocked. So a call may be made from the GUI thread, a
// QThread or a plain std::thread, also from several at once; they are answered one after
// another. A QCoreApplication must exist (otherwise the answer is Failed); the calling
// thread needs no event loop of its own. A call waits at most the timeout for the keyring.
enum class SecretStatus {
    Ok,
    NotFound, // the keyring answers but holds no such secret
    NoService, // no keyring answers on the session bus (secrets are never put in a file)
    Failed // the keyring refused (locked, access denied) or failed
};

struct SecretResult
{
    SecretStatus status = SecretStatus::Failed;
    QString text; // what happened, in the user's words; empty when Ok
    QString secret; // the secret read; empty for write and remove

    bool ok() const { return status == SecretStatus::Ok; }
};

class SecretStore
{
public:
    // All the program's secrets are kept under this service name.
    static QString serviceName(); // "Velloran Mail"

    explicit SecretStore(const QString &service = serviceName());

    SecretResult read(const QString &key) const;
    SecretResult write(const QString &key, const QString &secret) const;
    // Removing a secret the keyring does not hold answers Ok.
    SecretResult remove(const QString &key) const;

    // Keys of an account's secrets: "<profile>/smtp", "<profile>/imap", "<profile>/oauth".
    static QString smtpKey(const QString &profile);
    static QString imapKey(const QString &profile);
    static QString oauthKey(const QString &profile);
    // "<profile>/oauth-client": the secret of the OAuth application the account signs in with,
    // where its provider issues one.
    static QString oauthClientKey(const QString &profile);

    // How long one call waits for the keyring before answering Failed (default 30 s;
    // an unlock prompt counts against it).
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }

private:
    QString m_service;
    int m_timeoutMs = 30000;
};
