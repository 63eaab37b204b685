#include "vism/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "vism/MServerError.h"

namespace {

using Clock = std::chrono::steady_clock;

// Descriptors passed to a child are first copied above this, so a dup2 in the child
// never has the same source and target (which would keep close-on-exec set).
constexpr int HighDescriptor = 64;

// Our descriptors copied above HighDescriptor for a child to take over; closed with this.
class PassedDescriptors {
public:
    PassedDescriptors() = default;
    ~PassedDescriptors()
    {
        for (const auto& [childFd, copy] : placements_)
            if (copy >= 0)
                close(copy);
    }
    PassedDescriptors(const PassedDescriptors&) = delete;
    PassedDescriptors& operator=(const PassedDescriptors&) = delete;

    void Add(int ChildFd, int OurFd)
    {
        int copy = -1;
        if (OurFd >= 0) {
            copy = fcntl(OurFd, F_DUPFD_CLOEXEC, HighDescriptor);
            if (copy < 0)
                throw EMServer(Format("Cannot pass a descriptor to a child process: %s", strerror(errno)));
        }
        placements_.emplace_back(ChildFd, copy);
    }

    // In the child, before exec: only system calls. False when one failed.
    bool PlaceInChild() const
    {
        for (const auto& [childFd, copy] : placements_) {
            int source = copy;
            if (source < 0 && (source = open("/dev/null", O_RDWR)) < 0)
                return false;
            if (dup2(source, childFd) < 0)
                return false;
            if (copy < 0 && source != childFd)
                close(source);
        }
        return true;
    }

private:
    std::vector<std::pair<int, int>> placements_; // child fd, our copy (-1: /dev/null)
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

// The child's side of SpawnProcess, between fork and exec: system calls only (the
// parent's other threads may hold any lock). Reports a failure's errno on ErrorFd.
[[noreturn]] void BecomeChild(const TProcessSpec& Spec, const PassedDescriptors& Passed, int FirstFree, pid_t Parent,
                              char* const* Argv, char* const* Envp, int ErrorFd)
{
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal)
        sigaction(signal, &byDefault, nullptr);
    setsid();
    bool ready = true;
    if (Spec.EndWithParent) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        // The parent may have died before the line above.
        ready = getppid() == Parent;
    }
    ready = ready && Passed.PlaceInChild();
    // The error report must survive until exec, which closes all these.
    ready = ready && close_range(static_cast<unsigned>(FirstFree), ~0u, CLOSE_RANGE_CLOEXEC) == 0;
    ready = ready && (Spec.WorkingDirectory.empty() || chdir(Spec.WorkingDirectory.c_str()) == 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (ready)
        execve(Spec.Program.c_str(), Argv, Envp);
    const int error = errno;
    [[maybe_unused]] const ssize_t reported = write(ErrorFd, &error, sizeof error);
    _exit(127);
}

} // namespace

pid_t SpawnProcess(const TProcessSpec& Spec)
{
    PassedDescriptors passed;
    int firstFree = 3;
    for (const auto& [childFd, ourFd] : Spec.Descriptors) {
        passed.Add(childFd, ourFd);
        firstFree = std::max(firstFree, childFd + 1);
    }
    std::vector<std::string> arguments{Spec.Program};
    arguments.insert(arguments.end(), Spec.Arguments.begin(), Spec.Arguments.end());
    const auto argv = PointerList(arguments);
    const auto envp = PointerList(Spec.Environment);
    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0)
        throw EMServer(Format("Cannot create a pipe: %s", strerror(errno)));

    // No signal handler of ours may run in the child before it has reset them.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0)
        BecomeChild(Spec, passed, firstFree, parent, argv.data(), envp.data(), errorPipe[1]);
    const int forkError = errno;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    close(errorPipe[1]);
    if (pid < 0) {
        close(errorPipe[0]);
        throw EMServer(Format("Cannot start %s: %s", Spec.Program.c_str(), strerror(forkError)));
    }
    int childError = 0;
    ssize_t n;
    while ((n = read(errorPipe[0], &childError, sizeof childError)) < 0 && errno == EINTR) {
    }
    close(errorPipe[0]);
    if (n > 0) {
        WaitForExit(pid, std::chrono::seconds(5));
        throw EMServer(Format("Cannot start %s: %s", Spec.Program.c_str(), strerror(childError)));
    }
    return pid;
}

struct TWatchedChild::Reaped {
    std::mutex Mutex;
    std::condition_variable Ended;
    std::optional<int> Status;
};

TWatchedChild::TWatchedChild(pid_t Pid) : pid_(Pid), reaped_(std::make_shared<Reaped>())
{
    // By system call: the C library's header of this version lacks C linkage.
    pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, Pid, 0));
    if (pidfd_ < 0) {
        const int error = errno;
        kill(Pid, SIGKILL);
        ::WaitForExit(Pid, std::chrono::seconds(5));
        throw EMServer(Format("Cannot watch process %d: %s", static_cast<int>(Pid), strerror(error)));
    }
    reaper_ = std::thread([Pid, reaped = reaped_] {
        int status = 0;
        pid_t done;
        while ((done = waitpid(Pid, &status, 0)) < 0 && errno == EINTR) {
        }
        std::lock_guard lock(reaped->Mutex);
        reaped->Status = done == Pid ? status : 0;
        reaped->Ended.notify_all();
    });
}

TWatchedChild::~TWatchedChild()
{
    End(std::chrono::milliseconds(0));
    // A child that even SIGKILL has not ended yet is left to its reaper.
    if (WaitForExit(std::chrono::milliseconds(0)))
        reaper_.join();
    else
        reaper_.detach();
    close(pidfd_);
}

std::optional<int> TWatchedChild::WaitForExit(std::chrono::milliseconds Timeout)
{
    std::unique_lock lock(reaped_->Mutex);
    reaped_->Ended.wait_for(lock, Timeout, [&] { return reaped_->Status.has_value(); });
    return reaped_->Status;
}

void TWatchedChild::End(std::chrono::milliseconds Grace)
{
    // Signals go through the process's descriptor: once reaped, its id may be another's.
    for (const auto& [signal, wait] : {std::pair{0, Grace}, std::pair{SIGTERM, std::chrono::milliseconds(1000)},
                                       std::pair{SIGKILL, std::chrono::milliseconds(5000)}}) {
        if (signal != 0)
            syscall(SYS_pidfd_send_signal, pidfd_, signal, nullptr, 0);
        if (WaitForExit(wait))
            return;
    }
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
