#pragma once

#include "platform/database/vfp/Value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vfp::sql {

// The hash table of a hash join: key bytes to the first and last entry of a chain. While every
// key is a whole number and they lie close together (the usual record ids), keys are placed in
// an array by value and never hashed; the keys and their chains are then kept in insertion
// order, so probes in build order read them in sequence. Otherwise open addressing over an
// array of 32-byte slots, each with a hash fragment, the key's first 15 bytes and length, and
// its chain: a probe for a key that short (account codes and the like) reads one slot and
// nothing else.
class KeyIndex
{
public:
    // Its arrays come from, and go back to, the spares of earlier indexes (see BlockMemory.h).
    KeyIndex();
    ~KeyIndex();
    KeyIndex(KeyIndex &&) noexcept = default;
    KeyIndex &operator=(KeyIndex &&) noexcept = default;
    KeyIndex(const KeyIndex &) = delete;
    KeyIndex &operator=(const KeyIndex &) = delete;

    // The key of a join value: equal keys exactly when `==` holds (texts without trailing
    // blanks). With a width, a text's key is made of its first `width` characters only. False
    // for null, which joins nothing.
    static bool encode(const Value &value, std::string &key, size_t width = 0);

    struct Chain
    {
        uint32_t first;
        uint32_t last;
    };

    // About how many keys will be inserted: room for them, and how far apart whole-number keys
    // may lie and still be placed by value.
    void reserve(size_t keys);
    // The chain of the key, created with `entry` as its only member when new; valid until the
    // next insert.
    Chain &insert(std::string_view key, uint32_t entry, bool &inserted);
    const Chain *find(std::string_view key) const;
    // After the last insert: when the keys were hashed but every key is a whole number and they
    // lie close together, find() looks them up in an array by value, so ascending probes read
    // memory in order.
    void settle();
    size_t size() const { return m_keys.size(); }

private:
    // 16 bytes, so that the keys of a customer table stay in the processor's nearer caches
    // while a scan probes them in no particular order; hashes are computed again on a rehash.
    struct Key
    {
        uint32_t offset; // in m_bytes
        uint32_t length;
        Chain chain;
    };

    struct Slot
    {
        uint64_t head[2]; // the key's first 15 bytes, zero padded, then its length (255: longer)
        uint32_t fragment; // the hash's high half
        uint32_t key; // key number + 1; 0 for an empty slot
        Chain chain; // while hashing (m_keys' chains are then not kept)
    };
    static void headOf(std::string_view key, uint64_t head[2]);

    // The slot holding the key, or the empty slot where it would go.
    size_t locate(std::string_view key, uint64_t hash, const uint64_t head[2]) const;
    void grow();
    // Slots anew (a power of two), filled from m_keys' chains or from the present slots'.
    void rehash(size_t slots, bool fromSlots);
    std::string_view keyBytes(const Key &key) const
    {
        return std::string_view(m_bytes).substr(key.offset, key.length);
    }
    // Appends a new key's bytes; throws when the keys' bytes would pass what an offset holds.
    uint32_t storeKey(std::string_view key);
    // Makes the whole number addressable in m_dense; false when the keys would lie too far apart.
    bool placeDense(int64_t integer);
    void startHashing();
    size_t denseLimit() const;

    std::vector<Slot> m_slots;
    std::vector<Key> m_keys;
    std::string m_bytes;
    std::vector<uint32_t> m_dense; // key number + 1 by integer - m_denseLow; 0 none
    int64_t m_denseLow = 0;
    int64_t m_lowestKey = 0, m_highestKey = 0; // while placing by value
    bool m_hashing = false; // keys are in m_slots (else in m_dense while placing by value)
    size_t m_expected = 0;
};

} // namespace vfp::sql
