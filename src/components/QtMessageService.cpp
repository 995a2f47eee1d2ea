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
    case Kind::Question:
        QMessageBox::question(
            parent, BoxTitle(), text, QMessageBox::StandardButtons(QMessageBox::Ok));
        break;
    }
}

MessageService::Answer QtMessageService::askYesNo(const QString &text)
{
    const auto button = QMessageBox::warning(QApplication::activeWindow(), BoxTitle(), text,
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return button == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

MessageService::Answer QtMessageService::askYesNoCancel(const QString &text)
{
    // Closing the box without a choice (Escape, the title bar) counts as Cancel.
    const auto button = QMessageBox::question(QApplication::activeWindow(), BoxTitle(), text,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    switch (button) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

void QtMessageService::beep()
{
    QApplication::beep();
}
