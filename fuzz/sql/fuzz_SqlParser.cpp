// Any bytes as a statement: the lexer and parser either build a tree or throw vfp::Error, and
// the error names a position inside the text (or just past its end).

#include "platform/database/vfp/Table.h"
#include "platform/database/vfp/sql/Parser.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    try {
        vfp::sql::ParseStatement(text);
    } catch (const vfp::Error &error) {
        if (error.position() < 0 || static_cast<size_t>(error.position()) > size + 1)
            std::abort();
    }
    return 0;
}
