#pragma once

#include <QDate>
#include <QString>

#include <vector>

// A small company written as real FoxPro files: COMP_<id>.DBC with the sales-ledger,
// customer, invoice-line and invoice-header tables, and the PDF folder.
struct CompanyDocument
{
    QString account;
    QString reference;
    QDate date;
    QString type; // "I" or "C"
    double value = 0;
    double balance = 0;
    QString memo;
    int id = 0;
};

struct CompanyCustomer
{
    QString account;
    QString name;
    QString email;
    int docmail = 0;
};

struct CompanyData
{
    std::vector<CompanyDocument> documents;
    std::vector<CompanyCustomer> customers;
    std::vector<std::pair<QString, QString>> invoiceLines; // it_numinv, it_numdelv
    std::vector<std::pair<QString, QString>> invoiceHeads; // ih_credit, ih_deliv
    std::vector<QString> pdfFiles; // names in <id>_PDF
};

// Writes the company into folder; returns the connection string the Setup page would compose.
QString WriteCompany(const QString &folder, const QString &companyId, const CompanyData &data);
