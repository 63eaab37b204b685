#include "support/ChildProcess.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

std::string RunInChild(const std::function<std::string()>& Body)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return std::string("pipe: ") + std::strerror(errno);
    const pid_t child = ::fork();
    if (child < 0)
        return std::string("fork: ") + std::strerror(errno);
    if (child == 0) {
        ::close(channel[0]);
        const std::string outcome = Body();
        for (size_t done = 0; done < outcome.size();) {
            const ssize_t written = ::write(channel[1], outcome.data() + done, outcome.size() - done);
            if (written <= 0)
                ::_exit(2);
            done += static_cast<size_t>(written);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string outcome;
    char buffer[256];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            break;
        outcome.append(buffer, static_cast<size_t>(got));
    }
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        return "the child was ended by signal " + std::to_string(WTERMSIG(status));
    if (WEXITSTATUS(status) != 0)
        return "the child exited with " + std::to_string(WEXITSTATUS(status));
    return outcome;
}

std::string RunUnprivileged()
{
    if (!RunningAsRoot())
        return {};
    const passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr)
        return "no user \"nobody\"";
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)
        return std::string("dropping root: ") + std::strerror(errno);
    return {};
}

std::string RunAsGroupMember(uid_t User, gid_t Group)
{
    if (::setgroups(1, &Group) != 0 || ::setgid(User) != 0 || ::setuid(User) != 0)
        return std::string("becoming user ") + std::to_string(User) + ": " + std::strerror(errno);
    return {};
}

bool RunningAsRoot()
{
    return ::geteuid() == 0;
}
