#pragma once

// Small readers of record bytes and of bound nodes that the compiled scan's conditions and
// outputs both use.

#include "platform/database/vfp/sql/Evaluator.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace vfp::sql::scan {

inline bool IsAscii(std::string_view text)
{
    return std::all_of(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

inline bool NamedAs(const Node &node, std::string_view name)
{
    return node.name.size() == name.size()
        && std::equal(name.begin(), name.end(), node.name.begin(),
            [](char a, char b) { return a == (b >= 'a' && b <= 'z' ? b - 'a' + 'A' : b); });
}

// A count written as a literal whole number, as RIGHT() or CAST() takes it.
inline bool LiteralCount(const Node &node, size_t &count)
{
    if (node.op != Node::Op::Literal || !node.literal.isNumber())
        return false;
    const double n = node.literal.number();
    if (!(n >= 0 && n <= 1 << 20) || n != static_cast<double>(static_cast<size_t>(n)))
        return false;
    count = static_cast<size_t>(n);
    return true;
}

inline int32_t Le32(const char *p)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return static_cast<int32_t>(v);
}

inline bool IsTrueByte(char c)
{
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

// The memo bytes a step or an output reads, per thread (programs are shared).
std::string &MemoScratch();

} // namespace vfp::sql::scan
