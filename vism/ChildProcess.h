#pragma once
// Starting and ending child processes without leaking our descriptors or signals to them.
#include <sys/types.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct TProcessSpec {
    std::string Program;                  // absolute path
    std::vector<std::string> Arguments;   // after the program name
    std::vector<std::string> Environment; // the whole environment, NAME=value
    std::string WorkingDirectory;         // empty: ours
    // Descriptors of the child: child fd -> our fd, -1 for /dev/null. Standard error is
    // inherited unless listed; every other descriptor of ours is closed in the child.
    std::map<int, int> Descriptors;
    // The child gets SIGTERM when the thread that started it ends, and so when the program
    // dies, however it dies: for a child that must not outlive us.
    bool EndWithParent = false;
};

// Starts the process in a session of its own (a terminal's Ctrl-C is not its business)
// with default signal handling; raises EMServer when it cannot be started.
pid_t SpawnProcess(const TProcessSpec& Spec);

// A child that a thread of its own reaps the moment it ends, so a dead child never lingers
// as a zombie (GT.M counts a zombie as the owner of its M LOCKs). Nothing else may wait
// for the child.
class TWatchedChild {
public:
    explicit TWatchedChild(pid_t Pid);
    // Ends the child as End(0) does when it still runs.
    ~TWatchedChild();
    TWatchedChild(const TWatchedChild&) = delete;
    TWatchedChild& operator=(const TWatchedChild&) = delete;

    pid_t Pid() const { return pid_; }
    // Readable (for poll) once the child has ended.
    int EndDescriptor() const { return pidfd_; }
    // Waits up to Timeout for the child to end; its wait status, or nothing if it runs on.
    std::optional<int> WaitForExit(std::chrono::milliseconds Timeout);
    // Waits Grace for the child to end on its own, then SIGTERM, then SIGKILL.
    void End(std::chrono::milliseconds Grace);

private:
    struct Reaped;
    pid_t pid_;
    int pidfd_ = -1;
    std::shared_ptr<Reaped> reaped_;
    std::thread reaper_;
};

// Waits up to Timeout for the child to end; its wait status, or nothing if still running.
// A child already reaped elsewhere counts as ended (status 0).
std::optional<int> WaitForExit(pid_t Pid, std::chrono::milliseconds Timeout);

// Ends the child: waits Grace for it to end on its own, then SIGTERM, then SIGKILL.
void EndProcess(pid_t Pid, std::chrono::milliseconds Grace);

// "exit code 3" or "killed by signal 9".
std::string DescribeWaitStatus(int Status);

// write() that turns a closed reader into EPIPE without raising SIGPIPE in the program.
ssize_t WriteWithoutSigpipe(int Fd, const char* Data, size_t Size);

struct TProcessResult {
    bool TimedOut = false;
    int Status = 0;     // wait status when it ended
    std::string Output; // standard output and error together
};

// Runs a program to its end with Input on its standard input, collecting its output;
// killed when it outlasts Timeout.
TProcessResult RunProcess(TProcessSpec Spec, const std::string& Input, std::chrono::milliseconds Timeout);

// Our environment with Settings (NAME=value) replacing or adding their names.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& Settings);
