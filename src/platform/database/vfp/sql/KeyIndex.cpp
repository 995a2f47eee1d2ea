#include "platform/database/vfp/sql/KeyIndex.h"

#include <functional>

namespace vfp::sql {

namespace {

uint64_t HashOf(std::string_view key)
{
    return std::hash<std::string_view>()(key);
}

} // namespace

size_t KeyIndex::locate(std::string_view key, uint64_t hash) const
{
    const size_t mask = m_slots.size() - 1;
    const uint64_t fragment = hash >> 32;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const uint64_t slot = m_slots[at];
        if (slot == 0)
            return at;
        if ((slot >> 32) == fragment) {
            const Key &k = m_keys[static_cast<uint32_t>(slot) - 1];
            if (k.length == key.size()
                && std::string_view(m_bytes).substr(k.offset, k.length) == key)
                return at;
        }
    }
}

void KeyIndex::grow()
{
    m_slots.assign(m_slots.empty() ? 64 : m_slots.size() * 2, 0);
    const size_t mask = m_slots.size() - 1;
    for (size_t n = 0; n < m_keys.size(); ++n) {
        const Key &k = m_keys[n];
        size_t at = k.hash & mask;
        while (m_slots[at] != 0)
            at = (at + 1) & mask;
        m_slots[at] = (k.hash >> 32) << 32 | (n + 1);
    }
}

KeyIndex::Chain &KeyIndex::insert(std::string_view key, uint32_t entry, bool &inserted)
{
    // Kept at most half full, so probes stay short.
    if ((m_keys.size() + 1) * 2 > m_slots.size())
        grow();
    const uint64_t hash = HashOf(key);
    uint64_t &slot = m_slots[locate(key, hash)];
    inserted = slot == 0;
    if (!inserted)
        return m_keys[static_cast<uint32_t>(slot) - 1].chain;
    m_keys.push_back(
        Key { hash, m_bytes.size(), static_cast<uint32_t>(key.size()), Chain { entry, entry } });
    m_bytes.append(key);
    slot = (hash >> 32) << 32 | m_keys.size();
    return m_keys.back().chain;
}

const KeyIndex::Chain *KeyIndex::find(std::string_view key) const
{
    if (m_slots.empty())
        return nullptr;
    const uint64_t slot = m_slots[locate(key, HashOf(key))];
    return slot == 0 ? nullptr : &m_keys[static_cast<uint32_t>(slot) - 1].chain;
}

} // namespace vfp::sql
