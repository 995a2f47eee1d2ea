#include "platform/mapi/MailCurl.h"

#include <QUrl>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace mailcurl {

namespace {

int progress(void *user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto *cancel = static_cast<const std::atomic_bool *>(user);
    return cancel->load() ? 1 : 0;
}

size_t readBody(char *buffer, size_t size, size_t count, void *user)
{
    auto *upload = static_cast<Upload *>(user);
    const size_t n = std::min(size * count, size_t(upload->data->size() - upload->position));
    std::memcpy(buffer, upload->data->constData() + upload->position, n);
    upload->position += qsizetype(n);
    return n;
}

} // namespace

void globalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

Server outgoingServer(const TransportSettings &transport)
{
    return { transport.url, transport.tls, transport.verifyPeer, transport.connectTimeoutSeconds,
        transport.timeoutSeconds };
}

Login outgoingLogin(const TransportSettings &transport, const QString &profilePassword)
{
    return { transport.username,
        transport.password.isEmpty() ? profilePassword : transport.password, transport.auth };
}

Server sentCopyServer(const Profile &profile)
{
    return { profile.sentCopy.url, profile.sentCopy.tls, profile.transport.verifyPeer,
        profile.transport.connectTimeoutSeconds, profile.transport.timeoutSeconds };
}

Login sentCopyLogin(const Profile &profile)
{
    // An IMAP server of the same account signs in the way the outgoing server does.
    return { profile.sentCopy.username, profile.sentCopy.password, profile.transport.auth };
}

void applyServer(CURL *curl, const Server &server)
{
    curl_easy_setopt(curl, CURLOPT_URL, server.url.toUtf8().constData());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    long tls = CURLUSESSL_TRY;
    if (server.tls == TransportSettings::Tls::None)
        tls = CURLUSESSL_NONE;
    else if (server.tls == TransportSettings::Tls::Required)
        tls = CURLUSESSL_ALL;
    curl_easy_setopt(curl, CURLOPT_USE_SSL, tls);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, server.verifyPeer ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, server.verifyPeer ? 2L : 0L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, long(server.connectTimeoutSeconds));
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(server.timeoutSeconds));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, long(server.timeoutSeconds));
}

void applyCredentials(CURL *curl, const Login &login)
{
    if (login.username.isEmpty())
        return;
    curl_easy_setopt(curl, CURLOPT_USERNAME, login.username.toUtf8().constData());
    switch (login.auth) {
    case TransportSettings::Auth::Password:
        curl_easy_setopt(curl, CURLOPT_PASSWORD, login.secret.toUtf8().constData());
        break;
    case TransportSettings::Auth::OAuth2:
        curl_easy_setopt(curl, CURLOPT_XOAUTH2_BEARER, login.secret.toUtf8().constData());
        // curl would pick OAUTHBEARER where both are offered, and Gmail refuses it.
        curl_easy_setopt(curl, CURLOPT_LOGIN_OPTIONS, "AUTH=XOAUTH2");
        curl_easy_setopt(curl, CURLOPT_SASL_IR, 1L);
        break;
    }
}

void applyCancel(CURL *curl, const std::atomic_bool *cancel)
{
    if (!cancel)
        return;
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<std::atomic_bool *>(cancel));
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
}

void applyUpload(CURL *curl, Upload &upload)
{
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readBody);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(upload.data->size()));
}

QByteArray mailboxUrl(const QString &serverUrl, const QString &mailbox)
{
    QUrl url(serverUrl);
    url.setPath(QString());
    url.setQuery(QString());
    url.setFragment(QString());
    QByteArray base = url.toEncoded();
    while (base.endsWith('/'))
        base.chop(1);
    return base + '/' + QUrl::toPercentEncoding(mailbox);
}

QString hostOf(const QString &url)
{
    const QUrl parsed(url);
    if (parsed.host().isEmpty())
        return url;
    return parsed.port() > 0 ? parsed.host() + QLatin1Char(':') + QString::number(parsed.port())
                             : parsed.host();
}

} // namespace mailcurl
