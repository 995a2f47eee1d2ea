#pragma once

#include "platform/database/vfp/sql/Evaluator.h"

#include <cstdint>
#include <functional>
#include <span>

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

// The records the conditions may hold for: through the index when VisitIndexedRecords can,
// else by a scan.
void VisitCandidateRecords(RowState &state, int slot, std::span<const NodePtr> conditions,
    const std::function<void(uint32_t)> &visit);

} // namespace vfp::sql
