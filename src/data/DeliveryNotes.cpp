#include "data/DeliveryNotes.h"

namespace {

// The lookup values are fixed-width texts; their right-hand blank padding is not compared.
QString WithoutPadding(const QString &value)
{
    qsizetype end = value.size();
    while (end > 0 && value.at(end - 1) == u' ')
        --end;
    return value.left(end);
}

void AddFirst(QHash<QString, QString> &pairs, const QString &number, const QString &note)
{
    const QString key = WithoutPadding(number);
    if (!pairs.contains(key))
        pairs.insert(key, note);
}

} // namespace

QString InvoiceDelNotesText(const QString &companyId)
{
    return QStringLiteral(" SELECT DISTINCT   it_numinv ,   it_numdelv   FROM ") + companyId
        + QStringLiteral("_itran ") + QStringLiteral("  WHERE !empty(it_numinv) ")
        + QStringLiteral("  ORDER BY it_numinv ");
}

QString CreditDelNotesText(const QString &companyId)
{
    return QStringLiteral(" SELECT DISTINCT   ih_credit ,   ih_deliv   FROM ") + companyId
        + QStringLiteral("_ihead ") + QStringLiteral("  WHERE !empty(ih_credit) ")
        + QStringLiteral("  ORDER BY ih_credit ");
}

void DeliveryNoteLookup::reset(const QString &companyId)
{
    clear();
    m_companyId = companyId;
    m_read = true;
}

void DeliveryNoteLookup::clear()
{
    m_companyId.clear();
    m_read = false;
    m_invoices.clear();
    m_credits.clear();
}

void DeliveryNoteLookup::addInvoicePair(const QString &invoiceNumber, const QString &deliveryNote)
{
    AddFirst(m_invoices, invoiceNumber, deliveryNote);
}

void DeliveryNoteLookup::addCreditPair(const QString &creditNumber, const QString &deliveryNote)
{
    AddFirst(m_credits, creditNumber, deliveryNote);
}

std::optional<QString> DeliveryNoteLookup::find(
    const QString &documentType, const QString &reference) const
{
    const QHash<QString, QString> *pairs = nullptr;
    if (documentType == u"I")
        pairs = &m_invoices;
    else if (documentType == u"C")
        pairs = &m_credits;
    else
        return std::nullopt;
    const auto it = pairs->constFind(reference.trimmed());
    if (it == pairs->constEnd())
        return std::nullopt;
    return it.value();
}
