#include "components/LeftCaptionCheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

TLeftCaptionCheckBox::TLeftCaptionCheckBox(const QString &text, QWidget *parent)
    : QCheckBox(text, parent)
{ }

void TLeftCaptionCheckBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);

    const QRect plain = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    QStyleOptionButton box = option;
    box.rect = QRect(width() - plain.width() - 1, (height() - plain.height()) / 2, plain.width(),
        plain.height());
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, box);

    QStyleOptionButton label = option;
    label.rect = QRect(0, 0, box.rect.left() - 4, height());
    painter.drawItemText(label.rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
        palette(), isEnabled(), text(), QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = label.rect;
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool TLeftCaptionCheckBox::hitButton(const QPoint &pos) const
{
    return rect().contains(pos);
}
