#pragma once
// GT.M compiles a text for XECUTE only up to 8192 bytes, while a text the binding library
// builds carries whole records inside string literals. Such a text travels with its long
// literals taken out as values: the server holds them in the local %TRVLIT, and the text
// reads %TRVLIT(n) where the literal stood.
#include <optional>
#include <string>
#include <vector>

// The local, visible to the code, that holds the values of its taken-out literals.
inline constexpr const char* LiteralValuesName = "%TRVLIT";

struct TMLiftedCode {
    std::string Code;                  // the text as the server runs it
    std::vector<std::string> Literals; // the values of %TRVLIT(1), %TRVLIT(2), ...
};

// Code as it stands when it is at most Limit bytes long. Otherwise its longest string
// literals are taken out, longest first, until it is; a literal in a comment or in a
// pattern stays (it is not an expression there). Nothing when that cannot make it short
// enough.
std::optional<TMLiftedCode> LiftLongLiterals(const std::string& Code, size_t Limit);
