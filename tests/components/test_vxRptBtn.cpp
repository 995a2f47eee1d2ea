#include "components/vxCalendar.h"
#include "components/vxRptBtn.h"

#include "vxTestWindow.h"

#include <QMouseEvent>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

namespace {

// Virtual time: each sleep returns at once and moves the clock on. When the time reaches
// the end of the hold, the user lets go (on the user-interface thread, as a real release).
class HoldClock final : public TvxRepeatClock
{
public:
    HoldClock(int holdFor, std::function<void()> release)
        : m_holdFor(holdFor)
        , m_release(std::move(release))
    { }

    void Sleep(int milliseconds) override
    {
        const int before = m_now.fetch_add(milliseconds);
        if (before < m_holdFor && before + milliseconds >= m_holdFor) {
            QMetaObject::invokeMethod(qApp, m_release, Qt::BlockingQueuedConnection);
            m_released = true;
        }
    }

    int Now() const { return m_now; }
    bool Released() const { return m_released; }

private:
    const int m_holdFor;
    std::function<void()> m_release;
    std::atomic<int> m_now { 0 };
    std::atomic<bool> m_released { false };
};

// Returns at once and records which worker asked for how long.
class RecordingClock final : public TvxRepeatClock
{
public:
    void Sleep(int milliseconds) override
    {
        // Numbered per thread (every worker is a new thread): a finished worker's address or
        // id may be reused by the next one.
        thread_local int worker = -1;
        const std::lock_guard lock(m_mutex);
        if (worker < 0) {
            worker = static_cast<int>(m_sleeps.size());
            m_sleeps.emplace_back();
        }
        m_sleeps[worker].push_back(milliseconds);
    }

    std::vector<std::vector<int>> Sleeps()
    {
        const std::lock_guard lock(m_mutex);
        return m_sleeps;
    }

private:
    std::mutex m_mutex;
    std::vector<std::vector<int>> m_sleeps;
};

void MoveWithButtonHeld(QWidget *widget, const QPoint &position)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(position), widget->mapToGlobal(QPointF(position)),
        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

} // namespace

TEST(RepeatButton, NextMonthHeldForOneSecond)
{
    VxTestWindow window;
    auto *calendar = new TvxCalendar(&window);
    ASSERT_TRUE(window.ShowActive());
    calendar->SetCalendarDate(QDate(2011, 1, 15));
    TvxRepeatButton *next = calendar->NextMonthButton();
    const QPoint centre = next->rect().center();

    auto clock = std::make_shared<HoldClock>(
        1000, [next, centre] { QTest::mouseRelease(next, Qt::LeftButton, {}, centre); });
    next->SetRepeatClock(clock);
    std::vector<int> clickTimes;
    QObject::connect(
        next, &TvxRepeatButton::OnClick, next, [&] { clickTimes.push_back(clock->Now()); });

    QTest::mousePress(next, Qt::LeftButton, {}, centre);
    EXPECT_TRUE(next->IsPressed());
    ASSERT_TRUE(QTest::qWaitFor([&] { return clock->Released(); }));
    QTest::qWait(50); // a late click from the worker would arrive here
    EXPECT_FALSE(next->IsPressed());

    // One at once, none for 400 ms, then one every 35 ms while held.
    ASSERT_EQ(clickTimes.size(), 19u);
    EXPECT_EQ(clickTimes[0], 0);
    for (std::size_t i = 1; i < clickTimes.size(); ++i)
        EXPECT_EQ(clickTimes[i], 400 + 35 * static_cast<int>(i - 1)) << i;
    EXPECT_EQ(calendar->CalendarDate(), QDate(2011, 1, 15).addMonths(19));
}

TEST(RepeatButton, LeavingStopsAndComingBackRestartsWithTheFirstDelay)
{
    VxTestWindow window;
    auto *button = new TvxRepeatButton(&window);
    button->SetStyle(rsRight);
    ASSERT_TRUE(window.ShowActive());
    auto clock = std::make_shared<RecordingClock>();
    button->SetRepeatClock(clock);
    int clicks = 0;
    QObject::connect(button, &TvxRepeatButton::OnClick, button, [&] { ++clicks; });
    const QPoint centre = button->rect().center();

    QTest::mousePress(button, Qt::LeftButton, {}, centre);
    EXPECT_EQ(clicks, 1);
    MoveWithButtonHeld(button, QPoint(-10, centre.y()));
    EXPECT_FALSE(button->IsPressed());
    QTest::qWait(50);
    EXPECT_EQ(clicks, 1) << "a click arrived after the pointer left";

    MoveWithButtonHeld(button, centre);
    EXPECT_TRUE(button->IsPressed());
    EXPECT_EQ(clicks, 1) << "coming back is no click of its own";
    ASSERT_TRUE(QTest::qWaitFor([&] { return clicks >= 4; }));

    QTest::mouseRelease(button, Qt::LeftButton, {}, centre);
    EXPECT_FALSE(button->IsPressed());
    const int released = clicks;
    QTest::qWait(50);
    EXPECT_EQ(clicks, released) << "a click arrived after the release";

    const auto sleeps = clock->Sleeps();
    ASSERT_EQ(sleeps.size(), 2u);
    for (const auto &times : sleeps) {
        ASSERT_FALSE(times.empty());
        EXPECT_EQ(times.front(), 400);
        for (std::size_t i = 1; i < times.size(); ++i)
            EXPECT_EQ(times[i], 35);
    }
}

TEST(RepeatButton, DestroyedWhileHeldMakesNoFurtherClicks)
{
    VxTestWindow window;
    auto *button = new TvxRepeatButton(&window);
    ASSERT_TRUE(window.ShowActive());
    auto clock = std::make_shared<RecordingClock>();
    button->SetRepeatClock(clock);
    int clicks = 0;
    QObject::connect(button, &TvxRepeatButton::OnClick, &window, [&] { ++clicks; });
    QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return clicks >= 3; }));
    delete button;
    const int before = clicks;
    QTest::qWait(50);
    EXPECT_EQ(clicks, before);
}
