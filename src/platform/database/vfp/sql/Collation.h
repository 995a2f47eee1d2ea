#pragma once

#include "platform/database/vfp/CodePage.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vfp::sql {

// The machine collating sequence over the engine's UTF-8 texts: texts order as their bytes in
// the statement's code page would, which is the order of the index keys. A character the code
// page cannot hold orders after all of its bytes, by its Unicode value. Texts that are ASCII up
// to their first difference are compared on their bytes alone.
class Collation
{
public:
    explicit Collation(const CodePage &codePage)
        : m_codePage(&codePage)
    { }

    const CodePage &codePage() const { return *m_codePage; }

    // <0, 0, >0 as a and b compare when the shorter is padded with blanks: ==, <, >, ORDER BY.
    int compare(std::string_view a, std::string_view b) const;

    // = with SET ANSI OFF: equal up to the end of the shorter text, whichever side it is on, so
    // '' equals every text. A whole UTF-8 text is a prefix of another in characters exactly
    // when it is one in bytes.
    static bool equalsUpToShorter(std::string_view a, std::string_view b)
    {
        return a.size() <= b.size() ? b.starts_with(a) : a.starts_with(b);
    }

    // Letter case mapped byte for byte within the code page; the length in characters never
    // changes.
    std::string upper(std::string_view text) const;
    std::string lower(std::string_view text) const;

private:
    // The order of the character starting at `at`: its byte, or past all bytes when the page
    // has none.
    uint32_t rank(std::string_view text, size_t at) const;
    std::string mapCase(std::string_view text, bool toUpper) const;

    const CodePage *m_codePage;
};

} // namespace vfp::sql
