#include "platform/database/vfp/Table.h"

namespace vfp {

std::string AsciiUpper(std::string_view text)
{
    std::string out(text);
    for (char &c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

} // namespace vfp
