#pragma once

#include "platform/database/vfp/Value.h"

#include <string>

namespace vfp::sql {

// A value as the shell shows it: texts without their trailing blanks, numbers with their
// decimals, dates as yyyymmdd (empty for no date), logicals .T./.F., null as .NULL.
std::string DisplayText(const Value &value);

} // namespace vfp::sql
