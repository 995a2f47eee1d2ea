#include "CompanyFolder.h"

#include "data/ConnectionString.h"
#include "platform/database/vfp/Create.h"

#include <QDir>
#include <QFile>

namespace {

vfp::Value Text(const QString &text)
{
    return vfp::Value::character(text.toStdString());
}

vfp::Value DateValue(const QDate &date)
{
    return vfp::Value::date(vfp::JulianDayFromCivil(date.year(), date.month(), date.day()));
}

std::string PathOf(const QString &folder, const QString &name)
{
    return QDir(folder).filePath(name).toStdString();
}

} // namespace

QString WriteCompany(const QString &folder, const QString &id, const CompanyData &data)
{
    using vfp::NewField;
    const std::string stran = PathOf(folder, id + QStringLiteral("_stran.dbf"));
    {
        vfp::TableBuilder table(stran,
            { NewField { "ST_ACCOUNT", 'C', 8 }, NewField { "ST_TRREF", 'C', 20 },
                NewField { "ST_TRDATE", 'D', 8 }, NewField { "ST_CUSTREF", 'C', 20 },
                NewField { "ST_TRTYPE", 'C', 1 }, NewField { "ST_TRVALUE", 'N', 12, 2 },
                NewField { "ST_VATVAL", 'N', 12, 2 }, NewField { "ST_TRBAL", 'N', 12, 2 },
                NewField { "ST_PAID", 'C', 1 }, NewField { "ST_MEMO", 'M', 4 },
                NewField { "ID", 'I', 4 } });
        for (const CompanyDocument &d : data.documents) {
            table.addRow({ Text(d.account), Text(d.reference), DateValue(d.date),
                Text(QStringLiteral("PO-") + d.reference), Text(d.type),
                vfp::Value::numeric(d.value, 2), vfp::Value::numeric(d.value / 6, 2),
                vfp::Value::numeric(d.balance, 2), Text(QStringLiteral(" ")),
                vfp::Value::memo(d.memo.toStdString()), vfp::Value::integer(d.id) });
        }
        table.finish();
    }
    const std::string sname = PathOf(folder, id + QStringLiteral("_sname.dbf"));
    {
        vfp::TableBuilder table(sname,
            { NewField { "SN_ACCOUNT", 'C', 8 }, NewField { "SN_NAME", 'C', 30 },
                NewField { "SN_EMAIL", 'C', 60 }, NewField { "SN_DOCMAIL", 'I', 4 } });
        for (const CompanyCustomer &c : data.customers)
            table.addRow(
                { Text(c.account), Text(c.name), Text(c.email), vfp::Value::integer(c.docmail) });
        table.finish();
    }
    const std::string itran = PathOf(folder, id + QStringLiteral("_itran.dbf"));
    {
        vfp::TableBuilder table(
            itran, { NewField { "IT_NUMINV", 'C', 10 }, NewField { "IT_NUMDELV", 'C', 10 } });
        for (const auto &[invoice, note] : data.invoiceLines)
            table.addRow({ Text(invoice), Text(note) });
        table.finish();
    }
    const std::string ihead = PathOf(folder, id + QStringLiteral("_ihead.dbf"));
    {
        vfp::TableBuilder table(
            ihead, { NewField { "IH_CREDIT", 'C', 10 }, NewField { "IH_DELIV", 'C', 10 } });
        for (const auto &[credit, note] : data.invoiceHeads)
            table.addRow({ Text(credit), Text(note) });
        table.finish();
    }
    vfp::CreateDatabaseContainer(
        PathOf(folder, QStringLiteral("COMP_") + id + QStringLiteral(".DBC")),
        { { stran, {}, {} }, { sname, {}, {} }, { itran, {}, {} }, { ihead, {}, {} } });

    const QString pdfFolder = id + QStringLiteral("_PDF");
    QDir(folder).mkpath(pdfFolder);
    for (const QString &name : data.pdfFiles) {
        QFile file(QDir(folder).filePath(pdfFolder + u'/' + name));
        if (file.open(QIODevice::WriteOnly))
            file.write("%PDF-1.4\n");
    }
    return ComposeConnectionString(folder, id);
}
