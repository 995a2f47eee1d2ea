#pragma once

// The contract between the storage layer (tables, memos, indexes, the database container) and
// the SQL layer. Storage implements it; the SQL executor reads and writes through nothing else.

#include "platform/database/vfp/Value.h"
#include "util/Errors.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vfp {

class CodePage;

// Every engine failure: a message, and for SQL errors the 1-based position in the text (0 = none).
class Error : public Exception
{
public:
    explicit Error(const std::string &message, int position = 0);
    int position() const { return m_position; }

private:
    int m_position;
};

struct FieldInfo
{
    std::string name; // upper case; the long name from the database container when it has one
    char type = 'C'; // C N F I B Y D T L M G W V Q
    int length = 0;
    int decimals = 0;
    bool nullable = false;
    bool binary = false; // no code-page translation
    bool autoIncrement = false;
};

struct IndexTag
{
    std::string name;
    std::string keyExpression; // as typed, e.g. "ST_ID"
    std::string forExpression; // empty when none
    bool unique = false;
    bool candidate = false;
    bool descending = false;
};

// Changes for update/append: field index (into fields()) and its new value.
using FieldValues = std::vector<std::pair<int, Value>>;

// One open table. Record numbers are 1-based, in physical order.
class Table
{
public:
    virtual ~Table() = default;

    virtual const std::string &name() const = 0; // as resolved, e.g. "z_stran"
    virtual const std::vector<FieldInfo> &fields() const = 0; // user fields, no _NullFlags
    virtual int fieldIndex(std::string_view name) const = 0; // any letter case; -1 if none
    // The code page its texts are stored in, which also orders them (Windows-1252 unless the
    // table says otherwise).
    virtual const CodePage &codePage() const;

    // Physical records including deleted ones, as the header says now (re-read on each call
    // to a scan's start is the implementation's business; appends by others may follow).
    virtual uint32_t recordCount() const = 0;
    virtual bool isDeleted(uint32_t recno) const = 0;
    virtual Value value(uint32_t recno, int field) const = 0;
    // value() into an existing value, whose text buffer storage tables reuse. Storage tables
    // read records in big blocks, so reads of neighbouring records are cheap; recordCount()
    // drops that read-ahead, so call it once per scan, not once per record. Character values
    // keep their trailing blanks (the field's full width).
    virtual void readValue(uint32_t recno, int field, Value &into) const
    {
        into = value(recno, field);
    }
    // Copies of whole records, for a scan that keeps them (a join's hash): the record length,
    // 0 when records cannot be copied; a record's stored bytes, valid until the next read of
    // this table; and a field decoded from such a copy, as readValue() decodes it.
    virtual size_t recordLength() const { return 0; }
    virtual std::string_view recordBytes(uint32_t /*recno*/) const { return {}; }
    virtual void decodeField(const char * /*record*/, int /*field*/, Value & /*into*/) const
    {
        throw Error("Table " + name() + " cannot decode copied records");
    }

    // Records read in place, for a scan that tests and decodes their bytes itself: records
    // `first` onwards as they lie one after another in the table's read buffer (at least one
    // when `first` is within the count, at most `wanted`; a multiple of recordLength() bytes),
    // valid until the next read of this table; empty when not available here.
    virtual std::string_view recordBlock(uint32_t /*first*/, uint32_t /*wanted*/) const
    {
        return {};
    }
    // Where a field's bytes lie in such a record: the offset (the delete flag is byte 0), the
    // width, and the byte and bit of its null flag (nullByte -1: never null). Memo fields hold a
    // pointer there, not their text. nullopt when the field cannot be read in place.
    struct FieldPlace
    {
        size_t offset = 0;
        size_t width = 0;
        int nullByte = -1;
        uint8_t nullMask = 0;
    };
    virtual std::optional<FieldPlace> fieldPlace(int /*field*/) const { return std::nullopt; }
    // Part of the memo of a record read in place: its first `count` bytes, or its last `count`
    // with `fromEnd` (all of it when shorter), as stored (no code-page translation), read
    // without the rest of the memo where the file allows. False when not available here; a
    // null field is the caller's to tell from the record.
    virtual bool memoPart(const char * /*record*/, int /*field*/, size_t /*count*/,
        bool /*fromEnd*/, std::string & /*bytes*/) const
    {
        return false;
    }
    // The whole memo of such a record, as stored, without a copy where the file allows: valid
    // until the next read of the table's memos. False when not available here.
    virtual bool memoText(
        const char * /*record*/, int /*field*/, std::string_view & /*bytes*/) const
    {
        return false;
    }

    // An independent reader of the same table with its own read-ahead, for a scan on another
    // thread (a Table is not safe to share between threads); null when none can be opened.
    // Its record count may be higher than this table's when others have appended since.
    virtual std::shared_ptr<Table> openReader() const { return nullptr; }

    virtual std::vector<IndexTag> indexTags() const = 0;
    // Records, ascending, that a structural index tag keyed on exactly this numeric field holds
    // for the number; nullopt when no tag can answer or the number does not fit the field
    // exactly (scan instead). Deleted records may be among them: callers test each record.
    virtual std::optional<std::vector<uint32_t>> seekNumber(
        int /*field*/, const Value & /*number*/) const
    {
        return std::nullopt;
    }

    // Rewrites only the changed field bytes of one record, under that record's lock.
    // Converts as FoxPro does (8.00 into I or N(3,0), 0/1 into L); a value that does not fit
    // is an error. Nothing is written when any change fails.
    virtual void update(uint32_t recno, const FieldValues &changes) = 0;
    // Throws the error update() would give for converting these values (a type that does not
    // match, a number or text that does not fit), without touching the file: a statement that
    // changes many records checks them all before it writes the first.
    virtual void checkChanges(const FieldValues & /*changes*/) const { }
    // Appends one record under the header lock (fields not named are blank), keeps every
    // structural index tag valid, returns the new record number.
    virtual uint32_t append(const FieldValues &values) = 0;
    // Throws before anything is written when an index tag over one of these fields cannot be
    // maintained by the engine.
    virtual void checkWritable(const std::vector<int> &fields) const = 0;
};

struct NewField
{
    std::string name;
    char type = 'C';
    int length = 0;
    int decimals = 0;
    bool nullable = false;
};

// A database container (.dbc) or a folder of free tables, with the script state of EXECSCRIPT.
class Database
{
public:
    virtual ~Database() = default;

    // path: a .dbc file, a folder, or a free table's .dbf path. Backslashes are accepted; names
    // are matched without regard to letter case.
    static std::unique_ptr<Database> open(const std::string &path);

    // Resolves a table name through the container's Table rows and PATH properties, then the
    // default folder; a path with separators is taken as a path. Throws when not found.
    virtual std::shared_ptr<Table> table(std::string_view name) = 0;
    virtual bool tableExists(std::string_view name) const = 0;

    // Script commands: SET DEFAULT TO, CREATE TABLE name FREE (...), INDEX ON expr TAG name.
    virtual void setDefaultFolder(const std::string &folder) = 0;
    virtual std::string defaultFolder() const = 0;
    virtual void createFreeTable(const std::string &name, const std::vector<NewField> &fields) = 0;
    virtual void createIndexTag(
        const std::string &table, const std::string &keyExpression, const std::string &tag)
        = 0;
    virtual void closeAll() = 0;

    // Names a table as the program's own: when it is opened through this database (or before
    // its first write, when its locks were busy then) its index is checked against its
    // records and rebuilt where they disagree (see DbfTable::repairOwnTable). Other tables
    // are never repaired behind their owner.
    virtual void markOwnTable(std::string_view /*table*/) { }
};

// The stored text of N and F fields read as a number (blank reads as 0, overflow marks and other
// damage as 0), and of D fields as a Julian day (blank or unparsable reads as the empty date 0).
double ParseNumber(std::string_view text);
int32_t ParseDate(std::string_view text);

// ASCII letters in upper case; other bytes as they are (names of tables, fields and keywords).
std::string AsciiUpper(std::string_view text);

// Maps a path text (backslashes, any letter case) onto an existing host path where one matches;
// returns the mapped path (with the unmatched rest appended as typed) either way.
std::string MapHostPath(const std::string &path);

} // namespace vfp
