// The machine collating sequence over UTF-8 texts: comparisons and sort keys against the plain
// byte order of the same texts in Windows-1252.

#include "platform/database/vfp/sql/Collation.h"
#include "platform/database/vfp/sql/ResultSet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using vfp::CodePage;
using vfp::Value;
using vfp::sql::Collation;

// A character with its order: its Windows-1252 byte, or past every byte ("→" has none).
struct Letter
{
    const char *utf8;
    int rank;
};
const Letter Alphabet[] = { { " ", 0x20 }, { "\t", 0x09 }, { "a", 'a' }, { "Z", 'Z' },
    { "€", 0x80 }, { "Œ", 0x8C }, { "£", 0xA3 }, { "É", 0xC9 }, { "é", 0xE9 }, { "ß", 0xDF },
    { "ÿ", 0xFF }, { "→", 0x100 + 0x2192 } };

struct Sample
{
    std::string utf8;
    std::vector<int> ranks;
};

// Ranks compared with the shorter padded with blanks.
int ExpectedOrder(const Sample &a, const Sample &b)
{
    const size_t n = std::max(a.ranks.size(), b.ranks.size());
    for (size_t i = 0; i < n; ++i) {
        const int x = i < a.ranks.size() ? a.ranks[i] : ' ';
        const int y = i < b.ranks.size() ? b.ranks[i] : ' ';
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

std::vector<Sample> RandomSamples(size_t count)
{
    std::mt19937 random(1252);
    std::vector<Sample> samples(count);
    for (Sample &s : samples) {
        // Long shared starts, so differences also fall past the sort key's 16 characters.
        const size_t length = random() % 24;
        for (size_t i = 0; i < length; ++i) {
            const size_t pick = i < 14 && random() % 4 != 0 ? 2 : random() % std::size(Alphabet);
            s.utf8 += Alphabet[pick].utf8;
            s.ranks.push_back(Alphabet[pick].rank);
        }
    }
    return samples;
}

int Sign(int c)
{
    return (c > 0) - (c < 0);
}

// Every pair compared, and a sort whose keys hold the first 16 characters: texts that differ
// later, or in a character the code page lacks, go to the full comparison.
TEST(CollationOrder, ComparisonsAndSortsFollowTheCodePageBytes)
{
    const Collation collation(CodePage::named("CP1252"));
    const auto samples = RandomSamples(2000);
    for (size_t i = 0; i < 300; ++i) {
        for (size_t j = 0; j < 300; ++j)
            ASSERT_EQ(Sign(collation.compare(samples[i].utf8, samples[j].utf8)),
                ExpectedOrder(samples[i], samples[j]))
                << samples[i].utf8 << " / " << samples[j].utf8;
    }
    vfp::sql::ResultSet rows({ vfp::sql::ResultColumn { "t", 'C', 0, 0 } });
    for (const Sample &s : samples) {
        rows.beginRow();
        rows.append(Value::character(s.utf8));
    }
    rows.setCollation(collation);
    const auto order = rows.sortedOrder({ { 0, false } });
    for (size_t i = 1; i < order.size(); ++i)
        ASSERT_LE(ExpectedOrder(samples[order[i - 1]], samples[order[i]]), 0)
            << samples[order[i - 1]].utf8 << " / " << samples[order[i]].utf8;
}

} // namespace
