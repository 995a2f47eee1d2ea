#include "platform/database/vfp/sql/ScanProgram.h"

#include "platform/database/vfp/CodePage.h"
#include "platform/database/vfp/sql/Functions.h"
#include "platform/database/vfp/sql/ScanBytes.h"
#include "platform/database/vfp/sql/TextOps.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

namespace vfp::sql {

std::string &scan::MemoScratch()
{
    thread_local std::string bytes;
    return bytes;
}

using namespace scan;

namespace {

std::atomic<uint64_t> g_compiledScanCount { 0 };
std::atomic<uint64_t> g_interpretedCount { 0 };

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

// Whether each byte of the page decodes to exactly one character, so that a text's first or
// last n bytes are its first or last n characters.
bool OneByteChars(const CodePage &page)
{
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        if (text::CharacterCount(page.toUtf8(std::string_view(byte))) != 1)
            return false;
    }
    return true;
}

} // namespace

uint64_t CompiledScanCount()
{
    return g_compiledScanCount.load(std::memory_order_relaxed);
}

void CountCompiledScan()
{
    g_compiledScanCount.fetch_add(1, std::memory_order_relaxed);
}

uint64_t InterpretedEvaluationCount()
{
    return g_interpretedCount.load(std::memory_order_relaxed);
}

void CountInterpretedEvaluations(uint64_t count)
{
    if (count)
        g_interpretedCount.fetch_add(count, std::memory_order_relaxed);
}

std::shared_ptr<const ScanProgram> ScanProgram::compile(const RowState &state,
    const std::vector<std::vector<NodePtr>> &filters, std::span<const NodePtr> outputs,
    std::span<const Node *const> probes, std::span<const Node *const> builds)
{
    const auto &tables = state.tables();
    if (tables.empty() || !tables[0].table)
        return perRecord(filters);
    for (size_t slot = 1; slot < tables.size(); ++slot) {
        if (tables[slot].table == tables[0].table)
            return perRecord(filters);
    }
    const Table &first = *tables[0].table;
    if (first.recordLength() == 0 || first.fields().empty() || !first.fieldPlace(0))
        return perRecord(filters);

    auto program = std::shared_ptr<ScanProgram>(new ScanProgram());
    program->m_recordLength = first.recordLength();
    for (const SourceTable &source : tables) {
        program->m_codePages.push_back(&source.table->codePage());
        program->m_asciiApart.push_back(AsciiKeptApart(source.table->codePage()));
        program->m_oneByteChars.push_back(OneByteChars(source.table->codePage()));
    }
    for (const auto &conditions : filters) {
        std::vector<Step> steps;
        for (const NodePtr &condition : conditions)
            steps.push_back(program->compileCondition(*condition, state));
        program->m_steps.push_back(std::move(steps));
    }
    const std::vector<Step> &firstSteps = program->m_steps[0];
    while (program->m_batchConditions < firstSteps.size()
        && onBytes(firstSteps[program->m_batchConditions].kind)
        && firstSteps[program->m_batchConditions].field.slot == 0)
        ++program->m_batchConditions;

    const auto keyPlaces = [&](std::span<const Node *const> keys, std::vector<Place> &places) {
        for (const Node *key : keys) {
            Place place;
            if (key)
                place = program->placeOf(*key, state);
            if (place.slot >= 0 && !std::strchr("CNFI", place.type))
                place = Place();
            places.push_back(place);
        }
    };
    keyPlaces(probes, program->m_probes);
    keyPlaces(builds, program->m_builds);
    for (const NodePtr &node : outputs) {
        Output output;
        const Node *field = node.get();
        if (node->op == Node::Op::Iif) {
            const Node *flag = program->flagOf(*node);
            if (flag) {
                field = flag;
                output.flagOrFalse = true;
            }
        }
        if (node->op == Node::Op::Cast && node->castType == 'C' && node->castLength > 0
            && node->args[0]->op == Node::Op::Column) {
            const Place memo = program->placeOf(*node->args[0], state);
            if (memo.slot >= 0 && memo.type == 'M' && !memo.raw && memo.oneByteChars) {
                output.kind = Output::MemoHead;
                output.field = memo;
                output.count = static_cast<size_t>(node->castLength);
            }
            program->m_outputs.push_back(output);
            continue;
        }
        output.field = program->placeOf(*field, state);
        output.fromBytes = output.field.slot >= 0 && std::strchr("CMNFILD", output.field.type)
            && (!std::strchr("CM", output.field.type) || output.field.raw
                || output.field.asciiApart);
        output.plainBytes = output.fromBytes && std::strchr("CNFILD", output.field.type);
        program->m_outputs.push_back(output);
    }
    return program;
}

// f of IIF(ISNULL(f), .F., f) with f an L field; null for anything else.
const Node *ScanProgram::flagOf(const Node &node)
{
    if (node.op != Node::Op::Iif || node.args.size() != 3)
        return nullptr;
    const Node &test = *node.args[0];
    const Node &otherwise = *node.args[1];
    const Node &field = *node.args[2];
    const bool isNull = (test.op == Node::Op::IsNull && !test.negated)
        || (test.op == Node::Op::Function && test.name == "ISNULL");
    if (!isNull || test.args.size() != 1 || test.args[0]->op != Node::Op::Column)
        return nullptr;
    if (field.op != Node::Op::Column || field.column != test.args[0]->column
        || field.type.type != 'L')
        return nullptr;
    if (otherwise.op != Node::Op::Literal || otherwise.literal.kind() != Value::Kind::Logical
        || otherwise.literal.logical())
        return nullptr;
    return &field;
}

// Where the bytes of the field a node reads lie; slot -1 when it is not a field read in place.
ScanProgram::Place ScanProgram::placeOf(const Node &node, const RowState &state) const
{
    Place place;
    if (node.op != Node::Op::Column)
        return place;
    const int slot = state.columnSlot(node.column);
    const Table &table = *state.tables()[static_cast<size_t>(slot)].table;
    const int field = state.columnField(node.column);
    const auto where = table.fieldPlace(field);
    if (!where)
        return place;
    const FieldInfo &info = table.fields()[static_cast<size_t>(field)];
    place.slot = slot;
    place.type = info.type;
    place.offset = where->offset;
    place.width = where->width;
    place.nullByte = where->nullByte;
    place.nullMask = where->nullMask;
    place.decimals = info.decimals;
    place.raw = info.binary;
    // Texts are compared on their bytes only where those decode one for one.
    place.asciiApart = info.binary || m_asciiApart[static_cast<size_t>(slot)];
    place.oneByteChars = m_oneByteChars[static_cast<size_t>(slot)];
    place.column = node.column;
    place.slotIndex = state.columnSlotIndex(node.column);
    place.fieldIndex = field;
    return place;
}

ScanProgram::Place ScanProgram::memoTailOf(
    const Node &node, const RowState &state, size_t &count) const
{
    Place none;
    if (node.op != Node::Op::Function || !NamedAs(node, "RIGHT") || node.args.size() != 2
        || !LiteralCount(*node.args[1], count))
        return none;
    const Place memo = placeOf(*node.args[0], state);
    if (memo.slot < 0 || memo.type != 'M' || memo.raw || !memo.asciiApart || !memo.oneByteChars)
        return none;
    return memo;
}

int ScanProgram::probeKey(size_t join, const RowState &state, size_t width, std::string &key) const
{
    if (join >= m_probes.size())
        return -1;
    const Place &field = m_probes[join];
    if (field.slot < 0)
        return -1;
    const char *record = state.copiedRecord(field.slot);
    if (!record || state.record(field.slot) == 0)
        return -1;
    return keyOf(field, record, width, key);
}

int ScanProgram::buildKey(size_t join, const char *record, size_t width, std::string &key) const
{
    if (join >= m_builds.size() || m_builds[join].slot < 0)
        return -1;
    return keyOf(m_builds[join], record, width, key);
}

int ScanProgram::keyOf(const Place &field, const char *record, size_t width, std::string &key)
{
    if (field.nullByte >= 0
        && (static_cast<unsigned char>(record[field.nullByte]) & field.nullMask))
        return 0;
    const char *p = record + field.offset;
    key.clear();
    double number = 0;
    switch (field.type) {
    case 'C': {
        // A text's characters are its bytes where they are ASCII in a code page that decodes
        // ASCII to itself; a binary field's value is its bytes, whose first characters are
        // counted as UTF-8 unless they are ASCII.
        std::string_view text(p, field.width);
        const bool ascii = IsAscii(text);
        if (field.raw ? width && !ascii : !(field.asciiApart && ascii))
            return -1;
        if (width && width < text.size())
            text = text.substr(0, width);
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        key.push_back('C');
        key.append(text);
        return 1;
    }
    case 'N':
    case 'F':
        if (!PlainNumber(p, field.width, number))
            return -1;
        break;
    case 'I':
        number = Le32(p);
        break;
    default:
        return -1;
    }
    if (number == 0)
        number = 0; // one key for -0 and 0
    char bytes[sizeof number];
    std::memcpy(bytes, &number, sizeof number);
    key.push_back('N');
    key.append(bytes, sizeof bytes);
    return 1;
}

size_t ScanProgram::appendOutputs(size_t from, RowState &state,
    std::span<const ResultSet::Cell *const> cells, ResultSet &rows, std::string &scratch) const
{
    // Each slot's record, looked at once for the row rather than once per output.
    constexpr size_t Slots = 64;
    const char *records[Slots];
    bool missing[Slots];
    const size_t slots = std::min(m_codePages.size(), Slots);
    for (size_t slot = 0; slot < slots; ++slot) {
        missing[slot] = state.record(static_cast<int>(slot)) == 0;
        records[slot] = missing[slot] ? nullptr : state.copiedRecord(static_cast<int>(slot));
    }
    for (size_t i = from; i < m_outputs.size(); ++i) {
        const Output &output = m_outputs[i];
        const auto slot = static_cast<size_t>(output.field.slot);
        // The usual fields of a record at hand in bytes, decoded here; the rest, and texts that
        // need converting or numbers that are not written plainly, by appendOutput().
        if (output.plainBytes && slot < slots && records[slot]) {
            const Place &field = output.field;
            const char *record = records[slot];
            if ((field.nullByte < 0
                    || !(static_cast<unsigned char>(record[field.nullByte]) & field.nullMask))
                && appendPlainBytes(field, record + field.offset, rows))
                continue;
        }
        if (output.field.slot < 0 || slot >= slots
            || !appendOutput(output, records[slot], missing[slot],
                slot < cells.size() ? cells[slot] : nullptr, state, rows, scratch))
            return i;
    }
    // A program of no outputs (perRecord()) leaves every one to evaluation.
    return std::max(from, m_outputs.size());
}

bool ScanProgram::appendOutput(const Output &output, const char *record, bool missing,
    const ResultSet::Cell *cells, RowState &state, ResultSet &rows, std::string &scratch) const
{
    const Place &field = output.field;
    if (output.kind == Output::Field && !missing && (!record || !output.fromBytes)) {
        // A record a join's hash keeps as values: its cells, made when the hash was.
        if (cells && state.preloaded(field.slot)) {
            const ResultSet::Cell &cell = cells[field.slotIndex];
            if (output.flagOrFalse && cell.kind == Value::Kind::Null)
                rows.appendLogical(false);
            else
                rows.appendCell(cell);
            return true;
        }
        // Read through the state: a memo, a text of another code page, or a record a join's
        // hash keeps as values (which outlive the rows that point into them).
        const Value &value = state.value(field.column);
        if (output.flagOrFalse && value.isNull())
            rows.appendLogical(false);
        else if (state.preloaded(field.slot))
            rows.appendBorrowed(value);
        else
            rows.append(value);
        return true;
    }
    if (!record && !missing)
        return false;
    if (!record
        || (field.nullByte >= 0
            && (static_cast<unsigned char>(record[field.nullByte]) & field.nullMask))) {
        if (output.flagOrFalse)
            rows.appendLogical(false);
        else
            rows.appendNull();
        return true;
    }
    if (output.kind == Output::MemoHead) {
        const Table &table = *state.tables()[static_cast<size_t>(field.slot)].table;
        std::string_view head;
        if (!table.memoText(record, field.fieldIndex, head)) {
            std::string &part = MemoScratch();
            if (!table.memoPart(record, field.fieldIndex, output.count, false, part))
                return false;
            head = part;
        }
        head = head.substr(0, output.count);
        const size_t characters = head.size();
        if (IsAscii(head)) {
            scratch.assign(head);
        } else {
            scratch.clear();
            m_codePages[static_cast<size_t>(field.slot)]->appendUtf8(head, scratch);
        }
        scratch.append(output.count - characters, ' ');
        rows.appendText(Value::Kind::Character, scratch);
        return true;
    }
    const char *p = record + field.offset;
    const std::string_view bytes(p, field.width);
    // A text in UTF-8: ASCII (or a binary field's bytes) as it lies, anything else converted.
    const auto appendText = [&](Value::Kind kind, std::string_view text) {
        if (field.raw || IsAscii(text)) {
            rows.appendText(kind, text);
            return;
        }
        scratch.clear();
        m_codePages[static_cast<size_t>(field.slot)]->appendUtf8(text, scratch);
        rows.appendText(kind, scratch);
    };
    if (appendPlainBytes(field, p, rows))
        return true;
    switch (field.type) {
    case 'C':
        appendText(Value::Kind::Character, bytes);
        return true;
    case 'M': {
        // The memo a condition on its tail has just read is read again from where it lies.
        std::string_view text;
        if (!state.tables()[static_cast<size_t>(field.slot)].table->memoText(
                record, field.fieldIndex, text))
            return false;
        appendText(Value::Kind::Memo, text);
        return true;
    }
    case 'N':
    case 'F':
        rows.appendNumeric(ParseNumber(bytes), field.decimals);
        return true;
    default:
        return false;
    }
}

bool ScanProgram::appendPlainBytes(const Place &field, const char *p, ResultSet &rows)
{
    const std::string_view bytes(p, field.width);
    double number = 0;
    switch (field.type) {
    case 'C':
        if (!field.raw && !IsAscii(bytes))
            return false;
        rows.appendText(Value::Kind::Character, bytes);
        return true;
    case 'N':
    case 'F':
        if (!PlainNumber(p, field.width, number))
            return false;
        rows.appendNumeric(number, field.decimals);
        return true;
    case 'I':
        rows.appendInteger(Le32(p));
        return true;
    case 'L':
        rows.appendLogical(IsTrueByte(*p));
        return true;
    case 'D':
        rows.appendDate(ParseDate(bytes.substr(0, 8)));
        return true;
    default:
        return false;
    }
}

} // namespace vfp::sql
