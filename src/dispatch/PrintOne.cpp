#include "dispatch/PrintOne.h"

#include "platform/print/PrintSystem.h"
#include "platform/shell/DocumentVerbs.h"
#include "platform/shell/ViewerWindows.h"
#include "util/MessageService.h"

namespace {

const QString ReaderTitle = QStringLiteral("Adobe Reader");

// Polls up to 20 times, pausing before each look, until a window with either title is there.
ViewerWindows::Window waitForWindow(
    ViewerWindows &windows, const QString &first, const QString &second)
{
    for (int i = 0; i < 20; ++i) {
        windows.pause(500);
        if (ViewerWindows::Window w = windows.find(first))
            return w;
        if (ViewerWindows::Window w = windows.find(second))
            return w;
    }
    return 0;
}

bool waitForWindowGone(ViewerWindows &windows, const QString &title)
{
    for (int i = 0; i < 5; ++i) {
        windows.pause(1000);
        if (!windows.find(title))
            return true;
    }
    return false;
}

void closeOrTerminateWindow(ViewerWindows &windows, ViewerWindows::Window window)
{
    windows.requestCloseWithin(window, 5000);
    if (windows.exists(window))
        windows.terminateOwner(window);
}

// Closes the viewer window that a print request opened, giving up quietly when it never shows
// or does not go away.
void closeReader(const QString &pdfFile, ViewerWindows &windows, DispatchProgress &progress)
{
    windows.pause(500);
    windows.pause(1500);
    progress.setCaption(QStringLiteral("Closing Acrobat Reader"));
    if (!waitForWindow(windows, ReaderTitle, ReaderTitle))
        return;
    const ViewerWindows::Window reader = windows.find(ReaderTitle);
    if (!reader)
        return;
    windows.requestClose(reader);
    if (waitForWindowGone(windows, ReaderDocumentTitle(pdfFile))) {
        closeOrTerminateWindow(windows, reader);
        return;
    }
    if (waitForWindowGone(windows, ReaderTitle))
        closeOrTerminateWindow(windows, reader);
}

} // namespace

bool ViewPdf(const QString &pdfPath, DocumentVerbs &verbs)
{
    const bool accepted = VerbSucceeded(
        verbs.execute(QStringLiteral("open"), pdfPath, QString(), QString(), VerbShow::Normal));
    if (!accepted)
        ShowMessage(UnableToOpenPdf);
    return accepted;
}

bool PrintPdf(const QString &pdfPath, const std::optional<PrinterInfo> &selectedPrinter,
    PrintSystem &printing, DocumentVerbs &verbs)
{
    const PrintRequest request = ChoosePrintToRequest(printing, selectedPrinter);
    const bool accepted = VerbSucceeded(
        verbs.execute(request.verb, pdfPath, request.parameters, QString(), VerbShow::Minimised));
    ShowMessage(accepted ? PdfFilePrinted : UnableToOpenPdf);
    return accepted;
}

bool PrintOneExecute(const PrintDocument &document,
    const std::optional<PrinterInfo> &selectedPrinter, PrintSystem &printing, DocumentVerbs &verbs,
    ViewerWindows &windows, DispatchProgress &progress)
{
    const PrintRequest request = ChoosePrintToRequest(printing, selectedPrinter);
    progress.setCaption(QStringLiteral("Printing PDF ") + document.pdfFile.trimmed());
    const bool accepted = VerbSucceeded(verbs.execute(
        request.verb, document.pdfPath, request.parameters, QString(), VerbShow::Minimised));
    if (!accepted) {
        ShowMessage(UnableToOpenPdf);
        return false;
    }
    // No viewer window opens on a host whose print verbs go straight to the print system:
    // there is nothing to wait for.
    if (windows.available())
        closeReader(document.pdfFile, windows, progress);
    return true;
}

void PrintOneFinished(bool accepted)
{
    if (accepted)
        ShowMessage(PdfFilePrinted);
}

QString ReaderDocumentTitle(const QString &pdfFile)
{
    return pdfFile.mid(6, 20).trimmed() + QStringLiteral(" - Adobe Reader");
}

QString ProgramOfOpenCommand(const QString &openCommand)
{
    const qsizetype first = openCommand.indexOf(u'"');
    if (first < 0)
        return {};
    const QString rest = openCommand.mid(first + 1);
    const qsizetype second = rest.indexOf(u'"');
    return second < 0 ? QString() : rest.left(second);
}

bool BrowseURL(const QString &openCommand, const QString &address, DocumentVerbs &verbs)
{
    const QString program = ProgramOfOpenCommand(openCommand);
    if (program.isEmpty())
        return false;
    return VerbSucceeded(
        verbs.execute(QStringLiteral("open"), program, address, QString(), VerbShow::Show));
}
