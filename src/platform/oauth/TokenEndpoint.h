#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

// The answer of a token endpoint (RFC 6749 section 5, RFC 8628 section 3.5).
struct TokenReply
{
    enum class Kind {
        Granted,
        Refused, // invalid_grant and the like: the grant is dead, a new sign-in is needed
        Pending, // device flow: the user has not finished yet
        SlowDown, // device flow: poll less often
        Failed // the service could not be reached or answered nonsense
    };

    Kind kind = Kind::Failed;
    QString accessToken;
    QString refreshToken; // empty: keep the one that was used
    qint64 expiresIn = 0; // seconds; 0 when the service did not say
    QString error; // the OAuth error code (invalid_grant, access_denied...)
    QString description; // the service's own words, or what went wrong on the way
};

using FormFields = QList<QPair<QString, QString>>;

QByteArray EncodeForm(const FormFields &fields);
TokenReply ParseTokenReply(int httpStatus, const QByteArray &body);

// Posts a form to a token endpoint and waits for the answer (for worker threads).
TokenReply PostTokenRequest(
    const QUrl &endpoint, const FormFields &fields, int timeoutSeconds = 30);
