#pragma once

#include "platform/keyring/SecretStore.h"
#include "platform/oauth/OAuthProvider.h"
#include "platform/oauth/TokenEndpoint.h"

#include <QString>

#include <functional>
#include <memory>
#include <mutex>

// The access tokens of one OAuth 2.0 account. The refresh token lives in the desktop
// keyring under RefreshTokenKey(account); an access token only in memory, here. A token
// about to expire is renewed before it is handed out, and one a server refused is dropped
// so the next request renews it. Safe to call from any thread Qt knows; a renewal blocks.
class AccessTokens
{
public:
    using Clock = std::function<qint64()>; // seconds since the epoch

    struct Token
    {
        enum class State {
            Ok,
            SignInNeeded, // never signed in, or the provider no longer accepts the sign-in
            Unavailable // the keyring or the sign-in service could not be reached
        };

        State state = State::Unavailable;
        QString value; // the access token when Ok
        QString problem; // in the user's words, naming the account; empty when Ok

        bool ok() const { return state == State::Ok; }
    };

    AccessTokens(QString account, OAuthEndpoints endpoints, SecretStore store = SecretStore(),
        Clock clock = {});

    // The account's tokens shared by everything in this process that signs in for it (the
    // sends of every session, the connection test), so one renewal serves them all.
    static std::shared_ptr<AccessTokens> forProfile(const Profile &profile);

    // A token to sign in with now, renewed first when less than a minute of it is left.
    Token current();
    // A server turned this token away: the next current() renews it.
    void refused(const QString &token);
    // Signs in to a server: attempt(token) does the exchange and answers true when the
    // server refused the token, which is then renewed and offered once more. Answers the
    // token last used; when it is not ok, no token could be had and its problem says why
    // (attempt did not run with it).
    Token signIn(const std::function<bool(const QString &token)> &attempt);
    // Keeps what a sign-in brought: the refresh token in the keyring (its answer is
    // returned), the access token here.
    SecretResult signedIn(const TokenReply &grant);

    // Renewals asked of the provider, for tests.
    int renewals() const;

private:
    Token renew(); // with m_lock held
    Token signInNeeded(const QString &why) const;
    qint64 now() const;

    const QString m_account;
    const OAuthEndpoints m_endpoints;
    const SecretStore m_store;
    const Clock m_clock;

    mutable std::mutex m_lock;
    QString m_access;
    qint64 m_expiresAt = 0;
    QString m_dead; // a refresh token the provider refused: not offered again
    // A renewal replaced first's refresh token by second, but the keyring did not take it.
    QString m_replaced;
    QString m_replacement;
    int m_renewals = 0;
};
