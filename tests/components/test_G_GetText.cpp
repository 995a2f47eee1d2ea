#include "components/G_GetText.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs PromptText and drives the dialog once it is showing.
QString Prompt(const QString &title, const QString &text, std::function<void(TFrmGetText &)> drive)
{
    bool driven = false;
    QTimer::singleShot(0, qApp, [&] {
        auto *form = qobject_cast<TFrmGetText *>(QApplication::activeModalWidget());
        if (!form)
            return;
        driven = true;
        drive(*form);
    });
    const QString result = PromptText(title, text);
    EXPECT_TRUE(driven) << "the prompt was not shown modally";
    return result;
}

void Type(TFrmGetText &form, const QString &text)
{
    auto *edit = form.findChild<QLineEdit *>(QStringLiteral("EdtText"));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

TEST(PromptText, ShowsTitleAndTextAndSelectWithoutEditingReturnsItUnchanged)
{
    QString title;
    QString shown;
    const QString result = Prompt(QStringLiteral("Amend e_Mail Address"),
        QStringLiteral("  a@b.example "), [&](TFrmGetText &form) {
            title = form.windowTitle();
            shown = form.EdtText->text();
            form.findChild<QPushButton *>(QStringLiteral("BtnSelect"))->click();
        });
    EXPECT_EQ(title, QStringLiteral("Amend e_Mail Address"));
    EXPECT_EQ(shown, QStringLiteral("  a@b.example "));
    EXPECT_EQ(result, QStringLiteral("  a@b.example "));
}

TEST(PromptText, SelectAndEnterReturnTheEditedTextUntrimmed)
{
    EXPECT_EQ(Prompt(QStringLiteral("t"), QStringLiteral("old"),
                  [](TFrmGetText &form) {
                      Type(form, QStringLiteral(" new "));
                      form.BtnSelect->click();
                  }),
        QStringLiteral(" new "));
    EXPECT_EQ(Prompt(QStringLiteral("t"), QStringLiteral("old"),
                  [](TFrmGetText &form) {
                      Type(form, QStringLiteral("typed"));
                      QTest::keyClick(form.EdtText, Qt::Key_Return);
                  }),
        QStringLiteral("typed"));
    EXPECT_EQ(Prompt(QStringLiteral("t"), QStringLiteral("old"),
                  [](TFrmGetText &form) {
                      form.EdtText->clear();
                      form.BtnSelect->click();
                  }),
        QString());
}

TEST(PromptText, EveryWayOfBackingOutReturnsTheInitialText)
{
    const std::function<void(TFrmGetText &)> exits[] = {
        [](TFrmGetText &form) { form.BtnCancel->click(); },
        [](TFrmGetText &form) { QTest::keyClick(form.EdtText, Qt::Key_Escape); },
        [](TFrmGetText &form) { form.close(); },
    };
    for (const auto &exit : exits) {
        EXPECT_EQ(Prompt(QStringLiteral("t"), QStringLiteral("kept"),
                      [&exit](TFrmGetText &form) {
                          Type(form, QStringLiteral("edited"));
                          exit(form);
                      }),
            QStringLiteral("kept"));
    }
}

TEST(TFrmGetText, LayoutAndTabOrder)
{
    TFrmGetText form(QStringLiteral("Title"), QString());
    EXPECT_EQ(form.size(), QSize(356, 78));
    EXPECT_TRUE(form.EdtText->text().isEmpty());
    EXPECT_EQ(form.EdtText->geometry(), QRect(15, 15, 330, 19));
    EXPECT_EQ(form.BtnSelect->geometry(), QRect(10, 10, 74, 23));
    EXPECT_EQ(form.BtnCancel->geometry(), QRect(268, 10, 74, 23));
    EXPECT_TRUE(form.BtnSelect->isDefault());
    EXPECT_EQ(form.BtnSelect->nextInFocusChain(), form.BtnCancel);
    EXPECT_EQ(form.BtnCancel->nextInFocusChain(), form.EdtText);
}

} // namespace
