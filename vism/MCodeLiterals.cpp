#include "vism/MCodeLiterals.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr size_t npos = std::string::npos;

struct Span {
    size_t Begin; // the opening quote
    size_t End;   // one past the closing quote
    size_t Size() const { return End - Begin; }
};

// One past the closing quote of the literal opening at At; npos when it is not closed.
size_t LiteralEnd(const std::string& Code, size_t At)
{
    for (size_t i = At + 1; i < Code.size(); ++i) {
        if (Code[i] != '"')
            continue;
        if (i + 1 < Code.size() && Code[i + 1] == '"')
            ++i;
        else
            return i + 1;
    }
    return npos;
}

size_t PatternEnd(const std::string& Code, size_t At);

// One past the ")" closing the alternation opening at At (or the end of the code).
size_t AlternationEnd(const std::string& Code, size_t At)
{
    size_t i = At + 1;
    while (i < Code.size() && Code[i] != ')')
        i = Code[i] == ',' ? i + 1 : std::max(PatternEnd(Code, i), i + 1);
    return std::min(i + 1, Code.size());
}

// One past the pattern starting at At, just after "?": atoms of a repeat count and codes,
// a literal or an alternation. A literal there is part of the pattern, not an expression.
size_t PatternEnd(const std::string& Code, size_t At)
{
    size_t i = At;
    for (;;) {
        while (i < Code.size() && (std::isdigit(static_cast<unsigned char>(Code[i])) || Code[i] == '.'))
            ++i;
        if (i >= Code.size())
            return i;
        if (std::isalpha(static_cast<unsigned char>(Code[i]))) {
            while (i < Code.size() && std::isalpha(static_cast<unsigned char>(Code[i])))
                ++i;
        } else if (Code[i] == '"') {
            const size_t end = LiteralEnd(Code, i);
            if (end == npos)
                return Code.size();
            i = end;
        } else if (Code[i] == '(') {
            i = AlternationEnd(Code, i);
        } else {
            return i;
        }
    }
}

// The literals that stand as expressions: outside comments and patterns.
std::vector<Span> ExpressionLiterals(const std::string& Code)
{
    std::vector<Span> literals;
    size_t i = 0;
    while (i < Code.size()) {
        const char c = Code[i];
        if (c == ';')
            break;
        if (c == '"') {
            const size_t end = LiteralEnd(Code, i);
            if (end == npos)
                break;
            literals.push_back({i, end});
            i = end;
        } else if (c == '?') {
            i = PatternEnd(Code, i + 1);
        } else {
            ++i;
        }
    }
    return literals;
}

// The value of the literal: its text between the quotes, doubled quotes single.
std::string LiteralValue(const std::string& Code, const Span& Literal)
{
    std::string value;
    value.reserve(Literal.Size() - 2);
    for (size_t i = Literal.Begin + 1; i + 1 < Literal.End; ++i) {
        value += Code[i];
        if (Code[i] == '"')
            ++i;
    }
    return value;
}

} // namespace

std::optional<TMLiftedCode> LiftLongLiterals(const std::string& Code, size_t Limit)
{
    if (Code.size() <= Limit)
        return TMLiftedCode{Code, {}};
    std::vector<Span> byLength = ExpressionLiterals(Code);
    std::stable_sort(byLength.begin(), byLength.end(),
                     [](const Span& A, const Span& B) { return A.Size() > B.Size(); });
    // The longest reference any of them can get: %TRVLIT(n).
    const size_t referenceSize = std::strlen(LiteralValuesName) + 2 + std::to_string(byLength.size()).size();
    size_t size = Code.size();
    std::vector<Span> lifted;
    for (const Span& literal : byLength) {
        if (size <= Limit || literal.Size() <= referenceSize)
            break;
        lifted.push_back(literal);
        size -= literal.Size() - referenceSize;
    }
    if (size > Limit)
        return std::nullopt;

    std::sort(lifted.begin(), lifted.end(), [](const Span& A, const Span& B) { return A.Begin < B.Begin; });
    TMLiftedCode result;
    size_t at = 0;
    for (const Span& literal : lifted) {
        result.Literals.push_back(LiteralValue(Code, literal));
        result.Code.append(Code, at, literal.Begin - at);
        result.Code += std::string(LiteralValuesName) + "(" + std::to_string(result.Literals.size()) + ")";
        at = literal.End;
    }
    result.Code.append(Code, at);
    return result;
}
