#pragma once
// Starting and ending child processes without leaking our descriptors or signals to them.
#include <sys/types.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct TProcessSpec {
    std::string Program;                  // absolute path
    std::vector<std::string> Arguments;   // after the program name
    std::vector<std::string> Environment; // the whole environment, NAME=value
    std::string WorkingDirectory;         // empty: ours
    // Descriptors of the child: child fd -> our fd, -1 for /dev/null. Standard error is
    // inherited unless listed; every other descriptor of ours is closed in the child.
    std::map<int, int> Descriptors;
};

// Starts the process in a session of its own (a terminal's Ctrl-C is not its business)
// with default signal handling; raises EMServer when it cannot be started.
pid_t SpawnProcess(const TProcessSpec& Spec);

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
