#include "DemoData.h"

#include <gtest/gtest.h>

#include <set>

namespace {

demo::Options SmallCompany(uint64_t seed)
{
    demo::Options options;
    options.transactions = 3000;
    options.customers = 200;
    options.seed = seed;
    return options;
}

bool EndsWith(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size()
        && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

// The same seed must give the same company, or benchmarks and tests would not be comparable.
TEST(DemoCompany, IsDeterministicForASeed)
{
    const demo::Company a = demo::Generate(SmallCompany(7));
    const demo::Company b = demo::Generate(SmallCompany(7));
    const demo::Company c = demo::Generate(SmallCompany(8));
    ASSERT_EQ(a.transactions.size(), b.transactions.size());
    for (size_t i = 0; i < a.transactions.size(); ++i) {
        EXPECT_EQ(a.transactions[i].reference, b.transactions[i].reference);
        EXPECT_EQ(a.transactions[i].value, b.transactions[i].value);
        EXPECT_EQ(a.transactions[i].memo, b.transactions[i].memo);
    }
    bool differs = false;
    for (size_t i = 0; i < a.transactions.size() && !differs; ++i)
        differs = a.transactions[i].value != c.transactions[i].value;
    EXPECT_TRUE(differs);
}

// The company must hold every case the review cares about, or the end-to-end tests prove little.
TEST(DemoCompany, HoldsTheCasesTheReviewCaresAbout)
{
    const demo::Company company = demo::Generate(SmallCompany(1));
    std::set<std::string> accounts;
    std::set<int> docmail;
    bool quotedName = false, noAddress = false;
    for (const demo::Customer &c : company.customers) {
        EXPECT_LE(c.account.size(), 8u);
        EXPECT_LE(c.name.size(), 30u);
        EXPECT_TRUE(accounts.insert(c.account).second) << "duplicate account " << c.account;
        docmail.insert(c.docmail);
        quotedName |= c.name.find('\'') != std::string::npos;
        noAddress |= c.email.empty();
    }
    EXPECT_EQ(docmail, (std::set<int> { 0, 3, 8, 12, 16 }));
    EXPECT_TRUE(quotedName);
    EXPECT_TRUE(noAddress);

    int credit = 0, other = 0, lowerCase = 0, longMemo = 0, missingPdf = 0, noCustomer = 0,
        allocated = 0, deleted = 0, splitDelivery = 0;
    for (const demo::Transaction &t : company.transactions) {
        EXPECT_LE(t.reference.size(), 10u);
        credit += t.type == 'C';
        other += t.type != 'I' && t.type != 'C';
        lowerCase += EndsWith(t.memo, ".pdf");
        longMemo += t.memo.size() > 24;
        missingPdf += (t.type == 'I' || t.type == 'C') && !t.writePdf;
        noCustomer += accounts.count(t.account) == 0;
        allocated += (t.type == 'I' || t.type == 'C') && t.balance == 0;
        deleted += t.deleted;
        std::set<std::string> notes;
        for (const demo::InvoiceLine &line : t.lines)
            notes.insert(line.deliveryNote);
        splitDelivery += notes.size() > 1;
        if (t.type == 'C') {
            EXPECT_LT(t.value, 0);
        }
    }
    EXPECT_GT(credit, 0);
    EXPECT_GT(other, 0);
    EXPECT_GT(lowerCase, 0);
    EXPECT_GT(longMemo, 0);
    EXPECT_GT(missingPdf, 0);
    EXPECT_GT(noCustomer, 0);
    EXPECT_GT(allocated, 0);
    EXPECT_GT(deleted, 0);
    EXPECT_GT(splitDelivery, 0);
    EXPECT_FALSE(company.status.empty());
}
