#include "platform/ConfigHome.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

std::filesystem::path ConfigHome()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return config;
    const char* home = std::getenv("HOME");
    const passwd* user = home == nullptr ? ::getpwuid(::getuid()) : nullptr;
    return std::filesystem::path(home != nullptr ? home : user != nullptr ? user->pw_dir : "/") / ".config";
}
