#include "platform/print/ScriptedPrintSystem.h"

#include <QFileInfo>

#include <algorithm>

ScriptedPrintSystem::ScriptedPrintSystem(QList<PrinterInfo> printers, QString defaultName)
    : m_printers(std::move(printers))
    , m_default(std::move(defaultName))
{ }

void ScriptedPrintSystem::setPrinters(QList<PrinterInfo> printers, QString defaultName)
{
    m_printers = std::move(printers);
    m_default = std::move(defaultName);
}

PrintJobResult ScriptedPrintSystem::submitFile(
    const QString &device, const QString &path, const QString &title)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return { 0, QStringLiteral("No such file") };
    const bool listed = std::any_of(m_printers.cbegin(), m_printers.cend(),
        [&](const PrinterInfo &p) { return p.device == device; });
    if (!listed || m_refused.contains(device))
        return { 0, QStringLiteral("The printer %1 is not installed").arg(device) };
    jobs.append({ device, path, title });
    return { int(jobs.size()), {} };
}
