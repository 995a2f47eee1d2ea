#include "dispatch/MessagePacer.h"

#include "platform/mapi/Profiles.h"

#include <QElapsedTimer>
#include <QThread>

namespace {

class SystemClock final : public PacingClock
{
public:
    SystemClock() { m_timer.start(); }
    qint64 now() override { return m_timer.elapsed(); }
    void wait(qint64 ms) override { QThread::msleep(ulong(std::max<qint64>(ms, 0))); }

private:
    QElapsedTimer m_timer;
};

PacingClock *g_clock = nullptr;

// Short enough slices that the window stays live while the run waits.
constexpr qint64 kSlice = 50;

} // namespace

PacingClock &PacingClock::instance()
{
    static SystemClock system;
    return g_clock ? *g_clock : system;
}

void PacingClock::setInstance(PacingClock *clock)
{
    g_clock = clock;
}

MessagePacer::MessagePacer(int perMinute, QString account)
    : m_perMinute(std::max(perMinute, 0))
    , m_account(std::move(account))
{ }

void MessagePacer::awaitTurn(DispatchProgress &progress)
{
    PacingClock &clock = PacingClock::instance();
    if (m_perMinute > 0 && m_last) {
        const qint64 interval = (60000 + m_perMinute - 1) / m_perMinute;
        const qint64 due = *m_last + interval;
        qint64 shown = -1;
        for (qint64 left = due - clock.now(); left > 0; left = due - clock.now()) {
            const qint64 seconds = (left + 999) / 1000;
            if (seconds != shown) {
                progress.setCaption(
                    QStringLiteral("Waiting %1 s: the account \"%2\" sends at most %3 messages a "
                                   "minute")
                        .arg(QString::number(seconds), m_account, QString::number(m_perMinute)));
                shown = seconds;
            }
            clock.wait(std::min(left, kSlice));
            progress.processEvents();
        }
    }
    m_last = clock.now();
}

int MessagesPerMinuteOf(const QString &profileName, QString *name)
{
    const ProfileList list = ProfileList::load();
    const Profile *profile = list.findOrDefault(profileName);
    if (!profile)
        return 0;
    if (name)
        *name = profile->name;
    return profile->transport.messagesPerMinute;
}
