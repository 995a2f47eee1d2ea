// Test and Get folders in the account dialog against the loopback SMTP and IMAP servers:
// the dialog stays live, each step is told in words, the server's folders become choices.

#include "AccountsEnv.h"

#include "mail/accounts/FrmMailAccount.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

class MailAccountTest : public ::testing::Test
{
protected:
    // An account on the loopback servers, signing in as user with the password given.
    std::unique_ptr<TFrmMailAccount> openAccount(
        int smtpPort, const QString &password, int imapPort = 0)
    {
        Profile profile = TFrmMailAccount::NewAccount();
        profile.name = QStringLiteral("Loopback");
        profile.senderAddress = QStringLiteral("ledger@example.com");
        profile.transport.url = QStringLiteral("smtp://127.0.0.1:%1").arg(smtpPort);
        profile.transport.tls = TransportSettings::Tls::None;
        profile.transport.username = QStringLiteral("user");
        profile.transport.password = password;
        profile.transport.connectTimeoutSeconds = 10;
        profile.transport.timeoutSeconds = 20;
        profile.sentCopy.kind
            = imapPort > 0 ? SentCopySettings::Kind::Imap : SentCopySettings::Kind::Local;
        profile.sentCopy.url = QStringLiteral("imap://127.0.0.1:%1").arg(imapPort);
        profile.sentCopy.tls = TransportSettings::Tls::None;
        profile.sentCopy.username = profile.transport.username;
        profile.sentCopy.password = password;
        auto dialog = std::make_unique<TFrmMailAccount>(profile, QStringList(), QString());
        dialog->show();
        return dialog;
    }

    static ConnectionTestResult WaitForTest(TFrmMailAccount &dialog, QSignalSpy &finished)
    {
        if (finished.isEmpty()) {
            EXPECT_TRUE(finished.wait(60000));
        }
        EXPECT_FALSE(dialog.testing());
        if (finished.isEmpty())
            return {};
        return finished.takeFirst().at(0).value<ConnectionTestResult>();
    }

    TempDir m_folder;
    ScopedMessages m_messages;
};

} // namespace

TEST_F(MailAccountTest, ARefusedSignInIsToldInWordsWhileTheDialogStaysLive)
{
    LoopbackServer smtp(
        QStringLiteral(SMTP_SERVER_SCRIPT), m_folder.path(), QStringLiteral("auth"));
    ASSERT_GT(smtp.port(), 0);
    auto dialog = openAccount(smtp.port(), QStringLiteral("wrong"));
    QSignalSpy finished(dialog.get(), &TFrmMailAccount::testFinished);

    dialog->btnTest->click();
    // While the worker tests, the button waits, the cursor says so and the fields take input.
    EXPECT_TRUE(dialog->testing());
    EXPECT_FALSE(dialog->btnTest->isEnabled());
    EXPECT_EQ(dialog->cursor().shape(), Qt::BusyCursor);
    QTest::keyClicks(dialog->edtSenderName, QStringLiteral("Sales"));
    EXPECT_EQ(dialog->edtSenderName->text(), QStringLiteral("Sales"));

    const ConnectionTestResult result = WaitForTest(*dialog, finished);
    EXPECT_FALSE(result.ok);
    ASSERT_FALSE(result.steps.isEmpty());
    EXPECT_EQ(result.steps.last().outcome, ProbeOutcome::AuthenticationRefused);
    const QString shown = dialog->txtTestResult->toPlainText();
    EXPECT_TRUE(shown.contains(QStringLiteral("refused the user name or password")))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("nothing was sent"))) << shown.toStdString();
    EXPECT_TRUE(dialog->btnTest->isEnabled());
    EXPECT_EQ(dialog->cursor().shape(), Qt::ArrowCursor);
    // The test sent nothing and saved nothing.
    EXPECT_TRUE(QDir(m_folder.path()).entryList({ QStringLiteral("*.eml") }).isEmpty());
    EXPECT_TRUE(m_messages->entries.isEmpty());
}

TEST_F(MailAccountTest, NothingListeningIsToldAsARefusedConnection)
{
    int port = 0;
    {
        LoopbackServer gone(
            QStringLiteral(SMTP_SERVER_SCRIPT), m_folder.path(), QStringLiteral("accept"));
        port = gone.port();
    }
    ASSERT_GT(port, 0);
    auto dialog = openAccount(port, QStringLiteral("right"));
    QSignalSpy finished(dialog.get(), &TFrmMailAccount::testFinished);
    QTest::keyClick(dialog->btnTest, Qt::Key_Space);
    const ConnectionTestResult result = WaitForTest(*dialog, finished);
    ASSERT_FALSE(result.steps.isEmpty());
    EXPECT_EQ(result.steps.first().outcome, ProbeOutcome::ConnectionRefused);
    EXPECT_TRUE(dialog->txtTestResult->toPlainText().contains(result.steps.first().text));
    EXPECT_FALSE(result.steps.first().text.isEmpty());
}

TEST_F(MailAccountTest, GetFoldersOffersTheServersFoldersAndTheChoiceIsSaved)
{
    TempDir imapFolder;
    LoopbackServer smtp(
        QStringLiteral(SMTP_SERVER_SCRIPT), m_folder.path(), QStringLiteral("auth"));
    LoopbackServer imap(
        QStringLiteral(IMAP_SERVER_SCRIPT), imapFolder.path(), QStringLiteral("accept"));
    ASSERT_GT(smtp.port(), 0);
    ASSERT_GT(imap.port(), 0);
    auto dialog = openAccount(smtp.port(), QStringLiteral("right"), imap.port());
    ASSERT_TRUE(dialog->rbSentUpload->isChecked());
    EXPECT_TRUE(dialog->chkImapSameLogin->isChecked());
    QSignalSpy finished(dialog.get(), &TFrmMailAccount::testFinished);

    dialog->btnFolders->click();
    EXPECT_FALSE(dialog->btnFolders->isEnabled());
    const ConnectionTestResult result = WaitForTest(*dialog, finished);
    EXPECT_TRUE(result.ok) << dialog->txtTestResult->toPlainText().toStdString();
    EXPECT_EQ(result.sentFolder, QStringLiteral("Sent Items"));
    QStringList items;
    for (int i = 0; i < dialog->cmbSentFolder->count(); ++i)
        items.append(dialog->cmbSentFolder->itemText(i));
    EXPECT_EQ(items.first(), QStringLiteral("Found automatically (Sent Items)"));
    EXPECT_TRUE(items.contains(QStringLiteral("Archive")));
    EXPECT_TRUE(dialog->txtTestResult->toPlainText().contains(QStringLiteral("The test passed")));
    // Left as found, the folder is not written; a folder chosen is.
    EXPECT_TRUE(dialog->profile().sentCopy.folder.isEmpty());
    dialog->cmbSentFolder->setCurrentIndex(items.indexOf(QStringLiteral("Archive")));
    EXPECT_EQ(dialog->profile().sentCopy.folder, QStringLiteral("Archive"));
    EXPECT_TRUE(QDir(imapFolder.path()).entryList({ QStringLiteral("*.eml") }).isEmpty());
}

TEST_F(MailAccountTest, ClosingDuringATestEndsIt)
{
    // The server never answers; closing must neither wait for the time-out nor leave a
    // thread behind that writes into a closed dialog.
    LoopbackServer silent(
        QStringLiteral(SMTP_SERVER_SCRIPT), m_folder.path(), QStringLiteral("silent"));
    ASSERT_GT(silent.port(), 0);
    auto dialog = openAccount(silent.port(), QStringLiteral("right"));
    QSignalSpy finished(dialog.get(), &TFrmMailAccount::testFinished);
    dialog->btnTest->click();
    ASSERT_TRUE(dialog->testing());
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(dialog->testing());
    EXPECT_TRUE(finished.isEmpty());
    dialog.reset();
}
