#pragma once

#include "dispatch/MailDispatch.h"
#include "dispatch/PrintDispatch.h"
#include "review/MemSTran.h"

#include <QList>
#include <QString>

// Review rows as the print operations and the e-mail run see them, with each PDF's path on this
// host.
PrintDocument PrintDocumentOf(
    const ReviewRow &row, const QString &dataFolder, const QString &companyId);
QList<PrintDocument> PrintDocumentsOf(
    const MemSTran &list, const QString &dataFolder, const QString &companyId);
QList<MailDocument> MailDocumentsOf(
    const MemSTran &list, const QString &dataFolder, const QString &companyId);
