#include "toolkit/Variant.h"

#include <charconv>

#include "toolkit/SysUtils.h"

std::string TVariant::AsString() const
{
    if (auto* text = std::get_if<std::string>(&value_))
        return *text;
    if (auto* number = std::get_if<int64_t>(&value_))
        return std::to_string(*number);
    return {};
}

int64_t TVariant::AsInteger() const
{
    if (auto* number = std::get_if<int64_t>(&value_))
        return *number;
    const auto* text = std::get_if<std::string>(&value_);
    if (text == nullptr)
        return 0;
    std::string digits = *text;
    const size_t start = digits.find_first_not_of(' ');
    const size_t end = digits.find_last_not_of(' ');
    digits = start == std::string::npos ? std::string() : digits.substr(start, end - start + 1);
    const char* first = digits.data();
    if (!digits.empty() && digits[0] == '+')
        ++first;
    int64_t value = 0;
    auto [ptr, ec] = std::from_chars(first, digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || ptr != digits.data() + digits.size())
        throw EConvertError(Format("Could not convert variant of type (String) into type (Int64)"));
    return value;
}
