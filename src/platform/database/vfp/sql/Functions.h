#pragma once

#include "platform/database/vfp/sql/Evaluator.h"

#include <string>
#include <string_view>

// The dialect's functions and CAST; used by the binder and the evaluator only.
namespace vfp::sql::functions {

// The function's code, or 0 when the dialect has none by that (upper-case) name; sets the
// accepted argument counts.
int Lookup(std::string_view name, int &minArgs, int &maxArgs);

TypeInfo ResultType(const Node &node);
TypeInfo CastType(const Node &node);

// Computes a function call into the state's value for the node (IIF is evaluated lazily by the
// evaluator).
void Call(const Node &node, RowState &state);
// CAST of `value` as the node says, into `out`.
void Cast(const Node &node, const Value &value, Value &out);
// DTOS() of a day: YYYYMMDD, or 8 blanks for the empty date.
std::string DtosKey(int32_t julianDay);

} // namespace vfp::sql::functions
