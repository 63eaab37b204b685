#pragma once
// One database shared by workstations over GT.CM on the loopback network, set up with
// scripts/shared-database as an administrator sets one up: the database machine's side in
// a folder of its own, the GT.CM server started on a free port with the command the script
// printed, and workstations whose settings the script writes.
//
//   shareddb::TServedDatabase served(dir / "server");  // database, global directory, server
//   served.AddWorkstation(dir / "ws1");                // dir/ws1/vism.conf names it
//   ... controls with TREVASK_DATA_DIR-like settings under dir/ws1 reach it over GT.CM
//
// The GT.CM server is stopped by its process id when the object goes; a watcher process
// stops it if the test program ends first (a crash, a time-out), so none is left running.
// Failures throw std::runtime_error with the reason.
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/Scripts.h"

namespace shareddb {

using scripts::ScriptResult;

// Runs scripts/shared-database with Arguments; Environment entries (NAME=value) are added
// to ours.
ScriptResult RunScript(const std::vector<std::string>& Arguments, const std::vector<std::string>& Environment = {});

// The address the workstations reach the server by. GT.M opens a database whose host is
// one of this machine's own names (localhost, 127.0.0.1, its host name) as a local file;
// another address of the loopback network keeps the workstations on GT.CM.
inline constexpr const char* ServerHost = "127.0.0.2";

// A TCP port on which this process listens (on every interface) while the object lives,
// as another program holding the port the GT.CM server would be told to serve on.
class THeldPort {
public:
    THeldPort();
    ~THeldPort();
    THeldPort(const THeldPort&) = delete;
    THeldPort& operator=(const THeldPort&) = delete;
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// True when the process exists and has not ended (a daemon's ended process can stay a
// zombie of a parent that never waits for it).
bool ProcessRuns(pid_t Pid);

class TServedDatabase {
public:
    // Runs the script's database-machine side for Dir/sistemas.dat and serves it on a free
    // port with the command the script printed.
    explicit TServedDatabase(const std::filesystem::path& Dir);
    ~TServedDatabase();
    TServedDatabase(const TServedDatabase&) = delete;
    TServedDatabase& operator=(const TServedDatabase&) = delete;

    // Ends the GT.CM server (by its process id) and waits until it has gone.
    void Stop();
    // Runs the printed command again (on the same port) and waits until the server listens.
    void Start();

    pid_t ServerProcessId() const { return serverPid_; }
    int Port() const { return port_; }
    const std::string& Command() const { return command_; }
    const std::filesystem::path& DatabaseFile() const { return databaseFile_; }
    // The database machine's own global directory, for M processes of the test there.
    std::filesystem::path GlobalDirectory() const;

    // Runs the script's workstation side for NameSpace with TREVASK_DATA_DIR=DataDir, so
    // that the settings file DataDir/vism.conf points the namespace at this database.
    void AddWorkstation(const std::filesystem::path& DataDir, const std::string& NameSpace = "SISTEMAS") const;

private:
    // Start on the current port; false when another process took the port meanwhile.
    bool TryStart();
    // Starts the watcher of the server just started; stops the server when it cannot.
    void Watch();
    void StandDownWatcher();

    std::filesystem::path databaseFile_;
    std::string command_;
    std::filesystem::path log_;
    int port_ = 0;
    pid_t serverPid_ = 0;
    pid_t watcherPid_ = 0;
    int watcherPipe_ = -1; // our end: a line stands the watcher down, its closing sets it off
};

} // namespace shareddb
