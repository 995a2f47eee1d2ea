#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>

#include <functional>

class TFrmDlgInfo;

// An owner-supplied callback that receives the sending object.
using TNotifyEvent = std::function<void(QObject *sender)>;

enum TDlgType {
    dtCustom,
    dtAppInit,
    dtAppDeInit,
    dtPosting,
    dtValidating,
    dtFinalising,
    dtDeleting
};
enum TDlgLocation { dlCenter, dlTopLeft, dlTopRight, dlBottomLeft, dlBottomRight };

// Where the run window's top-left corner goes: centred in the whole main window or in one of
// its quarters. Divisions truncate toward zero; the result is not clamped to the screen.
QPoint DlgInfoPlacement(const QRect &mainWindow, const QSize &dialog, TDlgLocation location);

// The elapsed time between two millisecond ticks (unsigned 32-bit, so a wrapped counter still
// gives the right difference) as "%6.1f secs", with the locale's decimal separator.
QString ElapsedTimeText(quint32 startTick, quint32 nowTick);

// The system's millisecond tick counter, truncated to 32 bits.
quint32 TickCount();

// Runs one long job on the user-interface thread while a small stay-on-top window shows a
// caption, an optional activity animation, bar and elapsed time. Execute shows the window
// modally, runs OnExecute inside the showing and returns once the window's timer has closed it.
class TDlgInfo : public QObject
{
    Q_OBJECT

public:
    explicit TDlgInfo(QObject *owner = nullptr, const QString &name = QString());
    ~TDlgInfo() override;

    bool animate() const { return m_animate; }
    void setAnimate(bool value) { m_animate = value; }
    bool bar() const { return m_bar; }
    void setBar(bool value);
    bool time() const { return m_time; }
    void setTime(bool value) { m_time = value; }
    const QString &caption() const { return m_caption; }
    void setCaption(const QString &value);
    TDlgType dialogType() const { return m_dialogType; }
    void setDialogType(TDlgType value);
    TDlgLocation location() const { return m_location; }
    void setLocation(TDlgLocation value) { m_location = value; }
    qint32 min() const { return m_min; }
    void setMin(qint32 value);
    qint32 max() const { return m_max; }
    void setMax(qint32 value);
    qint32 position() const { return m_position; }
    void setPosition(qint32 value);

    // Handlers, each called with the run window as sender; copied at each Execute.
    TNotifyEvent OnShow;
    TNotifyEvent OnExecute;
    TNotifyEvent OnHide;

    // Shows the window, runs the job and returns after the window has closed. Errors escaping
    // the job are shown once and do not reach the caller. Calling it again while a run is
    // active raises an error instead of tearing down the running window.
    void Execute();

    bool isRunning() const;
    // The run window while a run is active, else null.
    TFrmDlgInfo *runWindow() const;

private:
    QRect mainWindowBounds() const;

    bool m_animate = true;
    bool m_bar = true;
    bool m_time = false;
    QString m_caption;
    TDlgType m_dialogType = dtCustom;
    TDlgLocation m_location = dlCenter;
    qint32 m_min = 0;
    qint32 m_max = 0;
    qint32 m_position = 0;
    QPointer<TFrmDlgInfo> m_form;
};
