#pragma once
// The frames between a control and its M server (vism/TRVSRV.m). Every value is a byte
// string with an 8-digit decimal length, so any byte, line feeds included, passes.
//
// Request: kind ('C' command line, 'F' extrinsic function), 11 lengths (code, P0 to
//   P9), then the values in that order. The values of the code's long literals do not
//   travel in the frame (TMServerConnection::Run).
// Answer: status ('0' ran, '1' M error), twelve entries of a defined flag ('0'/'1') and a
//   length (error text, result, P0 to P9), then the defined values in that order.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The longest M string; the server cannot hold a longer register or literal value.
constexpr size_t MaxMStringLength = 1048576;
// The longest code the server runs: GT.M compiles at most 8192 bytes for XECUTE, and the
// server puts up to 64 bytes of its own before the code.
constexpr size_t MaxCodeLength = 8192 - 64;

struct TMRequest {
    bool Function = false; // an extrinsic function whose value is the result
    std::string Code;
    std::array<std::string, 10> Registers;
    std::vector<std::string> Literals; // the code's $$LIT^TRVSRV(1), (2), ... (MCodeLiterals.h)
};

struct TMAnswer {
    bool Failed = false;    // the code raised an M error
    std::string ErrorText;  // $ZSTATUS from the mnemonic on, when Failed
    std::optional<std::string> Result;
    std::array<std::optional<std::string>, 10> Registers; // nothing: undefined after the run
};

std::string EncodeRequest(const TMRequest& Request);

constexpr size_t AnswerHeaderSize = 1 + 12 * 9;

// The answer's values in order: error text, result, P0 to P9; nothing when not defined.
struct TMAnswerHeader {
    bool Failed = false;
    std::array<std::optional<size_t>, 12> Lengths;
    size_t BodySize() const;
};

// Nothing when the header is malformed (the server is not speaking the protocol).
std::optional<TMAnswerHeader> DecodeAnswerHeader(std::string_view Header);

// Splits the body that follows a header into the answer.
TMAnswer DecodeAnswer(const TMAnswerHeader& Header, std::string_view Body);
