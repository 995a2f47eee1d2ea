#include "ExportCompany.h"

#include "export/ExportWriter.h"
#include "util/Errors.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {

// The CSV form of the expected file, spelled out: every item quoted, inner quotes doubled,
// empty and null items as two quotes.
QByteArray ExpectedCsv()
{
    const auto blanks = [](int n) { return QByteArray(n, ' '); };
    return QByteArray("\"Name\",\"Date\",\"Gross\",\"st_paid\",\"Stop\",\"Memo\"\r\n")
        + "\"Caf\xE9 No\xEBl \xA3"
          "5 \x80"
          "9"
        + blanks(15) + "\",\"05/03/2024\",\"100\",\"P\",\"False\",\"INV001.pdf\"\r\n"
        + "\"Say \"\"Hi\"\"     Tab" + blanks(18)
        + "\",\"31/12/2024\",\"12.5\",\" \",\"False\",\"a b     c\"\r\n" + "\"Line Break Ltd"
        + blanks(15) + "\",\"02/01/2025\",\"-9.99\",\" \",\"False\",\"x\ry\nz\"\r\n"
        + "\"\",\"03/02/2025\",\"0.05\",\" \",\"\",\"\"\r\n";
}

} // namespace

TEST_F(ExportCompanyTest, TabFileIsWrittenByteForByte)
{
    const QString path = m_dir.file(QStringLiteral("list.TXT"));
    WriteDelimited(query(), path, ExportFormat::Tab, false);
    EXPECT_EQ(ReadFile(path), ExpectedTab());
    EXPECT_TRUE(query().eof()); // the cursor is left at the end
}

TEST_F(ExportCompanyTest, CsvFileQuotesEveryItemAndDoublesQuotes)
{
    const QString path = m_dir.file(QStringLiteral("list.CSV"));
    WriteDelimited(query(), path, ExportFormat::Csv, false);
    EXPECT_EQ(ReadFile(path), ExpectedCsv());
}

TEST_F(ExportCompanyTest, AllColumnsBringBackTheHiddenFirstAndLastFields)
{
    const QString path = m_dir.file(QStringLiteral("all.TXT"));
    WriteDelimited(query(), path, ExportFormat::Tab, true);
    const QList<QByteArray> lines = ReadFile(path).split('\n');
    EXPECT_EQ(lines.at(0), QByteArray("Account\tName\tDate\tGross\tst_paid\tStop\tMemo\tid\r"));
    EXPECT_TRUE(lines.at(1).startsWith("A001    \tCaf\xE9"));
    EXPECT_TRUE(lines.at(1).endsWith("\tINV001.pdf\t1\r"));
}

TEST_F(ExportCompanyTest, ReexportingAfterTheCursorMovedStartsFromTheFirstRow)
{
    query().next();
    query().next();
    const QString path = m_dir.file(QStringLiteral("again.TXT"));
    WriteDelimited(query(), path, ExportFormat::Tab, false);
    EXPECT_EQ(ReadFile(path), ExpectedTab());
}

// A failed export must not destroy the file the user agreed to overwrite, nor leave half a file.
TEST_F(ExportCompanyTest, FailuresLeaveAnExistingFileAsItWas)
{
    const QString path = m_dir.file(QStringLiteral("kept.TXT"));
    WriteFile(path, "previous content");
    query().close();
    EXPECT_THROW(WriteDelimited(query(), path, ExportFormat::Tab, false), Exception);
    EXPECT_THROW(WriteWorkbook(query(), path, false), Exception);
    EXPECT_EQ(ReadFile(path), QByteArray("previous content"));
    EXPECT_EQ(
        QDir(m_dir.path()).entryList(QDir::Files), QStringList { QStringLiteral("kept.TXT") });

    query().open();
    const QString missingFolder = m_dir.file(QStringLiteral("no/such/folder/list.TXT"));
    try {
        WriteDelimited(query(), missingFolder, ExportFormat::Tab, false);
        FAIL() << "a file in a missing folder was reported written";
    } catch (const Exception &error) {
        EXPECT_TRUE(error.message().contains(missingFolder)) << error.message().toStdString();
    }
}

namespace {

// Reads a workbook with openpyxl: every cell's type and value, and the sheet's settings.
QJsonObject ReadWorkbook(const QString &path)
{
    static const char *const script = R"(
import json, sys, datetime, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.active
rows = []
for row in ws.iter_rows():
    cells = []
    for c in row:
        v = c.value
        if isinstance(v, datetime.datetime):
            v = v.strftime('%Y-%m-%d %H:%M:%S')
        kind = type(c.value).__name__
        cells.append({'type': 'number' if kind in ('int', 'float') else kind, 'value': v, 'format': c.number_format,
                      'bold': bool(c.font.b)})
    rows.append(cells)
widths = {k: d.width for k, d in ws.column_dimensions.items()}
print(json.dumps({'rows': rows, 'freeze': ws.freeze_panes, 'filter': ws.auto_filter.ref,
                  'widths': widths, 'max_row': ws.max_row}))
)";
    QProcess python;
    // Debian's interpreter, where python3-openpyxl is installed.
    python.start(QStringLiteral("/usr/bin/python3"),
        { QStringLiteral("-c"), QString::fromUtf8(script), path });
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        ADD_FAILURE() << python.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

} // namespace

TEST_F(ExportCompanyTest, WorkbookCellsHaveTheQueryTypesAndValues)
{
    const QString path = m_dir.file(QStringLiteral("list.XLSX"));
    WriteWorkbook(query(), path, false);
    const QJsonObject book = ReadWorkbook(path);
    const QJsonArray rows = book.value(QStringLiteral("rows")).toArray();
    ASSERT_EQ(rows.size(), 5);

    const QStringList heading { QStringLiteral("Name"), QStringLiteral("Date"),
        QStringLiteral("Gross"), QStringLiteral("st_paid"), QStringLiteral("Stop"),
        QStringLiteral("Memo") };
    const QJsonArray top = rows.at(0).toArray();
    ASSERT_EQ(top.size(), heading.size());
    for (int c = 0; c < heading.size(); ++c) {
        EXPECT_EQ(top.at(c)[QStringLiteral("value")].toString(), heading.at(c));
        EXPECT_TRUE(top.at(c)[QStringLiteral("bold")].toBool()) << c;
    }
    EXPECT_EQ(book.value(QStringLiteral("freeze")).toString(), QStringLiteral("A2"));
    EXPECT_EQ(book.value(QStringLiteral("filter")).toString(), QStringLiteral("A1:F5"));

    // Row by row against the query: texts without trailing blanks (a blank text is an empty
    // cell) and with LF line breaks, dates as dates, amounts as two-decimal numbers, logical values
    // as booleans.
    struct Cell
    {
        const char *type;
        QJsonValue value;
    };
    const QList<QList<Cell>> expected {
        { { "str", QStringLiteral("Caf\u00e9 No\u00ebl \u00a35 \u20ac9") },
            { "datetime", QStringLiteral("2024-03-05 00:00:00") }, { "number", 100.0 },
            { "str", QStringLiteral("P") }, { "bool", false },
            { "str", QStringLiteral("INV001.pdf") } },
        { { "str", QStringLiteral("Say \"Hi\"\tTab") },
            { "datetime", QStringLiteral("2024-12-31 00:00:00") }, { "number", 12.5 },
            { "NoneType", QJsonValue::Null }, { "bool", false },
            { "str", QStringLiteral("a\nb\tc") } },
        { { "str", QStringLiteral("Line\nBreak Ltd") },
            { "datetime", QStringLiteral("2025-01-02 00:00:00") }, { "number", -9.99 },
            { "NoneType", QJsonValue::Null }, { "bool", false },
            { "str", QStringLiteral("x\ny\nz") } },
        { { "NoneType", QJsonValue::Null }, { "datetime", QStringLiteral("2025-02-03 00:00:00") },
            { "number", 0.05 }, { "NoneType", QJsonValue::Null }, { "NoneType", QJsonValue::Null },
            { "NoneType", QJsonValue::Null } },
    };
    for (int r = 0; r < expected.size(); ++r) {
        const QJsonArray cells = rows.at(r + 1).toArray();
        for (int c = 0; c < expected[r].size(); ++c) {
            const QJsonObject cell = cells.at(c).toObject();
            EXPECT_EQ(cell[QStringLiteral("type")].toString().toStdString(),
                std::string(expected[r][c].type))
                << "row " << r << " column " << c;
            EXPECT_EQ(cell[QStringLiteral("value")], expected[r][c].value)
                << cell[QStringLiteral("value")].toVariant().toString().toStdString() << " row "
                << r << " column " << c;
        }
        EXPECT_EQ(cells.at(1)[QStringLiteral("format")].toString(), QStringLiteral("dd/mm/yyyy"));
        EXPECT_EQ(cells.at(2)[QStringLiteral("format")].toString(), QStringLiteral("0.00"));
        EXPECT_FALSE(cells.at(0)[QStringLiteral("bold")].toBool());
    }
    // Columns as wide as their widest content: the name column fits its longest trimmed name.
    const QJsonObject widths = book.value(QStringLiteral("widths")).toObject();
    EXPECT_GE(widths.value(QStringLiteral("A")).toDouble(), 15);
    EXPECT_LT(widths.value(QStringLiteral("A")).toDouble(), 30);
    EXPECT_GE(widths.value(QStringLiteral("B")).toDouble(), 10);
}

TEST(WorkbookDateFormat, QtDateFormatsBecomeCellFormats)
{
    EXPECT_EQ(WorkbookDateFormat(QStringLiteral("dd/MM/yyyy")), QStringLiteral("dd/mm/yyyy"));
    EXPECT_EQ(WorkbookDateFormat(QStringLiteral("M/d/yy")), QStringLiteral("m/d/yy"));
    EXPECT_EQ(
        WorkbookDateFormat(QStringLiteral("dd/MM/yyyy HH:mm")), QStringLiteral("dd/mm/yyyy hh:mm"));
    EXPECT_EQ(
        WorkbookDateFormat(QStringLiteral("d.M.yy h:mm AP")), QStringLiteral("d.m.yy h:mm AM/PM"));
    EXPECT_EQ(WorkbookDateFormat(QStringLiteral("yyyy'年'M'月'd'日'")),
        QStringLiteral("yyyy\"年\"m\"月\"d\"日\""));
}
