// The join index answers alike whether it looks keys up by hash or, for close whole numbers,
// by value in an array.

#include "platform/database/vfp/sql/KeyIndex.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using vfp::Value;
using vfp::sql::KeyIndex;

// Inserts the values as entries 0, 1, ...; returns the index, settled when asked.
KeyIndex Build(const std::vector<Value> &values, bool settle)
{
    KeyIndex index;
    std::string key;
    for (size_t i = 0; i < values.size(); ++i) {
        if (!KeyIndex::encode(values[i], key))
            continue;
        bool inserted = false;
        KeyIndex::Chain &chain = index.insert(key, static_cast<uint32_t>(i), inserted);
        if (!inserted)
            chain.last = static_cast<uint32_t>(i);
    }
    if (settle)
        index.settle();
    return index;
}

// The first and last entry of the probe's chain; nullopt when nothing matches.
std::optional<std::pair<uint32_t, uint32_t>> Probe(const KeyIndex &index, const Value &probe)
{
    std::string key;
    if (!KeyIndex::encode(probe, key))
        return std::nullopt;
    const KeyIndex::Chain *chain = index.find(key);
    if (!chain)
        return std::nullopt;
    return std::make_pair(chain->first, chain->last);
}

std::vector<Value> Probes()
{
    std::vector<Value> probes;
    for (int n = -4; n <= 8; ++n)
        probes.push_back(Value::numeric(n, 0));
    probes.push_back(Value::integer(3));
    probes.push_back(Value::numeric(2.5, 1));
    probes.push_back(Value::numeric(-0.0, 0));
    probes.push_back(Value::numeric(1e300, 0));
    probes.push_back(Value::character("3"));
    probes.push_back(Value());
    return probes;
}

TEST(KeyIndex, CloseWholeNumbersFindWhatHashingFinds)
{
    const std::vector<Value> keys = { Value::numeric(1, 0), Value::numeric(3, 0), Value::integer(3),
        Value::numeric(5, 0), Value::numeric(-2, 0), Value::numeric(0, 0), Value() };
    const KeyIndex hashed = Build(keys, false);
    const KeyIndex dense = Build(keys, true);
    for (const Value &probe : Probes())
        EXPECT_EQ(Probe(hashed, probe), Probe(dense, probe)) << probe.number();
    EXPECT_EQ(std::make_pair(1u, 2u), Probe(dense, Value::numeric(3, 0)));
    EXPECT_EQ(std::make_pair(5u, 5u), Probe(dense, Value::numeric(-0.0, 0)));
    EXPECT_FALSE(Probe(dense, Value::numeric(2.5, 1)));
    EXPECT_FALSE(Probe(dense, Value::numeric(6, 0)));
    EXPECT_FALSE(Probe(dense, Value::character("3")));
}

TEST(KeyIndex, FarApartFractionalOrTextKeysStayHashed)
{
    for (const std::vector<Value> &keys : {
             std::vector<Value> { Value::numeric(1, 0), Value::numeric(1e9, 0) },
             std::vector<Value> { Value::numeric(1, 0), Value::numeric(1.5, 1) },
             std::vector<Value> { Value::numeric(1, 0), Value::character("2") },
         }) {
        const KeyIndex index = Build(keys, true);
        EXPECT_EQ(std::make_pair(0u, 0u), Probe(index, keys[0]));
        EXPECT_EQ(std::make_pair(1u, 1u), Probe(index, keys[1]));
        EXPECT_FALSE(Probe(index, Value::numeric(2, 0)));
    }
}

TEST(KeyIndex, InsertingAfterSettlingStillFindsEveryKey)
{
    KeyIndex index = Build({ Value::numeric(1, 0), Value::numeric(2, 0) }, true);
    std::string key;
    KeyIndex::encode(Value::numeric(100000, 0), key);
    bool inserted = false;
    index.insert(key, 7, inserted);
    EXPECT_TRUE(inserted);
    EXPECT_EQ(std::make_pair(7u, 7u), Probe(index, Value::numeric(100000, 0)));
    EXPECT_EQ(std::make_pair(1u, 1u), Probe(index, Value::numeric(2, 0)));
    EXPECT_EQ(3u, index.size());
}

TEST(KeyIndex, TextKeysIgnoreTrailingBlanksOnly)
{
    const KeyIndex index = Build({ Value::character("A1  "), Value::character(" A1") }, true);
    EXPECT_EQ(std::make_pair(0u, 0u), Probe(index, Value::character("A1")));
    EXPECT_EQ(std::make_pair(1u, 1u), Probe(index, Value::character(" A1      ")));
    EXPECT_FALSE(Probe(index, Value::character("A")));
}

TEST(KeyIndex, KeysPlacedByValueGrowBothWaysAndTurnToHashingWhenFarApart)
{
    // Descending then ascending ids with repeats, as a status table appended to out of order
    // holds them; then, for the second index, one id far away.
    std::vector<Value> keys;
    for (int id = 3000; id >= 1; id -= 3)
        keys.push_back(Value::numeric(id, 0));
    for (int id = 3001; id <= 9000; id += 2)
        keys.push_back(Value::numeric(id, 0));
    keys.push_back(Value::numeric(1500, 0)); // a repeat: one more entry in that chain
    const auto repeat = static_cast<uint32_t>(keys.size() - 1);
    const KeyIndex placed = Build(keys, true);
    keys.push_back(Value::numeric(5e12, 0));
    const KeyIndex hashed = Build(keys, true);
    for (const KeyIndex *index : { &placed, &hashed }) {
        for (uint32_t i = 0; i < repeat; ++i)
            ASSERT_TRUE(Probe(*index, keys[i])) << keys[i].number();
        EXPECT_EQ(std::make_pair(500u, repeat), Probe(*index, Value::numeric(1500, 0)));
        EXPECT_FALSE(Probe(*index, Value::numeric(2, 0)));
        EXPECT_FALSE(Probe(*index, Value::numeric(9002, 0)));
    }
    EXPECT_EQ(std::make_pair(repeat + 1, repeat + 1), Probe(hashed, Value::numeric(5e12, 0)));
    EXPECT_EQ(placed.size() + 1, hashed.size());
}

TEST(KeyIndex, TextKeysAroundTheSlotsHeadLengthKeepTheirChainsThroughGrowth)
{
    // Keys that share their first bytes and differ only after the 15 a slot holds, or only in
    // length (a NUL at the end), each twice: once among the first keys, once after the table
    // has grown many times, so each chain's last entry is set on a moved slot.
    std::vector<Value> keys;
    const std::string prefix = "ACCOUNT-NUMBER-0000";
    for (size_t length = 0; length <= prefix.size(); ++length)
        keys.push_back(Value::character(prefix.substr(0, length) + "x"));
    keys.push_back(Value::character(std::string("AB\0", 3)));
    keys.push_back(Value::character("AB"));
    const size_t distinct = keys.size();
    for (int n = 0; n < 3000; ++n)
        keys.push_back(Value::character("C" + std::to_string(100000 + n)));
    for (size_t i = 0; i < distinct; ++i)
        keys.push_back(keys[i]);
    for (const bool settle : { false, true }) {
        const KeyIndex index = Build(keys, settle);
        EXPECT_EQ(index.size(), distinct + 3000);
        for (size_t i = 0; i < distinct; ++i) {
            const auto last = static_cast<uint32_t>(distinct + 3000 + i);
            EXPECT_EQ(std::make_pair(static_cast<uint32_t>(i), last), Probe(index, keys[i]))
                << keys[i].text();
        }
        EXPECT_EQ(std::make_pair(uint32_t(distinct + 7), uint32_t(distinct + 7)),
            Probe(index, Value::character("C100007")));
        for (const char *absent : { "ACCOUNT-NUMBER-0000y", "ACCOUNT-NUMBER-0000xx",
                 "ACCOUNT-NUMBER-", "AB\1", "C99999", "" }) {
            EXPECT_FALSE(Probe(index, Value::character(absent))) << absent;
        }
    }
}

} // namespace
