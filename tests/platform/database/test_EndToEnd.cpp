// The system's statements on real files: a company written with the storage layer's builders in
// a folder reached as D:\Opera, then every statement text run through Connection, Query and
// Command as the application sends them, and the vfpsql shell over the same files.

#include "platform/database/Command.h"
#include "platform/database/Connection.h"
#include "platform/database/Query.h"
#include "platform/database/vfp/Create.h"
#include "platform/database/vfp/PathMapping.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

using vfp::MakeField;
using vfp::Value;

Value C(const char *text)
{
    return Value::character(text);
}

Value N(double number, int decimals = 2)
{
    return Value::numeric(number, decimals);
}

Value D(int y, int m, int d)
{
    return Value::date(vfp::JulianDayFromCivil(y, m, d));
}

// Company Z in <temp>/opera (lower case: names are matched without regard to case).
class EndToEnd : public testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = m_temp.file(QStringLiteral("opera"));
        QDir().mkpath(m_folder);
        vfp::SetDriveRoot('D', m_temp.path().toStdString());
        const std::string folder = m_folder.toStdString();

        vfp::TableBuilder stran(folder + "/Z_STRAN.DBF",
            { MakeField("ST_ACCOUNT", 'C', 8), MakeField("ST_TRREF", 'C', 20),
                MakeField("ST_TRDATE", 'D'), MakeField("ST_CUSTREF", 'C', 20),
                MakeField("ST_TRTYPE", 'C', 1), MakeField("ST_TRVALUE", 'N', 12, 2),
                MakeField("ST_VATVAL", 'N', 12, 2), MakeField("ST_TRBAL", 'N', 12, 2),
                MakeField("ST_PAID", 'C', 1), MakeField("ST_MEMO", 'M'),
                MakeField("ID", 'N', 10, 0) });
        const auto tran = [&](const char *account, const char *ref, const char *type, double value,
                              double balance, const char *memo, int id) {
            stran.addRow({ C(account), C(ref), D(2011, 1, 18), C(""), C(type), N(value),
                N(value / 6), N(balance), C(""), Value::memo(memo), N(id, 0) });
        };
        tran("A001", "INV001", "I", 120, 120, "INV001.PDF", 1);
        tran("A001", "CN001", "C", -24, 0, "CN001.PDF", 2);
        tran("B002", "INV002", "I", 60, 60, "inv002.pdf", 3);
        tran("C003", "INV003", "I", 240, 240, "A_VERY_LONG_DOCUMENT_NAME_0001.PDF", 4);
        tran("E005", "INV004", "I", 10, 10, "INV004.PDF", 5);
        tran("A001", "INV005", "I", 50, 50, "INV005.PDF", 6);
        stran.deleteLastRow();
        stran.addIndexTag("ID", "ID");
        stran.finish();

        vfp::TableBuilder sname(folder + "/Z_SNAME.DBF",
            { MakeField("SN_ACCOUNT", 'C', 8), MakeField("SN_NAME", 'C', 30),
                MakeField("SN_EMAIL", 'C', 60), MakeField("SN_DOCMAIL", 'I') });
        sname.addRow({ C("A001"), C("Acme Ltd"), C("acme@example.com"), Value::integer(8) });
        sname.addRow({ C("B002"), C("O'Neil & Sons"), C(""), Value::integer(0) });
        sname.addRow({ C("C003"), C("Nord"), C("nord@example.org"), Value::integer(12) });
        sname.addIndexTag("SN_ACCOUNT", "SN_ACCOUNT");
        sname.finish();

        vfp::TableBuilder itran(folder + "/Z_ITRAN.DBF",
            { MakeField("IT_NUMINV", 'C', 10), MakeField("IT_NUMDELV", 'C', 10) });
        for (const auto &[inv, delv] :
            { std::pair { "INV003", "D2" }, { "INV003", "D1" }, { "", "D9" } })
            itran.addRow({ C(inv), C(delv) });
        itran.finish();
        vfp::TableBuilder ihead(folder + "/Z_IHEAD.DBF",
            { MakeField("IH_CREDIT", 'C', 10), MakeField("IH_DELIV", 'C', 10) });
        ihead.addRow({ C("CN001"), C("D5") });
        ihead.finish();

        vfp::CreateDatabaseContainer(folder + "/COMP_Z.DBC",
            { { folder + "/Z_STRAN.DBF", "z_stran", {} },
                { folder + "/Z_SNAME.DBF", "z_sname", {} },
                { folder + "/Z_ITRAN.DBF", "z_itran", {} },
                { folder + "/Z_IHEAD.DBF", "z_ihead", {} } });
        m_connection.setConnectionString(
            QStringLiteral("Provider=VFPOLEDB.1;Data Source=D:\\Opera\\COMP_Z.DBC;Mode=Share Deny "
                           "None;Extended Properties=\"\";User ID=\"\";Password=\"\";Mask "
                           "Password=False;Cache Authentication=False;Encrypt "
                           "Password=False;Collating Sequence=MACHINE;DSN=\"\""));
    }

    void TearDown() override { vfp::ClearDriveRoots(); }

    QStringList column(const QString &sql, const QString &name)
    {
        db::Query query(m_connection);
        query.setSql(sql);
        query.open();
        QStringList values;
        for (query.first(); !query.eof(); query.next())
            values << query.fieldByName(name).asString().trimmed();
        return values;
    }

    TempDir m_temp;
    QString m_folder;
    db::Connection m_connection;
};

const QString CreationScript = QStringLiteral(
    "EXECSCRIPT([SET DEFAULT TO \"D:\\Opera\"]   +CHR(13)+CHR(10)+[CREATE TABLE Z_ST_ZRQ FREE  "
    "(ST_ID        N(10,0) ,   ST_ZRQTAG    L(1)    ,   ST_ZRQSENT   L(1)    ,   ST_ZRQPRNT   "
    "L(1)  )]   +CHR(13)+CHR(10)+[USE Z_ST_ZRQ EXCLUSIVE]   +CHR(13)+CHR(10)+[INDEX ON ST_ID "
    "TAG ST_ZRQ1]   +CHR(13)+CHR(10)+[CLOSE ALL])");

const QString ReviewQuery = QStringLiteral(
    " SELECT   st_account  ,   sn_name     ,   sn_email    ,   "
    "IIF(ISNULL(Z_ST_ZRQ.st_zrqtag),.f.,Z_ST_ZRQ.st_zrqtag) as zrqtag  ,   "
    "IIF(ISNULL(Z_ST_ZRQ.st_zrqsent),.f.,Z_ST_ZRQ.st_zrqsent) as zrqsent  ,   "
    "IIF(ISNULL(Z_ST_ZRQ.st_zrqprnt),.f.,Z_ST_ZRQ.st_zrqprnt) as zrqprint ,   st_trref    ,   "
    "st_trdate   ,   st_custref  ,   st_trtype   ,   st_trvalue  ,   st_vatval   ,   st_trbal    , "
    "  st_paid     ,   st_memo     ,   CAST(st_memo as C(24)) as st_memoT,   sn_docmail  ,   id   "
    "          FROM Z_stran        LEFT JOIN Z_sname ON sn_account = st_account  LEFT JOIN "
    "Z_ST_ZRQ ON id = st_id \r\n WHERE RIGHT(st_memo,4)=='.PDF' AND st_trtype IN ('I','C')  AND "
    "!IIF(ISNULL(Z_ST_ZRQ.st_zrqsent),.f.,Z_ST_ZRQ.st_zrqsent)  AND st_trbal<>0 ORDER BY "
    "st_account, st_trref");

TEST_F(EndToEnd, StatusTableScriptThenFlagsThenReviewQuery)
{
    db::Command command(m_connection);
    command.execute(CreationScript);
    EXPECT_TRUE(QFile::exists(m_folder + QStringLiteral("/Z_ST_ZRQ.dbf"))
        || QFile::exists(m_folder + QStringLiteral("/z_st_zrq.dbf")));
    EXPECT_TRUE(QFile::exists(m_folder + QStringLiteral("/Z_ST_ZRQ.cdx"))
        || QFile::exists(m_folder + QStringLiteral("/z_st_zrq.cdx")));

    // SetStatusFlag for document 1, sent = 1: check, insert, update.
    EXPECT_TRUE(
        column(QStringLiteral(" SELECT * FROM Z_ST_ZRQ WHERE st_ID = 1"), QStringLiteral("st_id"))
            .isEmpty());
    EXPECT_EQ(1,
        command.execute(
            QStringLiteral("INSERT INTO Z_ST_ZRQ ( ST_ID      ,  ST_ZRQSENT   ) VALUES (1,  0 )")));
    EXPECT_EQ(1,
        command.execute(QStringLiteral("UPDATE Z_ST_ZRQ  SET  st_zrqsent = 1  WHERE st_ID = 1")));
    EXPECT_EQ(1,
        command.execute(
            QStringLiteral("INSERT INTO Z_ST_ZRQ ( ST_ID      ,  ST_ZRQTAG    ) VALUES (4,  0 )")));
    EXPECT_EQ(1,
        command.execute(QStringLiteral("UPDATE Z_ST_ZRQ  SET  st_zrqtag =  1  WHERE st_ID = 4")));
    EXPECT_EQ(QStringList({ QStringLiteral("True") }),
        column(QStringLiteral(" SELECT * FROM Z_ST_ZRQ WHERE st_ID = 1"),
            QStringLiteral("st_zrqsent")));

    // Sent document 1, allocated CN001, lower-case inv002 and deleted INV005 are left out.
    db::Query review(m_connection);
    review.setSql(ReviewQuery);
    review.open();
    QStringList refs;
    for (review.first(); !review.eof(); review.next())
        refs << review.fieldByName(QStringLiteral("st_trref")).asString().trimmed()
                + QLatin1Char('/') + review.fieldByName(QStringLiteral("zrqtag")).asString()
                + QLatin1Char('/') + review.fieldByName(QStringLiteral("st_memot")).asString();
    EXPECT_EQ("INV003/True/A_VERY_LONG_DOCUMENT_NAM|INV004/False/INV004.PDF" + std::string(14, ' '),
        refs.join(QLatin1Char('|')).toStdString());

    // Running the script again while both files exist would be skipped by the caller; with the
    // index file gone it keeps the rows and rebuilds the index.
    m_connection.close();
    QFile::remove(m_folder + QStringLiteral("/Z_ST_ZRQ.cdx"));
    QFile::remove(m_folder + QStringLiteral("/z_st_zrq.cdx"));
    command.execute(CreationScript);
    EXPECT_EQ(QStringList({ QStringLiteral("1"), QStringLiteral("4") }),
        column(QStringLiteral("SELECT st_id FROM Z_ST_ZRQ"), QStringLiteral("st_id")));
}

TEST_F(EndToEnd, CustomerUpdatesAndLookups)
{
    db::Command command(m_connection);
    EXPECT_EQ(1,
        command.execute(QStringLiteral(
            "UPDATE Z_SNAME  SET  sn_docmail = 8.00  WHERE sn_account = 'B002    '")));
    EXPECT_EQ(1,
        command.execute(QStringLiteral("UPDATE Z_SNAME  SET  sn_email = 'o''neil@example.com'  "
                                       "WHERE sn_account = 'B002    '")));
    // An empty code the width of the field, as the program sends codes, is no customer's.
    EXPECT_EQ(0,
        command.execute(
            QStringLiteral("UPDATE Z_SNAME  SET  sn_email = ''  WHERE sn_account = '        '")));
    EXPECT_EQ(QStringList({ QStringLiteral("8"), QStringLiteral("8"), QStringLiteral("12") }),
        column(QStringLiteral("SELECT sn_docmail FROM z_sname"), QStringLiteral("sn_docmail")));
    EXPECT_EQ(QStringLiteral("o'neil@example.com"),
        column(QStringLiteral("SELECT sn_email FROM z_sname WHERE sn_account = 'B002'"),
            QStringLiteral("sn_email"))
            .value(0));

    EXPECT_EQ(QStringList({ QStringLiteral("D1"), QStringLiteral("D2") }),
        column(QStringLiteral(" SELECT DISTINCT   it_numinv ,   it_numdelv   FROM Z_itran   "
                              "WHERE !empty(it_numinv)   ORDER BY it_numinv "),
            QStringLiteral("it_numdelv")));
    EXPECT_EQ(QStringList({ QStringLiteral("D5") }),
        column(QStringLiteral(" SELECT DISTINCT   ih_credit ,   ih_deliv   FROM Z_ihead   "
                              "WHERE !empty(ih_credit)   ORDER BY ih_credit "),
            QStringLiteral("ih_deliv")));
}

TEST_F(EndToEnd, ShellPrintsRowsOrTheErrorWithAStatus)
{
    QProcess shell;
    shell.start(QStringLiteral(VFPSQL_PATH),
        { m_folder + QStringLiteral("/COMP_Z.DBC"),
            QStringLiteral("SELECT sn_account, sn_docmail FROM z_sname WHERE sn_docmail >= 8") });
    ASSERT_TRUE(shell.waitForFinished(30000));
    EXPECT_EQ(0, shell.exitCode());
    EXPECT_EQ(
        QByteArray("sn_account\tsn_docmail\nA001\t8\nC003\t12\n"), shell.readAllStandardOutput());

    shell.start(QStringLiteral(VFPSQL_PATH),
        { m_folder,
            QStringLiteral("UPDATE z_sname SET sn_docmail = 3 WHERE sn_account = 'C003'") });
    ASSERT_TRUE(shell.waitForFinished(30000));
    EXPECT_EQ(QByteArray("1 record(s) changed\n"), shell.readAllStandardOutput());

    shell.start(QStringLiteral(VFPSQL_PATH), { m_folder, QStringLiteral("SELECT * FORM z_sname") });
    ASSERT_TRUE(shell.waitForFinished(30000));
    EXPECT_EQ(1, shell.exitCode());
    EXPECT_EQ(
        QByteArray("vfpsql: near \"FORM\": syntax error at 10\n"), shell.readAllStandardError());
    EXPECT_TRUE(shell.readAllStandardOutput().isEmpty());
}

} // namespace
