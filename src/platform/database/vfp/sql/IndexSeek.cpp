#include "platform/database/vfp/sql/IndexSeek.h"

#include <optional>
#include <vector>

namespace vfp::sql {

namespace {

bool IsNumericColumn(const Node &node, int slot, const RowState &state)
{
    return node.op == Node::Op::Column && state.columnSlot(node.column) == slot
        && (node.type.type == 'N' || node.type.type == 'I');
}

// A number literal, possibly negated: nothing that could fail to evaluate.
bool IsNumberConstant(const Node &node)
{
    if (node.op == Node::Op::Negate && node.args.size() == 1)
        return IsNumberConstant(*node.args[0]);
    return node.op == Node::Op::Literal && node.literal.isNumber();
}

std::optional<std::vector<uint32_t>> Seek(const Node &condition, int slot, RowState &state)
{
    if (condition.op == Node::Op::And) {
        for (const NodePtr &arg : condition.args)
            if (auto records = Seek(*arg, slot, state))
                return records;
        return std::nullopt;
    }
    if (condition.op != Node::Op::Compare || condition.args.size() != 2
        || (condition.name != "=" && condition.name != "=="))
        return std::nullopt;
    for (int side = 0; side < 2; ++side) {
        const Node &column = *condition.args[static_cast<size_t>(side)];
        const Node &constant = *condition.args[static_cast<size_t>(1 - side)];
        if (IsNumberConstant(constant) && IsNumericColumn(column, slot, state)) {
            const Table &table = *state.tables()[static_cast<size_t>(slot)].table;
            return table.seekNumber(state.columnField(column.column), Evaluate(constant, state));
        }
    }
    return std::nullopt;
}

} // namespace

bool VisitIndexedRecords(RowState &state, int slot, std::span<const NodePtr> conditions,
    const std::function<void(uint32_t)> &visit)
{
    for (const NodePtr &condition : conditions) {
        if (!condition)
            continue;
        const auto records = Seek(*condition, slot, state);
        if (!records)
            continue;
        const Table &table = *state.tables()[static_cast<size_t>(slot)].table;
        for (const uint32_t recno : *records) {
            if (table.isDeleted(recno))
                continue;
            state.setRecord(slot, recno);
            visit(recno);
        }
        return true;
    }
    return false;
}

void ScanLiveRecords(RowState &state, int slot, const std::function<void(uint32_t)> &visit)
{
    const uint32_t count = state.tables()[static_cast<size_t>(slot)].table->recordCount();
    ScanLiveRecords(state, slot, 1, count, visit);
}

void ScanLiveRecords(RowState &state, int slot, uint32_t first, uint32_t last,
    const std::function<void(uint32_t)> &visit)
{
    const Table &table = *state.tables()[static_cast<size_t>(slot)].table;
    for (uint32_t recno = first; recno <= last && recno != 0; ++recno) {
        if (table.isDeleted(recno))
            continue;
        state.setRecord(slot, recno);
        visit(recno);
    }
}

void VisitCandidateRecords(RowState &state, int slot, std::span<const NodePtr> conditions,
    const std::function<void(uint32_t)> &visit)
{
    if (!VisitIndexedRecords(state, slot, conditions, visit))
        ScanLiveRecords(state, slot, visit);
}

} // namespace vfp::sql
