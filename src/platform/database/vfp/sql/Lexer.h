#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vfp::sql {

enum class TokenKind {
    Identifier, // names and keywords
    Number,
    String, // '...', "..." or [...]; text holds the content
    Logical, // .T. .F. (.Y. .N.); text "T" or "F"
    Null, // .NULL.
    Operator, // punctuation and operators; text is the operator, e.g. "==" "(" "!"
    End
};

struct Token
{
    TokenKind kind = TokenKind::End;
    std::string text;
    int position = 0; // 1-based character position in the statement
};

// Splits a statement into tokens. Dotted words (.AND. .OR. .NOT.) become the operators
// AND, OR, NOT. Throws vfp::Error for an unterminated string or a character outside the dialect.
std::vector<Token> Tokenize(std::string_view text);

// 1-based character position of a byte offset in UTF-8 text.
int CharacterPosition(std::string_view text, size_t byteOffset);

// True when a token is the identifier `word` in any letter case.
bool IsKeyword(const Token &token, std::string_view word);

// `near "TEXT": message at N`, the engine's error for a statement it cannot run.
[[noreturn]] void ThrowNear(const Token &token, const std::string &message);

} // namespace vfp::sql
