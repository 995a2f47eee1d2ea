#include "platform/database/vfp/sql/SortKeys.h"

#include "platform/database/vfp/CodePage.h"
#include "platform/database/vfp/sql/ResultSet.h"
#include "util/InParts.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <type_traits>

namespace vfp::sql {

namespace {

using Family = SortKeyLayout::Family;
using Part = SortKeyLayout::Part;

// Room for a text of unknown length (a memo, an expression's) and the most for any text: rows
// whose texts go on past it (with more than blanks) are compared as values where they tie.
constexpr size_t UnknownTextWidth = 24;
constexpr size_t MaxTextWidth = 48;
// A column whose type is not known before the scan: a type byte, then up to 16 bytes.
constexpr size_t AnyWidth = 16;

Family FamilyOfType(char type)
{
    switch (type) {
    case 'C':
    case 'V':
    case 'M':
        return Family::Text;
    case 'N':
    case 'F':
    case 'I':
    case 'B':
    case 'Y':
        return Family::Number;
    case 'L':
        return Family::Logical;
    case 'D':
    case 'T':
        return Family::Date;
    default:
        return Family::Any;
    }
}

Family FamilyOfKind(Value::Kind kind)
{
    switch (kind) {
    case Value::Kind::Character:
    case Value::Kind::Memo:
        return Family::Text;
    case Value::Kind::Numeric:
    case Value::Kind::Integer:
        return Family::Number;
    case Value::Kind::Logical:
        return Family::Logical;
    case Value::Kind::Date:
    case Value::Kind::DateTime:
        return Family::Date;
    case Value::Kind::Null:
        break;
    }
    return Family::Any;
}

// Where a value stands in its key before its own order counts: nulls first, then values of
// types other than the column's (by type), then the column's own values.
int TypeRank(Value::Kind kind, Family column)
{
    if (kind == Value::Kind::Null)
        return 0;
    const Family family = FamilyOfKind(kind);
    if (family == column)
        return 5;
    return 1 + static_cast<int>(family);
}

} // namespace

SortKeyLayout::SortKeyLayout(const std::vector<ResultColumn> &columns, std::vector<OrderKey> keys)
    : m_keys(std::move(keys))
{
    size_t at = 0;
    for (const OrderKey &key : m_keys) {
        const ResultColumn &column = columns.at(static_cast<size_t>(key.column));
        Part part;
        part.key = key;
        part.family = FamilyOfType(column.type);
        part.nullByte = key.mayBeNull || part.family == Family::Any;
        size_t width = 8;
        if (part.family == Family::Text) {
            const bool sized = (column.type == 'C' || column.type == 'V') && column.length > 0;
            width = sized ? std::min<size_t>(static_cast<size_t>(column.length), MaxTextWidth)
                          : UnknownTextWidth;
        } else if (part.family == Family::Logical) {
            width = 1;
        } else if (part.family == Family::Any) {
            width = AnyWidth;
        }
        if (at + part.nullByte >= MaxKeyBytes)
            break;
        const size_t room = MaxKeyBytes - at - part.nullByte;
        if (width > room) {
            // A text keeps what room there is (rows whose texts are longer are compared as
            // values on ties); other values need all of theirs.
            if (part.family != Family::Text)
                break;
            width = room;
        }
        part.offset = static_cast<uint16_t>(at);
        part.width = static_cast<uint16_t>(width);
        at = part.end();
        m_parts.push_back(part);
    }
    m_keyBytes = at;
    m_words = (at + sizeof(uint32_t) + 7) / 8;
}

// Buffers given back are kept, up to a bound, for the next sort of about as many rows.
namespace {

class KeptBuffers
{
public:
    static constexpr size_t MaxBuffers = 8;
    static constexpr size_t MaxBytes = size_t(16) << 20;

    // The smallest kept buffer of `bytes` at least (the biggest, for a buffer that grows), or
    // a new one.
    std::pair<void *, size_t> take(size_t bytes, bool biggest)
    {
        {
            std::lock_guard lock(m_mutex);
            size_t best = m_kept.size();
            for (size_t i = 0; i < m_kept.size(); ++i) {
                if (m_kept[i].second >= bytes
                    && (best == m_kept.size()
                        || (m_kept[i].second < m_kept[best].second) != biggest))
                    best = i;
            }
            if (best < m_kept.size()) {
                const auto found = m_kept[best];
                m_kept.erase(m_kept.begin() + static_cast<std::ptrdiff_t>(best));
                m_bytes -= found.second;
                return found;
            }
        }
        void *data = std::malloc(bytes);
        if (!data)
            throw std::bad_alloc();
        return { data, bytes };
    }

    // Keeps a buffer given back, in place of smaller ones where that makes room: the big
    // buffers are those whose pages cost the most to fault in again.
    void give(void *data, size_t bytes)
    {
        std::vector<void *> dropped;
        {
            std::lock_guard lock(m_mutex);
            std::sort(m_kept.begin(), m_kept.end(),
                [](const auto &x, const auto &y) { return x.second > y.second; });
            while (!m_kept.empty() && (m_kept.size() >= MaxBuffers || m_bytes + bytes > MaxBytes)
                && m_kept.back().second < bytes) {
                dropped.push_back(m_kept.back().first);
                m_bytes -= m_kept.back().second;
                m_kept.pop_back();
            }
            if (m_kept.size() < MaxBuffers && m_bytes + bytes <= MaxBytes) {
                m_kept.emplace_back(data, bytes);
                m_bytes += bytes;
                data = nullptr;
            }
        }
        for (void *buffer : dropped)
            std::free(buffer);
        std::free(data);
    }

private:
    std::mutex m_mutex;
    std::vector<std::pair<void *, size_t>> m_kept;
    size_t m_bytes = 0;
};

// Never destroyed, so that sorts finishing during static destruction can still give back.
KeptBuffers &Kept()
{
    static auto *kept = new KeptBuffers;
    return *kept;
}

} // namespace

SortBuffer::SortBuffer(size_t bytes, bool growing)
{
    std::tie(m_data, m_capacity) = Kept().take(bytes, growing);
}

void SortBuffer::discard()
{
    std::free(m_data);
    m_data = nullptr;
    m_capacity = 0;
}

SortBuffer::SortBuffer(SortBuffer &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr))
    , m_capacity(std::exchange(other.m_capacity, 0))
{ }

SortBuffer &SortBuffer::operator=(SortBuffer &&other) noexcept
{
    if (this != &other) {
        if (m_data)
            Kept().give(m_data, m_capacity);
        m_data = std::exchange(other.m_data, nullptr);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

SortBuffer::~SortBuffer()
{
    if (m_data)
        Kept().give(m_data, m_capacity);
}

// Writing a row's key.
namespace {

void PutBigEndian(unsigned char *at, uint64_t word)
{
    for (int i = 7; i >= 0; --i) {
        at[i] = static_cast<unsigned char>(word);
        word >>= 8;
    }
}

uint64_t LoadBigEndian(const unsigned char *at)
{
    uint64_t word = 0;
    std::memcpy(&word, at, sizeof word);
    if constexpr (std::endian::native == std::endian::little)
        word = __builtin_bswap64(word);
    return word;
}

uint64_t OrderedBits(double number)
{
    if (number == 0)
        number = 0; // -0 sorts as 0
    uint64_t bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    return (bits & (uint64_t(1) << 63)) ? ~bits : bits | (uint64_t(1) << 63);
}

bool AllBlanks(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

bool HasHighBytes(std::string_view text)
{
    return std::any_of(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// A text as `width` code-page bytes, padded with blanks, which order as the collation orders
// texts padded with blanks. False where equal bytes do not make the texts equal: a character
// the code page lacks (it orders after every byte, so the bytes from there on are all 0xFF),
// or characters other than blanks past the width.
bool PutText(const CodePage &page, std::string_view text, unsigned char *out, size_t width)
{
    const size_t head = std::min(text.size(), width);
    if (!HasHighBytes(text.substr(0, head))) {
        if (head > 0)
            std::memcpy(out, text.data(), head);
        std::memset(out + head, ' ', width - head);
        return AllBlanks(text.substr(head));
    }
    size_t at = 0, count = 0;
    while (count < width && at < text.size()) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c < 0x80) {
            out[count++] = c;
            ++at;
            continue;
        }
        const int byte = page.byteOf(NextCharacter(text, at));
        if (byte < 0) {
            std::memset(out + count, 0xFF, width - count);
            return false;
        }
        out[count++] = static_cast<unsigned char>(byte);
    }
    std::memset(out + count, ' ', width - count);
    return AllBlanks(text.substr(at));
}

// One key's bytes at its place in `key` (which is zero there). False where they do not settle
// the order of the row against others with the same bytes up to the key's end.
bool PutPart(const ResultSet &rows, size_t row, const Part &part, unsigned char *key)
{
    unsigned char *at = key + part.offset;
    const int column = part.key.column;
    const Value::Kind kind = rows.kind(row, column);
    // A null is all zeros: with a null byte that settles it; a column said to hold no nulls
    // has no such byte, and a null found there anyway is compared as a value on ties.
    bool settled = part.nullByte;
    if (kind != Value::Kind::Null) {
        const Family family = FamilyOfKind(kind);
        if (part.nullByte)
            *at++ = part.family == Family::Any ? static_cast<unsigned char>(1 + int(family)) : 1;
        settled = true;
        if (part.family != Family::Any && family != part.family) {
            // Of another type than the column's: zeros, before the column's own values.
            settled = false;
        } else {
            switch (family) {
            case Family::Text:
                settled
                    = PutText(rows.collation().codePage(), rows.text(row, column), at, part.width);
                break;
            case Family::Number:
                PutBigEndian(at, OrderedBits(rows.number(row, column)));
                break;
            case Family::Logical:
                *at = rows.value(row, column).logical() ? 1 : 0;
                break;
            case Family::Date: {
                const Value value = rows.value(row, column);
                const int64_t moment = int64_t(value.julianDay()) * 86400000 + value.milliseconds();
                PutBigEndian(at, static_cast<uint64_t>(moment) ^ (uint64_t(1) << 63));
                break;
            }
            case Family::Any:
                break;
            }
        }
    }
    if (part.key.descending) {
        for (size_t i = part.offset; i < part.end(); ++i)
            key[i] = static_cast<unsigned char>(~key[i]);
    }
    return settled;
}

} // namespace

SortRun::SortRun(const SortKeyLayout &layout)
    : m_layout(&layout)
{ }

void SortRun::reserve(size_t rows)
{
    const size_t bytes = rows * m_layout->words() * sizeof(uint64_t);
    if (bytes <= m_buffer.capacity())
        return;
    SortBuffer bigger(std::max({ bytes, 2 * m_buffer.capacity(), size_t(256) << 10 }), true);
    if (m_count > 0)
        std::memcpy(bigger.data(), m_buffer.data(), m_count * m_layout->words() * sizeof(uint64_t));
    // Outgrown: keeping it would only hold memory a sort of as many rows does not need.
    m_buffer.discard();
    m_buffer = std::move(bigger);
}

void SortRun::add(const ResultSet &rows, size_t first, size_t last)
{
    if (last <= first)
        return;
    if (last > UINT32_MAX)
        throw std::length_error("too many rows to sort");
    reserve(m_count + (last - first));
    const size_t words = m_layout->words();
    uint64_t *out = this->words() + m_count * words;
    unsigned char key[8 * 8];
    // The rows' cells, and the texts they point at, are read a few rows ahead: each row's cells
    // lie apart from the last row's, where the processor would not look for them by itself.
    constexpr size_t CellsAhead = 16, TextsAhead = 8;
    for (size_t row = first; row < last; ++row, out += words) {
        for (const Part &part : m_layout->parts()) {
            if (row + CellsAhead < last)
                __builtin_prefetch(rows.cellPlace(row + CellsAhead, part.key.column));
            if (part.family == Family::Text && row + TextsAhead < last)
                __builtin_prefetch(rows.text(row + TextsAhead, part.key.column).data());
        }
        std::memset(key, 0, sizeof key);
        uint16_t unsettled = 0;
        for (const Part &part : m_layout->parts()) {
            if (!PutPart(rows, row, part, key) && unsettled == 0)
                unsettled = part.end();
        }
        for (size_t w = 0; w < words; ++w)
            out[w] = LoadBigEndian(key + 8 * w);
        out[words - 1] |= static_cast<uint32_t>(row);
        if (unsettled)
            m_unsettled.emplace_back(static_cast<uint32_t>(row), unsettled);
    }
    m_count += last - first;
}

// Sorting and merging, over rows of N words.
namespace {

template <size_t N> using Record = std::array<uint64_t, N>;

template <size_t N> unsigned Digit(const Record<N> &record, size_t byte)
{
    return static_cast<unsigned>(record[byte / 8] >> (56 - 8 * (byte % 8))) & 0xFF;
}

// The key's bytes alone, without the row's number.
template <size_t N> bool KeyLess(const Record<N> &x, const Record<N> &y)
{
    for (size_t w = 0; w + 1 < N; ++w) {
        if (x[w] != y[w])
            return x[w] < y[w];
    }
    return (x[N - 1] >> 32) < (y[N - 1] >> 32);
}

template <size_t N> uint32_t RowOf(const Record<N> &record)
{
    return static_cast<uint32_t>(record[N - 1]);
}

// Whether the first `bytes` bytes of two keys are the same.
template <size_t N> bool SamePrefix(const Record<N> &x, const Record<N> &y, size_t bytes)
{
    size_t w = 0;
    for (; (w + 1) * 8 <= bytes; ++w) {
        if (x[w] != y[w])
            return false;
    }
    const size_t rest = bytes % 8;
    if (rest == 0)
        return true;
    const uint64_t mask = ~uint64_t(0) << (64 - 8 * rest);
    return ((x[w] ^ y[w]) & mask) == 0;
}

// Below this many rows a bucket is sorted by comparison.
constexpr size_t RadixMinimum = 64;

// Most significant byte first: rows are spread into buckets by one byte at a time, each
// bucket then by the next byte; small buckets are sorted by comparing whole words. Spreading
// keeps the order rows come in, and they come in order of their numbers, so a bucket whose key
// bytes are all used up is in order already.
template <size_t N> class RadixSort
{
public:
    explicit RadixSort(size_t keyBytes)
        : m_keyBytes(keyBytes)
    { }

    // Sorts rows[0..count), whose keys tie before byte `byte`; the result goes to `rows`, or to
    // `scratch` when `toScratch`.
    void sort(Record<N> *rows, Record<N> *scratch, size_t count, size_t byte, bool toScratch) const
    {
        for (;;) {
            if (count < RadixMinimum || byte >= m_keyBytes) {
                if (byte < m_keyBytes)
                    std::sort(rows, rows + count);
                if (toScratch)
                    std::copy(rows, rows + count, scratch);
                return;
            }
            uint32_t ends[256] = {};
            for (size_t i = 0; i < count; ++i)
                ++ends[Digit<N>(rows[i], byte)];
            if (ends[Digit<N>(rows[0], byte)] == count) {
                ++byte; // one value of this byte throughout
                continue;
            }
            uint32_t next = 0;
            for (uint32_t &end : ends)
                next = end += next;
            for (size_t i = count; i-- > 0;)
                scratch[--ends[Digit<N>(rows[i], byte)]] = rows[i];
            // `ends` now holds each bucket's start; the buckets are in scratch.
            for (size_t b = 0; b < 256; ++b) {
                const size_t start = ends[b];
                const size_t stop = b + 1 < 256 ? ends[b + 1] : count;
                if (stop > start)
                    sort(scratch + start, rows + start, stop - start, byte + 1, !toScratch);
            }
            return;
        }
    }

private:
    size_t m_keyBytes;
};

template <typename Work> decltype(auto) WithWords(size_t words, Work &&work)
{
    switch (words) {
    case 1:
        return work(std::integral_constant<size_t, 1>());
    case 2:
        return work(std::integral_constant<size_t, 2>());
    case 3:
        return work(std::integral_constant<size_t, 3>());
    case 4:
        return work(std::integral_constant<size_t, 4>());
    case 5:
        return work(std::integral_constant<size_t, 5>());
    case 6:
        return work(std::integral_constant<size_t, 6>());
    case 7:
        return work(std::integral_constant<size_t, 7>());
    default:
        return work(std::integral_constant<size_t, 8>());
    }
}

static_assert((SortKeyLayout::MaxKeyBytes + sizeof(uint32_t) + 7) / 8 <= 8);

} // namespace

void SortRun::sort()
{
    if (m_count < 2)
        return;
    WithWords(m_layout->words(), [&](auto words) {
        constexpr size_t N = decltype(words)::value;
        SortBuffer scratch(m_count * sizeof(Record<N>));
        RadixSort<N>(m_layout->keyBytes())
            .sort(static_cast<Record<N> *>(m_buffer.data()),
                static_cast<Record<N> *>(scratch.data()), m_count, 0, false);
    });
}

namespace {

// Rows whose key bytes tie up to where one of them stops settling the order are put in order
// by comparing their values. `sorted` holds the keys in their merged order, `order` their rows;
// `unsettled[row]` is where the row's key stops settling its order (0: nowhere). Rows sharing a
// prefix of their keys lie together, and the groups of rows sharing prefixes are nested or apart,
// so one pass gathers each range to compare.
template <size_t N>
void SettleTies(const ResultSet &rows, const std::vector<OrderKey> &keys, const Record<N> *sorted,
    const std::vector<uint16_t> &unsettled, std::vector<uint32_t> &order)
{
    const size_t count = order.size();
    const auto settle = [&](size_t lo, size_t hi) {
        if (hi - lo < 2)
            return;
        std::sort(order.begin() + static_cast<std::ptrdiff_t>(lo),
            order.begin() + static_cast<std::ptrdiff_t>(hi), [&](uint32_t a, uint32_t b) {
                const int c = CompareRows(rows, keys, a, b);
                return c != 0 ? c < 0 : a < b;
            });
    };
    size_t lo = 0, hi = 0; // the range being gathered
    for (size_t p = 0; p < count; ++p) {
        const size_t prefix = unsettled[order[p]]; // settled so far: only ranges before p
        if (prefix == 0)
            continue;
        const bool inside = p < hi;
        size_t from = inside ? lo : p;
        while (from > 0 && SamePrefix<N>(sorted[from - 1], sorted[p], prefix)) {
            --from;
            if (from > lo && from < hi)
                from = lo; // the range lies within this row's group
        }
        size_t to = inside ? hi : p + 1;
        while (to < count && SamePrefix<N>(sorted[to], sorted[p], prefix))
            ++to;
        if (hi > lo && from < hi) {
            lo = std::min(lo, from);
            hi = std::max(hi, to);
        } else {
            settle(lo, hi);
            lo = from;
            hi = to;
        }
    }
    settle(lo, hi);
}

// A sorted run's keys, where its rows go in the whole result.
struct RunKeys
{
    const uint64_t *words;
    size_t count;
    uint32_t offset;
    const std::vector<std::pair<uint32_t, uint16_t>> *unsettled;
};

template <size_t N>
std::vector<uint32_t> Merge(const ResultSet &rows, const SortKeyLayout &layout,
    const std::vector<RunKeys> &runs, size_t count, bool settle)
{
    struct Head
    {
        const Record<N> *at;
        const Record<N> *end;
        uint32_t offset;
    };
    std::vector<Head> heads;
    for (const RunKeys &run : runs) {
        const auto *first = reinterpret_cast<const Record<N> *>(run.words);
        if (run.count > 0)
            heads.push_back(Head { first, first + run.count, run.offset });
    }
    std::vector<uint32_t> order(count);
    // Keys in merged order, for the ties to settle; only where some are unsettled.
    SortBuffer merged;
    if (settle && count > 0)
        merged = SortBuffer(count * sizeof(Record<N>));
    auto *keys = static_cast<Record<N> *>(merged.data());
    size_t out = 0;
    const auto emit = [&](Head &head) {
        order[out] = head.offset + RowOf<N>(*head.at);
        if (keys)
            keys[out] = *head.at;
        ++out;
        ++head.at;
    };
    while (heads.size() > 1) {
        // Of equal keys, the earliest run's row goes first: its rows come before the others'.
        size_t best = 0;
        for (size_t i = 1; i < heads.size(); ++i) {
            if (KeyLess<N>(*heads[i].at, *heads[best].at))
                best = i;
        }
        emit(heads[best]);
        if (heads[best].at == heads[best].end)
            heads.erase(heads.begin() + static_cast<std::ptrdiff_t>(best));
    }
    if (!heads.empty()) {
        while (heads[0].at != heads[0].end)
            emit(heads[0]);
    }
    if (keys) {
        std::vector<uint16_t> unsettled(
            count, layout.complete() ? 0 : static_cast<uint16_t>(layout.keyBytes()));
        for (const RunKeys &run : runs) {
            for (const auto &[row, prefix] : *run.unsettled) {
                uint16_t &at = unsettled[run.offset + row];
                at = at == 0 ? prefix : std::min(at, prefix);
            }
        }
        SettleTies<N>(rows, layout.keys(), keys, unsettled, order);
    }
    return order;
}

} // namespace

std::vector<uint32_t> MergeRuns(const ResultSet &rows, std::vector<SortRun> &runs)
{
    if (runs.empty())
        throw std::logic_error("no runs to merge");
    const SortKeyLayout &layout = *runs.front().m_layout;
    std::vector<RunKeys> keys;
    size_t count = 0;
    bool settle = !layout.complete();
    for (const SortRun &run : runs) {
        keys.push_back(RunKeys { run.words(), run.size(), run.m_rowOffset, &run.m_unsettled });
        count += run.size();
        settle = settle || !run.m_unsettled.empty();
    }
    if (count != rows.rowCount())
        throw std::logic_error("the runs to merge do not hold every row once");
    return WithWords(layout.words(), [&](auto words) {
        return Merge<decltype(words)::value>(rows, layout, keys, count, settle);
    });
}

std::vector<uint32_t> SortRows(const ResultSet &rows, const SortKeyLayout &layout)
{
    std::vector<SortRun> runs;
    runs.emplace_back(layout);
    runs.emplace_back(layout);
    InParts(rows.rowCount(), PartsFor(rows.rowCount(), 16384, 2),
        [&](size_t part, size_t first, size_t last) {
            SortRun &run = runs[part];
            run.add(rows, first, last);
            run.sort();
        });
    return MergeRuns(rows, runs);
}

int CompareRows(const ResultSet &rows, const std::vector<OrderKey> &keys, size_t a, size_t b)
{
    for (const OrderKey &key : keys) {
        const Family family = FamilyOfType(rows.columns()[static_cast<size_t>(key.column)].type);
        const int x = TypeRank(rows.kind(a, key.column), family);
        const int y = TypeRank(rows.kind(b, key.column), family);
        int c = x < y ? -1 : (x > y ? 1 : 0);
        if (c == 0 && x != 0)
            c = rows.compare(a, b, key.column);
        if (c != 0)
            return key.descending ? -c : c;
    }
    return 0;
}

} // namespace vfp::sql
