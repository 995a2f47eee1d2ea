#pragma once

// Index key expressions the engine can evaluate, and the bytes FoxPro stores for each key type.
// Supported: a bare field (C N F B D I L), UPPER() and LOWER() of text, STR(n[, len[, dec]]),
// DTOS(d), and concatenations of text pieces with "+". FOR expressions: DELETED() and its
// negations (.NOT., NOT, !). Anything else is reported as not maintainable.

#include "platform/database/vfp/CodePage.h"
#include "platform/database/vfp/DbfHeader.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vfp {

class KeyExpression
{
public:
    // Returns null (and sets why) when the expression is not one this engine can evaluate.
    static std::unique_ptr<KeyExpression> parse(
        std::string_view text, const DbfHeader &header, std::string &why);

    virtual ~KeyExpression() = default;
    virtual int length() const = 0;
    virtual bool isCharacter() const = 0;
    // The key's bytes for a record (exactly length() bytes).
    virtual std::string evaluate(
        const char *record, const DbfHeader &header, const CodePage &codePage) const = 0;
    // Fields (indexes into header.fields) the key reads.
    virtual void collectFields(std::vector<int> &out) const = 0;
};

// FOR condition: always true, only live records, or only deleted records.
enum class ForCondition { None, NotDeleted, Deleted, Unsupported };
ForCondition ParseForCondition(std::string_view text);

// Key encodings shared by the evaluator and the tests.
std::string EncodeDoubleKey(double value);
std::string EncodeIntegerKey(int32_t value);

// Field indexes an expression's names refer to (any word equal to a field name), for deciding
// which tags an update touches even when the expression itself cannot be evaluated.
std::vector<int> FieldsNamedIn(std::string_view text, const DbfHeader &header);

} // namespace vfp
