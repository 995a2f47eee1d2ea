#pragma once

#include <QPointer>
#include <QThread>
#include <QWidget>

#include <atomic>
#include <memory>

class TvxRepeatButton;

// The arrow a repeat button shows.
enum TvxRptStyle { rsNone, rsCombo, rsDown, rsLeft, rsRight, rsUp, rsDblLeft, rsDblRight };

// The sleeping of a repeat worker, replaceable so tests run the repeat on virtual time.
class TvxRepeatClock
{
public:
    virtual ~TvxRepeatClock() = default;
    // Called on the worker thread.
    virtual void Sleep(int milliseconds) = 0;
};

// The wall clock.
std::shared_ptr<TvxRepeatClock> SystemRepeatClock();

// One low-priority worker per press: sleeps the first delay, then hands a click to the
// user-interface thread and waits for it, every interval, until stopped. It touches no control
// itself and deletes itself when it ends.
class TvxRepeatThread final : public QThread
{
    Q_OBJECT
public:
    static constexpr int FirstDelay = 400;
    static constexpr int Interval = 35;

    TvxRepeatThread(TvxRepeatButton *button, std::shared_ptr<TvxRepeatClock> clock);

    // User-interface thread: asks the worker to end; no click is made after this.
    void Stop() { m_stopped = true; }

protected:
    void run() override;

private:
    bool DeliverClick();

    QPointer<TvxRepeatButton> m_button; // read on the user-interface thread only
    std::shared_ptr<TvxRepeatClock> m_clock;
    std::atomic<bool> m_stopped { false };
};

// An arrow button that clicks once when pressed and keeps clicking while held down.
class TvxRepeatButton : public QWidget
{
    Q_OBJECT
public:
    explicit TvxRepeatButton(QWidget *parent = nullptr);
    ~TvxRepeatButton() override;

    TvxRptStyle Style() const { return m_style; }
    void SetStyle(TvxRptStyle style);
    bool Ctl3D() const { return m_ctl3D; }
    void SetCtl3D(bool ctl3D);
    bool IsPressed() const { return m_pressed; }

    void SetRepeatClock(std::shared_ptr<TvxRepeatClock> clock) { m_clock = std::move(clock); }

Q_SIGNALS:
    void OnClick(TvxRepeatButton *sender);
    // Replaces the standard face when connected (the owner paints).
    void OnPaint(TvxRepeatButton *sender, QPainter *painter);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    friend class TvxRepeatThread;
    // A click handed over by the worker; false ends the repeat.
    bool RepeatClick();
    void Press();
    void Release();
    void StartRepeat();
    void StopRepeat();

    TvxRptStyle m_style = rsNone;
    bool m_ctl3D = true;
    bool m_pressed = false;
    bool m_holding = false; // the left button went down here and is not yet released
    TvxRepeatThread *m_thread = nullptr;
    std::shared_ptr<TvxRepeatClock> m_clock;
};
