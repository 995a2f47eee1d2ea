#pragma once

// One scan of a SELECT's tables: the statement's bound plan (joins, conditions, outputs and
// their compiled steps, bound once and read-only afterwards), the run-time state of the scan
// (current records, values computed) and the rows it emits. A statement runs one pipeline, or
// several over parts of the first table, on threads of their own, that share the bound plan and
// the joins' hashes; each pipeline belongs to one thread at a time.

#include "platform/database/vfp/sql/Ast.h"
#include "platform/database/vfp/sql/Evaluator.h"
#include "platform/database/vfp/sql/KeyIndex.h"
#include "platform/database/vfp/sql/ResultSet.h"
#include "platform/database/vfp/sql/ScanProgram.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace vfp::sql {

// The entries one thread reads for a join's hash: live records of a range of its table, in
// order, with their keys (one after another, keyEnds[i] ending key i) and either the values
// the statement reads or, where that takes less room, copies of the records themselves.
struct JoinHashPart
{
    std::vector<uint32_t> recnos;
    std::string keys;
    std::vector<size_t> keyEnds;
    std::vector<Value> values;
    size_t recordLength = 0; // of each copy in `records`; 0 when values are kept
    std::vector<char> records;
};

// A joined table's records by join key, with the values the statement reads of each: probes
// never go back to the file, whose records they would otherwise visit in random order. Built
// once per statement; read-only afterwards, so pipelines on several threads share it.
struct JoinHash
{
    static constexpr uint32_t NoEntry = UINT32_MAX;
    struct Entry
    {
        uint32_t recno;
        uint32_t next;
        const Value *values; // one per column, in RowState::slotColumns() order, or null
        const char *record; // the record's copy, or null
        // With values: the result cells of each, which point into them; 16 bytes a column
        // where a value takes 48, so the cells of a table of customers stay in the caches
        // while result rows are made from them in no particular order.
        const ResultSet::Cell *cells;
    };
    KeyIndex heads;
    std::vector<Entry> entries;
    std::vector<std::vector<Value>> values; // the parts' values, cells and copies, where the
    std::vector<std::vector<ResultSet::Cell>> cells; // entries point
    std::vector<std::vector<char>> records;
};

class SelectPipeline
{
public:
    // Binds the statement's joins, conditions and output over the tables, one per FROM and JOIN
    // in that order. Throws vfp::Error for a name that is unknown or used before its table.
    SelectPipeline(const SelectStatement &statement, std::vector<SourceTable> tables);
    // A pipeline for another thread over its own readers of `bound`'s tables: it shares the
    // bound plan and the hashes built so far.
    SelectPipeline(const SelectPipeline &bound, std::vector<SourceTable> readers);
    ~SelectPipeline();

    RowState &state() { return *m_state; }
    const std::vector<NodePtr> &outputs() const;
    // Each output's name before duplicates are told apart: alias, field name or exp_N.
    const std::vector<std::string> &outputNames() const;
    const std::vector<NodePtr> &firstTableFilters() const;
    bool hasJoins() const;
    // Whether every join runs on a hash, so a scan reads no table but the first.
    bool joinsAreHashed() const;

    // Hashes are built on the first probe, or ahead of the scan from parts read by several
    // pipelines: the joins by number (0 the first JOIN), their parts, and the assembly of a hash
    // from its parts in record order.
    size_t joinCount() const;
    bool needsHash(size_t join) const;
    uint32_t joinRecordCount(size_t join) const;
    JoinHashPart readHashPart(size_t join, uint32_t first, uint32_t last);
    void assembleHash(size_t join, std::vector<JoinHashPart> parts);

    // Rows go to `rows`; with `distinct`, a row equal to one already there is dropped.
    void setResult(ResultSet &rows, bool distinct);
    // Texts of joined tables are not copied into the rows but point into the joins' hashes:
    // once the scan is done, the rows must be given the hashes to keep.
    void keepHashesFor(ResultSet &rows) const;
    // With the first table's record set in the state: its conditions, joins and rows.
    void visitFirstRecord();
    // The first table's live records first..last (which must exist), in order, each through
    // its conditions, joins and rows.
    void scanFirstTable(uint32_t first, uint32_t last);

private:
    struct JoinPlan;
    struct Plan;
    void planJoins(const SelectStatement &statement, Plan &plan);
    void planWhere(const SelectStatement &statement, Plan &plan);
    void planOutput(const SelectStatement &statement, Plan &plan);
    void buildHash(size_t join);
    // `columns`: the slot's, as slotColumns() gives them.
    size_t copiedRecordLength(int slot, const std::vector<int> &columns) const;
    bool passes(int level);
    // A bound expression over the current records: a field is read as it is, anything else is
    // evaluated per row and counted as such.
    const Value &evaluate(const Node &node);
    void descend(size_t level);
    void emit();

    std::shared_ptr<const Plan> m_plan;
    std::unique_ptr<RowState> m_state;
    std::vector<std::shared_ptr<const JoinHash>> m_hashes; // per join, once built
    // Per slot, the cells of the record a hash keeps as values that is set in the state; null
    // for a record set otherwise.
    std::vector<const ResultSet::Cell *> m_cells;
    std::string m_scratch;
    std::string m_key;
    uint64_t m_interpreted = 0; // expressions evaluated per row, reported when done
    ResultSet *m_rows = nullptr;

    struct RowHash
    {
        const ResultSet *rows;
        size_t operator()(uint32_t row) const { return rows->rowHash(row); }
    };
    struct RowEqual
    {
        const ResultSet *rows;
        bool operator()(uint32_t a, uint32_t b) const { return rows->rowsEqual(a, b); }
    };
    std::unique_ptr<std::unordered_set<uint32_t, RowHash, RowEqual>> m_distinct;
};

} // namespace vfp::sql
