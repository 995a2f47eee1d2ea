#include "data/DeliveryNoteOps.h"

#include "platform/database/Query.h"

namespace {

template <typename Add>
void ReadPairs(db::Query &query, const QString &sql, const QString &numberColumn,
    const QString &noteColumn, Add add)
{
    query.close();
    query.setSql(sql);
    query.open();
    const db::Field number = query.fieldByName(numberColumn);
    const db::Field note = query.fieldByName(noteColumn);
    for (query.first(); !query.eof(); query.next())
        add(number.asString(), note.asString());
}

} // namespace

bool OpenDeliveryNotes(DeliveryNoteLookup &lookup, db::Query &qryInvDelNotes,
    db::Query &qryCNDelNotes, const QString &companyId)
{
    // Lookups whose result sets ended with the connection are read again.
    if (qryInvDelNotes.isOpen() && qryCNDelNotes.isOpen() && lookup.isReadFor(companyId))
        return false;
    lookup.clear();
    DeliveryNoteLookup fresh;
    fresh.reset(companyId);
    ReadPairs(qryInvDelNotes, InvoiceDelNotesText(companyId), QStringLiteral("it_numinv"),
        QStringLiteral("it_numdelv"),
        [&](const QString &n, const QString &d) { fresh.addInvoicePair(n, d); });
    ReadPairs(qryCNDelNotes, CreditDelNotesText(companyId), QStringLiteral("ih_credit"),
        QStringLiteral("ih_deliv"),
        [&](const QString &n, const QString &d) { fresh.addCreditPair(n, d); });
    lookup = std::move(fresh);
    return true;
}
