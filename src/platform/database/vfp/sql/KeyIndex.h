#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vfp::sql {

// The hash table of a hash join: key bytes to the first and last entry of a chain. Open
// addressing over one array with the keys in one buffer, so a probe touches a cache line or two.
class KeyIndex
{
public:
    struct Chain
    {
        uint32_t first;
        uint32_t last;
    };

    // The chain of the key, created with `entry` as its only member when new.
    Chain &insert(std::string_view key, uint32_t entry, bool &inserted);
    const Chain *find(std::string_view key) const;
    size_t size() const { return m_count; }

private:
    struct Slot
    {
        uint64_t hash = 0;
        uint64_t keyOffset = 0;
        uint32_t keyLength = 0;
        bool used = false;
        Chain chain { 0, 0 };
    };

    size_t locate(std::string_view key, uint64_t hash) const;
    void grow();

    std::vector<Slot> m_slots;
    std::string m_keys;
    size_t m_count = 0;
};

} // namespace vfp::sql
