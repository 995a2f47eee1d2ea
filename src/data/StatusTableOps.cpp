#include "data/StatusTableOps.h"

#include "data/HostPath.h"
#include "platform/database/Command.h"
#include "platform/database/Connection.h"
#include "platform/database/Query.h"

namespace {

// The status table is the program's own: a writer killed mid-append may have left its index
// short of a record, so the engine checks the index when it opens the table.
void NoteOwnTable(db::Command &adoCommand, const QString &companyId)
{
    adoCommand.connection().markOwnTable(StatusTableName(companyId));
}

} // namespace

bool EnsureStatusTable(db::Command &adoCommand, const QString &dataFolder, const QString &companyId)
{
    NoteOwnTable(adoCommand, companyId);
    const QString table = StatusTableFilePath(dataFolder, companyId, QStringLiteral(".dbf"));
    if (HostFileExists(table)) {
        const QString index = StatusTableFilePath(dataFolder, companyId, QStringLiteral(".cdx"));
        if (HostFileExists(index))
            return false;
    }
    adoCommand.execute(StatusTableCreationScript(dataFolder, companyId));
    return true;
}

void SetStatusFlag(db::Query &qryChk, db::Command &adoCommand, const QString &companyId,
    const QString &documentNumber, StatusFlag flag, const QString &assignment)
{
    NoteOwnTable(adoCommand, companyId);
    qryChk.close();
    qryChk.setSql(StatusCheckText(companyId, documentNumber));
    qryChk.open();
    const bool missing = qryChk.recordCount() == 0;
    if (missing)
        adoCommand.execute(StatusInsertText(companyId, documentNumber, flag));
    qryChk.close();
    UpdateStatusFlag(adoCommand, companyId, documentNumber, assignment);
}

void SetStatusFlag(db::Query &qryChk, db::Command &adoCommand, const QString &companyId,
    const QString &documentNumber, StatusFlag flag, bool value)
{
    SetStatusFlag(qryChk, adoCommand, companyId, documentNumber, flag,
        StatusAssignment(flag, value ? QStringLiteral("1") : QStringLiteral("0")));
}

void UpdateStatusFlag(db::Command &adoCommand, const QString &companyId,
    const QString &documentNumber, const QString &assignment)
{
    NoteOwnTable(adoCommand, companyId);
    adoCommand.execute(StatusUpdateText(companyId, documentNumber, assignment));
}
