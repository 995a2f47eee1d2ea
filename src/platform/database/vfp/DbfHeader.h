#pragma once

// The header of a .dbf file: versions, flags, field descriptors, the null-flag field and the
// database container's backlink. Parsing checks every size against the file, so a damaged header
// gives a vfp::Error instead of reads past the end.

#include "platform/database/vfp/FileIo.h"
#include "platform/database/vfp/Table.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vfp {

constexpr uint8_t kFlagStructuralIndex = 0x01;
constexpr uint8_t kFlagMemo = 0x02;
constexpr uint8_t kFlagDatabaseContainer = 0x04;
constexpr int kBacklinkSize = 263;

struct FieldLayout
{
    FieldInfo info;
    uint32_t offset = 0; // in the record, delete flag at 0
    uint8_t flags = 0; // descriptor byte 18
    int nullBit = -1; // bit in _NullFlags; -1 when not nullable
    int varLengthBit = -1; // V and Q: bit set when the stored length is in the field's last byte
    uint32_t autoIncrementNext = 0;
    uint8_t autoIncrementStep = 0;
};

struct DbfHeader
{
    uint8_t version = 0x30;
    uint8_t year = 0, month = 0, day = 0;
    uint32_t recordCount = 0;
    uint16_t headerLength = 0;
    uint16_t recordLength = 0;
    uint8_t flags = 0;
    uint8_t codePageMark = 0x03;
    std::vector<FieldLayout> fields; // user fields, without _NullFlags
    int nullFlagsOffset = -1;
    int nullFlagsLength = 0;
    std::string backlink; // the container's file name; empty for a free table

    bool isVisualFoxPro() const { return version == 0x30 || version == 0x31 || version == 0x32; }
    // Memo fields hold 10 ASCII digits in the older formats and a 4-byte number in Visual FoxPro.
    bool binaryMemoPointers() const { return isVisualFoxPro(); }
    bool hasMemoFields() const;
    // The memo file's extension: ".fpt" for FoxPro, ".dbt" for dBase.
    std::string memoExtension() const;

    static DbfHeader read(const FileIo &file);
    // Builds a header for a new table from a field list (names cut to 10 characters, offsets,
    // null flags); throws vfp::Error on a field list the format cannot hold.
    static DbfHeader forNewTable(
        const std::vector<NewField> &fields, uint8_t version, uint8_t codePageMark);
    std::string serialize() const;
};

// Today's date as the header's YY MM DD bytes.
void StampToday(DbfHeader &header);

} // namespace vfp
