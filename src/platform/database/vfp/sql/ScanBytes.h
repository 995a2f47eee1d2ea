#pragma once

// Small readers of record bytes and of bound nodes that the compiled scan's conditions and
// outputs both use.

#include "platform/database/vfp/sql/Evaluator.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vfp::sql::scan {

inline bool IsAscii(std::string_view text)
{
    const char *p = text.data();
    const char *const end = p + text.size();
    uint64_t high = 0;
    for (; end - p >= 8; p += 8) {
        uint64_t word;
        std::memcpy(&word, p, sizeof word);
        high |= word;
    }
    for (; p < end; ++p)
        high |= static_cast<unsigned char>(*p);
    return (high & 0x8080808080808080ull) == 0;
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

// The value of a number field's text written plainly: blanks, an optional '-', up to 15
// digits with at most one point among them, blanks. The same double the general parser gives
// for such a text (an exact integer divided by an exact power of ten); false for any other text
// (a '+', NULs, asterisks of an overflowed field, blanks only, damage), which the caller gives
// to the general parser.
inline bool PlainNumber(const char *p, size_t width, double &number)
{
    static constexpr double Powers[]
        = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15 };
    const char *end = p + width;
    while (p < end && *p == ' ')
        ++p;
    while (end > p && end[-1] == ' ')
        --end;
    const bool negative = p < end && *p == '-';
    if (negative)
        ++p;
    uint64_t mantissa = 0;
    int digits = 0;
    const char *point = nullptr;
    for (const char *c = p; c < end; ++c) {
        const auto digit = static_cast<unsigned>(*c - '0');
        if (digit < 10) {
            mantissa = mantissa * 10 + digit;
            ++digits;
        } else if (*c == '.' && !point) {
            point = c;
        } else {
            return false;
        }
    }
    if (digits == 0 || digits > 15)
        return false;
    double value = static_cast<double>(mantissa);
    if (point && end - point > 1)
        value /= Powers[end - point - 1];
    number = negative ? -value : value;
    return true;
}

// The memo bytes a step or an output reads, per thread (programs are shared).
std::string &MemoScratch();

} // namespace vfp::sql::scan
