#pragma once

#include "review/ReviewRow.h"

#include <cstdint>
#include <memory>
#include <vector>

class MemSTran;

// Tells whether a filled list already stands in the order of some of its text fields
// (ascending, empty first, as MemSTran::sort orders them) without reading its rows at random:
// the first bytes of each row's texts are noted in the order the rows are filled, and the check
// reads them in the list's order. Only two rows whose first bytes do not settle their order are
// compared in full.
class ListOrderCheck
{
public:
    // For rows filled in turns, places[k] the list row of the k-th (as MemSTran::appendRows).
    ListOrderCheck(std::vector<ReviewField> fields, const std::vector<int> &places);

    // Notes the texts of the row filled in a turn; rows of different turns may be noted from
    // several threads at once.
    void note(size_t turn, const ReviewRow &row);
    // Whether every row of the list (whose rows were all noted) is in order after the one
    // before it.
    bool inOrder(const MemSTran &list) const;

private:
    // A text's first bytes as two big-endian words, zeros past its end. Plain data: room for
    // the prefixes of many rows is made without writing to it.
    struct Prefix
    {
        uint64_t high;
        uint64_t low;
        uint8_t state; // Empty (a null), Whole (all of it, in ASCII), Part or Unknown
    };

    // Whether the places from begin to end are each in order after the one before (a long
    // list is checked in two halves at once).
    bool inOrder(const MemSTran &list, size_t begin, size_t end) const;
    // The order of two rows' texts by their first bytes: -1, 0 or 1, or Unsettled.
    static int compare(const Prefix &a, const Prefix &b);
    static constexpr int Unsettled = 2;

    std::vector<ReviewField> m_fields;
    std::vector<TextMember> m_members;
    std::unique_ptr<Prefix[]> m_prefixes; // of turn k's field f at k * fields + f
    std::vector<uint32_t> m_turns; // the turn of each place in the list
};
