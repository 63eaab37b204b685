#include <cstdio>
#include <map>

#include "platform/CommPortNames.h"
#include "platform/WinComm.h"

namespace WinComm {

DWORD DevicePathFor(const std::string& WindowsName, std::string& Path)
{
    const std::string prefix = "\\\\.\\";
    const std::string name = WindowsName.starts_with(prefix) ? WindowsName.substr(prefix.size()) : WindowsName;
    if (name.empty() || name.starts_with("/")) {
        Path = name;
        return ERROR_SUCCESS;
    }
    const unsigned long number = ComNumber(name);
    if (number == 0) {
        Path = "/dev/" + name;
        return ERROR_SUCCESS;
    }
    std::map<unsigned long, std::string> named;
    std::string problem;
    if (const DWORD error = ReadPortNames(PortNamesFile(), named, problem)) {
        // A Windows code cannot tell which line is wrong: the administrator reads it here.
        std::fprintf(stderr, "trevask: %s; no COM name opens until it is mended\n", problem.c_str());
        return error;
    }
    const auto device = named.find(number);
    Path = device != named.end() ? device->second : "/dev/ttyS" + std::to_string(number - 1);
    return ERROR_SUCCESS;
}

} // namespace WinComm
