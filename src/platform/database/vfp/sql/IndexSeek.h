#pragma once

#include "platform/database/vfp/sql/Evaluator.h"
#include "platform/database/vfp/sql/ScanProgram.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace vfp::sql {

// Instead of a scan of the slot's table: when a top-level AND term of the conditions is
// `numeric field = number constant` (either side, = or ==) and the table's index can find the
// records holding that number, visits just those live records in ascending order, each set as
// the slot's record, and returns true. Returns false having visited nothing otherwise: the
// caller scans. Either way the caller still tests every condition on each record.
bool VisitIndexedRecords(RowState &state, int slot, std::span<const NodePtr> conditions,
    const std::function<void(uint32_t)> &visit);

// Every live record of the slot's table in physical order, each set as the slot's record.
void ScanLiveRecords(RowState &state, int slot, const std::function<void(uint32_t)> &visit);
// The same over records first..last only, which must exist.
void ScanLiveRecords(RowState &state, int slot, uint32_t first, uint32_t last,
    const std::function<void(uint32_t)> &visit);

// The records first..last of a table of records `length` bytes long read a block at a time:
// visit(first record of the block, its bytes, records in it) for each. A block that holds no
// whole record is an error.
void ForEachRecordBlock(const Table &table, size_t length, uint32_t first, uint32_t last,
    const std::function<void(uint32_t, std::string_view, uint32_t)> &visit);

// The records the conditions may hold for: through the index when VisitIndexedRecords can,
// else by a scan.
void VisitCandidateRecords(RowState &state, int slot, std::span<const NodePtr> conditions,
    const std::function<void(uint32_t)> &visit);

// Whether the slot's record set in the state passes `conditions`, the slot's conditions as
// `program` compiled them, from condition `from` on: each tested by its step, or else evaluated
// through its bound node (counted in `evaluations`). Stops at the first that does not hold.
bool PassesConditions(const ScanProgram &program, int slot, std::span<const NodePtr> conditions,
    size_t from, RowState &state, uint64_t &evaluations);

// The first table's live records first..last (which must exist) that pass its conditions, in
// physical order, each set in the state when visited. Where the table is read in place, a batch
// of records at a time is taken from its record blocks and tested on the bytes before each
// record that remains is set as a copy; else one record at a time.
void ScanPassingRecords(const ScanProgram &program, std::span<const NodePtr> conditions,
    RowState &state, uint32_t first, uint32_t last, uint64_t &evaluations,
    const std::function<void(uint32_t)> &visit);

} // namespace vfp::sql
