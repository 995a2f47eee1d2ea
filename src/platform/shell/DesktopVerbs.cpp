#include "platform/shell/DesktopVerbs.h"

#include "platform/print/PrintSystem.h"
#include "platform/shell/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

namespace {

// The types a spreadsheet application registers for, in order of preference.
const char *const SpreadsheetTypes[] = {
    "application/vnd.oasis.opendocument.spreadsheet",
    "application/vnd.ms-excel",
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
    "text/csv",
    "text/tab-separated-values",
};

constexpr int QueryTimeoutMs = 5000;

QString unquoted(const QString &text)
{
    QString t = text.trimmed();
    if (t.size() >= 2 && t.startsWith(u'"') && t.endsWith(u'"'))
        t = t.mid(1, t.size() - 2);
    return t;
}

QString workingFolder(const QString &directory)
{
    const QString dir = unquoted(directory);
    return !dir.isEmpty() && QFileInfo(dir).isDir() ? dir : QString();
}

// An address such as https://... or mailto:...; a drive letter ("C:") is not a scheme.
bool isAddress(const QString &text)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(text).hasMatch();
}

// A file that is a program rather than a document: executable and an ELF image or a script. A
// document on a share that marks every file executable is still a document.
bool isProgram(const QFileInfo &info)
{
    if (!info.isFile() || !info.isExecutable())
        return false;
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    return head
        == "\x7f"
           "ELF"
        || head.startsWith("#!");
}

int startDetached(
    const QString &program, const QStringList &arguments, const QString &directory, int failure)
{
    return QProcess::startDetached(program, arguments, directory) ? VerbResult::Accepted : failure;
}

} // namespace

DesktopTools DesktopTools::Find()
{
    return { QStandardPaths::findExecutable(QStringLiteral("xdg-open")),
        QStandardPaths::findExecutable(QStringLiteral("xdg-mime")),
        QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation) };
}

DesktopVerbs::DesktopVerbs(DesktopTools tools, PrintSystem *printing)
    : m_tools(std::move(tools))
    , m_printing(printing)
{ }

PrintSystem &DesktopVerbs::printing() const
{
    return m_printing ? *m_printing : PrintSystem::instance();
}

int DesktopVerbs::execute(const QString &verb, const QString &file, const QString &parameters,
    const QString &directory, VerbShow)
{
    const QString name = verb.trimmed().toLower();
    m_lastPrintJob.clear();
    if (name.isEmpty() || name == u"open")
        return open(file, parameters, directory);
    if (name == u"print")
        return print(file, printing().defaultPrinterName());
    if (name == u"printto") {
        const QStringList names = ParsePrinterParameterText(parameters);
        return print(file, names.isEmpty() ? QString() : names.first());
    }
    return VerbResult::NoAssociation;
}

QString DesktopVerbs::defaultHandler(const QString &mimeType) const
{
    if (m_tools.mimeQuery.isEmpty())
        return {};
    QStringList candidates { mimeType };
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType);
    if (type.isValid())
        candidates += type.allAncestors();
    for (const QString &candidate : candidates) {
        QProcess query;
        query.start(
            m_tools.mimeQuery, { QStringLiteral("query"), QStringLiteral("default"), candidate });
        if (!query.waitForFinished(QueryTimeoutMs)) {
            query.kill();
            query.waitForFinished();
            return {};
        }
        const QString handler = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
        if (query.exitCode() == 0 && !handler.isEmpty())
            return handler.section(u'\n', 0, 0).trimmed();
    }
    return {};
}

int DesktopVerbs::open(
    const QString &file, const QString &parameters, const QString &directory) const
{
    if (file.trimmed().isEmpty())
        return VerbResult::FileNotFound;
    if (file.compare(u"excel", Qt::CaseInsensitive) == 0)
        return openInSpreadsheet(parameters, directory);

    QString path = file;
    if (isAddress(file)) {
        const QUrl url(file);
        if (!url.isLocalFile())
            return openWithOpener(
                file, QStringLiteral("x-scheme-handler/") + url.scheme().toLower());
        path = url.toLocalFile();
    }

    const QFileInfo info(path);
    if (!info.exists()) {
        // A bare program name is looked up on the PATH, as the shell does.
        if (!path.contains(u'/')) {
            const QString program = QStandardPaths::findExecutable(path);
            if (!program.isEmpty())
                return startDetached(program, QProcess::splitCommand(parameters),
                    workingFolder(directory), VerbResult::AccessDenied);
        }
        return info.absoluteDir().exists() ? VerbResult::FileNotFound : VerbResult::PathNotFound;
    }
    if (!info.isReadable())
        return VerbResult::AccessDenied;
    if (isProgram(info))
        return startDetached(info.absoluteFilePath(), QProcess::splitCommand(parameters),
            workingFolder(directory), VerbResult::AccessDenied);
    return openWithOpener(info.absoluteFilePath(), QMimeDatabase().mimeTypeForFile(info).name());
}

int DesktopVerbs::openWithOpener(const QString &target, const QString &mimeType) const
{
    if (m_tools.opener.isEmpty() || defaultHandler(mimeType).isEmpty())
        return VerbResult::NoAssociation;
    return startDetached(m_tools.opener, { target }, QString(), VerbResult::NoAssociation);
}

int DesktopVerbs::openInSpreadsheet(const QString &parameters, const QString &directory) const
{
    // Files go to the application as absolute paths (relative ones from the working folder),
    // so that none can be taken for an option.
    const QDir base(workingFolder(directory));
    QStringList files;
    for (const QString &piece : QProcess::splitCommand(parameters)) {
        const QFileInfo file(base, piece);
        if (!file.exists())
            return VerbResult::FileNotFound;
        files.append(file.absoluteFilePath());
    }
    for (const char *type : SpreadsheetTypes) {
        const QString handler = defaultHandler(QString::fromLatin1(type));
        if (handler.isEmpty())
            continue;
        const QString entry = DesktopEntry::Find(handler, m_tools.applicationDirs);
        const QStringList command
            = entry.isEmpty() ? QStringList() : DesktopEntry::Command(entry, files);
        if (command.isEmpty())
            continue;
        return startDetached(
            command.first(), command.mid(1), workingFolder(directory), VerbResult::NoAssociation);
    }
    return VerbResult::NoAssociation;
}

int DesktopVerbs::print(const QString &file, const QString &device) const
{
    const QFileInfo info(file);
    if (!info.isFile())
        return info.absoluteDir().exists() ? VerbResult::FileNotFound : VerbResult::PathNotFound;
    if (!info.isReadable())
        return VerbResult::AccessDenied;
    if (device.isEmpty())
        return VerbResult::Refused;
    PrintSystem &system = printing();
    bool known = false;
    for (const PrinterInfo &printer : system.printers())
        known = known || printer.device == device;
    if (!known)
        return VerbResult::Refused;
    const PrintJobResult job = system.submitFile(device, info.absoluteFilePath(), info.fileName());
    if (!job.accepted())
        return VerbResult::Refused;
    m_lastPrintJob = device + u'-' + QString::number(job.jobId);
    return VerbResult::Accepted;
}
