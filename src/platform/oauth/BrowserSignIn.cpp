#include "platform/oauth/SignIn.h"

#include <QDesktopServices>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QOAuth2AuthorizationCodeFlow>
#include <QOAuthHttpServerReplyHandler>
#include <QRandomGenerator>

// The loopback listener, which also reads the token endpoint's answer itself: Qt's own
// handler drops an error reply without a word, so a refused code would leave the sign-in
// waiting for ever.
class LoopbackReplyHandler final : public QOAuthHttpServerReplyHandler
{
    Q_OBJECT

public:
    using QOAuthHttpServerReplyHandler::QOAuthHttpServerReplyHandler;

    void networkReplyFinished(QNetworkReply *reply) override
    {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QByteArray body = reply->readAll();
        TokenReply answer;
        if (status == 0) {
            answer.kind = TokenReply::Kind::Failed;
            answer.description = QStringLiteral("%1 could not be reached (%2)")
                                     .arg(reply->url().host(), reply->errorString());
        } else
            answer = ParseTokenReply(status, body);
        Q_EMIT tokenReply(answer);
    }

Q_SIGNALS:
    void tokenReply(const TokenReply &reply);
};

namespace {

QString randomState()
{
    static const char kChars[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QString state;
    for (int i = 0; i < 24; ++i)
        state += QLatin1Char(kChars[QRandomGenerator::system()->bounded(int(sizeof kChars) - 1)]);
    return state;
}

} // namespace

BrowserSignIn::BrowserSignIn(OAuthEndpoints endpoints, QObject *parent)
    : SignIn(parent)
    , m_endpoints(std::move(endpoints))
    , m_browser([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{ }

BrowserSignIn::~BrowserSignIn() = default;

void BrowserSignIn::start()
{
    m_done = false;
    const QString missing = MissingSettings(m_endpoints);
    if (!missing.isEmpty()) {
        finish({ TokenReply::Kind::Failed, {}, {}, 0, {}, missing });
        return;
    }
    delete m_flow;
    delete m_handler;
    delete m_network;
    m_network = new QNetworkAccessManager(this);
    m_handler = new LoopbackReplyHandler(QHostAddress(QHostAddress::LocalHost), 0, this);
    if (!m_handler->isListening()) {
        finish({ TokenReply::Kind::Failed, {}, {}, 0, {},
            QStringLiteral("No port on 127.0.0.1 could be opened for the sign-in's answer.") });
        return;
    }
    m_handler->setCallbackText(QStringLiteral(
        "The sign-in is complete. You may close this page and return to the program."));
    m_flow = new QOAuth2AuthorizationCodeFlow(m_network, this);
    m_flow->setClientIdentifier(m_endpoints.clientId);
    if (!m_endpoints.clientSecret.isEmpty())
        m_flow->setClientIdentifierSharedKey(m_endpoints.clientSecret);
    m_flow->setAuthorizationUrl(m_endpoints.authorization);
    m_flow->setAccessTokenUrl(m_endpoints.token);
    m_flow->setScope(m_endpoints.scopeText());
    m_flow->setState(randomState());
    m_flow->setReplyHandler(m_handler);
    m_verifier = NewCodeVerifier();
    // Qt 6.4 knows nothing of PKCE: the challenge and the verifier go in through the
    // parameter hook.
    m_flow->setModifyParametersFunction(
        [this](QAbstractOAuth::Stage stage, QMultiMap<QString, QVariant> *parameters) {
            if (stage == QAbstractOAuth::Stage::RequestingAuthorization) {
                parameters->insert(QStringLiteral("code_challenge"), CodeChallenge(m_verifier));
                parameters->insert(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
                for (const auto &[name, value] : m_endpoints.extraAuthorizationParameters)
                    parameters->insert(name, value);
            } else if (stage == QAbstractOAuth::Stage::RequestingAccessToken) {
                parameters->insert(QStringLiteral("code_verifier"), m_verifier);
                // Qt 6.4 hands on the code still escaped from the redirect, and escapes it
                // again: a code holding "/" or "+" would reach the provider mangled.
                const QString key = QStringLiteral("code");
                QByteArray code = parameters->value(key).toByteArray();
                for (QByteArray plain = QByteArray::fromPercentEncoding(code); plain != code;
                     plain = QByteArray::fromPercentEncoding(code))
                    code = plain;
                parameters->replace(key, QUrl::toPercentEncoding(QString::fromUtf8(code)));
            }
        });
    connect(m_flow, &QAbstractOAuth::authorizeWithBrowser, this, [this](const QUrl &url) {
        if (!m_browser(url))
            finish({ TokenReply::Kind::Failed, {}, {}, 0, {},
                QStringLiteral("No web browser could be opened. Use \"Sign in with a code\" "
                               "instead.") });
    });
    connect(m_flow, &QAbstractOAuth2::error, this,
        [this](const QString &error, QString description, const QUrl &) {
            // The redirect's query is form-encoded: a "+" there is a blank.
            description.replace(QLatin1Char('+'), QLatin1Char(' '));
            finish({ TokenReply::Kind::Refused, {}, {}, 0, error,
                description.isEmpty() ? error : description });
        });
    connect(m_handler, &LoopbackReplyHandler::tokenReply, this, [this](const TokenReply &reply) {
        if (reply.kind == TokenReply::Kind::Granted)
            m_handler->close(); // nothing more comes back on the loopback port
        finish(reply);
    });
    m_flow->grant();
}

void BrowserSignIn::cancel()
{
    m_done = true;
    if (m_handler)
        m_handler->close();
}

void BrowserSignIn::finish(const TokenReply &reply)
{
    if (m_done)
        return;
    m_done = true;
    if (m_handler)
        m_handler->close();
    Q_EMIT finished(reply);
}

#include "BrowserSignIn.moc"
