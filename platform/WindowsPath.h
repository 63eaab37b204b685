#pragma once
// Windows-style relative paths (".\mirtal.ini", ".\tools\ibc.bat") as POSIX paths.
#include <algorithm>
#include <string>

inline std::string PosixPath(std::string WindowsPath)
{
    std::replace(WindowsPath.begin(), WindowsPath.end(), '\\', '/');
    return WindowsPath;
}
