#include "DemoData.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace demo {
namespace {

// splitmix64: the same sequence on every platform and library, unlike <random>'s distributions.
class Random
{
public:
    explicit Random(uint64_t seed)
        : m_state(seed)
    { }
    uint64_t next()
    {
        uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<uint64_t>(n)); }
    bool chance(int percent) { return below(1000) < percent * 10; }
    bool perMille(int perMille) { return below(1000) < perMille; }
    template <typename T, size_t N> const T &pick(const std::array<T, N> &items)
    {
        return items[static_cast<size_t>(below(static_cast<int>(N)))];
    }

private:
    uint64_t m_state;
};

const std::array<const char *, 24> kNameStart
    = { "Abbey", "Barton", "Castle", "Dale", "Eastgate", "Fairway", "Granite", "Harbour",
          "Ironside", "Juniper", "Kestrel", "Linden", "Meadow", "Northern", "Oakwood", "Pennine",
          "Quayside", "Riverside", "Summit", "Tudor", "Union", "Valley", "Westfield", "York" };
const std::array<const char *, 12> kNameEnd
    = { "Supplies Ltd", "Joinery", "Engineering", "Motors", "Builders", "Trading Co", "Foods Ltd",
          "Electrical", "Plumbing", "Print Ltd", "Garden Centre", "Logistics" };
const std::array<const char *, 8> kQuoted = { "O'Neil Joinery", "Smith's Bakery", "D'Arcy & Sons",
    "Patel's Pharmacy", "McKenzie's Ltd", "O'Brien Motors", "St. Anne's School", "Baker's Dozen" };
const std::array<const char *, 10> kStreets
    = { "High Street", "Station Road", "Church Lane", "Mill Way", "Park Avenue", "Victoria Road",
          "Queen Street", "Bridge End", "Market Place", "Albert Road" };
const std::array<const char *, 10> kTowns = { "Leeds", "York", "Harrogate", "Bradford", "Wakefield",
    "Halifax", "Ripon", "Skipton", "Selby", "Otley" };
const std::array<const char *, 8> kStock = { "WIDGET-A", "WIDGET-B", "BRACKET-10", "HINGE-BRS",
    "PANEL-600", "SCREW-4X40", "PAINT-5L", "SERVICE" };
const std::array<const char *, 8> kStockText
    = { "Widget type A", "Widget type B", "Steel bracket 10mm", "Brass hinge", "Panel 600mm",
          "Screws 4x40 (box of 200)", "Paint, white, 5 litre", "Service call-out" };
const std::array<int, 5> kDocmail = { 0, 3, 8, 12, 16 };

std::string Format(const char *pattern, long value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pattern, value);
    return buffer;
}

std::string Slug(const std::string &name)
{
    std::string slug;
    for (char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            slug += c;
        else if (c >= 'A' && c <= 'Z')
            slug += static_cast<char>(c - 'A' + 'a');
    }
    return slug.substr(0, 20);
}

Date AddDays(Date d, int days)
{
    static const std::array<int, 12> lengths = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    while (days-- > 0) {
        const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
        const int length
            = lengths[static_cast<size_t>(d.month - 1)] + (d.month == 2 && leap ? 1 : 0);
        if (++d.day > length) {
            d.day = 1;
            if (++d.month > 12) {
                d.month = 1;
                ++d.year;
            }
        }
    }
    return d;
}

std::vector<Customer> MakeCustomers(Random &random, int count)
{
    std::vector<Customer> customers;
    customers.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        Customer c;
        const bool quoted = i % 37 == 5;
        c.name = quoted ? kQuoted[static_cast<size_t>(i / 37) % kQuoted.size()]
                        : std::string(random.pick(kNameStart)) + " " + random.pick(kNameEnd);
        // Account codes are shorter than the column, so they carry trailing blanks.
        std::string letters = c.name.substr(0, 3);
        for (char &ch : letters)
            ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
        for (char &ch : letters)
            if (ch < 'A' || ch > 'Z')
                ch = 'X';
        c.account
            = letters + Format("%03ld", i % 1000) + (i >= 1000 ? Format("%ld", i / 1000) : "");
        c.address[0] = Format("%ld ", 1 + random.below(200)) + random.pick(kStreets);
        c.address[1] = random.chance(50) ? "Industrial Estate" : "";
        c.address[2] = random.pick(kTowns);
        c.address[3] = "West Yorkshire";
        c.postcode
            = "LS" + Format("%ld ", 1 + random.below(28)) + Format("%ldAB", random.below(10));
        c.phone = "0113 " + Format("%07ld", random.below(10000000));
        c.contact = random.chance(70) ? "Accounts Department" : "";
        // One customer in ten has no e-mail address.
        if (i % 10 != 7)
            c.email = "accounts@" + Slug(c.name) + ".example";
        c.docmail = kDocmail[static_cast<size_t>(i) % kDocmail.size()];
        c.creditLimit = 100000 * (1 + random.below(50));
        if (random.chance(20))
            c.notes = "Statements monthly.\r\nCall before delivery.";
        customers.push_back(std::move(c));
    }
    return customers;
}

std::string DocumentMemo(Random &random, char type, long number, bool &writePdf)
{
    const char prefix = type == 'I' ? 'I' : 'C';
    const std::string base = std::string(1, prefix) + Format("%07ld", number);
    writePdf = true;
    const int roll = random.below(100);
    if (roll < 3)
        return base + ".pdf"; // lower case: not listed
    if (roll < 5) {
        writePdf = false;
        return "Copies\\" + base + "-duplicate-copy.PDF"; // longer than 24 characters
    }
    if (roll < 9)
        writePdf = false; // the file is missing from the PDF folder
    return base + ".PDF";
}

void AddLines(Random &random, Transaction &t, long number)
{
    const int lineCount = 1 + random.below(4);
    // One invoice in ten went out on several delivery notes.
    const bool split = t.type == 'I' && random.chance(10);
    int64_t net = 0;
    for (int i = 0; i < lineCount; ++i) {
        InvoiceLine line;
        const size_t item = static_cast<size_t>(random.below(static_cast<int>(kStock.size())));
        line.stock = kStock[item];
        line.description = kStockText[item];
        line.quantity = 1 + random.below(20);
        line.price = 150 + random.below(20000);
        const long note = split ? number * 10 + (lineCount - i) : number * 10;
        line.deliveryNote = "DN" + Format("%07ld", note);
        net += line.price * line.quantity;
        t.lines.push_back(std::move(line));
    }
    const bool oldRate
        = t.date.year < 2011 || (t.date.year == 2011 && t.date.month == 1 && t.date.day < 4);
    t.vat = net * (oldRate ? 175 : 200) / 1000;
    t.value = net + t.vat;
    if (t.type == 'C') {
        t.value = -t.value;
        t.vat = -t.vat;
        t.headerDeliveryNote = random.chance(70) ? "DN" + Format("%07ld", number * 10 + 1) : "";
    }
}

} // namespace

Company Generate(const Options &options)
{
    Random random(options.seed);
    Company company;
    company.id = options.company;
    company.name = "Demo Trading Ltd";
    company.customers = MakeCustomers(random, std::max(options.customers, 1));

    long invoiceNumber = 4700, creditNumber = 300, receiptNumber = 9000;
    Date date { 2010, 10, 1 };
    company.transactions.reserve(static_cast<size_t>(options.transactions));
    for (int n = 1; n <= options.transactions; ++n) {
        Transaction t;
        if (random.chance(40))
            date = AddDays(date, 1);
        t.date = date;
        // A few transactions belong to accounts that have no customer record.
        if (random.perMille(15))
            t.account = "NOREC" + Format("%ld", random.below(3));
        else
            t.account = company
                            .customers[static_cast<size_t>(
                                random.below(static_cast<int>(company.customers.size())))]
                            .account;
        const int roll = random.below(100);
        t.type = roll < 70 ? 'I' : roll < 85 ? 'C' : roll < 95 ? 'R' : roll < 98 ? 'J' : 'A';
        if (t.type == 'I' || t.type == 'C') {
            const long number = t.type == 'I' ? ++invoiceNumber : ++creditNumber;
            if (t.type == 'I')
                t.reference = (random.chance(5) ? "SI/" : "INV") + Format("%06ld", number);
            else
                t.reference = "CRN" + Format("%06ld", number);
            t.customerReference
                = random.chance(75) ? "PO" + Format("%05ld", random.below(100000)) : "";
            t.memo = DocumentMemo(random, t.type, number, t.writePdf);
            AddLines(random, t, number);
            // About a third is fully allocated.
            if (random.chance(33)) {
                t.balance = 0;
                t.paid = "P";
            } else {
                t.balance = random.chance(15) ? t.value / 2 : t.value;
            }
        } else {
            t.reference = "REC" + Format("%06ld", ++receiptNumber);
            t.value = -(1000 + random.below(500000));
            t.balance = random.chance(50) ? 0 : t.value;
            t.memo = random.chance(30) ? "Receipt by BACS" : "";
        }
        t.deleted = random.perMille(8);
        company.transactions.push_back(std::move(t));
    }

    int documents = 0;
    for (const Transaction &t : company.transactions)
        documents += (t.type == 'I' || t.type == 'C') ? 1 : 0;
    const int wanted = options.statusRows >= 0 ? options.statusRows : documents / 2;
    const size_t total = company.transactions.size();
    for (int i = 0; i < wanted && total > 0; ++i) {
        StatusRow row;
        row.id = static_cast<uint32_t>(1 + random.below(static_cast<int>(total)));
        row.tag = random.chance(10);
        row.sent = random.chance(40);
        row.printed = random.chance(20);
        company.status.push_back(row);
    }
    return company;
}

} // namespace demo
