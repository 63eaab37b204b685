#include "support/SharedDatabase.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "support/TempWorkingDir.h"
#include "vism/ChildProcess.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace shareddb {
namespace {

using Clock = std::chrono::steady_clock;

std::runtime_error Failure(const std::string& What)
{
    return std::runtime_error("shared database: " + What);
}

// A TCP port nobody listens on now, on any interface (where the GT.CM server listens).
int FreePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    socklen_t size = sizeof address;
    const bool bound = fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    if (fd >= 0)
        close(fd);
    if (!bound)
        throw Failure("cannot find a free port");
    return ntohs(address.sin_port);
}

bool Listens(const char* Host, int Port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(Port));
    inet_pton(AF_INET, Host, &address.sin_addr);
    const bool connected = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        close(fd);
    return connected;
}

// The GT.CM server's log starts with its command line and "[pid : N]".
pid_t ProcessIdInLog(const std::string& Log)
{
    const std::string mark = "[pid : ";
    const size_t at = Log.rfind(mark);
    return at == std::string::npos ? 0 : static_cast<pid_t>(std::atol(Log.c_str() + at + mark.size()));
}

bool IsGtcmServer(pid_t Pid)
{
    return ReadFileBytes("/proc/" + std::to_string(Pid) + "/cmdline").find("gtcm_gnp_server") != std::string::npos;
}

bool WaitUntilEnded(pid_t Pid, std::chrono::milliseconds Timeout)
{
    const auto deadline = Clock::now() + Timeout;
    while (ProcessRuns(Pid)) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// A shell that waits for a line on its standard input and, when the input ends without one
// (the test program has ended), stops the server. It runs in a session of its own, so
// nothing that ends the test program ends it.
pid_t SpawnWatcher(pid_t Server, int Input)
{
    TProcessSpec spec;
    spec.Program = "/bin/sh";
    spec.Arguments = {"-c", "read -r line || kill -TERM " + std::to_string(Server)};
    spec.Environment = EnvironmentWith({});
    spec.Descriptors = {{0, Input}, {1, -1}};
    return SpawnProcess(spec);
}

} // namespace

ScriptResult RunScript(const std::vector<std::string>& Arguments, const std::vector<std::string>& Environment)
{
    return scripts::RunScript("shared-database", Arguments, Environment);
}

THeldPort::THeldPort()
{
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    socklen_t size = sizeof address;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd_, 1) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (fd_ >= 0)
            close(fd_);
        throw Failure("cannot listen on a free port");
    }
    port_ = ntohs(address.sin_port);
}

THeldPort::~THeldPort()
{
    close(fd_);
}

bool ProcessRuns(pid_t Pid)
{
    const std::string stat = ReadFileBytes("/proc/" + std::to_string(Pid) + "/stat");
    // pid (name) state ...: the name may hold blanks and parentheses, the state follows the last ')'.
    const size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 2 >= stat.size())
        return false;
    const char state = stat[close + 2];
    return state != 'Z' && state != 'X';
}

TServedDatabase::TServedDatabase(const fs::path& Dir) : databaseFile_(Dir / "sistemas.dat")
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        port_ = FreePort();
        const ScriptResult made = RunScript({"server", databaseFile_.string(), std::to_string(port_)});
        // A port taken meanwhile is refused, or left to the GT.CM server that took it.
        if ((made.exitCode == 1 && made.errors.find(" is taken by ") != std::string::npos) ||
            (made.exitCode == 0 && made.output.empty()))
            continue;
        if (made.exitCode != 0)
            throw Failure("the database machine's side failed: " + made.errors);
        command_ = made.output.substr(0, made.output.find('\n'));
        const size_t log = command_.find(" -log=");
        if (log == std::string::npos)
            throw Failure("no log file in the printed command: " + made.output);
        log_ = command_.substr(log + 6);
        if (TryStart())
            return;
    }
    throw Failure("no free port for the GT.CM server");
}

TServedDatabase::~TServedDatabase()
{
    Stop();
}

fs::path TServedDatabase::GlobalDirectory() const
{
    return fs::path(databaseFile_).replace_extension(".gld");
}

void TServedDatabase::Start()
{
    if (serverPid_ != 0)
        throw Failure("the GT.CM server runs already");
    if (!TryStart())
        throw Failure("port " + std::to_string(port_) + " was taken by another process");
}

bool TServedDatabase::TryStart()
{
    TProcessSpec spec;
    spec.Program = "/bin/sh";
    spec.Arguments = {"-c", command_};
    spec.Environment = EnvironmentWith({});
    const TProcessResult started = RunProcess(spec, "", 20s);
    if (started.TimedOut || started.Status != 0)
        throw Failure("the GT.CM server command failed: " + command_ + "\n" + started.Output);
    // The server writes its process id, and why it cannot serve, in its log.
    const auto deadline = Clock::now() + 10s;
    std::string log = ReadFileBytes(log_.string());
    while (ProcessIdInLog(log) == 0 && Clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
        log = ReadFileBytes(log_.string());
    }
    serverPid_ = ProcessIdInLog(log);
    if (serverPid_ <= 0)
        throw Failure("the GT.CM server did not start: " + log);
    Watch();
    // Whoever answers on the port, the server itself must still run without an error: when
    // another process had taken the port, the server has said so and ended.
    bool listening = false;
    while (ProcessRuns(serverPid_) && !(listening = Listens(ServerHost, port_)) && Clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    log = ReadFileBytes(log_.string());
    if (listening && ProcessRuns(serverPid_) && log.find("-E-") == std::string::npos)
        return true;
    Stop();
    if (log.find("Address already in use") != std::string::npos)
        return false;
    throw Failure("the GT.CM server does not serve on port " + std::to_string(port_) + ": " + log);
}

void TServedDatabase::Watch()
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        Stop();
        throw Failure("cannot make a pipe");
    }
    try {
        watcherPid_ = SpawnWatcher(serverPid_, fds[0]);
    } catch (...) {
        close(fds[0]);
        close(fds[1]);
        Stop();
        throw;
    }
    close(fds[0]);
    watcherPipe_ = fds[1];
}

void TServedDatabase::StandDownWatcher()
{
    if (watcherPipe_ >= 0) {
        (void)!write(watcherPipe_, "\n", 1);
        close(watcherPipe_);
        watcherPipe_ = -1;
    }
    if (watcherPid_ > 0)
        EndProcess(watcherPid_, 5s);
    watcherPid_ = 0;
}

void TServedDatabase::Stop()
{
    StandDownWatcher();
    // The process id is checked to be the server's still, so no other process is signalled.
    if (serverPid_ > 0 && ProcessRuns(serverPid_) && IsGtcmServer(serverPid_)) {
        kill(serverPid_, SIGTERM);
        if (!WaitUntilEnded(serverPid_, 10s)) {
            kill(serverPid_, SIGKILL);
            WaitUntilEnded(serverPid_, 5s);
        }
    }
    serverPid_ = 0;
}

void TServedDatabase::AddWorkstation(const fs::path& DataDir, const std::string& NameSpace) const
{
    const std::string server = std::string(ServerHost) + ":" + std::to_string(port_);
    const ScriptResult result = RunScript({"workstation", NameSpace, server, databaseFile_.string()},
                                          {"TREVASK_DATA_DIR=" + DataDir.string()});
    if (result.exitCode != 0)
        throw Failure("the workstation's side failed: " + result.errors);
}

} // namespace shareddb
