#pragma once

#include "platform/database/vfp/Table.h"
#include "platform/database/vfp/sql/Ast.h"
#include "platform/database/vfp/sql/ResultSet.h"

#include <memory>

namespace vfp::sql {

// Runs a SELECT: scan of the first table (without joins, an index lookup where IndexSeek.h
// allows), LEFT JOINs on an equality as hash joins (others as nested loops), WHERE conditions
// tested as soon as the tables they read are joined, then the output columns, DISTINCT and
// ORDER BY (stable: ties keep the scan order). DISTINCT sorts as FoxPro's does: rows tied on
// the ORDER BY keys (or all rows, without ORDER BY) are ordered by their columns from left to
// right. A big first table (and a big joined one's hash) is read in parts on several threads,
// each with readers of its own; the rows, their order and the error are those of one scan.
std::shared_ptr<ResultSet> RunSelect(Database &database, const SelectStatement &statement);

} // namespace vfp::sql
