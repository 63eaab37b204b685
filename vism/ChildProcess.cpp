#include "vism/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "vism/MServerError.h"

namespace {

using Clock = std::chrono::steady_clock;

// Descriptors passed to a child are first copied above this, so a dup2 in the child
// never has the same source and target (which would keep close-on-exec set).
constexpr int HighDescriptor = 64;

class SpawnFileActions {
public:
    SpawnFileActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnFileActions()
    {
        posix_spawn_file_actions_destroy(&actions_);
        for (int fd : copies_)
            close(fd);
    }
    SpawnFileActions(const SpawnFileActions&) = delete;
    SpawnFileActions& operator=(const SpawnFileActions&) = delete;

    posix_spawn_file_actions_t* Get() { return &actions_; }
    void Place(int ChildFd, int OurFd)
    {
        if (OurFd < 0) {
            posix_spawn_file_actions_addopen(&actions_, ChildFd, "/dev/null", O_RDWR, 0);
            return;
        }
        const int copy = fcntl(OurFd, F_DUPFD_CLOEXEC, HighDescriptor);
        if (copy < 0)
            throw EMServer(Format("Cannot pass a descriptor to a child process: %s", strerror(errno)));
        copies_.push_back(copy);
        posix_spawn_file_actions_adddup2(&actions_, copy, ChildFd);
    }

private:
    posix_spawn_file_actions_t actions_;
    std::vector<int> copies_;
};

class SpawnAttributes {
public:
    SpawnAttributes()
    {
        posix_spawnattr_init(&attributes_);
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes_, &none);
        posix_spawnattr_setsigdefault(&attributes_, &all);
        posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    const posix_spawnattr_t* Get() const { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
};

std::vector<char*> PointerList(const std::vector<std::string>& Texts)
{
    std::vector<char*> pointers;
    for (const auto& text : Texts)
        pointers.push_back(const_cast<char*>(text.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

void CloseIfOpen(int& Fd)
{
    if (Fd >= 0)
        close(Fd);
    Fd = -1;
}

} // namespace

pid_t SpawnProcess(const TProcessSpec& Spec)
{
    SpawnFileActions actions;
    int firstFree = 3;
    for (const auto& [childFd, ourFd] : Spec.Descriptors) {
        actions.Place(childFd, ourFd);
        firstFree = std::max(firstFree, childFd + 1);
    }
    posix_spawn_file_actions_addclosefrom_np(actions.Get(), firstFree);
    if (!Spec.WorkingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(actions.Get(), Spec.WorkingDirectory.c_str());
    SpawnAttributes attributes;

    std::vector<std::string> arguments{Spec.Program};
    arguments.insert(arguments.end(), Spec.Arguments.begin(), Spec.Arguments.end());
    auto argv = PointerList(arguments);
    auto envp = PointerList(Spec.Environment);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, Spec.Program.c_str(), actions.Get(), attributes.Get(), argv.data(), envp.data());
    if (rc != 0)
        throw EMServer(Format("Cannot start %s: %s", Spec.Program.c_str(), strerror(rc)));
    return pid;
}

std::optional<int> WaitForExit(pid_t Pid, std::chrono::milliseconds Timeout)
{
    const auto deadline = Clock::now() + Timeout;
    auto pause = std::chrono::microseconds(50);
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(Pid, &status, WNOHANG);
        if (done == Pid)
            return status;
        if (done < 0 && errno != EINTR)
            return 0;
        if (Clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(pause);
        pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(5));
    }
}

void EndProcess(pid_t Pid, std::chrono::milliseconds Grace)
{
    if (WaitForExit(Pid, Grace))
        return;
    kill(Pid, SIGTERM);
    if (WaitForExit(Pid, std::chrono::seconds(1)))
        return;
    kill(Pid, SIGKILL);
    WaitForExit(Pid, std::chrono::seconds(5));
}

std::string DescribeWaitStatus(int Status)
{
    if (WIFSIGNALED(Status))
        return Format("killed by signal %d", WTERMSIG(Status));
    return Format("exit code %d", WEXITSTATUS(Status));
}

ssize_t WriteWithoutSigpipe(int Fd, const char* Data, size_t Size)
{
    sigset_t pipeSignal;
    sigset_t previousMask;
    sigset_t pending;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigpending(&pending);
    const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previousMask);
    const ssize_t written = write(Fd, Data, Size);
    const int error = errno;
    if (written < 0 && error == EPIPE && !alreadyPending) {
        // Take the SIGPIPE this write raised before unblocking, so it is never delivered.
        const timespec now{};
        while (sigtimedwait(&pipeSignal, nullptr, &now) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    errno = error;
    return written;
}

TProcessResult RunProcess(TProcessSpec Spec, const std::string& Input, std::chrono::milliseconds Timeout)
{
    int inputPipe[2];
    int outputPipe[2];
    if (pipe2(inputPipe, O_CLOEXEC) != 0)
        throw EMServer(Format("Cannot create a pipe: %s", strerror(errno)));
    if (pipe2(outputPipe, O_CLOEXEC) != 0) {
        close(inputPipe[0]);
        close(inputPipe[1]);
        throw EMServer(Format("Cannot create a pipe: %s", strerror(errno)));
    }
    Spec.Descriptors = {{0, inputPipe[0]}, {1, outputPipe[1]}, {2, outputPipe[1]}};
    pid_t pid = 0;
    try {
        pid = SpawnProcess(Spec);
    } catch (...) {
        for (int fd : {inputPipe[0], inputPipe[1], outputPipe[0], outputPipe[1]})
            close(fd);
        throw;
    }
    int toChild = inputPipe[1];
    int fromChild = outputPipe[0];
    close(inputPipe[0]);
    close(outputPipe[1]);
    fcntl(toChild, F_SETFL, O_NONBLOCK);

    TProcessResult result;
    size_t sent = 0;
    if (Input.empty())
        CloseIfOpen(toChild);
    const auto deadline = Clock::now() + Timeout;
    while (fromChild >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            result.TimedOut = true;
            break;
        }
        pollfd fds[2] = {{fromChild, POLLIN, 0}, {toChild, POLLOUT, 0}};
        const int ready = poll(fds, toChild >= 0 ? 2 : 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR)
            break;
        if (toChild >= 0 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
            const ssize_t n = WriteWithoutSigpipe(toChild, Input.data() + sent, Input.size() - sent);
            if (n > 0)
                sent += static_cast<size_t>(n);
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || sent == Input.size())
                CloseIfOpen(toChild);
        }
        if ((fds[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
            char buffer[4096];
            const ssize_t n = read(fromChild, buffer, sizeof buffer);
            if (n > 0)
                result.Output.append(buffer, static_cast<size_t>(n));
            else if (n == 0 || errno != EINTR)
                CloseIfOpen(fromChild);
        }
    }
    CloseIfOpen(toChild);
    CloseIfOpen(fromChild);
    if (result.TimedOut) {
        kill(pid, SIGKILL);
        WaitForExit(pid, std::chrono::seconds(5));
        return result;
    }
    const auto status = WaitForExit(pid, std::max<std::chrono::milliseconds>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()), std::chrono::milliseconds(0)));
    if (!status) {
        result.TimedOut = true;
        kill(pid, SIGKILL);
        WaitForExit(pid, std::chrono::seconds(5));
        return result;
    }
    result.Status = *status;
    return result;
}

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& Settings)
{
    auto nameOf = [](const std::string& Entry) { return Entry.substr(0, Entry.find('=')); };
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const bool replaced = std::any_of(Settings.begin(), Settings.end(),
                                          [&](const std::string& setting) { return nameOf(setting) == nameOf(text); });
        if (!replaced)
            result.push_back(text);
    }
    result.insert(result.end(), Settings.begin(), Settings.end());
    return result;
}
