#pragma once

// Code pages of FoxPro tables, to and from UTF-8 with iconv. Single-byte code pages decode through
// a 256-entry table built once with iconv, with a fast path for ASCII runs.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace vfp {

// The Unicode character of the UTF-8 sequence at `at`, which moves past it; a byte that does not
// start a whole sequence reads as U+FFFD and moves one byte.
char32_t NextCharacter(std::string_view utf8, size_t &at);

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

    // The byte of a Unicode character in this code page; -1 when the page has none (of a
    // multi-byte page only ASCII is known here).
    int byteOf(char32_t character) const;
    // Letter case byte for byte within the page (e <-> E with accents, oe <-> OE): a letter
    // whose other case is not one byte of the page (sharp s) stays as it is.
    char upper(char byte) const { return m_upper[static_cast<unsigned char>(byte)]; }
    char lower(char byte) const { return m_lower[static_cast<unsigned char>(byte)]; }

    explicit CodePage(std::string iconvName);

private:
    void buildCaseTables();

    std::string m_name;
    bool m_singleByte = true;
    // UTF-8 of bytes 0x80..0xFF: up to 3 bytes each, length in the 4th.
    std::array<std::array<char, 4>, 128> m_high {};
    // Characters of bytes 0x80..0xFF with their bytes, by character, for byteOf().
    std::array<std::pair<char32_t, uint8_t>, 128> m_byCharacter {};
    size_t m_byCharacterCount = 0;
    std::array<char, 256> m_upper {};
    std::array<char, 256> m_lower {};
};

} // namespace vfp
