#include "export/vxDlgForm.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

TvxDlgForm::TvxDlgForm(QWidget *parent)
    : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
        | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
}

void TvxDlgForm::setClientSize(int width, int height)
{
    setFixedSize(width, height);
}

void TvxDlgForm::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) {
        const QScreen *screen = parentWidget() ? parentWidget()->screen() : this->screen();
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::showEvent(event);
}
