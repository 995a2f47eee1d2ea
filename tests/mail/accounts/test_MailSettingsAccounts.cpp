// The mail settings dialog's Accounts... button: it opens the editor, and the profile list
// shows the accounts as they are when the editor closes.

#include "AccountsEnv.h"

#include "dispatch/ui/MailSettingsEnv.h"
#include "dispatch/ui/U_MailSettings.h"
#include "mail/accounts/FrmMailAccount.h"
#include "mail/accounts/FrmMailAccounts.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

namespace {

using Answer = MessageService::Answer;

QStringList Items(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    return items;
}

class MailSettingsAccounts : public MailSettingsTest
{
protected:
    TFrmMailSettings &open()
    {
        m_form = std::make_unique<TFrmMailSettings>();
        m_form->InitMailTypes(true);
        m_form->show();
        return *m_form;
    }

    std::unique_ptr<TFrmMailSettings> m_form;
    TempDir m_data;
};

} // namespace

TEST_F(MailSettingsAccounts, TheButtonSitsBesideTheProfileListInsideTheDialog)
{
    TFrmMailSettings &form = open();
    const QRect button = form.btnAccounts->geometry();
    const QRect list = form.cmbBxProfiles->geometry();
    EXPECT_GE(button.left(), list.right());
    EXPECT_LE(button.right(), form.width());
    EXPECT_TRUE(button.intersects(QRect(0, list.top(), form.width(), list.height())));
    // The button's text fits, and the default button is still Test & Save.
    const int text
        = form.btnAccounts->fontMetrics().horizontalAdvance(QStringLiteral("Accounts..."));
    EXPECT_GE(button.width(), text + 8);
    EXPECT_FALSE(form.btnAccounts->autoDefault());
    EXPECT_TRUE(form.btnLogon->isDefault());

    // Alt+A opens the editor; Escape there comes back to the dialog.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    bool opened = false;
    WhenShown<TFrmMailAccounts>([&opened](TFrmMailAccounts &accounts) {
        opened = true;
        QTest::keyClick(&accounts, Qt::Key_Escape);
    });
    QTest::keyClick(&form, Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&opened] { return opened; }));
    EXPECT_TRUE(form.isVisible());
}

TEST_F(MailSettingsAccounts, TheProfileListIsFilledAgainWhenTheEditorCloses)
{
    TFrmMailSettings &form = open();
    ASSERT_EQ(Items(form.cmbBxProfiles),
        (QStringList { QStringLiteral("Home"), QStringLiteral("Office"), QString() }));
    form.cmbBxProfiles->setCurrentIndex(0); // Home, about to be removed

    // In the editor: remove Home, add Shop.
    m_messages->setNextAnswer(Answer::Yes); // remove Home
    m_messages->setNextAnswer(Answer::Yes); // passwords in the file when no keyring answers
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", m_data.path().toUtf8());
    WhenShown<TFrmMailAccounts>([](TFrmMailAccounts &accounts) {
        accounts.select(QStringLiteral("Home"));
        accounts.btnRemove->click();
        WhenShown<TFrmMailAccount>([](TFrmMailAccount &dialog) {
            QTest::keyClicks(dialog.edtName, QStringLiteral("Shop"));
            QTest::keyClicks(dialog.edtSenderAddress, QStringLiteral("shop@example.com"));
            QTest::keyClicks(dialog.edtSmtpHost, QStringLiteral("smtp.example.com"));
            dialog.rbSentLocal->click();
            dialog.btnOk->click();
        });
        accounts.btnAdd->click();
        accounts.btnClose->click();
    });
    form.btnAccounts->click();
    qputenv("XDG_DATA_HOME", savedData);

    EXPECT_EQ(Items(form.cmbBxProfiles),
        (QStringList { QStringLiteral("Office"), QStringLiteral("Shop"), QString() }));
    // Home is gone, so the default profile is shown.
    EXPECT_EQ(form.cmbBxProfiles->currentText(), QStringLiteral("Office"));
    EXPECT_TRUE(form.btnLogon->isEnabled());
    EXPECT_TRUE(form.isVisible());
}
