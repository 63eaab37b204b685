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
