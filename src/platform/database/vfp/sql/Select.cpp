#include "platform/database/vfp/sql/Select.h"

#include "platform/database/vfp/sql/Evaluator.h"
#include "platform/database/vfp/sql/IndexSeek.h"
#include "platform/database/vfp/sql/KeyIndex.h"
#include "platform/database/vfp/sql/TextOps.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <unordered_map>
#include <unordered_set>

namespace vfp::sql {

namespace {

std::string Lower(std::string_view name)
{
    std::string result(name);
    for (char &c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

[[noreturn]] void ThrowAt(int position, const std::string &shown, const std::string &message)
{
    throw Error("near \"" + shown + "\": " + message + " at " + std::to_string(position), position);
}

// Splits a condition at its top-level ANDs.
void Conjuncts(const Expr &expr, std::vector<const Expr *> &out)
{
    if (expr.kind == Expr::Kind::Binary && expr.op == "AND") {
        Conjuncts(*expr.args[0], out);
        Conjuncts(*expr.args[1], out);
    } else {
        out.push_back(&expr);
    }
}

char Family(char type)
{
    switch (type) {
    case 'C':
    case 'M':
        return 'C';
    case 'N':
    case 'I':
        return 'N';
    case 'D':
    case 'T':
        return 'D';
    default:
        return type;
    }
}

bool ReadsMemo(const Node &node)
{
    if (node.op == Node::Op::Column && node.type.type == 'M')
        return true;
    return std::any_of(
        node.args.begin(), node.args.end(), [](const NodePtr &arg) { return ReadsMemo(*arg); });
}

struct JoinPlan
{
    bool left = true;
    int slot = 0;
    NodePtr probe; // key over earlier tables (hash join)
    NodePtr build; // key over the joined table (hash join)
    std::vector<NodePtr> residual; // the rest of ON
    bool hashed = false;
    bool built = false;
    struct Entry
    {
        uint32_t recno;
        uint32_t next;
    };
    KeyIndex heads;
    std::vector<Entry> entries;
    // The joined table's values the statement reads, per entry: probes never go back to the
    // file, whose records they would otherwise visit in random order.
    size_t width = 0;
    std::vector<Value> values;
};

constexpr uint32_t NoEntry = UINT32_MAX;

class SelectRunner
{
public:
    SelectRunner(Database &database, const SelectStatement &statement);
    std::shared_ptr<ResultSet> run();

private:
    void openTables();
    void planJoins();
    void planWhere();
    void planOutput();
    void planOrder();
    void buildHash(JoinPlan &join);
    bool passes(int level);
    void descend(size_t level);
    void emit();

    Database &m_database;
    const SelectStatement &m_statement;
    std::unique_ptr<RowState> m_state;
    std::vector<JoinPlan> m_joins;
    std::vector<std::vector<NodePtr>> m_filters; // per slot
    std::vector<NodePtr> m_outputs;
    std::vector<ResultColumn> m_columns;
    std::vector<std::pair<int, bool>> m_order; // output column, descending
    std::shared_ptr<ResultSet> m_result;
    std::string m_key;

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

SelectRunner::SelectRunner(Database &database, const SelectStatement &statement)
    : m_database(database)
    , m_statement(statement)
{ }

void SelectRunner::openTables()
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
    m_state = std::make_unique<RowState>(std::move(tables));
    m_filters.resize(m_state->tables().size());
}

void SelectRunner::planJoins()
{
    for (size_t i = 0; i < m_statement.joins.size(); ++i) {
        const Join &join = m_statement.joins[i];
        JoinPlan plan;
        plan.left = join.left;
        plan.slot = static_cast<int>(i + 1);
        const uint64_t own = uint64_t(1) << plan.slot;
        const uint64_t earlier = own - 1;
        std::vector<const Expr *> parts;
        Conjuncts(*join.on, parts);
        for (const Expr *part : parts) {
            NodePtr node = Bind(*part, *m_state);
            const uint64_t mask = SlotMask(*node, *m_state);
            if (mask & ~(own | earlier))
                ThrowAt(part->position, "ON", "the condition names a table joined later");
            if (!plan.hashed && node->op == Node::Op::Compare && part->kind == Expr::Kind::Binary
                && (part->op == "=" || part->op == "==")) {
                const uint64_t a = SlotMask(*node->args[0], *m_state);
                const uint64_t b = SlotMask(*node->args[1], *m_state);
                int buildSide = -1;
                if (a == own && (b & ~earlier) == 0)
                    buildSide = 0;
                else if (b == own && (a & ~earlier) == 0)
                    buildSide = 1;
                if (buildSide >= 0) {
                    const char fa = Family(node->args[0]->type.type);
                    const char fb = Family(node->args[1]->type.type);
                    if (fa && fb && fa != fb)
                        ThrowTypeMismatch(*node);
                    plan.build = std::move(node->args[static_cast<size_t>(buildSide)]);
                    plan.probe = std::move(node->args[static_cast<size_t>(1 - buildSide)]);
                    plan.hashed = true;
                    continue;
                }
            }
            plan.residual.push_back(std::move(node));
        }
        m_joins.push_back(std::move(plan));
    }
}

void SelectRunner::planWhere()
{
    if (!m_statement.where)
        return;
    std::vector<const Expr *> parts;
    Conjuncts(*m_statement.where, parts);
    for (const Expr *part : parts) {
        NodePtr node = Bind(*part, *m_state);
        const int level = std::max(node->maxSlot, 0);
        m_filters[static_cast<size_t>(level)].push_back(std::move(node));
    }
    // Conditions that read a memo cost a read of the memo file each: they go last, so rows that
    // other conditions turn away never read it.
    for (auto &filters : m_filters) {
        std::stable_partition(
            filters.begin(), filters.end(), [](const NodePtr &node) { return !ReadsMemo(*node); });
    }
}

void SelectRunner::planOutput()
{
    int unnamed = 0;
    const auto &tables = m_state->tables();
    for (const SelectItem &item : m_statement.items) {
        if (item.star) {
            bool matched = false;
            for (size_t slot = 0; slot < tables.size(); ++slot) {
                const SourceTable &source = tables[slot];
                if (!item.starTable.empty()
                    && Lower(item.starTable)
                        != Lower(source.alias.empty() ? source.name : source.alias))
                    continue;
                matched = true;
                const auto &fields = source.table->fields();
                for (size_t f = 0; f < fields.size(); ++f) {
                    auto node = std::make_unique<Node>();
                    node->op = Node::Op::Column;
                    node->column = m_state->column(static_cast<int>(slot), static_cast<int>(f));
                    node->maxSlot = static_cast<int>(slot);
                    node->type = FieldType(fields[f]);
                    m_columns.push_back(ResultColumn { Lower(fields[f].name), node->type.type,
                        node->type.length, node->type.decimals });
                    m_outputs.push_back(std::move(node));
                }
            }
            if (!matched)
                ThrowAt(m_statement.from.position, item.starTable + ".*", "alias is not found");
            continue;
        }
        NodePtr node = Bind(*item.expr, *m_state);
        std::string name;
        if (!item.alias.empty())
            name = Lower(item.alias);
        else if (node->op == Node::Op::Column)
            name = Lower(
                tables[static_cast<size_t>(m_state->columnSlot(node->column))]
                    .table->fields()[static_cast<size_t>(m_state->columnField(node->column))]
                    .name);
        else
            name = "exp_" + std::to_string(++unnamed);
        m_columns.push_back(ResultColumn {
            std::move(name), node->type.type, node->type.length, node->type.decimals });
        m_outputs.push_back(std::move(node));
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
                const std::string wanted = Lower(expr.name);
                for (size_t i = 0; i < m_columns.size() && column < 0; ++i) {
                    if (m_columns[i].name == wanted)
                        column = static_cast<int>(i);
                }
            }
            if (column < 0) {
                // A source column that is in the select list under another name.
                NodePtr node = Bind(expr, *m_state);
                for (size_t i = 0; i < m_outputs.size() && column < 0; ++i) {
                    if (m_outputs[i]->op == Node::Op::Column
                        && m_outputs[i]->column == node->column)
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

void SelectRunner::buildHash(JoinPlan &join)
{
    std::string key;
    const std::vector<int> columns = m_state->slotColumns(join.slot);
    join.width = columns.size();
    const size_t records = m_state->tables()[static_cast<size_t>(join.slot)].table->recordCount();
    join.entries.reserve(records);
    join.values.reserve(records * join.width);
    ScanLiveRecords(*m_state, join.slot, [&](uint32_t recno) {
        if (!KeyIndex::encode(Evaluate(*join.build, *m_state), key))
            return;
        const auto index = static_cast<uint32_t>(join.entries.size());
        join.entries.push_back(JoinPlan::Entry { recno, NoEntry });
        for (int column : columns)
            join.values.push_back(m_state->value(column));
        bool inserted = false;
        KeyIndex::Chain &chain = join.heads.insert(key, index, inserted);
        if (!inserted) {
            join.entries[chain.last].next = index;
            chain.last = index;
        }
    });
    join.heads.settle();
    join.built = true;
}

bool SelectRunner::passes(int level)
{
    for (const NodePtr &filter : m_filters[static_cast<size_t>(level)]) {
        if (!IsTrue(Evaluate(*filter, *m_state)))
            return false;
    }
    return true;
}

void SelectRunner::descend(size_t level)
{
    if (level == m_state->tables().size()) {
        emit();
        return;
    }
    JoinPlan &join = m_joins[level - 1];
    const int slot = join.slot;
    bool matched = false;
    const auto tryRecord = [&](uint32_t recno, const Value *values) {
        if (values)
            m_state->setPreloadedRecord(slot, recno, values);
        else
            m_state->setRecord(slot, recno);
        for (const NodePtr &condition : join.residual) {
            if (!IsTrue(Evaluate(*condition, *m_state)))
                return;
        }
        matched = true;
        if (passes(slot))
            descend(level + 1);
    };
    if (join.hashed) {
        if (!join.built)
            buildHash(join);
        if (KeyIndex::encode(Evaluate(*join.probe, *m_state), m_key)) {
            if (const KeyIndex::Chain *chain = join.heads.find(m_key)) {
                for (uint32_t e = chain->first; e != NoEntry; e = join.entries[e].next)
                    tryRecord(join.entries[e].recno, join.values.data() + e * join.width);
            }
        }
    } else {
        Table &table = *m_state->tables()[static_cast<size_t>(slot)].table;
        const uint32_t count = table.recordCount();
        for (uint32_t recno = 1; recno <= count; ++recno) {
            if (!table.isDeleted(recno))
                tryRecord(recno, nullptr);
        }
    }
    if (!matched && join.left) {
        m_state->setRecord(slot, 0);
        if (passes(slot))
            descend(level + 1);
    }
}

void SelectRunner::emit()
{
    ResultSet &rows = *m_result;
    rows.beginRow();
    for (const NodePtr &output : m_outputs)
        rows.append(Evaluate(*output, *m_state));
    if (m_distinct) {
        const auto row = static_cast<uint32_t>(rows.rowCount() - 1);
        if (!m_distinct->insert(row).second)
            rows.dropLastRow();
    }
}

std::shared_ptr<ResultSet> SelectRunner::run()
{
    openTables();
    planJoins();
    planWhere();
    planOutput();
    planOrder();
    m_result = std::make_shared<ResultSet>(m_columns);
    if (m_statement.distinct)
        m_distinct = std::make_unique<std::unordered_set<uint32_t, RowHash, RowEqual>>(
            64, RowHash { m_result.get() }, RowEqual { m_result.get() });

    // Constant conditions (WHERE .F.) are tested with the first table's conditions.
    const auto first = [&](uint32_t) {
        if (passes(0))
            descend(1);
    };
    if (m_joins.empty())
        VisitCandidateRecords(*m_state, 0, m_filters[0], first);
    else
        ScanLiveRecords(*m_state, 0, first);
    m_distinct.reset();

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
