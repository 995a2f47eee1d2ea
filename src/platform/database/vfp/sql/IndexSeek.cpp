#include "platform/database/vfp/sql/IndexSeek.h"

#include <algorithm>
#include <optional>
#include <string>
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

bool PassesConditions(const ScanProgram &program, int slot, std::span<const NodePtr> conditions,
    size_t from, RowState &state, uint64_t &evaluations)
{
    for (size_t i = from; i < conditions.size(); ++i) {
        const Node &condition = *conditions[i];
        int tested = program.test(slot, i, state);
        if (tested < 0) {
            if (condition.op != Node::Op::Column && condition.op != Node::Op::Literal)
                ++evaluations;
            tested = IsTrue(Evaluate(condition, state)) ? 1 : 0;
        }
        if (tested == 0)
            return false;
    }
    return true;
}

void ScanPassingRecords(const ScanProgram &program, std::span<const NodePtr> conditions,
    RowState &state, uint32_t first, uint32_t last, uint64_t &evaluations,
    const std::function<void(uint32_t)> &visit)
{
    const size_t length = program.recordLength();
    if (length == 0) {
        ScanLiveRecords(state, 0, first, last, [&](uint32_t recno) {
            if (PassesConditions(program, 0, conditions, 0, state, evaluations))
                visit(recno);
        });
        return;
    }
    CountCompiledScan();
    const Table &table = *state.tables()[0].table;
    std::vector<uint32_t> selection;
    ForEachRecordBlock(
        table, length, first, last, [&](uint32_t recno, std::string_view block, uint32_t) {
            program.selectBatch(block, selection);
            for (const uint32_t row : selection) {
                state.setCopiedRecord(
                    0, recno + row, block.data() + static_cast<size_t>(row) * length);
                if (PassesConditions(
                        program, 0, conditions, program.batchConditions(), state, evaluations))
                    visit(recno + row);
            }
        });
}

void ForEachRecordBlock(const Table &table, size_t length, uint32_t first, uint32_t last,
    const std::function<void(uint32_t, std::string_view, uint32_t)> &visit)
{
    for (uint32_t recno = first; recno <= last && recno != 0;) {
        const uint32_t wanted = std::min<uint32_t>(ScanProgram::BatchRecords, last - recno + 1);
        const std::string_view block = table.recordBlock(recno, wanted);
        const auto count = static_cast<uint32_t>(block.size() / length);
        if (count == 0)
            throw Error("Record " + std::to_string(recno) + " of table " + table.name()
                + " cannot be read");
        visit(recno, block, count);
        recno += count;
    }
}

} // namespace vfp::sql
