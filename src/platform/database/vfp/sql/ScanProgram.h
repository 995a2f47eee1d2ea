#pragma once

// The first table of a SELECT compiled once into typed steps over its record bytes: conditions
// that compare a field with a constant are tested on the bytes at the field's offset, over a
// batch of records at a time with a selection vector, and output columns that are plain fields
// are decoded straight into the result's cells for the rows that pass. What the steps do not
// cover is left to the bound expressions, evaluated per row.
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

// Whether SELECTs compile their first table's steps (on unless turned off): the per-row
// interpreter alone gives the same answers, which the differential test compares.
bool CompiledScansEnabled();
void SetCompiledScansEnabled(bool enabled);
// Scans (of a whole table or of one thread's part) that ran compiled, since the process began:
// tests read it to prove a statement took the compiled steps.
uint64_t CompiledScanCount();
void CountCompiledScan();

class ScanProgram
{
public:
    // Records tested together.
    static constexpr uint32_t BatchRecords = 1024;

    // For the table in slot 0 of the state: `filters` are its conditions in the order they are
    // tested, `outputs` the statement's output expressions. Null when the table cannot be read
    // in place (its records are not in a file of this engine, or another slot reads the same
    // table object, whose read buffer the scan would then share).
    static std::shared_ptr<const ScanProgram> compile(
        const RowState &state, std::span<const NodePtr> filters, std::span<const NodePtr> outputs);

    size_t recordLength() const { return m_recordLength; }
    // How many conditions, from the first, the batch step tests.
    size_t batchConditions() const { return m_batchConditions; }
    // Whether condition i is tested on the bytes (testRow) rather than evaluated.
    bool testsOnBytes(size_t condition) const { return m_steps[condition].kind != Step::Evaluate; }
    // Whether output i is decoded from the bytes (appendOutput) rather than evaluated.
    bool decodesOutput(size_t output) const
    {
        return output < m_outputs.size() && m_outputs[output].type != 0;
    }

    // `rows` becomes the offsets (in records) of the live records of the block that pass the
    // first batchConditions() conditions.
    void selectBatch(std::string_view block, std::vector<uint32_t> &rows) const;
    bool testRow(size_t condition, const char *record) const;
    // Appends output i of the record to the row being built; `scratch` is the caller's buffer
    // for texts that need converting.
    void appendOutput(
        size_t output, const char *record, ResultSet &rows, std::string &scratch) const;

private:
    struct Step
    {
        enum Kind {
            Evaluate, // left to the bound expression
            TextEquals, // = or IN: equal up to the end of the shorter (SET ANSI OFF)
            TextExact, // ==: equal when the shorter is padded with blanks
            NumberCompare,
            LogicalIs, // the L field is .T. (or .F. with `negated`)
        };
        Kind kind = Evaluate;
        size_t offset = 0;
        size_t width = 0;
        int nullByte = -1;
        uint8_t nullMask = 0;
        bool negated = false; // <>, NOT IN, NOT field
        char fieldType = 0;
        int code = 0; // the comparison, with the field on its left
        std::vector<std::string> texts; // ASCII constants
        double number = 0;
        int64_t integer = 0;
        bool integerCompare = false; // I field against an integer constant
    };
    struct Output
    {
        char type = 0; // field type; 0 when evaluated
        size_t offset = 0;
        size_t width = 0;
        int nullByte = -1;
        uint8_t nullMask = 0;
        int decimals = 0;
        bool raw = false; // texts taken as they are (binary field)
    };

    Step compileCondition(const Node &node, const RowState &state) const;
    bool compileField(const Node &node, const RowState &state, Step &step) const;
    bool test(const Step &step, const char *record) const;

    const CodePage *m_codePage = nullptr;
    bool m_asciiApart = false; // the code page's bytes >= 0x80 never decode to ASCII
    size_t m_recordLength = 0;
    std::vector<Step> m_steps;
    size_t m_batchConditions = 0;
    std::vector<Output> m_outputs;
};

} // namespace vfp::sql
