#pragma once

#include <QList>
#include <QString>

namespace db {
class Query;
}

// The file formats of the list export.
enum class ExportFormat {
    Tab, // tab-separated text
    Csv, // comma-separated text, every item quoted
    Workbook, // spreadsheet workbook (.xlsx)
};

// The query's fields that are written, in field order: the visible ones, or all.
QList<int> ExportColumns(const db::Query &query, bool allColumns);

// Writes a heading line and one line per row of the query, from its first row to its end, in
// Windows 1252 with CR LF line ends. The file is replaced only once all of it is written: on a
// failure (the file cannot be written, the query is closed) an existing file keeps its content
// and no partial file is left. Throws Exception with the reason. The query's cursor ends at its
// end.
void WriteDelimited(db::Query &query, const QString &path, ExportFormat format, bool allColumns);

// Writes the same columns as a workbook of one sheet: the heading row bold and frozen with an
// autofilter; texts without their trailing blanks and with LF line breaks, dates as dates, amounts
// as numbers with two decimals, logical values as booleans, nulls as empty cells. Replaced as a
// whole, like the text formats.
void WriteWorkbook(db::Query &query, const QString &path, bool allColumns);

// Excel's number format for a date format written the way QLocale writes them ("dd/MM/yyyy"
// becomes "dd/mm/yyyy").
QString WorkbookDateFormat(const QString &qtFormat);
