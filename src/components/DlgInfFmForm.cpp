#include "components/DlgInfFmForm.h"

#include "components/ClassicFont.h"
#include "components/DlgInfActivity.h"
#include "util/MessageService.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTimer>
#include <QWindow>

#include <exception>

namespace {

QFont DialogFont(int pixelSize)
{
    QFont font = ClassicSansFont();
    font.setPixelSize(pixelSize);
    return font;
}

// Where the caption and the elapsed time go: their own places, or, with the animation shown,
// the caption below it and the time beside it, so the animation hides neither.
QRect CaptionGeometry(bool animate)
{
    return animate ? QRect(10, 68, 453, 41) : QRect(10, 21, 453, 41);
}

QRect TimeGeometry(bool animate)
{
    return animate ? QRect(359, 21, 104, 20) : QRect(196, 21, 52, 20);
}

} // namespace

TFrmDlgInfo::TFrmDlgInfo()
    : QWidget(nullptr, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_pnl(new QFrame(this))
    , m_lbl(new QLabel(m_pnl))
    , m_lblTime(new QLabel(m_pnl))
    , m_tmr(new QTimer(this))
    , m_refresh(new QTimer(this))
{
    setObjectName(QStringLiteral("FrmDlgInfo"));
    setFixedSize(ClientWidth, ClientHeight);
    setFont(DialogFont(11));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);

    m_pnl->setObjectName(QStringLiteral("Pnl"));
    m_pnl->setGeometry(rect());
    m_pnl->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_pnl->setLineWidth(2);
    m_pnl->setFont(DialogFont(16));
    m_pnl->installEventFilter(this);

    m_lbl->setObjectName(QStringLiteral("Lbl"));
    m_lbl->setGeometry(CaptionGeometry(false));
    m_lbl->setWordWrap(true);
    m_lbl->setTextFormat(Qt::PlainText);
    m_lbl->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lbl->setFont(DialogFont(15));
    m_lbl->setText(QStringLiteral("Custom Dialog"));
    m_lbl->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_lblTime->setObjectName(QStringLiteral("LblTime"));
    m_lblTime->setGeometry(TimeGeometry(false));
    m_lblTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_lblTime->setText(QStringLiteral("s"));
    m_lblTime->setAttribute(Qt::WA_TransparentForMouseEvents);

    m_tmr->setObjectName(QStringLiteral("Tmr"));
    m_tmr->setInterval(500);
    connect(m_tmr, &QTimer::timeout, this, &TFrmDlgInfo::TmrTimer);
    m_refresh->setSingleShot(true);
    m_refresh->setInterval(RefreshIntervalMs);
    connect(m_refresh, &QTimer::timeout, this, &TFrmDlgInfo::applyPending);
}

TFrmDlgInfo::~TFrmDlgInfo()
{
    if (m_onHide)
        RunGuarded([this] { m_onHide(this); });
}

void TFrmDlgInfo::prepareRun(
    bool animate, bool bar, qint32 min, qint32 max, bool time, const QString &caption)
{
    delete m_ani;
    m_ani = new TDlgInfoActivity(this);
    m_ani->setObjectName(QStringLiteral("Ani"));
    m_ani->setGeometry(215, 11, 48, 50);
    m_ani->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_ani->setPlaying(animate);
    m_ani->setVisible(animate);

    delete m_prg;
    m_prg = new QProgressBar(this);
    m_prg->setObjectName(QStringLiteral("Prg"));
    m_prg->setGeometry(20, 50, width() - 40, 16);
    m_prg->setTextVisible(false);
    m_prg->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_prg->setVisible(bar);
    m_prg->setMinimum(min);
    m_prg->setMaximum(max);
    m_prg->setValue(min);

    m_lbl->setGeometry(CaptionGeometry(animate));
    m_lblTime->setGeometry(TimeGeometry(animate));
    m_lblTime->setVisible(time);
    m_lbl->setText(caption);
}

void TFrmDlgInfo::setRunEvents(TNotifyEvent onShow, TNotifyEvent onExecute, TNotifyEvent onHide)
{
    m_onShow = std::move(onShow);
    m_onExecute = std::move(onExecute);
    m_onHide = std::move(onHide);
}

void TFrmDlgInfo::setRunStart(
    quint32 tick, TDlgLocation location, bool time, const QRect &mainWindow)
{
    m_startTick = tick;
    m_location = location;
    m_time = time;
    m_mainWindow = mainWindow;
}

void TFrmDlgInfo::showModalRun()
{
    setWindowModality(Qt::ApplicationModal);
    showStep();
    if (m_closing)
        return;
    QEventLoop wait;
    connect(this, &TFrmDlgInfo::closedByTimer, &wait, &QEventLoop::quit);
    wait.exec(QEventLoop::DialogExec);
}

void TFrmDlgInfo::showStep()
{
    struct MarkFinished
    {
        bool &finished;
        ~MarkFinished() { finished = true; }
    } mark { m_finished };

    move(DlgInfoPlacement(m_mainWindow, frameGeometry().size(), m_location));
    show();
    processPending(true);
    m_tmr->start();
    if (m_onShow)
        m_onShow(this);
    DoExecute();
    processPending(true);
    if (m_time)
        waitProcessing(100);
}

void TFrmDlgInfo::DoExecute()
{
    if (!m_onExecute)
        return;
    // The caller carries on after a failed job: the error is shown here, once.
    try {
        m_onExecute(this);
    } catch (const Exception &error) {
        ShowException(error);
    } catch (const std::exception &error) {
        ShowError(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowError(tr("The job ended with an unknown error"));
    }
}

void TFrmDlgInfo::TmrTimer()
{
    if (m_finished) {
        m_tmr->stop();
        m_closing = true;
        close();
        Q_EMIT closedByTimer();
        return;
    }
    m_lblTime->setText(ElapsedTimeText(m_startTick, TickCount()));
}

void TFrmDlgInfo::closeEvent(QCloseEvent *event)
{
    // Only the timer closes the window, after the job has finished.
    if (m_closing)
        event->accept();
    else
        event->ignore();
}

void TFrmDlgInfo::processPending(bool force)
{
    if (!force && m_sinceRefresh.isValid() && m_sinceRefresh.elapsed() < RefreshIntervalMs) {
        // Shown by the next refresh, or by the timer if the job lets events through first.
        if (!m_refresh->isActive())
            m_refresh->start();
        return;
    }
    applyPending();
    QCoreApplication::processEvents();
    m_sinceRefresh.start();
}

void TFrmDlgInfo::applyPending()
{
    m_refresh->stop();
    if (m_captionPending) {
        m_captionPending = false;
        m_lbl->setText(m_pendingCaption);
    }
    if (m_positionPending) {
        m_positionPending = false;
        m_prg->setValue(m_pendingPosition);
    }
}

void TFrmDlgInfo::waitProcessing(int milliseconds)
{
    if (QCoreApplication::closingDown())
        return;
    QEventLoop wait;
    QTimer::singleShot(milliseconds, &wait, &QEventLoop::quit);
    connect(qApp, &QCoreApplication::aboutToQuit, &wait, &QEventLoop::quit);
    wait.exec();
}

void TFrmDlgInfo::setCaptionText(const QString &text)
{
    m_pendingCaption = text;
    m_captionPending = true;
    processPending(false);
}

void TFrmDlgInfo::setBarPosition(qint32 position)
{
    const int low = m_prg->minimum();
    const int high = m_prg->maximum();
    m_pendingPosition = high >= low ? qBound(low, position, high) : position;
    m_positionPending = true;
    processPending(false);
}

QString TFrmDlgInfo::captionText() const
{
    return m_captionPending ? m_pendingCaption : m_lbl->text();
}

int TFrmDlgInfo::barPosition() const
{
    return m_positionPending ? m_pendingPosition : m_prg->value();
}

void TFrmDlgInfo::setBarVisible(bool visible)
{
    m_prg->setVisible(visible);
}

void TFrmDlgInfo::setBarMinimum(qint32 value)
{
    m_prg->setMinimum(value);
}

void TFrmDlgInfo::setBarMaximum(qint32 value)
{
    m_prg->setMaximum(value);
}

bool TFrmDlgInfo::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_pnl)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        PnlMouseDown(static_cast<QMouseEvent *>(event));
        return true;
    case QEvent::MouseMove:
        if (m_dragging) {
            move(static_cast<QMouseEvent *>(event)->globalPosition().toPoint() - m_dragOffset);
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (m_dragging) {
            m_dragging = false;
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TFrmDlgInfo::PnlMouseDown(QMouseEvent *event)
{
    // The windowing system moves the borderless window as if its caption were dragged; where
    // it cannot, the window follows the mouse itself until the button is released.
    if (event->button() == Qt::LeftButton && windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragging = true;
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}
