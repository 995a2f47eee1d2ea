#include "export/ExportWriter.h"

#include "export/ExportText.h"
#include "platform/database/Query.h"
#include "util/Errors.h"

#include <QSaveFile>

QList<int> ExportColumns(const db::Query &query, bool allColumns)
{
    QList<int> columns;
    const QList<db::FieldDef> &fields = query.fields();
    for (int i = 0; i < fields.size(); ++i) {
        if (allColumns || fields.at(i).visible)
            columns.append(i);
    }
    return columns;
}

namespace {

constexpr qsizetype FlushSize = 1 << 16;

[[noreturn]] void WriteError(const QString &path, const QString &reason)
{
    throw Exception(
        QStringLiteral("Cannot create file \"") + path + QStringLiteral("\". ") + reason);
}

void Flush(QSaveFile &file, QByteArray &buffer, const QString &path)
{
    if (file.write(buffer) != buffer.size())
        WriteError(path, file.errorString());
    buffer.clear();
}

} // namespace

void WriteDelimited(db::Query &query, const QString &path, ExportFormat format, bool allColumns)
{
    const bool quote = format == ExportFormat::Csv;
    const char separator = quote ? ',' : '\t';
    const QList<int> columns = ExportColumns(query, allColumns);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        WriteError(path, file.errorString());

    QByteArray buffer;
    buffer.reserve(FlushSize + 4096);
    for (qsizetype k = 0; k < columns.size(); ++k) {
        if (k > 0)
            buffer.append(separator);
        ExportText::AppendCp1252(
            buffer, ExportText::HeadingItem(query.fields().at(columns[k]).displayLabel(), quote));
    }
    buffer.append("\r\n");

    query.first();
    while (!query.eof()) {
        for (qsizetype k = 0; k < columns.size(); ++k) {
            if (k > 0)
                buffer.append(separator);
            const QString value = query.field(columns[k]).asString();
            ExportText::AppendCp1252(buffer, ExportText::RowItem(value, quote));
        }
        buffer.append("\r\n");
        if (buffer.size() >= FlushSize)
            Flush(file, buffer, path);
        query.next();
    }
    Flush(file, buffer, path);
    if (!file.commit())
        WriteError(path, file.errorString());
}
