#pragma once

#include "platform/database/vfp/sql/Ast.h"
#include "platform/database/vfp/sql/Lexer.h"

#include <string_view>

namespace vfp::sql {

// Builds the syntax tree of one statement: SELECT, INSERT INTO, UPDATE or EXECSCRIPT(...).
// Anything outside the dialect throws vfp::Error naming the token and its position.
Statement ParseStatement(std::string_view sql);

// One expression making up the whole text (script arguments, index keys).
ExprPtr ParseExpression(std::string_view text);

class Parser
{
public:
    explicit Parser(std::string_view text);

    Statement statement();
    ExprPtr wholeExpression();

private:
    const Token &peek(size_t ahead = 0) const;
    const Token &advance();
    bool acceptKeyword(std::string_view word);
    bool acceptOperator(std::string_view op);
    void expectKeyword(std::string_view word);
    void expectOperator(std::string_view op);
    std::string expectName(const char *what);
    [[noreturn]] void fail(const Token &token) const;
    void expectEnd();

    std::unique_ptr<SelectStatement> select();
    std::unique_ptr<InsertStatement> insert();
    std::unique_ptr<UpdateStatement> update();
    std::unique_ptr<ExecScriptStatement> execScript();
    TableRef tableRef(bool allowAlias);

    ExprPtr expression();
    ExprPtr orExpr();
    ExprPtr andExpr();
    ExprPtr notExpr();
    ExprPtr comparison();
    ExprPtr additive();
    ExprPtr multiplicative();
    ExprPtr unary();
    ExprPtr primary();
    ExprPtr functionCall(const Token &name);
    ExprPtr cast(const Token &name);

    // Guards the recursion of parsing, binding and evaluation.
    void enter();
    void checkDepth(const Expr &expr) const;
    int m_nesting = 0;

    std::vector<Token> m_tokens;
    size_t m_at = 0;
};

} // namespace vfp::sql
