#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The content of a demo company, generated deterministically from a seed. Dates are civil
// (year, month, day); money in pence so that totals add up exactly.
namespace demo {

struct Date
{
    int year = 0, month = 0, day = 0; // year 0 = empty date
};

struct Customer
{
    std::string account;
    std::string name;
    std::string address[4];
    std::string postcode;
    std::string phone;
    std::string contact;
    std::string email;
    int docmail = 0;
    int64_t creditLimit = 0;
    std::string notes; // memo
};

struct InvoiceLine
{
    std::string stock;
    std::string description;
    int quantity = 0;
    int64_t price = 0;
    std::string deliveryNote;
};

struct Transaction
{
    std::string account;
    Date date;
    std::string reference;
    std::string customerReference;
    char type = 'I'; // I invoice, C credit note, R receipt, J journal, A adjustment
    int64_t value = 0, vat = 0, balance = 0;
    std::string paid;
    std::string memo; // the PDF file's name for documents
    bool deleted = false;
    bool writePdf = false; // a PDF file is made for it (documents whose file is not missing)
    std::vector<InvoiceLine> lines; // invoices and credit notes
    std::string headerDeliveryNote; // credit notes: the header's delivery note
};

struct StatusRow
{
    uint32_t id = 0;
    bool tag = false, sent = false, printed = false;
};

struct Company
{
    std::string id;
    std::string name;
    std::vector<Customer> customers;
    std::vector<Transaction> transactions; // record n is transactions[n-1]; its id is n
    std::vector<StatusRow> status;
};

struct Options
{
    std::string company = "Z";
    int transactions = 2000;
    int customers = 150;
    int statusRows = -1; // -1: about half of the documents
    uint64_t seed = 1;
};

Company Generate(const Options &options);

} // namespace demo
