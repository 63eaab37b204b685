#pragma once
// GT.M compiles a text for XECUTE only up to 8192 bytes, while a text the binding library
// builds carries whole records inside string literals. Such a text travels with its long
// literals taken out as values: the text calls $$LIT^TRVSRV(n) where the literal stood,
// which reads the value from a file of the server's own (vism/TRVSRV.m). Nothing the code
// does to its locals, or to any name it knows, reaches those values.
#include <optional>
#include <string>
#include <vector>

// What a taken-out literal is replaced by, before its number and ")".
inline constexpr const char* LiteralReferencePrefix = "$$LIT^TRVSRV(";

struct TMLiftedCode {
    std::string Code;                  // the text as the server runs it
    std::vector<std::string> Literals; // the values of $$LIT^TRVSRV(1), (2), ...
};

// Code as it stands when it is at most Limit bytes long. Otherwise its longest string
// literals are taken out, longest first, until it is. A literal that is not an
// expression stays: in a comment, in a pattern, or a READ prompt. Nothing when that
// cannot make the code short enough.
std::optional<TMLiftedCode> LiftLongLiterals(const std::string& Code, size_t Limit);
