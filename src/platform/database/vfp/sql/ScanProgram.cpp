#include "platform/database/vfp/sql/ScanProgram.h"

#include "platform/database/vfp/CodePage.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace vfp::sql {

namespace {

std::atomic<bool> g_compiledScans { true };
std::atomic<uint64_t> g_compiledScanCount { 0 };

bool IsAscii(std::string_view text)
{
    return std::all_of(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether texts of the page compare with ASCII constants on their bytes: ASCII bytes decode to
// themselves, every other byte to a character that is not ASCII, one byte at a time.
bool AsciiKeptApart(const CodePage &page)
{
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string decoded = page.toUtf8(std::string_view(byte));
        if (b < 0x80) {
            if (decoded != byte)
                return false;
            continue;
        }
        if (decoded.empty() || !std::none_of(decoded.begin(), decoded.end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x80;
            }))
            return false;
        if (page.toUtf8(std::string_view(byte + "A")) != decoded + "A")
            return false;
    }
    return true;
}

int32_t Le32(const char *p)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return static_cast<int32_t>(v);
}

bool IsTrueByte(char c)
{
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
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

// As the interpreter orders two numbers (an unordered pair counts as equal).
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

// = on texts (SET ANSI OFF): the field's text and an ASCII constant agree up to the end of the
// shorter. Bytes that are not ASCII never match the constant's, so the UTF-8 lengths need not
// be known.
bool EqualsUpToShorter(const char *field, size_t width, const std::string &constant)
{
    return std::memcmp(field, constant.data(), std::min(width, constant.size())) == 0;
}

// == on texts: equal when the shorter is padded with blanks.
bool EqualsPadded(const char *field, size_t width, const std::string &constant)
{
    const size_t n = constant.size();
    if (n <= width) {
        return std::memcmp(field, constant.data(), n) == 0
            && std::all_of(field + n, field + width, [](char c) { return c == ' '; });
    }
    return std::memcmp(field, constant.data(), width) == 0
        && std::all_of(constant.begin() + static_cast<std::ptrdiff_t>(width), constant.end(),
            [](char c) { return c == ' '; });
}

} // namespace

bool CompiledScansEnabled()
{
    return g_compiledScans.load(std::memory_order_relaxed);
}

void SetCompiledScansEnabled(bool enabled)
{
    g_compiledScans.store(enabled, std::memory_order_relaxed);
}

uint64_t CompiledScanCount()
{
    return g_compiledScanCount.load(std::memory_order_relaxed);
}

void CountCompiledScan()
{
    g_compiledScanCount.fetch_add(1, std::memory_order_relaxed);
}

std::shared_ptr<const ScanProgram> ScanProgram::compile(
    const RowState &state, std::span<const NodePtr> filters, std::span<const NodePtr> outputs)
{
    const auto &tables = state.tables();
    if (!CompiledScansEnabled() || tables.empty() || !tables[0].table)
        return nullptr;
    for (size_t slot = 1; slot < tables.size(); ++slot) {
        if (tables[slot].table == tables[0].table)
            return nullptr;
    }
    const Table &table = *tables[0].table;
    if (table.recordLength() == 0 || table.fields().empty() || !table.fieldPlace(0))
        return nullptr;

    auto program = std::shared_ptr<ScanProgram>(new ScanProgram());
    program->m_codePage = &table.codePage();
    program->m_asciiApart = AsciiKeptApart(table.codePage());
    program->m_recordLength = table.recordLength();
    for (const NodePtr &filter : filters)
        program->m_steps.push_back(program->compileCondition(*filter, state));
    while (program->m_batchConditions < program->m_steps.size()
        && program->m_steps[program->m_batchConditions].kind != Step::Evaluate)
        ++program->m_batchConditions;

    for (const NodePtr &node : outputs) {
        Output output;
        if (node->op == Node::Op::Column && state.columnSlot(node->column) == 0) {
            const int field = state.columnField(node->column);
            const FieldInfo &info = table.fields()[static_cast<size_t>(field)];
            const auto place = table.fieldPlace(field);
            const bool known = std::strchr("CNFILD", info.type) != nullptr;
            const bool readable = info.type != 'C' || info.binary || program->m_asciiApart;
            if (place && known && readable) {
                output.type = info.type;
                output.offset = place->offset;
                output.width = place->width;
                output.nullByte = place->nullByte;
                output.nullMask = place->nullMask;
                output.decimals = info.decimals;
                output.raw = info.binary;
            }
        }
        program->m_outputs.push_back(output);
    }
    return program;
}

// The field of slot 0 a node reads, with where its bytes lie; false for anything else.
bool ScanProgram::compileField(const Node &node, const RowState &state, Step &step) const
{
    if (node.op != Node::Op::Column || state.columnSlot(node.column) != 0)
        return false;
    const Table &table = *state.tables()[0].table;
    const int field = state.columnField(node.column);
    const auto place = table.fieldPlace(field);
    if (!place)
        return false;
    const FieldInfo &info = table.fields()[static_cast<size_t>(field)];
    step.fieldType = info.type;
    step.offset = place->offset;
    step.width = place->width;
    step.nullByte = place->nullByte;
    step.nullMask = place->nullMask;
    // Texts are compared on their bytes only where those decode one for one.
    return info.type != 'C' || info.binary || m_asciiApart;
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
        if (constant->op != Node::Op::Literal) {
            std::swap(field, constant);
            code = Flip(code);
        }
        if (constant->op != Node::Op::Literal || !compileField(*field, state, step))
            return evaluate;
        step.code = code;
        const Value &value = constant->literal;
        if (step.fieldType == 'C' && asciiText(*constant)) {
            step.texts.push_back(value.text());
            if (code == compare::Eq || code == compare::Ne) {
                step.kind = Step::TextEquals;
                step.negated = code == compare::Ne;
                return step;
            }
            if (code == compare::Exact) {
                step.kind = Step::TextExact;
                return step;
            }
            return evaluate;
        }
        if ((step.fieldType == 'N' || step.fieldType == 'F' || step.fieldType == 'I')
            && value.isNumber()) {
            step.kind = Step::NumberCompare;
            step.integerCompare = step.fieldType == 'I' && value.kind() == Value::Kind::Integer;
            step.number = value.number();
            step.integer = value.integer();
            return step;
        }
        return evaluate;
    }
    case Node::Op::In: {
        if (!compileField(*node.args[0], state, step) || step.fieldType != 'C')
            return evaluate;
        for (size_t i = 1; i < node.args.size(); ++i) {
            if (!asciiText(*node.args[i]))
                return evaluate;
            step.texts.push_back(node.args[i]->literal.text());
        }
        step.kind = Step::TextEquals;
        step.negated = node.negated;
        return step;
    }
    case Node::Op::Column:
        if (!compileField(node, state, step) || step.fieldType != 'L')
            return evaluate;
        step.kind = Step::LogicalIs;
        return step;
    case Node::Op::Not:
        if (!compileField(*node.args[0], state, step) || step.fieldType != 'L')
            return evaluate;
        step.kind = Step::LogicalIs;
        step.negated = true;
        return step;
    default:
        return evaluate;
    }
}

// A condition on a null field is null, which no row passes.
bool ScanProgram::test(const Step &step, const char *record) const
{
    if (step.nullByte >= 0 && (static_cast<unsigned char>(record[step.nullByte]) & step.nullMask))
        return false;
    const char *p = record + step.offset;
    switch (step.kind) {
    case Step::TextEquals: {
        const bool any = std::any_of(step.texts.begin(), step.texts.end(),
            [&](const std::string &text) { return EqualsUpToShorter(p, step.width, text); });
        return any != step.negated;
    }
    case Step::TextExact:
        return EqualsPadded(p, step.width, step.texts[0]);
    case Step::NumberCompare:
        if (step.fieldType == 'I') {
            const int32_t v = Le32(p);
            return Holds(step.code,
                step.integerCompare ? Order<int64_t>(v, step.integer)
                                    : Order<double>(v, step.number));
        }
        return Holds(step.code, Order(ParseNumber(std::string_view(p, step.width)), step.number));
    case Step::LogicalIs:
        return IsTrueByte(*p) != step.negated;
    case Step::Evaluate:
        break;
    }
    return false;
}

bool ScanProgram::testRow(size_t condition, const char *record) const
{
    return test(m_steps[condition], record);
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
        const Step &step = m_steps[c];
        size_t kept = 0;
        for (const uint32_t row : rows) {
            if (test(step, block.data() + row * m_recordLength))
                rows[kept++] = row;
        }
        rows.resize(kept);
    }
}

void ScanProgram::appendOutput(
    size_t index, const char *record, ResultSet &rows, std::string &scratch) const
{
    const Output &output = m_outputs[index];
    if (output.nullByte >= 0
        && (static_cast<unsigned char>(record[output.nullByte]) & output.nullMask)) {
        rows.appendNull();
        return;
    }
    const char *p = record + output.offset;
    const std::string_view bytes(p, output.width);
    switch (output.type) {
    case 'C':
        if (output.raw || IsAscii(bytes)) {
            rows.appendText(Value::Kind::Character, bytes);
        } else {
            scratch.clear();
            m_codePage->appendUtf8(bytes, scratch);
            rows.appendText(Value::Kind::Character, scratch);
        }
        return;
    case 'N':
    case 'F':
        rows.appendNumeric(ParseNumber(bytes), output.decimals);
        return;
    case 'I':
        rows.appendInteger(Le32(p));
        return;
    case 'L':
        rows.appendLogical(IsTrueByte(*p));
        return;
    case 'D':
        rows.appendDate(ParseDate(bytes.substr(0, 8)));
        return;
    default:
        rows.appendNull();
        return;
    }
}

} // namespace vfp::sql
