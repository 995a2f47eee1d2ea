#pragma once

#include "data/StatusTable.h"
#include "review/MemSTran.h"

#include <QSet>
#include <QString>

#include <functional>

namespace db {
class Command;
class Query;
} // namespace db

// The review commands that write a row's change to the database. Each one sends its statements
// first and changes the row only once they have all succeeded, so a rejected statement (its
// error propagates) leaves the row as it was.

// Where the commands write: the company connection's check query and command.
struct ReviewWriter
{
    db::Query &qryChk;
    db::Command &command;
    QString companyId;
};

// Lets pending window messages through between rows.
using LetMessagesThrough = std::function<void()>;

// The review row's field that mirrors a status flag.
ReviewField FlagField(StatusFlag flag);

// F2, F3, F4 and Mark/UnMark: flips the flag of the current row.
void FlipCurrentFlag(MemSTran &list, const ReviewWriter &writer, StatusFlag flag);
// F6: switches the current row's customer between e-mailed and printed documents.
void SwitchCurrentDelivery(MemSTran &list, const ReviewWriter &writer);
// The address amendment: writes the customer's new address and shows it in the current row.
void AmendCurrentEmail(MemSTran &list, const ReviewWriter &writer, const QString &address);

// The list-wide commands walk the list from its first row to its last, letting messages through
// after each row, and leave the last row current. On a closed list they fail before changing
// anything.

// Tag All: every row tagged, a status row inserted where one is missing.
void TagAllRows(MemSTran &list, const ReviewWriter &writer, const LetMessagesThrough &pump);
// Tag None: every row untagged; documents without a status row are untagged already.
void TagNoneRows(MemSTran &list, const ReviewWriter &writer, const LetMessagesThrough &pump);
// Mark/UnMark as Sent or as Printed: each tagged row's flag flipped on its own.
void FlipTaggedFlags(
    MemSTran &list, const ReviewWriter &writer, StatusFlag flag, const LetMessagesThrough &pump);
// Set eMail Flags where Addressed: tagged rows with an address whose customer does not get
// e-mailed documents yet are switched to e-mail.
void SetMailFlagsWhereAddressed(
    MemSTran &list, const ReviewWriter &writer, const LetMessagesThrough &pump);

// After Send Tagged or Print Tagged: sets the sent (or printed) flag of every tagged row whose
// document the run handed over. Documents the run could not hand over stay unmarked.
void MarkDispatchedRows(MemSTran &list, const ReviewWriter &writer, StatusFlag flag,
    const QSet<qint64> &dispatched, const LetMessagesThrough &pump);
