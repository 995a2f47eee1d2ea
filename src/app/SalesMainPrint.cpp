#include "app/DialogProgress.h"
#include "app/SalesMain.h"

#include "components/DlgInfFm.h"
#include "dispatch/PrintOne.h"
#include "platform/registry/Registry.h"
#include "platform/shell/DocumentVerbs.h"
#include "platform/shell/ViewerWindows.h"
#include "review/ReviewDocuments.h"

#include <QComboBox>

std::optional<PrinterInfo> TFrmSalesMain::selectedPrinter() const
{
    return SelectedPrinter(m_printers, cboPrinter->currentIndex());
}

PrintDocument TFrmSalesMain::currentDocument() const
{
    return PrintDocumentOf(
        m_memSTran.current(), EdtOperaDataFolder->text(), cbxCompanyID->currentText());
}

void TFrmSalesMain::ViewPDF1Click()
{
    ViewPdf(currentDocument().pdfPath, DocumentVerbs::instance());
}

void TFrmSalesMain::PrintPDF1Click()
{
    PrintPdf(currentDocument().pdfPath, selectedPrinter(), PrintSystem::instance(),
        DocumentVerbs::instance());
}

void TFrmSalesMain::PrintCurrentAndCloseReader()
{
    m_printOneAccepted = false;
    DlgPrintOne->Execute();
    PrintOneFinished(m_printOneAccepted);
}

void TFrmSalesMain::DlgPrintOneExecute(QObject *)
{
    DialogProgress progress(*DlgPrintOne);
    m_printOneAccepted = PrintOneExecute(currentDocument(), selectedPrinter(),
        PrintSystem::instance(), DocumentVerbs::instance(), ViewerWindows::instance(), progress);
}

void TFrmSalesMain::DlgPrintExecute(QObject *)
{
    DialogProgress progress(*DlgPrint);
    const QList<qint64> accepted = PrintTaggedDocuments(
        PrintDocumentsOf(m_memSTran, EdtOperaDataFolder->text(), cbxCompanyID->currentText()),
        selectedPrinter(), PrintSystem::instance(), DocumentVerbs::instance(), progress,
        m_journal.get());
    m_dispatched = QSet<qint64>(accepted.begin(), accepted.end());
}

void TFrmSalesMain::BtnGetAcrobatClick()
{
    BrowseURL(HtmlOpenCommand(), ReaderDownloadPage, DocumentVerbs::instance());
}
