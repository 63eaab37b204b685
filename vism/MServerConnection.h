#pragma once
// The connection of one control to its own M server process: a GT.M process running
// TRVSRV, with requests on its fd 3 (a pipe) and answers on a local socket it connects to
// at its start, in a private folder of the server's. Its standard output is /dev/null,
// so nothing the code or the processes it starts print reaches the answers, and its
// standard input a pipe that never delivers anything. The server ends when the thread
// that started it ends (the program's death included); a server that dies is reaped at
// once.
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "vism/ChildProcess.h"
#include "vism/MServerProtocol.h"

class TMServerConnection {
public:
    // Starts the server and waits for it to connect; raises EMServer when it cannot.
    // Spec's descriptors and its last argument are ours to set.
    explicit TMServerConnection(TProcessSpec Spec);
    // Ends the server: end of input lets it halt; it is killed if it does not.
    ~TMServerConnection();
    TMServerConnection(const TMServerConnection&) = delete;
    TMServerConnection& operator=(const TMServerConnection&) = delete;

    // Runs one request and returns when the server has answered. Raises EMServer when
    // the server is gone or garbled the answer (the connection is then finished), or
    // when the values of the code's long literals cannot be handed over.
    TMAnswer Run(const TMRequest& Request);

    pid_t ProcessId() const { return server_ ? server_->Pid() : 0; }

private:
    void Start(TProcessSpec Spec);
    // The values of the request's long literals, as files 1, 2, ... in the server's folder.
    void WriteLiterals(const std::vector<std::string>& Values);
    void RemoveLiterals();
    void Send(const std::string& Frame);
    void Receive(size_t Size);
    [[noreturn]] void Lost(const std::string& Why);
    // Closes the requests' pipe, the answers' socket and the principal device's pipe.
    void CloseChannels();
    void Finish();

    std::string folder_;
    size_t literalFiles_ = 0;
    std::unique_ptr<TWatchedChild> server_;
    int requests_ = -1;
    int answers_ = -1;
    int principalInput_ = -1; // the writing end, kept open and never written
    std::string received_;
    std::vector<char> chunk_ = std::vector<char>(65536);
};
