#include "platform/mapi/ImapSentCopy.h"

#include "platform/mapi/ConnectionTest.h"
#include "platform/oauth/AccessTokens.h"

namespace {

size_t collect(char *data, size_t size, size_t count, void *user)
{
    static_cast<QByteArray *>(user)->append(data, qsizetype(size * count));
    return size * count;
}

// Keeps the server's first refusal (a tagged NO or BAD), else its last line, so a failure
// is told with the server's own words rather than with its goodbye.
struct Replies
{
    QString last;
    bool refusalSeen = false;
};

int watch(CURL *, curl_infotype type, char *data, size_t size, void *user)
{
    if (type != CURLINFO_HEADER_IN || size == 0)
        return 0;
    auto *r = static_cast<Replies *>(user);
    const QByteArray line = QByteArray(data, qsizetype(size)).trimmed();
    const QList<QByteArray> words = line.split(' ');
    const bool refusal = words.size() >= 2 && words[0] != "*"
        && (words[1].toUpper() == "NO" || words[1].toUpper() == "BAD");
    if (refusal || !r->refusalSeen)
        r->last = QString::fromUtf8(line);
    r->refusalSeen = r->refusalSeen || refusal;
    return 0;
}

// A reader over one LIST response line and the literals that follow it.
class ListReader
{
public:
    ListReader(const QByteArray &text, qsizetype at)
        : m_text(text)
        , m_at(at)
    { }

    qsizetype position() const { return m_at; }
    void skipBlanks()
    {
        while (m_at < m_text.size() && m_text[m_at] == ' ')
            ++m_at;
    }
    bool take(char c)
    {
        skipBlanks();
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }
    // A quoted string, a literal {n}CRLF<n bytes>, or an atom up to a blank or line end.
    QByteArray string()
    {
        skipBlanks();
        QByteArray out;
        if (take('"')) {
            while (m_at < m_text.size() && m_text[m_at] != '"') {
                if (m_text[m_at] == '\\' && m_at + 1 < m_text.size())
                    ++m_at;
                out += m_text[m_at++];
            }
            ++m_at;
            return out;
        }
        if (take('{')) {
            const qsizetype close = m_text.indexOf('}', m_at);
            const qsizetype length = close < 0 ? -1 : m_text.mid(m_at, close - m_at).toLongLong();
            qsizetype start = close + 1;
            if (m_text.mid(start, 2) == "\r\n")
                start += 2;
            else if (m_text.mid(start, 1) == "\n")
                start += 1;
            if (length < 0 || start + length > m_text.size()) {
                m_at = m_text.size();
                return {};
            }
            m_at = start + length;
            return m_text.mid(start, length);
        }
        while (m_at < m_text.size() && m_text[m_at] != ' ' && m_text[m_at] != '\r'
            && m_text[m_at] != '\n')
            out += m_text[m_at++];
        return out;
    }
    QStringList flags()
    {
        QStringList out;
        if (!take('('))
            return out;
        while (m_at < m_text.size() && !take(')')) {
            const QByteArray flag = string();
            if (flag.isEmpty()) {
                ++m_at;
                continue;
            }
            if (flag.endsWith(')')) {
                out << QString::fromUtf8(flag.chopped(1));
                break;
            }
            out << QString::fromUtf8(flag);
        }
        return out;
    }

private:
    const QByteArray &m_text;
    qsizetype m_at;
};

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+,";

} // namespace

QList<ImapFolder> ParseImapList(const QByteArray &responses)
{
    QList<ImapFolder> folders;
    qsizetype at = 0;
    while (at < responses.size()) {
        qsizetype end = responses.indexOf('\n', at);
        if (end < 0)
            end = responses.size();
        const QByteArray head = responses.mid(at, 8).toUpper();
        if (head.startsWith("* LIST ") || head.startsWith("* XLIST ")) {
            ListReader reader(responses, at + (head.startsWith("* LIST ") ? 7 : 8));
            ImapFolder folder;
            folder.flags = reader.flags();
            reader.string(); // the hierarchy delimiter, or NIL
            const QByteArray name = reader.string();
            if (!name.isEmpty()) {
                folder.name = DecodeMailboxName(name);
                folders.append(folder);
            }
            // A literal name may have carried the reader past this line's end.
            if (reader.position() > end)
                end = responses.indexOf('\n', reader.position());
            if (end < 0)
                end = responses.size();
        }
        at = end + 1;
    }
    return folders;
}

QString ChooseSentFolder(const QList<ImapFolder> &folders, const QString &configured)
{
    for (const ImapFolder &f : folders) {
        if (configured.isEmpty()) {
            if (f.flags.contains(QStringLiteral("\\Sent"), Qt::CaseInsensitive))
                return f.name;
        } else if (f.name == configured
            || (configured.compare(QLatin1String("INBOX"), Qt::CaseInsensitive) == 0
                && f.name.compare(QLatin1String("INBOX"), Qt::CaseInsensitive) == 0)) {
            return f.name;
        }
    }
    return {};
}

QString DecodeMailboxName(const QByteArray &encoded)
{
    QString out;
    qsizetype at = 0;
    while (at < encoded.size()) {
        const char c = encoded[at];
        if (c != '&') {
            out += QLatin1Char(c);
            ++at;
            continue;
        }
        const qsizetype dash = encoded.indexOf('-', at + 1);
        if (dash < 0) { // not modified UTF-7 after all: keep the bytes
            out += QString::fromUtf8(encoded.mid(at));
            break;
        }
        if (dash == at + 1) {
            out += QLatin1Char('&');
        } else {
            QByteArray base = encoded.mid(at + 1, dash - at - 1);
            base.replace(',', '/');
            const QByteArray utf16 = QByteArray::fromBase64(base);
            for (qsizetype i = 0; i + 1 < utf16.size(); i += 2)
                out += QChar(char16_t((uchar(utf16[i]) << 8) | uchar(utf16[i + 1])));
        }
        at = dash + 1;
    }
    return out;
}

QByteArray EncodeMailboxName(const QString &name)
{
    QByteArray out;
    qsizetype at = 0;
    while (at < name.size()) {
        const char16_t c = name[at].unicode();
        if (c == u'&') {
            out += "&-";
            ++at;
        } else if (c >= 0x20 && c < 0x7F) {
            out += char(c);
            ++at;
        } else {
            QByteArray utf16;
            while (at < name.size() && (name[at].unicode() < 0x20 || name[at].unicode() >= 0x7F)) {
                utf16 += char(name[at].unicode() >> 8);
                utf16 += char(name[at].unicode() & 0xFF);
                ++at;
            }
            out += '&';
            quint32 bits = 0;
            int count = 0;
            for (const char b : utf16) {
                bits = (bits << 8) | uchar(b);
                count += 8;
                while (count >= 6) {
                    count -= 6;
                    out += kBase64[(bits >> count) & 0x3F];
                }
            }
            if (count > 0)
                out += kBase64[(bits << (6 - count)) & 0x3F];
            out += '-';
        }
    }
    return out;
}

ImapSentCopy::ImapSentCopy(const Profile &profile)
    : m_server(mailcurl::sentCopyServer(profile))
    , m_login(mailcurl::sentCopyLogin(profile))
    , m_configuredFolder(profile.sentCopy.folder)
    , m_folder(profile.sentCopy.folder)
{
    if (m_login.auth == TransportSettings::Auth::OAuth2 && !m_login.username.isEmpty())
        m_tokens = AccessTokens::forProfile(profile);
    mailcurl::globalInit();
    m_curl = curl_easy_init();
}

ImapSentCopy::~ImapSentCopy()
{
    if (m_curl)
        curl_easy_cleanup(m_curl);
}

// An OAuth 2.0 account signs in with its access token, renewed and offered once more when
// the server refuses it.
bool ImapSentCopy::perform(MailServerFailure &failure)
{
    if (!m_tokens)
        return performOnce(failure);
    bool done = false;
    const AccessTokens::Token token = m_tokens->signIn([&](const QString &accessToken) {
        m_login.secret = accessToken;
        mailcurl::applyCredentials(m_curl, m_login);
        done = performOnce(failure);
        return !done && failure.code == CURLE_LOGIN_DENIED;
    });
    if (!token.ok())
        failure = { CURLE_LOGIN_DENIED, token.problem, mailcurl::hostOf(m_server.url) };
    return done;
}

bool ImapSentCopy::performOnce(MailServerFailure &failure)
{
    Replies replies;
    curl_easy_setopt(m_curl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(m_curl, CURLOPT_DEBUGFUNCTION, watch);
    curl_easy_setopt(m_curl, CURLOPT_DEBUGDATA, &replies);
    const CURLcode code = curl_easy_perform(m_curl);
    if (code == CURLE_OK)
        return true;
    failure = { code, replies.last, mailcurl::hostOf(m_server.url) };
    return false;
}

bool ImapSentCopy::listFolders(
    QList<ImapFolder> &folders, MailServerFailure &failure, const std::atomic_bool *cancel)
{
    if (!m_curl) {
        failure = { CURLE_FAILED_INIT, {}, mailcurl::hostOf(m_server.url) };
        return false;
    }
    curl_easy_reset(m_curl);
    mailcurl::Server server = m_server;
    server.url = QString::fromUtf8(mailcurl::mailboxUrl(m_server.url, QString()));
    mailcurl::applyServer(m_curl, server);
    mailcurl::applyCredentials(m_curl, m_login);
    mailcurl::applyCancel(m_curl, cancel);
    QByteArray responses;
    curl_easy_setopt(m_curl, CURLOPT_CUSTOMREQUEST, "LIST \"\" \"*\"");
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &responses);
    if (!perform(failure))
        return false;
    folders = ParseImapList(responses);
    if (ChooseSentFolder(folders, QString()).isEmpty()) {
        // Servers that keep special-use flags to the extended form answer them here.
        QByteArray extended;
        curl_easy_setopt(m_curl, CURLOPT_CUSTOMREQUEST, "LIST \"\" \"*\" RETURN (SPECIAL-USE)");
        curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, &extended);
        MailServerFailure ignored;
        if (perform(ignored) && !ChooseSentFolder(ParseImapList(extended), QString()).isEmpty())
            folders = ParseImapList(extended);
    }
    return true;
}

QString ImapSentCopy::append(const QByteArray &mime)
{
    const QString host = mailcurl::hostOf(m_server.url);
    if (m_folder.isEmpty()) {
        QList<ImapFolder> folders;
        MailServerFailure failure;
        if (!listFolders(folders, failure))
            return ProbeFailureText(
                ProbeOutcomeOf(failure.code, true), failure.host, failure.reply);
        m_folder = ChooseSentFolder(folders, m_configuredFolder);
        if (m_folder.isEmpty())
            return ProbeFailureText(ProbeOutcome::FolderNotFound, host, m_configuredFolder);
    }
    if (!m_curl)
        return ProbeFailureText(ProbeOutcome::Failed, host, QString());
    curl_easy_reset(m_curl);
    mailcurl::Server server = m_server;
    server.url = QString::fromUtf8(
        mailcurl::mailboxUrl(m_server.url, QString::fromLatin1(EncodeMailboxName(m_folder))));
    mailcurl::applyServer(m_curl, server);
    mailcurl::applyCredentials(m_curl, m_login);
    mailcurl::Upload upload { &mime };
    mailcurl::applyUpload(m_curl, upload);
    MailServerFailure failure;
    if (perform(failure))
        return {};
    const ProbeOutcome outcome = ProbeOutcomeOf(failure.code, true);
    if (outcome == ProbeOutcome::Failed)
        return QStringLiteral("The server %1 did not take the copy into the folder \"%2\": %3")
            .arg(host, m_folder,
                failure.reply.isEmpty() ? QString::fromUtf8(curl_easy_strerror(failure.code))
                                        : failure.reply);
    return ProbeFailureText(outcome, failure.host, failure.reply);
}
