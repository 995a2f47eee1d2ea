#include "ExportCompany.h"

#include "DemoWriter.h"

#include <QFile>
#include <QLocale>

namespace {

demo::Customer Customer(const char *account, const char *name)
{
    demo::Customer c;
    c.account = account;
    c.name = name;
    c.email = "accounts@example.org";
    return c;
}

demo::Transaction Document(const char *account, demo::Date date, const char *reference, char type,
    int64_t pence, const char *paid, const char *memo)
{
    demo::Transaction t;
    t.account = account;
    t.date = date;
    t.reference = reference;
    t.type = type;
    t.value = pence;
    t.paid = paid;
    t.memo = memo;
    return t;
}

} // namespace

void ExportCompanyTest::SetUp()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    demo::Company company;
    company.id = "Z";
    company.name = "Export Test";
    company.customers = {
        Customer("A001", "Caf\u00e9 No\u00ebl \u00a35 \u20ac9"),
        Customer("B002", "Say \"Hi\"\tTab"),
        Customer("C003", "Line\r\nBreak Ltd"),
    };
    company.transactions = {
        Document("A001", { 2024, 3, 5 }, "INV001", 'I', 10000, "P", "INV001.pdf"),
        Document("B002", { 2024, 12, 31 }, "INV002", 'I', 1250, "", "a\r\nb\tc"),
        Document("C003", { 2025, 1, 2 }, "CRN003", 'C', -999, "", "x\ry\nz"),
        Document("ZZZ9", { 2025, 2, 3 }, "INV004", 'I', 5, "", ""),
    };
    m_folder = m_dir.file(QStringLiteral("company"));
    demo::WriteCompany(company, m_folder.toStdString(), {});

    m_connection = std::make_unique<db::Connection>();
    m_connection->setConnectionString(QStringLiteral("Provider=VFPOLEDB.1;Data Source=") + m_folder
        + QStringLiteral("\\COMP_Z.DBC;Mode=Share Deny None"));
    m_query = std::make_unique<db::Query>(*m_connection);
    m_query->setSql(QStringLiteral(
        "SELECT st_account, sn_name, st_trdate, st_trvalue, st_paid, sn_stop, st_memo, id "
        "FROM z_stran LEFT JOIN z_sname ON sn_account = st_account ORDER BY id"));
    m_query->setFieldDefs({
        db::MakeFieldDef(QStringLiteral("st_account"), QStringLiteral("Account"), false),
        db::MakeFieldDef(QStringLiteral("sn_name"), QStringLiteral("Name")),
        db::MakeFieldDef(QStringLiteral("st_trdate"), QStringLiteral("Date")),
        db::MakeFieldDef(QStringLiteral("st_trvalue"), QStringLiteral("Gross")),
        db::MakeFieldDef(QStringLiteral("st_paid")),
        db::MakeFieldDef(QStringLiteral("sn_stop"), QStringLiteral("Stop")),
        db::MakeFieldDef(QStringLiteral("st_memo"), QStringLiteral("Memo")),
        db::MakeFieldDef(QStringLiteral("id"), QString(), false),
    });
    m_query->open();
}

void ExportCompanyTest::TearDown()
{
    m_query.reset();
    m_connection.reset();
    QLocale::setDefault(QLocale::c());
}

QByteArray ExportCompanyTest::ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void ExportCompanyTest::WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QList<QList<QByteArray>> ExportCompanyTest::ExpectedItems()
{
    const auto name = [](const QByteArray &text) { return text.leftJustified(30, ' '); };
    return {
        { name("Caf\xE9 No\xEBl \xA3"
               "5 \x80"
               "9"),
            "05/03/2024", "100", "P", "False", "INV001.pdf" },
        { name("Say \"Hi\"\tTab"), "31/12/2024", "12.5", " ", "False", "a\r\nb\tc" },
        { name("Line\r\nBreak Ltd"), "02/01/2025", "-9.99", " ", "False", "x\ry\nz" },
        { "", "03/02/2025", "0.05", " ", "", "" },
    };
}

QByteArray ExportCompanyTest::ExpectedTab()
{
    // Spelled out: CR LF in a value becomes one space, a tab five spaces; lone CR and LF stay;
    // the names keep the blanks that fill their 30 characters.
    const auto blanks = [](int n) { return QByteArray(n, ' '); };
    return QByteArray("Name\tDate\tGross\tst_paid\tStop\tMemo\r\n")
        + "Caf\xE9 No\xEBl \xA3"
          "5 \x80"
          "9"
        + blanks(15) + "\t05/03/2024\t100\tP\tFalse\tINV001.pdf\r\n" + "Say \"Hi\"     Tab"
        + blanks(18) + "\t31/12/2024\t12.5\t \tFalse\ta b     c\r\n" + "Line Break Ltd" + blanks(15)
        + "\t02/01/2025\t-9.99\t \tFalse\tx\ry\nz\r\n" + "\t03/02/2025\t0.05\t \t\t\r\n";
}
