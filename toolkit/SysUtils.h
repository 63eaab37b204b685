#pragma once
// The class library's exception root and the small text helpers every subsystem shares.
#include <cstdarg>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

// Root of our exceptions: carries the message shown to the user.
class Exception : public std::exception {
public:
    explicit Exception(std::string Message) : message_(std::move(Message)) {}
    const std::string& Message() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// The silent exception: it ends an operation where it stands, and the application's
// exception report shows nothing for it (the user has been told already).
class EAbort : public Exception {
public:
    using Exception::Exception;
};

// A value could not be converted or copied ("Cannot assign a %s to a %s").
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// printf-style formatting into a std::string.
std::string Format(const char* Pattern, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* Pattern, va_list Args);

// S as a whole decimal integer (an optional "+" or "-", then digits, nothing else) that
// lies inside int, or nothing.
std::optional<int> DecimalToInt(const std::string& S);
// The same inside 64 bits.
std::optional<int64_t> DecimalToInt64(const std::string& S);

// DecimalToInt's value, or Default when S is no such integer.
int StrToIntDef(const std::string& S, int Default);

// DecimalToInt's value; any other text raises EConvertError ("'S' is not a valid integer
// value").
int DecimalStrToInt(const std::string& S);

// The class library's Trim: S without the blanks and control characters (codes up to 32)
// at either end.
std::string Trim(const std::string& S);

// The class library's text-to-integer conversion: leading blanks, an optional sign, then
// decimal digits (32-bit range) or, after "$", "x" or "0x" (any case), up to 32 bits of
// hexadecimal digits. Anything else, trailing blanks included, raises EConvertError.
int32_t StrToInt(const std::string& S);

// The message of any exception, ours or the standard library's.
std::string ExceptionMessage(const std::exception& E);
