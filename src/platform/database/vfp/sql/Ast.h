#pragma once

#include "platform/database/vfp/Value.h"

#include <memory>
#include <string>
#include <vector>

namespace vfp::sql {

// An expression of the syntax tree. The parser only builds it; names are resolved by the
// executor when it binds the expression to its tables.
struct Expr
{
    enum class Kind {
        Literal, // value
        Column, // qualifier (may be empty), name
        Unary, // op: "NOT" "-" "+"; args[0]
        Binary, // op: "AND" "OR" "=" "==" "<>" "<" "<=" ">" ">=" "+" "-" "*" "/" "%"
        Like, // args[0] LIKE args[1]; negated
        In, // args[0] IN (args[1..]); negated
        IsNull, // args[0] IS [NOT] NULL; negated
        Function, // name (upper case), args
        Cast, // args[0] AS castType(castLength, castDecimals)
    };

    Kind kind = Kind::Literal;
    int position = 0;
    std::string op; // operator, or function name
    std::string qualifier; // Column: table name or alias as written
    std::string name; // Column: field name as written
    Value value; // Literal
    bool negated = false;
    char castType = 'C';
    int castLength = 0;
    int castDecimals = 0;
    int depth = 1; // height of the tree below and including this node
    std::vector<std::unique_ptr<Expr>> args;
};
using ExprPtr = std::unique_ptr<Expr>;

struct TableRef
{
    std::string name; // as written: a table name or a path
    std::string alias; // empty when none
    int position = 0;
};

struct SelectItem
{
    ExprPtr expr; // null for * and t.*
    std::string starTable; // t of t.*; empty for *
    bool star = false;
    std::string alias; // AS name; empty when none
};

struct Join
{
    bool left = true; // LEFT [OUTER] JOIN; false for [INNER] JOIN
    TableRef table;
    ExprPtr on;
};

struct OrderItem
{
    ExprPtr expr; // a column name, or a number literal (1-based ordinal)
    bool descending = false;
    int position = 0;
};

struct SelectStatement
{
    bool distinct = false;
    std::vector<SelectItem> items;
    TableRef from;
    std::vector<Join> joins;
    ExprPtr where;
    std::vector<OrderItem> orderBy;
};

struct Assignment
{
    std::string column;
    int position = 0;
    ExprPtr value;
};

struct InsertStatement
{
    TableRef table;
    std::vector<std::string> columns; // empty: every field in order
    std::vector<int> columnPositions;
    std::vector<ExprPtr> values;
};

struct UpdateStatement
{
    TableRef table;
    std::vector<Assignment> assignments;
    ExprPtr where;
};

struct ExecScriptStatement
{
    ExprPtr script;
};

struct Statement
{
    enum class Kind { Select, Insert, Update, ExecScript };
    Kind kind = Kind::Select;
    std::unique_ptr<SelectStatement> select;
    std::unique_ptr<InsertStatement> insert;
    std::unique_ptr<UpdateStatement> update;
    std::unique_ptr<ExecScriptStatement> execScript;
};

} // namespace vfp::sql
