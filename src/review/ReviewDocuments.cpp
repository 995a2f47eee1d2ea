#include "review/ReviewDocuments.h"

#include "data/HostPath.h"
#include "dispatch/DocumentPaths.h"

namespace {

PrintDocument PrintDocumentAt(const ReviewRow &row, const QString &pdfPath)
{
    PrintDocument document;
    document.account = row.st_account;
    document.reference = row.st_trref;
    document.pdfFile = row.st_memot;
    document.pdfPath = pdfPath;
    document.id = row.id;
    document.tagged = row.Tag;
    return document;
}

} // namespace

PrintDocument PrintDocumentOf(
    const ReviewRow &row, const QString &dataFolder, const QString &companyId)
{
    return PrintDocumentAt(row, DocumentPdfHostPath(dataFolder, companyId, row.st_memot));
}

// The lists read the company PDF folder once: mapping each path on its own would list the folder
// again for every name that is missing or spelled in another letter case.
QList<PrintDocument> PrintDocumentsOf(
    const MemSTran &list, const QString &dataFolder, const QString &companyId)
{
    const HostFolderIndex pdfFolder(CompanyPdfFolder(dataFolder, companyId));
    QList<PrintDocument> documents;
    documents.reserve(list.recordCount());
    for (int i = 0; i < list.recordCount(); ++i) {
        const ReviewRow &row = list.row(i);
        documents.append(PrintDocumentAt(row, DocumentPdfHostPath(pdfFolder, row.st_memot)));
    }
    return documents;
}

QList<MailDocument> MailDocumentsOf(
    const MemSTran &list, const QString &dataFolder, const QString &companyId)
{
    const HostFolderIndex pdfFolder(CompanyPdfFolder(dataFolder, companyId));
    QList<MailDocument> documents;
    documents.reserve(list.recordCount());
    for (int i = 0; i < list.recordCount(); ++i) {
        const ReviewRow &row = list.row(i);
        MailDocument document;
        document.tagged = row.Tag;
        document.account = row.st_account;
        document.email = row.sn_email;
        document.type = row.st_trtype;
        document.pdfFile = row.st_memot;
        document.id = row.id;
        // Only tagged documents are read, so only theirs need their paths.
        if (row.Tag) {
            document.pdfPath = DocumentPdfHostPath(pdfFolder, row.st_memot);
            document.copyPath = AttachmentCopyHostPath(pdfFolder, row.st_trref);
        }
        documents.append(document);
    }
    return documents;
}
