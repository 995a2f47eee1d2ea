#include "review/CustomerStatements.h"

#include "review/QueryBuilder.h"
#include "util/UtilMisc.h"

int SwitchedDocmail(int n)
{
    return n >= 8 ? n - 8 : n + 8;
}

QString DocmailUpdateText(const QString &companyId, const QString &account, int docmail)
{
    return QStringLiteral("UPDATE ") + companyId + QStringLiteral("_SNAME ")
        + QStringLiteral(" SET ") + QStringLiteral(" sn_docmail = ") + FormatNumber(docmail, 2)
        + QStringLiteral(" ") + QStringLiteral(" WHERE sn_account = ") + QuoteText(account);
}

QString EmailUpdateText(const QString &companyId, const QString &account, const QString &address)
{
    return QStringLiteral("UPDATE ") + companyId + QStringLiteral("_SNAME ")
        + QStringLiteral(" SET ") + QStringLiteral(" sn_email = ") + QuoteText(address)
        + QStringLiteral(" ") + QStringLiteral(" WHERE sn_account = ") + QuoteText(account);
}
