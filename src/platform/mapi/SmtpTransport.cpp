#include "platform/mapi/ConnectionTest.h"
#include "platform/mapi/MailCurl.h"
#include "platform/mapi/Transport.h"
#include "platform/oauth/AccessTokens.h"

namespace {

// Follows the exchange to learn which RCPT commands the server refused (curl itself
// reports no per-recipient result), the SIZE the server announces in its EHLO reply, and
// whether it refused MAIL FROM for the size the message declared.
struct Dialogue
{
    QString pendingRecipient;
    QStringList refused;
    QString lastReply;
    bool refusalSeen = false;
    qint64 sizeLimit = -1; // -1: no EHLO reply seen in this exchange
    bool mailPending = false;
    bool refusedForSize = false;
};

int watch(CURL *, curl_infotype type, char *data, size_t size, void *user)
{
    auto *d = static_cast<Dialogue *>(user);
    const QByteArray line(data, qsizetype(size));
    if (type == CURLINFO_HEADER_OUT) {
        d->pendingRecipient.clear();
        d->mailPending = line.startsWith("MAIL FROM:");
        if (line.toUpper().startsWith("EHLO "))
            d->sizeLimit = 0; // until the reply names one
        if (line.startsWith("RCPT TO:")) {
            const qsizetype open = line.indexOf('<');
            const qsizetype close = line.indexOf('>');
            if (open >= 0 && close > open)
                d->pendingRecipient = QString::fromUtf8(line.mid(open + 1, close - open - 1));
        }
    } else if (type == CURLINFO_HEADER_IN && line.size() >= 3) {
        // The first refusal is the reason; the replies to the QUIT that follows are not.
        const bool refusal = line[0] == '4' || line[0] == '5';
        if (refusal || !d->refusalSeen)
            d->lastReply = QString::fromUtf8(line.trimmed());
        d->refusalSeen = d->refusalSeen || refusal;
        // The last line of a reply has a blank after its code.
        const bool final = line.size() < 4 || line[3] != '-';
        const QByteArray keyword = line.mid(4).trimmed().toUpper();
        if (line.startsWith("250") && (keyword == "SIZE" || keyword.startsWith("SIZE ")))
            d->sizeLimit = keyword.mid(5).trimmed().toLongLong();
        // 552 (or the enhanced code 5.3.4) to MAIL FROM ... SIZE=: the message is too large.
        if (final && d->mailPending) {
            d->refusedForSize = line.startsWith("552") || line.mid(4, 6) == "5.3.4 ";
            d->mailPending = false;
        }
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
    SmtpTransport(
        TransportSettings settings, QString password, std::shared_ptr<AccessTokens> tokens)
        : m_settings(std::move(settings))
        , m_password(std::move(password))
        , m_tokens(std::move(tokens))
    {
        mailcurl::globalInit();
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
        mailcurl::Login login = mailcurl::outgoingLogin(m_settings, m_password);
        if (!m_tokens || login.username.isEmpty())
            return sendAs(login, from, recipients, mime);
        // An OAuth 2.0 account signs in with its access token; the sign-in's own words
        // tell the user when no token can be had (never signed in, consent withdrawn).
        SendResult result;
        const AccessTokens::Token token = m_tokens->signIn([&](const QString &accessToken) {
            login.secret = accessToken;
            result = sendAs(login, from, recipients, mime);
            return result.code == MAPI_E_LOGON_FAILED;
        });
        if (!token.ok()) {
            result = {};
            result.code = token.state == AccessTokens::Token::State::SignInNeeded
                ? MAPI_E_LOGON_FAILED
                : MAPI_E_NETWORK_ERROR;
            result.detail = token.problem;
        }
        return result;
    }

private:
    SendResult sendAs(const mailcurl::Login &login, const QString &from,
        const QStringList &recipients, const QByteArray &mime)
    {
        if (!m_curl)
            return { MAPI_E_NOT_ENOUGH_RESOURCES, QStringLiteral("curl is not available"), {} };
        // A limit the server announced on this connection refuses the message before any
        // command; the first message learns it from the server's refusal of SIZE=.
        if (m_sizeLimit > 0 && mime.size() > m_sizeLimit)
            return tooLarge(mime, m_sizeLimit);
        curl_easy_reset(m_curl);
        const QByteArray sender = QByteArray("<" + from.toUtf8() + ">");
        curl_slist *rcpt = nullptr;
        for (const QString &r : recipients)
            rcpt = curl_slist_append(rcpt, QByteArray("<" + r.toUtf8() + ">").constData());
        mailcurl::Upload upload { &mime };
        Dialogue dialogue;

        mailcurl::applyServer(m_curl, mailcurl::outgoingServer(m_settings));
        mailcurl::applyCredentials(m_curl, login);
        curl_easy_setopt(m_curl, CURLOPT_MAIL_FROM, sender.constData());
        curl_easy_setopt(m_curl, CURLOPT_MAIL_RCPT, rcpt);
        curl_easy_setopt(m_curl, CURLOPT_MAIL_RCPT_ALLLOWFAILS, 1L);
        // Its declared size also makes curl send SIZE= with MAIL FROM where the server takes it.
        mailcurl::applyUpload(m_curl, upload);
        curl_easy_setopt(m_curl, CURLOPT_VERBOSE, 1L);
        curl_easy_setopt(m_curl, CURLOPT_DEBUGFUNCTION, watch);
        curl_easy_setopt(m_curl, CURLOPT_DEBUGDATA, &dialogue);

        const CURLcode code = curl_easy_perform(m_curl);
        curl_slist_free_all(rcpt);
        // A new connection said EHLO; a reused one keeps what its EHLO said.
        if (dialogue.sizeLimit >= 0)
            m_sizeLimit = dialogue.sizeLimit;
        if (code != CURLE_OK && dialogue.refusedForSize) {
            SendResult result = tooLarge(mime, m_sizeLimit);
            result.detail += QStringLiteral(" (") + dialogue.lastReply + u')';
            return result;
        }
        SendResult result;
        result.code = resultOf(code, dialogue, recipients.size());
        result.refused = dialogue.refused;
        if (result.code == MAPI_E_NO_RECIPIENTS)
            result.detail = QStringLiteral("The outgoing server %1 refused every recipient: %2")
                                .arg(mailcurl::hostOf(m_settings.url), dialogue.lastReply);
        else if (result.code != S_OK)
            result.detail
                = ProbeFailureText(ProbeOutcomeOf(code, false), mailcurl::hostOf(m_settings.url),
                    dialogue.lastReply.isEmpty() ? QString::fromUtf8(curl_easy_strerror(code))
                                                 : dialogue.lastReply);
        return result;
    }

    static SendResult tooLarge(const QByteArray &mime, qint64 limit)
    {
        SendResult result;
        result.code = E_FAIL;
        result.tooLarge = true;
        result.sizeLimit = limit;
        result.detail = QStringLiteral("message of %1 bytes refused as too large")
                            .arg(QString::number(mime.size()));
        return result;
    }

    TransportSettings m_settings;
    QString m_password;
    std::shared_ptr<AccessTokens> m_tokens; // set for an OAuth 2.0 account
    CURL *m_curl = nullptr;
    qint64 m_sizeLimit = 0; // announced by the server; 0: none
};

} // namespace

std::unique_ptr<Transport> CreateSmtpTransport(const TransportSettings &settings,
    const QString &password, std::shared_ptr<AccessTokens> tokens)
{
    return std::make_unique<SmtpTransport>(settings, password, std::move(tokens));
}
