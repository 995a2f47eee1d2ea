#include "platform/database/vfp/sql/Script.h"

#include "platform/database/vfp/sql/Lexer.h"
#include "platform/database/vfp/sql/Parser.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace vfp::sql {

namespace {

std::string_view Trim(std::string_view text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Splits off the next blank-separated word.
std::string_view NextWord(std::string_view &rest)
{
    rest = Trim(rest);
    size_t end = 0;
    while (end < rest.size() && rest[end] != ' ' && rest[end] != '\t')
        ++end;
    const std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

class ScriptRunner
{
public:
    explicit ScriptRunner(Database &database)
        : m_database(database)
    { }

    void line(std::string_view text);

private:
    void setDefault(std::string_view rest);
    void createTable(std::string_view text);
    void use(std::string_view text);
    void indexOn(std::string_view rest);
    NewField fieldDefinition(const std::vector<Token> &tokens, size_t &at);
    static void sameStructure(
        const Table &table, const std::vector<NewField> &fields, const std::string &name);

    Database &m_database;
    std::string m_current; // the table open in the work area
};

void ScriptRunner::line(std::string_view text)
{
    std::string_view rest = text;
    const std::string verb = AsciiUpper(NextWord(rest));
    std::string_view afterVerb = rest;
    const std::string object = AsciiUpper(NextWord(rest));
    if (verb == "SET" && object == "DEFAULT") {
        std::string_view to = rest;
        if (AsciiUpper(NextWord(to)) != "TO")
            throw Error("near \"" + std::string(Trim(rest)) + "\": syntax error, TO expected");
        setDefault(to);
    } else if (verb == "CREATE" && object == "TABLE") {
        createTable(text);
    } else if (verb == "USE") {
        use(afterVerb);
    } else if (verb == "INDEX" && object == "ON") {
        indexOn(rest);
    } else if (verb == "CLOSE" && (object == "ALL" || object == "TABLES" || object == "DATABASES")
        && Trim(rest).empty()) {
        m_database.closeAll();
        m_current.clear();
    } else {
        throw Error("near \"" + std::string(Trim(text).substr(0, 40)) + "\": unrecognized command");
    }
}

void ScriptRunner::setDefault(std::string_view rest)
{
    std::string_view path = Trim(rest);
    if (path.size() >= 2
        && ((path.front() == '"' && path.back() == '"')
            || (path.front() == '\'' && path.back() == '\'')
            || (path.front() == '[' && path.back() == ']')))
        path = path.substr(1, path.size() - 2);
    if (path.empty())
        throw Error("SET DEFAULT TO needs a folder");
    m_database.setDefaultFolder(std::string(path));
}

NewField ScriptRunner::fieldDefinition(const std::vector<Token> &tokens, size_t &at)
{
    const auto expect = [&](TokenKind kind, std::string_view text) {
        const Token &token = tokens[at];
        if (token.kind != kind || (!text.empty() && token.text != text))
            ThrowNear(token, "syntax error");
        ++at;
        return token;
    };
    const auto number = [&]() {
        const Token token = expect(TokenKind::Number, {});
        int value = -1;
        const auto [ptr, ec]
            = std::from_chars(token.text.data(), token.text.data() + token.text.size(), value);
        if (ec != std::errc() || ptr != token.text.data() + token.text.size())
            ThrowNear(token, "invalid field width");
        return std::pair<int, Token>(value, token);
    };

    NewField field;
    const Token name = expect(TokenKind::Identifier, {});
    field.name = AsciiUpper(name.text);
    if (field.name.size() > 10)
        ThrowNear(name, "field name is longer than 10 characters");
    const Token type = expect(TokenKind::Identifier, {});
    const std::string typeName = AsciiUpper(type.text);
    if (typeName.size() != 1
        || std::string_view("CNFILDTMBY").find(typeName[0]) == std::string_view::npos)
        ThrowNear(type, "unsupported field type");
    field.type = typeName[0];
    int length = -1, decimals = 0;
    Token widthToken = type;
    if (tokens[at].kind == TokenKind::Operator && tokens[at].text == "(") {
        ++at;
        std::tie(length, widthToken) = number();
        if (tokens[at].kind == TokenKind::Operator && tokens[at].text == ",") {
            ++at;
            decimals = number().first;
        }
        expect(TokenKind::Operator, ")");
    }
    switch (field.type) {
    case 'C':
        if (length < 1 || length > 254)
            ThrowNear(widthToken, "invalid field width");
        break;
    case 'N':
    case 'F':
        if (length < 1 || length > 20 || decimals < 0 || (decimals > 0 && decimals >= length))
            ThrowNear(widthToken, "invalid field width");
        break;
    case 'B':
        length = 8;
        if (decimals > 18)
            ThrowNear(widthToken, "invalid field width");
        break;
    default:
        // Fixed-width types take their own width; a width written for them is ignored.
        length = field.type == 'L' ? 1 : (field.type == 'I' || field.type == 'M') ? 4 : 8;
        decimals = 0;
        break;
    }
    field.length = length;
    field.decimals = decimals;
    if (IsKeyword(tokens[at], "NULL")) {
        field.nullable = true;
        ++at;
    } else if (IsKeyword(tokens[at], "NOT") && IsKeyword(tokens[at + 1], "NULL")) {
        at += 2;
    }
    return field;
}

void ScriptRunner::createTable(std::string_view text)
{
    const std::vector<Token> tokens = Tokenize(text);
    size_t at = 2; // CREATE TABLE
    const Token &name = tokens[at];
    if (name.kind != TokenKind::Identifier && name.kind != TokenKind::String)
        ThrowNear(name, "syntax error, table name expected");
    ++at;
    if (!IsKeyword(tokens[at], "FREE"))
        ThrowNear(tokens[at], "only free tables can be created");
    ++at;
    if (tokens[at].kind != TokenKind::Operator || tokens[at].text != "(")
        ThrowNear(tokens[at], "syntax error");
    ++at;
    std::vector<NewField> fields;
    for (;;) {
        const Token &start = tokens[at];
        NewField field = fieldDefinition(tokens, at);
        for (const NewField &other : fields) {
            if (other.name == field.name)
                ThrowNear(start, "field name is a duplicate");
        }
        fields.push_back(std::move(field));
        if (tokens[at].kind == TokenKind::Operator && tokens[at].text == ",") {
            ++at;
            continue;
        }
        break;
    }
    if (tokens[at].kind != TokenKind::Operator || tokens[at].text != ")")
        ThrowNear(tokens[at], "syntax error");
    ++at;
    if (tokens[at].kind != TokenKind::End)
        ThrowNear(tokens[at], "syntax error");

    // An existing table is never replaced: with the same columns it is kept as it is (its
    // rows survive and the script goes on to rebuild its index); with others it is an error.
    if (m_database.tableExists(name.text)) {
        sameStructure(*m_database.table(name.text), fields, name.text);
    } else {
        m_database.createFreeTable(name.text, fields);
    }
    m_current = name.text;
}

void ScriptRunner::sameStructure(
    const Table &table, const std::vector<NewField> &fields, const std::string &name)
{
    const auto &existing = table.fields();
    bool same = existing.size() == fields.size();
    for (size_t i = 0; same && i < fields.size(); ++i) {
        same = AsciiUpper(existing[i].name) == fields[i].name && existing[i].type == fields[i].type
            && existing[i].length == fields[i].length && existing[i].decimals == fields[i].decimals;
    }
    if (!same)
        throw Error("table " + name + " already exists with other columns");
}

void ScriptRunner::use(std::string_view rest)
{
    std::string_view words = rest;
    const std::string_view name = NextWord(words);
    if (name.empty()) {
        m_current.clear(); // USE alone closes the work area
        return;
    }
    for (std::string_view option = NextWord(words); !option.empty(); option = NextWord(words)) {
        const std::string upper = AsciiUpper(option);
        if (upper != "EXCLUSIVE" && upper != "SHARED" && upper != "AGAIN")
            throw Error("near \"" + std::string(option) + "\": unsupported USE clause");
    }
    std::string table(name);
    if (table.size() >= 2 && (table.front() == '"' || table.front() == '\'')
        && table.back() == table.front())
        table = table.substr(1, table.size() - 2);
    m_database.table(table); // throws when it cannot be opened
    m_current = table;
}

void ScriptRunner::indexOn(std::string_view rest)
{
    // INDEX ON <expression> TAG <name>: the key expression is everything before the last TAG.
    const std::string upper = AsciiUpper(rest);
    size_t tag = std::string::npos;
    for (size_t at = upper.find("TAG"); at != std::string::npos; at = upper.find("TAG", at + 1)) {
        const bool before = at == 0 || upper[at - 1] == ' ' || upper[at - 1] == '\t';
        const bool after = at + 3 < upper.size() && (upper[at + 3] == ' ' || upper[at + 3] == '\t');
        if (before && after)
            tag = at;
    }
    if (tag == std::string::npos)
        throw Error("INDEX ON needs a TAG name");
    const std::string expression(Trim(rest.substr(0, tag)));
    std::string_view after = rest.substr(tag + 3);
    const std::string tagName(NextWord(after));
    if (expression.empty() || tagName.empty() || !Trim(after).empty())
        throw Error("near \"" + std::string(Trim(rest)) + "\": syntax error in INDEX ON");
    ParseExpression(expression); // the key must at least be an expression of the dialect
    if (m_current.empty())
        throw Error("no table is open in the current work area");
    m_database.createIndexTag(m_current, expression, AsciiUpper(tagName));
}

} // namespace

void RunScript(Database &database, std::string_view script)
{
    ScriptRunner runner(database);
    int lineNumber = 0;
    size_t start = 0;
    while (start <= script.size()) {
        size_t end = script.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = script.size();
        const std::string_view line = Trim(script.substr(start, end - start));
        ++lineNumber;
        if (!line.empty() && line.front() != '*') {
            try {
                runner.line(line);
            } catch (const Exception &error) {
                throw Error("script line " + std::to_string(lineNumber) + ": "
                    + error.message().toStdString());
            }
        }
        if (end < script.size() && script[end] == '\r' && end + 1 < script.size()
            && script[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
}

} // namespace vfp::sql
