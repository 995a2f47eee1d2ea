#pragma once

#include "data/DispatchJournal.h"
#include "dispatch/DispatchProgress.h"
#include "platform/print/PrintSystem.h"

#include <QList>
#include <QString>

#include <optional>

class DocumentVerbs;

// One row of the review list as the print operations see it.
struct PrintDocument
{
    QString account; // st_account
    QString reference; // st_trref
    QString pdfFile; // st_memot as stored (padded)
    QString pdfPath; // DocumentPdfPath of the row
    qint64 id = 0; // the document's record number
    bool tagged = true;
};

// The verb and parameter text that a print request uses.
struct PrintRequest
{
    QString verb;
    QString parameters;
};

inline const QString UnableToOpenPdf = QStringLiteral("Unable to open PDF file");

// The selected printer is the item chosen in the printer list (SelectedPrinter), none when
// nothing is selected.

// The request of a print run: "print" with no parameters when the selected printer is the
// default printer; otherwise "printto" with the parameter text of the selected printer (the
// default printer when none is selected), which becomes the current printer. Raises an
// Exception when that printer is not installed.
PrintRequest ChoosePrintRunRequest(
    PrintSystem &printing, const std::optional<PrinterInfo> &selectedPrinter);

// The "printto" request of a one-document print: the selected printer (the default printer when
// none is selected) becomes current, whether or not it is the default.
PrintRequest ChoosePrintToRequest(
    PrintSystem &printing, const std::optional<PrinterInfo> &selectedPrinter);

// The print run over the review list: hands every tagged document's PDF to the verb chosen once
// for the run, in list order, showing "Unable to open PDF file" for each one not accepted and
// carrying on. Returns the ids of the documents whose request was accepted. Each request is
// recorded in the journal, when one is given, as soon as the print system has answered it.
QList<qint64> PrintTaggedDocuments(const QList<PrintDocument> &rows,
    const std::optional<PrinterInfo> &selectedPrinter, PrintSystem &printing, DocumentVerbs &verbs,
    DispatchProgress &progress, DispatchJournal *journal = nullptr);
