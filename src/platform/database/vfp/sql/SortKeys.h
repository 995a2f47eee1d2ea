#pragma once

// The order of a query's rows from one packed key per row. Each ORDER BY key becomes a run of
// bytes that compare as the values do (a text as its characters' code-page bytes padded with
// blanks, a number, date or logical as an order-preserving big-endian integer, a leading byte
// putting nulls first, every byte inverted for DESC); the keys one after another, then the row's
// number, make words that sort with integer comparisons alone. Where a key's bytes cannot tell
// two values apart (a text longer than its room, a character the code page lacks), the row says
// so, and rows whose bytes tie up to there are put in order by comparing their values.
//
// Keys are built where the rows are: each thread that scans a part of a table keys and sorts
// the rows it made (a run), and the runs are merged once the parts are joined.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace vfp::sql {

class ResultSet;
struct ResultColumn;

// An ORDER BY key: an output column, its direction, and whether it may hold a null (false only
// where it cannot: a field without nulls of a table every row has a record of).
struct OrderKey
{
    int column = 0;
    bool descending = false;
    bool mayBeNull = true;
};

// Where each key lies in a row's packed key: worked out once per statement from the columns'
// types, shared by the threads that build keys.
class SortKeyLayout
{
public:
    enum class Family : uint8_t { Text, Number, Logical, Date, Any };
    struct Part
    {
        OrderKey key;
        Family family = Family::Any;
        bool nullByte = true; // a first byte, 0 for null; a type byte for a column of any type
        uint16_t offset = 0; // of the part's first byte in the key
        uint16_t width = 0; // bytes of the value, after the null byte
        uint16_t end() const { return static_cast<uint16_t>(offset + nullByte + width); }
    };

    // The longest packed key; ORDER BY keys past it are compared as values on ties.
    static constexpr size_t MaxKeyBytes = 60;

    SortKeyLayout(const std::vector<ResultColumn> &columns, std::vector<OrderKey> keys);

    const std::vector<OrderKey> &keys() const { return m_keys; }
    const std::vector<Part> &parts() const { return m_parts; }
    size_t keyBytes() const { return m_keyBytes; }
    // 64-bit words per row: the key's bytes, then the row's number in the last word's low half.
    size_t words() const { return m_words; }
    // Whether every ORDER BY key is in the packed key.
    bool complete() const { return m_parts.size() == m_keys.size(); }

private:
    std::vector<OrderKey> m_keys;
    std::vector<Part> m_parts;
    size_t m_keyBytes = 0;
    size_t m_words = 1;
};

// Memory kept from one sort for the next (a list refreshed after each change of its filters
// sorts the same number of rows again), so that it is not cleared by the kernel each time.
class SortBuffer
{
public:
    SortBuffer() = default;
    // `growing`: for a buffer that may grow, which takes the biggest kept buffer it can.
    explicit SortBuffer(size_t bytes, bool growing = false);
    SortBuffer(SortBuffer &&other) noexcept;
    SortBuffer &operator=(SortBuffer &&other) noexcept;
    SortBuffer(const SortBuffer &) = delete;
    SortBuffer &operator=(const SortBuffer &) = delete;
    ~SortBuffer();

    void *data() const { return m_data; }
    size_t capacity() const { return m_capacity; }
    // Frees the memory instead of keeping it.
    void discard();

private:
    void *m_data = nullptr;
    size_t m_capacity = 0;
};

// The packed keys of some consecutive rows of one result, in row order as they are added, then
// sorted. Rows are numbered as in the result they were keyed from; a run keyed from the rows of
// one part of a scan is given the number its part's first row takes once the parts are joined.
class SortRun
{
public:
    explicit SortRun(const SortKeyLayout &layout);

    // Keys rows first..last-1 of `rows`.
    void add(const ResultSet &rows, size_t first, size_t last);
    void sort();
    size_t size() const { return m_count; }
    void setRowOffset(uint32_t offset) { m_rowOffset = offset; }

private:
    friend std::vector<uint32_t> MergeRuns(const ResultSet &rows, std::vector<SortRun> &runs);
    uint64_t *words() const { return static_cast<uint64_t *>(m_buffer.data()); }
    void reserve(size_t rows);

    const SortKeyLayout *m_layout;
    SortBuffer m_buffer;
    size_t m_count = 0;
    uint32_t m_rowOffset = 0;
    // Rows (as numbered here) whose key bytes up to .second do not settle their order.
    std::vector<std::pair<uint32_t, uint16_t>> m_unsettled;
};

// The order of `rows` (order[i] is the row that goes i-th) from sorted runs that together hold
// each of its rows once, stable: rows that tie keep their order. Runs whose rows come first in
// `rows` come first in `runs`.
std::vector<uint32_t> MergeRuns(const ResultSet &rows, std::vector<SortRun> &runs);

// The same over all the rows of `rows`, keyed and sorted here (on two threads when they are
// many).
std::vector<uint32_t> SortRows(const ResultSet &rows, const SortKeyLayout &layout);

// The order of two rows by the keys, as the sort puts them: nulls first, then values of other
// types than the column's, then the column's values in order; DESC reverses the whole key.
int CompareRows(const ResultSet &rows, const std::vector<OrderKey> &keys, size_t a, size_t b);

} // namespace vfp::sql
