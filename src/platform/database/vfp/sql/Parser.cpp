#include "platform/database/vfp/sql/Parser.h"

#include "platform/database/vfp/Table.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace vfp::sql {

namespace {

// Words that end an item or clause and so never stand as an implicit alias.
constexpr std::string_view Reserved[]
    = { "FROM", "WHERE", "LEFT", "RIGHT", "INNER", "OUTER", "FULL", "JOIN", "ON", "ORDER", "BY",
          "AS", "AND", "OR", "NOT", "IN", "LIKE", "IS", "NULL", "DISTINCT", "SELECT", "GROUP",
          "HAVING", "UNION", "INTO", "SET", "VALUES", "DESC", "ASC", "CROSS" };

bool IsReserved(const Token &token)
{
    return std::any_of(std::begin(Reserved), std::end(Reserved),
        [&](std::string_view word) { return IsKeyword(token, word); });
}

ExprPtr MakeExpr(Expr::Kind kind, int position)
{
    auto expr = std::make_unique<Expr>();
    expr->kind = kind;
    expr->position = position;
    return expr;
}

constexpr int MaxDepth = 400;

void SetDepth(Expr &expr)
{
    for (const ExprPtr &arg : expr.args)
        expr.depth = std::max(expr.depth, arg->depth + 1);
}

ExprPtr MakeBinary(std::string op, ExprPtr left, ExprPtr right, int position)
{
    auto expr = MakeExpr(Expr::Kind::Binary, position);
    expr->op = std::move(op);
    expr->depth = std::max(left->depth, right->depth) + 1;
    expr->args.push_back(std::move(left));
    expr->args.push_back(std::move(right));
    return expr;
}

Value NumberLiteral(const Token &token)
{
    double number = 0;
    const char *begin = token.text.data();
    const char *end = begin + token.text.size();
    const auto [ptr, ec] = std::from_chars(begin, end, number);
    if (ec != std::errc() || ptr != end)
        ThrowNear(token, "invalid number");
    const size_t point = token.text.find('.');
    const int decimals
        = point == std::string::npos ? 0 : static_cast<int>(token.text.size() - point - 1);
    return Value::numeric(number, decimals);
}

// A width or decimal count: whole digits, at most 4 of them.
int SmallNumber(const Token &token)
{
    int number = 0;
    const char *begin = token.text.data();
    const char *end = begin + token.text.size();
    const auto [ptr, ec] = std::from_chars(begin, end, number);
    if (ec != std::errc() || ptr != end || number > 9999)
        ThrowNear(token, "invalid field width");
    return number;
}

} // namespace

Statement ParseStatement(std::string_view sql)
{
    return Parser(sql).statement();
}

ExprPtr ParseExpression(std::string_view text)
{
    return Parser(text).wholeExpression();
}

Parser::Parser(std::string_view text)
    : m_tokens(Tokenize(text))
{ }

const Token &Parser::peek(size_t ahead) const
{
    return m_tokens[std::min(m_at + ahead, m_tokens.size() - 1)];
}

const Token &Parser::advance()
{
    const Token &token = peek();
    if (m_at < m_tokens.size() - 1)
        ++m_at;
    return token;
}

bool Parser::acceptKeyword(std::string_view word)
{
    if (!IsKeyword(peek(), word))
        return false;
    advance();
    return true;
}

bool Parser::acceptOperator(std::string_view op)
{
    if (peek().kind != TokenKind::Operator || peek().text != op)
        return false;
    advance();
    return true;
}

void Parser::expectKeyword(std::string_view word)
{
    if (!acceptKeyword(word))
        fail(peek());
}

void Parser::expectOperator(std::string_view op)
{
    if (!acceptOperator(op))
        fail(peek());
}

std::string Parser::expectName(const char *what)
{
    const Token &token = peek();
    if (token.kind != TokenKind::Identifier || IsReserved(token))
        ThrowNear(token, std::string("syntax error, ") + what + " expected");
    advance();
    return token.text;
}

void Parser::fail(const Token &token) const
{
    ThrowNear(token, "syntax error");
}

void Parser::expectEnd()
{
    acceptOperator(";");
    if (peek().kind != TokenKind::End)
        fail(peek());
}

Statement Parser::statement()
{
    Statement result;
    const Token &first = peek();
    if (IsKeyword(first, "SELECT")) {
        result.kind = Statement::Kind::Select;
        result.select = select();
    } else if (IsKeyword(first, "INSERT")) {
        result.kind = Statement::Kind::Insert;
        result.insert = insert();
    } else if (IsKeyword(first, "UPDATE")) {
        result.kind = Statement::Kind::Update;
        result.update = update();
    } else if (IsKeyword(first, "EXECSCRIPT")) {
        result.kind = Statement::Kind::ExecScript;
        result.execScript = execScript();
    } else {
        fail(first);
    }
    expectEnd();
    return result;
}

ExprPtr Parser::wholeExpression()
{
    ExprPtr expr = expression();
    if (peek().kind != TokenKind::End)
        fail(peek());
    return expr;
}

TableRef Parser::tableRef(bool allowAlias)
{
    TableRef ref;
    ref.position = peek().position;
    ref.name = expectName("table name");
    if (!allowAlias)
        return ref;
    if (acceptKeyword("AS"))
        ref.alias = expectName("alias");
    else if (peek().kind == TokenKind::Identifier && !IsReserved(peek()))
        ref.alias = advance().text;
    return ref;
}

std::unique_ptr<SelectStatement> Parser::select()
{
    auto stmt = std::make_unique<SelectStatement>();
    expectKeyword("SELECT");
    if (acceptKeyword("DISTINCT"))
        stmt->distinct = true;
    else
        acceptKeyword("ALL");
    do {
        SelectItem item;
        if (acceptOperator("*")) {
            item.star = true;
        } else if (peek().kind == TokenKind::Identifier && peek(1).text == "."
            && peek(2).kind == TokenKind::Operator && peek(2).text == "*") {
            item.star = true;
            item.starTable = advance().text;
            advance();
            advance();
        } else {
            // A column alias needs AS, so a misspelt keyword is not taken for one.
            item.expr = expression();
            if (acceptKeyword("AS"))
                item.alias = expectName("column alias");
        }
        stmt->items.push_back(std::move(item));
    } while (acceptOperator(","));

    expectKeyword("FROM");
    stmt->from = tableRef(true);
    for (;;) {
        Join join;
        if (acceptKeyword("LEFT")) {
            acceptKeyword("OUTER");
            expectKeyword("JOIN");
        } else if (acceptKeyword("INNER")) {
            join.left = false;
            expectKeyword("JOIN");
        } else if (acceptKeyword("JOIN")) {
            join.left = false;
        } else {
            break;
        }
        join.table = tableRef(true);
        expectKeyword("ON");
        join.on = expression();
        stmt->joins.push_back(std::move(join));
    }
    if (acceptKeyword("WHERE"))
        stmt->where = expression();
    if (acceptKeyword("ORDER")) {
        expectKeyword("BY");
        do {
            OrderItem item;
            item.position = peek().position;
            item.expr = expression();
            if (acceptKeyword("DESC"))
                item.descending = true;
            else
                acceptKeyword("ASC");
            stmt->orderBy.push_back(std::move(item));
        } while (acceptOperator(","));
    }
    return stmt;
}

std::unique_ptr<InsertStatement> Parser::insert()
{
    auto stmt = std::make_unique<InsertStatement>();
    expectKeyword("INSERT");
    expectKeyword("INTO");
    stmt->table = tableRef(false);
    if (acceptOperator("(")) {
        do {
            stmt->columnPositions.push_back(peek().position);
            stmt->columns.push_back(expectName("column name"));
        } while (acceptOperator(","));
        expectOperator(")");
    }
    expectKeyword("VALUES");
    expectOperator("(");
    do {
        stmt->values.push_back(expression());
    } while (acceptOperator(","));
    expectOperator(")");
    return stmt;
}

std::unique_ptr<UpdateStatement> Parser::update()
{
    auto stmt = std::make_unique<UpdateStatement>();
    expectKeyword("UPDATE");
    stmt->table = tableRef(false);
    expectKeyword("SET");
    do {
        Assignment assignment;
        assignment.position = peek().position;
        assignment.column = expectName("column name");
        // A qualified target (t.col) names the updated table's column.
        if (acceptOperator("."))
            assignment.column = expectName("column name");
        expectOperator("=");
        assignment.value = expression();
        stmt->assignments.push_back(std::move(assignment));
    } while (acceptOperator(","));
    if (acceptKeyword("WHERE"))
        stmt->where = expression();
    return stmt;
}

std::unique_ptr<ExecScriptStatement> Parser::execScript()
{
    auto stmt = std::make_unique<ExecScriptStatement>();
    expectKeyword("EXECSCRIPT");
    expectOperator("(");
    stmt->script = expression();
    expectOperator(")");
    return stmt;
}

// Each nested expression and each operator adds to the tree's height; past MaxDepth the
// statement is refused rather than risking the stack.
void Parser::enter()
{
    if (++m_nesting > MaxDepth)
        ThrowNear(peek(), "expression is nested too deeply");
}

void Parser::checkDepth(const Expr &expr) const
{
    if (expr.depth > MaxDepth)
        throw Error(
            "expression is nested too deeply at " + std::to_string(expr.position), expr.position);
}

ExprPtr Parser::expression()
{
    enter();
    ExprPtr expr = orExpr();
    --m_nesting;
    return expr;
}

ExprPtr Parser::orExpr()
{
    ExprPtr left = andExpr();
    while (IsKeyword(peek(), "OR") || (peek().kind == TokenKind::Operator && peek().text == "OR")) {
        const int position = advance().position;
        left = MakeBinary("OR", std::move(left), andExpr(), position);
        checkDepth(*left);
    }
    return left;
}

ExprPtr Parser::andExpr()
{
    ExprPtr left = notExpr();
    while (
        IsKeyword(peek(), "AND") || (peek().kind == TokenKind::Operator && peek().text == "AND")) {
        const int position = advance().position;
        left = MakeBinary("AND", std::move(left), notExpr(), position);
        checkDepth(*left);
    }
    return left;
}

ExprPtr Parser::notExpr()
{
    const Token &token = peek();
    if (IsKeyword(token, "NOT")
        || (token.kind == TokenKind::Operator && (token.text == "!" || token.text == "NOT"))) {
        advance();
        enter();
        auto expr = MakeExpr(Expr::Kind::Unary, token.position);
        expr->op = "NOT";
        expr->args.push_back(notExpr());
        expr->depth = expr->args[0]->depth + 1;
        --m_nesting;
        return expr;
    }
    return comparison();
}

ExprPtr Parser::comparison()
{
    ExprPtr left = additive();
    for (;;) {
        const Token &token = peek();
        if (token.kind == TokenKind::Operator
            && (token.text == "=" || token.text == "==" || token.text == "<>" || token.text == "!="
                || token.text == "#" || token.text == "<" || token.text == "<=" || token.text == ">"
                || token.text == ">=")) {
            advance();
            std::string op = token.text == "!=" || token.text == "#" ? "<>" : token.text;
            left = MakeBinary(std::move(op), std::move(left), additive(), token.position);
            checkDepth(*left);
            continue;
        }
        bool negated = false;
        size_t ahead = 0;
        if (IsKeyword(token, "NOT") && (IsKeyword(peek(1), "LIKE") || IsKeyword(peek(1), "IN"))) {
            negated = true;
            ahead = 1;
        }
        const Token &word = peek(ahead);
        if (IsKeyword(word, "LIKE")) {
            m_at += ahead + 1;
            auto expr = MakeExpr(Expr::Kind::Like, word.position);
            expr->negated = negated;
            expr->args.push_back(std::move(left));
            expr->args.push_back(additive());
            left = std::move(expr);
            SetDepth(*left);
            checkDepth(*left);
            continue;
        }
        if (IsKeyword(word, "IN")) {
            m_at += ahead + 1;
            auto expr = MakeExpr(Expr::Kind::In, word.position);
            expr->negated = negated;
            expr->args.push_back(std::move(left));
            expectOperator("(");
            do {
                expr->args.push_back(expression());
            } while (acceptOperator(","));
            expectOperator(")");
            left = std::move(expr);
            SetDepth(*left);
            checkDepth(*left);
            continue;
        }
        if (IsKeyword(token, "IS")) {
            advance();
            auto expr = MakeExpr(Expr::Kind::IsNull, token.position);
            expr->negated = acceptKeyword("NOT");
            expectKeyword("NULL");
            expr->args.push_back(std::move(left));
            left = std::move(expr);
            SetDepth(*left);
            checkDepth(*left);
            continue;
        }
        return left;
    }
}

ExprPtr Parser::additive()
{
    ExprPtr left = multiplicative();
    while (peek().kind == TokenKind::Operator && (peek().text == "+" || peek().text == "-")) {
        const Token &token = advance();
        left = MakeBinary(token.text, std::move(left), multiplicative(), token.position);
        checkDepth(*left);
    }
    return left;
}

ExprPtr Parser::multiplicative()
{
    ExprPtr left = unary();
    while (peek().kind == TokenKind::Operator
        && (peek().text == "*" || peek().text == "/" || peek().text == "%")) {
        const Token &token = advance();
        left = MakeBinary(token.text, std::move(left), unary(), token.position);
        checkDepth(*left);
    }
    return left;
}

ExprPtr Parser::unary()
{
    const Token &token = peek();
    if (token.kind == TokenKind::Operator && (token.text == "-" || token.text == "+")) {
        advance();
        enter();
        auto expr = MakeExpr(Expr::Kind::Unary, token.position);
        expr->op = token.text;
        expr->args.push_back(unary());
        expr->depth = expr->args[0]->depth + 1;
        --m_nesting;
        return expr;
    }
    return primary();
}

ExprPtr Parser::primary()
{
    const Token &token = peek();
    switch (token.kind) {
    case TokenKind::Number: {
        advance();
        auto expr = MakeExpr(Expr::Kind::Literal, token.position);
        expr->value = NumberLiteral(token);
        return expr;
    }
    case TokenKind::String: {
        advance();
        auto expr = MakeExpr(Expr::Kind::Literal, token.position);
        expr->value = Value::character(token.text);
        return expr;
    }
    case TokenKind::Logical: {
        advance();
        auto expr = MakeExpr(Expr::Kind::Literal, token.position);
        expr->value = Value::logical(token.text == "T");
        return expr;
    }
    case TokenKind::Null: {
        advance();
        return MakeExpr(Expr::Kind::Literal, token.position);
    }
    case TokenKind::Operator:
        if (token.text == "(") {
            advance();
            ExprPtr inner = expression();
            expectOperator(")");
            return inner;
        }
        fail(token);
    case TokenKind::Identifier: {
        if (IsKeyword(token, "NULL")) {
            advance();
            return MakeExpr(Expr::Kind::Literal, token.position);
        }
        const bool call = peek(1).kind == TokenKind::Operator && peek(1).text == "(";
        // LEFT and RIGHT are join words and functions: a call is told by its "(".
        if (IsReserved(token) && !(call && (IsKeyword(token, "LEFT") || IsKeyword(token, "RIGHT"))))
            fail(token);
        advance();
        if (call)
            return IsKeyword(token, "CAST") ? cast(token) : functionCall(token);
        auto expr = MakeExpr(Expr::Kind::Column, token.position);
        if (peek().kind == TokenKind::Operator && peek().text == "."
            && peek(1).kind == TokenKind::Identifier) {
            advance();
            expr->qualifier = token.text;
            expr->name = advance().text;
        } else {
            expr->name = token.text;
        }
        return expr;
    }
    case TokenKind::End:
        break;
    }
    fail(token);
}

ExprPtr Parser::functionCall(const Token &name)
{
    auto expr = MakeExpr(Expr::Kind::Function, name.position);
    expr->op = AsciiUpper(name.text);
    expectOperator("(");
    if (!acceptOperator(")")) {
        do {
            expr->args.push_back(expression());
        } while (acceptOperator(","));
        expectOperator(")");
    }
    return expr;
}

ExprPtr Parser::cast(const Token &name)
{
    auto expr = MakeExpr(Expr::Kind::Cast, name.position);
    expectOperator("(");
    expr->args.push_back(expression());
    expectKeyword("AS");
    const Token &type = peek();
    const std::string typeName = AsciiUpper(expectName("type"));
    if (typeName.size() != 1
        || std::string_view("CNFILDTMBYV").find(typeName[0]) == std::string_view::npos)
        ThrowNear(type, "unsupported type");
    expr->castType = typeName[0];
    if (acceptOperator("(")) {
        const Token &length = peek();
        if (length.kind != TokenKind::Number)
            fail(length);
        advance();
        expr->castLength = SmallNumber(length);
        if (acceptOperator(",")) {
            const Token &decimals = peek();
            if (decimals.kind != TokenKind::Number)
                fail(decimals);
            advance();
            expr->castDecimals = SmallNumber(decimals);
        }
        expectOperator(")");
    }
    // Widths as a table field could hold them.
    if ((expr->castType == 'C' || expr->castType == 'V')
        && (expr->castLength < 1 || expr->castLength > 254))
        ThrowNear(type, "invalid field width");
    if ((expr->castType == 'N' || expr->castType == 'F')
        && (expr->castLength > 20 || expr->castDecimals > 18))
        ThrowNear(type, "invalid field width");
    expectOperator(")");
    return expr;
}

} // namespace vfp::sql
