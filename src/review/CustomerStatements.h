#pragma once

#include <QString>

// The customer updates of the review commands, composed piece by piece.

// F6 and "Set eMail Flags where Addressed": the new setting for a current one n.
int SwitchedDocmail(int n);
// "UPDATE <id>_SNAME  SET  sn_docmail = <m, 2 decimals>  WHERE sn_account = '<account>'"
QString DocmailUpdateText(const QString &companyId, const QString &account, int docmail);
// "UPDATE <id>_SNAME  SET  sn_email = '<address>'  WHERE sn_account = '<account>'"
QString EmailUpdateText(const QString &companyId, const QString &account, const QString &address);
