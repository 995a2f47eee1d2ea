#include "platform/database/vfp/sql/Select.h"

#include "platform/database/vfp/sql/IndexSeek.h"
#include "platform/database/vfp/sql/SelectPipeline.h"
#include "platform/database/vfp/sql/TextOps.h"

#include <algorithm>
#include <exception>
#include <future>
#include <thread>
#include <unordered_map>

namespace vfp::sql {

namespace {

[[noreturn]] void ThrowAt(int position, const std::string &shown, const std::string &message)
{
    throw Error("near \"" + shown + "\": " + message + " at " + std::to_string(position), position);
}

// A scan is split between threads only where each part has this many records at least.
constexpr uint32_t MinRecordsPerPart = 32768;
constexpr unsigned MaxParts = 4;

class SelectRunner
{
public:
    SelectRunner(Database &database, const SelectStatement &statement);
    std::shared_ptr<ResultSet> run();

private:
    std::vector<SourceTable> openTables();
    void nameColumns();
    void planOrder();
    void scanFirstTable();
    unsigned partsFor(uint32_t records) const;
    std::vector<SourceTable> openReaders() const;

    Database &m_database;
    const SelectStatement &m_statement;
    std::unique_ptr<SelectPipeline> m_main;
    std::vector<ResultColumn> m_columns;
    std::vector<std::pair<int, bool>> m_order; // output column, descending
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
        m_order.emplace_back(column, item.descending);
    }
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

// Scans the first table in physical order. A big table is split into consecutive parts, each
// scanned by a pipeline of its own on its own thread; the parts' rows are joined in part order,
// so the result is the one scan would give, and so is the error: that of the earliest part.
void SelectRunner::scanFirstTable()
{
    const auto visit = [this](uint32_t) { m_main->visitFirstRecord(); };
    const uint32_t records = m_main->state().tables()[0].table->recordCount();
    const unsigned parts = partsFor(records);
    if (parts <= 1) {
        ScanLiveRecords(m_main->state(), 0, 1, records, visit);
        return;
    }
    m_main->buildHashes();
    const auto partStart = [&](unsigned part) {
        return static_cast<uint32_t>(uint64_t(records) * part / parts + 1);
    };
    std::vector<ResultSet> partRows;
    partRows.reserve(parts);
    for (unsigned part = 1; part < parts; ++part)
        partRows.emplace_back(m_columns);
    std::vector<std::future<bool>> others;
    for (unsigned part = 1; part < parts; ++part) {
        others.push_back(std::async(std::launch::async, [&, part] {
            std::vector<SourceTable> readers = openReaders();
            if (readers.empty())
                return false;
            SelectPipeline pipeline(m_statement, std::move(readers));
            pipeline.shareHashes(*m_main);
            pipeline.setResult(partRows[part - 1], false);
            ScanLiveRecords(pipeline.state(), 0, partStart(part), partStart(part + 1) - 1,
                [&](uint32_t) { pipeline.visitFirstRecord(); });
            return true;
        }));
    }
    std::exception_ptr error;
    try {
        ScanLiveRecords(m_main->state(), 0, 1, partStart(1) - 1, visit);
    } catch (...) {
        error = std::current_exception();
    }
    std::vector<bool> scanned;
    for (auto &other : others) {
        try {
            scanned.push_back(other.get());
        } catch (...) {
            scanned.push_back(false);
            if (!error)
                error = std::current_exception();
        }
    }
    if (error)
        std::rethrow_exception(error);
    for (unsigned part = 1; part < parts; ++part) {
        if (scanned[part - 1])
            m_result->appendRows(std::move(partRows[part - 1]));
        else // no reader could be opened: this thread scans the part
            ScanLiveRecords(m_main->state(), 0, partStart(part), partStart(part + 1) - 1, visit);
    }
}

std::shared_ptr<ResultSet> SelectRunner::run()
{
    m_main = std::make_unique<SelectPipeline>(m_statement, openTables());
    nameColumns();
    planOrder();
    m_result = std::make_shared<ResultSet>(m_columns);
    m_main->setResult(*m_result, m_statement.distinct);

    if (m_main->hasJoins()
        || !VisitIndexedRecords(m_main->state(), 0, m_main->firstTableFilters(),
            [this](uint32_t) { m_main->visitFirstRecord(); }))
        scanFirstTable();
    m_main->setResult(*m_result, false);

    // DISTINCT orders as FoxPro does it, by sorting: ties of the ORDER BY keys (or every row
    // without one) fall back to the columns from left to right.
    if (m_statement.distinct) {
        for (int column = 0; column < static_cast<int>(m_columns.size()); ++column)
            m_order.emplace_back(column, false);
    }
    if (!m_order.empty())
        m_result->permute(m_result->sortedOrder(m_order));
    m_result->settleUnknownTypes();
    return m_result;
}

} // namespace

std::shared_ptr<ResultSet> RunSelect(Database &database, const SelectStatement &statement)
{
    return SelectRunner(database, statement).run();
}

} // namespace vfp::sql
