#pragma once

#include "MemoryDatabase.h"

#include <memory>

namespace vfp::memory {

// A small company Z in memory: z_stran, z_sname, z_st_zrq, z_itran, z_ihead with the cases the
// review query cares about (credit notes, other types, a lower-case ".pdf", a memo longer than
// 24 characters, a customer without a record, a deleted customer and transaction, two status
// rows for one document, a name with a quote, e-mail settings 0, 3, 8, 12).
std::unique_ptr<MemoryDatabase> MakeSampleCompany();

Value Date(int year, int month, int day);

} // namespace vfp::memory
