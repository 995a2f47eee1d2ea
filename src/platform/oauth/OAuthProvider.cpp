#include "platform/oauth/OAuthProvider.h"

#include "platform/keyring/SecretStore.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace {

const auto kBase64Url = QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals;

QUrl microsoftUrl(const QString &tenant, const char *leaf)
{
    const QString directory
        = tenant.trimmed().isEmpty() ? QStringLiteral("common") : tenant.trimmed();
    return QUrl(QStringLiteral("https://login.microsoftonline.com/") + directory
        + QStringLiteral("/oauth2/v2.0/") + QLatin1String(leaf));
}

} // namespace

QStringList DefaultScopes(OAuthSettings::Provider provider)
{
    switch (provider) {
    case OAuthSettings::Provider::Microsoft:
        return { QStringLiteral("https://outlook.office.com/SMTP.Send"),
            QStringLiteral("https://outlook.office.com/IMAP.AccessAsUser.All"),
            QStringLiteral("offline_access") };
    case OAuthSettings::Provider::Google:
        return { QStringLiteral("https://mail.google.com/") };
    case OAuthSettings::Provider::Custom:
        break;
    }
    return {};
}

OAuthEndpoints ResolveEndpoints(const OAuthSettings &settings)
{
    OAuthEndpoints e;
    e.clientId = settings.clientId.trimmed();
    e.scopes = settings.scopes;
    e.scopes.removeAll(QString());
    if (e.scopes.isEmpty())
        e.scopes = DefaultScopes(settings.provider);
    switch (settings.provider) {
    case OAuthSettings::Provider::Microsoft:
        e.providerName = QStringLiteral("Microsoft");
        e.authorization = microsoftUrl(settings.tenant, "authorize");
        e.token = microsoftUrl(settings.tenant, "token");
        e.device = microsoftUrl(settings.tenant, "devicecode");
        break;
    case OAuthSettings::Provider::Google:
        e.providerName = QStringLiteral("Google");
        e.authorization = QUrl(QStringLiteral("https://accounts.google.com/o/oauth2/v2/auth"));
        e.token = QUrl(QStringLiteral("https://oauth2.googleapis.com/token"));
        e.extraAuthorizationParameters
            = { { QStringLiteral("access_type"), QStringLiteral("offline") },
                  { QStringLiteral("prompt"), QStringLiteral("consent") } };
        break;
    case OAuthSettings::Provider::Custom:
        e.authorization = QUrl(settings.authorizationEndpoint.trimmed());
        e.token = QUrl(settings.tokenEndpoint.trimmed());
        if (!settings.deviceEndpoint.trimmed().isEmpty())
            e.device = QUrl(settings.deviceEndpoint.trimmed());
        e.providerName
            = e.token.host().isEmpty() ? QStringLiteral("the sign-in service") : e.token.host();
        break;
    }
    return e;
}

QString MissingSettings(const OAuthEndpoints &endpoints)
{
    if (endpoints.clientId.isEmpty())
        return QStringLiteral("The account has no client id: enter the application (client) id "
                              "registered with the provider.");
    if (!endpoints.token.isValid() || endpoints.token.scheme().isEmpty())
        return QStringLiteral("The account has no token endpoint.");
    if (!endpoints.authorization.isValid() || endpoints.authorization.scheme().isEmpty())
        return QStringLiteral("The account has no authorization endpoint.");
    return {};
}

QString RefreshTokenKey(const QString &profileName)
{
    return SecretStore::oauthKey(profileName);
}

QString ClientSecretKey(const QString &profileName)
{
    return SecretStore::oauthClientKey(profileName);
}

QByteArray NewCodeVerifier()
{
    QByteArray random(32, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(
        reinterpret_cast<quint32 *>(random.data()), random.size() / int(sizeof(quint32)));
    return random.toBase64(kBase64Url); // 43 characters of the unreserved set
}

QByteArray CodeChallenge(const QByteArray &verifier)
{
    return QCryptographicHash::hash(verifier, QCryptographicHash::Sha256).toBase64(kBase64Url);
}
