#include "platform/mapi/Transport.h"

#include <curl/curl.h>

#include <cstring>
#include <mutex>

namespace {

struct Upload
{
    const QByteArray *data;
    qsizetype position = 0;
};

size_t readBody(char *buffer, size_t size, size_t count, void *user)
{
    auto *upload = static_cast<Upload *>(user);
    const size_t n = std::min(size * count, size_t(upload->data->size() - upload->position));
    std::memcpy(buffer, upload->data->constData() + upload->position, n);
    upload->position += qsizetype(n);
    return n;
}

// Follows the exchange to learn which RCPT commands the server refused: curl itself
// reports no per-recipient result.
struct Dialogue
{
    QString pendingRecipient;
    QStringList refused;
    QString lastReply;
};

int watch(CURL *, curl_infotype type, char *data, size_t size, void *user)
{
    auto *d = static_cast<Dialogue *>(user);
    const QByteArray line(data, qsizetype(size));
    if (type == CURLINFO_HEADER_OUT) {
        d->pendingRecipient.clear();
        if (line.startsWith("RCPT TO:")) {
            const qsizetype open = line.indexOf('<');
            const qsizetype close = line.indexOf('>');
            if (open >= 0 && close > open)
                d->pendingRecipient = QString::fromUtf8(line.mid(open + 1, close - open - 1));
        }
    } else if (type == CURLINFO_HEADER_IN && line.size() >= 3) {
        d->lastReply = QString::fromUtf8(line.trimmed());
        // The last line of a reply has a blank after its code.
        const bool final = line.size() < 4 || line[3] != '-';
        if (final && !d->pendingRecipient.isEmpty()) {
            if (line[0] == '4' || line[0] == '5')
                d->refused << d->pendingRecipient;
            d->pendingRecipient.clear();
        }
    }
    return 0;
}

HRESULT resultOf(CURLcode code, const Dialogue &d, qsizetype recipients)
{
    if (recipients > 0 && d.refused.size() >= recipients)
        return MAPI_E_NO_RECIPIENTS;
    switch (code) {
    case CURLE_OK:
        return S_OK;
    case CURLE_LOGIN_DENIED:
        return MAPI_E_LOGON_FAILED;
    case CURLE_OPERATION_TIMEDOUT:
        return MAPI_E_TIMEOUT;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_USE_SSL_FAILED:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE:
        return MAPI_E_NETWORK_ERROR;
    default:
        return E_FAIL; // the server refused the message or answered strangely
    }
}

class SmtpTransport final : public Transport
{
public:
    SmtpTransport(TransportSettings settings, QString password)
        : m_settings(std::move(settings))
        , m_password(std::move(password))
    {
        static std::once_flag once;
        std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
        m_curl = curl_easy_init(); // kept, so its connection is reused for the next message
    }
    ~SmtpTransport() override
    {
        if (m_curl)
            curl_easy_cleanup(m_curl);
    }

    SendResult send(
        const QString &from, const QStringList &recipients, const QByteArray &mime) override
    {
        if (!m_curl)
            return { MAPI_E_NOT_ENOUGH_RESOURCES, QStringLiteral("curl is not available"), {} };
        curl_easy_reset(m_curl);
        const QByteArray url = m_settings.url.toUtf8();
        const QByteArray sender = QByteArray("<" + from.toUtf8() + ">");
        curl_slist *rcpt = nullptr;
        for (const QString &r : recipients)
            rcpt = curl_slist_append(rcpt, QByteArray("<" + r.toUtf8() + ">").constData());
        Upload upload { &mime };
        Dialogue dialogue;
        const QByteArray user = m_settings.username.toUtf8();
        const QByteArray pass
            = (m_settings.password.isEmpty() ? m_password : m_settings.password).toUtf8();

        curl_easy_setopt(m_curl, CURLOPT_URL, url.constData());
        curl_easy_setopt(m_curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(m_curl, CURLOPT_MAIL_FROM, sender.constData());
        curl_easy_setopt(m_curl, CURLOPT_MAIL_RCPT, rcpt);
        curl_easy_setopt(m_curl, CURLOPT_MAIL_RCPT_ALLLOWFAILS, 1L);
        curl_easy_setopt(m_curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(m_curl, CURLOPT_READFUNCTION, readBody);
        curl_easy_setopt(m_curl, CURLOPT_READDATA, &upload);
        curl_easy_setopt(m_curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(mime.size()));
        long tls = CURLUSESSL_TRY;
        if (m_settings.tls == TransportSettings::Tls::None)
            tls = CURLUSESSL_NONE;
        else if (m_settings.tls == TransportSettings::Tls::Required)
            tls = CURLUSESSL_ALL;
        curl_easy_setopt(m_curl, CURLOPT_USE_SSL, tls);
        curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYPEER, m_settings.verifyPeer ? 1L : 0L);
        curl_easy_setopt(m_curl, CURLOPT_SSL_VERIFYHOST, m_settings.verifyPeer ? 2L : 0L);
        if (!user.isEmpty()) {
            curl_easy_setopt(m_curl, CURLOPT_USERNAME, user.constData());
            curl_easy_setopt(m_curl, CURLOPT_PASSWORD, pass.constData());
        }
        curl_easy_setopt(m_curl, CURLOPT_CONNECTTIMEOUT, long(m_settings.connectTimeoutSeconds));
        curl_easy_setopt(m_curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, long(m_settings.timeoutSeconds));
        curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(m_curl, CURLOPT_LOW_SPEED_TIME, long(m_settings.timeoutSeconds));
        curl_easy_setopt(m_curl, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(m_curl, CURLOPT_DEBUGFUNCTION, watch);
        curl_easy_setopt(m_curl, CURLOPT_DEBUGDATA, &dialogue);

        const CURLcode code = curl_easy_perform(m_curl);
        curl_slist_free_all(rcpt);
        SendResult result;
        result.code = resultOf(code, dialogue, recipients.size());
        result.refused = dialogue.refused;
        if (result.code != S_OK)
            result.detail = QString::fromUtf8(curl_easy_strerror(code)) + QStringLiteral(": ")
                + dialogue.lastReply;
        return result;
    }

private:
    TransportSettings m_settings;
    QString m_password;
    CURL *m_curl = nullptr;
};

} // namespace

std::unique_ptr<Transport> CreateSmtpTransport(
    const TransportSettings &settings, const QString &password)
{
    return std::make_unique<SmtpTransport>(settings, password);
}
