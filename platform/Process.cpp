#include "platform/Process.h"

#include <cerrno>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "platform/WindowsPath.h"

extern char** environ;

bool CreateProcessAndWait(const std::string& CommandLine)
{
    const std::string script = PosixPath(CommandLine);
    struct stat status {};
    if (::stat(script.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;

    char shell[] = "/bin/sh";
    char* const arguments[] = {shell, const_cast<char*>(script.c_str()), nullptr};
    pid_t child = 0;
    if (::posix_spawn(&child, shell, nullptr, nullptr, arguments, environ) != 0)
        return false;
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    return true;
}
