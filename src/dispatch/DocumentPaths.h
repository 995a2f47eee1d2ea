#pragma once

#include <QString>

class HostFolderIndex;

// Where a document's PDF lies and where the e-mail run puts its copy named after the reference.
// The texts use the accounting system's backslash form; HostPath (data/HostPath.h) maps them onto
// this host's file system.

// "<folder>\<id>_PDF\" with every run of backslashes collapsed.
QString CompanyPdfFolder(const QString &dataFolder, const QString &companyId);

// The company PDF folder + the PDF file name without surrounding blanks.
QString DocumentPdfPath(
    const QString &dataFolder, const QString &companyId, const QString &pdfFileName);

// The company PDF folder + the reference without "/", "\" and surrounding blanks + ".PDF".
QString AttachmentCopyPath(
    const QString &dataFolder, const QString &companyId, const QString &documentReference);

// The same paths mapped onto the host's file system.
QString DocumentPdfHostPath(
    const QString &dataFolder, const QString &companyId, const QString &pdfFileName);
QString AttachmentCopyHostPath(
    const QString &dataFolder, const QString &companyId, const QString &documentReference);

// The same host paths from an index of the company PDF folder (CompanyPdfFolder), read once for
// many documents.
QString DocumentPdfHostPath(const HostFolderIndex &pdfFolder, const QString &pdfFileName);
QString AttachmentCopyHostPath(const HostFolderIndex &pdfFolder, const QString &documentReference);
