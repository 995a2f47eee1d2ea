#include "platform/database/vfp/CodePage.h"

#include "platform/database/vfp/Table.h"

#include <QList>
#include <QString>

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace vfp {

namespace {

const char *IconvNameOfMark(uint8_t mark)
{
    switch (mark) {
    case 0x01:
        return "CP437";
    case 0x02:
        return "CP850";
    case 0x03:
        return "CP1252";
    case 0x04:
        return "MACINTOSH";
    case 0x64:
        return "CP852";
    case 0x65:
        return "CP866";
    case 0x66:
        return "CP865";
    case 0x67:
        return "CP861";
    case 0x6A:
        return "CP737";
    case 0x6B:
        return "CP857";
    case 0x78:
        return "CP950";
    case 0x79:
        return "CP949";
    case 0x7A:
        return "CP936";
    case 0x7B:
        return "CP932";
    case 0x7C:
        return "CP874";
    case 0x7D:
        return "CP1255";
    case 0x7E:
        return "CP1256";
    case 0xC8:
        return "CP1250";
    case 0xC9:
        return "CP1251";
    case 0xCA:
        return "CP1254";
    case 0xCB:
        return "CP1253";
    case 0xCC:
        return "CP1257";
    default:
        return nullptr;
    }
}

class Iconv
{
public:
    Iconv(const std::string &to, const std::string &from)
        : m_cd(iconv_open(to.c_str(), from.c_str()))
    { }
    ~Iconv()
    {
        if (ok())
            iconv_close(m_cd);
    }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts all of in; returns false at the first sequence that cannot be converted, leaving
    // its offset in failedAt.
    bool convert(std::string_view in, std::string &out, size_t &failedAt)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char *src = const_cast<char *>(in.data());
        size_t srcLeft = in.size();
        char buffer[1024];
        while (srcLeft > 0) {
            char *dst = buffer;
            size_t dstLeft = sizeof buffer;
            const size_t r = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<size_t>(dst - buffer));
            if (r == static_cast<size_t>(-1) && errno != E2BIG) {
                failedAt = in.size() - srcLeft;
                return false;
            }
        }
        char *dst = buffer;
        size_t dstLeft = sizeof buffer;
        iconv(m_cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        return true;
    }

private:
    iconv_t m_cd;
};

constexpr char kReplacement[] = "\xEF\xBF\xBD";
constexpr char32_t kReplacementCharacter = 0xFFFD;

} // namespace

char32_t NextCharacter(std::string_view utf8, size_t &at)
{
    const auto lead = static_cast<unsigned char>(utf8[at]);
    size_t length = 1;
    char32_t c = lead;
    if (lead >= 0xF0 && lead < 0xF8) {
        length = 4;
        c = lead & 0x07;
    } else if (lead >= 0xE0) {
        length = 3;
        c = lead & 0x0F;
    } else if (lead >= 0xC0) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0x80) {
        ++at;
        return kReplacementCharacter;
    }
    if (length > 1 && at + length > utf8.size()) {
        ++at;
        return kReplacementCharacter;
    }
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(utf8[at + i]);
        if ((next & 0xC0) != 0x80) {
            ++at;
            return kReplacementCharacter;
        }
        c = c << 6 | (next & 0x3F);
    }
    at += length;
    return c;
}

CodePage::CodePage(std::string iconvName)
    : m_name(std::move(iconvName))
{
    m_singleByte
        = !(m_name == "CP932" || m_name == "CP936" || m_name == "CP949" || m_name == "CP950");
    Iconv cd("UTF-8", m_name);
    if (!cd.ok())
        throw Error("Code page " + m_name + " is not available");
    if (!m_singleByte) {
        buildCaseTables();
        return;
    }
    for (int b = 0x80; b <= 0xFF; ++b) {
        std::string out;
        size_t failed = 0;
        const char byte = static_cast<char>(b);
        auto &slot = m_high[static_cast<size_t>(b - 0x80)];
        if (!cd.convert(std::string_view(&byte, 1), out, failed) || out.empty() || out.size() > 3)
            out = kReplacement;
        std::copy(out.begin(), out.end(), slot.begin());
        slot[3] = static_cast<char>(out.size());
        size_t at = 0;
        const char32_t character = NextCharacter(out, at);
        if (character != kReplacementCharacter)
            m_byCharacter[m_byCharacterCount++] = { character, static_cast<uint8_t>(b) };
    }
    std::sort(m_byCharacter.begin(), m_byCharacter.begin() + m_byCharacterCount);
    buildCaseTables();
}

void CodePage::buildCaseTables()
{
    for (int b = 0; b < 256; ++b) {
        const auto index = static_cast<size_t>(b);
        m_upper[index] = m_lower[index] = static_cast<char>(b);
        if (b < 0x80) {
            m_upper[index] = static_cast<char>(std::toupper(b));
            m_lower[index] = static_cast<char>(std::tolower(b));
            continue;
        }
        if (!m_singleByte)
            continue;
        const auto &slot = m_high[index - 0x80];
        const QString character = QString::fromUtf8(slot.data(), static_cast<qsizetype>(slot[3]));
        const auto mapped = [&](const QString &other) {
            const QList<uint> points = other.toUcs4();
            const int to = points.size() == 1 ? byteOf(points[0]) : -1;
            return static_cast<char>(to >= 0 ? to : b);
        };
        m_upper[index] = mapped(character.toUpper());
        m_lower[index] = mapped(character.toLower());
    }
}

int CodePage::byteOf(char32_t character) const
{
    if (character < 0x80)
        return static_cast<int>(character);
    const auto *end = m_byCharacter.data() + m_byCharacterCount;
    const auto *found
        = std::lower_bound(m_byCharacter.data(), end, std::pair<char32_t, uint8_t>(character, 0));
    return found != end && found->first == character ? found->second : -1;
}

const CodePage &Table::codePage() const
{
    return CodePage::named("CP1252");
}

const CodePage &CodePage::named(const std::string &iconvName)
{
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<CodePage>> pages;
    std::lock_guard<std::mutex> guard(mutex);
    auto &page = pages[iconvName];
    if (!page)
        page = std::make_unique<CodePage>(iconvName);
    return *page;
}

const CodePage &CodePage::forMark(uint8_t mark, uint8_t version)
{
    if (mark == 0) {
        const bool dos = version == 0x03 || version == 0x83 || version == 0x8B || version == 0xF5
            || version == 0x04 || version == 0x05 || version == 0xFB;
        return named(dos ? "CP437" : "CP1252");
    }
    const char *name = IconvNameOfMark(mark);
    return named(name ? name : "CP1252");
}

void CodePage::appendUtf8(std::string_view bytes, std::string &out) const
{
    if (!m_singleByte) {
        size_t failed = 0;
        Iconv cd("UTF-8", m_name);
        std::string_view rest = bytes;
        while (!cd.convert(rest, out, failed)) {
            out += kReplacement;
            rest.remove_prefix(failed + 1);
        }
        return;
    }
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        size_t run = i;
        // ASCII runs are copied as they are, tested eight bytes at a time.
        while (run + 8 <= n) {
            uint64_t word;
            std::memcpy(&word, bytes.data() + run, 8);
            if (word & 0x8080808080808080ull)
                break;
            run += 8;
        }
        while (run < n && static_cast<unsigned char>(bytes[run]) < 0x80)
            ++run;
        out.append(bytes.data() + i, run - i);
        i = run;
        while (i < n && static_cast<unsigned char>(bytes[i]) >= 0x80) {
            const auto &slot = m_high[static_cast<unsigned char>(bytes[i]) - 0x80];
            out.append(slot.data(), static_cast<size_t>(slot[3]));
            ++i;
        }
    }
}

std::string CodePage::toUtf8(std::string_view bytes) const
{
    std::string out;
    out.reserve(bytes.size());
    appendUtf8(bytes, out);
    return out;
}

std::string CodePage::toUtf8(std::string &&bytes) const
{
    size_t i = 0;
    const size_t n = bytes.size();
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        if (word & 0x8080808080808080ull)
            return toUtf8(std::string_view(bytes));
    }
    for (; i < n; ++i)
        if (static_cast<unsigned char>(bytes[i]) >= 0x80)
            return toUtf8(std::string_view(bytes));
    return std::move(bytes);
}

std::string CodePage::fromUtf8(std::string_view utf8) const
{
    bool ascii = true;
    for (const char c : utf8)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        return std::string(utf8);
    Iconv cd(m_name, "UTF-8");
    std::string out;
    size_t failed = 0;
    if (!cd.ok() || !cd.convert(utf8, out, failed))
        throw Error("The text \"" + std::string(utf8) + "\" has a character that code page "
            + m_name + " cannot hold");
    return out;
}

} // namespace vfp
