#include "dispatch/PrintDispatch.h"

#include "platform/print/PrintSystem.h"
#include "platform/shell/DocumentVerbs.h"
#include "util/MessageService.h"

namespace {

QString PrintRefusalReason(int code)
{
    switch (code) {
    case VerbResult::FileNotFound:
        return QStringLiteral("The PDF file was not found");
    case VerbResult::PathNotFound:
        return QStringLiteral("The PDF file's folder was not found");
    case VerbResult::AccessDenied:
        return QStringLiteral("The PDF file cannot be read");
    case VerbResult::NoAssociation:
        return QStringLiteral("No program is registered to print PDF files");
    default:
        return QStringLiteral("The print system refused the job");
    }
}

} // namespace

PrintRequest ChoosePrintRunRequest(
    PrintSystem &printing, const std::optional<PrinterInfo> &selectedPrinter)
{
    if (printing.isDefaultPrinter(selectedPrinter))
        return { QStringLiteral("print"), QString() };
    return ChoosePrintToRequest(printing, selectedPrinter);
}

PrintRequest ChoosePrintToRequest(
    PrintSystem &printing, const std::optional<PrinterInfo> &selectedPrinter)
{
    printing.makeCurrent(selectedPrinter);
    return { QStringLiteral("printto"), PrinterParameterText(printing.currentPrinter()) };
}

QList<qint64> PrintTaggedDocuments(const QList<PrintDocument> &rows,
    const std::optional<PrinterInfo> &selectedPrinter, PrintSystem &printing, DocumentVerbs &verbs,
    DispatchProgress &progress, DispatchJournal *journal)
{
    const PrintRequest request = ChoosePrintRunRequest(printing, selectedPrinter);
    // The printer the requests go to, for the journal.
    const QString printer = request.parameters.isEmpty()
        ? printing.defaultPrinterName()
        : ParsePrinterParameterText(request.parameters).value(0);
    QList<qint64> accepted;
    for (const PrintDocument &row : rows) {
        if (row.tagged) {
            progress.setCaption(
                QStringLiteral("Printing PDF File : [") + row.pdfFile.trimmed() + u']');
            const int code = verbs.execute(
                request.verb, row.pdfPath, request.parameters, QString(), VerbShow::Minimised);
            if (journal) {
                const bool done = VerbSucceeded(code);
                journal->record({ JournalChannel::Paper, { row.id }, printer,
                    done ? verbs.lastPrintJob() : QString(), done,
                    done ? QString() : PrintRefusalReason(code) });
            }
            if (VerbSucceeded(code))
                accepted.append(row.id);
            else
                ShowMessage(UnableToOpenPdf);
        }
        progress.processEvents();
    }
    return accepted;
}
