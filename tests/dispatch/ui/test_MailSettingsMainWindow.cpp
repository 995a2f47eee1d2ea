// The mail settings as the main window uses them: "Set Mail Parameters" opens the dialog, and
// its session takes the stored values at each logon.

#include "MailSettingsEnv.h"

#include "app/SalesMainFixture.h"
#include "dispatch/ui/U_MailSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

class MainWindowMailSettings : public SalesMainTest
{
protected:
    // Clicks "Set Mail Parameters" and hands the dialog it opens to drive; the dialog is
    // closed afterwards whatever drive left it in, so a failure cannot hang the test.
    bool clickMailParameters(TFrmSalesMain &window, std::function<void(TFrmMailSettings &)> drive)
    {
        bool opened = false;
        QTimer::singleShot(0, &window, [&] {
            auto *form = qobject_cast<TFrmMailSettings *>(QApplication::activeModalWidget());
            if (!form)
                return;
            opened = true;
            // Keys go to the focused control, which must be the dialog's before driving it.
            form->activateWindow();
            const bool focused = QTest::qWaitFor([form] {
                return QApplication::focusWidget() && QApplication::focusWidget()->window() == form;
            });
            EXPECT_TRUE(focused);
            if (focused)
                drive(*form);
            if (form->isVisible())
                form->reject();
        });
        window.PgeMain->setCurrentWidget(window.TabEMailText);
        QTest::mouseClick(window.BtnMailParameters, Qt::LeftButton);
        return opened;
    }

    MailUser m_user;
};

} // namespace

TEST_F(MainWindowMailSettings, TheDialogIsDrivenByKeyboardAndItsValuesReachTheWindowsLogon)
{
    TFrmSalesMain &window = openAndShow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.MapiSession.LogonInfo.Password = QStringLiteral("secret");
    window.MapiSession.setActive(true);
    ASSERT_TRUE(window.MapiSession.Active());

    m_messages->setNextAnswer(MessageService::Answer::Yes);
    bool windowSessionLoggedOff = false;
    QStringList focusOrder;
    const bool opened = clickMailParameters(window, [&](TFrmMailSettings &form) {
        windowSessionLoggedOff = !window.MapiSession.Active();
        const auto tab = [&] {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            focusOrder.append(QApplication::focusWidget()->objectName());
        };
        focusOrder.append(QApplication::focusWidget()->objectName());
        tab();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Home"));
        tab();
        tab();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        EXPECT_TRUE(form.chkBxSharedSession->isChecked());
        tab();
        tab();
        tab(); // round to the start
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    ASSERT_TRUE(opened);
    EXPECT_TRUE(windowSessionLoggedOff);
    EXPECT_EQ(focusOrder,
        (QStringList { QStringLiteral("cmbBxMAPIType"), QStringLiteral("cmbBxProfiles"),
            QStringLiteral("edtPassword"), QStringLiteral("chkBxSharedSession"),
            QStringLiteral("btnLogon"), QStringLiteral("btnCancel"),
            QStringLiteral("cmbBxMAPIType") }));
    EXPECT_EQ(m_messages->texts(), (QStringList { LoginSuccessful, SaveSettingsQuestion }));
    EXPECT_EQ(MailUser::storedValues(),
        QJsonValue(MailUser::fourValues("True", QStringLiteral("Home"), QString(), "False")));

    // The window's next logon takes the stored values, but not the profile's name as a
    // choice: it still asks for the default profile, whose password is not the stored one.
    EXPECT_THROW(window.MapiSession.setActive(true), Exception);
    EXPECT_EQ(window.MapiSession.LogonInfo.ProfileName, QStringLiteral("Home"));
    EXPECT_TRUE(window.MapiSession.LogonInfo.Password.isEmpty());
    EXPECT_FALSE(window.MapiSession.LogonInfo.NewSession);
    EXPECT_FALSE(window.MapiSession.LogonInfo.ProfileRequired);

    // Escape leaves without saving, whatever was typed.
    m_messages->entries.clear();
    const bool reopened = clickMailParameters(window, [&](TFrmMailSettings &form) {
        EXPECT_EQ(form.cmbBxProfiles->currentText(), QStringLiteral("Home"));
        form.edtPassword->setFocus();
        QTest::keyClicks(form.edtPassword, QStringLiteral("typed"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_FALSE(form.isVisible());
    });
    ASSERT_TRUE(reopened);
    EXPECT_TRUE(m_messages->entries.isEmpty());
    EXPECT_EQ(MailUser::storedValues(),
        QJsonValue(MailUser::fourValues("True", QStringLiteral("Home"), QString(), "False")));
}

TEST_F(MainWindowMailSettings, StoredSettingsApplyAtEveryLogonOfTheWindowsSession)
{
    TFrmSalesMain &window = open();
    // Nothing stored: the session's own values stand, and the key is created.
    window.MapiSession.LogonInfo.Password = QStringLiteral("secret");
    window.MapiSession.setActive(true);
    EXPECT_TRUE(window.MapiSession.Active());
    EXPECT_TRUE(window.MapiSession.LogonInfo.NewSession);
    EXPECT_EQ(MailUser::storedValues(), QJsonValue(QJsonObject {}));
    window.MapiSession.setActive(false);

    MailUser::store(MailSettingsStore::PasswordValue, QStringLiteral(" secret "));
    MailUser::store(MailSettingsStore::NewSessionValue, QStringLiteral("False"));
    window.MapiSession.LogonInfo.Password.clear();
    window.MapiSession.setActive(true);
    EXPECT_TRUE(window.MapiSession.Active());
    EXPECT_EQ(window.MapiSession.LogonInfo.Password, QStringLiteral("secret"));
    EXPECT_FALSE(window.MapiSession.LogonInfo.NewSession);
    EXPECT_EQ(window.MapiSession.LogonInfo.ProfileName, QStringLiteral("Default"));
}
