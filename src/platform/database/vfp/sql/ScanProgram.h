#pragma once

// A SELECT's conditions and outputs compiled once into typed steps over record bytes: the
// first table's records are read in place, a batch at a time with a selection vector, and the
// conditions that compare a field with a constant are tested on the bytes at the field's offset;
// output columns that are plain fields (and IIF(ISNULL(flag), .F., flag)) are decoded straight
// into the result's cells for the rows that pass, from the first table's bytes or from the
// record copies a join's hash keeps. What the steps do not cover is left to the bound
// expressions, evaluated per row.
//
// A program holds no run-time state: once compiled it is shared by the pipelines of every
// thread that scans a part of the table.

#include "platform/database/vfp/Table.h"
#include "platform/database/vfp/sql/Evaluator.h"
#include "platform/database/vfp/sql/ResultSet.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vfp::sql {

// Scans (of a whole table or of one thread's part) that ran compiled, since the process began:
// tests read it to prove a statement took the compiled steps.
uint64_t CompiledScanCount();
void CountCompiledScan();
// Expressions a scan (or UPDATE's WHERE) left to evaluation per row through the bound nodes,
// since the process began: tests read it to prove a statement ran compiled throughout.
uint64_t InterpretedEvaluationCount();
void CountInterpretedEvaluations(uint64_t count);

class ScanProgram
{
public:
    // Records tested together.
    static constexpr uint32_t BatchRecords = 1024;

    // For the tables of the state: `filters` are each slot's conditions in the order they are
    // tested, `outputs` the statement's output expressions. The first table is read in place;
    // a joined table's fields are read from the copies of its records a join's hash keeps, or
    // are null for the missing record of a LEFT JOIN. Where the first table cannot be read in
    // place (its records are not in a file of this engine, or another slot reads the same table
    // object, whose read buffer the scan would then share), the program is perRecord()'s.
    // `probes` and `builds` are the joins' probe keys and the keys of their hashes' records
    // (null for a join without a hash), made from the bytes by probeKey() and buildKey() where
    // they are fields.
    static std::shared_ptr<const ScanProgram> compile(const RowState &state,
        const std::vector<std::vector<NodePtr>> &filters, std::span<const NodePtr> outputs,
        std::span<const Node *const> probes = {}, std::span<const Node *const> builds = {});
    // The program of a first table that is not read in place (recordLength() 0): every
    // condition is left to its bound expression and every output evaluated, one record at a time.
    static std::shared_ptr<const ScanProgram> perRecord(
        const std::vector<std::vector<NodePtr>> &filters);

    size_t recordLength() const { return m_recordLength; }
    // How many of the first table's conditions, from the first, the batch step tests.
    size_t batchConditions() const { return m_batchConditions; }
    // `rows` becomes the offsets (in records) of the live records of the block that pass the
    // first batchConditions() conditions.
    void selectBatch(std::string_view block, std::vector<uint32_t> &rows) const;

    // Whether condition i of a slot is a compiled step rather than left to its bound expression.
    bool compiled(int slot, size_t condition) const
    {
        return m_steps[static_cast<size_t>(slot)][condition].kind != Step::Evaluate;
    }
    // Condition i of a slot over the records set in the state: 1 or 0 when it was tested on the
    // bytes, -1 when it must be evaluated (not compiled, or the record is not at hand in bytes).
    int test(int slot, size_t condition, RowState &state) const;
    // The key KeyIndex::encode() makes of probe `join`'s value (with its `width`), made from the
    // bytes of the record set in the state: 1 when made, 0 for a null, which joins nothing, and
    // -1 when it cannot be told from the bytes (evaluate the probe and encode its value).
    int probeKey(size_t join, const RowState &state, size_t width, std::string &key) const;
    // The same for the key of a record of join's own table, given in bytes.
    int buildKey(size_t join, const char *record, size_t width, std::string &key) const;

    size_t outputCount() const { return m_outputs.size(); }
    // Appends the outputs of the records set in the state to the row being built, from output
    // `from` on, up to the first that the steps do not cover (evaluate that one instead), whose
    // index it returns; outputCount() when all were appended. `cells` holds, per slot, the cells
    // of the record a join's hash keeps as values (ResultSet::borrowedCell() of each of the
    // slot's columns, in slotColumns() order) or null. `scratch` is the caller's buffer for
    // texts that need converting.
    size_t appendOutputs(size_t from, RowState &state,
        std::span<const ResultSet::Cell *const> cells, ResultSet &rows, std::string &scratch) const;

private:
    // Where a field's bytes lie, in which slot's records.
    struct Place
    {
        int slot = -1; // -1: not compiled
        char type = 0;
        size_t offset = 0;
        size_t width = 0;
        int nullByte = -1;
        uint8_t nullMask = 0;
        int decimals = 0;
        int column = -1; // the column id, for a record held as values
        int slotIndex = -1; // the column's position among its slot's columns
        int fieldIndex = -1; // in its table
        bool raw = false; // texts taken as they are (binary field)
        bool asciiApart = false; // texts compare with ASCII constants on their bytes
        bool oneByteChars = false; // each byte of a text is one character
    };
    struct Step
    {
        enum Kind {
            Evaluate, // left to the bound expression
            TextEquals, // = or IN: equal up to the end of the shorter (SET ANSI OFF)
            TextExact, // ==: equal when the shorter is padded with blanks
            NumberCompare,
            LogicalIs, // the L field is .T. (or .F. with `negated`); null fails
            FlagOrFalse, // IIF(ISNULL(f), .F., f) of an L field; `negated` for its NOT
            MemoTailEquals, // RIGHT(memo, count) = or <> ASCII constants, on the memo's tail
            MemoTailExact, // RIGHT(memo, count) ==
            TextBlank, // EMPTY() of a C field: blanks, tabs and line ends only
            DateKeyCompare, // DTOS(date field) against an ASCII constant
            UpperLike, // UPPER(text field) [NOT] LIKE a constant pattern
            NullIs, // ISNULL(f) or f IS NULL of a C, N, F, I or L field; `negated` for NOT
        };
        Kind kind = Evaluate;
        Place field;
        bool negated = false; // <>, NOT IN, NOT field
        int code = 0; // the comparison, with the field on its left
        std::vector<std::string> texts; // ASCII constants; TextEquals: as the field's bytes
        std::vector<std::string> utf8; // TextEquals: the constants, for texts held as values
        double number = 0;
        int64_t integer = 0;
        bool integerCompare = false; // I field against an integer constant
        bool zeroTest = false; // = 0 or <> 0 on an N or F field: its digits decide
        size_t count = 0; // bytes of a memo's tail
    };
    struct Output
    {
        Place field;
        enum Kind {
            Field, // decoded from the bytes, or read through the state (memos, a join's values)
            MemoHead, // CAST(memo AS C(count)): its first characters, blank padded
        };
        Kind kind = Field;
        bool flagOrFalse = false; // IIF(ISNULL(f), .F., f)
        bool fromBytes = false; // decoded here rather than read through the state
        // A C, N, F, I, L or D field, whose plain values appendPlainBytes() decodes in the
        // row's loop for a record held in bytes (with flagOrFalse too).
        bool plainBytes = false;
        size_t count = 0;
    };

    Step compileCondition(const Node &node, const RowState &state) const;
    Step nullTest(const Node &field, bool negated, const RowState &state) const;
    // The bytes a C field's = compares with a text constant; false when it cannot be on bytes.
    bool textBytesOf(const Place &field, const std::string &utf8, std::string &bytes) const;
    static const Node *flagOf(const Node &node);
    Place placeOf(const Node &node, const RowState &state) const;
    static bool testBytes(const Step &step, const char *record);
    // KeyIndex::encode() of the field's value, from its record's bytes: 1 made, 0 null, -1 when
    // the bytes cannot tell.
    static int keyOf(const Place &field, const char *record, size_t width, std::string &key);
    // One output of the records set in the state; false when it must be evaluated instead.
    // Appends a field's value straight from its bytes where they are plain: an ASCII text (or a
    // binary field's bytes), a number written plainly, an integer, a logical or a date. False,
    // having appended nothing, for a text to convert, a number to parse or another type.
    static bool appendPlainBytes(const Place &field, const char *p, ResultSet &rows);
    bool appendOutput(const Output &output, const char *record, bool missing,
        const ResultSet::Cell *cells, RowState &state, ResultSet &rows, std::string &scratch) const;
    // A step over a record held as values (a join's hash keeps texts that way): 1, 0 or -1.
    static int testValue(const Step &step, const Value &value);
    static bool testMemoTail(const Step &step, const char *record, const RowState &state);
    // Steps on the field's value as the state reads it (bytes, or a join's values).
    static bool testOnValue(const Step &step, RowState &state);
    // Whether a step is tested on the record's bytes alone, as a batch tests them.
    static bool onBytes(Step::Kind kind);
    // RIGHT(memo, n) of a memo field whose texts are one byte per character: the field's place.
    Place memoTailOf(const Node &node, const RowState &state, size_t &count) const;
    // The record of a slot in bytes; null when the slot's record is not held that way.
    static const char *recordOf(int slot, const RowState &state, bool &missing);

    std::vector<const CodePage *> m_codePages; // per slot
    std::vector<bool> m_asciiApart; // per slot
    std::vector<bool> m_oneByteChars; // per slot
    size_t m_recordLength = 0;
    std::vector<std::vector<Step>> m_steps; // per slot
    size_t m_batchConditions = 0;
    std::vector<Output> m_outputs;
    // Per join: where its probe key and its hash's key lie, when they are fields.
    std::vector<Place> m_probes;
    std::vector<Place> m_builds;
};

} // namespace vfp::sql
