#include "platform/database/vfp/sql/Functions.h"

#include "platform/database/vfp/sql/SqlError.h"
#include "platform/database/vfp/sql/TextOps.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace vfp::sql::functions {

namespace {

enum Code {
    Iif = 1,
    IsNull,
    Nvl,
    Empty,
    Right,
    Left,
    Substr,
    Upper,
    Lower,
    Dtos,
    Chr,
    Alltrim,
    Trim,
    Ltrim,
    Len,
    Str,
    Int,
    Abs,
    Round
};

struct Entry
{
    std::string_view name;
    Code code;
    int minArgs;
    int maxArgs;
};

constexpr Entry Table[] = {
    { "IIF", Iif, 3, 3 },
    { "ISNULL", IsNull, 1, 1 },
    { "NVL", Nvl, 2, 2 },
    { "EMPTY", Empty, 1, 1 },
    { "RIGHT", Right, 2, 2 },
    { "LEFT", Left, 2, 2 },
    { "SUBSTR", Substr, 2, 3 },
    { "UPPER", Upper, 1, 1 },
    { "LOWER", Lower, 1, 1 },
    { "DTOS", Dtos, 1, 1 },
    { "CHR", Chr, 1, 1 },
    { "ALLTRIM", Alltrim, 1, 1 },
    { "TRIM", Trim, 1, 1 },
    { "RTRIM", Trim, 1, 1 },
    { "LTRIM", Ltrim, 1, 1 },
    { "LEN", Len, 1, 1 },
    { "STR", Str, 1, 3 },
    { "INT", Int, 1, 1 },
    { "ABS", Abs, 1, 1 },
    { "ROUND", Round, 2, 2 },
};

const TypeInfo Logical { 'L', 1, 0 };

TypeInfo TextLike(const TypeInfo &type, int length)
{
    return { type.type == 'M' ? 'M' : 'C', length, 0 };
}

// Whole part of a number, saturated so no conversion overflows.
int64_t ToInteger(double number)
{
    if (std::isnan(number))
        return 0;
    if (number >= 9.0e18)
        return INT64_MAX;
    if (number <= -9.0e18)
        return INT64_MIN;
    return static_cast<int64_t>(number);
}

const Value &Arg(const Node &node, RowState &state, size_t index)
{
    return Evaluate(*node.args[index], state);
}

const Value &TextArg(const Node &node, RowState &state, size_t index)
{
    const Value &v = Arg(node, state, index);
    if (!v.isNull() && !v.isText())
        ThrowTypeMismatch(node);
    return v;
}

// A count argument; null stays null (returned as false).
bool CountArg(const Node &node, RowState &state, size_t index, int64_t &count)
{
    const Value &v = Arg(node, state, index);
    if (v.isNull())
        return false;
    if (!v.isNumber())
        ThrowTypeMismatch(node);
    count = ToInteger(v.number());
    return true;
}

Value SameKind(const Value &source, std::string text)
{
    return source.kind() == Value::Kind::Memo ? Value::memo(std::move(text))
                                              : Value::character(std::move(text));
}

std::string DateKey(int32_t julianDay)
{
    if (julianDay == 0)
        return std::string(8, ' ');
    int y = 0, m = 0, d = 0;
    CivilFromJulianDay(julianDay, y, m, d);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", y % 10000, m, d);
    return buffer;
}

std::string FixedPoint(double number, int decimals)
{
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", std::clamp(decimals, 0, 18), number);
    return buffer;
}

// STR(n, len, dec): right-justified in len characters; asterisks when it does not fit.
std::string StrText(double number, int64_t length, int64_t decimals)
{
    length = std::clamp<int64_t>(length, 1, 255);
    decimals = std::clamp<int64_t>(decimals, 0, 18);
    std::string digits = FixedPoint(number, static_cast<int>(decimals));
    if (static_cast<int64_t>(digits.size()) > length)
        return std::string(static_cast<size_t>(length), '*');
    return std::string(static_cast<size_t>(length) - digits.size(), ' ') + digits;
}

bool IsEmptyValue(const Value &v)
{
    switch (v.kind()) {
    case Value::Kind::Null:
        return false;
    case Value::Kind::Character:
        return std::all_of(v.text().begin(), v.text().end(),
            [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
    case Value::Kind::Memo:
        return v.text().empty(); // a memo holding blanks is not empty
    case Value::Kind::Numeric:
    case Value::Kind::Integer:
        return v.number() == 0;
    case Value::Kind::Logical:
        return !v.logical();
    case Value::Kind::Date:
    case Value::Kind::DateTime:
        return v.julianDay() == 0;
    }
    return false;
}

} // namespace

int Lookup(std::string_view name, int &minArgs, int &maxArgs)
{
    for (const Entry &entry : Table) {
        if (entry.name == name) {
            minArgs = entry.minArgs;
            maxArgs = entry.maxArgs;
            return entry.code;
        }
    }
    return 0;
}

TypeInfo ResultType(const Node &node)
{
    const auto argType = [&](size_t i) { return node.args[i]->type; };
    switch (node.code) {
    case Iif: {
        TypeInfo a = argType(1), b = argType(2);
        if (a.type == 0)
            return b;
        if (b.type == a.type)
            a.length = std::max(a.length, b.length);
        return a;
    }
    case Nvl:
        return argType(0).type ? argType(0) : argType(1);
    case IsNull:
    case Empty:
        return Logical;
    case Right:
    case Left:
    case Substr: {
        const Node &count = *node.args.back();
        int length = argType(0).length;
        if (count.op == Node::Op::Literal && count.literal.isNumber() && node.code != Substr)
            length = std::clamp(static_cast<int>(count.literal.number()), 0, 254);
        return TextLike(argType(0), length);
    }
    case Upper:
    case Lower:
    case Alltrim:
    case Trim:
    case Ltrim:
        return TextLike(argType(0), argType(0).length);
    case Dtos:
        return { 'C', 8, 0 };
    case Chr:
        return { 'C', 1, 0 };
    case Len:
        return { 'N', 10, 0 };
    case Str:
        return { 'C', 10, 0 };
    case Int:
    case Abs:
    case Round:
        return { 'N', std::max(argType(0).length, 10), node.code == Int ? 0 : argType(0).decimals };
    default:
        return {};
    }
}

void Call(const Node &node, RowState &state)
{
    Value &out = state.result(node.result);
    switch (node.code) {
    case IsNull:
        out = Value::logical(Arg(node, state, 0).isNull());
        return;
    case Nvl: {
        const Value &v = Arg(node, state, 0);
        out = v.isNull() ? Arg(node, state, 1) : v;
        return;
    }
    case Empty:
        out = Value::logical(IsEmptyValue(Arg(node, state, 0)));
        return;
    case Right:
    case Left: {
        const Value &s = TextArg(node, state, 0);
        int64_t count = 0;
        if (s.isNull() || !CountArg(node, state, 1, count)) {
            out = Value();
            return;
        }
        const size_t n = static_cast<size_t>(std::max<int64_t>(count, 0));
        out = SameKind(s,
            std::string(node.code == Right ? text::Right(s.text(), n) : text::Left(s.text(), n)));
        return;
    }
    case Substr: {
        const Value &s = TextArg(node, state, 0);
        int64_t start = 0, count = INT32_MAX;
        if (s.isNull() || !CountArg(node, state, 1, start)
            || (node.args.size() > 2 && !CountArg(node, state, 2, count))) {
            out = Value();
            return;
        }
        const std::string_view all = s.text();
        const size_t from
            = text::ByteOffset(all, static_cast<size_t>(std::max<int64_t>(start, 1) - 1));
        const std::string_view rest = all.substr(from);
        out = SameKind(
            s, std::string(text::Left(rest, static_cast<size_t>(std::max<int64_t>(count, 0)))));
        return;
    }
    case Upper:
    case Lower: {
        const Value &s = TextArg(node, state, 0);
        if (s.isNull())
            out = Value();
        else
            out = SameKind(s,
                node.code == Upper ? state.collation().upper(s.text())
                                   : state.collation().lower(s.text()));
        return;
    }
    case Alltrim:
    case Trim:
    case Ltrim: {
        const Value &s = TextArg(node, state, 0);
        if (s.isNull()) {
            out = Value();
            return;
        }
        std::string_view t = s.text();
        if (node.code != Ltrim)
            t = text::TrimRight(t);
        if (node.code != Trim)
            t = text::TrimLeft(t);
        out = SameKind(s, std::string(t));
        return;
    }
    case Len: {
        const Value &s = TextArg(node, state, 0);
        out = s.isNull() ? Value()
                         : Value::numeric(static_cast<double>(text::CharacterCount(s.text())), 0);
        return;
    }
    case Dtos: {
        const Value &d = Arg(node, state, 0);
        if (d.isNull())
            out = Value();
        else if (d.kind() != Value::Kind::Date && d.kind() != Value::Kind::DateTime)
            ThrowTypeMismatch(node);
        else
            out = Value::character(DateKey(d.julianDay()));
        return;
    }
    case Chr: {
        int64_t code = 0;
        if (!CountArg(node, state, 0, code)) {
            out = Value();
            return;
        }
        if (code < 0 || code > 255)
            ThrowAt(node.position, "CHR", "invalid argument");
        out = Value::character(text::Chr(static_cast<int>(code)));
        return;
    }
    case Str: {
        const Value &n = Arg(node, state, 0);
        int64_t length = 10, decimals = 0;
        if (n.isNull() || (node.args.size() > 1 && !CountArg(node, state, 1, length))
            || (node.args.size() > 2 && !CountArg(node, state, 2, decimals))) {
            out = Value();
            return;
        }
        if (!n.isNumber())
            ThrowTypeMismatch(node);
        out = Value::character(StrText(n.number(), length, decimals));
        return;
    }
    case Int:
    case Abs:
    case Round: {
        const Value &n = Arg(node, state, 0);
        int64_t places = 0;
        if (n.isNull() || (node.code == Round && !CountArg(node, state, 1, places))) {
            out = Value();
            return;
        }
        if (!n.isNumber())
            ThrowTypeMismatch(node);
        if (node.code == Int) {
            out = n.kind() == Value::Kind::Integer ? n : Value::numeric(std::trunc(n.number()), 0);
        } else if (node.code == Abs) {
            out = n.kind() == Value::Kind::Integer
                ? Value::integer(std::llabs(n.integer()))
                : Value::numeric(std::fabs(n.number()), n.decimals());
        } else {
            places = std::clamp<int64_t>(places, -18, 18);
            const double scale = std::pow(10.0, static_cast<double>(places));
            out = Value::numeric(std::round(n.number() * scale) / scale,
                static_cast<int>(std::max<int64_t>(places, 0)));
        }
        return;
    }
    default:
        ThrowTypeMismatch(node);
    }
}

TypeInfo CastType(const Node &node)
{
    switch (node.castType) {
    case 'C':
    case 'V':
        return { 'C', node.castLength, 0 };
    case 'N':
    case 'F':
        return { 'N', node.castLength > 0 ? node.castLength : 10, node.castDecimals };
    case 'B':
    case 'Y':
        return { 'N', 20, node.castDecimals };
    case 'I':
        return { 'I', 4, 0 };
    case 'L':
        return Logical;
    case 'D':
        return { 'D', 8, 0 };
    case 'T':
        return { 'T', 8, 0 };
    default:
        return { 'M', 4, 0 };
    }
}

// CAST as FoxPro converts: texts cut or padded to the width; numbers to text fixed-point;
// texts to numbers by their leading number.
void Cast(const Node &node, const Value &v, Value &out)
{
    if (v.isNull()) {
        out = Value();
        return;
    }
    const char type = node.castType;
    // A text casts as it is; anything else as its text form.
    std::string converted;
    if (v.isNumber()) {
        converted = v.kind() == Value::Kind::Integer
            ? std::to_string(v.integer())
            : FixedPoint(v.number(), std::max(0, v.decimals()));
    } else if (v.kind() == Value::Kind::Logical) {
        converted.assign(1, v.logical() ? 'T' : 'F');
    } else if (!v.isText()) {
        converted = DateKey(v.julianDay());
    }
    const std::string_view asText = v.isText() ? std::string_view(v.text()) : converted;
    switch (type) {
    case 'C':
        text::FixedWidth(
            asText, static_cast<size_t>(node.castLength), out.resetText(Value::Kind::Character));
        return;
    case 'V':
        out = Value::character(
            std::string(text::TrimRight(text::Left(asText, static_cast<size_t>(node.castLength)))));
        return;
    case 'M':
        out = Value::memo(std::string(asText));
        return;
    case 'N':
    case 'F':
    case 'B':
    case 'Y':
    case 'I': {
        double number = 0;
        if (v.isNumber()) {
            number = v.number();
        } else if (v.kind() == Value::Kind::Logical) {
            number = v.logical() ? 1 : 0;
        } else if (v.isText()) {
            const std::string_view t = text::TrimLeft(v.text());
            std::from_chars(t.data(), t.data() + t.size(), number);
        } else {
            ThrowTypeMismatch(node);
        }
        if (type == 'I')
            out = Value::integer(ToInteger(number));
        else
            out = Value::numeric(number, node.castDecimals);
        return;
    }
    case 'L':
        if (v.kind() == Value::Kind::Logical)
            out = v;
        else if (v.isNumber())
            out = Value::logical(v.number() != 0);
        else
            ThrowTypeMismatch(node);
        return;
    case 'D':
        if (v.kind() == Value::Kind::Date || v.kind() == Value::Kind::DateTime)
            out = Value::date(v.julianDay());
        else
            ThrowTypeMismatch(node);
        return;
    case 'T':
        if (v.kind() == Value::Kind::DateTime)
            out = v;
        else if (v.kind() == Value::Kind::Date)
            out = Value::dateTime(v.julianDay(), 0);
        else
            ThrowTypeMismatch(node);
        return;
    default:
        ThrowTypeMismatch(node);
    }
}

std::string DtosKey(int32_t julianDay)
{
    return DateKey(julianDay);
}

} // namespace vfp::sql::functions
