// The order check of a filled list against the list's own comparison of its rows, over texts
// whose first bytes settle their order and texts whose first bytes do not.
#include "review/ListOrderCheck.h"
#include "review/MemSTran.h"

#include <QString>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

const std::vector<ReviewField> Fields { ReviewField::st_account, ReviewField::st_trref };

// Texts that part in their first bytes and later, in and beyond ASCII: accented letters, a
// character beyond the first 65,536 (two UTF-16 units, which order before U+E000 and after it
// in UTF-8), zeros inside a text, blanks, and the empty text.
const std::vector<std::string> Texts { "", " ", "A", "A ", "AB", "a", "B", "C00123  ", "C00124  ",
    "SI1000123           ", "SI1000124           ", "SI1000123           x", "SI1000123          ",
    std::string("A\0", 2), std::string("A\0B", 3), "\xC3\xA9", "e", "\xC3\x89", "\xEE\x80\x80",
    "\xF0\x9F\x98\x80", "0123456789abcdef", "0123456789abcdeg", "0123456789abcdef0",
    "0123456789abcde\xC3\xA9", "0123456789abcde" };

struct Cell
{
    int text; // in Texts; -1: empty (null)
    bool owned; // held as a QString, not in place
};

void Fill(ReviewRow &row, ReviewField field, const Cell &cell)
{
    if (cell.text < 0)
        return;
    const std::string &bytes = Texts[static_cast<size_t>(cell.text)];
    row.*TextMemberOf(field) = cell.owned
        ? ReviewText(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())))
        : ReviewText::inPlace(bytes);
    row.markSet(field);
}

// The list's own verdict: no row orders before the one above it.
bool ListSaysInOrder(const MemSTran &list)
{
    for (int i = 1; i < list.recordCount(); ++i) {
        for (const ReviewField field : Fields) {
            const int order = CompareField(list.row(i - 1), list.row(i), field);
            if (order > 0)
                return false;
            if (order < 0)
                break;
        }
    }
    return true;
}

TEST(ListOrderCheck, AgreesWithTheListsOwnOrder)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> text(-1, static_cast<int>(Texts.size()) - 1);
    std::uniform_int_distribution<int> fewRows(2, 4);
    int inOrder = 0;
    int outOfOrder = 0;
    for (int round = 0; round < 20000; ++round) {
        const int rows = fewRows(random);
        std::vector<int> places(static_cast<size_t>(rows));
        for (int i = 0; i < rows; ++i)
            places[static_cast<size_t>(i)] = rows - 1 - i; // filled from the bottom up
        MemSTran list;
        list.open();
        const std::span<ReviewRow> filled = list.appendRows(places);
        ListOrderCheck check(Fields, places);
        // Mostly a row equal to or after the one before on the first field, so the second
        // field and the full comparison get their turns.
        Cell previous { text(random), false };
        for (size_t k = 0; k < filled.size(); ++k) {
            const Cell account = random() % 3 == 0 ? Cell { text(random), random() % 8 == 0 }
                                                   : Cell { previous.text, random() % 8 == 0 };
            previous = account;
            Fill(filled[k], ReviewField::st_account, account);
            Fill(filled[k], ReviewField::st_trref, { text(random), random() % 8 == 0 });
            check.note(k, filled[k]);
        }
        const bool expected = ListSaysInOrder(list);
        ASSERT_EQ(check.inOrder(list), expected) << "round " << round;
        (expected ? inOrder : outOfOrder) += 1;
    }
    EXPECT_GT(inOrder, 1000);
    EXPECT_GT(outOfOrder, 1000);
}

// A long list is checked in parts: a row out of order anywhere, where the parts meet too, is
// found.
TEST(ListOrderCheck, FindsARowOutOfOrderAnywhereInALongList)
{
    constexpr int Rows = 40000;
    std::vector<std::string> accounts;
    for (int i = 0; i < Rows; ++i)
        accounts.push_back("C" + std::to_string(100000 + i));
    for (const int swapped : { -1, 1, Rows / 2, Rows - 1 }) {
        std::vector<int> places(Rows);
        for (int i = 0; i < Rows; ++i)
            places[static_cast<size_t>(i)] = (i * 7919) % Rows; // filled in a scattered order
        MemSTran list;
        list.open();
        const std::span<ReviewRow> filled = list.appendRows(places);
        ListOrderCheck check(Fields, places);
        for (size_t k = 0; k < filled.size(); ++k) {
            int account = places[k];
            if (swapped > 0 && (account == swapped || account == swapped - 1))
                account = account == swapped ? swapped - 1 : swapped;
            filled[k].st_account = ReviewText::inPlace(accounts[static_cast<size_t>(account)]);
            filled[k].markSet(ReviewField::st_account);
            check.note(k, filled[k]);
        }
        EXPECT_EQ(check.inOrder(list), swapped < 0) << swapped;
    }
}

} // namespace
