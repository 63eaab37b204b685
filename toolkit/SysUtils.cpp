#include "toolkit/SysUtils.h"

#include <charconv>
#include <cstdio>
#include <vector>

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

int StrToIntDef(const std::string& S, int Default)
{
    const char* first = S.data();
    const char* last = first + S.size();
    if (S.size() > 1 && S[0] == '+' && S[1] != '-')
        ++first;
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last ? value : Default;
}

std::string ExceptionMessage(const std::exception& E)
{
    if (auto* ours = dynamic_cast<const Exception*>(&E))
        return ours->Message();
    return E.what();
}
