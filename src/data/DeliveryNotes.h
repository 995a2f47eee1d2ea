#pragma once

#include <QHash>
#include <QString>

#include <optional>

// The delivery-note lookups: invoice number -> delivery note from the invoice lines, credit-note
// number -> delivery note from the invoice headers, both read once per company.

QString InvoiceDelNotesText(const QString &companyId);
QString CreditDelNotesText(const QString &companyId);

class DeliveryNoteLookup
{
public:
    // Whether the pairs in memory were read for this company identifier (compared exactly).
    bool isReadFor(const QString &companyId) const { return m_read && m_companyId == companyId; }

    // Starts a new read for a company: every pair held so far is dropped.
    void reset(const QString &companyId);
    // Forgets everything, e.g. after the connection has been closed.
    void clear();

    // Pairs arrive in the lookup query's order; the first pair for a number wins.
    void addInvoicePair(const QString &invoiceNumber, const QString &deliveryNote);
    void addCreditPair(const QString &creditNumber, const QString &deliveryNote);

    // The delivery note of a listed document: type "I" searches the invoices, "C" the credit
    // notes, with the reference trimmed; anything else, or no pair, gives nothing.
    std::optional<QString> find(const QString &documentType, const QString &reference) const;

private:
    QString m_companyId;
    bool m_read = false;
    QHash<QString, QString> m_invoices;
    QHash<QString, QString> m_credits;
};
