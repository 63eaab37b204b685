#include <cctype>

#include "platform/WinComm.h"

namespace WinComm {

namespace {

// "COMn" in any case, n a decimal number from 1: returns n, or 0 for any other name.
unsigned long ComNumber(const std::string& Name)
{
    if (Name.size() < 4 || Name.size() > 12)
        return 0;
    for (size_t i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(Name[i])) != "COM"[i])
            return 0;
    unsigned long number = 0;
    for (size_t i = 3; i < Name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(Name[i])))
            return 0;
        number = number * 10 + static_cast<unsigned long>(Name[i] - '0');
    }
    return number;
}

} // namespace

std::string DevicePathFor(const std::string& WindowsName)
{
    const std::string prefix = "\\\\.\\";
    const std::string name = WindowsName.starts_with(prefix) ? WindowsName.substr(prefix.size()) : WindowsName;
    if (name.empty() || name.starts_with("/"))
        return name;
    if (const unsigned long number = ComNumber(name))
        return "/dev/ttyS" + std::to_string(number - 1);
    return "/dev/" + name;
}

} // namespace WinComm
