#include "platform/database/vfp/sql/Evaluator.h"

#include "platform/database/vfp/sql/Functions.h"
#include "platform/database/vfp/sql/Lexer.h"
#include "platform/database/vfp/sql/SqlError.h"
#include "platform/database/vfp/sql/TextOps.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace vfp::sql {

namespace {

using namespace compare;
enum ArithCode { Add = 1, Sub, Mul, Div, Mod };

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x))
            == std::toupper(static_cast<unsigned char>(y));
    });
}

enum class Family { Null, Text, Number, Date, Logical };

Family FamilyOf(const Value &value)
{
    switch (value.kind()) {
    case Value::Kind::Null:
        return Family::Null;
    case Value::Kind::Character:
    case Value::Kind::Memo:
        return Family::Text;
    case Value::Kind::Numeric:
    case Value::Kind::Integer:
        return Family::Number;
    case Value::Kind::Date:
    case Value::Kind::DateTime:
        return Family::Date;
    case Value::Kind::Logical:
        return Family::Logical;
    }
    return Family::Null;
}

TypeInfo LiteralType(const Value &value)
{
    switch (value.kind()) {
    case Value::Kind::Character:
    case Value::Kind::Memo:
        return { 'C', static_cast<int>(text::CharacterCount(value.text())), 0 };
    case Value::Kind::Numeric:
        return { 'N', 10, std::max(0, value.decimals()) };
    case Value::Kind::Integer:
        return { 'I', 4, 0 };
    case Value::Kind::Logical:
        return { 'L', 1, 0 };
    case Value::Kind::Date:
        return { 'D', 8, 0 };
    case Value::Kind::DateTime:
        return { 'T', 8, 0 };
    case Value::Kind::Null:
        break;
    }
    return {};
}

bool IsTextType(char type)
{
    return type == 'C' || type == 'M' || type == 'V';
}

TypeInfo ArithType(const Node &node)
{
    const TypeInfo a = node.args[0]->type;
    const TypeInfo b = node.args[1]->type;
    if (node.code == Add && IsTextType(a.type) && IsTextType(b.type)) {
        const bool memo = a.type == 'M' || b.type == 'M';
        return { memo ? 'M' : 'C', memo ? 4 : a.length + b.length, 0 };
    }
    if ((a.type == 'D' || a.type == 'T') && (node.code == Add || node.code == Sub)) {
        if (node.code == Sub && b.type == a.type)
            return { 'N', 10, 0 };
        return a;
    }
    if (b.type == 'D' && node.code == Add)
        return b;
    if (a.type == 'I' && b.type == 'I' && node.code != Div)
        return { 'I', 4, 0 };
    int decimals = std::max(a.decimals, b.decimals);
    if (node.code == Mul)
        decimals = a.decimals + b.decimals;
    return { 'N', std::max({ a.length, b.length, 10 }), std::min(decimals, 18) };
}

void Arith(const Node &node, const Value &a, const Value &b, Value &out)
{
    const Family fa = FamilyOf(a);
    const Family fb = FamilyOf(b);
    if (fa == Family::Null || fb == Family::Null) {
        out = Value();
        return;
    }
    if (fa == Family::Text && fb == Family::Text && node.code == Add) {
        std::string joined;
        joined.reserve(a.text().size() + b.text().size());
        joined.append(a.text()).append(b.text());
        out = (a.kind() == Value::Kind::Memo || b.kind() == Value::Kind::Memo)
            ? Value::memo(std::move(joined))
            : Value::character(std::move(joined));
        return;
    }
    if (fa == Family::Number && fb == Family::Number) {
        const bool integers = a.kind() == Value::Kind::Integer && b.kind() == Value::Kind::Integer;
        const int decimals = std::max(a.decimals(), b.decimals());
        switch (node.code) {
        case Add:
            out = integers ? Value::integer(a.integer() + b.integer())
                           : Value::numeric(a.number() + b.number(), decimals);
            return;
        case Sub:
            out = integers ? Value::integer(a.integer() - b.integer())
                           : Value::numeric(a.number() - b.number(), decimals);
            return;
        case Mul:
            out = integers ? Value::integer(a.integer() * b.integer())
                           : Value::numeric(a.number() * b.number(),
                               std::max(0, a.decimals()) + std::max(0, b.decimals()));
            return;
        case Div:
            if (b.number() == 0)
                ThrowAt(node.position, "/", "division by zero");
            out = Value::numeric(a.number() / b.number(), std::max(decimals, 2));
            return;
        case Mod: {
            if (b.number() == 0)
                ThrowAt(node.position, "%", "division by zero");
            double r = std::fmod(a.number(), b.number());
            if (r != 0 && ((r < 0) != (b.number() < 0)))
                r += b.number(); // the result takes the divisor's sign
            out = integers ? Value::integer(static_cast<int64_t>(r)) : Value::numeric(r, decimals);
            return;
        }
        default:
            break;
        }
    }
    if (fa == Family::Date && fb == Family::Number && (node.code == Add || node.code == Sub)) {
        const double delta = node.code == Add ? b.number() : -b.number();
        if (a.kind() == Value::Kind::Date) {
            out = Value::date(a.julianDay() + static_cast<int32_t>(std::lround(delta)));
        } else {
            const double ms = static_cast<double>(a.julianDay()) * 86400000.0 + a.milliseconds()
                + delta * 1000.0;
            const auto day = static_cast<int32_t>(std::floor(ms / 86400000.0));
            out = Value::dateTime(day, static_cast<int32_t>(ms - day * 86400000.0));
        }
        return;
    }
    if (fa == Family::Number && fb == Family::Date && node.code == Add
        && b.kind() == Value::Kind::Date) {
        out = Value::date(b.julianDay() + static_cast<int32_t>(std::lround(a.number())));
        return;
    }
    if (fa == Family::Date && fb == Family::Date && node.code == Sub && a.kind() == b.kind()) {
        if (a.kind() == Value::Kind::Date) {
            out = Value::numeric(a.julianDay() - b.julianDay(), 0);
        } else {
            const double seconds = (a.julianDay() - b.julianDay()) * 86400.0
                + (a.milliseconds() - b.milliseconds()) / 1000.0;
            out = Value::numeric(seconds, 3);
        }
        return;
    }
    ThrowTypeMismatch(node);
}

std::string OperatorText(const Node &node)
{
    return node.name.empty() ? std::string("expression") : node.name;
}

} // namespace

// ---- RowState --------------------------------------------------------------------------------

RowState::RowState(std::vector<SourceTable> tables)
    : m_tables(std::move(tables))
    , m_collation(m_tables.empty() || !m_tables[0].table ? CodePage::named("CP1252")
                                                         : m_tables[0].table->codePage())
    , m_slots(m_tables.size())
{ }

RowState::RowState(std::vector<SourceTable> tables, const Layout &layout)
    : RowState(std::move(tables))
{
    m_columns.reserve(layout.columns.size());
    for (const Layout::Place &place : layout.columns)
        m_columns.push_back(Column { place.slot, place.field, place.slotIndex, 0, Value() });
    m_results.resize(layout.results);
}

RowState::Layout RowState::layout() const
{
    Layout layout;
    for (const Column &c : m_columns)
        layout.columns.push_back(Layout::Place { c.slot, c.field, c.slotIndex });
    layout.results = m_results.size();
    return layout;
}

int RowState::newResult()
{
    m_results.emplace_back();
    return static_cast<int>(m_results.size() - 1);
}

int RowState::column(int slot, int field)
{
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].slot == slot && m_columns[i].field == field)
            return static_cast<int>(i);
    }
    int slotIndex = 0;
    for (const Column &c : m_columns)
        slotIndex += c.slot == slot ? 1 : 0;
    m_columns.push_back(Column { slot, field, slotIndex, 0, Value() });
    return static_cast<int>(m_columns.size() - 1);
}

void RowState::setRecord(int slot, uint32_t recno)
{
    Slot &s = m_slots[static_cast<size_t>(slot)];
    s.recno = recno;
    s.preloaded = nullptr;
    s.copied = nullptr;
    if (++s.stamp == 0)
        s.stamp = 1;
}

void RowState::setPreloadedRecord(int slot, uint32_t recno, const Value *values)
{
    setRecord(slot, recno);
    m_slots[static_cast<size_t>(slot)].preloaded = values;
}

void RowState::setCopiedRecord(int slot, uint32_t recno, const char *record)
{
    setRecord(slot, recno);
    m_slots[static_cast<size_t>(slot)].copied = record;
}

std::vector<int> RowState::slotColumns(int slot) const
{
    std::vector<int> ids;
    for (size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].slot == slot)
            ids.push_back(static_cast<int>(i));
    }
    return ids;
}

const Value &RowState::value(int columnId)
{
    Column &c = m_columns[static_cast<size_t>(columnId)];
    const Slot &s = m_slots[static_cast<size_t>(c.slot)];
    if (s.preloaded && s.recno != 0)
        return s.preloaded[c.slotIndex];
    if (c.stamp != s.stamp) {
        const Table &table = *m_tables[static_cast<size_t>(c.slot)].table;
        if (s.recno == 0)
            c.value = Value();
        else if (s.copied)
            table.decodeField(s.copied, c.field, c.value);
        else
            table.readValue(s.recno, c.field, c.value);
        c.stamp = s.stamp;
    }
    return c.value;
}

void Conjuncts(const Expr &expr, std::vector<const Expr *> &out)
{
    if (expr.kind == Expr::Kind::Binary && expr.op == "AND") {
        Conjuncts(*expr.args[0], out);
        Conjuncts(*expr.args[1], out);
    } else {
        out.push_back(&expr);
    }
}

uint64_t SlotMask(const Node &node, const RowState &state)
{
    uint64_t mask = 0;
    if (node.op == Node::Op::Column)
        mask |= uint64_t(1) << state.columnSlot(node.column);
    for (const NodePtr &arg : node.args)
        mask |= SlotMask(*arg, state);
    return mask;
}

// ---- types and errors ------------------------------------------------------------------------

TypeInfo FieldType(const FieldInfo &field)
{
    switch (field.type) {
    case 'C':
    case 'V':
        return { 'C', field.length, 0 };
    case 'N':
    case 'F':
        return { 'N', field.length, field.decimals };
    case 'Y':
        return { 'N', 20, 4 };
    case 'B':
        return { 'N', 20, field.decimals };
    case 'I':
        return { 'I', 4, 0 };
    case 'L':
        return { 'L', 1, 0 };
    case 'D':
        return { 'D', 8, 0 };
    case 'T':
        return { 'T', 8, 0 };
    default:
        return { 'M', 4, 0 }; // M G W Q: texts of any length
    }
}

void ThrowTypeMismatch(const Node &node)
{
    ThrowAt(node.position, OperatorText(node), "operator/operand type mismatch");
}

int CompareValues(const Value &a, const Value &b, const Node &where, const Collation &collation)
{
    const Family fa = FamilyOf(a);
    if (fa != FamilyOf(b) || fa == Family::Null)
        ThrowTypeMismatch(where);
    switch (fa) {
    case Family::Text:
        return collation.compare(a.text(), b.text());
    case Family::Number: {
        if (a.kind() == Value::Kind::Integer && b.kind() == Value::Kind::Integer)
            return a.integer() < b.integer() ? -1 : (a.integer() > b.integer() ? 1 : 0);
        const double x = a.number(), y = b.number();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case Family::Date: {
        const int64_t x = int64_t(a.julianDay()) * 86400000 + a.milliseconds();
        const int64_t y = int64_t(b.julianDay()) * 86400000 + b.milliseconds();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case Family::Logical:
        return int(a.logical()) - int(b.logical());
    case Family::Null:
        break;
    }
    return 0;
}

// ---- binding ---------------------------------------------------------------------------------

namespace {

void BindColumn(const Expr &expr, RowState &state, Node &node)
{
    const auto &tables = state.tables();
    const std::string shown = expr.qualifier.empty() ? expr.name : expr.qualifier + "." + expr.name;
    int foundSlot = -1, foundField = -1;
    bool qualifierKnown = expr.qualifier.empty();
    for (size_t slot = 0; slot < tables.size(); ++slot) {
        const SourceTable &source = tables[slot];
        if (!expr.qualifier.empty()) {
            // A table given an alias is named by its alias only.
            const std::string &known = source.alias.empty() ? source.name : source.alias;
            if (!EqualsNoCase(expr.qualifier, known))
                continue;
            qualifierKnown = true;
        }
        const int field = source.table->fieldIndex(expr.name);
        if (field < 0)
            continue;
        if (foundSlot >= 0)
            ThrowAt(expr.position, shown, "ambiguous column name");
        foundSlot = static_cast<int>(slot);
        foundField = field;
    }
    if (!qualifierKnown)
        ThrowAt(expr.position, shown, "alias '" + expr.qualifier + "' is not found");
    if (foundSlot < 0)
        ThrowAt(expr.position, shown, "column '" + expr.name + "' is not found");
    node.op = Node::Op::Column;
    node.column = state.column(foundSlot, foundField);
    node.maxSlot = foundSlot;
    node.name = shown;
    node.type = FieldType(
        tables[static_cast<size_t>(foundSlot)].table->fields()[static_cast<size_t>(foundField)]);
}

int CompareCodeOf(const std::string &op)
{
    if (op == "=")
        return Eq;
    if (op == "==")
        return Exact;
    if (op == "<>")
        return Ne;
    if (op == "<")
        return Lt;
    if (op == "<=")
        return Le;
    if (op == ">")
        return Gt;
    if (op == ">=")
        return Ge;
    return 0;
}

int ArithCodeOf(const std::string &op)
{
    if (op == "+")
        return Add;
    if (op == "-")
        return Sub;
    if (op == "*")
        return Mul;
    if (op == "/")
        return Div;
    if (op == "%")
        return Mod;
    return 0;
}

} // namespace

NodePtr Bind(const Expr &expr, RowState &state)
{
    auto node = std::make_unique<Node>();
    node->position = expr.position;
    for (const ExprPtr &arg : expr.args) {
        node->args.push_back(Bind(*arg, state));
        node->maxSlot = std::max(node->maxSlot, node->args.back()->maxSlot);
    }
    const TypeInfo logical { 'L', 1, 0 };
    switch (expr.kind) {
    case Expr::Kind::Literal:
        node->op = Node::Op::Literal;
        node->literal = expr.value;
        node->type = LiteralType(expr.value);
        break;
    case Expr::Kind::Column:
        BindColumn(expr, state, *node);
        break;
    case Expr::Kind::Unary:
        if (expr.op == "+")
            return std::move(node->args[0]);
        node->op = expr.op == "NOT" ? Node::Op::Not : Node::Op::Negate;
        node->name = expr.op == "NOT" ? "!" : "-";
        node->type = expr.op == "NOT" ? logical : node->args[0]->type;
        break;
    case Expr::Kind::Binary:
        node->name = expr.op;
        if (expr.op == "AND" || expr.op == "OR") {
            node->op = expr.op == "AND" ? Node::Op::And : Node::Op::Or;
            node->type = logical;
        } else if (const int code = CompareCodeOf(expr.op)) {
            node->op = Node::Op::Compare;
            node->code = code;
            node->type = logical;
        } else {
            node->op = Node::Op::Arith;
            node->code = ArithCodeOf(expr.op);
            node->type = ArithType(*node);
        }
        break;
    case Expr::Kind::Like:
        node->op = Node::Op::Like;
        node->name = "LIKE";
        node->negated = expr.negated;
        node->type = logical;
        break;
    case Expr::Kind::In:
        node->op = Node::Op::In;
        node->name = "IN";
        node->negated = expr.negated;
        node->type = logical;
        break;
    case Expr::Kind::IsNull:
        node->op = Node::Op::IsNull;
        node->name = "IS";
        node->negated = expr.negated;
        node->type = logical;
        break;
    case Expr::Kind::Function: {
        node->name = expr.op;
        int minArgs = 0, maxArgs = 0;
        node->code = functions::Lookup(expr.op, minArgs, maxArgs);
        if (node->code == 0)
            ThrowAt(expr.position, expr.op, "unknown function");
        const int count = static_cast<int>(expr.args.size());
        if (count < minArgs || count > maxArgs)
            ThrowAt(expr.position, expr.op, "wrong number of arguments");
        node->op = expr.op == "IIF" ? Node::Op::Iif : Node::Op::Function;
        node->type = functions::ResultType(*node);
        break;
    }
    case Expr::Kind::Cast:
        node->op = Node::Op::Cast;
        node->name = "CAST";
        node->castType = expr.castType;
        node->castLength = expr.castLength;
        node->castDecimals = expr.castDecimals;
        node->type = functions::CastType(*node);
        break;
    }
    if (node->op != Node::Op::Literal && node->op != Node::Op::Column && node->op != Node::Op::Iif)
        node->result = state.newResult();
    return node;
}

// ---- evaluation ------------------------------------------------------------------------------

const Value &Evaluate(const Node &node, RowState &state)
{
    switch (node.op) {
    case Node::Op::Literal:
        return node.literal;
    case Node::Op::Column:
        return state.value(node.column);
    case Node::Op::Not: {
        Value &out = state.result(node.result);
        const Value &v = Evaluate(*node.args[0], state);
        if (v.isNull())
            out = Value();
        else if (v.kind() == Value::Kind::Logical)
            out = Value::logical(!v.logical());
        else
            ThrowTypeMismatch(node);
        return out;
    }
    case Node::Op::Negate: {
        Value &out = state.result(node.result);
        const Value &v = Evaluate(*node.args[0], state);
        if (v.isNull())
            out = Value();
        else if (v.kind() == Value::Kind::Integer)
            out = Value::integer(-v.integer());
        else if (v.kind() == Value::Kind::Numeric)
            out = Value::numeric(-v.number(), v.decimals());
        else
            ThrowTypeMismatch(node);
        return out;
    }
    case Node::Op::And:
    case Node::Op::Or: {
        Value &out = state.result(node.result);
        // Three-valued: .NULL. AND .F. is .F., .NULL. OR .T. is .T., otherwise null wins.
        const bool isAnd = node.op == Node::Op::And;
        const Value &a = Evaluate(*node.args[0], state);
        if (!a.isNull() && a.kind() != Value::Kind::Logical)
            ThrowTypeMismatch(node);
        if (!a.isNull() && a.logical() != isAnd) {
            out = Value::logical(!isAnd);
            return out;
        }
        const bool aNull = a.isNull();
        const Value &b = Evaluate(*node.args[1], state);
        if (!b.isNull() && b.kind() != Value::Kind::Logical)
            ThrowTypeMismatch(node);
        if (!b.isNull() && b.logical() != isAnd)
            out = Value::logical(!isAnd);
        else if (aNull || b.isNull())
            out = Value();
        else
            out = Value::logical(isAnd);
        return out;
    }
    case Node::Op::Compare: {
        Value &out = state.result(node.result);
        const Value &a = Evaluate(*node.args[0], state);
        const Value &b = Evaluate(*node.args[1], state);
        if (a.isNull() || b.isNull()) {
            out = Value();
            return out;
        }
        if ((node.code == Eq || node.code == Ne) && a.isText() && b.isText()) {
            out = Value::logical(
                Collation::equalsUpToShorter(a.text(), b.text()) == (node.code == Eq));
            return out;
        }
        const int c = CompareValues(a, b, node, state.collation());
        bool r = false;
        switch (node.code) {
        case Eq:
        case Exact:
            r = c == 0;
            break;
        case Ne:
            r = c != 0;
            break;
        case Lt:
            r = c < 0;
            break;
        case Le:
            r = c <= 0;
            break;
        case Gt:
            r = c > 0;
            break;
        case Ge:
            r = c >= 0;
            break;
        default:
            break;
        }
        out = Value::logical(r);
        return out;
    }
    case Node::Op::Arith: {
        const Value &a = Evaluate(*node.args[0], state);
        const Value &b = Evaluate(*node.args[1], state);
        Value &out = state.result(node.result);
        Arith(node, a, b, out);
        return out;
    }
    case Node::Op::Like: {
        Value &out = state.result(node.result);
        const Value &subject = Evaluate(*node.args[0], state);
        const Value &pattern = Evaluate(*node.args[1], state);
        if (subject.isNull() || pattern.isNull())
            out = Value();
        else if (!subject.isText() || !pattern.isText())
            ThrowTypeMismatch(node);
        else
            out = Value::logical(text::Like(subject.text(), pattern.text()) != node.negated);
        return out;
    }
    case Node::Op::In: {
        Value &out = state.result(node.result);
        const Value &x = Evaluate(*node.args[0], state);
        if (x.isNull()) {
            out = Value();
            return out;
        }
        bool sawNull = false, matched = false;
        for (size_t i = 1; i < node.args.size() && !matched; ++i) {
            const Value &candidate = Evaluate(*node.args[i], state);
            if (candidate.isNull())
                sawNull = true;
            else if (x.isText() && candidate.isText())
                matched = Collation::equalsUpToShorter(x.text(), candidate.text());
            else
                matched = CompareValues(x, candidate, node, state.collation()) == 0;
        }
        if (matched)
            out = Value::logical(!node.negated);
        else if (sawNull)
            out = Value();
        else
            out = Value::logical(node.negated);
        return out;
    }
    case Node::Op::IsNull: {
        const bool isNull = Evaluate(*node.args[0], state).isNull();
        Value &out = state.result(node.result);
        out = Value::logical(isNull != node.negated);
        return out;
    }
    case Node::Op::Iif: {
        // Only the branch taken is evaluated; a null condition takes the second branch.
        const Value &c = Evaluate(*node.args[0], state);
        if (!c.isNull() && c.kind() != Value::Kind::Logical)
            ThrowTypeMismatch(node);
        const bool condition = IsTrue(c);
        return Evaluate(*node.args[condition ? 1 : 2], state);
    }
    case Node::Op::Function:
        functions::Call(node, state);
        return state.result(node.result);
    case Node::Op::Cast: {
        const Value &value = Evaluate(*node.args[0], state);
        Value &out = state.result(node.result);
        functions::Cast(node, value, out);
        return out;
    }
    }
    ThrowTypeMismatch(node);
}

} // namespace vfp::sql
