#include "platform/print/PrintSystem.h"

#include "platform/print/CupsPrintSystem.h"
#include "util/Errors.h"

namespace {

std::unique_ptr<PrintSystem> &current()
{
    static std::unique_ptr<PrintSystem> system = std::make_unique<CupsPrintSystem>();
    return system;
}

} // namespace

std::optional<PrinterInfo> PrintSystem::defaultPrinter()
{
    const QString name = defaultPrinterName();
    if (name.isEmpty())
        return std::nullopt;
    for (const PrinterInfo &printer : printers()) {
        if (printer.name == name)
            return printer;
    }
    return std::nullopt;
}

void PrintSystem::makeCurrent(const std::optional<PrinterInfo> &printer)
{
    if (!printer) {
        std::optional<PrinterInfo> fallback = defaultPrinter();
        if (!fallback)
            throw Exception(QStringLiteral("There is no default printer currently selected"));
        m_current = *fallback;
        return;
    }
    // The list may have changed since the selection was made: never print on another printer.
    for (const PrinterInfo &installed : printers()) {
        if (installed.name == printer->name) {
            m_current = installed;
            return;
        }
    }
    throw Exception(QStringLiteral("Printer selection is not valid"));
}

PrinterInfo PrintSystem::currentPrinter()
{
    if (m_current)
        return *m_current;
    std::optional<PrinterInfo> printer = defaultPrinter();
    if (!printer)
        throw Exception(QStringLiteral("There is no default printer currently selected"));
    return *printer;
}

bool PrintSystem::isDefaultPrinter(const std::optional<PrinterInfo> &printer)
{
    return printer && !printer->name.isEmpty() && printer->name == defaultPrinterName();
}

PrintSystem &PrintSystem::instance()
{
    return *current();
}

std::unique_ptr<PrintSystem> PrintSystem::install(std::unique_ptr<PrintSystem> system)
{
    if (!system)
        system = std::make_unique<CupsPrintSystem>();
    std::swap(current(), system);
    return system;
}

std::optional<PrinterInfo> SelectedPrinter(const QList<PrinterInfo> &listed, int index)
{
    if (index < 0 || index >= listed.size())
        return std::nullopt;
    return listed.at(index);
}

QString PrinterParameterText(const PrinterInfo &printer)
{
    const QChar quote = u'"';
    return quote + printer.device + quote + u' ' + quote + printer.driver + quote + u' ' + quote
        + printer.port + quote;
}

QStringList ParsePrinterParameterText(const QString &text)
{
    QStringList pieces;
    qsizetype at = 0;
    const qsizetype size = text.size();
    while (at < size) {
        if (text.at(at).isSpace()) {
            ++at;
            continue;
        }
        qsizetype end;
        if (text.at(at) == u'"') {
            end = text.indexOf(u'"', at + 1);
            if (end < 0)
                end = size;
            pieces.append(text.mid(at + 1, end - at - 1));
            at = end + 1;
        } else {
            end = at;
            while (end < size && !text.at(end).isSpace())
                ++end;
            pieces.append(text.mid(at, end - at));
            at = end;
        }
    }
    return pieces;
}
