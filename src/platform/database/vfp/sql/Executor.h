#pragma once

#include "platform/database/vfp/Table.h"
#include "platform/database/vfp/sql/ResultSet.h"

#include <memory>
#include <string_view>

namespace vfp::sql {

struct ExecutionResult
{
    std::shared_ptr<ResultSet> rows; // set for SELECT
    int affected = 0; // records changed by INSERT or UPDATE
};

// Parses and runs one statement on the database. Deleted records take no part; rows come out in
// the scan order of the first table unless ordered. Throws vfp::Error with the position of the
// fault for anything outside the dialect.
ExecutionResult Execute(Database &database, std::string_view sql);

} // namespace vfp::sql
