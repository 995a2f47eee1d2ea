// The mail settings dialog against the real mail library: what it shows, what Test & Save
// stores, and what it does to the program's other mail sessions.

#include "MailSettingsEnv.h"

#include "dispatch/ui/U_MailSettings.h"
#include "mail/RwMapiErrors.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

using Answer = MessageService::Answer;
using Kind = MessageService::Kind;

QStringList Items(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    return items;
}

class MailSettingsDialog : public MailSettingsTest
{
protected:
    TFrmMailSettings &open(bool simpleMapiAllowed = true)
    {
        m_form = std::make_unique<TFrmMailSettings>();
        m_form->InitMailTypes(simpleMapiAllowed);
        m_form->show();
        m_form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
        return *m_form;
    }
    void enter(TFrmMailSettings &form, const QString &profile, const QString &password,
        bool shared = false)
    {
        form.cmbBxProfiles->setEditText(profile);
        form.edtPassword->setText(password);
        form.chkBxSharedSession->setChecked(shared);
    }

    std::unique_ptr<TFrmMailSettings> m_form;
};

} // namespace

TEST_F(MailSettingsDialog, FirstUseShowsTheDefaultProfileAndCreatesTheEmptyKey)
{
    ASSERT_TRUE(MailUser::storedValues().isUndefined());
    TFrmMailSettings &form = open();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Outlook Settings"));
    EXPECT_EQ(form.lblFunction->text(), QStringLiteral("Outlook Login Settings"));
    EXPECT_EQ(form.btnLogon->text(), QStringLiteral("Test && Save"));
    EXPECT_FALSE(form.btnLogon->icon().isNull());
    EXPECT_TRUE(form.btnLogon->isDefault());
    EXPECT_EQ(Items(form.cmbBxMAPIType), (QStringList { ExtendedMapiItem, SimpleMapiItem }));
    EXPECT_EQ(form.cmbBxMAPIType->currentText(), ExtendedMapiItem);
    EXPECT_EQ(Items(form.cmbBxProfiles),
        (QStringList { QStringLiteral("Home"), QStringLiteral("Office"), QString() }));
    EXPECT_EQ(form.cmbBxProfiles->currentText(), QStringLiteral("Office"));
    EXPECT_TRUE(form.edtPassword->text().isEmpty());
    EXPECT_FALSE(form.chkBxSharedSession->isChecked());
    EXPECT_TRUE(form.btnLogon->isEnabled());
    EXPECT_TRUE(form.edtPassword->isEnabled() && form.chkBxSharedSession->isEnabled());
    EXPECT_EQ(MailUser::storedValues(), QJsonValue(QJsonObject {}));
    EXPECT_TRUE(m_messages->entries.isEmpty());

    // Without Simple MAPI allowed the caption says so and the type list leaves it out.
    m_form.reset();
    TFrmMailSettings &extendedOnly = open(false);
    EXPECT_EQ(extendedOnly.lblFunction->text(),
        QStringLiteral("Login (This example does not support Simple MAPI)"));
    EXPECT_EQ(Items(extendedOnly.cmbBxMAPIType), QStringList { ExtendedMapiItem });
}

TEST_F(MailSettingsDialog, TestAndSaveWithYesStoresExactlyTheFourValuesTrimmed)
{
    TFrmMailSettings &form = open();
    enter(form, QStringLiteral("Office "), QStringLiteral("secret   "), true);
    QCursor *duringLogon = nullptr;
    Qt::CursorShape shape = Qt::ArrowCursor;
    form.MapiSession.BeforeLogon = [&](TRwMapiSessionV3 &) {
        duringLogon = QApplication::overrideCursor();
        if (duringLogon)
            shape = duringLogon->shape();
    };
    m_messages->setNextAnswer(Answer::Yes);
    form.btnLogon->click();

    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(m_messages->entries.size(), 2);
    EXPECT_EQ(m_messages->entries[0].text, LoginSuccessful);
    EXPECT_EQ(m_messages->entries[0].kind, Kind::Information);
    EXPECT_EQ(m_messages->entries[1].text, SaveSettingsQuestion);
    EXPECT_EQ(m_messages->entries[1].kind, Kind::Question);
    EXPECT_EQ(MailUser::storedValues(),
        QJsonValue(MailUser::fourValues(
            "True", QStringLiteral("Office"), QStringLiteral("secret"), "False")));
    // The hourglass showed for the logon and is gone.
    ASSERT_NE(duringLogon, nullptr);
    EXPECT_EQ(shape, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The test logon names its profile.
    EXPECT_TRUE(form.MapiSession.LogonInfo.ProfileRequired);
    EXPECT_FALSE(form.MapiSession.LogonInfo.NewSession);
}

TEST_F(MailSettingsDialog, NoOrCancelKeepTheDialogOpenAndStoreNothing)
{
    TFrmMailSettings &form = open();
    enter(form, QStringLiteral("Home"), QString());
    // Enter in the profile list is Test & Save.
    form.cmbBxProfiles->setFocus();
    m_messages->setNextAnswer(Answer::No);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(m_messages->texts(), (QStringList { LoginSuccessful, SaveSettingsQuestion }));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(MailUser::storedValues(), QJsonValue(QJsonObject {}));
    EXPECT_EQ(Items(form.cmbBxProfiles).size(), 3); // Enter added nothing to the list

    m_messages->setNextAnswer(Answer::Cancel);
    form.btnLogon->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(MailUser::storedValues(), QJsonValue(QJsonObject {}));

    // Escape closes the dialog without saving.
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(MailUser::storedValues(), QJsonValue(QJsonObject {}));
}

TEST_F(MailSettingsDialog, ASecondTestLogsOnAgainWithTheChangedValues)
{
    TFrmMailSettings &form = open();
    enter(form, QStringLiteral("Office"), QStringLiteral("secret"));
    m_messages->setNextAnswer(Answer::No);
    form.btnLogon->click();
    ASSERT_TRUE(form.MapiSession.Active());

    // A wrong password typed after a good test is tried, not saved on the strength of the
    // earlier logon.
    m_messages->entries.clear();
    enter(form, QStringLiteral("Office"), QStringLiteral("wrong"));
    form.btnLogon->click();
    EXPECT_EQ(m_messages->texts(),
        QStringList { MapiErrorMessage(
            QStringLiteral("TRwMapiSessionImpl"), QStringLiteral("Logon"), MAPI_E_LOGON_FAILED) });
    EXPECT_FALSE(form.MapiSession.Active());
    EXPECT_EQ(MailUser::storedValues(), QJsonValue(QJsonObject {}));

    m_messages->entries.clear();
    enter(form, QStringLiteral("Home"), QString(), true);
    m_messages->setNextAnswer(Answer::Yes);
    form.btnLogon->click();
    EXPECT_EQ(m_messages->texts(), (QStringList { LoginSuccessful, SaveSettingsQuestion }));
    EXPECT_EQ(MailUser::storedValues(),
        QJsonValue(MailUser::fourValues("True", QStringLiteral("Home"), QString(), "False")));
}

TEST_F(MailSettingsDialog, AFailingLogonShowsTheErrorKeepsTheDialogAndSavesNothing)
{
    TFrmMailSettings &form = open();
    enter(form, QStringLiteral("Office"), QStringLiteral("guess"));
    m_messages->setNextAnswer(Answer::Yes);
    form.btnLogon->click();
    ASSERT_EQ(m_messages->entries.size(), 1);
    EXPECT_EQ(m_messages->entries[0].kind, Kind::Error);
    EXPECT_EQ(m_messages->entries[0].text,
        MapiErrorMessage(
            QStringLiteral("TRwMapiSessionImpl"), QStringLiteral("Logon"), MAPI_E_LOGON_FAILED));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(MailUser::storedValues(), QJsonValue(QJsonObject {}));

    // The type list has no change step: Simple MAPI chosen after the profiles were listed in
    // Extended mode fails at the test.
    m_messages->entries.clear();
    form.cmbBxMAPIType->setCurrentIndex(form.cmbBxMAPIType->findText(SimpleMapiItem));
    enter(form, QStringLiteral("Home"), QString());
    form.btnLogon->click();
    EXPECT_EQ(m_messages->texts(),
        QStringList { QStringLiteral(
            "You are trying to execute a Simple MAPI call while Extended MAPI is used!") });
    EXPECT_EQ(MailUser::storedValues(), QJsonValue(QJsonObject {}));
}

TEST_F(MailSettingsDialog, StoredValuesAreShownAsTheyWereWritten)
{
    MailUser::store(MailSettingsStore::UseExtendedMapiValue, QStringLiteral("True"));
    MailUser::store(MailSettingsStore::ProfileNameValue, QStringLiteral("Someone Else"));
    MailUser::store(MailSettingsStore::PasswordValue, QStringLiteral("longer-than-ten"));
    MailUser::store(MailSettingsStore::NewSessionValue, QStringLiteral("true"));
    TFrmMailSettings &form = open();
    EXPECT_EQ(form.cmbBxMAPIType->currentText(), ExtendedMapiItem);
    // A typed name that is not in the list is shown as it is.
    EXPECT_EQ(form.cmbBxProfiles->currentText(), QStringLiteral("Someone Else"));
    EXPECT_EQ(form.edtPassword->text(), QStringLiteral("longer-than-ten"));
    // Lower-case "true" is not on: NewSession off, so the shared session is checked.
    EXPECT_TRUE(form.chkBxSharedSession->isChecked());
    EXPECT_FALSE(form.MapiSession.LogonInfo.NewSession);
    EXPECT_EQ(form.MapiSession.LogonInfo.Password, QStringLiteral("longer-than-ten"));

    // The long password cannot grow, and once shortened the usual limit of ten returns.
    form.edtPassword->setFocus();
    form.edtPassword->end(false);
    QTest::keyClicks(form.edtPassword, QStringLiteral("x"));
    EXPECT_EQ(form.edtPassword->text(), QStringLiteral("longer-than-ten"));
    form.edtPassword->selectAll();
    QTest::keyClicks(form.edtPassword, QStringLiteral("abcdefghijklmn"));
    EXPECT_EQ(form.edtPassword->text(), QStringLiteral("abcdefghij"));
}

TEST_F(MailSettingsDialog, WithoutAnyMailLibraryOnlyCancelIsLeft)
{
    m_user.home.write(QStringLiteral("machine-registry.json"),
        R"({"keys": {"SOFTWARE\\Microsoft\\Windows Messaging Subsystem": {"MAPI": null, "MAPIX": null}}})");
    TFrmMailSettings &form = open();
    EXPECT_EQ(form.cmbBxMAPIType->count(), 0);
    EXPECT_FALSE(form.cmbBxMAPIType->isEnabled());
    EXPECT_FALSE(form.cmbBxProfiles->isEnabled());
    EXPECT_FALSE(form.edtPassword->isEnabled());
    EXPECT_FALSE(form.btnLogon->isEnabled());
    EXPECT_TRUE(form.btnCancel->isEnabled());
    QTest::keyClick(&form, Qt::Key_Return);
    EXPECT_TRUE(m_messages->entries.isEmpty());
    EXPECT_TRUE(form.isVisible());
    form.btnCancel->click();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MailSettingsDialog, AProfileListThatCannotBeReadIsShownAndBlocksTheTest)
{
    m_user.home.write(QStringLiteral("mail-profiles.json"), "{ damaged");
    TFrmMailSettings &form = open();
    ASSERT_EQ(m_messages->entries.size(), 1);
    EXPECT_EQ(m_messages->entries[0].kind, Kind::Error);
    EXPECT_FALSE(form.btnLogon->isEnabled());
    EXPECT_TRUE(form.isVisible());
}

TEST_F(MailSettingsDialog, OpeningLogsOffEveryOtherSessionWhichLogsOnAgainLater)
{
    TRwMapiSessionV3 mainSession;
    mainSession.LogonInfo.Password = QStringLiteral("secret");
    mainSession.setActive(true);
    ASSERT_TRUE(mainSession.Active());
    TFrmMailSettings &form = open();
    EXPECT_FALSE(mainSession.Active());
    mainSession.setActive(true);
    EXPECT_TRUE(mainSession.Active());
    // The dialog's own session goes with it.
    enter(form, QStringLiteral("Home"), QString());
    form.btnLogon->click();
    ASSERT_TRUE(form.MapiSession.Active());
    m_form.reset();
    EXPECT_TRUE(mainSession.Active());
}
