#include "platform/database/vfp/sql/SelectPipeline.h"

#include "platform/database/vfp/sql/IndexSeek.h"
#include "platform/database/vfp/sql/SqlError.h"
#include "platform/database/vfp/sql/TextOps.h"

#include <algorithm>
#include <cstring>

namespace vfp::sql {

namespace {

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

// The width of a C field a node reads, whose values always have that many characters; 0 for
// anything else.
size_t FixedTextWidth(const Node &node, const RowState &state)
{
    if (node.op != Node::Op::Column)
        return 0;
    const Table &table = *state.tables()[static_cast<size_t>(state.columnSlot(node.column))].table;
    const FieldInfo &field = table.fields()[static_cast<size_t>(state.columnField(node.column))];
    return field.type == 'C' ? static_cast<size_t>(field.length) : 0;
}

bool ReadsMemo(const Node &node)
{
    if (node.op == Node::Op::Column && node.type.type == 'M')
        return true;
    return std::any_of(
        node.args.begin(), node.args.end(), [](const NodePtr &arg) { return ReadsMemo(*arg); });
}

} // namespace

struct SelectPipeline::JoinPlan
{
    bool left = true;
    int slot = 0;
    NodePtr probe; // key over earlier tables (hash join)
    NodePtr build; // key over the joined table (hash join)
    size_t keyWidth = 0; // characters of a text key that take part (0: all)
    std::vector<NodePtr> residual; // the rest of ON
    bool hashed = false;
};

struct SelectPipeline::Plan
{
    std::vector<JoinPlan> joins;
    std::vector<std::vector<NodePtr>> filters; // per slot
    std::vector<NodePtr> outputs;
    std::vector<std::string> names;
    std::vector<bool> fromHash; // per output: a column of a hashed join's table
    std::shared_ptr<const ScanProgram> program;
    RowState::Layout layout; // of the states the plan is evaluated in
};

SelectPipeline::SelectPipeline(const SelectStatement &statement, std::vector<SourceTable> tables)
    : m_state(std::make_unique<RowState>(std::move(tables)))
{
    auto plan = std::make_shared<Plan>();
    plan->filters.resize(m_state->tables().size());
    planJoins(statement, *plan);
    planWhere(statement, *plan);
    planOutput(statement, *plan);
    std::vector<const Node *> probes, builds;
    for (const JoinPlan &join : plan->joins) {
        probes.push_back(join.hashed ? join.probe.get() : nullptr);
        builds.push_back(join.hashed ? join.build.get() : nullptr);
    }
    plan->program = ScanProgram::compile(*m_state, plan->filters, plan->outputs, probes, builds);
    plan->layout = m_state->layout();
    m_hashes.resize(plan->joins.size());
    m_cells.assign(m_state->tables().size(), nullptr);
    m_plan = std::move(plan);
}

SelectPipeline::SelectPipeline(const SelectPipeline &bound, std::vector<SourceTable> readers)
    : m_plan(bound.m_plan)
    , m_state(std::make_unique<RowState>(std::move(readers), bound.m_plan->layout))
    , m_hashes(bound.m_hashes)
    , m_cells(m_state->tables().size(), nullptr)
{ }

SelectPipeline::~SelectPipeline()
{
    CountInterpretedEvaluations(m_interpreted);
}

const std::vector<NodePtr> &SelectPipeline::outputs() const
{
    return m_plan->outputs;
}

const std::vector<std::string> &SelectPipeline::outputNames() const
{
    return m_plan->names;
}

const std::vector<NodePtr> &SelectPipeline::firstTableFilters() const
{
    return m_plan->filters[0];
}

bool SelectPipeline::hasJoins() const
{
    return !m_plan->joins.empty();
}

const Value &SelectPipeline::evaluate(const Node &node)
{
    if (node.op == Node::Op::Column)
        return m_state->value(node.column);
    ++m_interpreted;
    return Evaluate(node, *m_state);
}

void SelectPipeline::planJoins(const SelectStatement &statement, Plan &result)
{
    for (size_t i = 0; i < statement.joins.size(); ++i) {
        const Join &join = statement.joins[i];
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
                    // = on texts holds up to the end of the shorter one: a hash serves it only
                    // between C fields, whose values have their width, on the first characters
                    // of the narrower.
                    if (part->op == "=" && (fa == 'C' || fb == 'C')) {
                        const size_t wa = FixedTextWidth(*node->args[0], *m_state);
                        const size_t wb = FixedTextWidth(*node->args[1], *m_state);
                        if (wa == 0 || wb == 0) {
                            plan.residual.push_back(std::move(node));
                            continue;
                        }
                        plan.keyWidth = wa == wb ? 0 : std::min(wa, wb);
                    }
                    plan.build = std::move(node->args[static_cast<size_t>(buildSide)]);
                    plan.probe = std::move(node->args[static_cast<size_t>(1 - buildSide)]);
                    plan.hashed = true;
                    continue;
                }
            }
            plan.residual.push_back(std::move(node));
        }
        result.joins.push_back(std::move(plan));
    }
}

void SelectPipeline::planWhere(const SelectStatement &statement, Plan &plan)
{
    if (!statement.where)
        return;
    std::vector<const Expr *> parts;
    Conjuncts(*statement.where, parts);
    for (const Expr *part : parts) {
        NodePtr node = Bind(*part, *m_state);
        const int level = std::max(node->maxSlot, 0);
        plan.filters[static_cast<size_t>(level)].push_back(std::move(node));
    }
    // Conditions that read a memo cost a read of the memo file each: they go last, so rows that
    // other conditions turn away never read it.
    for (auto &filters : plan.filters) {
        std::stable_partition(
            filters.begin(), filters.end(), [](const NodePtr &node) { return !ReadsMemo(*node); });
    }
}

void SelectPipeline::planOutput(const SelectStatement &statement, Plan &plan)
{
    int unnamed = 0;
    const auto &tables = m_state->tables();
    for (const SelectItem &item : statement.items) {
        if (item.star) {
            bool matched = false;
            for (size_t slot = 0; slot < tables.size(); ++slot) {
                const SourceTable &source = tables[slot];
                if (!item.starTable.empty()
                    && text::Lower(item.starTable)
                        != text::Lower(source.alias.empty() ? source.name : source.alias))
                    continue;
                matched = true;
                const auto &fields = source.table->fields();
                for (size_t f = 0; f < fields.size(); ++f) {
                    auto node = std::make_unique<Node>();
                    node->op = Node::Op::Column;
                    node->column = m_state->column(static_cast<int>(slot), static_cast<int>(f));
                    node->maxSlot = static_cast<int>(slot);
                    node->type = FieldType(fields[f]);
                    plan.names.push_back(text::Lower(fields[f].name));
                    plan.outputs.push_back(std::move(node));
                }
            }
            if (!matched)
                ThrowAt(statement.from.position, item.starTable + ".*", "alias is not found");
            continue;
        }
        NodePtr node = Bind(*item.expr, *m_state);
        if (!item.alias.empty())
            plan.names.push_back(text::Lower(item.alias));
        else if (node->op == Node::Op::Column)
            plan.names.push_back(text::Lower(
                tables[static_cast<size_t>(m_state->columnSlot(node->column))]
                    .table->fields()[static_cast<size_t>(m_state->columnField(node->column))]
                    .name));
        else
            plan.names.push_back("exp_" + std::to_string(++unnamed));
        plan.outputs.push_back(std::move(node));
    }
    for (const NodePtr &output : plan.outputs) {
        const int slot = output->op == Node::Op::Column ? m_state->columnSlot(output->column) : 0;
        plan.fromHash.push_back(slot > 0 && plan.joins[static_cast<size_t>(slot - 1)].hashed);
    }
}

bool SelectPipeline::joinsAreHashed() const
{
    return std::all_of(m_plan->joins.begin(), m_plan->joins.end(),
        [](const JoinPlan &join) { return join.hashed; });
}

size_t SelectPipeline::joinCount() const
{
    return m_plan->joins.size();
}

bool SelectPipeline::needsHash(size_t join) const
{
    return m_plan->joins[join].hashed && !m_hashes[join];
}

uint32_t SelectPipeline::joinRecordCount(size_t join) const
{
    return m_state->tables()[static_cast<size_t>(m_plan->joins[join].slot)].table->recordCount();
}

// A hash keeps copies of its records instead of their values where the statement reads only
// fields of fixed width that are not texts and the copies take less room than the values
// (48 bytes each): a big table of flags and numbers, say. Texts are always kept as values,
// because result rows point into them.
size_t SelectPipeline::copiedRecordLength(int slot, const std::vector<int> &columns) const
{
    const Table &table = *m_state->tables()[static_cast<size_t>(slot)].table;
    const size_t length = table.recordLength();
    if (length == 0 || length > columns.size() * sizeof(Value))
        return 0;
    for (int column : columns) {
        const char type = table.fields()[static_cast<size_t>(m_state->columnField(column))].type;
        if (!std::strchr("NFIBYDTL", type))
            return 0;
    }
    return length;
}

JoinHashPart SelectPipeline::readHashPart(size_t join, uint32_t first, uint32_t last)
{
    const JoinPlan &plan = m_plan->joins[join];
    const Table &table = *m_state->tables()[static_cast<size_t>(plan.slot)].table;
    const std::vector<int> columns = m_state->slotColumns(plan.slot);
    JoinHashPart part;
    part.recordLength = copiedRecordLength(plan.slot, columns);
    const size_t records = last >= first ? last - first + 1 : 0;
    part.recnos.reserve(records);
    part.keyEnds.reserve(records);
    if (part.recordLength)
        part.records.reserve(records * part.recordLength);
    else
        part.values.reserve(records * columns.size());
    std::string key;
    // With the record set in the state (and its bytes, where they are at hand).
    const auto add = [&](uint32_t recno, const char *bytes) {
        int made = bytes ? m_plan->program->buildKey(join, bytes, plan.keyWidth, key) : -1;
        if (made < 0)
            made = KeyIndex::encode(evaluate(*plan.build), key, plan.keyWidth) ? 1 : 0;
        if (!made)
            return;
        part.recnos.push_back(recno);
        part.keys += key;
        part.keyEnds.push_back(part.keys.size());
        if (part.recordLength) {
            const std::string_view record
                = bytes ? std::string_view(bytes, part.recordLength) : table.recordBytes(recno);
            if (record.size() != part.recordLength)
                throw Error("Record " + std::to_string(recno) + " of table " + table.name()
                    + " cannot be copied");
            part.records.insert(part.records.end(), record.begin(), record.end());
        } else {
            for (int column : columns)
                part.values.push_back(m_state->value(column));
        }
    };
    // The table's records a block at a time, each record decoded from the block, where the
    // table gives blocks and no other slot reads through the same table object (whose read
    // buffer the blocks are).
    const size_t length = table.recordLength();
    bool inBlocks = length > 0 && first <= last;
    for (size_t slot = 0; slot < m_state->tables().size() && inBlocks; ++slot) {
        inBlocks
            = static_cast<int>(slot) == plan.slot || m_state->tables()[slot].table.get() != &table;
    }
    if (inBlocks && table.recordBlock(first, 1).size() != length)
        inBlocks = false;
    if (!inBlocks) {
        ScanLiveRecords(
            *m_state, plan.slot, first, last, [&](uint32_t recno) { add(recno, nullptr); });
        return part;
    }
    ForEachRecordBlock(
        table, length, first, last, [&](uint32_t recno, std::string_view block, uint32_t count) {
            for (uint32_t i = 0; i < count; ++i) {
                const char *bytes = block.data() + static_cast<size_t>(i) * length;
                if (*bytes == '*')
                    continue;
                m_state->setCopiedRecord(plan.slot, recno + i, bytes);
                add(recno + i, bytes);
            }
        });
    return part;
}

void SelectPipeline::assembleHash(size_t join, std::vector<JoinHashPart> parts)
{
    auto hash = std::make_shared<JoinHash>();
    const size_t width = m_state->slotColumns(m_plan->joins[join].slot).size();
    size_t total = 0;
    for (const JoinHashPart &part : parts)
        total += part.recnos.size();
    hash->entries.reserve(total);
    hash->heads.reserve(total);
    hash->values.reserve(parts.size());
    hash->cells.reserve(parts.size());
    hash->records.reserve(parts.size());
    for (JoinHashPart &part : parts) {
        // The cells point at the values' texts, which stay where they are as the vector that
        // holds them moves into the hash.
        std::vector<ResultSet::Cell> cells;
        cells.reserve(part.values.size());
        for (const Value &value : part.values)
            cells.push_back(ResultSet::borrowedCell(value));
        size_t start = 0;
        for (size_t i = 0; i < part.recnos.size(); ++i) {
            const auto index = static_cast<uint32_t>(hash->entries.size());
            JoinHash::Entry entry { part.recnos[i], JoinHash::NoEntry, nullptr, nullptr, nullptr };
            if (part.recordLength) {
                entry.record = part.records.data() + i * part.recordLength;
            } else {
                entry.values = part.values.data() + i * width;
                entry.cells = cells.data() + i * width;
            }
            hash->entries.push_back(entry);
            const std::string_view key(part.keys.data() + start, part.keyEnds[i] - start);
            start = part.keyEnds[i];
            bool inserted = false;
            KeyIndex::Chain &chain = hash->heads.insert(key, index, inserted);
            if (!inserted) {
                hash->entries[chain.last].next = index;
                chain.last = index;
            }
        }
        // The entries point into these buffers, which move along with them.
        hash->values.push_back(std::move(part.values));
        hash->cells.push_back(std::move(cells));
        hash->records.push_back(std::move(part.records));
    }
    hash->heads.settle();
    m_hashes[join] = std::move(hash);
}

void SelectPipeline::buildHash(size_t join)
{
    std::vector<JoinHashPart> parts;
    parts.push_back(readHashPart(join, 1, joinRecordCount(join)));
    assembleHash(join, std::move(parts));
}

void SelectPipeline::setResult(ResultSet &rows, bool distinct)
{
    m_rows = &rows;
    m_distinct.reset();
    if (distinct)
        m_distinct = std::make_unique<std::unordered_set<uint32_t, RowHash, RowEqual>>(
            64, RowHash { &rows }, RowEqual { &rows });
}

void SelectPipeline::keepHashesFor(ResultSet &rows) const
{
    for (const auto &hash : m_hashes) {
        if (hash)
            rows.keepAlive(hash);
    }
}

void SelectPipeline::visitFirstRecord()
{
    // Constant conditions (WHERE .F.) are tested with the first table's conditions.
    if (passes(0))
        descend(1);
}

void SelectPipeline::scanFirstTable(uint32_t first, uint32_t last)
{
    ScanPassingRecords(*m_plan->program, m_plan->filters[0], *m_state, first, last, m_interpreted,
        [this](uint32_t) { descend(1); });
}

bool SelectPipeline::passes(int level)
{
    return PassesConditions(*m_plan->program, level, m_plan->filters[static_cast<size_t>(level)], 0,
        *m_state, m_interpreted);
}

void SelectPipeline::descend(size_t level)
{
    if (level == m_state->tables().size()) {
        emit();
        return;
    }
    if (needsHash(level - 1))
        buildHash(level - 1);
    const JoinPlan &join = m_plan->joins[level - 1];
    const int slot = join.slot;
    bool matched = false;
    // With the slot's record set: the rest of ON, then the conditions and joins that follow.
    const auto tryRecord = [&] {
        for (const NodePtr &condition : join.residual) {
            if (!IsTrue(evaluate(*condition)))
                return;
        }
        matched = true;
        if (passes(slot))
            descend(level + 1);
    };
    if (join.hashed) {
        const JoinHash &hash = *m_hashes[level - 1];
        int made = m_plan->program->probeKey(level - 1, *m_state, join.keyWidth, m_key);
        if (made < 0)
            made = KeyIndex::encode(evaluate(*join.probe), m_key, join.keyWidth) ? 1 : 0;
        if (made) {
            if (const KeyIndex::Chain *chain = hash.heads.find(m_key)) {
                for (uint32_t e = chain->first; e != JoinHash::NoEntry; e = hash.entries[e].next) {
                    const JoinHash::Entry &entry = hash.entries[e];
                    if (entry.record)
                        m_state->setCopiedRecord(slot, entry.recno, entry.record);
                    else
                        m_state->setPreloadedRecord(slot, entry.recno, entry.values);
                    m_cells[static_cast<size_t>(slot)] = entry.cells;
                    // Fetched while the joins and conditions that follow run; read when the
                    // row is made.
                    if (entry.cells)
                        __builtin_prefetch(entry.cells);
                    tryRecord();
                }
            }
        }
    } else {
        m_cells[static_cast<size_t>(slot)] = nullptr;
        ScanLiveRecords(*m_state, slot, [&](uint32_t) { tryRecord(); });
    }
    if (!matched && join.left) {
        m_state->setRecord(slot, 0);
        m_cells[static_cast<size_t>(slot)] = nullptr;
        if (passes(slot))
            descend(level + 1);
    }
}

void SelectPipeline::emit()
{
    ResultSet &rows = *m_rows;
    rows.beginRow();
    const Plan &plan = *m_plan;
    const size_t outputs = plan.outputs.size();
    for (size_t i = 0;
         (i = plan.program->appendOutputs(i, *m_state, m_cells, rows, m_scratch)) < outputs; ++i) {
        const Value &value = evaluate(*plan.outputs[i]);
        if (plan.fromHash[i])
            rows.appendBorrowed(value);
        else
            rows.append(value);
    }
    if (m_distinct) {
        const auto row = static_cast<uint32_t>(rows.rowCount() - 1);
        if (!m_distinct->insert(row).second)
            rows.dropLastRow();
    }
}

} // namespace vfp::sql
