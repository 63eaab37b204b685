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

bool IsLetter(char C)
{
    return std::isalpha(static_cast<unsigned char>(C)) != 0;
}

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

// One past the pattern starting at At, just after a pattern-match "?": repeat counts,
// codes, literals and alternations, nested to any depth (counted, not recursed, so no
// code can exhaust the stack). A literal there is part of the pattern, not an expression.
size_t PatternEnd(const std::string& Code, size_t At)
{
    size_t i = At;
    size_t depth = 0; // open alternations
    while (i < Code.size()) {
        const char c = Code[i];
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.' || IsLetter(c)) {
            ++i;
        } else if (c == '"') {
            i = LiteralEnd(Code, i);
            if (i == npos)
                return Code.size();
        } else if (c == '(') {
            ++depth;
            ++i;
        } else if (depth > 0 && c == ')') {
            --depth;
            ++i;
        } else if (depth > 0 && c != ' ') {
            ++i; // "," between alternatives, or a fault GT.M will name
        } else {
            return i;
        }
    }
    return i;
}

bool IsCommand(const std::string& Word, const char* Abbreviation, const char* Name)
{
    std::string upper = Word;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper == Abbreviation || upper == Name;
}

// Finds the literals that stand as expressions, command by command. WRITE and READ are
// the commands whose arguments can begin with a format ("!", "#", "?column"): a "?" there
// is a tab, not a pattern match, and in READ a literal there is the prompt, which must
// stay a literal.
class ExpressionLiteralScanner {
public:
    explicit ExpressionLiteralScanner(const std::string& Code) : code_(Code) {}

    std::vector<Span> Scan()
    {
        while (SkipBlanks() && code_[i_] != ';') {
            const std::string command = Word();
            const bool formats = IsCommand(command, "W", "WRITE") || IsCommand(command, "R", "READ");
            const bool prompts = IsCommand(command, "R", "READ");
            if (i_ < code_.size() && code_[i_] == ':') { // postconditional
                ++i_;
                Arguments(false, false);
            }
            if (i_ < code_.size() && code_[i_] == ' ' && i_ + 1 < code_.size() && code_[i_ + 1] != ' ') {
                ++i_;
                Arguments(formats, prompts);
            } else if (command.empty()) {
                Arguments(false, false); // not a command line: an expression (an extrinsic's code)
            }
        }
        return literals_;
    }

private:
    // False at the end of the code.
    bool SkipBlanks()
    {
        while (i_ < code_.size() && code_[i_] == ' ')
            ++i_;
        return i_ < code_.size();
    }

    std::string Word()
    {
        const size_t start = i_;
        while (i_ < code_.size() && IsLetter(code_[i_]))
            ++i_;
        return code_.substr(start, i_ - start);
    }

    // The arguments up to the blank that ends them (or a comment, which ends the scan).
    void Arguments(bool Formats, bool Prompts)
    {
        bool argumentStart = true;
        size_t depth = 0;
        while (i_ < code_.size() && code_[i_] != ' ') {
            const char c = code_[i_];
            if (c == ';') {
                i_ = code_.size();
                return;
            }
            if (c == '"') {
                const size_t end = LiteralEnd(code_, i_);
                if (end == npos) {
                    i_ = code_.size();
                    return;
                }
                if (!(Prompts && argumentStart && depth == 0))
                    literals_.push_back({i_, end});
                i_ = end;
                argumentStart = false;
                continue;
            }
            if (c == '?' && !(Formats && argumentStart && depth == 0)) {
                i_ = PatternEnd(code_, i_ + 1);
                argumentStart = false;
                continue;
            }
            if (c == '(') {
                ++depth;
            } else if (c == ')' && depth > 0) {
                --depth;
            }
            const bool format = Formats && depth == 0 && (c == '!' || c == '#');
            argumentStart = (c == ',' && depth == 0) || (argumentStart && format);
            ++i_;
        }
    }

    const std::string& code_;
    size_t i_ = 0;
    std::vector<Span> literals_;
};

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

std::string Reference(size_t Number)
{
    return LiteralReferencePrefix + std::to_string(Number) + ")";
}

} // namespace

std::optional<TMLiftedCode> LiftLongLiterals(const std::string& Code, size_t Limit)
{
    if (Code.size() <= Limit)
        return TMLiftedCode{Code, {}};
    std::vector<Span> byLength = ExpressionLiteralScanner(Code).Scan();
    std::stable_sort(byLength.begin(), byLength.end(),
                     [](const Span& A, const Span& B) { return A.Size() > B.Size(); });
    const size_t referenceSize = Reference(byLength.size()).size(); // the longest any gets
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
        result.Code += Reference(result.Literals.size());
        at = literal.End;
    }
    result.Code.append(Code, at);
    return result;
}
