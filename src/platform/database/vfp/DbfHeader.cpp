#include "platform/database/vfp/DbfHeader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <set>

namespace vfp {

namespace {

uint16_t Le16(const unsigned char *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Le32(const unsigned char *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8)
        | (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutLe16(std::string &s, size_t at, uint32_t v)
{
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void PutLe32(std::string &s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool KnownVersion(uint8_t v)
{
    switch (v) {
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x30:
    case 0x31:
    case 0x32:
    case 0x43:
    case 0x63:
    case 0x83:
    case 0x8B:
    case 0x8E:
    case 0xCB:
    case 0xF5:
    case 0xFB:
        return true;
    default:
        return false;
    }
}

bool KnownType(char t)
{
    return std::strchr("CNFIBYDTLMGWVQP", t) != nullptr && t != '\0';
}

[[noreturn]] void Corrupt(const FileIo &file, const std::string &why)
{
    throw Error("File " + file.path() + " is not a valid table: " + why);
}

} // namespace

bool DbfHeader::hasMemoFields() const
{
    return std::any_of(fields.begin(), fields.end(), [](const FieldLayout &f) {
        return f.info.type == 'M' || f.info.type == 'G' || f.info.type == 'W' || f.info.type == 'P';
    });
}

std::string DbfHeader::memoExtension() const
{
    return (version == 0x83 || version == 0x8B || version == 0x8E || version == 0xCB) ? ".dbt"
                                                                                      : ".fpt";
}

DbfHeader DbfHeader::read(const FileIo &file)
{
    unsigned char h[32];
    if (file.read(0, h, sizeof h) != sizeof h)
        Corrupt(file, "the header is truncated");
    DbfHeader header;
    header.version = h[0];
    if (!KnownVersion(header.version))
        Corrupt(file, "unknown version byte " + std::to_string(header.version));
    header.year = h[1];
    header.month = h[2];
    header.day = h[3];
    header.recordCount = Le32(h + 4);
    header.headerLength = Le16(h + 8);
    header.recordLength = Le16(h + 10);
    header.flags = h[28];
    header.codePageMark = h[29];
    if (header.headerLength < 33 || header.recordLength < 1)
        Corrupt(file, "header or record length out of range");
    const uint64_t size = file.size();
    if (size < header.headerLength)
        Corrupt(file, "the header is truncated");

    std::string raw(header.headerLength, '\0');
    file.readExact(0, raw.data(), raw.size(), "the header");
    const auto *bytes = reinterpret_cast<const unsigned char *>(raw.data());

    uint32_t offset = 1;
    size_t at = 32;
    int nullBits = 0;
    bool terminated = false;
    std::vector<FieldLayout> all;
    while (at + 1 <= raw.size()) {
        if (bytes[at] == 0x0D) {
            terminated = true;
            break;
        }
        if (at + 32 > raw.size())
            break;
        const unsigned char *d = bytes + at;
        FieldLayout f;
        std::string name(reinterpret_cast<const char *>(d), 11);
        name.resize(std::strlen(name.c_str()));
        for (char &c : name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        f.info.name = name;
        f.info.type = static_cast<char>(std::toupper(d[11]));
        f.info.length = d[16];
        f.info.decimals = d[17];
        f.flags = d[18];
        f.autoIncrementNext = Le32(d + 19);
        f.autoIncrementStep = d[23];
        f.offset = offset;
        if (f.info.length <= 0)
            Corrupt(file, "field " + name + " has no length");
        offset += static_cast<uint32_t>(f.info.length);
        all.push_back(f);
        at += 32;
    }
    if (!terminated && !header.isVisualFoxPro() && at < raw.size())
        Corrupt(file, "the field list is not terminated");
    if (all.empty())
        Corrupt(file, "no fields");
    if (offset > header.recordLength)
        Corrupt(file, "the fields are longer than the record");

    for (auto &f : all) {
        if (f.info.type == '0') {
            header.nullFlagsOffset = static_cast<int>(f.offset);
            header.nullFlagsLength = f.info.length;
            continue;
        }
        if (!KnownType(f.info.type))
            Corrupt(
                file, "field " + f.info.name + " has unknown type " + std::string(1, f.info.type));
        const bool vfp = header.isVisualFoxPro();
        f.info.nullable = vfp && (f.flags & 0x02);
        f.info.binary = (f.flags & 0x04) || f.info.type == 'Q' || f.info.type == 'W'
            || f.info.type == 'G' || f.info.type == 'P';
        f.info.autoIncrement = vfp && (f.flags & 0x08);
        if (vfp && (f.info.type == 'V' || f.info.type == 'Q'))
            f.varLengthBit = nullBits++;
        if (f.info.nullable)
            f.nullBit = nullBits++;
        const int len = f.info.length;
        const char t = f.info.type;
        const bool fixed8 = t == 'B' || t == 'Y' || t == 'T';
        if ((fixed8 && len != 8) || (t == 'I' && len != 4) || (t == 'D' && len != 8)
            || (t == 'L' && len != 1) || ((t == 'N' || t == 'F') && len > 20))
            Corrupt(file, "field " + f.info.name + " has a length its type cannot have");
        if ((t == 'M' || t == 'G' || t == 'W' || t == 'P') && len != 4 && len != 10)
            Corrupt(file, "memo field " + f.info.name + " has a bad length");
        header.fields.push_back(f);
    }
    if (nullBits > 0 && header.nullFlagsLength * 8 < nullBits)
        Corrupt(file, "the null flags are missing or too short");
    if (header.fields.empty())
        Corrupt(file, "no fields");

    if (header.isVisualFoxPro() && terminated) {
        const size_t linkAt = at + 1;
        if (linkAt < raw.size()) {
            std::string link
                = raw.substr(linkAt, std::min<size_t>(kBacklinkSize, raw.size() - linkAt));
            link.resize(std::strlen(link.c_str()));
            header.backlink = link;
        }
    }
    return header;
}

DbfHeader DbfHeader::forNewTable(
    const std::vector<NewField> &fields, uint8_t version, uint8_t codePageMark)
{
    DbfHeader header;
    header.version = version;
    header.codePageMark = codePageMark;
    if (fields.empty())
        throw Error("A table needs at least one field");
    if (fields.size() > 255)
        throw Error("Too many fields");
    std::set<std::string> names;
    uint32_t offset = 1;
    int nullBits = 0;
    const bool vfp = header.isVisualFoxPro();
    for (const NewField &nf : fields) {
        FieldLayout f;
        std::string name = nf.name.substr(0, 10);
        for (char &c : name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (name.empty() || !(std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_'))
            throw Error("Field name \"" + nf.name + "\" is invalid");
        for (const char c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
                throw Error("Field name \"" + nf.name + "\" is invalid");
        if (!names.insert(name).second)
            throw Error("Field name " + name + " is duplicated");
        const char t = static_cast<char>(std::toupper(static_cast<unsigned char>(nf.type)));
        int len = nf.length;
        int dec = nf.decimals;
        switch (t) {
        case 'C':
            if (len < 1 || len > 254)
                throw Error("Field " + name + ": a character field holds 1 to 254 bytes");
            dec = 0;
            break;
        case 'N':
        case 'F':
            if (len < 1 || len > 20 || dec < 0 || (dec > 0 && dec > len - 2))
                throw Error("Field " + name + ": invalid numeric width or decimals");
            break;
        case 'L':
            len = 1;
            dec = 0;
            break;
        case 'D':
            len = 8;
            dec = 0;
            break;
        case 'T':
        case 'B':
        case 'Y':
            len = 8;
            break;
        case 'I':
            len = 4;
            dec = 0;
            break;
        case 'M':
        case 'G':
            len = vfp ? 4 : 10;
            dec = 0;
            break;
        default:
            throw Error("Field " + name + ": type " + std::string(1, t) + " is not supported");
        }
        if (t == 'Y')
            dec = 4;
        if (t == 'B' && (dec < 0 || dec > 18))
            throw Error("Field " + name + ": invalid decimals");
        f.info.name = name;
        f.info.type = t;
        f.info.length = len;
        f.info.decimals = dec;
        f.info.nullable = vfp && nf.nullable;
        if (nf.nullable && !vfp)
            throw Error("Field " + name + ": this table version cannot hold nulls");
        if (f.info.nullable) {
            f.flags |= 0x02;
            f.nullBit = nullBits++;
        }
        if (t == 'M' || t == 'G')
            header.flags |= kFlagMemo;
        if (t == 'G') {
            f.flags |= 0x04;
            f.info.binary = true;
        }
        f.offset = offset;
        offset += static_cast<uint32_t>(len);
        header.fields.push_back(f);
    }
    if (nullBits > 0) {
        header.nullFlagsOffset = static_cast<int>(offset);
        header.nullFlagsLength = (nullBits + 7) / 8;
        offset += static_cast<uint32_t>(header.nullFlagsLength);
    }
    if (offset > 65500)
        throw Error("The record is too long");
    header.recordLength = static_cast<uint16_t>(offset);
    const size_t descriptors = header.fields.size() + (nullBits > 0 ? 1 : 0);
    header.headerLength
        = static_cast<uint16_t>(32 + 32 * descriptors + 1 + (vfp ? kBacklinkSize : 0));
    StampToday(header);
    return header;
}

std::string DbfHeader::serialize() const
{
    std::string s(headerLength, '\0');
    s[0] = static_cast<char>(version);
    s[1] = static_cast<char>(year);
    s[2] = static_cast<char>(month);
    s[3] = static_cast<char>(day);
    PutLe32(s, 4, recordCount);
    PutLe16(s, 8, headerLength);
    PutLe16(s, 10, recordLength);
    s[28] = static_cast<char>(flags);
    s[29] = static_cast<char>(codePageMark);
    size_t at = 32;
    auto descriptor = [&](const std::string &name, char type, uint32_t offset, int len, int dec,
                          uint8_t fflags) {
        std::memcpy(s.data() + at, name.data(), std::min<size_t>(name.size(), 10));
        s[at + 11] = type;
        PutLe32(s, at + 12, offset);
        s[at + 16] = static_cast<char>(len);
        s[at + 17] = static_cast<char>(dec);
        s[at + 18] = static_cast<char>(fflags);
        at += 32;
    };
    for (const FieldLayout &f : fields) {
        descriptor(f.info.name, f.info.type, f.offset, f.info.length, f.info.decimals, f.flags);
        if (f.info.autoIncrement) {
            PutLe32(s, at - 32 + 19, f.autoIncrementNext);
            s[at - 32 + 23] = static_cast<char>(f.autoIncrementStep);
        }
    }
    if (nullFlagsOffset >= 0)
        descriptor(
            "_NullFlags", '0', static_cast<uint32_t>(nullFlagsOffset), nullFlagsLength, 0, 0x05);
    s[at] = 0x0D;
    if (isVisualFoxPro() && at + 1 + backlink.size() <= s.size())
        std::memcpy(s.data() + at + 1, backlink.data(), backlink.size());
    return s;
}

void StampToday(DbfHeader &header)
{
    const std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    header.year = static_cast<uint8_t>(tm.tm_year % 100);
    header.month = static_cast<uint8_t>(tm.tm_mon + 1);
    header.day = static_cast<uint8_t>(tm.tm_mday);
}

} // namespace vfp
