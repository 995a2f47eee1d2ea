#include "components/DlgInfActivity.h"
#include "components/DlgInfFm.h"
#include "components/DlgInfFmForm.h"
#include "support/ScriptedMessageService.h"
#include "util/Errors.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTest>

#include <gmock/gmock.h>

#include <stdexcept>

namespace {

template <typename T> T *Child(QObject *form, const char *name)
{
    return form->findChild<T *>(QString::fromLatin1(name));
}

void DisposeReleasedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST(TDlgInfoRun, JobRunsInsideTheShownModalWindowWithTheStoredProperties)
{
    ScopedMessages messages;
    TDlgInfo dialog(nullptr, QStringLiteral("DlgRun"));
    dialog.setAnimate(false);
    dialog.setTime(true);
    dialog.setCaption(QStringLiteral("Building Query .."));
    dialog.setMin(0);
    dialog.setMax(10);
    dialog.setPosition(5);

    QStringList events;
    QObject *shownSender = nullptr;
    dialog.OnShow = [&](QObject *sender) {
        events << QStringLiteral("show");
        shownSender = sender;
    };
    dialog.OnExecute = [&](QObject *sender) {
        events << QStringLiteral("execute");
        auto *form = qobject_cast<TFrmDlgInfo *>(sender);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(sender, shownSender);
        EXPECT_EQ(dialog.runWindow(), form);
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), form);
        EXPECT_EQ(form->windowTitle(), QStringLiteral("Progess..."));
        EXPECT_EQ(form->size(), QSize(472, 113));
        EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
        auto *label = Child<QLabel>(form, "Lbl");
        auto *bar = Child<QProgressBar>(form, "Prg");
        EXPECT_EQ(label->text(), QStringLiteral("Building Query .."));
        EXPECT_FALSE(Child<TDlgInfoActivity>(form, "Ani")->isVisible());
        EXPECT_TRUE(Child<QLabel>(form, "LblTime")->isVisible());
        EXPECT_TRUE(bar->isVisible());
        EXPECT_EQ(bar->value(), 0) << "the stored position is not applied at the start";
        EXPECT_EQ(bar->maximum(), 10);

        // Changes reach the window within one refresh interval, also when the job itself
        // lets events through.
        dialog.setCaption(QStringLiteral("Building Results"));
        EXPECT_EQ(form->captionText(), QStringLiteral("Building Results"));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return label->text() == QStringLiteral("Building Results"); }, 500));
        dialog.setPosition(7);
        EXPECT_TRUE(QTest::qWaitFor([&] { return bar->value() == 7; }, 500));
        dialog.setPosition(25);
        EXPECT_EQ(form->barPosition(), 10) << "the bar clamps into its range";
        EXPECT_TRUE(QTest::qWaitFor([&] { return bar->value() == 10; }, 500));
        dialog.setMax(100);
        EXPECT_EQ(bar->maximum(), 100);
        dialog.setBar(false);
        EXPECT_FALSE(bar->isVisible());
    };
    dialog.OnHide = [&](QObject *) { events << QStringLiteral("hide"); };

    dialog.Execute();
    EXPECT_FALSE(dialog.isRunning());
    EXPECT_EQ(events, (QStringList { QStringLiteral("show"), QStringLiteral("execute") }));
    DisposeReleasedWindows();
    EXPECT_EQ(events.last(), QStringLiteral("hide")) << "raised when the window is disposed of";
    EXPECT_TRUE(messages->entries.isEmpty());
    EXPECT_EQ(dialog.position(), 25);
}

namespace {

// Counts the events it receives, to see whether a change let pending events through.
class EventCounter : public QObject
{
public:
    int count = 0;
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User) {
            ++count;
            return true;
        }
        return QObject::event(event);
    }
};

void SpinPastRefreshInterval()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() <= TFrmDlgInfo::RefreshIntervalMs * 2) { }
}

} // namespace

TEST(TDlgInfoRun, AChangeLetsPendingEventsThroughAndAnEqualValueDoesNothing)
{
    TDlgInfo dialog;
    dialog.setCaption(QStringLiteral("same"));
    dialog.setMax(10);
    EventCounter counter;
    int afterEqual = -1;
    int afterChange = -1;
    int afterPosition = -1;
    dialog.OnExecute = [&](QObject *) {
        SpinPastRefreshInterval();
        QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
        dialog.setCaption(QStringLiteral("same"));
        dialog.setPosition(0);
        afterEqual = counter.count;
        dialog.setCaption(QStringLiteral("changed"));
        afterChange = counter.count;

        SpinPastRefreshInterval();
        QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
        dialog.setPosition(3);
        afterPosition = counter.count;
    };
    dialog.Execute();
    EXPECT_EQ(afterEqual, 0);
    EXPECT_EQ(afterChange, 1);
    EXPECT_EQ(afterPosition, 2);
    DisposeReleasedWindows();
}

TEST(TDlgInfoRun, TheLastChangesOfATightLoopAreShownWhenTheJobEnds)
{
    TDlgInfo dialog;
    dialog.setMax(1000);
    QString caption;
    int position = -1;
    dialog.OnShow = [&](QObject *sender) {
        // Read after the job, before the window closes.
        auto *form = qobject_cast<TFrmDlgInfo *>(sender);
        QObject::connect(form, &TFrmDlgInfo::closedByTimer, form, [&, form] {
            caption = Child<QLabel>(form, "Lbl")->text();
            position = Child<QProgressBar>(form, "Prg")->value();
        });
    };
    dialog.OnExecute = [&](QObject *) {
        for (int row = 1; row <= 1000; ++row) {
            dialog.setCaption(QStringLiteral("Row %1").arg(row));
            dialog.setPosition(row);
        }
    };
    dialog.Execute();
    EXPECT_EQ(caption, QStringLiteral("Row 1000"));
    EXPECT_EQ(position, 1000);
    DisposeReleasedWindows();
}

TEST(TDlgInfoRun, EveryRunBuildsAFreshWindowAndAnimationFollowsAnimate)
{
    TDlgInfo dialog;
    QPointer<QObject> first;
    dialog.OnExecute = [&](QObject *sender) {
        first = sender;
        EXPECT_TRUE(Child<TDlgInfoActivity>(sender, "Ani")->isPlaying());
        EXPECT_FALSE(Child<QLabel>(sender, "LblTime")->isVisible());
    };
    dialog.Execute();
    DisposeReleasedWindows();
    EXPECT_TRUE(first.isNull());

    dialog.setAnimate(false);
    dialog.OnExecute = [&](QObject *sender) {
        EXPECT_FALSE(Child<TDlgInfoActivity>(sender, "Ani")->isPlaying());
    };
    dialog.Execute();
    DisposeReleasedWindows();
}

TEST(TDlgInfoRun, ErrorsFromTheJobAreShownOnceAndTheCallerCarriesOn)
{
    ScopedMessages messages;
    TDlgInfo dialog;
    dialog.OnExecute = [](QObject *) { throw Exception(QStringLiteral("Table not found")); };
    dialog.Execute();
    EXPECT_EQ(messages->texts(), QStringList { QStringLiteral("Table not found") });
    EXPECT_EQ(messages->entries[0].kind, MessageService::Kind::Error);
    EXPECT_FALSE(dialog.isRunning());

    // The abort error is reported like any other error of the framework.
    dialog.OnExecute = [](QObject *) { Abort(); };
    dialog.Execute();
    EXPECT_EQ(messages->texts().last(), QStringLiteral("Operation aborted"));

    // Errors of other kinds are not dropped silently either.
    dialog.OnExecute = [](QObject *) { throw std::runtime_error("disk full"); };
    dialog.Execute();
    EXPECT_EQ(messages->texts().last(), QStringLiteral("disk full"));
    dialog.OnExecute = [](QObject *) { throw 42; };
    dialog.Execute();
    EXPECT_EQ(messages->entries.size(), 4);
    DisposeReleasedWindows();
}

TEST(TDlgInfoRun, NestedExecuteIsRefusedAndTheOuterRunFinishes)
{
    ScopedMessages messages;
    TDlgInfo dialog(nullptr, QStringLiteral("DlgNested"));
    bool outerCarriedOn = false;
    dialog.OnExecute = [&](QObject *) {
        EXPECT_THROW(dialog.Execute(), Exception);
        EXPECT_TRUE(dialog.isRunning());
        dialog.setCaption(QStringLiteral("still here"));
        outerCarriedOn = true;
    };
    dialog.Execute();
    EXPECT_TRUE(outerCarriedOn);
    EXPECT_TRUE(messages->entries.isEmpty());
    DisposeReleasedWindows();
}

TEST(TDlgInfoRun, TimerNeverClosesTheWindowWhileTheJobRunsAndShowsTheElapsedTime)
{
    TDlgInfo dialog;
    dialog.setTime(true);
    bool visibleAtEnd = false;
    QString elapsed;
    dialog.OnExecute = [&](QObject *sender) {
        auto *form = qobject_cast<QWidget *>(sender);
        // Several ticks pass while the job lets messages through.
        QTest::qWait(1200);
        visibleAtEnd = form->isVisible();
        elapsed = Child<QLabel>(sender, "LblTime")->text();
    };
    dialog.Execute();
    EXPECT_TRUE(visibleAtEnd);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^ *\\d+[.,]\\d secs$")).match(elapsed).hasMatch())
        << qPrintable(elapsed);
    DisposeReleasedWindows();
}

TEST(TDlgInfoRun, WithoutAJobTheWindowShowsAndClosesAndOnlyTheTimerClosesIt)
{
    TDlgInfo dialog;
    bool refused = false;
    dialog.OnShow = [&](QObject *sender) {
        auto *form = qobject_cast<QWidget *>(sender);
        form->close();
        refused = form->isVisible();
    };
    dialog.Execute();
    EXPECT_TRUE(refused) << "a close request other than the timer's is ignored";
    EXPECT_FALSE(dialog.isRunning());
    DisposeReleasedWindows();
}

TEST(TDlgInfoRun, PlacedOverTheOwnersWindowAndDraggedByThePanel)
{
    QMainWindow main;
    main.setGeometry(100, 100, 800, 600);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    const QRect frame = main.frameGeometry();

    TDlgInfo dialog(&main, QStringLiteral("DlgPlaced"));
    dialog.setLocation(dlBottomRight);
    QPoint placed;
    QPoint dragged;
    dialog.OnExecute = [&](QObject *sender) {
        auto *form = qobject_cast<QWidget *>(sender);
        placed = form->pos();
        QWidget *panel = Child<QWidget>(sender, "Pnl");
        const QPoint start = panel->mapToGlobal(QPoint(30, 90));
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(30, 90), QPointF(start), Qt::LeftButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panel, &press);
        const QPoint end = start + QPoint(40, -25);
        QMouseEvent move(QEvent::MouseMove, QPointF(70, 65), QPointF(end), Qt::NoButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panel, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(70, 65), QPointF(end),
            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(panel, &release);
        dragged = form->pos();
    };
    dialog.Execute();
    EXPECT_EQ(placed, DlgInfoPlacement(frame, QSize(472, 113), dlBottomRight));
    if (frame == QRect(100, 100, 800, 600)) {
        EXPECT_EQ(placed, QPoint(464, 494));
    }
    EXPECT_EQ(dragged, placed + QPoint(40, -25));
    DisposeReleasedWindows();
}
