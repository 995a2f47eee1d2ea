#include "platform/database/vfp/sql/Select.h"

#include "platform/database/vfp/sql/IndexSeek.h"
#include "platform/database/vfp/sql/SelectPipeline.h"
#include "platform/database/vfp/sql/SortKeys.h"
#include "platform/database/vfp/sql/SqlError.h"
#include "platform/database/vfp/sql/TextOps.h"
#include "util/InParts.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <future>
#include <thread>
#include <unordered_map>

namespace vfp::sql {

namespace {

// A scan is split between threads only where each part has this many records at least.
constexpr uint32_t MinRecordsPerPart = 32768;
constexpr unsigned MaxParts = 4;
// A part keys the rows of a batch of records as soon as they are made, while their cells are
// still in the cache.
constexpr uint32_t KeyedRecords = ScanProgram::BatchRecords;

class SelectRunner
{
public:
    SelectRunner(Database &database, const SelectStatement &statement);
    std::shared_ptr<ResultSet> run();

private:
    std::vector<SourceTable> openTables();
    void nameColumns();
    void planOrder();
    bool mayBeNull(int column);
    void scanFirstTable();
    void scanPart(
        SelectPipeline &pipeline, ResultSet &rows, uint32_t first, uint32_t last, SortRun *run);
    void buildHashes();
    void runInParts(unsigned parts, const std::function<void(unsigned, SelectPipeline &)> &work);
    unsigned partsFor(uint32_t records) const;
    std::vector<SourceTable> openReaders() const;

    Database &m_database;
    const SelectStatement &m_statement;
    std::unique_ptr<SelectPipeline> m_main;
    std::vector<ResultColumn> m_columns;
    std::vector<OrderKey> m_order;
    std::unique_ptr<SortKeyLayout> m_layout; // of m_order's keys, when parts key their rows
    std::vector<SortRun> m_runs; // one per part, keyed and sorted as the parts are scanned
    std::shared_ptr<ResultSet> m_result;
};

SelectRunner::SelectRunner(Database &database, const SelectStatement &statement)
    : m_database(database)
    , m_statement(statement)
{ }

std::vector<SourceTable> SelectRunner::openTables()
{
    std::vector<SourceTable> tables;
    const auto open = [&](const TableRef &ref) {
        if (tables.size() >= 63)
            ThrowAt(ref.position, ref.name, "too many tables");
        tables.push_back(SourceTable { ref.name, ref.alias, m_database.table(ref.name) });
    };
    open(m_statement.from);
    for (const Join &join : m_statement.joins)
        open(join.table);
    return tables;
}

void SelectRunner::nameColumns()
{
    const auto &outputs = m_main->outputs();
    const auto &names = m_main->outputNames();
    for (size_t i = 0; i < outputs.size(); ++i) {
        const TypeInfo &type = outputs[i]->type;
        m_columns.push_back(ResultColumn { names[i], type.type, type.length, type.decimals });
    }
    // Names that occur more than once get _a, _b, ... in order of occurrence.
    std::unordered_map<std::string, int> counts, seen;
    for (const ResultColumn &column : m_columns)
        ++counts[column.name];
    for (ResultColumn &column : m_columns) {
        if (counts[column.name] > 1) {
            const int n = seen[column.name]++;
            column.name += "_" + std::string(1, static_cast<char>('a' + std::min(n, 25)));
        }
    }
}

void SelectRunner::planOrder()
{
    for (const OrderItem &item : m_statement.orderBy) {
        const Expr &expr = *item.expr;
        int column = -1;
        if (expr.kind == Expr::Kind::Literal && expr.value.isNumber()) {
            const double ordinal = expr.value.number();
            if (ordinal < 1 || ordinal > static_cast<double>(m_columns.size())
                || ordinal != static_cast<double>(static_cast<int>(ordinal)))
                ThrowAt(item.position, std::to_string(static_cast<long long>(ordinal)),
                    "ORDER BY column number is out of range");
            column = static_cast<int>(ordinal) - 1;
        } else if (expr.kind == Expr::Kind::Column) {
            if (expr.qualifier.empty()) {
                const std::string wanted = text::Lower(expr.name);
                for (size_t i = 0; i < m_columns.size() && column < 0; ++i) {
                    if (m_columns[i].name == wanted)
                        column = static_cast<int>(i);
                }
            }
            if (column < 0) {
                // A source column that is in the select list under another name.
                NodePtr node = Bind(expr, m_main->state());
                const auto &outputs = m_main->outputs();
                for (size_t i = 0; i < outputs.size() && column < 0; ++i) {
                    if (outputs[i]->op == Node::Op::Column && outputs[i]->column == node->column)
                        column = static_cast<int>(i);
                }
            }
        }
        if (column < 0)
            ThrowAt(item.position,
                expr.qualifier.empty() ? expr.name : expr.qualifier + "." + expr.name,
                "ORDER BY item is not in the select list");
        m_order.push_back(OrderKey { column, item.descending, mayBeNull(column) });
    }
    // DISTINCT drops rows as the scan goes, so its rows are keyed once it is done.
    if (!m_order.empty() && !m_statement.distinct)
        m_layout = std::make_unique<SortKeyLayout>(m_columns, m_order);
}

// Whether an output column may hold a null: anything but a field that holds none, of the first
// table or one joined by an inner join (every row has a record of those).
bool SelectRunner::mayBeNull(int column)
{
    const Node &node = *m_main->outputs()[static_cast<size_t>(column)];
    if (node.op != Node::Op::Column)
        return true;
    RowState &state = m_main->state();
    const int slot = state.columnSlot(node.column);
    if (slot > 0 && m_statement.joins[static_cast<size_t>(slot - 1)].left)
        return true;
    const Table &table = *state.tables()[static_cast<size_t>(slot)].table;
    return table.fields()[static_cast<size_t>(state.columnField(node.column))].nullable;
}

unsigned SelectRunner::partsFor(uint32_t records) const
{
    // DISTINCT drops a row equal to any before it, which parts cannot see of each other.
    if (m_statement.distinct || !m_main->joinsAreHashed())
        return 1;
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    return std::min({ threads, MaxParts, std::max(1u, records / MinRecordsPerPart) });
}

// Readers of the statement's tables for another thread; empty when one cannot be opened.
std::vector<SourceTable> SelectRunner::openReaders() const
{
    std::vector<SourceTable> readers = m_main->state().tables();
    for (SourceTable &source : readers) {
        source.table = source.table->openReader();
        if (!source.table)
            return {};
    }
    return readers;
}

// Runs work(part, pipeline) for each part: part 0 on this thread with the main pipeline, the
// others each on a thread with a pipeline of its own over readers of the tables (or here after
// part 0 when no reader opens). The error thrown is that of the earliest part that failed, as
// one pass over the parts in order would give it.
void SelectRunner::runInParts(
    unsigned parts, const std::function<void(unsigned, SelectPipeline &)> &work)
{
    std::vector<std::future<bool>> others;
    for (unsigned part = 1; part < parts; ++part) {
        others.push_back(std::async(std::launch::async, [&, part] {
            std::vector<SourceTable> readers = openReaders();
            if (readers.empty())
                return false;
            SelectPipeline pipeline(*m_main, std::move(readers));
            work(part, pipeline);
            return true;
        }));
    }
    std::exception_ptr error;
    try {
        work(0, *m_main);
    } catch (...) {
        error = std::current_exception();
    }
    for (unsigned part = 1; part < parts; ++part) {
        bool done = false;
        try {
            done = others[part - 1].get();
        } catch (...) {
            if (!error)
                error = std::current_exception();
            continue;
        }
        if (done || error)
            continue;
        try {
            work(part, *m_main);
        } catch (...) {
            error = std::current_exception();
        }
    }
    if (error)
        std::rethrow_exception(error);
}

// The first record of each of `parts` consecutive ranges over 1..records, and records + 1.
std::vector<uint32_t> PartStarts(uint32_t records, unsigned parts)
{
    std::vector<uint32_t> starts;
    for (unsigned part = 0; part <= parts; ++part)
        starts.push_back(static_cast<uint32_t>(uint64_t(records) * part / parts + 1));
    return starts;
}

// The joined tables' hashes, all read together: each big table in parts, and the parts of all
// the tables shared out between the threads so that a small table is read beside a part of a
// big one rather than before it; then the hashes are put together, each from its parts in
// order, side by side. The error thrown is that of the first part, in join and part order,
// that failed, as building the hashes one after the other would give it.
void SelectRunner::buildHashes()
{
    struct Piece
    {
        size_t join;
        unsigned part;
        uint32_t first, last;
        std::exception_ptr error;
    };
    std::vector<Piece> pieces;
    std::vector<std::vector<JoinHashPart>> parts(m_main->joinCount());
    std::vector<size_t> joins;
    uint64_t total = 0;
    for (size_t join = 0; join < m_main->joinCount(); ++join) {
        if (!m_main->needsHash(join))
            continue;
        joins.push_back(join);
        const uint32_t records = m_main->joinRecordCount(join);
        total += records;
        const unsigned count = partsFor(records);
        const std::vector<uint32_t> starts = PartStarts(records, count);
        parts[join].resize(count);
        for (unsigned part = 0; part < count; ++part)
            pieces.push_back(Piece { join, part, starts[part], starts[part + 1] - 1, nullptr });
    }
    if (joins.empty())
        return;
    // The biggest pieces first, each to the thread with the fewest records so far.
    const unsigned threads = partsFor(static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX)));
    std::vector<size_t> bySize(pieces.size());
    for (size_t i = 0; i < pieces.size(); ++i)
        bySize[i] = i;
    std::stable_sort(bySize.begin(), bySize.end(), [&](size_t a, size_t b) {
        return pieces[a].last - pieces[a].first > pieces[b].last - pieces[b].first;
    });
    std::vector<std::vector<size_t>> shares(threads);
    std::vector<uint64_t> load(threads, 0);
    for (const size_t i : bySize) {
        const auto least
            = static_cast<size_t>(std::min_element(load.begin(), load.end()) - load.begin());
        shares[least].push_back(i);
        load[least] += uint64_t(pieces[i].last) + 1 - pieces[i].first;
    }
    runInParts(threads, [&](unsigned thread, SelectPipeline &pipeline) {
        for (const size_t i : shares[thread]) {
            Piece &piece = pieces[i];
            try {
                parts[piece.join][piece.part]
                    = pipeline.readHashPart(piece.join, piece.first, piece.last);
            } catch (...) {
                piece.error = std::current_exception();
            }
        }
    });
    for (const Piece &piece : pieces) {
        if (piece.error)
            std::rethrow_exception(piece.error);
    }
    // Each hash is put together on a thread of its own, the first on this one; with one thread
    // (small tables), all here one after the other.
    InParts(joins.size(), threads <= 1 ? 1 : joins.size(), [&](size_t, size_t first, size_t last) {
        for (size_t i = first; i < last; ++i)
            m_main->assembleHash(joins[i], std::move(parts[joins[i]]));
    });
}

// Scans the first table in physical order. A big table is split into consecutive parts, each
// scanned by a pipeline of its own; the parts' rows are joined in part order, so the result is
// the one scan would give.
void SelectRunner::scanFirstTable()
{
    const uint32_t records = m_main->state().tables()[0].table->recordCount();
    const unsigned parts = partsFor(records);
    if (parts <= 1) {
        m_main->scanFirstTable(1, records);
        return;
    }
    buildHashes();
    const std::vector<uint32_t> starts = PartStarts(records, parts);
    std::vector<ResultSet> partRows;
    partRows.reserve(parts - 1);
    for (unsigned part = 1; part < parts; ++part) {
        partRows.emplace_back(m_columns);
        partRows.back().shareBoundWith(*m_result);
    }
    if (m_layout) {
        for (unsigned part = 0; part < parts; ++part)
            m_runs.emplace_back(*m_layout);
    }
    runInParts(parts, [&](unsigned part, SelectPipeline &pipeline) {
        ResultSet &rows = part == 0 ? *m_result : partRows[part - 1];
        pipeline.setResult(rows, false);
        scanPart(
            pipeline, rows, starts[part], starts[part + 1] - 1, m_layout ? &m_runs[part] : nullptr);
    });
    // Each part's rows follow those of the parts before it, and so do its run's rows.
    for (unsigned part = 1; part < parts; ++part) {
        if (!m_runs.empty())
            m_runs[part].setRowOffset(static_cast<uint32_t>(m_result->rowCount()));
        m_result->appendRows(std::move(partRows[part - 1]));
    }
}

// Scans records first..last into `rows`; with a run, keys the rows a stretch of records at a
// time, right after they are made, and sorts them at the end.
void SelectRunner::scanPart(
    SelectPipeline &pipeline, ResultSet &rows, uint32_t first, uint32_t last, SortRun *run)
{
    if (!run) {
        pipeline.scanFirstTable(first, last);
        return;
    }
    size_t keyed = rows.rowCount();
    for (uint64_t from = first; from <= last; from += KeyedRecords) {
        const auto to = static_cast<uint32_t>(std::min<uint64_t>(last, from + KeyedRecords - 1));
        pipeline.scanFirstTable(static_cast<uint32_t>(from), to);
        run->add(rows, keyed, rows.rowCount());
        keyed = rows.rowCount();
    }
    run->sort();
}

std::shared_ptr<ResultSet> SelectRunner::run()
{
    m_main = std::make_unique<SelectPipeline>(m_statement, openTables());
    nameColumns();
    planOrder();
    m_result = std::make_shared<ResultSet>(m_columns);
    m_result->setCollation(m_main->state().collation());
    m_main->setResult(*m_result, m_statement.distinct);

    if (m_main->hasJoins()
        || !VisitIndexedRecords(m_main->state(), 0, m_main->firstTableFilters(),
            [this](uint32_t) { m_main->visitFirstRecord(); }))
        scanFirstTable();
    m_main->setResult(*m_result, false);
    m_main->keepHashesFor(*m_result);

    // DISTINCT orders as FoxPro does it, by sorting: ties of the ORDER BY keys (or every row
    // without one) fall back to the columns from left to right.
    if (m_statement.distinct) {
        for (int column = 0; column < static_cast<int>(m_columns.size()); ++column)
            m_order.push_back(OrderKey { column, false, mayBeNull(column) });
    }
    if (!m_runs.empty())
        m_result->permute(MergeRuns(*m_result, m_runs));
    else if (!m_order.empty())
        m_result->permute(SortRows(*m_result, SortKeyLayout(m_columns, m_order)));
    m_result->settleUnknownTypes();
    return m_result;
}

} // namespace

std::shared_ptr<ResultSet> RunSelect(Database &database, const SelectStatement &statement)
{
    return SelectRunner(database, statement).run();
}

} // namespace vfp::sql
