#pragma once

#include "platform/oauth/OAuthProvider.h"
#include "platform/oauth/TokenEndpoint.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QOAuth2AuthorizationCodeFlow;
class LoopbackReplyHandler;

// An interactive sign-in that ends in a token grant (or in why not). finished() is emitted
// once, and not after cancel().
class SignIn : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void start() = 0;
    virtual void cancel() = 0;

Q_SIGNALS:
    // reply.kind is Granted, Refused (the user or the provider said no) or Failed.
    void finished(const TokenReply &reply);
};

// The authorization code flow with PKCE (S256): the system browser shows the provider's
// sign-in page, which sends the browser back to a listener on 127.0.0.1 with a code, and
// the code is exchanged for the tokens.
class BrowserSignIn final : public SignIn
{
    Q_OBJECT

public:
    using Browser = std::function<bool(const QUrl &)>;

    explicit BrowserSignIn(OAuthEndpoints endpoints, QObject *parent = nullptr);
    ~BrowserSignIn() override;

    // Opens the authorization address; the desktop's browser unless set (tests follow the
    // address themselves).
    void setBrowser(Browser browser) { m_browser = std::move(browser); }

    void start() override;
    void cancel() override;

private:
    void finish(const TokenReply &reply);

    OAuthEndpoints m_endpoints;
    Browser m_browser;
    QByteArray m_verifier;
    QNetworkAccessManager *m_network = nullptr;
    QOAuth2AuthorizationCodeFlow *m_flow = nullptr;
    LoopbackReplyHandler *m_handler = nullptr;
    bool m_done = false;
};

// The device authorization grant (RFC 8628) for machines without a usable browser: the
// user enters a short code at an address on any other device while this side polls.
class DeviceSignIn final : public SignIn
{
    Q_OBJECT

public:
    explicit DeviceSignIn(OAuthEndpoints endpoints, QObject *parent = nullptr);
    ~DeviceSignIn() override;

    void start() override;
    void cancel() override;

Q_SIGNALS:
    // What to show the user: the code, the address, and the provider's own sentence.
    void codeReady(const QString &userCode, const QUrl &address, const QString &message);

private:
    void poll();
    void finish(const TokenReply &reply);
    QNetworkReply *post(const QUrl &url, const FormFields &fields);

    OAuthEndpoints m_endpoints;
    QNetworkAccessManager *m_network = nullptr;
    QPointer<QNetworkReply> m_pending;
    QTimer m_timer;
    QString m_deviceCode;
    int m_intervalSeconds = 5;
    qint64 m_deadline = 0; // ms since the epoch
    bool m_done = false;
};
