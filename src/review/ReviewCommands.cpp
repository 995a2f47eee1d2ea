#include "review/ReviewCommands.h"

#include "data/StatusTableOps.h"
#include "platform/database/Command.h"
#include "review/CustomerStatements.h"
#include "util/UtilMisc.h"

namespace {

QString DocumentNumber(const ReviewRow &row)
{
    return row.text(ReviewField::id);
}

void StoreField(MemSTran &list, ReviewField field, const QVariant &value)
{
    list.edit();
    list.setValue(field, value);
    list.post();
}

// Visits every row from the first; the last row stays current.
template <typename Visit> void WalkList(MemSTran &list, const LetMessagesThrough &pump, Visit visit)
{
    list.first();
    while (!list.eof()) {
        visit();
        if (pump)
            pump();
        list.next();
    }
}

const QString &MarkAssignment(StatusFlag flag)
{
    return flag == StatusFlag::Printed ? MarkPrintedAssignment : MarkSentAssignment;
}

} // namespace

ReviewField FlagField(StatusFlag flag)
{
    switch (flag) {
    case StatusFlag::Tag:
        return ReviewField::Tag;
    case StatusFlag::Sent:
        return ReviewField::zrqsent;
    case StatusFlag::Printed:
        return ReviewField::zrqprint;
    }
    return ReviewField::Tag;
}

void FlipCurrentFlag(MemSTran &list, const ReviewWriter &writer, StatusFlag flag)
{
    const ReviewRow &row = list.current();
    const ReviewField field = FlagField(flag);
    const bool value = !row.value(field).toBool();
    SetStatusFlag(
        writer.qryChk, writer.command, writer.companyId, DocumentNumber(row), flag, value);
    StoreField(list, field, value);
}

void SwitchCurrentDelivery(MemSTran &list, const ReviewWriter &writer)
{
    const ReviewRow &row = list.current();
    const int docmail = SwitchedDocmail(row.sn_docmail);
    const bool mailInv = !row.MailInv;
    writer.command.execute(DocmailUpdateText(writer.companyId, row.st_account, docmail));
    list.edit();
    list.setValue(ReviewField::MailInv, mailInv);
    list.setValue(ReviewField::sn_docmail, docmail);
    list.post();
}

void AmendCurrentEmail(MemSTran &list, const ReviewWriter &writer, const QString &address)
{
    writer.command.execute(EmailUpdateText(writer.companyId, list.current().st_account, address));
    StoreField(list, ReviewField::sn_email, address);
}

void TagAllRows(MemSTran &list, const ReviewWriter &writer, const LetMessagesThrough &pump)
{
    WalkList(list, pump, [&] {
        SetStatusFlag(writer.qryChk, writer.command, writer.companyId,
            DocumentNumber(list.current()), StatusFlag::Tag, TagAllAssignment);
        StoreField(list, ReviewField::Tag, true);
    });
}

void TagNoneRows(MemSTran &list, const ReviewWriter &writer, const LetMessagesThrough &pump)
{
    WalkList(list, pump, [&] {
        UpdateStatusFlag(
            writer.command, writer.companyId, DocumentNumber(list.current()), TagNoneAssignment);
        StoreField(list, ReviewField::Tag, false);
    });
}

void FlipTaggedFlags(
    MemSTran &list, const ReviewWriter &writer, StatusFlag flag, const LetMessagesThrough &pump)
{
    WalkList(list, pump, [&] {
        if (list.current().Tag)
            FlipCurrentFlag(list, writer, flag);
    });
}

void SetMailFlagsWhereAddressed(
    MemSTran &list, const ReviewWriter &writer, const LetMessagesThrough &pump)
{
    WalkList(list, pump, [&] {
        const ReviewRow &row = list.current();
        if (row.Tag && !row.MailInv && !IsBlank(row.sn_email))
            SwitchCurrentDelivery(list, writer);
    });
}

void MarkDispatchedRows(MemSTran &list, const ReviewWriter &writer, StatusFlag flag,
    const QSet<qint64> &dispatched, const LetMessagesThrough &pump)
{
    WalkList(list, pump, [&] {
        const ReviewRow &row = list.current();
        if (!row.Tag || !dispatched.contains(row.id))
            return;
        SetStatusFlag(writer.qryChk, writer.command, writer.companyId, DocumentNumber(row), flag,
            MarkAssignment(flag));
        StoreField(list, FlagField(flag), true);
    });
}
