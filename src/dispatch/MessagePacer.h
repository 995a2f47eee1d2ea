#pragma once

#include "dispatch/DispatchProgress.h"

#include <QString>

#include <optional>

// The clock the e-mail run paces its messages by. Tests put in one of their own, so a wait
// is checked by that clock rather than by sleeping.
class PacingClock
{
public:
    virtual ~PacingClock() = default;
    // Milliseconds on a clock that never goes back.
    virtual qint64 now() = 0;
    // Lets ms milliseconds pass.
    virtual void wait(qint64 ms) = 0;

    // The clock in use: the system's unless a test set its own (null restores the system's).
    static PacingClock &instance();
    static void setInstance(PacingClock *clock);
};

// Keeps an account's messages at most perMinute a minute, spread evenly: each message waits
// until 60/perMinute seconds have passed since the one before it.
class MessagePacer
{
public:
    // perMinute 0: no limit. account: the account's name, for the caption.
    MessagePacer(int perMinute, QString account);

    // Called right before each message: waits while the limit holds the message back,
    // showing the wait in the caption and letting window messages through.
    void awaitTurn(DispatchProgress &progress);

    int perMinute() const { return m_perMinute; }

private:
    int m_perMinute;
    QString m_account;
    std::optional<qint64> m_last; // when the last message went
};

// The message-per-minute limit of the mail profile a session logs on with (the named one,
// else the default); 0 when it has none or the profiles cannot be read. name receives the
// profile's name.
int MessagesPerMinuteOf(const QString &profileName, QString *name = nullptr);
