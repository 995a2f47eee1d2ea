#pragma once

#include "platform/database/vfp/Table.h"

#include <string_view>

namespace vfp::sql {

// Runs the lines of an EXECSCRIPT text (separated by CR, LF or both): SET DEFAULT TO,
// CREATE TABLE name FREE (...), USE name [EXCLUSIVE], INDEX ON expr TAG name, CLOSE ALL.
// Stops at the first failing line with vfp::Error naming the line.
void RunScript(Database &database, std::string_view script);

} // namespace vfp::sql
