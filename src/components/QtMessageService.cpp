#include "components/QtMessageService.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QString BoxTitle()
{
    return QGuiApplication::applicationDisplayName();
}

} // namespace

void QtMessageService::showMessage(Kind kind, const QString &text)
{
    QWidget *parent = QApplication::activeWindow();
    switch (kind) {
    case Kind::Information:
        QMessageBox::information(parent, BoxTitle(), text, QMessageBox::Ok);
        break;
    case Kind::Warning:
        QMessageBox::warning(parent, BoxTitle(), text, QMessageBox::Ok);
        break;
    case Kind::Error:
        QMessageBox::critical(parent, BoxTitle(), text, QMessageBox::Ok);
        break;
    }
}

MessageService::Answer QtMessageService::askYesNo(const QString &text)
{
    const auto button = QMessageBox::warning(QApplication::activeWindow(), BoxTitle(), text,
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return button == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void QtMessageService::beep()
{
    QApplication::beep();
}
