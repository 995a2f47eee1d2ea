#include "components/DialogKeys.h"

#include <QPushButton>
#include <QVariant>

namespace {

constexpr char CancelProperty[] = "vxCancelButton";

} // namespace

void SetCancelButton(QPushButton *button, bool cancel)
{
    if (button)
        button->setProperty(CancelProperty, cancel);
}

bool IsCancelButton(const QPushButton *button)
{
    return button && button->property(CancelProperty).toBool();
}

bool ClickDialogButton(QWidget *control, int qtKey)
{
    if (!control)
        return false;
    const bool enter = qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter;
    const bool escape = qtKey == Qt::Key_Escape;
    if (!enter && !escape)
        return false;
    const QList<QPushButton *> buttons = control->window()->findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        const bool wanted = enter ? button->isDefault() : IsCancelButton(button);
        if (wanted && button->isVisible() && button->isEnabled()) {
            button->click();
            return true;
        }
    }
    return false;
}
