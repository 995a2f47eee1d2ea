#pragma once

#include "data/StatusTable.h"

#include <QString>

namespace db {
class Command;
class Query;
} // namespace db

// The status table's operations on the company connection, sending the texts of StatusTable.h
// exactly as composed.

// Sends the creation script when the table's .dbf or .cdx file is missing; nothing otherwise.
// Returns whether the script was sent.
bool EnsureStatusTable(
    db::Command &adoCommand, const QString &dataFolder, const QString &companyId);

// Makes sure the document has a row (inserted with the flag at 0) and then sets the flag with
// the assignment (StatusAssignment or one of the fixed texts of the bulk commands).
void SetStatusFlag(db::Query &qryChk, db::Command &adoCommand, const QString &companyId,
    const QString &documentNumber, StatusFlag flag, const QString &assignment);
// The same with the plain assignment for a value "0" or "1".
void SetStatusFlag(db::Query &qryChk, db::Command &adoCommand, const QString &companyId,
    const QString &documentNumber, StatusFlag flag, bool value);
// The update alone, for clearing a flag where a missing row changes nothing (Tag None).
void UpdateStatusFlag(db::Command &adoCommand, const QString &companyId,
    const QString &documentNumber, const QString &assignment);
