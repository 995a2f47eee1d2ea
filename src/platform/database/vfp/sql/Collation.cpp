#include "platform/database/vfp/sql/Collation.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vfp::sql {

namespace {

bool IsContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Where a and b first differ within their first `common` bytes; `common` when nowhere.
size_t FirstDifference(std::string_view a, std::string_view b, size_t common)
{
    size_t at = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; at + 8 <= common; at += 8) {
            uint64_t x = 0, y = 0;
            std::memcpy(&x, a.data() + at, 8);
            std::memcpy(&y, b.data() + at, 8);
            if (x != y)
                return at + static_cast<size_t>(std::countr_zero(x ^ y) / 8);
        }
    }
    while (at < common && a[at] == b[at])
        ++at;
    return at;
}

} // namespace

uint32_t Collation::rank(std::string_view text, size_t at) const
{
    const char32_t character = NextCharacter(text, at);
    const int byte = m_codePage->byteOf(character);
    return byte >= 0 ? static_cast<uint32_t>(byte) : 0x100 + static_cast<uint32_t>(character);
}

int Collation::compare(std::string_view a, std::string_view b) const
{
    const size_t common = std::min(a.size(), b.size());
    const size_t at = FirstDifference(a, b, common);
    if (at < common) {
        const auto x = static_cast<unsigned char>(a[at]);
        const auto y = static_cast<unsigned char>(b[at]);
        // An ASCII byte is a whole character and orders before every byte above 0x7F; only
        // two characters outside ASCII need their code-page bytes.
        if (x >= 0x80 && y >= 0x80) {
            size_t start = at;
            while (start > 0 && IsContinuation(static_cast<unsigned char>(a[start])))
                --start;
            const uint32_t p = rank(a, start), q = rank(b, start);
            if (p != q)
                return p < q ? -1 : 1;
        }
        return x < y ? -1 : 1;
    }
    // The rest of the longer text against blanks: a character below the blank orders first,
    // every other one (all beyond ASCII among them) after it.
    const std::string_view rest = a.size() > common ? a.substr(common) : b.substr(common);
    const int sign = a.size() > common ? 1 : -1;
    for (char c : rest) {
        const auto cc = static_cast<unsigned char>(c);
        if (cc != ' ')
            return cc < ' ' ? -sign : sign;
    }
    return 0;
}

std::string Collation::mapCase(std::string_view text, bool toUpper) const
{
    const CodePage &page = *m_codePage;
    std::string out;
    out.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (static_cast<unsigned char>(c) < 0x80) {
            out.push_back(toUpper ? page.upper(c) : page.lower(c));
            ++at;
            continue;
        }
        const size_t start = at;
        const int byte = page.byteOf(NextCharacter(text, at));
        const char original = static_cast<char>(byte);
        const char mapped = toUpper ? page.upper(original) : page.lower(original);
        if (byte < 0 || mapped == original)
            out.append(text.substr(start, at - start));
        else
            page.appendUtf8(std::string_view(&mapped, 1), out);
    }
    return out;
}

std::string Collation::upper(std::string_view text) const
{
    return mapCase(text, true);
}

std::string Collation::lower(std::string_view text) const
{
    return mapCase(text, false);
}

} // namespace vfp::sql
