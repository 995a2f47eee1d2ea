#pragma once

#include "platform/database/vfp/Table.h"
#include "platform/database/vfp/sql/Ast.h"
#include "platform/database/vfp/sql/Collation.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vfp::sql {

// The static type of an expression: a field type letter (C M N I L D T), 0 when unknown
// (a bare .NULL.), with width and decimals where they are known.
struct TypeInfo
{
    char type = 0;
    int length = 0;
    int decimals = 0;
};

// The tables an expression may name, each in a slot; slot order is FROM then JOIN order.
struct SourceTable
{
    std::string name; // as written in the statement
    std::string alias; // empty when none
    std::shared_ptr<Table> table;
};

struct Node;

// The run-time state of one evaluation of bound expressions: the current record of each slot,
// the field values read from it (each read at most once per record: a value used by WHERE and by
// the output is fetched once) and the value each expression node last computed. Binding
// registers the columns and numbers the nodes; the bound nodes themselves hold no run-time
// value, so one bound plan serves several states, each used by one thread at a time.
class RowState
{
public:
    // What binding registered: the columns by id and how many nodes keep a value.
    struct Layout
    {
        struct Place
        {
            int slot;
            int field;
            int slotIndex; // position among the slot's columns
        };
        std::vector<Place> columns;
        size_t results = 0;
    };

    explicit RowState(std::vector<SourceTable> tables);
    // A state for another thread over its own readers of the same tables, for expressions bound
    // to a state with this layout.
    RowState(std::vector<SourceTable> tables, const Layout &layout);

    Layout layout() const;

    const std::vector<SourceTable> &tables() const { return m_tables; }
    // The order of texts: the first table's code page.
    const Collation &collation() const { return m_collation; }

    // Registers a field of a slot; returns its column id.
    int column(int slot, int field);
    // Numbers a node that computes a value of its own.
    int newResult();
    // Where the node numbered `index` keeps its value.
    Value &result(int index) { return m_results[static_cast<size_t>(index)]; }

    // recno 0 is the null record of an unmatched LEFT JOIN: all its fields are null.
    void setRecord(int slot, uint32_t recno);
    // A record whose values were read earlier (the build side of a hash join): `values` holds
    // one value per column of the slot, in slotColumns() order, and must outlive its use.
    void setPreloadedRecord(int slot, uint32_t recno, const Value *values);
    // A record whose bytes were copied earlier; `record` must outlive its use.
    void setCopiedRecord(int slot, uint32_t recno, const char *record);
    // The column ids of a slot, in the order preloaded values are given.
    std::vector<int> slotColumns(int slot) const;
    uint32_t record(int slot) const { return m_slots[static_cast<size_t>(slot)].recno; }
    // The slot's record as set by setCopiedRecord(); null when it was set otherwise.
    const char *copiedRecord(int slot) const { return m_slots[static_cast<size_t>(slot)].copied; }
    // Whether the slot's record is one set by setPreloadedRecord(), whose values outlive it.
    bool preloaded(int slot) const
    {
        const Slot &s = m_slots[static_cast<size_t>(slot)];
        return s.preloaded && s.recno != 0;
    }

    const Value &value(int columnId);
    int columnSlot(int columnId) const { return m_columns[static_cast<size_t>(columnId)].slot; }
    int columnField(int columnId) const { return m_columns[static_cast<size_t>(columnId)].field; }
    // The column's position among its slot's columns (slotColumns() order).
    int columnSlotIndex(int columnId) const
    {
        return m_columns[static_cast<size_t>(columnId)].slotIndex;
    }

private:
    struct Slot
    {
        uint32_t recno = 0;
        uint32_t stamp = 1;
        const Value *preloaded = nullptr;
        const char *copied = nullptr;
    };
    struct Column
    {
        int slot;
        int field;
        int slotIndex; // position among the slot's columns
        uint32_t stamp = 0;
        Value value;
    };
    std::vector<SourceTable> m_tables;
    Collation m_collation;
    std::vector<Slot> m_slots;
    std::vector<Column> m_columns;
    std::vector<Value> m_results; // per numbered node
};

// Node::code of a comparison.
namespace compare {
enum Code { Eq = 1, Ne, Lt, Le, Gt, Ge, Exact };
}

// An expression bound to a RowState: names resolved to column ids, functions to their code.
// Read-only once bound: the value it computes is kept in the state (see `result`).
struct Node
{
    enum class Op {
        Literal,
        Column,
        Not,
        Negate,
        And,
        Or,
        Compare,
        Arith,
        Like,
        In,
        IsNull,
        Iif,
        Function,
        Cast
    };

    Op op = Op::Literal;
    int position = 0;
    std::string name; // operator or function name
    int column = -1; // Column: id in the RowState
    int maxSlot = -1; // highest slot the expression reads; -1 for a constant
    bool negated = false;
    char castType = 'C';
    int castLength = 0;
    int castDecimals = 0;
    int code = 0; // Compare/Arith: the operator; Function: which function
    Value literal;
    TypeInfo type;
    std::vector<std::unique_ptr<Node>> args;
    int result = -1; // RowState::result() index of the value computed here; -1 for a literal,
                     // a column or an IIF, which give a value kept elsewhere
};
using NodePtr = std::unique_ptr<Node>;

// Resolves names against the state's tables (a qualifier matches a table's alias or name, any
// letter case; an unqualified name must be in exactly one table). Throws vfp::Error naming the
// position for an unknown or ambiguous column, an unknown function or a wrong argument count.
NodePtr Bind(const Expr &expr, RowState &state);

// Evaluates over the current records; the reference stays valid until the next evaluation in
// the same state.
// Throws vfp::Error for operands of the wrong type.
const Value &Evaluate(const Node &node, RowState &state);

// The terms of a condition's top-level ANDs, in the order written.
void Conjuncts(const Expr &expr, std::vector<const Expr *> &out);

// The slots an expression reads, one bit per slot.
uint64_t SlotMask(const Node &node, const RowState &state);

// Whether a condition holds: null and .F. do not.
inline bool IsTrue(const Value &value)
{
    return value.kind() == Value::Kind::Logical && value.logical();
}

// The static type of a table field.
TypeInfo FieldType(const FieldInfo &field);

// `near "...": operator/operand type mismatch at N` for the node's position.
[[noreturn]] void ThrowTypeMismatch(const Node &node);

// Compares two non-null values of one family (texts in the collation's order as if the shorter
// were padded with blanks, numbers, dates and datetimes, logicals .F. before .T.); throws for
// values of different families. This is the order of <, >, == and ORDER BY; = on texts is
// Collation::equalsUpToShorter (SET ANSI OFF).
int CompareValues(const Value &a, const Value &b, const Node &where, const Collation &collation);

} // namespace vfp::sql
