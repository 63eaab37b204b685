#include "vism/MDatabase.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "vism/ChildProcess.h"
#include "vism/MServerError.h"

namespace fs = std::filesystem;

namespace {

using namespace std::chrono_literals;

// GDE or MUPIP normally take well under a second; a hung one is killed after this.
constexpr auto ToolTimeout = 20s;
// Another process creating the same namespace runs GDE and MUPIP within this.
constexpr auto CreationLockTimeout = 2 * ToolTimeout + 5s;

class CreationLock {
public:
    explicit CreationLock(const fs::path& File)
    {
        fd_ = open(File.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0)
            throw EMServer("Cannot open " + File.string() + ": " + strerror(errno));
        const auto deadline = std::chrono::steady_clock::now() + CreationLockTimeout;
        while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
                close(fd_);
                throw EMServer("Timed out waiting for another process creating the database in " +
                               File.parent_path().string());
            }
            std::this_thread::sleep_for(10ms);
        }
    }
    ~CreationLock() { close(fd_); } // closing releases the flock
    CreationLock(const CreationLock&) = delete;
    CreationLock& operator=(const CreationLock&) = delete;

private:
    int fd_ = -1;
};

// Runs a GT.M tool (Program in the distribution) on the given global directory.
void RunTool(const TMServerSettings& Settings, const fs::path& GlobalDirectory, const char* Program,
             std::vector<std::string> Arguments, const std::string& Input, const char* What)
{
    TProcessSpec spec;
    spec.Program = (Settings.GtmDist / Program).string();
    spec.Arguments = std::move(Arguments);
    spec.WorkingDirectory = GlobalDirectory.parent_path().string();
    const bool utilitiesLibrary = fs::exists(Settings.GtmDist / "libgtmutil.so");
    spec.Environment = EnvironmentWith({
        "gtm_dist=" + Settings.GtmDist.string(),
        "gtmgbldir=" + GlobalDirectory.string(),
        "gtmroutines=" + (utilitiesLibrary ? (Settings.GtmDist / "libgtmutil.so").string() : Settings.GtmDist.string()),
        "gtm_chset=M",
    });
    const TProcessResult result = RunProcess(spec, Input, ToolTimeout);
    if (result.TimedOut)
        throw EMServer(Format("%s did not finish in %d s", What, static_cast<int>(ToolTimeout.count())));
    // GDE goes on after a rejected command and still writes its file: its messages tell.
    if (result.Status != 0 || result.Output.find("-E-") != std::string::npos)
        throw EMServer(Format("%s failed (%s): %s", What, DescribeWaitStatus(result.Status).c_str(),
                              result.Output.c_str()));
}

void MakeNamespaceDir(const fs::path& Dir)
{
    std::error_code error;
    fs::create_directories(Dir.parent_path(), error);
    // Database files are created readable and writable by all: keep others out above them.
    if (!error && mkdir(Dir.c_str(), 0700) != 0 && errno != EEXIST)
        error.assign(errno, std::generic_category());
    if (error)
        throw EMServer("Cannot create the namespace directory " + Dir.string() + ": " + error.message());
}

void CreateDatabase(const TMServerSettings& Settings, const fs::path& Dir)
{
    const fs::path globalDirectory = Dir / "mumps.gld";
    const fs::path database = Dir / "mumps.dat";
    const fs::path draft = Dir / "mumps.gld.new";
    std::error_code error;
    fs::remove(draft, error);
    // GDE starting without a global directory spends half a second waiting for one; it
    // starts at once from the distribution's help directory, and every parameter that
    // matters is set below either way.
    const fs::path templateFile = Settings.GtmDist / "gtmhelp.gld";
    if (fs::exists(templateFile, error))
        fs::copy_file(templateFile, draft, error);
    if (error)
        throw EMServer("Cannot copy " + templateFile.string() + ": " + error.message());
    // -file_name takes the rest of its line, so it comes last.
    const std::string commands =
        "change -region DEFAULT -key_size=1019 -record_size=1048576 -null_subscripts=true -stdnull -noqdbrundown "
        "-stats\n"
        "change -segment DEFAULT -block_size=4096 -file_name=" + database.string() + "\n"
        "exit\n";
    RunTool(Settings, draft, "mumps", {"-run", "GDE"}, commands, "GDE");
    if (!fs::exists(database, error))
        RunTool(Settings, draft, "mupip", {"create"}, "", "MUPIP CREATE");
    fs::rename(draft, globalDirectory, error);
    if (error)
        throw EMServer("Cannot create " + globalDirectory.string() + ": " + error.message());
}

} // namespace

void EnsureNamespaceDatabase(const TMServerSettings& Settings, const fs::path& Dir)
{
    std::error_code error;
    if (fs::exists(Dir / "mumps.gld", error))
        return;
    MakeNamespaceDir(Dir);
    CreationLock lock(Dir / "create.lock");
    if (!fs::exists(Dir / "mumps.gld", error))
        CreateDatabase(Settings, Dir);
}
