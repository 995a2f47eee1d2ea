#include "platform/database/vfp/sql/SqlError.h"

#include "platform/database/vfp/Table.h"

namespace vfp::sql {

void ThrowAt(int position, const std::string &shown, const std::string &message)
{
    throw Error("near \"" + shown + "\": " + message + " at " + std::to_string(position), position);
}

} // namespace vfp::sql
