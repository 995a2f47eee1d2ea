#include "review/ListOrderCheck.h"

#include "review/MemSTran.h"
#include "util/InParts.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

enum PrefixState : uint8_t { Empty, Whole, Part, Unknown };

constexpr size_t PrefixBytes = 16;

// The first bytes of a text as two big-endian words, zeros past its end; and whether they
// hold the whole text in ASCII without a zero byte (a text ends where its bytes turn to zeros
// only when none of its own is a zero).
bool ReadPrefix(std::string_view text, uint64_t &high, uint64_t &low)
{
    unsigned char bytes[PrefixBytes] = {};
    const size_t size = std::min(text.size(), PrefixBytes);
    if (size > 0)
        std::memcpy(bytes, text.data(), size);
    uint64_t first = 0;
    uint64_t second = 0;
    std::memcpy(&first, bytes, 8);
    std::memcpy(&second, bytes + 8, 8);
    constexpr uint64_t HighBits = 0x8080808080808080u;
    const bool ascii = ((first | second) & HighBits) == 0;
    if constexpr (std::endian::native == std::endian::little) {
        first = __builtin_bswap64(first);
        second = __builtin_bswap64(second);
    }
    high = first;
    low = second;
    return text.size() <= PrefixBytes && ascii
        && (size == 0 || std::memchr(text.data(), 0, size) == nullptr);
}

} // namespace

ListOrderCheck::ListOrderCheck(std::vector<ReviewField> fields, const std::vector<int> &places)
    : m_fields(std::move(fields))
    , m_prefixes(new Prefix[places.size() * m_fields.size()])
    , m_turns(places.size())
{
    for (const ReviewField field : m_fields)
        m_members.push_back(TextMemberOf(field));
    for (size_t turn = 0; turn < places.size(); ++turn)
        m_turns[static_cast<size_t>(places[turn])] = static_cast<uint32_t>(turn);
}

void ListOrderCheck::note(size_t turn, const ReviewRow &row)
{
    Prefix *prefix = &m_prefixes[turn * m_fields.size()];
    for (size_t f = 0; f < m_fields.size(); ++f, ++prefix) {
        const TextMember member = m_members[f];
        if (row.isNull(m_fields[f])) {
            *prefix = { 0, 0, Empty };
            continue;
        }
        if (!member || !(row.*member).isInPlace()) {
            *prefix = { 0, 0, Unknown };
            continue;
        }
        const bool whole = ReadPrefix((row.*member).utf8(), prefix->high, prefix->low);
        prefix->state = whole ? Whole : Part;
    }
}

int ListOrderCheck::compare(const Prefix &a, const Prefix &b)
{
    if (a.state == Unknown || b.state == Unknown)
        return Unsettled;
    if (a.state == Empty || b.state == Empty)
        return (a.state != Empty) - (b.state != Empty);
    for (const auto &[x, y] : { std::pair(a.high, b.high), std::pair(a.low, b.low) }) {
        if (x == y)
            continue;
        // The first byte that differs decides where both are ASCII (a zero past a text's end
        // comes before any character, as the shorter text does); a byte of a longer UTF-8
        // character leaves it to the texts themselves.
        const int shift = 56 - (std::countl_zero(x ^ y) & ~7);
        const unsigned first = (x >> shift) & 0xff;
        const unsigned second = (y >> shift) & 0xff;
        if ((first | second) & 0x80)
            return Unsettled;
        return first < second ? -1 : 1;
    }
    return a.state == Whole && b.state == Whole ? 0 : Unsettled;
}

bool ListOrderCheck::inOrder(const MemSTran &list) const
{
    constexpr size_t RowsPerHalf = 8192;
    const size_t rows = std::min(static_cast<size_t>(list.recordCount()), m_turns.size());
    return HoldsInParts(rows, PartsFor(rows, RowsPerHalf, 2),
        [&](size_t begin, size_t end) { return inOrder(list, begin, end); });
}

bool ListOrderCheck::inOrder(const MemSTran &list, size_t begin, size_t end) const
{
    // The prefixes lie in the order of the turns; those of the places a little ahead are asked
    // for early.
    constexpr size_t PlacesAhead = 16;
    const size_t fields = m_fields.size();
    const auto prefixesOf = [&](size_t place) { return &m_prefixes[m_turns[place] * fields]; };
    for (size_t i = std::max<size_t>(begin, 1); i < end; ++i) {
#if defined(__GNUC__)
        if (i + PlacesAhead < end)
            __builtin_prefetch(prefixesOf(i + PlacesAhead));
#endif
        const Prefix *before = prefixesOf(i - 1);
        const Prefix *after = prefixesOf(i);
        for (size_t f = 0; f < fields; ++f) {
            int order = compare(before[f], after[f]);
            if (order == Unsettled) {
                order = CompareField(
                    list.row(static_cast<int>(i - 1)), list.row(static_cast<int>(i)), m_fields[f]);
            }
            if (order > 0)
                return false;
            if (order < 0)
                break;
        }
    }
    return true;
}
