#include "components/vxRptBtn.h"

#include <QCoreApplication>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace {

class SystemClock final : public TvxRepeatClock
{
public:
    void Sleep(int milliseconds) override
    {
        QThread::msleep(static_cast<unsigned long>(milliseconds));
    }
};

// An arrow the size of a symbol-font glyph of the given height, pointing along (dx, dy).
void DrawArrow(QPainter &painter, const QPointF &centre, qreal size, int dx, int dy)
{
    const qreal half = size / 4.0;
    QPointF points[3];
    if (dx != 0) {
        points[0] = centre + QPointF(dx * half / 2, 0);
        points[1] = centre + QPointF(-dx * half / 2, -half);
        points[2] = centre + QPointF(-dx * half / 2, half);
    } else {
        points[0] = centre + QPointF(0, dy * half / 2);
        points[1] = centre + QPointF(-half, -dy * half / 2);
        points[2] = centre + QPointF(half, -dy * half / 2);
    }
    painter.drawPolygon(points, 3);
}

} // namespace

std::shared_ptr<TvxRepeatClock> SystemRepeatClock()
{
    static const auto clock = std::make_shared<SystemClock>();
    return clock;
}

TvxRepeatThread::TvxRepeatThread(TvxRepeatButton *button, std::shared_ptr<TvxRepeatClock> clock)
    : m_button(button)
    , m_clock(std::move(clock))
{
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void TvxRepeatThread::run()
{
    m_clock->Sleep(FirstDelay);
    while (!m_stopped) {
        // Stays false when the call is dropped (the application is going away): the worker ends.
        bool more = false;
        QMetaObject::invokeMethod(
            this, [this, &more] { more = DeliverClick(); }, Qt::BlockingQueuedConnection);
        if (!more)
            break;
        m_clock->Sleep(Interval);
    }
}

bool TvxRepeatThread::DeliverClick()
{
    if (m_stopped || QCoreApplication::closingDown() || !m_button)
        return false;
    return m_button->RepeatClick();
}

TvxRepeatButton::TvxRepeatButton(QWidget *parent)
    : QWidget(parent)
    , m_clock(SystemRepeatClock())
{
    setFocusPolicy(Qt::NoFocus);
    resize(25, 25);
}

TvxRepeatButton::~TvxRepeatButton()
{
    StopRepeat();
}

void TvxRepeatButton::SetStyle(TvxRptStyle style)
{
    m_style = style;
    update();
}

void TvxRepeatButton::SetCtl3D(bool ctl3D)
{
    m_ctl3D = ctl3D;
    update();
}

bool TvxRepeatButton::RepeatClick()
{
    if (!m_pressed || !m_holding)
        return false;
    Q_EMIT OnClick(this);
    return m_pressed && m_holding;
}

void TvxRepeatButton::Press()
{
    m_pressed = true;
    update();
    StartRepeat();
}

void TvxRepeatButton::Release()
{
    m_pressed = false;
    update();
    StopRepeat();
}

void TvxRepeatButton::StartRepeat()
{
    StopRepeat();
    m_thread = new TvxRepeatThread(this, m_clock);
    m_thread->start(QThread::LowPriority);
}

void TvxRepeatButton::StopRepeat()
{
    if (m_thread) {
        m_thread->Stop();
        m_thread = nullptr;
    }
}

void TvxRepeatButton::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    m_holding = true;
    m_pressed = true;
    update();
    // The first click comes at once, before the repeat's first delay starts to run.
    Q_EMIT OnClick(this);
    if (m_pressed && m_holding)
        StartRepeat();
}

void TvxRepeatButton::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (!m_holding)
        return;
    const bool inside = rect().contains(event->position().toPoint());
    if (inside && !m_pressed)
        Press();
    else if (!inside && m_pressed)
        Release();
}

void TvxRepeatButton::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    m_holding = false;
    Release();
}

void TvxRepeatButton::hideEvent(QHideEvent *event)
{
    m_holding = false;
    if (m_pressed)
        Release();
    QWidget::hideEvent(event);
}

void TvxRepeatButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        m_holding = false;
        if (m_pressed)
            Release();
    }
    QWidget::changeEvent(event);
}

void TvxRepeatButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (isSignalConnected(QMetaMethod::fromSignal(&TvxRepeatButton::OnPaint))) {
        Q_EMIT OnPaint(this, &painter);
        return;
    }
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = rect();
    option.state |= m_pressed ? QStyle::State_Sunken : QStyle::State_Raised;
    if (!m_ctl3D)
        option.features |= QStyleOptionButton::Flat;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    const qreal glyph = height() - 1;
    QPointF centre = QRectF(rect()).center();
    if (m_pressed)
        centre += QPointF(1, 1);
    const qreal shift = glyph / 6.0;
    switch (m_style) {
    case rsNone:
        break;
    case rsLeft:
        DrawArrow(painter, centre, glyph, -1, 0);
        break;
    case rsRight:
        DrawArrow(painter, centre, glyph, 1, 0);
        break;
    case rsUp:
        DrawArrow(painter, centre, glyph, 0, -1);
        break;
    case rsDown:
    case rsCombo:
        DrawArrow(painter, centre, glyph, 0, 1);
        break;
    case rsDblLeft:
        DrawArrow(painter, centre - QPointF(shift, 0), glyph, -1, 0);
        DrawArrow(painter, centre + QPointF(shift, 0), glyph, -1, 0);
        break;
    case rsDblRight:
        DrawArrow(painter, centre - QPointF(shift, 0), glyph, 1, 0);
        DrawArrow(painter, centre + QPointF(shift, 0), glyph, 1, 0);
        break;
    }
}
