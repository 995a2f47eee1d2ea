#include "platform/database/vfp/sql/KeyIndex.h"

#include "platform/database/vfp/Table.h"
#include "platform/database/vfp/sql/BlockMemory.h"
#include "platform/database/vfp/sql/TextOps.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>

namespace vfp::sql {

namespace {

uint64_t HashOf(std::string_view key)
{
    return std::hash<std::string_view>()(key);
}

// The integer a key encodes, when it is a number with no fraction (as encode() writes it).
bool IntegerOf(std::string_view key, int64_t &integer)
{
    double number = 0;
    if (key.size() != 1 + sizeof number || key[0] != 'N')
        return false;
    std::memcpy(&number, key.data() + 1, sizeof number);
    if (!(number >= -9e15 && number <= 9e15))
        return false;
    integer = static_cast<int64_t>(number);
    return static_cast<double>(integer) == number;
}

// How far apart whole-number keys may lie to be placed by value: the array stays within a few
// times the keys' own size.
size_t DenseLimit(size_t keys)
{
    return 4 * keys + 64;
}

// A kind letter followed by the value's bytes.
template <typename Number> void AppendNumberKey(std::string &key, char kind, Number number)
{
    char bytes[sizeof number];
    std::memcpy(bytes, &number, sizeof number);
    key.push_back(kind);
    key.append(bytes, sizeof bytes);
}

} // namespace

KeyIndex::KeyIndex()
    : m_slots(SpareContainers<std::vector<Slot>>::take())
    , m_keys(SpareContainers<std::vector<Key>>::take())
    , m_bytes(SpareContainers<std::string>::take())
    , m_dense(SpareContainers<std::vector<uint32_t>>::take())
{ }

KeyIndex::~KeyIndex()
{
    SpareContainers<std::vector<Slot>>::giveBack(m_slots);
    SpareContainers<std::vector<Key>>::giveBack(m_keys);
    SpareContainers<std::string>::giveBack(m_bytes);
    SpareContainers<std::vector<uint32_t>>::giveBack(m_dense);
}

bool KeyIndex::encode(const Value &value, std::string &key, size_t width)
{
    key.clear();
    switch (value.kind()) {
    case Value::Kind::Null:
        return false;
    case Value::Kind::Character:
    case Value::Kind::Memo:
        key.push_back('C');
        key.append(text::TrimRight(width ? text::Left(value.text(), width) : value.text()));
        return true;
    case Value::Kind::Numeric:
    case Value::Kind::Integer: {
        double number = value.number();
        if (number == 0)
            number = 0; // one key for -0 and 0
        AppendNumberKey(key, 'N', number);
        return true;
    }
    case Value::Kind::Date:
    case Value::Kind::DateTime: {
        AppendNumberKey(key, 'D', int64_t(value.julianDay()) * 86400000 + value.milliseconds());
        return true;
    }
    case Value::Kind::Logical:
        key.push_back('L');
        key.push_back(value.logical() ? 'T' : 'F');
        return true;
    }
    return false;
}

void KeyIndex::settle()
{
    if (!m_hashing)
        return; // placed by value already
    m_dense.clear();
    if (m_keys.empty())
        return;
    int64_t low = std::numeric_limits<int64_t>::max(), high = std::numeric_limits<int64_t>::min();
    std::vector<int64_t> integers(m_keys.size());
    for (size_t n = 0; n < m_keys.size(); ++n) {
        const Key &k = m_keys[n];
        if (!IntegerOf(keyBytes(k), integers[n]))
            return;
        low = std::min(low, integers[n]);
        high = std::max(high, integers[n]);
    }
    const auto span = static_cast<uint64_t>(high - low) + 1;
    if (span > DenseLimit(m_keys.size()))
        return;
    // Looked up by value from now on, the chains are read from the keys.
    for (const Slot &slot : m_slots) {
        if (slot.key != 0)
            m_keys[slot.key - 1].chain = slot.chain;
    }
    m_denseLow = low;
    m_dense.assign(span, 0);
    for (size_t n = 0; n < m_keys.size(); ++n)
        m_dense[static_cast<size_t>(integers[n] - low)] = static_cast<uint32_t>(n + 1);
}

void KeyIndex::headOf(std::string_view key, uint64_t head[2])
{
    unsigned char bytes[16] = {};
    std::memcpy(bytes, key.data(), std::min<size_t>(key.size(), 15));
    bytes[15] = static_cast<unsigned char>(std::min<size_t>(key.size(), 255));
    std::memcpy(head, bytes, sizeof bytes);
}

size_t KeyIndex::locate(std::string_view key, uint64_t hash, const uint64_t head[2]) const
{
    const size_t mask = m_slots.size() - 1;
    const auto fragment = static_cast<uint32_t>(hash >> 32);
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot &slot = m_slots[at];
        if (slot.key == 0)
            return at;
        // Equal heads are equal keys up to 15 bytes; a longer key is compared in full.
        if (slot.fragment == fragment && slot.head[0] == head[0] && slot.head[1] == head[1]
            && (key.size() <= 15 || keyBytes(m_keys[slot.key - 1]) == key))
            return at;
    }
}

uint32_t KeyIndex::storeKey(std::string_view key)
{
    if (m_bytes.size() + key.size() > std::numeric_limits<uint32_t>::max())
        throw Error("The keys of a join take more than 4 GiB; narrow it with a WHERE condition");
    // Keys of one join are mostly alike in length: room for the expected ones at once.
    if (m_bytes.empty() && key.size() <= 16)
        m_bytes.reserve(m_expected * key.size());
    const auto offset = static_cast<uint32_t>(m_bytes.size());
    m_bytes.append(key);
    return offset;
}

void KeyIndex::reserve(size_t keys)
{
    m_keys.reserve(keys);
    m_expected = std::max(m_expected, keys);
}

size_t KeyIndex::denseLimit() const
{
    return DenseLimit(std::max(m_expected, m_keys.size() + 1));
}

bool KeyIndex::placeDense(int64_t integer)
{
    if (m_dense.empty()) {
        m_denseLow = m_lowestKey = m_highestKey = integer;
        // Room at once for as many keys as are expected, which record ids in order fill.
        m_dense.assign(std::min(denseLimit(), std::max<size_t>(m_expected, 1024)), 0);
        return true;
    }
    const int64_t lowest = std::min(m_lowestKey, integer);
    const int64_t highest = std::max(m_highestKey, integer);
    const auto span = static_cast<uint64_t>(highest - lowest) + 1;
    if (span > denseLimit())
        return false;
    m_lowestKey = lowest;
    m_highestKey = highest;
    if (integer >= m_denseLow && static_cast<uint64_t>(integer - m_denseLow) < m_dense.size())
        return true;
    // Grown to twice its size where the limit allows, with the room on the side it grew.
    const size_t size = std::max<size_t>(span, std::min(denseLimit(), 2 * m_dense.size()));
    const int64_t low = integer < m_denseLow ? highest - static_cast<int64_t>(size) + 1 : lowest;
    std::vector<uint32_t> dense(size, 0);
    for (size_t i = 0; i < m_dense.size(); ++i) {
        if (m_dense[i] != 0)
            dense[static_cast<size_t>(m_denseLow + static_cast<int64_t>(i) - low)] = m_dense[i];
    }
    m_dense = std::move(dense);
    m_denseLow = low;
    return true;
}

void KeyIndex::startHashing()
{
    m_hashing = true;
    m_dense.clear();
    size_t slots = 64;
    while (3 * slots < 4 * std::max(m_expected, m_keys.size() + 1))
        slots *= 2;
    rehash(slots, false);
}

void KeyIndex::grow()
{
    rehash(m_slots.empty() ? 64 : m_slots.size() * 2, true);
}

void KeyIndex::rehash(size_t slots, bool fromSlots)
{
    std::vector<Chain> chains(m_keys.size());
    if (fromSlots) {
        for (const Slot &slot : m_slots) {
            if (slot.key != 0)
                chains[slot.key - 1] = slot.chain;
        }
    } else {
        for (size_t n = 0; n < m_keys.size(); ++n)
            chains[n] = m_keys[n].chain;
    }
    m_slots.assign(slots, Slot {});
    const size_t mask = m_slots.size() - 1;
    for (size_t n = 0; n < m_keys.size(); ++n) {
        const std::string_view key = keyBytes(m_keys[n]);
        const uint64_t hash = HashOf(key);
        size_t at = hash & mask;
        while (m_slots[at].key != 0)
            at = (at + 1) & mask;
        Slot &slot = m_slots[at];
        headOf(key, slot.head);
        slot.fragment = static_cast<uint32_t>(hash >> 32);
        slot.key = static_cast<uint32_t>(n + 1);
        slot.chain = chains[n];
    }
}

KeyIndex::Chain &KeyIndex::insert(std::string_view key, uint32_t entry, bool &inserted)
{
    if (!m_hashing) {
        int64_t integer = 0;
        if (IntegerOf(key, integer) && placeDense(integer)) {
            uint32_t &number = m_dense[static_cast<size_t>(integer - m_denseLow)];
            inserted = number == 0;
            if (!inserted)
                return m_keys[number - 1].chain;
            m_keys.push_back(
                Key { storeKey(key), static_cast<uint32_t>(key.size()), Chain { entry, entry } });
            number = static_cast<uint32_t>(m_keys.size());
            return m_keys.back().chain;
        }
        startHashing();
    }
    // Kept at most three quarters full: probes stay short, and two slots share a cache line.
    m_dense.clear();
    if ((m_keys.size() + 1) * 4 > m_slots.size() * 3)
        grow();
    const uint64_t hash = HashOf(key);
    uint64_t head[2];
    headOf(key, head);
    Slot &slot = m_slots[locate(key, hash, head)];
    inserted = slot.key == 0;
    if (!inserted)
        return slot.chain;
    m_keys.push_back(
        Key { storeKey(key), static_cast<uint32_t>(key.size()), Chain { entry, entry } });
    slot.head[0] = head[0];
    slot.head[1] = head[1];
    slot.fragment = static_cast<uint32_t>(hash >> 32);
    slot.key = static_cast<uint32_t>(m_keys.size());
    slot.chain = Chain { entry, entry };
    return slot.chain;
}

const KeyIndex::Chain *KeyIndex::find(std::string_view key) const
{
    if (!m_dense.empty()) {
        int64_t integer = 0;
        if (!IntegerOf(key, integer) || integer < m_denseLow
            || static_cast<uint64_t>(integer - m_denseLow) >= m_dense.size())
            return nullptr;
        const uint32_t n = m_dense[static_cast<size_t>(integer - m_denseLow)];
        return n == 0 ? nullptr : &m_keys[n - 1].chain;
    }
    if (m_slots.empty())
        return nullptr;
    uint64_t head[2];
    headOf(key, head);
    const Slot &slot = m_slots[locate(key, HashOf(key), head)];
    return slot.key == 0 ? nullptr : &slot.chain;
}

} // namespace vfp::sql
