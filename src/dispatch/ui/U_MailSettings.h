#pragma once

#include "mail/RwMapiSession.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

inline const QString ExtendedMapiItem = QStringLiteral("Extended MAPI");
inline const QString SimpleMapiItem = QStringLiteral("Simple MAPI");
inline const QString LoginSuccessful = QStringLiteral("Login Successful");
inline const QString SaveSettingsQuestion = QStringLiteral("Save settings for this Workstation ?");

// Picks the kind of MAPI, the mail profile and its password for the current user, tests them
// by logging on and, when the user agrees, stores them for the main window's mail session.
class TFrmMailSettings : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmMailSettings(QWidget *owner = nullptr);
    ~TFrmMailSettings() override;

    // Fills the type list with the kinds of MAPI available (Simple MAPI only when allowed)
    // and, when there is one, unloads MAPI and lists the profiles for the selected kind.
    void InitMailTypes(bool simpleMapiAllowed);
    // Stored values -> the session and the controls; run when the dialog is shown.
    void ReadMailSettings();
    // The session's logon values -> the stored values.
    void WriteMailSettings();

    QWidget *panTop = nullptr;
    QFrame *bvTop = nullptr;
    QLabel *lblFunction = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblMAPIType = nullptr;
    QComboBox *cmbBxMAPIType = nullptr;
    QLabel *lblProfile = nullptr;
    QComboBox *cmbBxProfiles = nullptr;
    // Opens the mail accounts editor; the profile list is filled again when it closes.
    QPushButton *btnAccounts = nullptr;
    QLabel *lblPassword = nullptr;
    QLineEdit *edtPassword = nullptr;
    QCheckBox *chkBxSharedSession = nullptr;
    QPushButton *btnLogon = nullptr;
    QPushButton *btnCancel = nullptr;

    // The dialog's own session, for the profile list and the test logon.
    TRwMapiSessionV3 MapiSession;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildControls();
    // Runs once from InitMailTypes: the session's kind follows the selected type and the
    // profile list is filled for it.
    void SelectMailType();
    void btnLogonClick();
    void btnAccountsClick();
    void setPasswordText(const QString &text);

    bool m_settingsRead = false;
};

// Shows the dialog modally and disposes of it when it closes.
void ShowMailSettings(QWidget *owner, bool simpleMapiAllowed);
