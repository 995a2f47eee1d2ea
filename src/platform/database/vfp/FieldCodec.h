#pragma once

// Field values to and from their bytes in a record, type by type.
//
// Reading is tolerant where FoxPro is: a blank N or F field reads as 0 with the field's decimals
// (the value FoxPro's SQL gives for it; EMPTY() is true for both); an unparsable date reads as
// the empty date; "?" or blank in an L field reads as false. A set null flag reads as null.
// Writing converts as FoxPro does (8.00 into I or N(3,0), 0 and 1 into L) and throws a
// vfp::Error for a value that does not fit, leaving the record untouched.

#include "platform/database/vfp/CodePage.h"
#include "platform/database/vfp/DbfHeader.h"
#include "platform/database/vfp/Value.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vfp {

class MemoFile;

bool IsNullInRecord(const DbfHeader &header, const FieldLayout &field, const char *record);
void SetNullInRecord(const DbfHeader &header, const FieldLayout &field, char *record, bool null);

// The memo block a memo field points to (0 = none).
uint32_t MemoPointer(const DbfHeader &header, const FieldLayout &field, const char *record);
void PutMemoPointer(
    const DbfHeader &header, const FieldLayout &field, char *record, uint32_t block);
inline bool IsMemoType(char type)
{
    return type == 'M' || type == 'G' || type == 'W' || type == 'P';
}

// Decodes one field of a record. memo may be null when the table has no memo file: reading a
// non-empty memo then throws.
Value DecodeField(const DbfHeader &header, const FieldLayout &field, const char *record,
    const CodePage &codePage, const MemoFile *memo);
// The same into an existing value, whose text buffer a character field reuses.
void DecodeFieldInto(const DbfHeader &header, const FieldLayout &field, const char *record,
    const CodePage &codePage, const MemoFile *memo, Value &into);

// The blank value of a new record's field (blanks; 0 for numbers; F for logicals).
void BlankField(const FieldLayout &field, char *record);

// Encodes a non-memo value into the record (field bytes and null flag).
void EncodeField(const DbfHeader &header, const FieldLayout &field, const Value &value,
    const CodePage &codePage, char *record);
// The bytes a memo field will hold for value (code page applied unless binary).
std::string EncodeMemoText(const FieldLayout &field, const Value &value, const CodePage &codePage);

// Numbers as fixed-point text right-justified in width (FoxPro rounds half away from zero);
// returns false when the number does not fit.
bool FormatNumber(double number, int width, int decimals, std::string &out);

} // namespace vfp
