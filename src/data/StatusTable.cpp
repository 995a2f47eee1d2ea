#include "data/StatusTable.h"

#include "util/UtilMisc.h"

namespace {

const QString Backslash = QStringLiteral("\\");
const QString DoubleBackslash = QStringLiteral("\\\\");
const QString ScriptLineBreak = QStringLiteral("   +CHR(13)+CHR(10)+");

QString CollapseSeparators(const QString &path)
{
    return ReplaceAll(path, DoubleBackslash, Backslash);
}

QString IdColumnPiece(StatusFlag flag)
{
    return flag == StatusFlag::Printed ? QStringLiteral(" ST_ID       , ")
                                       : QStringLiteral(" ST_ID      , ");
}

QString FlagColumnPiece(StatusFlag flag)
{
    switch (flag) {
    case StatusFlag::Tag:
        return QStringLiteral(" ST_ZRQTAG    ");
    case StatusFlag::Sent:
        return QStringLiteral(" ST_ZRQSENT   ");
    case StatusFlag::Printed:
        return QStringLiteral(" ST_ZRQPRNT    ");
    }
    return {};
}

} // namespace

QString StatusTableName(const QString &companyId)
{
    return companyId + QStringLiteral("_ST_ZRQ");
}

const QString TagAllAssignment = QStringLiteral(" st_zrqtag =  1 ");
const QString TagNoneAssignment = QStringLiteral(" st_zrqtag = 0 ");
const QString MarkSentAssignment = QStringLiteral(" st_zrqsent = 1 ");
const QString MarkPrintedAssignment = QStringLiteral(" st_zrqprnt = 1 ");

QString StatusTableFilePath(
    const QString &dataFolder, const QString &companyId, const QString &extension)
{
    return CollapseSeparators(dataFolder + Backslash + StatusTableName(companyId) + extension);
}

QString StatusTableCreationScript(const QString &dataFolder, const QString &companyId)
{
    return QStringLiteral("EXECSCRIPT([SET DEFAULT TO \"") + CollapseSeparators(dataFolder)
        + QStringLiteral("\"]") + ScriptLineBreak + QStringLiteral("[CREATE TABLE ") + companyId
        + QStringLiteral("_ST_ZRQ FREE ") + QStringLiteral(" (ST_ID        N(10,0) , ")
        + QStringLiteral("  ST_ZRQTAG    L(1)    , ") + QStringLiteral("  ST_ZRQSENT   L(1)    , ")
        + QStringLiteral("  ST_ZRQPRNT   L(1)  )]") + ScriptLineBreak + QStringLiteral("[USE ")
        + companyId + QStringLiteral("_ST_ZRQ EXCLUSIVE]") + ScriptLineBreak
        + QStringLiteral("[INDEX ON ST_ID TAG ST_ZRQ1]") + ScriptLineBreak
        + QStringLiteral("[CLOSE ALL])");
}

QString StatusCheckText(const QString &companyId, const QString &documentNumber)
{
    return QStringLiteral(" SELECT * FROM ") + companyId + QStringLiteral("_ST_ZRQ WHERE st_ID = ")
        + documentNumber;
}

QString StatusInsertText(const QString &companyId, const QString &documentNumber, StatusFlag flag)
{
    return QStringLiteral("INSERT INTO ") + companyId + QStringLiteral("_ST_ZRQ ") + u'('
        + IdColumnPiece(flag) + FlagColumnPiece(flag) + u')' + QStringLiteral(" VALUES ") + u'('
        + documentNumber + QStringLiteral(", ") + QStringLiteral(" 0 ") + u')';
}

QString StatusUpdateText(
    const QString &companyId, const QString &documentNumber, const QString &assignment)
{
    return QStringLiteral("UPDATE ") + companyId + QStringLiteral("_ST_ZRQ ")
        + QStringLiteral(" SET ") + assignment + QStringLiteral(" WHERE st_ID = ") + documentNumber;
}

QString StatusAssignment(StatusFlag flag, const QString &value)
{
    switch (flag) {
    case StatusFlag::Tag:
        return QStringLiteral(" st_zrqtag = ") + value + u' ';
    case StatusFlag::Sent:
        return QStringLiteral(" st_zrqsent = ") + value + u' ';
    case StatusFlag::Printed:
        return QStringLiteral(" st_zrqprnt = ") + value + u' ';
    }
    return {};
}
