#pragma once
// The connection of one control to its own M server process: a GT.M process running
// TRVSRV, with requests on its fd 3 and answers on its standard output (both pipes).
#include <sys/types.h>

#include <string>
#include <vector>

#include "vism/ChildProcess.h"
#include "vism/MServerProtocol.h"

class TMServerConnection {
public:
    // Starts the server; raises EMServer when it cannot. Spec's descriptors are ours to set.
    explicit TMServerConnection(TProcessSpec Spec);
    // Ends the server: end of input lets it halt; it is killed if it does not.
    ~TMServerConnection();
    TMServerConnection(const TMServerConnection&) = delete;
    TMServerConnection& operator=(const TMServerConnection&) = delete;

    // Runs one request and returns when the server has answered. Raises EMServer when
    // the server is gone or garbled the answer; the connection is then finished.
    TMAnswer Run(const TMRequest& Request);

    pid_t ProcessId() const { return pid_; }

private:
    void Send(const std::string& Frame);
    void Receive(size_t Size);
    [[noreturn]] void Lost(const std::string& Why);
    void Finish();

    pid_t pid_ = 0;
    int requests_ = -1;
    int answers_ = -1;
    std::string received_;
    std::vector<char> chunk_ = std::vector<char>(65536);
};
