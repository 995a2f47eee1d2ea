#include "components/vxPopup.h"

#include "components/vxBtnEd.h"
#include "components/vxDateRules.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

TvxPopup::TvxPopup(TvxCustomEdit *edit)
    : QWidget(edit, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus)
    , m_edit(edit)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void TvxPopup::ShowPopup(TvxCustomEdit *edit)
{
    const QScreen *screen = edit->screen();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 0, 0);
    const QPoint position
        = PopupPosition(edit->mapToGlobal(QPoint(0, 0)), edit->size(), size(), screenRect);
    SetPopupText(edit->text());
    if (edit->focusPolicy() != Qt::NoFocus && edit->isEnabled())
        edit->setFocus(Qt::OtherFocusReason);
    move(position);
    show();
}

void TvxPopup::HidePopup(TvxCustomEdit *, bool)
{
    hide();
}

bool TvxPopup::event(QEvent *event)
{
    // Some window systems activate a tool window in spite of its flags: the edit's window
    // gets the activation back, so the focus stays where the user is typing.
    if (event->type() == QEvent::WindowActivate)
        m_edit->window()->activateWindow();
    return QWidget::event(event);
}

void TvxPopup::PopupKeyPress(QKeyEvent *) { }

void TvxPopup::CloseUp(bool accept)
{
    m_edit->CloseUp(accept);
}

void TvxPopup::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TvxPopup::mouseReleaseEvent(QMouseEvent *event)
{
    // Only releases on the popup itself arrive here: its children accept their own.
    event->accept();
    if (event->button() == Qt::LeftButton)
        CloseUp(rect().contains(event->position().toPoint()));
}
