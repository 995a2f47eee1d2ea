#pragma once

#include "platform/mapi/Profiles.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>

// What a sign-in needs to know of an account's OAuth 2.0 provider: the provider presets
// (Microsoft, Google) filled in, or the account's own endpoints.
struct OAuthEndpoints
{
    QString providerName; // for messages: "Microsoft", "Google", or the token server's host
    QString clientId;
    // The secret Google and some others issue to an installed application; Microsoft's public
    // clients have none. Kept in the keyring under ClientSecretKey, never in the profile.
    QString clientSecret;
    QUrl authorization;
    QUrl token;
    QUrl device; // empty: the provider offers no device code flow for mail
    QStringList scopes;
    // Added to the authorization request (Google gives a refresh token only when asked).
    QList<QPair<QString, QString>> extraAuthorizationParameters;

    QString scopeText() const { return scopes.join(QLatin1Char(' ')); }
};

// The scopes a preset asks for when the account names none of its own.
QStringList DefaultScopes(OAuthSettings::Provider provider);
OAuthEndpoints ResolveEndpoints(const OAuthSettings &settings);
// What is missing before a sign-in can start (no client id, no token endpoint...), in the
// user's words; empty when nothing is.
QString MissingSettings(const OAuthEndpoints &endpoints);

// The keyring entries that hold an account's refresh token and its application's secret.
QString RefreshTokenKey(const QString &profileName);
QString ClientSecretKey(const QString &profileName);

// PKCE (RFC 7636): a fresh random verifier and its S256 challenge.
QByteArray NewCodeVerifier();
QByteArray CodeChallenge(const QByteArray &verifier);
