// The compiled scan's conditions: a condition of the WHERE or of a join compiled into a step,
// and the steps tested on a record's bytes, on a batch of records, or on values.

#include "platform/database/vfp/sql/ScanProgram.h"

#include "platform/database/vfp/CodePage.h"
#include "platform/database/vfp/sql/Functions.h"
#include "platform/database/vfp/sql/ScanBytes.h"
#include "platform/database/vfp/sql/TextOps.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vfp::sql {

using namespace scan;

namespace {

// A literal, or a negated number literal (-2.50), as the evaluator would compute it.
bool ConstantOf(const Node &node, Value &value)
{
    if (node.op == Node::Op::Literal) {
        value = node.literal;
        return true;
    }
    if (node.op != Node::Op::Negate || node.args.size() != 1
        || node.args[0]->op != Node::Op::Literal)
        return false;
    const Value &v = node.args[0]->literal;
    if (v.kind() == Value::Kind::Integer && v.integer() != INT64_MIN) {
        value = Value::integer(-v.integer());
        return true;
    }
    if (v.kind() == Value::Kind::Numeric) {
        value = Value::numeric(-v.number(), v.decimals());
        return true;
    }
    return false;
}

int Flip(int code)
{
    switch (code) {
    case compare::Lt:
        return compare::Gt;
    case compare::Le:
        return compare::Ge;
    case compare::Gt:
        return compare::Lt;
    case compare::Ge:
        return compare::Le;
    default:
        return code;
    }
}

// As the evaluator orders two numbers (an unordered pair counts as equal).
template <typename T> int Order(T x, T y)
{
    return x < y ? -1 : (x > y ? 1 : 0);
}

bool Holds(int code, int order)
{
    switch (code) {
    case compare::Eq:
    case compare::Exact:
        return order == 0;
    case compare::Ne:
        return order != 0;
    case compare::Lt:
        return order < 0;
    case compare::Le:
        return order <= 0;
    case compare::Gt:
        return order > 0;
    case compare::Ge:
        return order >= 0;
    default:
        return false;
    }
}

// Equal bytes; the short runs that conditions mostly compare (a one-letter type, a file's
// extension) without a call.
bool SameBytes(const char *a, const char *b, size_t n)
{
    if (n > 8)
        return std::memcmp(a, b, n) == 0;
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

// = on texts (SET ANSI OFF): the field's text and an ASCII constant agree up to the end of the
// shorter. Bytes that are not ASCII never match the constant's, so the UTF-8 lengths need not
// be known.
bool EqualsUpToShorter(const char *field, size_t width, const std::string &constant)
{
    return SameBytes(field, constant.data(), std::min(width, constant.size()));
}

// Whether an N field's text is zero, told from its digits where it is written plainly (blanks,
// an optional minus, digits with at most one point, blanks): 1 zero, 0 not, -1 not plain.
int IsZero(const char *p, size_t width)
{
    size_t i = 0;
    while (i < width && (p[i] == ' ' || p[i] == '\0'))
        ++i;
    if (i < width && p[i] == '-')
        ++i;
    bool point = false, nonZero = false;
    for (; i < width && p[i] != ' ' && p[i] != '\0'; ++i) {
        if (p[i] == '.' && !point)
            point = true;
        else if (p[i] >= '0' && p[i] <= '9')
            nonZero = nonZero || p[i] != '0';
        else
            return -1;
    }
    for (; i < width; ++i) {
        if (p[i] != ' ' && p[i] != '\0')
            return -1;
    }
    return nonZero ? 0 : 1;
}

// The order of two ASCII texts when the shorter is padded with blanks, as the collation orders
// texts that are ASCII.
int PaddedOrder(std::string_view a, std::string_view b)
{
    const size_t n = std::max(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(i < a.size() ? a[i] : ' ');
        const auto y = static_cast<unsigned char>(i < b.size() ? b[i] : ' ');
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

// == on texts: equal when the shorter is padded with blanks.
bool EqualsPadded(const char *field, size_t width, const std::string &constant)
{
    const size_t n = constant.size();
    if (n <= width) {
        return SameBytes(field, constant.data(), n)
            && std::all_of(field + n, field + width, [](char c) { return c == ' '; });
    }
    return SameBytes(field, constant.data(), width)
        && std::all_of(constant.begin() + static_cast<std::ptrdiff_t>(width), constant.end(),
            [](char c) { return c == ' '; });
}

// The bytes of a C field's code page for a text constant, so that = compares them with the
// field's bytes: ASCII characters stand for themselves; any other character must be the one
// character of exactly one byte of the page (two bytes decoding to one character, or a
// character of several bytes, would make equal bytes and equal texts differ). False where the
// constant cannot be compared on the bytes.
bool FieldBytesOf(const std::string &utf8, const CodePage &page, std::string &bytes)
{
    bytes.clear();
    for (size_t at = 0; at < utf8.size();) {
        const size_t start = at;
        const char32_t character = NextCharacter(utf8, at);
        if (character < 0x80) {
            bytes += static_cast<char>(character);
            continue;
        }
        const std::string_view written(utf8.data() + start, at - start);
        if (character == 0xFFFD)
            return false;
        int found = -1;
        for (int b = 0x80; b < 0x100; ++b) {
            if (page.toUtf8(std::string_view(std::string(1, static_cast<char>(b)))) != written)
                continue;
            if (found >= 0)
                return false;
            found = b;
        }
        if (found < 0)
            return false;
        bytes += static_cast<char>(found);
    }
    return true;
}

} // namespace

std::shared_ptr<const ScanProgram> ScanProgram::perRecord(
    const std::vector<std::vector<NodePtr>> &filters)
{
    auto program = std::shared_ptr<ScanProgram>(new ScanProgram());
    for (const auto &conditions : filters)
        program->m_steps.emplace_back(conditions.size());
    return program;
}

ScanProgram::Step ScanProgram::compileCondition(const Node &node, const RowState &state) const
{
    Step step;
    const Step evaluate;
    const auto asciiText = [](const Node &n) {
        return n.op == Node::Op::Literal && n.literal.kind() == Value::Kind::Character
            && IsAscii(n.literal.text());
    };
    switch (node.op) {
    case Node::Op::Compare: {
        const Node *field = node.args[0].get();
        const Node *constant = node.args[1].get();
        int code = node.code;
        Value value;
        if (!ConstantOf(*constant, value)) {
            std::swap(field, constant);
            code = Flip(code);
        }
        if (!ConstantOf(*constant, value))
            return evaluate;
        if (field->op == Node::Op::Function && NamedAs(*field, "DTOS") && field->args.size() == 1
            && asciiText(*constant)) {
            step.field = placeOf(*field->args[0], state);
            if (step.field.slot < 0 || (step.field.type != 'D' && step.field.type != 'T'))
                return evaluate;
            step.kind = Step::DateKeyCompare;
            step.code = code;
            step.texts.push_back(constant->literal.text());
            return step;
        }
        size_t count = 0;
        const Place memo = memoTailOf(*field, state, count);
        if (memo.slot >= 0) {
            if (!asciiText(*constant)
                || (code != compare::Eq && code != compare::Ne && code != compare::Exact))
                return evaluate;
            step.field = memo;
            step.count = count;
            step.code = code;
            step.texts.push_back(constant->literal.text());
            step.kind = code == compare::Exact ? Step::MemoTailExact : Step::MemoTailEquals;
            step.negated = code == compare::Ne;
            return step;
        }
        step.field = placeOf(*field, state);
        if (step.field.slot < 0)
            return evaluate;
        step.code = code;
        const char type = step.field.type;
        if (type == 'C' && (code == compare::Eq || code == compare::Ne)
            && value.kind() == Value::Kind::Character) {
            std::string bytes;
            if (!textBytesOf(step.field, value.text(), bytes))
                return evaluate;
            step.texts.push_back(std::move(bytes));
            step.utf8.push_back(value.text());
            step.kind = Step::TextEquals;
            step.negated = code == compare::Ne;
            return step;
        }
        if (type == 'C' && step.field.asciiApart && asciiText(*constant)) {
            step.texts.push_back(value.text());
            if (code == compare::Exact) {
                step.kind = Step::TextExact;
                return step;
            }
            return evaluate;
        }
        if (type == 'L' && value.kind() == Value::Kind::Logical
            && (code == compare::Eq || code == compare::Exact || code == compare::Ne)) {
            step.kind = Step::LogicalIs;
            step.negated = value.logical() == (code == compare::Ne);
            return step;
        }
        if ((type == 'N' || type == 'F' || type == 'I') && value.isNumber()) {
            step.kind = Step::NumberCompare;
            step.integerCompare = type == 'I' && value.kind() == Value::Kind::Integer;
            step.zeroTest = type != 'I' && value.number() == 0
                && (code == compare::Eq || code == compare::Ne);
            step.number = value.number();
            step.integer = value.integer();
            return step;
        }
        return evaluate;
    }
    case Node::Op::Like: {
        const Node &subject = *node.args[0];
        const Node &pattern = *node.args[1];
        if (subject.op != Node::Op::Function || !NamedAs(subject, "UPPER")
            || subject.args.size() != 1 || pattern.op != Node::Op::Literal
            || pattern.literal.kind() != Value::Kind::Character)
            return evaluate;
        step.field = placeOf(*subject.args[0], state);
        if (step.field.slot < 0 || (step.field.type != 'C' && step.field.type != 'M'))
            return evaluate;
        step.kind = Step::UpperLike;
        step.negated = node.negated;
        step.texts.push_back(pattern.literal.text());
        return step;
    }
    case Node::Op::In: {
        step.field = placeOf(*node.args[0], state);
        if (step.field.slot < 0 || step.field.type != 'C')
            return evaluate;
        for (size_t i = 1; i < node.args.size(); ++i) {
            const Node &item = *node.args[i];
            std::string bytes;
            if (item.op != Node::Op::Literal || item.literal.kind() != Value::Kind::Character
                || !textBytesOf(step.field, item.literal.text(), bytes))
                return evaluate;
            step.texts.push_back(std::move(bytes));
            step.utf8.push_back(item.literal.text());
        }
        step.kind = Step::TextEquals;
        step.negated = node.negated;
        return step;
    }
    case Node::Op::IsNull:
        return nullTest(*node.args[0], node.negated, state);
    case Node::Op::Column:
    case Node::Op::Not:
    case Node::Op::Function:
    case Node::Op::Iif: {
        const bool negated = node.op == Node::Op::Not;
        const Node &inner = negated ? *node.args[0] : node;
        if (inner.op == Node::Op::Function && NamedAs(inner, "ISNULL") && inner.args.size() == 1)
            return nullTest(*inner.args[0], negated, state);
        if (inner.op == Node::Op::IsNull)
            return nullTest(*inner.args[0], inner.negated != negated, state);
        if (inner.op == Node::Op::Function) {
            if (!NamedAs(inner, "EMPTY") || inner.args.size() != 1)
                return evaluate;
            step.field = placeOf(*inner.args[0], state);
            if (step.field.slot < 0 || step.field.type != 'C' || !step.field.asciiApart)
                return evaluate;
            step.kind = Step::TextBlank;
            step.negated = negated;
            return step;
        }
        const Node *flag = flagOf(inner);
        step.field = placeOf(flag ? *flag : inner, state);
        if (step.field.slot < 0 || step.field.type != 'L')
            return evaluate;
        step.kind = flag ? Step::FlagOrFalse : Step::LogicalIs;
        step.negated = negated;
        return step;
    }
    default:
        return evaluate;
    }
}

bool ScanProgram::textBytesOf(const Place &field, const std::string &utf8, std::string &bytes) const
{
    if (!field.asciiApart)
        return false;
    if (field.raw || IsAscii(utf8)) {
        bytes = utf8;
        return true;
    }
    return field.oneByteChars
        && FieldBytesOf(utf8, *m_codePages[static_cast<size_t>(field.slot)], bytes);
}

// Whether a field is null is told from its null byte, for the types whose values are null in
// no other way.
ScanProgram::Step ScanProgram::nullTest(
    const Node &field, bool negated, const RowState &state) const
{
    Step step;
    step.field = placeOf(field, state);
    if (step.field.slot < 0 || !std::strchr("CNFIL", step.field.type))
        return Step();
    step.kind = Step::NullIs;
    step.negated = negated;
    return step;
}

// A condition on a null field is null, which no row passes, except IIF(ISNULL(f), .F., f),
// which is .F. then.
bool ScanProgram::testBytes(const Step &step, const char *record)
{
    const Place &field = step.field;
    const bool null = !record
        || (field.nullByte >= 0
            && (static_cast<unsigned char>(record[field.nullByte]) & field.nullMask));
    if (step.kind == Step::NullIs)
        return null != step.negated;
    // EMPTY() of a null is .F.
    if (null)
        return (step.kind == Step::FlagOrFalse || step.kind == Step::TextBlank) && step.negated;
    const char *p = record + field.offset;
    switch (step.kind) {
    case Step::TextEquals: {
        const bool any = std::any_of(step.texts.begin(), step.texts.end(),
            [&](const std::string &text) { return EqualsUpToShorter(p, field.width, text); });
        return any != step.negated;
    }
    case Step::TextExact:
        return EqualsPadded(p, field.width, step.texts[0]);
    case Step::TextBlank:
        return std::all_of(p, p + field.width, [](char c) {
            return c == ' ' || c == '\t' || c == '\r' || c == '\n';
        }) != step.negated;
    case Step::NumberCompare:
        if (field.type == 'I') {
            const int32_t v = Le32(p);
            return Holds(step.code,
                step.integerCompare ? Order<int64_t>(v, step.integer)
                                    : Order<double>(v, step.number));
        }
        if (step.zeroTest) {
            const int zero = IsZero(p, field.width);
            if (zero >= 0)
                return (zero == 1) == (step.code == compare::Eq);
        }
        return Holds(step.code, Order(ParseNumber(std::string_view(p, field.width)), step.number));
    case Step::LogicalIs:
    case Step::FlagOrFalse:
        return IsTrueByte(*p) != step.negated;
    case Step::Evaluate:
    case Step::MemoTailEquals:
    case Step::MemoTailExact:
    case Step::DateKeyCompare:
    case Step::UpperLike:
    case Step::NullIs:
        break;
    }
    return false;
}

bool ScanProgram::onBytes(Step::Kind kind)
{
    switch (kind) {
    case Step::TextEquals:
    case Step::TextExact:
    case Step::TextBlank:
    case Step::NumberCompare:
    case Step::LogicalIs:
    case Step::FlagOrFalse:
    case Step::NullIs:
        return true;
    default:
        return false;
    }
}

// A null field makes the condition null, which no row passes.
bool ScanProgram::testOnValue(const Step &step, RowState &state)
{
    const Value &value = state.value(step.field.column);
    if (value.isNull())
        return false;
    if (step.kind == Step::UpperLike) {
        const std::string upper = state.collation().upper(value.text());
        return text::Like(upper, step.texts[0]) != step.negated;
    }
    const std::string key = functions::DtosKey(value.julianDay());
    const std::string &constant = step.texts[0];
    switch (step.code) {
    case compare::Eq:
        return EqualsUpToShorter(key.data(), key.size(), constant);
    case compare::Ne:
        return !EqualsUpToShorter(key.data(), key.size(), constant);
    default:
        return Holds(step.code, PaddedOrder(key, constant));
    }
}

int ScanProgram::testValue(const Step &step, const Value &value)
{
    if (step.kind == Step::NullIs)
        return value.isNull() != step.negated ? 1 : 0;
    if (value.isNull())
        return (step.kind == Step::FlagOrFalse || step.kind == Step::TextBlank) && step.negated ? 1
                                                                                                : 0;
    switch (step.kind) {
    case Step::NumberCompare:
        if (!value.isNumber())
            return -1;
        if (step.integerCompare && value.kind() == Value::Kind::Integer)
            return Holds(step.code, Order<int64_t>(value.integer(), step.integer)) ? 1 : 0;
        return Holds(step.code, Order<double>(value.number(), step.number)) ? 1 : 0;
    case Step::LogicalIs:
    case Step::FlagOrFalse:
        if (value.kind() != Value::Kind::Logical)
            return -1;
        return value.logical() != step.negated ? 1 : 0;
    // A UTF-8 text compares with ASCII constants on its bytes as the record's bytes do:
    // characters that are not ASCII match neither a constant's byte nor a blank.
    case Step::TextEquals: {
        if (!value.isText())
            return -1;
        const std::string &t = value.text();
        const bool any = std::any_of(step.utf8.begin(), step.utf8.end(),
            [&](const std::string &text) { return EqualsUpToShorter(t.data(), t.size(), text); });
        return any != step.negated ? 1 : 0;
    }
    case Step::TextExact:
        if (!value.isText())
            return -1;
        return EqualsPadded(value.text().data(), value.text().size(), step.texts[0]) ? 1 : 0;
    case Step::TextBlank:
        if (!value.isText())
            return -1;
        return std::all_of(value.text().begin(), value.text().end(),
                   [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; })
                != step.negated
            ? 1
            : 0;
    default:
        return -1;
    }
}

// RIGHT(memo, n) against ASCII constants: the memo's last n bytes are its last n characters,
// and bytes that are not ASCII never match a constant's, as in the fields' own tests.
bool ScanProgram::testMemoTail(const Step &step, const char *record, const RowState &state)
{
    const Place &field = step.field;
    if (!record
        || (field.nullByte >= 0
            && (static_cast<unsigned char>(record[field.nullByte]) & field.nullMask)))
        return false;
    const Table &table = *state.tables()[static_cast<size_t>(field.slot)].table;
    std::string &tail = MemoScratch();
    if (!table.memoPart(record, field.fieldIndex, step.count, true, tail))
        throw Error("Table " + table.name() + " cannot read its memos in part");
    if (step.kind == Step::MemoTailExact)
        return EqualsPadded(tail.data(), tail.size(), step.texts[0]);
    const bool any = std::any_of(step.texts.begin(), step.texts.end(),
        [&](const std::string &text) { return EqualsUpToShorter(tail.data(), tail.size(), text); });
    return any != step.negated;
}

const char *ScanProgram::recordOf(int slot, const RowState &state, bool &missing)
{
    missing = state.record(slot) == 0;
    return missing ? nullptr : state.copiedRecord(slot);
}

int ScanProgram::test(int slot, size_t condition, RowState &state) const
{
    const Step &step = m_steps[static_cast<size_t>(slot)][condition];
    if (step.kind == Step::Evaluate)
        return -1;
    if (step.kind == Step::DateKeyCompare || step.kind == Step::UpperLike)
        return testOnValue(step, state) ? 1 : 0;
    bool missing = false;
    const char *record = recordOf(step.field.slot, state, missing);
    if (!record && !missing) {
        if (step.kind == Step::MemoTailEquals || step.kind == Step::MemoTailExact)
            return -1;
        return testValue(step, state.value(step.field.column));
    }
    if (step.kind == Step::MemoTailEquals || step.kind == Step::MemoTailExact)
        return testMemoTail(step, record, state) ? 1 : 0;
    return testBytes(step, record) ? 1 : 0;
}

void ScanProgram::selectBatch(std::string_view block, std::vector<uint32_t> &rows) const
{
    rows.clear();
    const size_t count = block.size() / m_recordLength;
    for (size_t i = 0; i < count; ++i) {
        if (block[i * m_recordLength] != '*')
            rows.push_back(static_cast<uint32_t>(i));
    }
    // Each condition narrows the selection of the one before, as AND tests them row by row.
    for (size_t c = 0; c < m_batchConditions && !rows.empty(); ++c) {
        const Step &step = m_steps[0][c];
        const Place &field = step.field;
        size_t kept = 0;
        const auto notNull = [&](const char *record) {
            return field.nullByte < 0
                || !(static_cast<unsigned char>(record[field.nullByte]) & field.nullMask);
        };
        // = or IN of one-letter constants (a type, a flag) compares the field's first byte,
        // tested against the set of the constants' bytes.
        const bool oneLetter = step.kind == Step::TextEquals && field.width >= 1
            && std::all_of(step.texts.begin(), step.texts.end(), [&](const std::string &text) {
                   return text.size() == 1 || (field.width == 1 && !text.empty());
               });
        if (oneLetter) {
            bool letters[256] = {};
            for (const std::string &text : step.texts)
                letters[static_cast<unsigned char>(text[0])] = true;
            for (const uint32_t row : rows) {
                const char *record = block.data() + row * m_recordLength;
                if (notNull(record)
                    && letters[static_cast<unsigned char>(record[field.offset])] != step.negated)
                    rows[kept++] = row;
            }
        } else if (step.kind == Step::NumberCompare && step.zeroTest && field.type != 'I') {
            // = 0 or <> 0 told from the digits, where they are written plainly.
            for (const uint32_t row : rows) {
                const char *record = block.data() + row * m_recordLength;
                const int zero = notNull(record) ? IsZero(record + field.offset, field.width) : -1;
                if (zero >= 0 ? (zero == 1) == (step.code == compare::Eq) : testBytes(step, record))
                    rows[kept++] = row;
            }
        } else {
            for (const uint32_t row : rows) {
                if (testBytes(step, block.data() + row * m_recordLength))
                    rows[kept++] = row;
            }
        }
        rows.resize(kept);
    }
}

} // namespace vfp::sql
