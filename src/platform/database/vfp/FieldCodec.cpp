#include "platform/database/vfp/FieldCodec.h"

#include "platform/database/vfp/MemoFile.h"
#include "platform/database/vfp/Table.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace vfp {

namespace {

int32_t Le32s(const char *p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return static_cast<int32_t>(v);
}

int64_t Le64s(const char *p)
{
    uint64_t v;
    std::memcpy(&v, p, 8);
    return static_cast<int64_t>(v);
}

double LeDouble(const char *p)
{
    double d;
    std::memcpy(&d, p, 8);
    return d;
}

void PutLe32(char *p, uint32_t v)
{
    std::memcpy(p, &v, 4);
}

[[noreturn]] void Mismatch(const FieldLayout &f, const char *what)
{
    throw Error("Data type mismatch: field " + f.info.name + " cannot hold " + what);
}

const char *KindName(const Value &v)
{
    switch (v.kind()) {
    case Value::Kind::Null:
        return "a null value";
    case Value::Kind::Character:
    case Value::Kind::Memo:
        return "a text";
    case Value::Kind::Numeric:
    case Value::Kind::Integer:
        return "a number";
    case Value::Kind::Logical:
        return "a logical value";
    case Value::Kind::Date:
        return "a date";
    case Value::Kind::DateTime:
        return "a date-time";
    }
    return "this value";
}

[[noreturn]] void Overflow(const FieldLayout &f, const std::string &what)
{
    throw Error("Numeric overflow: " + what + " does not fit field " + f.info.name);
}

std::string NumberText(double d)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", d);
    return buf;
}

} // namespace

int32_t ParseDate(std::string_view s)
{
    if (s.size() != 8)
        return 0;
    int parts[3] = { 0, 0, 0 };
    const int widths[3] = { 4, 2, 2 };
    size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < widths[i]; ++k, ++at) {
            const char c = s[at];
            if (c < '0' || c > '9')
                return 0;
            parts[i] = parts[i] * 10 + (c - '0');
        }
    }
    if (parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > 31)
        return 0;
    return JulianDayFromCivil(parts[0], parts[1], parts[2]);
}

bool IsNullInRecord(const DbfHeader &header, const FieldLayout &field, const char *record)
{
    if (field.nullBit < 0 || header.nullFlagsOffset < 0)
        return false;
    const auto byte
        = static_cast<unsigned char>(record[header.nullFlagsOffset + field.nullBit / 8]);
    return (byte >> (field.nullBit % 8)) & 1;
}

void SetNullInRecord(const DbfHeader &header, const FieldLayout &field, char *record, bool null)
{
    if (field.nullBit < 0 || header.nullFlagsOffset < 0)
        return;
    char &byte = record[header.nullFlagsOffset + field.nullBit / 8];
    const auto bit = static_cast<unsigned char>(1u << (field.nullBit % 8));
    byte = static_cast<char>(null ? (static_cast<unsigned char>(byte) | bit)
                                  : (static_cast<unsigned char>(byte) & ~bit));
}

uint32_t MemoPointer(const DbfHeader &header, const FieldLayout &field, const char *record)
{
    const char *p = record + field.offset;
    if (field.info.length == 4)
        return static_cast<uint32_t>(Le32s(p));
    (void)header;
    uint32_t block = 0;
    for (int i = 0; i < field.info.length; ++i) {
        const char c = p[i];
        if (c >= '0' && c <= '9') {
            if (block > 0x0FFFFFFF)
                return 0xFFFFFFFF;
            block = block * 10 + static_cast<uint32_t>(c - '0');
        }
    }
    return block;
}

void PutMemoPointer(const DbfHeader &header, const FieldLayout &field, char *record, uint32_t block)
{
    (void)header;
    char *p = record + field.offset;
    if (field.info.length == 4) {
        PutLe32(p, block);
        return;
    }
    std::string text = block == 0 ? std::string() : std::to_string(block);
    std::memset(p, ' ', static_cast<size_t>(field.info.length));
    std::memcpy(p + field.info.length - text.size(), text.data(), text.size());
}

double ParseNumber(std::string_view text)
{
    const char *p = text.data();
    const char *end = p + text.size();
    while (p < end && (*p == ' ' || *p == '\0'))
        ++p;
    while (end > p && (end[-1] == ' ' || end[-1] == '\0'))
        --end;
    if (p == end)
        return 0.0;
    if (*p == '+')
        ++p;
    const char *const number = p;
    // The common case, up to 15 digits with a sign and a point: an exact integer divided by an
    // exact power of ten, which rounds as correctly as the general parser.
    const bool negative = p < end && *p == '-';
    if (negative)
        ++p;
    int64_t mantissa = 0;
    int digits = 0;
    const char *point = nullptr;
    bool plain = p < end;
    for (; plain && p < end; ++p) {
        const auto digit = static_cast<unsigned>(*p - '0');
        if (digit < 10) {
            mantissa = mantissa * 10 + digit;
            ++digits;
        } else if (*p == '.' && !point) {
            point = p;
        } else {
            plain = false;
        }
    }
    if (plain && digits > 0 && digits <= 15) {
        static constexpr double kPowers[] = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9,
            1e10, 1e11, 1e12, 1e13, 1e14, 1e15 };
        double d = static_cast<double>(mantissa);
        if (point && end - point > 1)
            d /= kPowers[end - point - 1];
        return negative ? -d : d;
    }
    double d = 0.0;
    const auto r = std::from_chars(number, end, d);
    if (r.ec != std::errc())
        return 0.0; // "*****" overflow marks and other damage read as 0
    return d;
}

void DecodeFieldInto(const DbfHeader &header, const FieldLayout &field, const char *record,
    const CodePage &codePage, const MemoFile *memo, Value &into)
{
    if (field.info.type != 'C' || (field.nullBit >= 0 && IsNullInRecord(header, field, record))) {
        into = DecodeField(header, field, record, codePage, memo);
        return;
    }
    const std::string_view bytes(record + field.offset, static_cast<size_t>(field.info.length));
    std::string &out = into.resetText(Value::Kind::Character);
    if (field.info.binary)
        out.assign(bytes);
    else
        codePage.appendUtf8(bytes, out);
}

Value DecodeField(const DbfHeader &header, const FieldLayout &field, const char *record,
    const CodePage &codePage, const MemoFile *memo)
{
    if (field.nullBit >= 0 && IsNullInRecord(header, field, record))
        return Value::null();
    const char *p = record + field.offset;
    const int len = field.info.length;
    switch (field.info.type) {
    case 'C': {
        Value value;
        DecodeFieldInto(header, field, record, codePage, memo, value);
        return value;
    }
    case 'V':
    case 'Q': {
        size_t n = static_cast<size_t>(len);
        if (field.varLengthBit >= 0 && header.nullFlagsOffset >= 0) {
            const auto byte = static_cast<unsigned char>(
                record[header.nullFlagsOffset + field.varLengthBit / 8]);
            if ((byte >> (field.varLengthBit % 8)) & 1)
                n = std::min<size_t>(static_cast<unsigned char>(p[len - 1]), n - 1);
        }
        std::string out;
        if (field.info.binary)
            out.assign(p, n);
        else
            codePage.appendUtf8(std::string_view(p, n), out);
        return Value::character(std::move(out));
    }
    case 'N':
    case 'F':
        return Value::numeric(
            ParseNumber(std::string_view(p, static_cast<size_t>(len))), field.info.decimals);
    case 'I':
        return Value::integer(Le32s(p));
    case 'Y':
        return Value::numeric(static_cast<double>(Le64s(p)) / 10000.0, 4);
    case 'B':
        return Value::numeric(LeDouble(p), field.info.decimals);
    case 'D':
        return Value::date(ParseDate(std::string_view(p, 8)));
    case 'T': {
        const int32_t day = Le32s(p);
        const int32_t ms = Le32s(p + 4);
        if (day <= 0)
            return Value::dateTime(0, 0);
        return Value::dateTime(day, ms < 0 || ms >= 86400000 ? 0 : ms);
    }
    case 'L':
        return Value::logical(*p == 'T' || *p == 't' || *p == 'Y' || *p == 'y');
    case 'M':
    case 'G':
    case 'W':
    case 'P': {
        const uint32_t block = MemoPointer(header, field, record);
        if (block == 0)
            return Value::memo({});
        if (!memo)
            throw Error("Memo file is missing for field " + field.info.name);
        std::string bytes = memo->read(block);
        if (field.info.binary || field.info.type != 'M')
            return Value::memo(std::move(bytes));
        return Value::memo(codePage.toUtf8(std::move(bytes)));
    }
    default:
        return Value::null();
    }
}

void BlankField(const FieldLayout &field, char *record)
{
    char *p = record + field.offset;
    const auto len = static_cast<size_t>(field.info.length);
    switch (field.info.type) {
    case 'N':
    case 'F': {
        // A field too narrow for its own decimals (a damaged header) cannot hold 0: blanks,
        // which read as 0 too.
        std::string text;
        if (FormatNumber(0.0, field.info.length, field.info.decimals, text) && text.size() == len)
            std::memcpy(p, text.data(), len);
        else
            std::memset(p, ' ', len);
        break;
    }
    case 'L':
        *p = 'F';
        break;
    case 'I':
    case 'Y':
    case 'B':
    case 'T':
        std::memset(p, 0, len);
        break;
    case 'M':
    case 'G':
    case 'W':
    case 'P':
        std::memset(p, len == 4 ? 0 : ' ', len);
        break;
    case 'Q':
        std::memset(p, 0, len);
        break;
    default:
        std::memset(p, ' ', len);
        break;
    }
}

bool FormatNumber(double number, int width, int decimals, std::string &out)
{
    if (!std::isfinite(number))
        return false;
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::round(number * scale) / scale;
    char buf[512];
    const int n
        = std::snprintf(buf, sizeof buf, "%*.*f", width, decimals, rounded == 0.0 ? 0.0 : rounded);
    if (n < 0 || n > width)
        return false;
    out.assign(buf, static_cast<size_t>(n));
    return true;
}

void EncodeField(const DbfHeader &header, const FieldLayout &field, const Value &value,
    const CodePage &codePage, char *record)
{
    if (value.isNull()) {
        if (!field.info.nullable)
            throw Error("Field " + field.info.name + " does not accept null values");
        BlankField(field, record);
        SetNullInRecord(header, field, record, true);
        return;
    }
    char *p = record + field.offset;
    const int len = field.info.length;
    const auto ulen = static_cast<size_t>(len);
    switch (field.info.type) {
    case 'C': {
        if (!value.isText())
            Mismatch(field, KindName(value));
        std::string bytes = field.info.binary ? value.text() : codePage.fromUtf8(value.text());
        // Trailing blanks beyond the field's width are padding, anything else would be lost.
        size_t used = bytes.size();
        while (used > ulen && bytes[used - 1] == ' ')
            --used;
        if (used > ulen)
            throw Error("The text \"" + value.text() + "\" is longer than field " + field.info.name
                + " (" + std::to_string(len) + " characters)");
        std::memset(p, ' ', ulen);
        std::memcpy(p, bytes.data(), std::min(used, ulen));
        break;
    }
    case 'N':
    case 'F': {
        if (!value.isNumber())
            Mismatch(field, KindName(value));
        std::string text;
        if (!FormatNumber(value.number(), len, field.info.decimals, text))
            Overflow(field, NumberText(value.number()));
        std::memcpy(p, text.data(), ulen);
        break;
    }
    case 'I': {
        if (!value.isNumber())
            Mismatch(field, KindName(value));
        const double r = value.kind() == Value::Kind::Integer ? static_cast<double>(value.integer())
                                                              : std::round(value.number());
        if (!(r >= -2147483648.0 && r <= 2147483647.0))
            Overflow(field, NumberText(value.number()));
        PutLe32(p, static_cast<uint32_t>(static_cast<int32_t>(r)));
        break;
    }
    case 'Y': {
        if (!value.isNumber())
            Mismatch(field, KindName(value));
        const double r = std::round(value.number() * 10000.0);
        if (!(std::fabs(r) < 9.2e18))
            Overflow(field, NumberText(value.number()));
        const auto v = static_cast<int64_t>(r);
        std::memcpy(p, &v, 8);
        break;
    }
    case 'B': {
        if (!value.isNumber())
            Mismatch(field, KindName(value));
        const double d = value.number();
        if (!std::isfinite(d))
            Overflow(field, NumberText(d));
        std::memcpy(p, &d, 8);
        break;
    }
    case 'L': {
        bool flag = false;
        if (value.kind() == Value::Kind::Logical)
            flag = value.logical();
        else if (value.isNumber() && (value.number() == 0.0 || value.number() == 1.0))
            flag = value.number() == 1.0;
        else
            Mismatch(field, value.isNumber() ? "a number other than 0 or 1" : KindName(value));
        *p = flag ? 'T' : 'F';
        break;
    }
    case 'D': {
        if (value.kind() != Value::Kind::Date && value.kind() != Value::Kind::DateTime)
            Mismatch(field, KindName(value));
        const int32_t day = value.julianDay();
        if (day <= 0) {
            std::memset(p, ' ', 8);
            break;
        }
        int y = 0, m = 0, d = 0;
        CivilFromJulianDay(day, y, m, d);
        if (y < 1 || y > 9999)
            Overflow(field, "the date");
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
        std::memcpy(p, buf, 8);
        break;
    }
    case 'T': {
        if (value.kind() != Value::Kind::Date && value.kind() != Value::Kind::DateTime)
            Mismatch(field, KindName(value));
        const int32_t day = value.julianDay();
        const int32_t ms = day > 0 ? value.milliseconds() : 0;
        PutLe32(p, static_cast<uint32_t>(day > 0 ? day : 0));
        PutLe32(p + 4, static_cast<uint32_t>(ms));
        break;
    }
    default:
        throw Error("Field " + field.info.name + " of type " + std::string(1, field.info.type)
            + " cannot be written");
    }
    SetNullInRecord(header, field, record, false);
}

std::string EncodeMemoText(const FieldLayout &field, const Value &value, const CodePage &codePage)
{
    if (!value.isText())
        Mismatch(field, KindName(value));
    if (field.info.binary || field.info.type != 'M')
        return value.text();
    return codePage.fromUtf8(value.text());
}

} // namespace vfp
