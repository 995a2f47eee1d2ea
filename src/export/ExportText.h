#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Text rules of the list export: the Save To path pieces and the items of a delimited line.
namespace ExportText {

// Folder separators: both slashes are accepted, as typed paths may come from either platform.
bool IsSeparator(QChar c);
// The part after the last separator (the whole text when there is none).
QString FileNamePart(const QString &path);
// The part up to and including the last separator (empty when there is none).
QString FolderPart(const QString &path);
// Replaces the extension of the file-name part (from its last dot) or adds one.
QString ChangeExtension(const QString &path, const QString &extension);
// The folder, a separator and the name, with runs of separators reduced to one. A leading pair
// of separators is kept: it names a network share, and one of them would name another path.
QString JoinFolder(const QString &folder, const QString &name);

// A row item as written: with quoting, enclosed in double quotes with inner quotes doubled; then
// every CR LF pair becomes one space and every tab five spaces. Lone CRs and LFs stay.
QString RowItem(const QString &value, bool quote);
// A heading item: quoted like a row item, never altered otherwise.
QString HeadingItem(const QString &label, bool quote);

// Appends the text in Windows code page 1252, the code page of the company's tables; a
// character the code page cannot hold is written as "?".
void AppendCp1252(QByteArray &out, QStringView text);

} // namespace ExportText
