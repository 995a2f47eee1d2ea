#pragma once

// Helpers shared by the storage tests: canonical value texts (the same form dbfread_dump.py
// prints), running the python cross-check scripts, and file bytes.

#include "platform/database/vfp/Table.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace vfp {
class DbfTable;
}

namespace vfptest {

// "S:text" (trailing blanks dropped), "N:%.6f", "L:T", "D:YYYYMMDD", "T:YYYYMMDD HH:MM:SS.mmm",
// "NULL".
std::string Canonical(const vfp::Value &value);

// Rows as the engine reads them: "live"/"deleted" followed by canonical values, live first.
std::vector<std::vector<std::string>> EngineRows(const vfp::Table &table);
// Rows as dbfread reads them (dbfread_dump.py).
std::vector<std::vector<std::string>> DbfreadRows(
    const std::string &path, const std::string &encoding);

// Runs /usr/bin/python3 with a script from this folder; fails the test on a non-zero exit.
QString RunPython(const QString &script, const QStringList &arguments, int *exitCode = nullptr);

// Every tag the engine can evaluate holds exactly the keys computed from the records (test
// failures otherwise); returns how many tags were compared.
int ExpectIndexMatchesRecords(const vfp::DbfTable &table);

// What a reader relies on: every key the index holds names a counted record whose own key it
// is. Keys may be missing (a record whose writer died before indexing it).
void ExpectEveryKeyOnItsRecord(const vfp::DbfTable &table);

std::string ReadBytes(const std::string &path);
void WriteBytes(const std::string &path, const std::string &bytes);
std::string FixturePath(const std::string &relative);

} // namespace vfptest
