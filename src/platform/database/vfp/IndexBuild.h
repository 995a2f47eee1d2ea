#pragma once

// Helpers for building index files from records.

#include "platform/database/vfp/CdxIndex.h"
#include "platform/database/vfp/CodePage.h"
#include "platform/database/vfp/DbfHeader.h"

#include <functional>
#include <string>

namespace vfp {

// Throws unless tag is a valid tag name (1 to 10 letters, digits, underscores).
void CheckTagName(const std::string &tag);

// A new tag over records 1..count (deleted ones included, as FoxPro indexes them).
CdxNewTag NewTagFromRecords(const DbfHeader &header, const CodePage &codePage,
    const std::string &tag, const std::string &keyExpression, const std::string &forExpression,
    uint32_t count, const std::function<const char *(uint32_t)> &record);

// Writes bytes to path through a temporary file renamed over it.
void WriteFileReplacing(const std::string &path, const std::string &bytes);

} // namespace vfp
