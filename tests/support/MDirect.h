#pragma once
// Real GT.M for tests: a throw-away database in a temporary directory, M texts run in
// fresh `mumps` processes, and long-lived sessions that keep their locals and M locks
// from one line to the next, as a workstation's server process does.
//
//   mdirect::MDatabase db;                          // about 0.2 s
//   db.Output("S ^X(1)=\"a\"");                     // runs in a fresh process
//   EXPECT_EQ(db.Output("W ^X(1)"), "a");
//   mdirect::MSession ws(db);                       // one long-lived process
//   ws.Execute("L +^X(1):0 W $T");                  // "1"; the lock stays until ws ends
//
// Any other GT.M process (a server under test) reaches the same database with the
// variables of Environment(). The routines of the repository's vism/ directory are on
// the routine path, compiled into the temporary directory.
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

class QProcess;
class QTemporaryDir;

namespace mdirect {

// The GT.M distribution directory: $gtm_dist when set, else the installed package's;
// empty when GT.M is not installed.
std::string GtmDist();

// The repository's vism/ directory, which holds the server routines.
std::string RoutineSourceDir();

// An M error raised by a session line; what() is $ZSTATUS.
class MError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class MSession;

struct MResult {
    int exitCode = -1;   // -1 when the process was killed at its time-out
    std::string output;  // standard output, byte for byte
    std::string error;   // standard error: an untrapped M error as $ZSTATUS
    bool Ok() const { return exitCode == 0 && error.empty(); }
};

class MDatabase {
public:
    // Creates the global directory (keys up to 1019 bytes, records up to 1 MiB,
    // empty subscripts allowed) and its database file. Throws std::runtime_error
    // when GT.M is missing or fails.
    MDatabase();
    // Works on an existing global directory instead, such as the one a control's
    // server made for its namespace; only objects and scratch routines go to the
    // temporary directory.
    explicit MDatabase(std::string globalDirectory);
    ~MDatabase();
    MDatabase(const MDatabase&) = delete;
    MDatabase& operator=(const MDatabase&) = delete;

    // The temporary directory: mumps.gld and mumps.dat when made here, objects, scratch.
    const std::string& Directory() const { return directory_; }
    const std::string& GlobalDirectory() const { return globalDirectory_; }
    // gtm_dist, gtmgbldir, gtmroutines and gtm_chset (M).
    std::map<std::string, std::string> Environment() const;

    // Runs M commands in a fresh process. Each line of code becomes a routine line
    // (a leading blank is added), so dot blocks and several lines work. The output is
    // exactly what the code wrote (no line feed is added at the end). An untrapped
    // error ends the process with exit code 1 and $ZSTATUS on standard error.
    MResult Run(const std::string& code, int timeoutMs = 10000) const;
    // Run that must succeed; returns standard output, else throws std::runtime_error.
    std::string Output(const std::string& code, int timeoutMs = 10000) const;

private:
    friend class MSession;
    std::unique_ptr<QTemporaryDir> temp_;
    std::string directory_;
    std::string globalDirectory_;
    std::string scratchDir_;
    mutable int routineCount_ = 0;
    // Keeps the database open: a process that opens a database nobody holds sets up
    // and later tears down its shared memory, which costs about 0.1 s each time.
    std::unique_ptr<MSession> keeper_;
};

class MSession {
public:
    // Starts one mumps process on the database that runs the lines it is given.
    explicit MSession(const MDatabase& db);
    ~MSession();
    MSession(const MSession&) = delete;
    MSession& operator=(const MSession&) = delete;

    // Runs one line of M commands (no line feed in it) and returns what it wrote.
    // Locals, locks and the naked reference persist between lines. Throws MError
    // when the line raised an M error (the session goes on), std::runtime_error when
    // the process is gone or has not answered within timeoutMs.
    std::string Execute(const std::string& line, int timeoutMs = 10000);
    // Ends the process with SIGKILL, as when a workstation dies; waits for it.
    void Kill();
    long long ProcessId() const;

private:
    std::unique_ptr<QProcess> process_;
};

}  // namespace mdirect
