#include "platform/ConfigHome.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace {

std::filesystem::path HomeDir()
{
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0')
        return home;
    const passwd* user = ::getpwuid(::getuid());
    return user != nullptr ? user->pw_dir : "/";
}

} // namespace

std::filesystem::path XdgBaseDir(const char* Variable, const char* HomeRelative)
{
    const char* value = std::getenv(Variable);
    if (value != nullptr && value[0] == '/')
        return value;
    return HomeDir() / HomeRelative;
}

std::filesystem::path ConfigHome()
{
    return XdgBaseDir("XDG_CONFIG_HOME", ".config");
}

std::filesystem::path SettingsFilePath(const char* Name)
{
    const char* root = std::getenv("TREVASK_DATA_DIR");
    if (root != nullptr && root[0] != '\0')
        return std::filesystem::path(root) / Name;
    return ConfigHome() / "trevask" / Name;
}

std::string WithoutByteOrderMark(const std::string& Line, int LineNumber)
{
    constexpr std::string_view Mark = "\xEF\xBB\xBF";
    return LineNumber == 1 && Line.starts_with(Mark) ? Line.substr(Mark.size()) : Line;
}
