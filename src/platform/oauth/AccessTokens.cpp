#include "platform/oauth/AccessTokens.h"

#include <QDateTime>
#include <QHash>

namespace {

constexpr qint64 kRenewAhead = 60; // seconds
constexpr qint64 kAssumedLifetime = 3600; // when the provider does not say

} // namespace

AccessTokens::AccessTokens(
    QString account, OAuthEndpoints endpoints, SecretStore store, Clock clock)
    : m_account(std::move(account))
    , m_endpoints(std::move(endpoints))
    , m_store(std::move(store))
    , m_clock(std::move(clock))
{ }

std::shared_ptr<AccessTokens> AccessTokens::forProfile(const Profile &profile)
{
    static std::mutex lock;
    static QHash<QString, std::shared_ptr<AccessTokens>> accounts;
    const OAuthEndpoints endpoints = ResolveEndpoints(profile.oauth);
    // Another client or provider makes other tokens: the cached ones no longer apply.
    const QString key = profile.name.toLower() + QLatin1Char('\n') + endpoints.clientId
        + QLatin1Char('\n') + endpoints.token.toString() + QLatin1Char('\n')
        + endpoints.scopeText();
    std::lock_guard<std::mutex> guard(lock);
    std::shared_ptr<AccessTokens> &tokens = accounts[key];
    if (!tokens)
        tokens = std::make_shared<AccessTokens>(profile.name, endpoints);
    return tokens;
}

qint64 AccessTokens::now() const
{
    return m_clock ? m_clock() : QDateTime::currentSecsSinceEpoch();
}

AccessTokens::Token AccessTokens::current()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_access.isEmpty() && now() + kRenewAhead < m_expiresAt)
        return { Token::State::Ok, m_access, {} };
    m_access.clear();
    return renew();
}

void AccessTokens::refused(const QString &token)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (token == m_access)
        m_access.clear();
}

AccessTokens::Token AccessTokens::signIn(const std::function<bool(const QString &)> &attempt)
{
    Token token = current();
    if (!token.ok() || !attempt(token.value))
        return token;
    refused(token.value);
    token = current();
    if (token.ok())
        attempt(token.value);
    return token;
}

SecretResult AccessTokens::signedIn(const TokenReply &grant)
{
    SecretResult stored;
    if (!grant.refreshToken.isEmpty())
        stored = m_store.write(RefreshTokenKey(m_account), grant.refreshToken);
    else
        stored = { SecretStatus::Failed,
            QStringLiteral("%1 gave no refresh token, so the sign-in would not last: check "
                           "that the scopes allow offline access.")
                .arg(m_endpoints.providerName),
            {} };
    std::lock_guard<std::mutex> guard(m_lock);
    m_access = grant.accessToken;
    m_expiresAt = now() + (grant.expiresIn > 0 ? grant.expiresIn : kAssumedLifetime);
    m_dead.clear();
    m_replaced.clear();
    m_replacement.clear();
    return stored;
}

int AccessTokens::renewals() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_renewals;
}

AccessTokens::Token AccessTokens::signInNeeded(const QString &why) const
{
    return { Token::State::SignInNeeded, {},
        QStringLiteral("Mail account \"%1\" %2 Open Mail Accounts, choose the account and "
                       "sign in again.")
            .arg(m_account, why) };
}

AccessTokens::Token AccessTokens::renew()
{
    const QString key = RefreshTokenKey(m_account);
    const QString refusedWords = QStringLiteral(
        "is no longer accepted by %1 (the consent may have been withdrawn or the password "
        "changed).")
                                     .arg(m_endpoints.providerName);
    const SecretResult stored = m_store.read(key);
    if (stored.status == SecretStatus::NotFound)
        return signInNeeded(m_dead.isEmpty() ? QStringLiteral("has not been signed in with %1 yet.")
                                                   .arg(m_endpoints.providerName)
                                             : refusedWords);
    if (!stored.ok())
        return { Token::State::Unavailable, {},
            QStringLiteral("The sign-in of mail account \"%1\" could not be read from the "
                           "keyring: %2")
                .arg(m_account, stored.text) };
    QString refresh = stored.secret;
    if (!m_replaced.isEmpty() && refresh == m_replaced)
        refresh = m_replacement;
    if (refresh == m_dead)
        return signInNeeded(refusedWords);

    ++m_renewals;
    FormFields form { { QStringLiteral("grant_type"), QStringLiteral("refresh_token") },
        { QStringLiteral("refresh_token"), refresh },
        { QStringLiteral("client_id"), m_endpoints.clientId } };
    if (!m_endpoints.scopes.isEmpty())
        form.append({ QStringLiteral("scope"), m_endpoints.scopeText() });
    QString clientSecret = m_endpoints.clientSecret;
    if (clientSecret.isEmpty())
        clientSecret = m_store.read(ClientSecretKey(m_account)).secret;
    if (!clientSecret.isEmpty())
        form.append({ QStringLiteral("client_secret"), clientSecret });
    const TokenReply reply = PostTokenRequest(m_endpoints.token, form);
    switch (reply.kind) {
    case TokenReply::Kind::Granted:
        break;
    case TokenReply::Kind::Refused:
        if (reply.error != QLatin1String("invalid_grant")) {
            // The application, not the sign-in, was refused (a wrong client id or secret):
            // the sign-in stays for when the account's settings are mended.
            return { Token::State::SignInNeeded, {},
                QStringLiteral("Mail account \"%1\": %2 refused the application's sign-in "
                               "(%3). Check the client id and secret in Mail Accounts.")
                    .arg(m_account, m_endpoints.providerName,
                        reply.description.isEmpty() ? reply.error : reply.description) };
        }
        m_dead = refresh;
        // The keyring keeps no dead sign-in, unless a new sign-in has replaced it meanwhile.
        if (m_store.read(key).secret == stored.secret)
            m_store.remove(key);
        return signInNeeded(refusedWords);
    default:
        return { Token::State::Unavailable, {},
            QStringLiteral("Mail account \"%1\" could not renew its sign-in with %2: %3")
                .arg(m_account, m_endpoints.providerName,
                    reply.description.isEmpty() ? reply.error : reply.description) };
    }
    m_access = reply.accessToken;
    m_expiresAt = now() + (reply.expiresIn > 0 ? reply.expiresIn : kAssumedLifetime);
    if (!reply.refreshToken.isEmpty() && reply.refreshToken != refresh) {
        // The provider replaced the refresh token: the old one may stop working at once.
        const SecretResult kept = m_store.write(key, reply.refreshToken);
        if (kept.ok()) {
            m_replaced.clear();
            m_replacement.clear();
        } else {
            qWarning("mail account \"%s\": the renewed sign-in could not be kept in the "
                     "keyring: %s",
                qUtf8Printable(m_account), qUtf8Printable(kept.text));
            m_replaced = stored.secret;
            m_replacement = reply.refreshToken;
        }
    }
    return { Token::State::Ok, m_access, {} };
}
