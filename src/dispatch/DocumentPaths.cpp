#include "dispatch/DocumentPaths.h"

#include "data/HostPath.h"
#include "util/UtilMisc.h"

namespace {

const QString Backslash = QStringLiteral("\\");

QString Collapse(const QString &path)
{
    return ReplaceAll(path, QStringLiteral("\\\\"), Backslash);
}

QString PdfFolderText(const QString &dataFolder, const QString &companyId)
{
    return dataFolder + Backslash + companyId + QStringLiteral("_PDF\\");
}

QString DocumentPdfName(const QString &pdfFileName)
{
    return pdfFileName.trimmed();
}

QString AttachmentCopyName(const QString &documentReference)
{
    QString reference = ReplaceAll(documentReference, QStringLiteral("/"), QString());
    reference = ReplaceAll(reference, Backslash, QString()).trimmed();
    return reference + QStringLiteral(".PDF");
}

} // namespace

QString CompanyPdfFolder(const QString &dataFolder, const QString &companyId)
{
    return Collapse(PdfFolderText(dataFolder, companyId));
}

QString DocumentPdfPath(
    const QString &dataFolder, const QString &companyId, const QString &pdfFileName)
{
    return Collapse(PdfFolderText(dataFolder, companyId) + DocumentPdfName(pdfFileName));
}

QString AttachmentCopyPath(
    const QString &dataFolder, const QString &companyId, const QString &documentReference)
{
    return Collapse(PdfFolderText(dataFolder, companyId) + AttachmentCopyName(documentReference));
}

QString DocumentPdfHostPath(
    const QString &dataFolder, const QString &companyId, const QString &pdfFileName)
{
    return HostPath(DocumentPdfPath(dataFolder, companyId, pdfFileName));
}

QString AttachmentCopyHostPath(
    const QString &dataFolder, const QString &companyId, const QString &documentReference)
{
    return HostPath(AttachmentCopyPath(dataFolder, companyId, documentReference));
}

QString DocumentPdfHostPath(const HostFolderIndex &pdfFolder, const QString &pdfFileName)
{
    return pdfFolder.filePath(DocumentPdfName(pdfFileName));
}

QString AttachmentCopyHostPath(const HostFolderIndex &pdfFolder, const QString &documentReference)
{
    return pdfFolder.filePath(AttachmentCopyName(documentReference));
}
