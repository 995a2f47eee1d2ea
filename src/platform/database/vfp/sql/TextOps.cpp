#include "platform/database/vfp/sql/TextOps.h"

#include <QString>

#include <algorithm>
#include <vector>

namespace vfp::sql::text {

namespace {

bool IsContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool IsAscii(std::string_view text)
{
    return std::all_of(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Length in bytes of the character starting at `at`.
size_t CharLength(std::string_view text, size_t at)
{
    size_t end = at + 1;
    while (end < text.size() && IsContinuation(text[end]))
        ++end;
    return end - at;
}

} // namespace

size_t CharacterCount(std::string_view text)
{
    size_t count = 0;
    for (char c : text)
        count += IsContinuation(c) ? 0 : 1;
    return count;
}

size_t ByteOffset(std::string_view text, size_t index)
{
    size_t at = 0;
    while (index > 0 && at < text.size()) {
        at += CharLength(text, at);
        --index;
    }
    return std::min(at, text.size());
}

std::string_view Left(std::string_view text, size_t count)
{
    return text.substr(0, ByteOffset(text, count));
}

std::string_view Right(std::string_view text, size_t count)
{
    const size_t total = CharacterCount(text);
    if (count >= total)
        return text;
    return text.substr(ByteOffset(text, total - count));
}

std::string_view TrimRight(std::string_view text)
{
    size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ')
        --end;
    return text.substr(0, end);
}

std::string_view TrimLeft(std::string_view text)
{
    size_t start = 0;
    while (start < text.size() && text[start] == ' ')
        ++start;
    return text.substr(start);
}

void FixedWidth(std::string_view text, size_t width, std::string &out)
{
    out.assign(Left(text, width));
    const size_t count = CharacterCount(out);
    if (count < width)
        out.append(width - count, ' ');
}

std::string Lower(std::string_view text)
{
    if (IsAscii(text)) {
        std::string result(text);
        for (char &c : result) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return result;
    }
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
        .toLower()
        .toStdString();
}

bool Like(std::string_view subject, std::string_view pattern)
{
    subject = TrimRight(subject);
    pattern = TrimRight(pattern);
    // Iterative matching with one backtrack point for the last %: linear in practice.
    size_t s = 0, p = 0;
    size_t starP = std::string_view::npos, starS = 0;
    while (s < subject.size()) {
        if (p < pattern.size() && pattern[p] == '%') {
            starP = ++p;
            starS = s;
            continue;
        }
        if (p < pattern.size() && pattern[p] == '_') {
            s += CharLength(subject, s);
            ++p;
            continue;
        }
        if (p < pattern.size() && pattern[p] == subject[s]) {
            ++s;
            ++p;
            continue;
        }
        if (starP == std::string_view::npos)
            return false;
        p = starP;
        starS += CharLength(subject, starS);
        s = starS;
    }
    while (p < pattern.size() && pattern[p] == '%')
        ++p;
    return p == pattern.size();
}

std::string Chr(int code)
{
    static const char16_t high[32] = { 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020,
        0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018,
        0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153,
        0x009D, 0x017E, 0x0178 };
    code &= 0xFF;
    if (code < 0x80)
        return std::string(1, static_cast<char>(code));
    const char16_t unit = code < 0xA0 ? high[code - 0x80] : static_cast<char16_t>(code);
    return QString(QChar(unit)).toStdString();
}

} // namespace vfp::sql::text
