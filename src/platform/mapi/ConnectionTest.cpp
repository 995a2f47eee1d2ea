#include "platform/mapi/ConnectionTest.h"

#include "platform/mapi/ImapSentCopy.h"
#include "platform/mapi/MailCurl.h"
#include "platform/oauth/AccessTokens.h"

namespace {

size_t discard(char *, size_t size, size_t count, void *)
{
    return size * count;
}

// What the outgoing server said while the test talked to it.
struct SmtpDialogue
{
    bool replied = false; // any reply at all: the connection stands
    bool authSent = false;
    bool refusalSeen = false;
    qint64 sizeLimit = 0;
    QString lastReply;
};

int watchSmtp(CURL *, curl_infotype type, char *data, size_t size, void *user)
{
    auto *d = static_cast<SmtpDialogue *>(user);
    const QByteArray line = QByteArray(data, qsizetype(size)).trimmed();
    if (type == CURLINFO_HEADER_OUT && line.toUpper().startsWith("AUTH ")) {
        d->authSent = true;
    } else if (type == CURLINFO_HEADER_IN && line.size() >= 3) {
        d->replied = true;
        const bool refusal = line[0] == '4' || line[0] == '5';
        if (refusal || !d->refusalSeen)
            d->lastReply = QString::fromUtf8(line);
        d->refusalSeen = d->refusalSeen || refusal;
        const QByteArray keyword = line.mid(4).toUpper();
        if (line.startsWith("250") && (keyword == "SIZE" || keyword.startsWith("SIZE ")))
            d->sizeLimit = keyword.mid(5).trimmed().toLongLong();
    }
    return 0;
}

ProbeStep step(ProbeStep::What what, ProbeOutcome outcome, const QString &text)
{
    return { what, outcome, text };
}

bool cancelled(const std::atomic_bool *cancel, ConnectionTestResult &result, ProbeStep::What what)
{
    if (!cancel || !cancel->load())
        return false;
    result.steps << step(what, ProbeOutcome::Failed, QStringLiteral("The test was cancelled."));
    return true;
}

// Connects, says EHLO and signs in; the NOOP that follows sends nothing.
bool testOutgoing(
    const Profile &profile, const std::atomic_bool *cancel, ConnectionTestResult &result)
{
    using What = ProbeStep::What;
    const TransportSettings &t = profile.transport;
    const QString host = mailcurl::hostOf(t.url);
    if (t.kind != TransportSettings::Kind::Smtp) {
        result.steps << step(What::OutgoingServer, ProbeOutcome::Ok,
            QStringLiteral("This account does not send over SMTP; there is no server to test."));
        return true;
    }
    CURL *curl = curl_easy_init();
    if (!curl) {
        result.steps << step(
            What::OutgoingServer, ProbeOutcome::Failed, QStringLiteral("curl is not available."));
        return false;
    }
    SmtpDialogue dialogue;
    mailcurl::Login login = mailcurl::outgoingLogin(t, profile.password);
    mailcurl::applyServer(curl, mailcurl::outgoingServer(t));
    mailcurl::applyCredentials(curl, login);
    mailcurl::applyCancel(curl, cancel);
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "NOOP");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, discard);
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, watchSmtp);
    curl_easy_setopt(curl, CURLOPT_DEBUGDATA, &dialogue);
    CURLcode code = CURLE_OK;
    if (t.auth == TransportSettings::Auth::OAuth2 && !t.username.isEmpty()) {
        // Signs in with the stored sign-in's access token, renewed once if refused.
        const AccessTokens::Token token
            = AccessTokens::forProfile(profile)->signIn([&](const QString &accessToken) {
                  login.secret = accessToken;
                  mailcurl::applyCredentials(curl, login);
                  dialogue = SmtpDialogue();
                  code = curl_easy_perform(curl);
                  return code == CURLE_LOGIN_DENIED;
              });
        if (!token.ok()) {
            curl_easy_cleanup(curl);
            result.steps << step(
                What::OutgoingSignIn, ProbeOutcome::AuthenticationRefused, token.problem);
            return false;
        }
    } else
        code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    result.sizeLimit = dialogue.sizeLimit;

    const ProbeOutcome outcome = ProbeOutcomeOf(code, false);
    if (code == CURLE_ABORTED_BY_CALLBACK) {
        result.steps << step(
            What::OutgoingServer, ProbeOutcome::Failed, QStringLiteral("The test was cancelled."));
        return false;
    }
    const bool connectionFailed = !dialogue.replied || outcome == ProbeOutcome::NoTls
        || outcome == ProbeOutcome::CertificateRefused || outcome == ProbeOutcome::HostNotFound
        || outcome == ProbeOutcome::ConnectionRefused;
    if (code != CURLE_OK && connectionFailed) {
        result.steps << step(
            What::OutgoingServer, outcome, ProbeFailureText(outcome, host, dialogue.lastReply));
        return false;
    }
    QString connected = QStringLiteral("Connected to the outgoing server %1.").arg(host);
    if (dialogue.sizeLimit > 0)
        connected += QStringLiteral(" It takes messages of up to %1 bytes.")
                         .arg(QString::number(dialogue.sizeLimit));
    result.steps << step(What::OutgoingServer, ProbeOutcome::Ok, connected);
    if (code != CURLE_OK) {
        result.steps << step(
            What::OutgoingSignIn, outcome, ProbeFailureText(outcome, host, dialogue.lastReply));
        return false;
    }
    if (t.username.isEmpty()) {
        result.steps << step(What::OutgoingSignIn, ProbeOutcome::Ok,
            QStringLiteral("No user name is set: messages go without signing in."));
    } else if (!dialogue.authSent) {
        result.steps << step(What::OutgoingSignIn, ProbeOutcome::AuthenticationRefused,
            QStringLiteral("The outgoing server %1 offers no sign-in on this connection; "
                           "try SSL/TLS or STARTTLS.")
                .arg(host));
        return false;
    } else {
        result.steps << step(What::OutgoingSignIn, ProbeOutcome::Ok,
            QStringLiteral("Signed in to the outgoing server as %1.").arg(t.username));
    }
    return true;
}

bool testSentFolder(
    const Profile &profile, const std::atomic_bool *cancel, ConnectionTestResult &result)
{
    using What = ProbeStep::What;
    const QString host = mailcurl::hostOf(profile.sentCopy.url);
    ImapSentCopy imap(profile);
    QList<ImapFolder> folders;
    MailServerFailure failure;
    if (!imap.listFolders(folders, failure, cancel)) {
        const ProbeOutcome outcome = failure.code == CURLE_ABORTED_BY_CALLBACK
            ? ProbeOutcome::Failed
            : ProbeOutcomeOf(failure.code, true);
        result.steps << step(What::ImapServer, outcome,
            failure.code == CURLE_ABORTED_BY_CALLBACK
                ? QStringLiteral("The test was cancelled.")
                : ProbeFailureText(outcome, host, failure.reply));
        return false;
    }
    result.steps << step(What::ImapServer, ProbeOutcome::Ok,
        QStringLiteral("Logged in to the IMAP server %1 as %2.")
            .arg(host, profile.sentCopy.username));
    for (const ImapFolder &f : folders)
        result.imapFolders << f.name;
    result.sentFolder = ChooseSentFolder(folders, profile.sentCopy.folder);
    if (result.sentFolder.isEmpty()) {
        result.steps << step(What::SentFolder, ProbeOutcome::FolderNotFound,
            ProbeFailureText(ProbeOutcome::FolderNotFound, host, profile.sentCopy.folder));
        return false;
    }
    result.steps << step(What::SentFolder, ProbeOutcome::Ok,
        QStringLiteral("Sent folder found: \"%1\".").arg(result.sentFolder));
    return true;
}

} // namespace

QString ConnectionTestResult::summary() const
{
    QStringList lines;
    for (const ProbeStep &s : steps)
        lines << s.text;
    return lines.join(QLatin1Char('\n'));
}

ConnectionTestResult TestConnection(const Profile &profile, const std::atomic_bool *cancel)
{
    mailcurl::globalInit();
    ConnectionTestResult result;
    if (cancelled(cancel, result, ProbeStep::What::OutgoingServer))
        return result;
    bool ok = testOutgoing(profile, cancel, result);
    if (ok && profile.sentCopy.kind == SentCopySettings::Kind::Imap) {
        ok = !cancelled(cancel, result, ProbeStep::What::ImapServer)
            && testSentFolder(profile, cancel, result);
    }
    result.ok = ok;
    return result;
}

ProbeOutcome ProbeOutcomeOf(int curlCode, bool imap)
{
    switch (CURLcode(curlCode)) {
    case CURLE_OK:
        return ProbeOutcome::Ok;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return ProbeOutcome::HostNotFound;
    case CURLE_OPERATION_TIMEDOUT:
        return ProbeOutcome::TimedOut;
    case CURLE_COULDNT_CONNECT:
        return ProbeOutcome::ConnectionRefused;
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CONNECT_ERROR:
        return ProbeOutcome::NoTls;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
        return ProbeOutcome::CertificateRefused;
    case CURLE_LOGIN_DENIED:
        return imap ? ProbeOutcome::ImapLoginRefused : ProbeOutcome::AuthenticationRefused;
    default:
        return ProbeOutcome::Failed;
    }
}

QString ProbeFailureText(ProbeOutcome outcome, const QString &host, const QString &detail)
{
    switch (outcome) {
    case ProbeOutcome::Ok:
        return QStringLiteral("Connected to %1.").arg(host);
    case ProbeOutcome::HostNotFound:
        return QStringLiteral("The server %1 was not found: check its name.").arg(host);
    case ProbeOutcome::TimedOut:
        return QStringLiteral("The server %1 did not answer in time.").arg(host);
    case ProbeOutcome::ConnectionRefused:
        return QStringLiteral("The server %1 refused the connection: check the port.").arg(host);
    case ProbeOutcome::NoTls:
        return QStringLiteral("The server %1 offers no secure (TLS) connection on this port.")
            .arg(host);
    case ProbeOutcome::CertificateRefused:
        return QStringLiteral("The certificate of the server %1 is not trusted for its name.")
            .arg(host);
    case ProbeOutcome::AuthenticationRefused:
        return QStringLiteral("The outgoing server %1 refused the user name or password.")
            .arg(host);
    case ProbeOutcome::ImapLoginRefused:
        return QStringLiteral("The IMAP server %1 refused the user name or password.").arg(host);
    case ProbeOutcome::FolderNotFound:
        return detail.isEmpty()
            ? QStringLiteral("Sent folder not found: the IMAP server %1 marks no folder as Sent; "
                             "choose one from the list.")
                  .arg(host)
            : QStringLiteral("Sent folder not found: the IMAP server %1 has no folder \"%2\".")
                  .arg(host, detail);
    case ProbeOutcome::Failed:
        break;
    }
    return detail.isEmpty() ? QStringLiteral("The exchange with the server %1 failed.").arg(host)
                            : QStringLiteral("The server %1 answered: %2").arg(host, detail);
}
