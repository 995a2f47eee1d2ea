#include "dispatch/PrintDispatch.h"

#include "platform/print/PrintSystem.h"
#include "platform/shell/DocumentVerbs.h"
#include "util/MessageService.h"

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
    DispatchProgress &progress)
{
    const PrintRequest request = ChoosePrintRunRequest(printing, selectedPrinter);
    QList<qint64> accepted;
    for (const PrintDocument &row : rows) {
        if (row.tagged) {
            progress.setCaption(
                QStringLiteral("Printing PDF File : [") + row.pdfFile.trimmed() + u']');
            const int code = verbs.execute(
                request.verb, row.pdfPath, request.parameters, QString(), VerbShow::Minimised);
            if (VerbSucceeded(code))
                accepted.append(row.id);
            else
                ShowMessage(UnableToOpenPdf);
        }
        progress.processEvents();
    }
    return accepted;
}
