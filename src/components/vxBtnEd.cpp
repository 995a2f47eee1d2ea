#include "components/vxBtnEd.h"

#include "components/vxPopup.h"
#include "util/MessageService.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace {

// Creation sizes of a button edit and its button.
constexpr int EditWidth = 121;
constexpr int EditHeight = 19;
constexpr int ButtonHeight = 18;

void DrawEllipsis(QPainter &painter, const QRect &rect, const QColor &color)
{
    const QPoint centre = rect.center();
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    for (int dx : { -4, 0, 4 })
        painter.drawRect(centre.x() + dx - 1, centre.y(), 2, 2);
}

void DrawDownTriangle(QPainter &painter, const QRect &rect, const QColor &color)
{
    // Sized to the button's height like a symbol-font glyph: an odd base so the tip is centred.
    const int base = std::max(5, (rect.height() / 2) | 1);
    const int depth = (base + 1) / 2;
    const int left = rect.center().x() - base / 2;
    const int top = rect.center().y() - depth / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    const QPoint points[]
        = { { left, top }, { left + base, top }, { left + base / 2, top + depth } };
    painter.drawPolygon(points, 3);
}

bool IsNavigationKey(int key)
{
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        return true;
    default:
        return false;
    }
}

bool IsPrintable(const QString &text)
{
    // Backspace and Delete arrive as control characters (8 and 127) and stay editing keys.
    return !text.isEmpty() && text.at(0).unicode() > 31 && text.at(0).unicode() != 127;
}

} // namespace

QRect DotButtonRect(const QSize &box, int buttonWidth, bool ctl3D)
{
    if (ctl3D)
        return { box.width() - buttonWidth - 4, 0, buttonWidth, box.height() - 4 };
    return { box.width() - buttonWidth, 1, buttonWidth, box.height() - 2 };
}

bool PressDefaultButton(QWidget *window)
{
    if (!window)
        return false;
    const auto buttons = window->findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->isDefault() && button->isVisible() && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    return false;
}

TvxDotButton::TvxDotButton(TvxCustomEdit *edit)
    : QWidget(edit)
    , m_edit(edit)
{
    setObjectName(QStringLiteral("Button"));
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    resize(style()->pixelMetric(QStyle::PM_ScrollBarExtent), ButtonHeight);
}

void TvxDotButton::SetDown(bool down)
{
    if (m_down != down) {
        m_down = down;
        update();
    }
}

void TvxDotButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = rect();
    option.state |= m_down ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);

    const QRect face = m_down ? rect().translated(1, 1) : rect();
    switch (m_edit->BtnStyle()) {
    case vxDefault:
        break;
    case vxEllipse:
        DrawEllipsis(painter, face, palette().color(QPalette::ButtonText));
        break;
    case vxDropDown:
        if (isEnabled()) {
            DrawDownTriangle(painter, face, palette().color(QPalette::ButtonText));
        } else {
            // Embossed: a light copy one pixel down and right under the grey glyph.
            DrawDownTriangle(painter, face.translated(1, 1), palette().color(QPalette::Light));
            DrawDownTriangle(painter, face, palette().color(QPalette::Disabled, QPalette::Text));
        }
        break;
    case vxOwnerDraw:
        m_edit->DrawButtonFace(painter, face);
        break;
    }
}

void TvxDotButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_tracking = true;
        SetDown(true);
    }
    event->accept();
}

void TvxDotButton::mouseMoveEvent(QMouseEvent *event)
{
    if (m_tracking)
        SetDown(rect().contains(event->position().toPoint()));
    event->accept();
}

void TvxDotButton::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !m_tracking)
        return;
    m_tracking = false;
    SetDown(false);
    if (rect().contains(event->position().toPoint()))
        m_edit->DotButtonClicked();
}

void TvxDotButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        m_tracking = false;
        SetDown(false);
    }
    QWidget::changeEvent(event);
}

TvxCustomEdit::TvxCustomEdit(QWidget *parent)
    : QLineEdit(parent)
    , m_button(new TvxDotButton(this))
{
    m_button->hide();
    resize(EditWidth, EditHeight);
    PlaceButton();
}

TvxCustomEdit::~TvxCustomEdit() = default;

void TvxCustomEdit::SetShowButton(bool show)
{
    m_showButton = show;
    m_button->setVisible(show);
    ApplyTextArea();
}

void TvxCustomEdit::SetBtnStyle(TvxBtnStyle style)
{
    m_btnStyle = style;
    m_button->update();
}

void TvxCustomEdit::SetCtl3D(bool ctl3D)
{
    m_ctl3D = ctl3D;
    PlaceButton();
}

void TvxCustomEdit::SetPopup(TvxPopup *popup)
{
    m_popup = popup;
}

void TvxCustomEdit::DropDown()
{
    if (!m_popup || m_droppedDown)
        return;
    m_popup->ShowPopup(this);
    m_droppedDown = true;
}

void TvxCustomEdit::CloseUp(bool accept)
{
    CloseDropDown(accept, true);
}

void TvxCustomEdit::CloseDropDown(bool accept, bool refocus)
{
    if (!m_popup || !m_droppedDown)
        return;
    if (QWidget::mouseGrabber() == m_popup)
        m_popup->releaseMouse();
    const QString choice = m_popup->GetPopupText();
    m_popup->HidePopup(this, accept);
    m_droppedDown = false;
    // Taking the focus back may fail (a closing window); that is no reason to lose the choice.
    if (refocus && focusPolicy() != Qt::NoFocus && isEnabled() && isVisible())
        setFocus(Qt::OtherFocusReason);
    if (accept && !isReadOnly())
        setText(choice); // raises textChanged, the edit's change notification
}

void TvxCustomEdit::ButtonClick()
{
    Q_EMIT OnButtonClick(this);
}

void TvxCustomEdit::DrawButtonFace(QPainter &, const QRect &) { }

void TvxCustomEdit::DotButtonClicked()
{
    if (focusPolicy() != Qt::NoFocus && isEnabled())
        setFocus(Qt::MouseFocusReason);
    ButtonClick();
}

void TvxCustomEdit::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (m_droppedDown) {
        if (IsNavigationKey(key)) {
            m_popup->PopupKeyPress(event);
            event->accept();
            return;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            CloseUp(key != Qt::Key_Escape);
            event->accept();
            return;
        }
    } else {
        // Down never moves the caret, with or without a drop-down.
        if (key == Qt::Key_Down) {
            if (m_popup && !isReadOnly())
                DropDown();
            event->accept();
            return;
        }
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && PressDefaultButton(window())) {
            event->accept();
            return;
        }
    }
    if (m_style == esNoTextEdit && IsPrintable(event->text())) {
        Beep();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TvxCustomEdit::inputMethodEvent(QInputMethodEvent *event)
{
    if (m_style == esNoTextEdit && !event->commitString().isEmpty()) {
        Beep();
        event->accept();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

void TvxCustomEdit::focusOutEvent(QFocusEvent *event)
{
    // A click into the drop-down must not close it, should the window system activate it.
    const bool toPopup = m_popup && QApplication::activeWindow() == m_popup;
    if (m_droppedDown && !toPopup)
        CloseDropDown(false, false);
    QLineEdit::focusOutEvent(event);
}

void TvxCustomEdit::hideEvent(QHideEvent *event)
{
    // A hidden edit leaves no drop-down floating over the window.
    CloseDropDown(false, false);
    QLineEdit::hideEvent(event);
}

void TvxCustomEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    if (height() <= ButtonHeight) {
        resize(width(), EditHeight);
        return;
    }
    PlaceButton();
}

void TvxCustomEdit::PlaceButton()
{
    m_button->setGeometry(DotButtonRect(size(), m_button->width(), m_ctl3D));
    ApplyTextArea();
}

void TvxCustomEdit::ApplyTextArea()
{
    // The text stops where the button begins.
    setTextMargins(0, 0, m_showButton ? m_button->width() - 2 : 0, 0);
}

TvxEdit::TvxEdit(QWidget *parent)
    : TvxCustomEdit(parent)
{
    SetShowButton(true);
}
