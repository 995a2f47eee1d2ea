#include "platform/database/vfp/Table.h"

namespace vfp {

Error::Error(const std::string &message, int position)
    : Exception(QString::fromStdString(message))
    , m_position(position)
{ }

} // namespace vfp
