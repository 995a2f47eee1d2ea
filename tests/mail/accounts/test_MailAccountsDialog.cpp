// The accounts editor through its real widgets: adding from a preset, editing, removing,
// making default, what OK refuses, and where the passwords end up.

#include "AccountsEnv.h"

#include "mail/accounts/FrmMailAccount.h"
#include "mail/accounts/FrmMailAccounts.h"
#include "platform/mapi/AccountStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

using Answer = MessageService::Answer;
using Kind = MessageService::Kind;

QStringList ListedAccounts(const TFrmMailAccounts &form)
{
    QStringList names;
    for (int i = 0; i < form.lstAccounts->topLevelItemCount(); ++i)
        names.append(form.lstAccounts->topLevelItem(i)->text(0));
    return names;
}

void Type(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

class MailAccountsDialog : public ::testing::Test
{
protected:
    void TearDown() override
    {
        // The keyring outlives the test's own folders.
        if (KeyringAnswers()) {
            for (const QString &name : { QStringLiteral("Office"), QStringLiteral("Shop"),
                     QStringLiteral("Head Office") }) {
                SecretStore().remove(SecretStore::smtpKey(name));
                SecretStore().remove(SecretStore::imapKey(name));
            }
        }
    }

    TFrmMailAccounts &openList()
    {
        m_list = std::make_unique<TFrmMailAccounts>();
        m_list->show();
        return *m_list;
    }

    std::unique_ptr<TFrmMailAccount> openAccount(const Profile &profile,
        const QStringList &others = {}, const QString &previousName = QString())
    {
        auto dialog = std::make_unique<TFrmMailAccount>(profile, others, previousName);
        dialog->show();
        return dialog;
    }

    // Fills the account dialog as a new Google user would, by keyboard.
    static void FillGoogleAccount(TFrmMailAccount &dialog)
    {
        dialog.cmbPreset->setFocus();
        QTest::keyClicks(dialog.cmbPreset, QStringLiteral("Google"));
        QTest::keyClicks(dialog.edtName, QStringLiteral("Office"));
        QTest::keyClicks(dialog.edtSenderName, QStringLiteral("Sales Ledger"));
        QTest::keyClicks(dialog.edtSenderAddress, QStringLiteral("ledger@example.com"));
        QTest::keyClicks(dialog.edtSmtpPassword, QStringLiteral("app-pass-1234"));
    }

    AccountsUser m_user;
    ScopedMessages m_messages;
    std::unique_ptr<TFrmMailAccounts> m_list;
};

} // namespace

TEST_F(MailAccountsDialog, AddingFromAPresetSavesTheAccountAsTheDefault)
{
    TFrmMailAccounts &list = openList();
    EXPECT_TRUE(ListedAccounts(list).isEmpty());
    EXPECT_FALSE(list.btnEdit->isEnabled() || list.btnRemove->isEnabled());

    m_messages->setNextAnswer(Answer::Yes); // keep the password in the file if asked
    WhenShown<TFrmMailAccount>([](TFrmMailAccount &dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Mail Account"));
        FillGoogleAccount(dialog);
        // The preset filled the servers; the user name followed the address.
        EXPECT_EQ(dialog.edtSmtpHost->text(), QStringLiteral("smtp.gmail.com"));
        EXPECT_EQ(dialog.edtSmtpPort->text(), QStringLiteral("465"));
        EXPECT_EQ(dialog.cmbSmtpSecurity->currentText(), QStringLiteral("SSL/TLS"));
        EXPECT_EQ(dialog.edtSmtpUser->text(), QStringLiteral("ledger@example.com"));
        EXPECT_TRUE(dialog.rbSentServer->isChecked());
        EXPECT_FALSE(dialog.edtImapHost->isEnabled());
        EXPECT_TRUE(dialog.lblPresetNote->text().contains(QStringLiteral("app password")));
        // Enter in a field is OK.
        QTest::keyClick(dialog.edtSmtpPassword, Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible());
    });
    list.btnAdd->click();

    EXPECT_EQ(ListedAccounts(list), QStringList { QStringLiteral("Office (default)") });
    EXPECT_TRUE(list.lstAccounts->topLevelItem(0)->font(0).bold());
    const QJsonObject saved = AccountsUser::profileInFile(QStringLiteral("Office"));
    ASSERT_FALSE(saved.isEmpty()) << AccountsUser::fileText().toStdString();
    EXPECT_TRUE(saved.value(QStringLiteral("default")).toBool());
    EXPECT_EQ(saved.value(QStringLiteral("senderName")).toString(), QStringLiteral("Sales Ledger"));
    EXPECT_EQ(saved.value(QStringLiteral("senderAddress")).toString(),
        QStringLiteral("ledger@example.com"));
    // The store went to the usual place, without asking.
    EXPECT_EQ(saved.value(QStringLiteral("store")).toString(),
        m_user.dataPath() + QStringLiteral("/velloran/mail/Office"));
    const QJsonObject transport = saved.value(QStringLiteral("transport")).toObject();
    EXPECT_EQ(transport.value(QStringLiteral("kind")).toString(), QStringLiteral("smtp"));
    EXPECT_EQ(transport.value(QStringLiteral("url")).toString(),
        QStringLiteral("smtps://smtp.gmail.com:465"));
    EXPECT_EQ(transport.value(QStringLiteral("username")).toString(),
        QStringLiteral("ledger@example.com"));
    EXPECT_EQ(saved.value(QStringLiteral("sentCopy")).toObject().value(QStringLiteral("kind")),
        QStringLiteral("server"));

    // The password: in the keyring and nowhere in the file; or, with no keyring, in the file
    // after the user agreed, which only its owner may read.
    if (KeyringAnswers()) {
        EXPECT_TRUE(m_messages->entries.isEmpty()) << m_messages->texts().join(u'|').toStdString();
        EXPECT_FALSE(AccountsUser::fileText().contains("app-pass-1234"));
        EXPECT_EQ(
            transport.value(QStringLiteral("passwordIn")).toString(), QStringLiteral("keyring"));
        EXPECT_EQ(SecretStore().read(SecretStore::smtpKey(QStringLiteral("Office"))).secret,
            QStringLiteral("app-pass-1234"));
    } else {
        ASSERT_EQ(m_messages->entries.size(), 1);
        EXPECT_TRUE(m_messages->entries[0].question);
        EXPECT_TRUE(m_messages->entries[0].text.contains(QStringLiteral("keyring")));
        EXPECT_TRUE(m_messages->entries[0].text.contains(QStringLiteral("profiles file")));
        EXPECT_EQ(transport.value(QStringLiteral("password")).toString(),
            QStringLiteral("app-pass-1234"));
        EXPECT_EQ(transport.value(QStringLiteral("passwordIn")).toString(), QStringLiteral("file"));
        EXPECT_EQ(
            AccountsUser::filePermissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
}

TEST_F(MailAccountsDialog, WithoutAKeyringNoToTheQuestionSavesNothing)
{
    if (KeyringAnswers())
        GTEST_SKIP() << "a keyring answers in this run";
    auto dialog = openAccount(TFrmMailAccount::NewAccount());
    FillGoogleAccount(*dialog);
    m_messages->setNextAnswer(Answer::No);
    dialog->btnOk->click();
    ASSERT_EQ(m_messages->entries.size(), 1);
    EXPECT_TRUE(m_messages->entries[0].question);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(QFile::exists(ProfileList::file()));

    // Asked again, Yes keeps the password in the file.
    m_messages->setNextAnswer(Answer::Yes);
    dialog->btnOk->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(AccountsUser::fileText().contains("app-pass-1234"));
    EXPECT_EQ(AccountsUser::filePermissions(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(MailAccountsDialog, EditingKeepsWhatTheDialogDoesNotShow)
{
    m_user.writeProfiles({ m_user.smtpProfile(QStringLiteral("Office"), true),
        m_user.smtpProfile(QStringLiteral("Shop"), false) });
    TFrmMailAccounts &list = openList();
    EXPECT_EQ(ListedAccounts(list),
        (QStringList { QStringLiteral("Office (default)"), QStringLiteral("Shop") }));
    list.select(QStringLiteral("Shop"));

    m_messages->setNextAnswer(Answer::Yes);
    WhenShown<TFrmMailAccount>([](TFrmMailAccount &dialog) {
        // The older file's password is shown for editing, its "try" kept as a choice.
        EXPECT_EQ(dialog.edtName->text(), QStringLiteral("Shop"));
        EXPECT_EQ(dialog.edtSmtpPassword->text(), QStringLiteral("old-secret"));
        EXPECT_EQ(dialog.cmbSmtpSecurity->currentText(), QStringLiteral("STARTTLS if offered"));
        EXPECT_EQ(dialog.edtSmtpPort->text(), QStringLiteral("2525"));
        EXPECT_TRUE(dialog.rbSentLocal->isChecked());
        Type(dialog.edtName, QStringLiteral("Head Office"));
        Type(dialog.edtMessagesPerMinute, QStringLiteral("30"));
        dialog.btnOk->click();
    });
    QTest::keyClick(list.lstAccounts, Qt::Key_Return); // Enter on an account edits it

    EXPECT_EQ(ListedAccounts(list),
        (QStringList { QStringLiteral("Office (default)"), QStringLiteral("Head Office") }));
    EXPECT_EQ(list.selectedName(), QStringLiteral("Head Office"));
    EXPECT_TRUE(AccountsUser::profileInFile(QStringLiteral("Shop")).isEmpty());
    const QJsonObject saved = AccountsUser::profileInFile(QStringLiteral("Head Office"));
    const QJsonObject transport = saved.value(QStringLiteral("transport")).toObject();
    EXPECT_EQ(transport.value(QStringLiteral("url")).toString(),
        QStringLiteral("smtp://mail.example.com:2525"));
    EXPECT_EQ(transport.value(QStringLiteral("starttls")).toString(), QStringLiteral("try"));
    EXPECT_EQ(transport.value(QStringLiteral("messagesPerMinute")).toInt(), 30);
    // Fields the dialog does not show come through unchanged.
    EXPECT_FALSE(transport.value(QStringLiteral("verifyPeer")).toBool(true));
    EXPECT_EQ(transport.value(QStringLiteral("timeout")).toInt(), 45);
    EXPECT_EQ(saved.value(QStringLiteral("password")).toString(), QStringLiteral("logon"));
    EXPECT_EQ(saved.value(QStringLiteral("store")).toString(),
        m_user.dataPath() + QStringLiteral("/store-Shop"));
    EXPECT_EQ(saved.value(QStringLiteral("contacts")).toArray().size(), 1);
    // The older file's password moved into the keyring when there is one.
    if (KeyringAnswers()) {
        EXPECT_FALSE(transport.contains(QStringLiteral("password")));
        EXPECT_EQ(SecretStore().read(SecretStore::smtpKey(QStringLiteral("Head Office"))).secret,
            QStringLiteral("old-secret"));
    } else {
        EXPECT_EQ(
            transport.value(QStringLiteral("password")).toString(), QStringLiteral("old-secret"));
    }
    // The other account is as it was.
    EXPECT_EQ(AccountsUser::profileInFile(QStringLiteral("Office"))
                  .value(QStringLiteral("transport"))
                  .toObject()
                  .value(QStringLiteral("password"))
                  .toString(),
        QStringLiteral("old-secret"));
}

TEST_F(MailAccountsDialog, CancelAndEscapeChangeNothing)
{
    m_user.writeProfiles({ m_user.smtpProfile(QStringLiteral("Office"), true) });
    const QByteArray before = AccountsUser::fileText();
    TFrmMailAccounts &list = openList();
    WhenShown<TFrmMailAccount>([](TFrmMailAccount &dialog) {
        Type(dialog.edtName, QStringLiteral("Changed"));
        QTest::keyClick(dialog.edtName, Qt::Key_Escape);
        EXPECT_FALSE(dialog.isVisible());
    });
    list.btnEdit->click();
    WhenShown<TFrmMailAccount>([](TFrmMailAccount &dialog) {
        QTest::keyClicks(dialog.edtName, QStringLiteral("New"));
        dialog.btnCancel->click();
    });
    list.btnAdd->click();
    EXPECT_EQ(AccountsUser::fileText(), before);
    EXPECT_EQ(ListedAccounts(list), QStringList { QStringLiteral("Office (default)") });
    EXPECT_TRUE(m_messages->entries.isEmpty());
}

TEST_F(MailAccountsDialog, RemoveAsksAndMakeDefaultMovesTheMark)
{
    m_user.writeProfiles({ m_user.smtpProfile(QStringLiteral("Office"), true),
        m_user.smtpProfile(QStringLiteral("Shop"), false) });
    TFrmMailAccounts &list = openList();
    list.select(QStringLiteral("Office"));
    EXPECT_FALSE(list.btnMakeDefault->isEnabled());
    list.select(QStringLiteral("Shop"));
    ASSERT_TRUE(list.btnMakeDefault->isEnabled());
    list.btnMakeDefault->click();
    EXPECT_EQ(ListedAccounts(list),
        (QStringList { QStringLiteral("Office"), QStringLiteral("Shop (default)") }));
    EXPECT_FALSE(AccountsUser::profileInFile(QStringLiteral("Office"))
                     .value(QStringLiteral("default"))
                     .toBool());
    EXPECT_TRUE(AccountsUser::profileInFile(QStringLiteral("Shop"))
                    .value(QStringLiteral("default"))
                    .toBool());

    // No keeps the account; Yes removes it.
    list.select(QStringLiteral("Office"));
    m_messages->setNextAnswer(Answer::No);
    list.btnRemove->click();
    ASSERT_EQ(m_messages->entries.size(), 1);
    EXPECT_TRUE(m_messages->entries[0].text.contains(QStringLiteral("\"Office\"")));
    EXPECT_EQ(AccountsUser::profilesInFile().size(), 2);
    m_messages->setNextAnswer(Answer::Yes);
    list.btnRemove->click();
    EXPECT_EQ(ListedAccounts(list), QStringList { QStringLiteral("Shop (default)") });
    EXPECT_EQ(AccountsUser::profilesInFile().size(), 1);
    EXPECT_EQ(list.selectedName(), QStringLiteral("Shop"));
}

TEST_F(MailAccountsDialog, ADamagedFileIsReportedAndLeftAlone)
{
    m_user.home.write(QStringLiteral("mail-profiles.json"), "{\"profiles\": [ {\"name\": ");
    const QByteArray before = AccountsUser::fileText();
    TFrmMailAccounts &list = openList();
    ASSERT_EQ(m_messages->entries.size(), 1);
    EXPECT_EQ(m_messages->entries[0].kind, Kind::Error);
    EXPECT_TRUE(m_messages->entries[0].text.contains(ProfileList::file()));
    EXPECT_FALSE(list.btnAdd->isEnabled());
    EXPECT_EQ(AccountsUser::fileText(), before);
}

TEST_F(MailAccountsDialog, OkRefusesEntriesThatCannotWorkInWords)
{
    m_user.writeProfiles({ m_user.smtpProfile(QStringLiteral("Office"), true) });
    struct Case
    {
        const char *control;
        QString text;
        QString says;
    };
    const Case cases[] = {
        { "edtName", QString(), QStringLiteral("Enter a name for the account") },
        { "edtName", QStringLiteral("office"),
            QStringLiteral("already an account called \"Office\"") },
        { "edtSenderAddress", QString(), QStringLiteral("Enter the e-mail address") },
        { "edtSenderAddress", QStringLiteral("ledger.example.com"),
            QStringLiteral("\"ledger.example.com\" is not an e-mail address") },
        { "edtStoreFolder", QStringLiteral("mail/here"), QStringLiteral("full path") },
        { "edtSmtpHost", QString(),
            QStringLiteral("Enter the name of the outgoing (SMTP) server") },
        { "edtSmtpHost", QStringLiteral("smtp://mail.example.com"),
            QStringLiteral("is not a server name") },
        { "edtSmtpPort", QStringLiteral("70000"), QStringLiteral("from 1 to 65535") },
        { "edtMessagesPerMinute", QStringLiteral("0"), QStringLiteral("whole number from 1 up") },
        { "edtImapHost", QString(), QStringLiteral("Enter the name of the IMAP server") },
        { "edtImapPort", QStringLiteral("x"), QStringLiteral("port of the IMAP server") },
    };
    for (const Case &c : cases) {
        auto dialog = openAccount(TFrmMailAccount::NewAccount(), { QStringLiteral("Office") });
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        QTest::keyClicks(dialog->edtName, QStringLiteral("Shop"));
        QTest::keyClicks(dialog->edtSenderAddress, QStringLiteral("shop@example.com"));
        QTest::keyClicks(dialog->edtSmtpHost, QStringLiteral("smtp.example.com"));
        dialog->rbSentUpload->click();
        QTest::keyClicks(dialog->edtImapHost, QStringLiteral("imap.example.com"));
        auto *control = dialog->findChild<QLineEdit *>(QString::fromLatin1(c.control));
        ASSERT_NE(control, nullptr) << c.control;
        Type(control, c.text);
        m_messages->entries.clear();
        dialog->btnOk->click();

        ASSERT_EQ(m_messages->entries.size(), 1) << c.control;
        EXPECT_EQ(m_messages->entries[0].kind, Kind::Warning);
        EXPECT_TRUE(m_messages->entries[0].text.contains(c.says))
            << m_messages->entries[0].text.toStdString();
        EXPECT_TRUE(dialog->isVisible()) << c.control;
        EXPECT_EQ(QApplication::focusWidget(), control) << c.control;
        EXPECT_EQ(AccountsUser::profilesInFile().size(), 1) << c.control;
    }
}

TEST_F(MailAccountsDialog, PresetsAndChoicesFillTheServers)
{
    auto dialog = openAccount(TFrmMailAccount::NewAccount());
    EXPECT_EQ(dialog->cmbPreset->currentText(), QStringLiteral("Other IMAP/SMTP provider"));
    EXPECT_TRUE(dialog->rbSentUpload->isChecked());
    EXPECT_TRUE(dialog->edtImapHost->isEnabled());
    EXPECT_EQ(dialog->edtSmtpPort->text(), QStringLiteral("587"));
    EXPECT_EQ(dialog->edtImapPort->text(), QStringLiteral("993"));
    EXPECT_EQ(dialog->cmbSentFolder->currentText(), QStringLiteral("Found automatically"));

    dialog->cmbPreset->setCurrentIndex(
        dialog->cmbPreset->findText(QStringLiteral("Microsoft 365")));
    EXPECT_EQ(dialog->edtSmtpHost->text(), QStringLiteral("smtp.office365.com"));
    EXPECT_EQ(dialog->edtSmtpPort->text(), QStringLiteral("587"));
    EXPECT_EQ(dialog->cmbSmtpSecurity->currentText(), QStringLiteral("STARTTLS"));
    EXPECT_EQ(dialog->edtImapHost->text(), QStringLiteral("outlook.office365.com"));
    EXPECT_TRUE(dialog->rbSentServer->isChecked());
    EXPECT_FALSE(dialog->edtImapHost->isEnabled() || dialog->btnFolders->isEnabled());

    // A port left at the usual one follows the security; a port of the user's own stays.
    dialog->cmbSmtpSecurity->setCurrentIndex(
        dialog->cmbSmtpSecurity->findText(QStringLiteral("SSL/TLS")));
    EXPECT_EQ(dialog->edtSmtpPort->text(), QStringLiteral("465"));
    Type(dialog->edtSmtpPort, QStringLiteral("2465"));
    dialog->cmbSmtpSecurity->setCurrentIndex(
        dialog->cmbSmtpSecurity->findText(QStringLiteral("STARTTLS")));
    EXPECT_EQ(dialog->edtSmtpPort->text(), QStringLiteral("2465"));

    // Uploading with a login of its own.
    dialog->rbSentUpload->click();
    EXPECT_TRUE(dialog->edtImapHost->isEnabled());
    EXPECT_TRUE(dialog->chkImapSameLogin->isChecked());
    EXPECT_FALSE(dialog->edtImapUser->isEnabled());
    QTest::keyClicks(dialog->edtSmtpUser, QStringLiteral("sender"));
    QTest::keyClicks(dialog->edtSmtpPassword, QStringLiteral("pw"));
    EXPECT_EQ(dialog->profile().sentCopy.username, QStringLiteral("sender"));
    EXPECT_EQ(dialog->profile().sentCopy.password, QStringLiteral("pw"));
    dialog->chkImapSameLogin->click();
    ASSERT_TRUE(dialog->edtImapUser->isEnabled());
    QTest::keyClicks(dialog->edtImapUser, QStringLiteral("archive"));
    QTest::keyClicks(dialog->edtImapPassword, QStringLiteral("pw2"));
    const Profile profile = dialog->profile();
    EXPECT_EQ(profile.sentCopy.kind, SentCopySettings::Kind::Imap);
    EXPECT_EQ(profile.sentCopy.url, QStringLiteral("imaps://outlook.office365.com:993"));
    EXPECT_EQ(profile.sentCopy.username, QStringLiteral("archive"));
    EXPECT_EQ(profile.sentCopy.password, QStringLiteral("pw2"));
    EXPECT_TRUE(profile.sentCopy.folder.isEmpty());
    EXPECT_EQ(profile.transport.url, QStringLiteral("smtp://smtp.office365.com:2465"));
    EXPECT_EQ(profile.transport.tls, TransportSettings::Tls::Required);

    // The same profile shown again gives the same profile back.
    auto again = openAccount(profile);
    const Profile back = again->profile();
    EXPECT_EQ(back.transport.url, profile.transport.url);
    EXPECT_EQ(back.sentCopy.url, profile.sentCopy.url);
    EXPECT_EQ(back.sentCopy.username, QStringLiteral("archive"));
    EXPECT_FALSE(again->chkImapSameLogin->isChecked());

    // An upload with no IMAP login entered yet takes the sending one.
    Profile noImapLogin = profile;
    noImapLogin.sentCopy.username.clear();
    noImapLogin.sentCopy.password.clear();
    auto third = openAccount(noImapLogin);
    EXPECT_TRUE(third->chkImapSameLogin->isChecked());
    EXPECT_EQ(third->profile().sentCopy.username, profile.transport.username);
}

TEST_F(MailAccountsDialog, AnAccountThatSendsAnotherWayKeepsItUntilAServerIsEntered)
{
    Profile drop = TFrmMailAccount::NewAccount();
    drop.name = QStringLiteral("Demo");
    drop.senderAddress = QStringLiteral("demo@example.com");
    drop.storeFolder = m_user.dataPath() + QStringLiteral("/demo");
    drop.transport.kind = TransportSettings::Kind::DropFolder;
    drop.transport.folder = m_user.dataPath() + QStringLiteral("/drop");
    drop.sentCopy.kind = SentCopySettings::Kind::Local;
    auto dialog = openAccount(drop, {}, QStringLiteral("Demo"));
    EXPECT_TRUE(dialog->lblTransportKind->isVisible());
    EXPECT_TRUE(dialog->validate().isEmpty()) << dialog->validate().toStdString();
    EXPECT_EQ(dialog->profile().transport.kind, TransportSettings::Kind::DropFolder);

    QTest::keyClicks(dialog->edtSmtpHost, QStringLiteral("smtp.example.com"));
    EXPECT_FALSE(dialog->lblTransportKind->isVisible());
    const Profile smtp = dialog->profile();
    EXPECT_EQ(smtp.transport.kind, TransportSettings::Kind::Smtp);
    EXPECT_EQ(smtp.transport.url, QStringLiteral("smtp://smtp.example.com:587"));
}

TEST_F(MailAccountsDialog, TheKeyboardReachesEveryFieldInReadingOrder)
{
    auto dialog = openAccount(TFrmMailAccount::NewAccount());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    dialog->edtName->setFocus();
    QStringList visited { dialog->edtName->objectName() };
    for (int i = 0; i < 80 && visited.last() != QLatin1String("btnCancel"); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget()->objectName());
    }
    // Left column top to bottom, then the right one, then the buttons.
    const QStringList expected { QStringLiteral("edtName"), QStringLiteral("edtSenderName"),
        QStringLiteral("edtSenderAddress"), QStringLiteral("edtStoreFolder"),
        QStringLiteral("edtSmtpHost"), QStringLiteral("edtSmtpPort"),
        QStringLiteral("cmbSmtpSecurity"), QStringLiteral("edtSmtpUser"),
        QStringLiteral("edtSmtpPassword"), QStringLiteral("edtMessagesPerMinute"),
        QStringLiteral("rbSentUpload"), QStringLiteral("edtImapHost"),
        QStringLiteral("edtImapPort"), QStringLiteral("cmbImapSecurity"),
        QStringLiteral("chkImapSameLogin"), QStringLiteral("cmbSentFolder"),
        QStringLiteral("btnTest"), QStringLiteral("btnOk"), QStringLiteral("btnCancel") };
    qsizetype at = 0;
    for (const QString &name : expected) {
        const qsizetype found = visited.indexOf(name, at);
        EXPECT_GE(found, at) << name.toStdString() << " out of order in "
                             << visited.join(u' ').toStdString();
        at = std::max(at, found);
    }

    // Mnemonics: Alt+N the name, Alt+S the outgoing server, Alt+H keeps the copy here.
    QTest::keyClick(dialog.get(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), dialog->edtSmtpHost);
    QTest::keyClick(dialog.get(), Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), dialog->edtName);
    QTest::keyClick(dialog.get(), Qt::Key_H, Qt::AltModifier);
    // A button's mnemonic clicks it a moment later, as a pressed button shows.
    EXPECT_TRUE(QTest::qWaitFor([&dialog] { return dialog->rbSentLocal->isChecked(); }));
    EXPECT_FALSE(dialog->edtImapHost->isEnabled());
}
