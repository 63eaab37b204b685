#pragma once
// The value of a control register: empty, an integer or 8-bit text.
#include <cstdint>
#include <string>
#include <variant>

class TVariant {
public:
    TVariant() = default;
    TVariant(int Value) : value_(static_cast<int64_t>(Value)) {}
    TVariant(int64_t Value) : value_(Value) {}
    TVariant(std::string Value) : value_(std::move(Value)) {}
    TVariant(const char* Value) : value_(std::string(Value)) {}

    bool IsEmpty() const { return std::holds_alternative<std::monostate>(value_); }
    bool IsInteger() const { return std::holds_alternative<int64_t>(value_); }
    bool IsText() const { return std::holds_alternative<std::string>(value_); }

    // Empty reads as "", an integer as its decimal text.
    std::string AsString() const;
    // Empty reads as 0; text must hold a decimal integer, else EConvertError.
    int64_t AsInteger() const;

    bool operator==(const TVariant& Other) const = default;

private:
    std::variant<std::monostate, int64_t, std::string> value_;
};
