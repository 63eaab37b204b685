#include "toolkit/SysUtils.h"

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

std::string ExceptionMessage(const std::exception& E)
{
    if (auto* ours = dynamic_cast<const Exception*>(&E))
        return ours->Message();
    return E.what();
}
