#pragma once

#include "platform/mapi/Profiles.h"
#include "platform/oauth/SignIn.h"

#include <QDialog>
#include <QObject>
#include <QPointer>

#include <functional>

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// The account editor's way of signing in to the servers: a password, or OAuth 2.0 with a
// provider preset, the application registered with it, and the sign-in itself (in the
// browser, or with a code entered on another device). The rows go into the outgoing
// server's form, below the password, which they hide while OAuth 2.0 is chosen.
class TMailAccountOAuth final : public QObject
{
    Q_OBJECT

public:
    // account: the account as the dialog shows it now (its name keys the stored sign-in).
    TMailAccountOAuth(QWidget *group, QFormLayout *form, QWidget *passwordField,
        std::function<Profile()> account);

    bool chosen() const; // OAuth 2.0 rather than a password
    void setFrom(const Profile &profile);
    void applyTo(Profile &profile) const;
    // The provider preset that goes with an account preset's servers.
    void suggestProvider(OAuthSettings::Provider provider);
    // The first OAuth entry that is missing, in words, and its control.
    QString validate(QWidget **control) const;

    // Whether the keyring holds a sign-in for the account.
    bool signedIn() const;
    using Then = std::function<void(bool ok, const QString &text)>;
    // Signs in (withCode: the device code flow); then runs when the sign-in has ended (not
    // when the user cancelled it). A sign-in in the browser that never came back is started
    // again by signing in again.
    void signIn(bool withCode, Then then = {});
    // Where the browser sign-in sends the user (tests follow the address themselves).
    void setBrowser(BrowserSignIn::Browser browser) { m_browser = std::move(browser); }

    QComboBox *cmbAuth = nullptr;
    QComboBox *cmbOAuthProvider = nullptr;
    QLineEdit *edtClientId = nullptr;
    QLineEdit *edtClientSecret = nullptr; // Google and other providers: kept in the keyring
    QLineEdit *edtTenant = nullptr;
    QLineEdit *edtAuthorizationEndpoint = nullptr;
    QLineEdit *edtTokenEndpoint = nullptr;
    QLineEdit *edtDeviceEndpoint = nullptr;
    QLineEdit *edtScopes = nullptr;
    QPushButton *btnSignIn = nullptr;
    QPushButton *btnSignInCode = nullptr;
    QLabel *lblSignInState = nullptr;

Q_SIGNALS:
    // A sign-in has ended; text says how, in words.
    void signInFinished(bool ok, const QString &text);

private:
    OAuthSettings settings() const;
    bool takesClientSecret() const;
    void updateRows();
    void showState(const QString &text = QString());
    void finish(const TokenReply &reply);

    QWidget *m_group;
    QFormLayout *m_form;
    QWidget *m_passwordField;
    std::function<Profile()> m_account;
    BrowserSignIn::Browser m_browser;
    QPointer<SignIn> m_running;
    QPointer<QDialog> m_prompt;
    Then m_then;
    bool m_loading = false;
};

// Shows the code of a device sign-in and where to enter it, until the sign-in ends or the
// user cancels.
class TDlgDeviceCode final : public QDialog
{
    Q_OBJECT

public:
    TDlgDeviceCode(
        const QString &userCode, const QUrl &address, const QString &message, QWidget *owner);

    QLabel *lblMessage = nullptr;
    QLineEdit *edtCode = nullptr;
    QLabel *lblAddress = nullptr;
    QPushButton *btnCopyCode = nullptr;
    QPushButton *btnCancel = nullptr;
};
