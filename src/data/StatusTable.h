#pragma once

#include <QString>

// The document status table <id>_ST_ZRQ: its files, its creation script and the statements of
// the one write rule. Texts are composed piece by piece, blanks included.

enum class StatusFlag { Tag, Sent, Printed };

// "<id>_ST_ZRQ"
QString StatusTableName(const QString &companyId);

// "<folder>\<id>_ST_ZRQ<extension>" with every run of backslashes collapsed to one.
QString StatusTableFilePath(
    const QString &dataFolder, const QString &companyId, const QString &extension);

// The single EXECSCRIPT command that creates the free table and its index tag.
QString StatusTableCreationScript(const QString &dataFolder, const QString &companyId);

// " SELECT * FROM <id>_ST_ZRQ WHERE st_ID = <document>"
QString StatusCheckText(const QString &companyId, const QString &documentNumber);
// The insert of a new row, the flag being set starting at 0.
QString StatusInsertText(const QString &companyId, const QString &documentNumber, StatusFlag flag);
// "UPDATE <id>_ST_ZRQ  SET <assignment> WHERE st_ID = <document>"
QString StatusUpdateText(
    const QString &companyId, const QString &documentNumber, const QString &assignment);

// " st_zrq... = " + value + " " for a value text "0" or "1".
QString StatusAssignment(StatusFlag flag, const QString &value);

// Fixed assignment texts of the bulk commands.
extern const QString TagAllAssignment; // " st_zrqtag =  1 "
extern const QString TagNoneAssignment; // " st_zrqtag = 0 "
extern const QString MarkSentAssignment; // " st_zrqsent = 1 "
extern const QString MarkPrintedAssignment; // " st_zrqprnt = 1 "
