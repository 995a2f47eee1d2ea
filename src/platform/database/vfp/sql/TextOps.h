#pragma once

#include <string>
#include <string_view>

// Text operations of the dialect on UTF-8 texts, counted in characters. Comparison and letter
// case of values follow the code page (Collation).
namespace vfp::sql::text {

size_t CharacterCount(std::string_view text);
// Byte offset of character `index` (clamped to the end).
size_t ByteOffset(std::string_view text, size_t index);

std::string_view Left(std::string_view text, size_t count);
std::string_view Right(std::string_view text, size_t count);
std::string_view TrimRight(std::string_view text);
std::string_view TrimLeft(std::string_view text);

// Pads with blanks or cuts to exactly `width` characters, into `out`.
void FixedWidth(std::string_view text, size_t width, std::string &out);

// Lower case of a name (tables, columns, aliases).
std::string Lower(std::string_view text);

// LIKE: % any run of characters, _ any one character; letter case counts; trailing blanks of
// both sides do not take part.
bool Like(std::string_view subject, std::string_view pattern);

// The character of a code (CHR): 0-127 as ASCII, 128-255 as in Windows-1252.
std::string Chr(int code);

} // namespace vfp::sql::text
