#include "platform/database/vfp/sql/Lexer.h"

#include "platform/database/vfp/Table.h"
#include "platform/database/vfp/sql/SqlError.h"

#include <cctype>

namespace vfp::sql {

namespace {

bool IsNameStart(unsigned char c)
{
    return std::isalpha(c) || c == '_' || c >= 0x80;
}

bool IsNameChar(unsigned char c)
{
    return IsNameStart(c) || std::isdigit(c);
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i]))
            != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// A dotted word such as .T. or .NULL. starting at `at`; returns its length, 0 when none.
size_t DottedWord(std::string_view text, size_t at, std::string &word)
{
    size_t end = at + 1;
    while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end])))
        ++end;
    if (end == at + 1 || end >= text.size() || text[end] != '.')
        return 0;
    word.clear();
    for (size_t i = at + 1; i < end; ++i)
        word += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    if (word == "T" || word == "F" || word == "Y" || word == "N" || word == "NULL" || word == "AND"
        || word == "OR" || word == "NOT")
        return end + 1 - at;
    return 0;
}

} // namespace

int CharacterPosition(std::string_view text, size_t byteOffset)
{
    int position = 1;
    for (size_t i = 0; i < byteOffset && i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ++position;
    }
    // The offset itself may point into a multi-byte character; count it as that character.
    return position;
}

bool IsKeyword(const Token &token, std::string_view word)
{
    return token.kind == TokenKind::Identifier && EqualsNoCase(token.text, word);
}

void ThrowNear(const Token &token, const std::string &message)
{
    if (token.kind == TokenKind::End)
        throw Error("near end of text: " + message + " at " + std::to_string(token.position),
            token.position);
    std::string shown = token.text;
    if (token.kind == TokenKind::String)
        shown = "'" + shown + "'";
    else if (token.kind == TokenKind::Logical)
        shown = "." + shown + ".";
    else if (token.kind == TokenKind::Null)
        shown = ".NULL.";
    ThrowAt(token.position, shown, message);
}

std::vector<Token> Tokenize(std::string_view text)
{
    std::vector<Token> tokens;
    std::string word;
    size_t i = 0;
    // Character positions are counted on from the last token, keeping the scan linear.
    size_t countedTo = 0;
    int countedPosition = 1;
    const auto positionOf = [&](size_t offset) {
        countedPosition += CharacterPosition(text.substr(countedTo), offset - countedTo) - 1;
        countedTo = offset;
        return countedPosition;
    };
    auto push = [&](TokenKind kind, std::string tokenText, size_t start) {
        tokens.push_back(Token { kind, std::move(tokenText), positionOf(start) });
    };
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t start = i;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            ++i;
            continue;
        }
        if (IsNameStart(c)) {
            while (i < text.size() && IsNameChar(static_cast<unsigned char>(text[i])))
                ++i;
            push(TokenKind::Identifier, std::string(text.substr(start, i - start)), start);
            continue;
        }
        const bool afterName = !tokens.empty() && start > 0
            && IsNameChar(static_cast<unsigned char>(text[start - 1]))
            && tokens.back().kind == TokenKind::Identifier;
        if (c == '.' && !afterName) {
            if (const size_t length = DottedWord(text, i, word)) {
                if (word == "NULL")
                    push(TokenKind::Null, word, start);
                else if (word == "AND" || word == "OR" || word == "NOT")
                    push(TokenKind::Operator, word, start);
                else
                    push(TokenKind::Logical, (word == "T" || word == "Y") ? "T" : "F", start);
                i += length;
                continue;
            }
        }
        if (std::isdigit(c)
            || (c == '.' && !afterName && i + 1 < text.size()
                && std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
                ++i;
            if (i < text.size() && text[i] == '.') {
                ++i;
                while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
                    ++i;
            }
            push(TokenKind::Number, std::string(text.substr(start, i - start)), start);
            continue;
        }
        if (c == '\'' || c == '"' || c == '[') {
            const char close = c == '[' ? ']' : static_cast<char>(c);
            std::string content;
            ++i;
            bool closed = false;
            while (i < text.size()) {
                if (text[i] == close) {
                    // A doubled quote inside '...' or "..." stands for one quote.
                    if (close != ']' && i + 1 < text.size() && text[i + 1] == close) {
                        content += close;
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                content += text[i++];
            }
            if (!closed) {
                Token token { TokenKind::Operator, std::string(1, static_cast<char>(c)),
                    CharacterPosition(text, start) };
                ThrowNear(token, "unterminated string");
            }
            push(TokenKind::String, std::move(content), start);
            continue;
        }
        static constexpr std::string_view twoChar[] = { "==", "<>", "!=", "<=", ">=" };
        bool matched = false;
        for (std::string_view op : twoChar) {
            if (text.substr(i, 2) == op) {
                push(TokenKind::Operator, std::string(op), start);
                i += 2;
                matched = true;
                break;
            }
        }
        if (matched)
            continue;
        static constexpr std::string_view oneChar = "=<>!#+-*/%(),.;";
        if (oneChar.find(static_cast<char>(c)) != std::string_view::npos) {
            push(TokenKind::Operator, std::string(1, static_cast<char>(c)), start);
            ++i;
            continue;
        }
        Token bad { TokenKind::Operator, std::string(1, static_cast<char>(c)),
            CharacterPosition(text, start) };
        ThrowNear(bad, "unrecognized character");
    }
    tokens.push_back(Token { TokenKind::End, {}, positionOf(text.size()) });
    return tokens;
}

} // namespace vfp::sql
