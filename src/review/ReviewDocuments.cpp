#include "review/ReviewDocuments.h"

#include "dispatch/DocumentPaths.h"

PrintDocument PrintDocumentOf(
    const ReviewRow &row, const QString &dataFolder, const QString &companyId)
{
    PrintDocument document;
    document.account = row.st_account;
    document.reference = row.st_trref;
    document.pdfFile = row.st_memot;
    document.pdfPath = DocumentPdfHostPath(dataFolder, companyId, row.st_memot);
    document.id = row.id;
    document.tagged = row.Tag;
    return document;
}

QList<PrintDocument> PrintDocumentsOf(
    const MemSTran &list, const QString &dataFolder, const QString &companyId)
{
    QList<PrintDocument> documents;
    documents.reserve(list.recordCount());
    for (int i = 0; i < list.recordCount(); ++i)
        documents.append(PrintDocumentOf(list.row(i), dataFolder, companyId));
    return documents;
}

QList<MailDocument> MailDocumentsOf(
    const MemSTran &list, const QString &dataFolder, const QString &companyId)
{
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
        // Only tagged documents are read, so only theirs need the file system.
        if (row.Tag) {
            document.pdfPath = DocumentPdfHostPath(dataFolder, companyId, row.st_memot);
            document.copyPath = AttachmentCopyHostPath(dataFolder, companyId, row.st_trref);
        }
        documents.append(document);
    }
    return documents;
}
