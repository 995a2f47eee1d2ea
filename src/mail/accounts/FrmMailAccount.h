#pragma once

#include "mail/accounts/AccountPresets.h"
#include "platform/mapi/ConnectionTest.h"
#include "platform/mapi/Profiles.h"

#include <QDialog>
#include <QStringList>

#include <atomic>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QThread;
class TMailAccountOAuth;

// One mail account: who sends, through which outgoing server, where the copy of a sent
// message goes and how many messages a minute the server takes. OK checks the entries,
// saves the account (secrets in the keyring) and closes; Test tries the servers on a worker
// thread while the dialog stays live.
class TFrmMailAccount : public QDialog
{
    Q_OBJECT

public:
    // otherNames: the names of the user's other accounts, which this one may not take.
    // previousName: the name the account is saved under now; empty for a new account.
    TFrmMailAccount(const Profile &profile, const QStringList &otherNames,
        const QString &previousName, QWidget *owner = nullptr);
    ~TFrmMailAccount() override;

    // A new account: the Other preset, nothing typed yet.
    static Profile NewAccount();

    // The account as the controls show it, on top of the profile given (fields the dialog
    // does not show stay as they were). The one place the controls become a profile.
    Profile profile() const;
    // The one place a profile becomes the controls.
    void setProfile(const Profile &profile);
    // Fills the servers and the Sent copy choice for the preset.
    void applyPreset(AccountPreset preset);

    // The first entry that is not acceptable, in words, with the control to fix it
    // (empty text and nullptr when everything is acceptable).
    QString validate(QWidget **control = nullptr) const;

    // The saved account after OK.
    const Profile &savedProfile() const { return m_saved; }
    // Whether a connection test is running.
    bool testing() const { return m_testThread != nullptr; }

    QComboBox *cmbPreset = nullptr;
    QLabel *lblPresetNote = nullptr;

    QGroupBox *grpAccount = nullptr;
    QFormLayout *frmAccount = nullptr;
    QLineEdit *edtName = nullptr;
    QLineEdit *edtSenderName = nullptr;
    QLineEdit *edtSenderAddress = nullptr;
    QLineEdit *edtStoreFolder = nullptr;
    QPushButton *btnStoreFolder = nullptr;

    // Outgoing server. Rows for another way of signing in go into frmOutgoing.
    QGroupBox *grpOutgoing = nullptr;
    QFormLayout *frmOutgoing = nullptr;
    QLabel *lblTransportKind = nullptr; // shown for an account that does not send over SMTP
    QLineEdit *edtSmtpHost = nullptr;
    QLineEdit *edtSmtpPort = nullptr;
    QComboBox *cmbSmtpSecurity = nullptr;
    QLineEdit *edtSmtpUser = nullptr;
    QLineEdit *edtSmtpPassword = nullptr;
    TMailAccountOAuth *oauth = nullptr; // password or OAuth 2.0, and the sign-in
    QLineEdit *edtMessagesPerMinute = nullptr;

    // The copy of a sent message.
    QGroupBox *grpSentCopy = nullptr;
    QRadioButton *rbSentServer = nullptr;
    QRadioButton *rbSentUpload = nullptr;
    QRadioButton *rbSentLocal = nullptr;
    QFormLayout *frmImap = nullptr;
    QLineEdit *edtImapHost = nullptr;
    QLineEdit *edtImapPort = nullptr;
    QComboBox *cmbImapSecurity = nullptr;
    QCheckBox *chkImapSameLogin = nullptr;
    QLineEdit *edtImapUser = nullptr;
    QLineEdit *edtImapPassword = nullptr;
    QComboBox *cmbSentFolder = nullptr;
    QPushButton *btnFolders = nullptr;

    QPushButton *btnTest = nullptr;
    QPlainTextEdit *txtTestResult = nullptr;
    QDialogButtonBox *btnsDialog = nullptr;
    QPushButton *btnOk = nullptr;
    QPushButton *btnCancel = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

public Q_SLOTS:
    void accept() override;
    void reject() override;

Q_SIGNALS:
    // A connection test has ended and its result is shown.
    void testFinished(const ConnectionTestResult &result);

private:
    // The servers' entries only: what Test needs.
    QString validateServers(QWidget *&field) const;
    // A warning box with the problem, then the control to fix it.
    void showProblem(const QString &problem, QWidget *control);
    void buildControls();
    void buildAccountGroup();
    void buildOutgoingGroup();
    void buildSentCopyGroup();
    void setTabOrders();
    void updateEnabled();
    void updateStorePlaceholder();
    void securityChanged(QComboBox *security, QLineEdit *port, bool imap);
    void chooseStoreFolder();

    // Test and Folders: the test runs on a worker; the result fills the dialog.
    void startTest(bool foldersOnly);
    void showTestResult(const ConnectionTestResult &result, bool foldersOnly);
    void cancelTest();
    void setSentFolders(const QStringList &folders, const QString &found);

    // Saves through the account store, asking to keep the passwords in the file when no
    // keyring answers. Returns whether the account was saved.
    bool save(Profile profile);

    Profile m_original;
    Profile m_saved;
    QStringList m_otherNames;
    QString m_previousName;
    bool m_loading = false;
    // The sender address the SMTP user name follows while the two are the same.
    QString m_addressShown;

    QThread *m_testThread = nullptr;
    std::shared_ptr<std::atomic_bool> m_testCancel;
};
