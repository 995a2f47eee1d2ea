#include "components/dbBrowseTitle.h"

#include "components/dbBrowse.h"

#include <QPainter>
#include <QPolygon>

TdbBrowseTitle::TdbBrowseTitle(TdbBrowse *grid)
    : QHeaderView(Qt::Horizontal, grid)
    , m_grid(grid)
{ }

void TdbBrowseTitle::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    if (!rect.isValid() || !model())
        return;
    painter->save();
    painter->fillRect(rect, m_grid->FixedColor());
    painter->setPen(m_grid->FixedColor().darker(150));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());

    const QString title = model()->headerData(logicalIndex, orientation()).toString();
    const QVariant align = model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole);
    Qt::Alignment alignment
        = align.isValid() ? Qt::Alignment(align.toInt()) : Qt::Alignment(Qt::AlignLeft);
    alignment = (alignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
    painter->setPen(palette().color(QPalette::WindowText));
    painter->setFont(font());
    painter->drawText(rect.adjusted(3, 0, -3, 0), int(alignment), title);
    if (m_grid->OptionsEx().testFlag(dgColumnSymbols))
        drawSymbols(painter, rect, logicalIndex, alignment);
    painter->restore();
}

// Symbols go from 3 pixels inside the right edge leftwards; for a right-aligned title they go
// from 3 pixels inside the left edge rightwards, so they never cover the title.
void TdbBrowseTitle::drawSymbols(
    QPainter *painter, const QRect &rect, int logicalIndex, Qt::Alignment alignment) const
{
    const uint tag
        = model()->headerData(logicalIndex, orientation(), TdbBrowse::FieldTagRole).toUInt();
    const bool fromLeft = alignment.testFlag(Qt::AlignRight);
    int x = fromLeft ? rect.left() + 3 : rect.right() - 3;
    const int midY = rect.center().y();
    const int side = std::max(4, rect.height() / 3);
    auto place = [&](int width) {
        const int left = fromLeft ? x : x - width;
        x = fromLeft ? x + width + 1 : x - width - 1;
        return left;
    };
    painter->setRenderHint(QPainter::Antialiasing);
    auto triangle = [&](bool up) {
        const int left = place(side);
        const int top = midY - side / 2;
        QPolygon shape;
        if (up)
            shape << QPoint(left, top + side) << QPoint(left + side, top + side)
                  << QPoint(left + side / 2, top);
        else
            shape << QPoint(left, top) << QPoint(left + side, top)
                  << QPoint(left + side / 2, top + side);
        painter->setPen(Qt::NoPen);
        painter->setBrush(palette().color(QPalette::WindowText));
        painter->drawPolygon(shape);
    };
    if (tag & 4)
        triangle(true);
    if (tag & 8)
        triangle(false);
    QFont bold = font();
    bold.setBold(true);
    bold.setItalic(true);
    painter->setFont(bold);
    painter->setPen(palette().color(QPalette::Active, QPalette::Highlight));
    const QFontMetrics metrics(bold);
    for (const auto &[bit, letter] :
        { std::pair { 16u, QLatin1Char('l') }, { 32u, QLatin1Char('i') } }) {
        if (!(tag & bit))
            continue;
        const int width = metrics.horizontalAdvance(letter);
        const int left = place(width);
        painter->drawText(
            QRect(left, rect.top(), width, rect.height()), Qt::AlignCenter, QString(letter));
    }
}
