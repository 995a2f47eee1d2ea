#include "platform/database/vfp/IndexKey.h"

#include "platform/database/vfp/FieldCodec.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace vfp {

namespace {

class Tokenizer
{
public:
    explicit Tokenizer(std::string_view text)
        : m_text(text)
    { }
    void skip()
    {
        while (m_at < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_at])))
            ++m_at;
    }
    bool atEnd()
    {
        skip();
        return m_at >= m_text.size();
    }
    bool accept(char c)
    {
        skip();
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }
    std::string word()
    {
        skip();
        const size_t start = m_at;
        while (m_at < m_text.size()
            && (std::isalnum(static_cast<unsigned char>(m_text[m_at])) || m_text[m_at] == '_'))
            ++m_at;
        return AsciiUpper(m_text.substr(start, m_at - start));
    }
    bool number(int &out)
    {
        skip();
        const size_t start = m_at;
        out = 0;
        while (m_at < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_at]))
            && m_at - start < 4)
            out = out * 10 + (m_text[m_at++] - '0');
        return m_at > start;
    }

private:
    std::string_view m_text;
    size_t m_at = 0;
};

int FindField(const DbfHeader &header, const std::string &name)
{
    for (size_t i = 0; i < header.fields.size(); ++i)
        if (header.fields[i].info.name == name)
            return static_cast<int>(i);
    return -1;
}

class FieldKey final : public KeyExpression
{
public:
    FieldKey(int index, const FieldLayout &field)
        : m_index(index)
        , m_field(field)
    { }
    int length() const override
    {
        switch (m_field.info.type) {
        case 'C':
            return m_field.info.length;
        case 'I':
            return 4;
        case 'L':
            return 1;
        default:
            return 8;
        }
    }
    bool isCharacter() const override { return m_field.info.type == 'C'; }
    std::string evaluate(
        const char *record, const DbfHeader &header, const CodePage &codePage) const override
    {
        const char *p = record + m_field.offset;
        switch (m_field.info.type) {
        case 'C':
            return std::string(p, static_cast<size_t>(m_field.info.length));
        case 'L':
            return (*p == 'T' || *p == 't' || *p == 'Y' || *p == 'y') ? "T" : "F";
        case 'I': {
            int32_t v;
            std::memcpy(&v, p, 4);
            return EncodeIntegerKey(v);
        }
        default: {
            const Value v = DecodeField(header, m_field, record, codePage, nullptr);
            const double d
                = m_field.info.type == 'D' ? static_cast<double>(v.julianDay()) : v.number();
            return EncodeDoubleKey(d);
        }
        }
    }
    void collectFields(std::vector<int> &out) const override { out.push_back(m_index); }

private:
    int m_index;
    FieldLayout m_field;
};

class CaseKey final : public KeyExpression
{
public:
    CaseKey(std::unique_ptr<KeyExpression> inner, bool upper)
        : m_inner(std::move(inner))
        , m_upper(upper)
    { }
    int length() const override { return m_inner->length(); }
    bool isCharacter() const override { return true; }
    std::string evaluate(
        const char *record, const DbfHeader &header, const CodePage &codePage) const override
    {
        std::string s = m_inner->evaluate(record, header, codePage);
        for (char &c : s)
            c = m_upper ? codePage.upper(c) : codePage.lower(c);
        return s;
    }
    void collectFields(std::vector<int> &out) const override { m_inner->collectFields(out); }

private:
    std::unique_ptr<KeyExpression> m_inner;
    bool m_upper;
};

class StrKey final : public KeyExpression
{
public:
    StrKey(int index, const FieldLayout &field, int width, int decimals)
        : m_index(index)
        , m_field(field)
        , m_width(width)
        , m_decimals(decimals)
    { }
    int length() const override { return m_width; }
    bool isCharacter() const override { return true; }
    std::string evaluate(
        const char *record, const DbfHeader &header, const CodePage &codePage) const override
    {
        const Value v = DecodeField(header, m_field, record, codePage, nullptr);
        std::string text;
        if (!FormatNumber(v.number(), m_width, m_decimals, text))
            text.assign(static_cast<size_t>(m_width), '*');
        return text;
    }
    void collectFields(std::vector<int> &out) const override { out.push_back(m_index); }

private:
    int m_index;
    FieldLayout m_field;
    int m_width;
    int m_decimals;
};

class DtosKey final : public KeyExpression
{
public:
    DtosKey(int index, const FieldLayout &field)
        : m_index(index)
        , m_field(field)
    { }
    int length() const override { return 8; }
    bool isCharacter() const override { return true; }
    std::string evaluate(const char *record, const DbfHeader &, const CodePage &) const override
    {
        return std::string(record + m_field.offset, 8);
    }
    void collectFields(std::vector<int> &out) const override { out.push_back(m_index); }

private:
    int m_index;
    FieldLayout m_field;
};

class ConcatKey final : public KeyExpression
{
public:
    explicit ConcatKey(std::vector<std::unique_ptr<KeyExpression>> parts)
        : m_parts(std::move(parts))
    { }
    int length() const override
    {
        int n = 0;
        for (const auto &p : m_parts)
            n += p->length();
        return n;
    }
    bool isCharacter() const override { return true; }
    std::string evaluate(
        const char *record, const DbfHeader &header, const CodePage &codePage) const override
    {
        std::string s;
        for (const auto &p : m_parts)
            s += p->evaluate(record, header, codePage);
        return s;
    }
    void collectFields(std::vector<int> &out) const override
    {
        for (const auto &p : m_parts)
            p->collectFields(out);
    }

private:
    std::vector<std::unique_ptr<KeyExpression>> m_parts;
};

std::unique_ptr<KeyExpression> ParseTerm(Tokenizer &t, const DbfHeader &header, std::string &why)
{
    const std::string name = t.word();
    if (name.empty()) {
        why = "unexpected character";
        return nullptr;
    }
    if (!t.accept('(')) {
        // A bare field, optionally qualified by an alias ("alias.field" is not used in tags).
        const int index = FindField(header, name);
        if (index < 0) {
            why = "unknown field " + name;
            return nullptr;
        }
        const FieldLayout &f = header.fields[static_cast<size_t>(index)];
        if (f.info.nullable) {
            why = "field " + name + " accepts nulls";
            return nullptr;
        }
        if (std::strchr("CNFBDIL", f.info.type) == nullptr) {
            why = "field " + name + " has type " + std::string(1, f.info.type);
            return nullptr;
        }
        return std::make_unique<FieldKey>(index, f);
    }
    if (name == "UPPER" || name == "LOWER") {
        auto inner = ParseTerm(t, header, why);
        if (!inner)
            return nullptr;
        if (!inner->isCharacter() || !t.accept(')')) {
            why = name + "() of something other than a text";
            return nullptr;
        }
        return std::make_unique<CaseKey>(std::move(inner), name == "UPPER");
    }
    if (name == "STR" || name == "DTOS") {
        const std::string arg = t.word();
        const int index = FindField(header, arg);
        if (index < 0) {
            why = "unknown field " + arg;
            return nullptr;
        }
        const FieldLayout &f = header.fields[static_cast<size_t>(index)];
        if (f.info.nullable) {
            why = "field " + arg + " accepts nulls";
            return nullptr;
        }
        if (name == "DTOS") {
            if (f.info.type != 'D' || !t.accept(')')) {
                why = "DTOS() of something other than a date field";
                return nullptr;
            }
            return std::make_unique<DtosKey>(index, f);
        }
        if (std::strchr("NFIBY", f.info.type) == nullptr) {
            why = "STR() of something other than a number";
            return nullptr;
        }
        int width = 10;
        int decimals = 0;
        if (t.accept(',')) {
            if (!t.number(width) || width < 1 || width > 255) {
                why = "STR() width";
                return nullptr;
            }
            if (t.accept(',') && (!t.number(decimals) || decimals > 18)) {
                why = "STR() decimals";
                return nullptr;
            }
        }
        if (!t.accept(')')) {
            why = "STR() arguments";
            return nullptr;
        }
        return std::make_unique<StrKey>(index, f, width, decimals);
    }
    why = "function " + name + "()";
    return nullptr;
}

} // namespace

std::unique_ptr<KeyExpression> KeyExpression::parse(
    std::string_view text, const DbfHeader &header, std::string &why)
{
    Tokenizer t(text);
    std::vector<std::unique_ptr<KeyExpression>> parts;
    do {
        auto part = ParseTerm(t, header, why);
        if (!part)
            return nullptr;
        parts.push_back(std::move(part));
    } while (t.accept('+'));
    if (!t.atEnd()) {
        why = "unsupported operator";
        return nullptr;
    }
    if (parts.size() == 1)
        return std::move(parts.front());
    for (const auto &p : parts) {
        if (!p->isCharacter()) {
            why = "concatenation of a non-text piece";
            return nullptr;
        }
    }
    auto key = std::make_unique<ConcatKey>(std::move(parts));
    if (key->length() > 240) {
        why = "key longer than 240 bytes";
        return nullptr;
    }
    return key;
}

ForCondition ParseForCondition(std::string_view text)
{
    std::string s;
    for (const char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            s += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (s.empty())
        return ForCondition::None;
    if (s == "DELETED()")
        return ForCondition::Deleted;
    if (s == "!DELETED()" || s == ".NOT.DELETED()" || s == "NOTDELETED()")
        return ForCondition::NotDeleted;
    return ForCondition::Unsupported;
}

std::string EncodeDoubleKey(double value)
{
    if (value == 0.0)
        value = 0.0; // one key for 0 and -0
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    bits = (bits >> 63) ? ~bits : (bits | 0x8000000000000000ull);
    std::string out(8, '\0');
    for (int i = 0; i < 8; ++i)
        out[static_cast<size_t>(i)] = static_cast<char>((bits >> (56 - 8 * i)) & 0xFF);
    return out;
}

std::string EncodeIntegerKey(int32_t value)
{
    const uint32_t v = static_cast<uint32_t>(value) + 0x80000000u;
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[static_cast<size_t>(i)] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
    return out;
}

std::vector<int> FieldsNamedIn(std::string_view text, const DbfHeader &header)
{
    std::vector<int> out;
    const auto isName
        = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    size_t i = 0;
    while (i < text.size()) {
        if (!isName(text[i])) {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < text.size() && isName(text[i]))
            ++i;
        const int index = FindField(header, AsciiUpper(text.substr(start, i - start)));
        if (index >= 0 && std::find(out.begin(), out.end(), index) == out.end())
            out.push_back(index);
    }
    return out;
}

} // namespace vfp
