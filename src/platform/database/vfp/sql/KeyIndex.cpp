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
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot &slot = m_slots[at];
        if (!slot.used)
            return at;
        if (slot.hash == hash && slot.keyLength == key.size()
            && std::string_view(m_keys).substr(slot.keyOffset, slot.keyLength) == key)
            return at;
    }
}

void KeyIndex::grow()
{
    std::vector<Slot> old = std::move(m_slots);
    m_slots.assign(old.empty() ? 64 : old.size() * 2, Slot());
    const size_t mask = m_slots.size() - 1;
    for (const Slot &slot : old) {
        if (!slot.used)
            continue;
        size_t at = slot.hash & mask;
        while (m_slots[at].used)
            at = (at + 1) & mask;
        m_slots[at] = slot;
    }
}

KeyIndex::Chain &KeyIndex::insert(std::string_view key, uint32_t entry, bool &inserted)
{
    // Kept at most half full, so probes stay short.
    if ((m_count + 1) * 2 > m_slots.size())
        grow();
    const uint64_t hash = HashOf(key);
    Slot &slot = m_slots[locate(key, hash)];
    inserted = !slot.used;
    if (inserted) {
        slot.used = true;
        slot.hash = hash;
        slot.keyOffset = m_keys.size();
        slot.keyLength = static_cast<uint32_t>(key.size());
        slot.chain = Chain { entry, entry };
        m_keys.append(key);
        ++m_count;
    }
    return slot.chain;
}

const KeyIndex::Chain *KeyIndex::find(std::string_view key) const
{
    if (m_slots.empty())
        return nullptr;
    const Slot &slot = m_slots[locate(key, HashOf(key))];
    return slot.used ? &slot.chain : nullptr;
}

} // namespace vfp::sql
