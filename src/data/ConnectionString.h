#pragma once

#include <QString>

// The company database's connection string and the company table names.

// Everything after the company identifier, empty values included.
extern const QString ConnectionStringTail;

// "Provider=VFPOLEDB.1;Data Source=" + folder + "\COMP_" + company + tail; both values as typed.
QString ComposeConnectionString(const QString &dataFolder, const QString &companyId);

// The label text after the compose-or-keep rule of the set-source command: a label that is
// "<None>" or blank is replaced by a composed string, unless the folder or company is blank;
// any other text is kept as it is.
QString ComposeOrKeepConnectionString(
    const QString &labelText, const QString &dataFolder, const QString &companyId);

// A company table: identifier, "_", base name (the base name's letter case is the caller's).
QString CompanyTable(const QString &companyId, const QString &baseName);

// The template for a chosen database container file instead of a folder and company:
// "Provider=VFPOLEDB.1;Data Source=" + the file's path + the tail after ".DBC".
QString ComposeConnectionStringForContainer(const QString &containerPath);
