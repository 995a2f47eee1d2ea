#include "components/dbBrowseCells.h"

#include "components/dbBrowse.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

TdbBrowseCells::TdbBrowseCells(TdbBrowse *grid)
    : QStyledItemDelegate(grid)
    , m_grid(grid)
{ }

bool TdbBrowseCells::IsBooleanCell(const TdbBrowse *grid, const QModelIndex &index)
{
    return grid->OptionsEx().testFlag(dgBooleanSymbols)
        && index.data(Qt::DisplayRole).typeId() == QMetaType::Bool;
}

void TdbBrowseCells::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const TBrwOptions options = m_grid->Options();
    const bool focused = m_grid->hasFocus();
    const bool selected = opt.state.testFlag(QStyle::State_Selected);
    const bool currentRow = index.row() == m_grid->currentIndex().row();

    // Background and text colours decided here; the style draws the text.
    QColor background;
    QColor text;
    if (selected && !focused && !options.testFlag(dgAlwaysShowSelection)) {
        opt.state &= ~QStyle::State_Selected;
    } else if (selected && !focused && options.testFlag(dgRowSelect)) {
        background = m_grid->InactiveTitleColor();
        text = m_grid->InactiveTitleTextColor();
    } else if (!options.testFlag(dgRowSelect) && currentRow && !selected
        && !index.flags().testFlag(Qt::ItemIsEditable)) {
        background = opt.palette.color(QPalette::Button);
        text = opt.palette.color(QPalette::WindowText);
    }
    if (background.isValid()) {
        opt.state &= ~QStyle::State_Selected;
        opt.backgroundBrush = background;
        opt.palette.setColor(QPalette::Text, text);
    }
    const bool isSelected = opt.state.testFlag(QStyle::State_Selected);
    // The view has already filled a selected row's cells; an unselected look needs its own fill.
    if (!isSelected && opt.backgroundBrush.style() == Qt::NoBrush)
        opt.backgroundBrush = opt.palette.brush(QPalette::Base);
    QStyle *style = m_grid->style();

    if (IsBooleanCell(m_grid, index)) {
        const bool checked = index.data(Qt::DisplayRole).toBool();
        opt.text.clear();
        opt.icon = QIcon();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, m_grid);
        if (checked) {
            const QColor mark = isSelected ? opt.palette.color(QPalette::HighlightedText)
                                           : opt.palette.color(QPalette::Text);
            drawCheckMark(painter, opt.rect, mark);
        }
    } else {
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, m_grid);
    }

    if (options & (dgColLines | dgRowLines)) {
        painter->save();
        painter->setPen(
            QColor::fromRgba(style->styleHint(QStyle::SH_Table_GridLineColor, &opt, m_grid)));
        const QRect r = opt.rect;
        if (options.testFlag(dgColLines))
            painter->drawLine(r.topRight(), r.bottomRight());
        if (options.testFlag(dgRowLines))
            painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
    }
}

bool TdbBrowseCells::eventFilter(QObject *object, QEvent *event)
{
    auto *editor = qobject_cast<QWidget *>(object);
    if (editor && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        bool forward = false;
        bool move = false;
        if (modifiers == Qt::NoModifier) {
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Right:
            case Qt::Key_Tab:
                move = forward = true;
                break;
            case Qt::Key_Left:
                move = true;
                break;
            default:
                break;
            }
        } else if (key->key() == Qt::Key_Backtab) {
            move = true;
        }
        if (move) {
            m_grid->moveEditor(editor, forward);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

// The check mark stands in for the symbol font's glyph: a tick centred in the cell.
void TdbBrowseCells::drawCheckMark(QPainter *painter, const QRect &cell, const QColor &color) const
{
    const qreal size = std::min(cell.width(), cell.height()) * 0.7;
    if (size < 3)
        return;
    const QPointF centre = QRectF(cell).center();
    QPainterPath path;
    path.moveTo(centre.x() - size * 0.40, centre.y() + size * 0.02);
    path.lineTo(centre.x() - size * 0.12, centre.y() + size * 0.32);
    path.lineTo(centre.x() + size * 0.40, centre.y() - size * 0.32);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QPen pen(color, std::max(2.0, size / 7));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(path);
    painter->restore();
}
