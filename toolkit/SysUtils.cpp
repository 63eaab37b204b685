#include "toolkit/SysUtils.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <vector>

namespace {

EConvertError NotAnInteger(const std::string& S)
{
    return EConvertError(Format("'%s' is not a valid integer value", S.c_str()));
}

template <typename Integer>
std::optional<Integer> DecimalTo(const std::string& S)
{
    const char* first = S.data();
    const char* last = first + S.size();
    // from_chars takes a "-" but no "+": a "+" is skipped unless a sign follows it.
    if (S.size() > 1 && S[0] == '+' && S[1] != '-')
        ++first;
    Integer value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return value;
}

} // namespace

std::string FormatV(const char* Pattern, va_list Args)
{
    va_list copy;
    va_copy(copy, Args);
    const int needed = std::vsnprintf(nullptr, 0, Pattern, copy);
    va_end(copy);
    if (needed <= 0)
        return {};
    std::vector<char> buffer(static_cast<size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), Pattern, Args);
    return std::string(buffer.data(), static_cast<size_t>(needed));
}

std::string Format(const char* Pattern, ...)
{
    va_list args;
    va_start(args, Pattern);
    std::string text = FormatV(Pattern, args);
    va_end(args);
    return text;
}

std::optional<int> DecimalToInt(const std::string& S)
{
    return DecimalTo<int>(S);
}

std::optional<int64_t> DecimalToInt64(const std::string& S)
{
    return DecimalTo<int64_t>(S);
}

int StrToIntDef(const std::string& S, int Default)
{
    return DecimalToInt(S).value_or(Default);
}

int DecimalStrToInt(const std::string& S)
{
    if (const std::optional<int> value = DecimalToInt(S))
        return *value;
    throw NotAnInteger(S);
}

std::string Trim(const std::string& S)
{
    auto blank = [](char C) { return static_cast<unsigned char>(C) <= ' '; };
    const auto first = std::find_if_not(S.begin(), S.end(), blank);
    const auto last = std::find_if_not(S.rbegin(), S.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

std::string ExceptionMessage(const std::exception& E)
{
    if (auto* ours = dynamic_cast<const Exception*>(&E))
        return ours->Message();
    return E.what();
}

int32_t StrToInt(const std::string& S)
{
    const char* first = S.data();
    const char* last = first + S.size();
    while (first != last && *first == ' ')
        ++first;
    const bool negative = first != last && *first == '-';
    if (first != last && (*first == '-' || *first == '+'))
        ++first;
    int base = 10;
    if (first != last && (*first == '$' || *first == 'x' || *first == 'X')) {
        base = 16;
        ++first;
    } else if (last - first > 1 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
        base = 16;
        first += 2;
    }
    // from_chars takes no sign of its own: the digits are read unsigned and the sign applied.
    uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(first, last, magnitude, base);
    const uint64_t limit = base == 16 ? 0xFFFFFFFFu : negative ? 0x80000000u : 0x7FFFFFFFu;
    if (first == last || error != std::errc() || end != last || magnitude > limit)
        throw NotAnInteger(S);
    const auto pattern = static_cast<uint32_t>(magnitude);
    return static_cast<int32_t>(negative ? 0u - pattern : pattern);
}
