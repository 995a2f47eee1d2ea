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

} // namespace

QString CompanyPdfFolder(const QString &dataFolder, const QString &companyId)
{
    return Collapse(PdfFolderText(dataFolder, companyId));
}

QString DocumentPdfPath(
    const QString &dataFolder, const QString &companyId, const QString &pdfFileName)
{
    return Collapse(PdfFolderText(dataFolder, companyId) + pdfFileName.trimmed());
}

QString AttachmentCopyPath(
    const QString &dataFolder, const QString &companyId, const QString &documentReference)
{
    QString reference = ReplaceAll(documentReference, QStringLiteral("/"), QString());
    reference = ReplaceAll(reference, Backslash, QString()).trimmed();
    return Collapse(PdfFolderText(dataFolder, companyId) + reference + QStringLiteral(".PDF"));
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
