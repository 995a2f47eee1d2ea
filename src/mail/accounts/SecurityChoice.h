#pragma once

#include "mail/accounts/AccountRules.h"

class QComboBox;

// The security list of a server: SSL/TLS, STARTTLS, none, and "STARTTLS if offered" only
// while the account uses it.
void FillSecurityChoices(QComboBox *combo, bool withStartTlsIfOffered);
void SelectSecurity(QComboBox *combo, Security security);
Security SecurityChoice(const QComboBox *combo);
