#pragma once

#include "dispatch/PrintDispatch.h"

class ViewerWindows;

inline const QString PdfFilePrinted = QStringLiteral("PDF file printed");
// The reader download page that the Setup page shows and its button opens.
inline const QString ReaderDownloadPage = QStringLiteral("https://get.adobe.com/reader/");

// View (F7, "View PDF"): opens the PDF with the desktop's viewer; "Unable to open PDF file" when
// that fails. Returns whether the request was accepted.
bool ViewPdf(const QString &pdfPath, DocumentVerbs &verbs);

// Print ("Print PDF"): "printto" on the selected printer, then "PDF file printed" or "Unable to
// open PDF file". Returns whether the request was accepted.
bool PrintPdf(const QString &pdfPath, const std::optional<PrinterInfo> &selectedPrinter,
    PrintSystem &printing, DocumentVerbs &verbs);

// The job of the one-document print dialog (F8): "printto" on the selected printer, then, where
// print requests open a viewer window, the steps that close that window again. Shows "Unable to
// open PDF file" when the request fails. Returns whether the request was accepted; the caller
// shows "PDF file printed" after the dialog has closed (PrintOneFinished).
bool PrintOneExecute(const PrintDocument &document,
    const std::optional<PrinterInfo> &selectedPrinter, PrintSystem &printing, DocumentVerbs &verbs,
    ViewerWindows &windows, DispatchProgress &progress);
void PrintOneFinished(bool accepted);

// The title of the viewer's document window for a stored PDF file value: its characters 7 to 26,
// trimmed, followed by " - Adobe Reader".
QString ReaderDocumentTitle(const QString &pdfFile);

// The program named by an open-command value: the text between its first two double quotes
// (empty when it has none).
QString ProgramOfOpenCommand(const QString &openCommand);

// Opens an address with the program of the HTML handler's open command. Returns whether the
// program was started; with no usable command nothing is opened.
bool BrowseURL(const QString &openCommand, const QString &address, DocumentVerbs &verbs);
