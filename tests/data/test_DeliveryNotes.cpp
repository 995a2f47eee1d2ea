#include "data/DeliveryNotes.h"

#include <gtest/gtest.h>

namespace {

TEST(DeliveryNotes, LookupTextsForCompanyZ)
{
    const QString invoices = InvoiceDelNotesText(QStringLiteral("Z"));
    EXPECT_EQ(invoices,
        QStringLiteral(" SELECT DISTINCT   it_numinv ,   it_numdelv   FROM Z_itran  "
                       " WHERE !empty(it_numinv)   ORDER BY it_numinv "));
    EXPECT_EQ(invoices.size(), 106);
    EXPECT_EQ(CreditDelNotesText(QStringLiteral("Z")),
        QStringLiteral(" SELECT DISTINCT   ih_credit ,   ih_deliv   FROM Z_ihead  "
                       " WHERE !empty(ih_credit)   ORDER BY ih_credit "));
}

TEST(DeliveryNotes, FirstPairInOrderWinsAndPaddingIsIgnored)
{
    DeliveryNoteLookup lookup;
    lookup.reset(QStringLiteral("Z"));
    lookup.addInvoicePair(QStringLiteral("INV0001   "), QStringLiteral("D1        "));
    lookup.addInvoicePair(QStringLiteral("INV0001   "), QStringLiteral("D2        "));
    lookup.addCreditPair(QStringLiteral("CN7       "), QStringLiteral("D9        "));

    EXPECT_EQ(
        lookup.find(QStringLiteral("I"), QStringLiteral("INV0001")), QStringLiteral("D1        "));
    EXPECT_EQ(
        lookup.find(QStringLiteral("C"), QStringLiteral("  CN7  ")), QStringLiteral("D9        "));
    // Each type searches only its own lookup; other types and unknown numbers find nothing.
    EXPECT_FALSE(lookup.find(QStringLiteral("C"), QStringLiteral("INV0001")));
    EXPECT_FALSE(lookup.find(QStringLiteral("i"), QStringLiteral("INV0001")));
    EXPECT_FALSE(lookup.find(QStringLiteral("I"), QStringLiteral("INV0002")));
    // Matching is case-sensitive.
    EXPECT_FALSE(lookup.find(QStringLiteral("I"), QStringLiteral("inv0001")));
}

TEST(DeliveryNotes, PairsServeOnlyTheCompanyTheyWereReadFor)
{
    DeliveryNoteLookup lookup;
    EXPECT_FALSE(lookup.isReadFor(QStringLiteral("Z")));
    lookup.reset(QStringLiteral("Z"));
    lookup.addInvoicePair(QStringLiteral("1"), QStringLiteral("D1"));
    EXPECT_TRUE(lookup.isReadFor(QStringLiteral("Z")));
    EXPECT_FALSE(lookup.isReadFor(QStringLiteral("A")));
    EXPECT_FALSE(lookup.isReadFor(QStringLiteral("z")));

    lookup.reset(QStringLiteral("A"));
    EXPECT_FALSE(lookup.find(QStringLiteral("I"), QStringLiteral("1")));
    lookup.clear();
    EXPECT_FALSE(lookup.isReadFor(QStringLiteral("A")));
}

} // namespace
