#include "data/ConnectionString.h"

#include "util/UtilMisc.h"

const QString ConnectionStringTail = QStringLiteral(
    ".DBC;Mode=Share Deny None;Extended Properties=\"\";User ID=\"\";Password=\"\";"
    "Mask Password=False;Cache Authentication=False;Encrypt Password=False;"
    "Collating Sequence=MACHINE;DSN=\"\"");

QString ComposeConnectionString(const QString &dataFolder, const QString &companyId)
{
    return QStringLiteral("Provider=VFPOLEDB.1;Data Source=") + dataFolder
        + QStringLiteral("\\COMP_") + companyId + ConnectionStringTail;
}

QString ComposeOrKeepConnectionString(
    const QString &labelText, const QString &dataFolder, const QString &companyId)
{
    const bool compose = labelText == u"<None>" || IsBlank(labelText);
    if (!compose || IsBlank(dataFolder) || IsBlank(companyId))
        return labelText;
    return ComposeConnectionString(dataFolder, companyId);
}

QString CompanyTable(const QString &companyId, const QString &baseName)
{
    return companyId + u'_' + baseName;
}

QString ComposeConnectionStringForContainer(const QString &containerPath)
{
    return QStringLiteral("Provider=VFPOLEDB.1;Data Source=") + containerPath
        + ConnectionStringTail.mid(4);
}
