#pragma once

// Code pages of FoxPro tables, to and from UTF-8 with iconv. Single-byte code pages decode through
// a 256-entry table built once with iconv, with a fast path for ASCII runs.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vfp {

class CodePage
{
public:
    // The code page of a header's mark. Mark 0 (none recorded) means the DOS code page 437 for
    // the older dBase/FoxPro versions and Windows 1252 for Visual FoxPro; a mark this engine does
    // not know also reads as 1252, so a table with a damaged mark still opens.
    static const CodePage &forMark(uint8_t mark, uint8_t version);
    static const CodePage &named(const std::string &iconvName);

    const std::string &name() const { return m_name; }

    // Appends the UTF-8 text of bytes to out. Bytes the code page does not define become U+FFFD.
    void appendUtf8(std::string_view bytes, std::string &out) const;
    std::string toUtf8(std::string_view bytes) const;
    // The same, handing back the bytes themselves when they are all ASCII.
    std::string toUtf8(std::string &&bytes) const;
    // Throws vfp::Error when the text has a character the code page cannot hold.
    std::string fromUtf8(std::string_view utf8) const;

    explicit CodePage(std::string iconvName);

private:
    std::string m_name;
    bool m_singleByte = true;
    // UTF-8 of bytes 0x80..0xFF: up to 3 bytes each, length in the 4th.
    std::array<std::array<char, 4>, 128> m_high {};
};

} // namespace vfp
