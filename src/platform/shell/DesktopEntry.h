#pragma once

#include <QString>
#include <QStringList>

// Desktop entries (the .desktop files that register applications): finding one by its id and
// forming the command line that opens files with it.
namespace DesktopEntry {

// The entry's file in the first of these application folders that holds it; empty when none.
QString Find(const QString &id, const QStringList &applicationDirs);

// The program and arguments of the entry's Exec line with the files put in place of its field
// codes (appended when it has none); empty when the entry has no Exec line.
QStringList Command(const QString &entryFile, const QStringList &files);

// Splits an Exec value into arguments: blanks separate, double quotes group, and a backslash
// inside quotes escapes the next character.
QStringList SplitExec(const QString &exec);

} // namespace DesktopEntry
