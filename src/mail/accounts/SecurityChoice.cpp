#include "mail/accounts/SecurityChoice.h"

#include <QComboBox>
#include <QSignalBlocker>

void FillSecurityChoices(QComboBox *combo, bool withStartTlsIfOffered)
{
    const QSignalBlocker quiet(combo);
    combo->clear();
    combo->addItem(QStringLiteral("SSL/TLS"), int(Security::SslTls));
    combo->addItem(QStringLiteral("STARTTLS"), int(Security::StartTls));
    combo->addItem(QStringLiteral("None (not encrypted)"), int(Security::None));
    if (withStartTlsIfOffered)
        combo->addItem(QStringLiteral("STARTTLS if offered"), int(Security::StartTlsIfOffered));
}

void SelectSecurity(QComboBox *combo, Security security)
{
    const int index = combo->findData(int(security));
    combo->setCurrentIndex(index >= 0 ? index : combo->findData(int(Security::StartTls)));
}

Security SecurityChoice(const QComboBox *combo)
{
    const QVariant data = combo->currentData();
    return data.isValid() ? Security(data.toInt()) : Security::StartTls;
}
