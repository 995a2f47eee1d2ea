#include "components/DlgInfActivity.h"

#include <QPainter>
#include <QTimer>

#include <cmath>
#include <numbers>

TDlgInfoActivity::TDlgInfoActivity(QWidget *parent)
    : QWidget(parent)
    , m_timer(new QTimer(this))
{
    m_timer->setInterval(80);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_frame = (m_frame + 1) % FrameCount;
        update();
    });
}

void TDlgInfoActivity::setPlaying(bool playing)
{
    if (playing)
        m_timer->start();
    else
        m_timer->stop();
}

bool TDlgInfoActivity::isPlaying() const
{
    return m_timer->isActive();
}

void TDlgInfoActivity::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // The sheet: a page with a folded corner and a few text lines.
    const QRectF page(6, 4, 28, 36);
    QPolygonF outline;
    outline << page.topLeft() << QPointF(page.right() - 8, page.top())
            << QPointF(page.right(), page.top() + 8) << page.bottomRight() << page.bottomLeft();
    painter.setPen(QPen(Qt::darkGray, 1));
    painter.setBrush(Qt::white);
    painter.drawPolygon(outline);
    painter.setPen(QPen(QColor(150, 150, 170), 1));
    for (int line = 0; line < 5; ++line) {
        const qreal y = page.top() + 12 + line * 5;
        painter.drawLine(QPointF(page.left() + 4, y), QPointF(page.right() - 4, y));
    }

    // The magnifier circles over the page, one step per frame.
    const qreal angle = 2 * std::numbers::pi * m_frame / FrameCount;
    const QPointF centre(20 + 8 * std::cos(angle), 22 + 8 * std::sin(angle));
    const qreal radius = 8;
    painter.setPen(QPen(QColor(90, 60, 20), 3, Qt::SolidLine, Qt::RoundCap));
    const QPointF handle = centre + QPointF(radius * 0.7, radius * 0.7);
    painter.drawLine(handle, handle + QPointF(9, 9));
    painter.setPen(QPen(QColor(40, 40, 40), 2));
    painter.setBrush(QColor(200, 230, 255, 150));
    painter.drawEllipse(centre, radius, radius);
}
