#include "DemoWriter.h"

#include "DemoPdf.h"
#include "platform/database/vfp/Create.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cctype>
#include <map>

namespace demo {
namespace {

using vfp::NewField;
using vfp::Value;

std::string Lower(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

Value Text(const std::string &text)
{
    return Value::character(text);
}

Value Money(int64_t pence)
{
    return Value::numeric(static_cast<double>(pence) / 100.0, 2);
}

Value DateValue(const Date &date)
{
    return Value::date(
        date.year == 0 ? 0 : vfp::JulianDayFromCivil(date.year, date.month, date.day));
}

Date DaysLater(const Date &date, int days)
{
    int year = 0, month = 0, day = 0;
    vfp::CivilFromJulianDay(
        vfp::JulianDayFromCivil(date.year, date.month, date.day) + days, year, month, day);
    return { year, month, day };
}

std::string Path(const std::string &folder, const std::string &name)
{
    return QDir(QString::fromStdString(folder))
        .filePath(QString::fromStdString(name))
        .toStdString();
}

// The ledger carries far more columns than the ones the review reads, one of them with a name
// longer than a table header holds (kept in full by the database container).
const std::vector<NewField> kStranFields
    = { { "ST_ACCOUNT", 'C', 8, 0 }, { "ST_TRDATE", 'D', 8, 0 }, { "ST_TRREF", 'C', 20, 0 },
          { "ST_CUSTREF", 'C', 20, 0 }, { "ST_TRTYPE", 'C', 1, 0 }, { "ST_TRVALUE", 'N', 12, 2 },
          { "ST_VATVAL", 'N', 12, 2 }, { "ST_TRBAL", 'N', 12, 2 }, { "ST_PAID", 'C', 1, 0 },
          { "ST_CRDATE", 'D', 8, 0 }, { "ST_DUEDATE", 'D', 8, 0 }, { "ST_PERIOD", 'N', 2, 0 },
          { "ST_YEAR", 'C', 2, 0 }, { "ST_USER", 'C', 10, 0 }, { "ST_FCURR", 'C', 3, 0 },
          { "ST_FCRATE", 'N', 10, 4 }, { "ST_FCVAL", 'N', 12, 2 },
          { "ST_DISCOUNT_VALUE", 'N', 12, 2 }, { "ST_MEMO", 'M', 4, 0 }, { "ID", 'I', 4, 0 } };
const std::vector<NewField> kSnameFields = { { "SN_ACCOUNT", 'C', 8, 0 }, { "SN_NAME", 'C', 30, 0 },
    { "SN_ADDR1", 'C', 30, 0 }, { "SN_ADDR2", 'C', 30, 0 }, { "SN_ADDR3", 'C', 30, 0 },
    { "SN_ADDR4", 'C', 30, 0 }, { "SN_PSTCODE", 'C', 8, 0 }, { "SN_TELENO", 'C', 20, 0 },
    { "SN_CONTACT", 'C', 30, 0 }, { "SN_EMAIL", 'C', 60, 0 }, { "SN_DOCMAIL", 'I', 4, 0 },
    { "SN_CRLIM", 'N', 12, 2 }, { "SN_CURRBAL", 'N', 12, 2 }, { "SN_STOP", 'L', 1, 0 },
    { "SN_DEDATE", 'D', 8, 0 }, { "SN_MEMO", 'M', 4, 0 } };
const std::vector<NewField> kItranFields
    = { { "IT_NUMINV", 'C', 10, 0 }, { "IT_NUMDELV", 'C', 10, 0 }, { "IT_ACCOUNT", 'C', 8, 0 },
          { "IT_STOCK", 'C', 16, 0 }, { "IT_DESC", 'C', 40, 0 }, { "IT_QUAN", 'N', 10, 2 },
          { "IT_PRICE", 'N', 12, 2 }, { "IT_VALUE", 'N', 12, 2 }, { "IT_DATE", 'D', 8, 0 } };
const std::vector<NewField> kIheadFields = { { "IH_DOC", 'C', 10, 0 }, { "IH_ACCOUNT", 'C', 8, 0 },
    { "IH_NAME", 'C', 30, 0 }, { "IH_DATE", 'D', 8, 0 }, { "IH_INVOICE", 'C', 10, 0 },
    { "IH_CREDIT", 'C', 10, 0 }, { "IH_DELIV", 'C', 10, 0 }, { "IH_CUSTREF", 'C', 20, 0 },
    { "IH_VALUE", 'N', 12, 2 }, { "IH_VAT", 'N', 12, 2 }, { "IH_NOTES", 'M', 4, 0 } };
const std::vector<NewField> kStatusFields = { { "ST_ID", 'N', 10, 0 }, { "ST_ZRQTAG", 'L', 1, 0 },
    { "ST_ZRQSENT", 'L', 1, 0 }, { "ST_ZRQPRNT", 'L', 1, 0 } };

std::vector<std::string> LongNames(const std::vector<NewField> &fields)
{
    std::vector<std::string> names;
    for (const NewField &field : fields)
        names.push_back(Lower(field.name));
    return names;
}

void WriteStran(const Company &company, const std::string &path)
{
    vfp::TableBuilder table(path, kStranFields);
    uint32_t id = 0;
    for (const Transaction &t : company.transactions) {
        ++id;
        const bool document = t.type == 'I' || t.type == 'C';
        table.addRow(
            { Text(t.account), DateValue(t.date), Text(t.reference), Text(t.customerReference),
                Text(std::string(1, t.type)), Money(t.value), Money(t.vat), Money(t.balance),
                Text(t.paid), DateValue(t.date), DateValue(DaysLater(t.date, document ? 30 : 0)),
                Value::numeric(t.date.month, 0), Text(std::to_string(t.date.year % 100)),
                Text("DEMO"), Text("GBP"), Value::numeric(1.0, 4), Money(t.value), Money(0),
                Value::memo(t.memo), Value::integer(id) });
        if (t.deleted)
            table.deleteLastRow();
    }
    table.addIndexTag("ST_ACCOUNT", "ST_ACCOUNT");
    table.addIndexTag("ST_TRREF", "ST_TRREF");
    table.addIndexTag("ID", "ID");
    table.finish();
}

void WriteSname(const Company &company, const std::string &path)
{
    vfp::TableBuilder table(path, kSnameFields);
    for (const Customer &c : company.customers) {
        table.addRow({ Text(c.account), Text(c.name), Text(c.address[0]), Text(c.address[1]),
            Text(c.address[2]), Text(c.address[3]), Text(c.postcode), Text(c.phone),
            Text(c.contact), Text(c.email), Value::integer(c.docmail), Money(c.creditLimit),
            Money(0), Value::logical(false), DateValue({ 2010, 4, 1 }), Value::memo(c.notes) });
    }
    table.addIndexTag("SN_ACCOUNT", "SN_ACCOUNT");
    table.addIndexTag("SN_NAME", "UPPER(SN_NAME)");
    table.finish();
}

void WriteInvoicing(
    const Company &company, const std::string &itranPath, const std::string &iheadPath)
{
    vfp::TableBuilder itran(itranPath, kItranFields);
    vfp::TableBuilder ihead(iheadPath, kIheadFields);
    std::map<std::string, const Customer *> customers;
    for (const Customer &c : company.customers)
        customers[c.account] = &c;
    for (const Transaction &t : company.transactions) {
        if (t.type != 'I' && t.type != 'C')
            continue;
        const auto found = customers.find(t.account);
        const std::string name = found == customers.end() ? std::string() : found->second->name;
        const std::string firstNote
            = t.lines.empty() ? std::string() : t.lines.front().deliveryNote;
        ihead.addRow({ Text(t.reference.substr(0, 10)), Text(t.account), Text(name),
            DateValue(t.date), Text(t.type == 'I' ? t.reference.substr(0, 10) : std::string()),
            Text(t.type == 'C' ? t.reference.substr(0, 10) : std::string()),
            Text(t.type == 'C' ? t.headerDeliveryNote : firstNote), Text(t.customerReference),
            Money(t.value), Money(t.vat), Value::memo({}) });
        if (t.type != 'I')
            continue;
        for (const InvoiceLine &line : t.lines) {
            itran.addRow(
                { Text(t.reference.substr(0, 10)), Text(line.deliveryNote), Text(t.account),
                    Text(line.stock), Text(line.description), Value::numeric(line.quantity, 2),
                    Money(line.price), Money(line.price * line.quantity), DateValue(t.date) });
        }
    }
    itran.addIndexTag("IT_NUMINV", "IT_NUMINV");
    ihead.addIndexTag("IH_DOC", "IH_DOC");
    itran.finish();
    ihead.finish();
}

void WriteStatus(const Company &company, const std::string &path)
{
    vfp::TableBuilder table(path, kStatusFields);
    for (const StatusRow &row : company.status) {
        table.addRow({ Value::numeric(row.id, 0), Value::logical(row.tag), Value::logical(row.sent),
            Value::logical(row.printed) });
    }
    table.addIndexTag("ST_ZRQ1", "ST_ID");
    table.finish();
}

int WritePdfs(const Company &company, const std::string &folder, int limit)
{
    QDir().mkpath(QString::fromStdString(folder));
    std::map<std::string, const Customer *> customers;
    for (const Customer &c : company.customers)
        customers[c.account] = &c;
    int written = 0;
    for (const Transaction &t : company.transactions) {
        if (written >= limit)
            break;
        if (!t.writePdf || t.memo.find('\\') != std::string::npos)
            continue;
        const auto found = customers.find(t.account);
        QFile file(QString::fromStdString(Path(folder, t.memo)));
        if (!file.open(QIODevice::WriteOnly))
            throw vfp::Error("Cannot create file " + file.fileName().toStdString());
        file.write(
            RenderDocumentPdf(company, found == customers.end() ? nullptr : found->second, t));
        ++written;
    }
    return written;
}

} // namespace

WriteSummary WriteCompany(
    const Company &company, const std::string &folder, const WriteOptions &options)
{
    if (!QDir().mkpath(QString::fromStdString(folder)))
        throw vfp::Error("Cannot create folder " + folder);
    const std::string prefix = Lower(company.id) + "_";
    const std::string stran = Path(folder, prefix + "stran.dbf");
    const std::string sname = Path(folder, prefix + "sname.dbf");
    const std::string itran = Path(folder, prefix + "itran.dbf");
    const std::string ihead = Path(folder, prefix + "ihead.dbf");
    WriteStran(company, stran);
    WriteSname(company, sname);
    WriteInvoicing(company, itran, ihead);
    vfp::CreateDatabaseContainer(Path(folder, "COMP_" + company.id + ".DBC"),
        { { stran, prefix + "stran", LongNames(kStranFields) },
            { sname, prefix + "sname", LongNames(kSnameFields) },
            { itran, prefix + "itran", LongNames(kItranFields) },
            { ihead, prefix + "ihead", LongNames(kIheadFields) } });
    if (!company.status.empty())
        WriteStatus(company, Path(folder, company.id + "_ST_ZRQ.dbf"));

    WriteSummary summary;
    summary.pdfFiles = WritePdfs(company, Path(folder, company.id + "_PDF"), options.pdfLimit);
    return summary;
}

} // namespace demo
