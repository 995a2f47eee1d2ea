#include "components/QtMessageService.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gmock/gmock.h>

namespace {

struct SeenBox
{
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Answers the next message box with the given button and records what it showed.
void AnswerNextBox(SeenBox &seen, QMessageBox::StandardButton answer)
{
    QTimer::singleShot(0, qApp, [&seen, answer] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = { box->text(), box->icon(), box->standardButtons() };
        box->button(answer)->click();
    });
}

} // namespace

TEST(QtMessageService, BoxesCarryTheirKindAndButtons)
{
    QtMessageService service;
    SeenBox seen;

    AnswerNextBox(seen, QMessageBox::Ok);
    service.showMessage(MessageService::Kind::Information, QStringLiteral("PDF file printed"));
    EXPECT_EQ(seen.text, QStringLiteral("PDF file printed"));
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.buttons, QMessageBox::Ok);

    AnswerNextBox(seen, QMessageBox::Ok);
    service.showMessage(
        MessageService::Kind::Warning, QStringLiteral("Mail Submit Failure to a@b"));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);

    AnswerNextBox(seen, QMessageBox::Ok);
    service.showMessage(MessageService::Kind::Error, QStringLiteral("Table not found"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);

    AnswerNextBox(seen, QMessageBox::Yes);
    EXPECT_EQ(
        service.askYesNo(QStringLiteral("Mark Documents as Sent?")), MessageService::Answer::Yes);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);

    AnswerNextBox(seen, QMessageBox::No);
    EXPECT_EQ(service.askYesNo(QStringLiteral("Close Application?")), MessageService::Answer::No);
}

TEST(QtMessageService, TheThreeWayQuestionAnswersWithTheButtonPressed)
{
    QtMessageService service;
    SeenBox seen;
    const QString question = QStringLiteral("Save settings for this Workstation ?");

    AnswerNextBox(seen, QMessageBox::Yes);
    EXPECT_EQ(service.askYesNoCancel(question), MessageService::Answer::Yes);
    EXPECT_EQ(seen.text, question);
    EXPECT_EQ(seen.icon, QMessageBox::Question);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);

    AnswerNextBox(seen, QMessageBox::No);
    EXPECT_EQ(service.askYesNoCancel(question), MessageService::Answer::No);
    AnswerNextBox(seen, QMessageBox::Cancel);
    EXPECT_EQ(service.askYesNoCancel(question), MessageService::Answer::Cancel);

    // Escape is Cancel, never a Yes or No the user did not give.
    QTimer::singleShot(0, qApp, [] {
        if (QWidget *box = QApplication::activeModalWidget())
            QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(service.askYesNoCancel(question), MessageService::Answer::Cancel);
}
