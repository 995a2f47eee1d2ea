#include "platform/oauth/SignIn.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace {

TokenReply failure(TokenReply::Kind kind, const QString &description)
{
    TokenReply reply;
    reply.kind = kind;
    reply.description = description;
    return reply;
}

} // namespace

DeviceSignIn::DeviceSignIn(OAuthEndpoints endpoints, QObject *parent)
    : SignIn(parent)
    , m_endpoints(std::move(endpoints))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &DeviceSignIn::poll);
}

DeviceSignIn::~DeviceSignIn()
{
    if (m_pending)
        m_pending->abort();
}

QNetworkReply *DeviceSignIn::post(const QUrl &url, const FormFields &fields)
{
    QNetworkRequest request(url);
    request.setHeader(
        QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
    request.setRawHeader("Accept", "application/json");
    m_pending = m_network->post(request, EncodeForm(fields));
    return m_pending;
}

void DeviceSignIn::start()
{
    m_done = false;
    QString missing = MissingSettings(m_endpoints);
    if (missing.isEmpty() && m_endpoints.device.isEmpty())
        missing = QStringLiteral("%1 offers no sign-in with a code for mail; use \"Sign in\".")
                      .arg(m_endpoints.providerName);
    if (!missing.isEmpty()) {
        finish(failure(TokenReply::Kind::Failed, missing));
        return;
    }
    if (!m_network)
        m_network = new QNetworkAccessManager(this);
    FormFields form { { QStringLiteral("client_id"), m_endpoints.clientId } };
    if (!m_endpoints.scopes.isEmpty())
        form.append({ QStringLiteral("scope"), m_endpoints.scopeText() });
    QNetworkReply *reply = post(m_endpoints.device, form);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        if (m_done)
            return;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QJsonObject o = QJsonDocument::fromJson(reply->readAll()).object();
        m_deviceCode = o.value(QStringLiteral("device_code")).toString();
        const QString userCode = o.value(QStringLiteral("user_code")).toString();
        // "verification_uri" in RFC 8628; some providers say "verification_url".
        QString address = o.value(QStringLiteral("verification_uri")).toString();
        if (address.isEmpty())
            address = o.value(QStringLiteral("verification_url")).toString();
        if (status < 200 || status >= 300 || m_deviceCode.isEmpty() || userCode.isEmpty()
            || address.isEmpty()) {
            const QString said = o.value(QStringLiteral("error_description")).toString();
            finish(failure(TokenReply::Kind::Failed,
                status == 0
                    ? QStringLiteral("%1 could not be reached (%2)")
                          .arg(m_endpoints.device.host(), reply->errorString())
                    : QStringLiteral("%1 did not start the sign-in with a code%2")
                          .arg(m_endpoints.providerName,
                              said.isEmpty() ? QStringLiteral(".") : QStringLiteral(": ") + said)));
            return;
        }
        m_intervalSeconds = std::max(1, o.value(QStringLiteral("interval")).toInt(5));
        const int lifetime = o.value(QStringLiteral("expires_in")).toInt(900);
        m_deadline = QDateTime::currentMSecsSinceEpoch() + qint64(lifetime) * 1000;
        QString message = o.value(QStringLiteral("message")).toString();
        if (message.isEmpty())
            message = QStringLiteral("To sign in, open %1 and enter the code %2.")
                          .arg(address, userCode);
        Q_EMIT codeReady(userCode, QUrl(address), message);
        m_timer.start(m_intervalSeconds * 1000);
    });
}

void DeviceSignIn::poll()
{
    if (m_done)
        return;
    if (QDateTime::currentMSecsSinceEpoch() > m_deadline) {
        finish(failure(TokenReply::Kind::Refused,
            QStringLiteral("The code expired before the sign-in was completed. Start again.")));
        return;
    }
    FormFields form { { QStringLiteral("grant_type"),
                          QStringLiteral("urn:ietf:params:oauth:grant-type:device_code") },
        { QStringLiteral("device_code"), m_deviceCode },
        { QStringLiteral("client_id"), m_endpoints.clientId } };
    if (!m_endpoints.clientSecret.isEmpty())
        form.append({ QStringLiteral("client_secret"), m_endpoints.clientSecret });
    QNetworkReply *reply = post(m_endpoints.token, form);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        if (m_done)
            return;
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status == 0) {
            // A network blip is not the end of the sign-in: try again at the next tick.
            m_timer.start(m_intervalSeconds * 1000);
            return;
        }
        TokenReply answer = ParseTokenReply(status, reply->readAll());
        switch (answer.kind) {
        case TokenReply::Kind::Pending:
            m_timer.start(m_intervalSeconds * 1000);
            return;
        case TokenReply::Kind::SlowDown:
            m_intervalSeconds += 5;
            m_timer.start(m_intervalSeconds * 1000);
            return;
        case TokenReply::Kind::Refused:
            if (answer.error == QLatin1String("access_denied"))
                answer.description = QStringLiteral("The sign-in was declined.");
            else if (answer.error == QLatin1String("expired_token"))
                answer.description = QStringLiteral(
                    "The code expired before the sign-in was completed. Start again.");
            break;
        default:
            break;
        }
        finish(answer);
    });
}

void DeviceSignIn::cancel()
{
    m_done = true;
    m_timer.stop();
    if (m_pending)
        m_pending->abort();
}

void DeviceSignIn::finish(const TokenReply &reply)
{
    if (m_done)
        return;
    m_done = true;
    m_timer.stop();
    Q_EMIT finished(reply);
}
