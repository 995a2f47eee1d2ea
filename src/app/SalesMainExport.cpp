#include "app/ReviewQueryFields.h"
#include "app/SalesMain.h"
#include "export/U_Qry2Excel.h"

// The list export behind the grid's "Export to Excel".

QList<db::FieldDef> ReviewQueryFields()
{
    const auto field = [](const char *name, const char *label = "", bool visible = true) {
        return db::MakeFieldDef(QString::fromLatin1(name), QString::fromLatin1(label), visible);
    };
    return {
        field("st_account", "SL Account"),
        field("sn_name", "A/C Name"),
        field("sn_email", "eMail Address"),
        field("zrqtag"),
        field("zrqsent"),
        field("zrqprint"),
        field("st_trref", "Doc Ref"),
        field("st_trdate", "Date"),
        field("st_custref", "Cust Ref"),
        field("st_trtype", "ty"),
        field("st_trvalue", "Gross"),
        field("st_vatval", "VAT"),
        field("st_trbal", "Bal"),
        field("st_paid", "pd"),
        db::MakeFieldDef(QStringLiteral("it_numdelv"), QStringLiteral("Del Note"), true, true),
        field("st_memo", "", false),
        field("st_memot"),
        field("sn_docmail", "", false),
        field("id", "", false),
    };
}

// Exports the rows of the review query as the last Display left them.
void TFrmSalesMain::ExporttoExcel1Click()
{
    ShowQry2Excel(QrySTran);
}
