#include "platform/oauth/TokenEndpoint.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <curl/curl.h>

#include <mutex>

namespace {

size_t collect(char *data, size_t size, size_t count, void *user)
{
    static_cast<QByteArray *>(user)->append(data, qsizetype(size * count));
    return size * count;
}

TokenReply failed(const QString &description)
{
    TokenReply reply;
    reply.kind = TokenReply::Kind::Failed;
    reply.description = description;
    return reply;
}

} // namespace

QByteArray EncodeForm(const FormFields &fields)
{
    QByteArray body;
    for (const auto &[name, value] : fields) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    return body;
}

TokenReply ParseTokenReply(int httpStatus, const QByteArray &body)
{
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject())
        return failed(QStringLiteral("the sign-in service answered with status %1 and no "
                                     "readable token reply")
                          .arg(httpStatus));
    const QJsonObject o = doc.object();
    TokenReply reply;
    reply.error = o.value(QStringLiteral("error")).toString();
    reply.description = o.value(QStringLiteral("error_description")).toString();
    if (reply.error.isEmpty() && httpStatus >= 200 && httpStatus < 300) {
        reply.accessToken = o.value(QStringLiteral("access_token")).toString();
        reply.refreshToken = o.value(QStringLiteral("refresh_token")).toString();
        const QJsonValue expires = o.value(QStringLiteral("expires_in"));
        // Some services send the number as a string.
        reply.expiresIn
            = expires.isString() ? expires.toString().toLongLong() : qint64(expires.toDouble(0));
        if (reply.accessToken.isEmpty())
            return failed(QStringLiteral("the sign-in service sent no access token"));
        reply.kind = TokenReply::Kind::Granted;
        return reply;
    }
    if (reply.error == QLatin1String("authorization_pending"))
        reply.kind = TokenReply::Kind::Pending;
    else if (reply.error == QLatin1String("slow_down"))
        reply.kind = TokenReply::Kind::SlowDown;
    else if (reply.error == QLatin1String("invalid_grant")
        || reply.error == QLatin1String("access_denied")
        || reply.error == QLatin1String("expired_token")
        || reply.error == QLatin1String("unauthorized_client")
        || reply.error == QLatin1String("invalid_client"))
        reply.kind = TokenReply::Kind::Refused;
    else {
        reply.kind = TokenReply::Kind::Failed;
        if (reply.error.isEmpty())
            reply.description
                = QStringLiteral("the sign-in service answered with status %1").arg(httpStatus);
    }
    return reply;
}

TokenReply PostTokenRequest(const QUrl &endpoint, const FormFields &fields, int timeoutSeconds)
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    CURL *curl = curl_easy_init();
    if (!curl)
        return failed(QStringLiteral("curl is not available"));
    const QByteArray url = endpoint.toEncoded();
    const QByteArray body = EncodeForm(fields);
    QByteArray answer;
    curl_slist *headers = curl_slist_append(nullptr, "Accept: application/json");
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https,http");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, long(timeoutSeconds));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, long(timeoutSeconds));
    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    if (code != CURLE_OK)
        return failed(QStringLiteral("%1 could not be reached (%2)")
                          .arg(endpoint.host(), QString::fromUtf8(curl_easy_strerror(code))));
    return ParseTokenReply(int(status), answer);
}
