#include "export/ExportWriter.h"

#include "platform/database/Query.h"
#include "util/Errors.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <algorithm>
#include <vector>

QString WorkbookDateFormat(const QString &qtFormat)
{
    QString out;
    for (qsizetype i = 0; i < qtFormat.size(); ++i) {
        const QChar c = qtFormat.at(i);
        if (c == u'\'') {
            // Quoted literal text; two quotes stand for one.
            const qsizetype end = qtFormat.indexOf(u'\'', i + 1);
            const QString literal = qtFormat.mid(i + 1, (end < 0 ? qtFormat.size() : end) - i - 1);
            out += literal.isEmpty() ? QStringLiteral("\\'")
                                     : QStringLiteral("\"") + literal + QStringLiteral("\"");
            i = end < 0 ? qtFormat.size() : end;
        } else if (c == u'M') {
            out += u'm';
        } else if (c == u'H') {
            out += u'h';
        } else if ((c == u'A' || c == u'a') && i + 1 < qtFormat.size()
            && (qtFormat.at(i + 1) == u'P' || qtFormat.at(i + 1) == u'p')) {
            out += QStringLiteral("AM/PM");
            ++i;
        } else if (c == u't' || c == u'z') {
            // Time zones and milliseconds have no place in a cell format.
        } else {
            out += c;
        }
    }
    return out.trimmed();
}

namespace {

constexpr int MaxTextLength = 32767; // the longest text a cell holds
constexpr lxw_row_t MaxRows = 1048576;
constexpr int MaxColumnWidth = 80;

[[noreturn]] void WorkbookError(const QString &path, const QString &reason)
{
    throw Exception(
        QStringLiteral("Cannot create file \"") + path + QStringLiteral("\". ") + reason);
}

// A cell's text: without the trailing blanks of a fixed-width field, and with its line breaks
// as the single LF a cell breaks lines with (the file format would turn a CR into one anyway).
QString CellText(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == u' ')
        --end;
    QString cell = end == text.size() ? text : text.left(end);
    if (cell.contains(u'\r')) {
        cell.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        cell.replace(u'\r', u'\n');
    }
    return cell.left(MaxTextLength);
}

// A sheet named after the file, without the characters a sheet name may not hold.
QByteArray SheetName(const QString &path)
{
    QString name = QFileInfo(path).completeBaseName();
    static const QString forbidden = QStringLiteral("[]:*?/\\");
    name.removeIf([](QChar c) { return forbidden.contains(c) || c.unicode() < 0x20; });
    while (name.startsWith(u'\''))
        name.remove(0, 1);
    while (name.endsWith(u'\''))
        name.chop(1);
    name = name.left(31);
    return name.isEmpty() ? QByteArrayLiteral("Sheet1") : name.toUtf8();
}

lxw_datetime CellDateTime(const QDate &date, const QTime &time = QTime(0, 0))
{
    return { date.year(), date.month(), date.day(), time.hour(), time.minute(),
        time.second() + time.msec() / 1000.0 };
}

// Frees the workbook however the writing ends; closing writes its file.
class Workbook
{
public:
    explicit Workbook(const QByteArray &file)
    {
        lxw_workbook_options options {};
        options.constant_memory = LXW_TRUE;
        m_book = workbook_new_opt(file.constData(), &options);
    }
    ~Workbook()
    {
        if (m_book)
            workbook_close(m_book);
    }
    Workbook(const Workbook &) = delete;
    Workbook &operator=(const Workbook &) = delete;

    lxw_workbook *get() const { return m_book; }
    lxw_error close()
    {
        lxw_workbook *book = m_book;
        m_book = nullptr;
        return workbook_close(book);
    }

private:
    lxw_workbook *m_book = nullptr;
};

struct ColumnFormat
{
    lxw_format *format = nullptr;
    int width = 0; // widest content in characters
};

lxw_format *NumberFormat(lxw_workbook *book, const QString &text)
{
    lxw_format *format = workbook_add_format(book);
    format_set_num_format(format, text.toUtf8().constData());
    return format;
}

void CheckCell(lxw_error error, const QString &path)
{
    if (error != LXW_NO_ERROR)
        WorkbookError(path, QString::fromUtf8(lxw_strerror(error)));
}

} // namespace

void WriteWorkbook(db::Query &query, const QString &path, bool allColumns)
{
    const QList<int> columns = ExportColumns(query, allColumns);
    if (static_cast<lxw_row_t>(query.recordCount()) >= MaxRows)
        WorkbookError(path, QStringLiteral("The list has more rows than a worksheet holds."));

    // The workbook is written to a file of its own first, then copied over the target whole.
    QTemporaryFile staged(QDir::tempPath() + QStringLiteral("/velloran-export-XXXXXX.xlsx"));
    if (!staged.open())
        WorkbookError(path, staged.errorString());
    staged.close();
    Workbook book(QFile::encodeName(staged.fileName()));
    if (!book.get())
        WorkbookError(path, QStringLiteral("The workbook could not be started."));
    lxw_worksheet *sheet = workbook_add_worksheet(book.get(), SheetName(path).constData());

    const QLocale locale;
    lxw_format *bold = workbook_add_format(book.get());
    format_set_bold(bold);
    lxw_format *dateFormat
        = NumberFormat(book.get(), WorkbookDateFormat(locale.dateFormat(QLocale::ShortFormat)));
    lxw_format *dateTimeFormat
        = NumberFormat(book.get(), WorkbookDateFormat(locale.dateTimeFormat(QLocale::ShortFormat)));

    std::vector<ColumnFormat> formats(static_cast<size_t>(columns.size()));
    for (qsizetype k = 0; k < columns.size(); ++k) {
        const db::FieldDef &def = query.fields().at(columns[k]);
        ColumnFormat &column = formats[static_cast<size_t>(k)];
        const QString label = def.displayLabel();
        // Room for the autofilter's button beside the heading.
        column.width = static_cast<int>(label.size()) + 3;
        if (def.type == db::FieldType::Date) {
            column.format = dateFormat;
        } else if (def.type == db::FieldType::DateTime) {
            column.format = dateTimeFormat;
        } else if (def.type == db::FieldType::Float && def.decimals > 0) {
            column.format
                = NumberFormat(book.get(), QStringLiteral("0.") + QString(def.decimals, u'0'));
        }
        CheckCell(worksheet_write_string(
                      sheet, 0, static_cast<lxw_col_t>(k), label.toUtf8().constData(), bold),
            path);
    }

    lxw_row_t row = 1;
    query.first();
    while (!query.eof()) {
        for (qsizetype k = 0; k < columns.size(); ++k) {
            const auto col = static_cast<lxw_col_t>(k);
            ColumnFormat &column = formats[static_cast<size_t>(k)];
            const db::Field field = query.field(columns[k]);
            const QVariant value = field.asVariant();
            int width = 0;
            lxw_error error = LXW_NO_ERROR;
            switch (value.typeId()) {
            case QMetaType::QString: {
                const QString text = CellText(value.toString());
                width = static_cast<int>(text.size());
                if (!text.isEmpty())
                    error = worksheet_write_string(
                        sheet, row, col, text.toUtf8().constData(), nullptr);
                break;
            }
            case QMetaType::Double: {
                const double number = value.toDouble();
                width = static_cast<int>(QString::number(number, 'f', field.def().decimals).size());
                error = worksheet_write_number(sheet, row, col, number, column.format);
                break;
            }
            case QMetaType::LongLong:
                width = static_cast<int>(QString::number(value.toLongLong()).size());
                error = worksheet_write_number(
                    sheet, row, col, static_cast<double>(value.toLongLong()), nullptr);
                break;
            case QMetaType::Bool:
                width = 5;
                error = worksheet_write_boolean(sheet, row, col, value.toBool() ? 1 : 0, nullptr);
                break;
            case QMetaType::QDate:
                if (value.toDate().isValid()) {
                    lxw_datetime when = CellDateTime(value.toDate());
                    width = 10;
                    error = worksheet_write_datetime(sheet, row, col, &when, column.format);
                }
                break;
            case QMetaType::QDateTime:
                if (value.toDateTime().isValid()) {
                    const QDateTime stamp = value.toDateTime();
                    lxw_datetime when = CellDateTime(stamp.date(), stamp.time());
                    width = 19;
                    error = worksheet_write_datetime(sheet, row, col, &when, column.format);
                }
                break;
            default:
                break; // null: an empty cell
            }
            CheckCell(error, path);
            column.width = std::max(column.width, width);
        }
        ++row;
        query.next();
    }

    for (qsizetype k = 0; k < columns.size(); ++k) {
        const auto col = static_cast<lxw_col_t>(k);
        const int width = std::min(formats[static_cast<size_t>(k)].width + 1, MaxColumnWidth);
        worksheet_set_column(sheet, col, col, width, nullptr);
    }
    worksheet_freeze_panes(sheet, 1, 0);
    if (!columns.isEmpty())
        worksheet_autofilter(sheet, 0, 0, row - 1, static_cast<lxw_col_t>(columns.size() - 1));

    const lxw_error closed = book.close();
    if (closed != LXW_NO_ERROR)
        WorkbookError(path, QString::fromUtf8(lxw_strerror(closed)));

    QFile written(staged.fileName());
    QSaveFile target(path);
    if (!written.open(QIODevice::ReadOnly))
        WorkbookError(path, written.errorString());
    if (!target.open(QIODevice::WriteOnly))
        WorkbookError(path, target.errorString());
    while (!written.atEnd()) {
        const QByteArray block = written.read(1 << 20);
        if (block.isEmpty() || target.write(block) != block.size())
            WorkbookError(path, target.errorString());
    }
    if (!target.commit())
        WorkbookError(path, target.errorString());
}
