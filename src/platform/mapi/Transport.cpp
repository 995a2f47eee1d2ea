#include "platform/mapi/Transport.h"

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QSaveFile>
#include <QUuid>

std::unique_ptr<Transport> Transport::create(const TransportSettings &settings,
    const QString &password, std::shared_ptr<AccessTokens> tokens)
{
    switch (settings.kind) {
    case TransportSettings::Kind::Smtp:
        return CreateSmtpTransport(settings, password, std::move(tokens));
    case TransportSettings::Kind::Sendmail:
        return CreateSendmailTransport(settings);
    case TransportSettings::Kind::DropFolder:
        break;
    }
    return CreateDropFolderTransport(settings);
}

namespace {

// Hands the message to a sendmail-compatible program: envelope sender with -f, the
// recipients as arguments, the message on standard input with LF line ends.
class SendmailTransport final : public Transport
{
public:
    explicit SendmailTransport(TransportSettings settings)
        : m_settings(std::move(settings))
    { }

    SendResult send(
        const QString &from, const QStringList &recipients, const QByteArray &mime) override
    {
        QStringList args = QProcess::splitCommand(m_settings.command);
        if (args.isEmpty())
            return { E_FAIL, QStringLiteral("no sendmail command"), {} };
        const QString program = args.takeFirst();
        args << QStringLiteral("-f") << from << QStringLiteral("--") << recipients;
        QProcess process;
        process.start(program, args);
        if (!process.waitForStarted(m_settings.connectTimeoutSeconds * 1000))
            return { MAPI_E_NETWORK_ERROR, process.errorString(), {} };
        QByteArray text = mime;
        text.replace("\r\n", "\n");
        process.write(text);
        process.closeWriteChannel();
        if (!process.waitForFinished(m_settings.timeoutSeconds * 1000)) {
            process.kill();
            process.waitForFinished(1000);
            return { MAPI_E_TIMEOUT, QStringLiteral("the sendmail command did not finish"), {} };
        }
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            return { E_FAIL, QString::fromLocal8Bit(process.readAllStandardError()), {} };
        return {};
    }

private:
    TransportSettings m_settings;
};

// Writes each message as a file of its own; the envelope goes first as two header lines.
class DropFolderTransport final : public Transport
{
public:
    explicit DropFolderTransport(TransportSettings settings)
        : m_settings(std::move(settings))
    { }

    SendResult send(
        const QString &from, const QStringList &recipients, const QByteArray &mime) override
    {
        QDir dir(m_settings.folder);
        if (!dir.mkpath(QStringLiteral(".")))
            return { E_ACCESSDENIED, QStringLiteral("cannot create %1").arg(dir.path()), {} };
        const QString name
            = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-hhmmsszzz-"))
            + QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".eml");
        QSaveFile file(dir.filePath(name));
        QByteArray envelope = "X-Envelope-From: <" + from.toUtf8() + ">\r\nX-Envelope-To: ";
        for (qsizetype i = 0; i < recipients.size(); ++i)
            envelope += (i ? ", <" : "<") + recipients[i].toUtf8() + ">";
        envelope += "\r\n";
        if (!file.open(QIODevice::WriteOnly) || file.write(envelope) < 0 || file.write(mime) < 0
            || !file.commit())
            return { E_ACCESSDENIED, file.errorString(), {} };
        return {};
    }

private:
    TransportSettings m_settings;
};

} // namespace

std::unique_ptr<Transport> CreateSendmailTransport(const TransportSettings &settings)
{
    return std::make_unique<SendmailTransport>(settings);
}

std::unique_ptr<Transport> CreateDropFolderTransport(const TransportSettings &settings)
{
    return std::make_unique<DropFolderTransport>(settings);
}
