#pragma once

#include "components/DlgInfFm.h"

#include <QElapsedTimer>
#include <QWidget>

class QFrame;
class QLabel;
class QProgressBar;
class QTimer;
class TDlgInfoActivity;

// The run window of TDlgInfo: a borderless, stay-on-top panel with the caption, the elapsed
// time, the activity animation and the bar. It lives for exactly one run and closes only from
// its timer, at the first tick after the job has finished.
class TFrmDlgInfo : public QWidget
{
    Q_OBJECT

public:
    static constexpr int ClientWidth = 472;
    static constexpr int ClientHeight = 113;
    // The caption and bar show a job's changes, and pending events are processed, at most this
    // often, so a job that changes its caption per row does not repaint faster than a screen
    // refresh. The latest values always reach the window within one interval.
    static constexpr int RefreshIntervalMs = 16;

    TFrmDlgInfo();
    ~TFrmDlgInfo() override;

    // Builds the animation and the bar and sets the parts' visibility and caption for a run.
    void prepareRun(
        bool animate, bool bar, qint32 min, qint32 max, bool time, const QString &caption);
    void setRunEvents(TNotifyEvent onShow, TNotifyEvent onExecute, TNotifyEvent onHide);
    void setRunStart(quint32 tick, TDlgLocation location, bool time, const QRect &mainWindow);

    // Shows the window modally, runs the job inside the showing and waits for the timer to
    // close the window.
    void showModalRun();

    // Changes from the component while the run is active.
    void setCaptionText(const QString &text);
    void setBarPosition(qint32 position);
    void setBarVisible(bool visible);
    void setBarMinimum(qint32 value);
    void setBarMaximum(qint32 value);

    bool runFinished() const { return m_finished; }
    // What the caption and bar show now or at the next refresh.
    QString captionText() const;
    int barPosition() const;

Q_SIGNALS:
    void closedByTimer();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void TmrTimer();
    void PnlMouseDown(QMouseEvent *event);
    void DoExecute();
    void showStep();
    void processPending(bool force);
    void applyPending();
    void waitProcessing(int milliseconds);

    QFrame *m_pnl;
    QLabel *m_lbl;
    QLabel *m_lblTime;
    QTimer *m_tmr;
    TDlgInfoActivity *m_ani = nullptr;
    QProgressBar *m_prg = nullptr;

    TNotifyEvent m_onShow;
    TNotifyEvent m_onExecute;
    TNotifyEvent m_onHide;
    bool m_time = false;
    TDlgLocation m_location = dlCenter;
    quint32 m_startTick = 0;
    QRect m_mainWindow;
    bool m_finished = false;
    bool m_closing = false;

    QElapsedTimer m_sinceRefresh;
    QTimer *m_refresh;
    QString m_pendingCaption;
    bool m_captionPending = false;
    int m_pendingPosition = 0;
    bool m_positionPending = false;
    // Manual drag, used when the windowing system cannot move the window itself.
    bool m_dragging = false;
    QPoint m_dragOffset;
};
