#include "vism/MServerConnection.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/WholeFile.h"
#include "vism/MServerError.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long an ending server may take to halt on its own before it is killed.
constexpr auto HaltGrace = std::chrono::seconds(2);
// How long a starting server may take to connect: it compiles its routine first.
constexpr auto ConnectTimeout = std::chrono::seconds(60);

void MakePipe(int Fds[2])
{
    if (pipe2(Fds, O_CLOEXEC) != 0)
        throw EMServer(Format("Cannot create a pipe for the M server: %s", strerror(errno)));
}

// Where the server's folder goes: TMPDIR when GT.M can take its path in a socket's name
// as it stands (a short path of plain characters), else /tmp.
std::string SocketRoot()
{
    const char* tmpdir = std::getenv("TMPDIR");
    const std::string root = tmpdir == nullptr ? std::string() : std::string(tmpdir);
    const bool plain = root.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-") ==
                       std::string::npos;
    return root.size() > 1 && root.size() <= 64 && root[0] == '/' && plain ? root : "/tmp";
}

// The folder of one server, that only we can enter: the socket it connects to, and the
// values of a run's long literals, which its $$LIT^TRVSRV reads. Its path is the
// server's command line.
std::string MakeServerFolder()
{
    std::string pattern = SocketRoot() + "/trevask-vism-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw EMServer(Format("Cannot create a folder for the M server: %s", strerror(errno)));
    return pattern;
}

std::string LiteralFile(const std::string& Folder, size_t Number)
{
    return Folder + "/" + std::to_string(Number);
}

// Where the server connects to give its answers: a listening local socket in its folder,
// removed once the server has connected.
class AnswerListener {
public:
    explicit AnswerListener(const std::string& Folder) : path_(Folder + "/answers")
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd_ < 0 || bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
            listen(fd_, 1) != 0) {
            const int error = errno;
            Remove();
            throw EMServer(Format("Cannot create the M server's socket %s: %s", path_.c_str(), strerror(error)));
        }
    }
    ~AnswerListener() { Remove(); }
    AnswerListener(const AnswerListener&) = delete;
    AnswerListener& operator=(const AnswerListener&) = delete;

    // The server's connection once it has made it; -1 when it ended first or timed out.
    int Accept(const TWatchedChild& Server, std::chrono::milliseconds Timeout)
    {
        const auto deadline = Clock::now() + Timeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return -1;
            pollfd ready[2] = {{fd_, POLLIN, 0}, {Server.EndDescriptor(), POLLIN, 0}};
            if (poll(ready, 2, static_cast<int>(left.count())) < 0 && errno != EINTR)
                return -1;
            if ((ready[0].revents & POLLIN) != 0) {
                const int connection = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
                ucred peer{};
                socklen_t size = sizeof peer;
                if (connection >= 0 && getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
                    peer.pid == Server.Pid())
                    return connection;
                if (connection >= 0)
                    close(connection); // not our server
            } else if (ready[1].revents != 0) {
                return -1;
            }
        }
    }

private:
    void Remove()
    {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
        unlink(path_.c_str());
    }

    std::string path_;
    int fd_ = -1;
};

} // namespace

TMServerConnection::TMServerConnection(TProcessSpec Spec) : folder_(MakeServerFolder())
{
    try {
        Start(std::move(Spec));
    } catch (...) {
        Finish();
        throw;
    }
}

void TMServerConnection::Start(TProcessSpec Spec)
{
    AnswerListener listener(folder_);
    int requestPipe[2];
    MakePipe(requestPipe);
    // The principal device: a pipe we never write to and keep open, without blocking, so
    // that a read of it gives nothing at once, in any number of runs (at its end of file
    // GT.M would end the server at the second read).
    int inputPipe[2];
    try {
        MakePipe(inputPipe);
    } catch (...) {
        close(requestPipe[0]);
        close(requestPipe[1]);
        throw;
    }
    principalInput_ = inputPipe[1];
    fcntl(inputPipe[0], F_SETFL, O_NONBLOCK);
    Spec.Arguments.push_back(folder_);
    Spec.Descriptors = {{0, inputPipe[0]}, {1, -1}, {3, requestPipe[0]}};
    Spec.EndWithParent = true;
    try {
        server_ = std::make_unique<TWatchedChild>(SpawnProcess(Spec));
    } catch (...) {
        close(requestPipe[0]);
        close(requestPipe[1]);
        close(inputPipe[0]);
        throw;
    }
    close(requestPipe[0]);
    close(inputPipe[0]);
    requests_ = requestPipe[1];
    // A request longer than the pipe holds is written as the server reads it, watching
    // that the server still runs (a child it left may hold the pipe open).
    fcntl(requests_, F_SETFL, O_NONBLOCK);
    answers_ = listener.Accept(*server_, ConnectTimeout);
    if (answers_ < 0)
        Lost("ended before it connected");
}

TMServerConnection::~TMServerConnection()
{
    Finish();
}

void TMServerConnection::CloseChannels()
{
    for (int* fd : {&requests_, &answers_, &principalInput_}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

void TMServerConnection::Finish()
{
    CloseChannels();
    if (server_)
        server_->End(HaltGrace);
    server_.reset();
    RemoveLiterals();
    rmdir(folder_.c_str());
}

void TMServerConnection::Lost(const std::string& Why)
{
    std::string message = "M server process " + Why;
    if (server_) {
        // Without its descriptors a server that is still running halts at its next read or
        // write.
        CloseChannels();
        if (const auto status = server_->WaitForExit(HaltGrace))
            message += " (" + DescribeWaitStatus(*status) + ")";
    }
    Finish();
    throw EMServer(message);
}

TMAnswer TMServerConnection::Run(const TMRequest& Request)
{
    if (!server_)
        throw EMServer("M server process ended");
    received_.clear();
    struct RemoveAfterRun {
        TMServerConnection& Connection;
        ~RemoveAfterRun() { Connection.RemoveLiterals(); }
    } removeAfterRun{*this};
    WriteLiterals(Request.Literals);
    Send(EncodeRequest(Request));
    Receive(AnswerHeaderSize);
    const auto header = DecodeAnswerHeader(std::string_view(received_).substr(0, AnswerHeaderSize));
    if (!header)
        Lost("sent an answer that is not in the protocol");
    Receive(AnswerHeaderSize + header->BodySize());
    if (received_.size() != AnswerHeaderSize + header->BodySize())
        Lost("sent more than its answer");
    return DecodeAnswer(*header, std::string_view(received_).substr(AnswerHeaderSize));
}

void TMServerConnection::WriteLiterals(const std::vector<std::string>& Values)
{
    for (const std::string& value : Values) {
        const std::string path = LiteralFile(folder_, ++literalFiles_);
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
        bool written = fd >= 0 && WriteAll(fd, value);
        const int error = errno;
        if (fd >= 0 && close(fd) != 0)
            written = false;
        if (!written)
            throw EMServer(Format("Cannot write a long string of the code for the M server to %s: %s", path.c_str(),
                                  strerror(error)));
    }
}

void TMServerConnection::RemoveLiterals()
{
    for (; literalFiles_ > 0; --literalFiles_)
        unlink(LiteralFile(folder_, literalFiles_).c_str());
}

void TMServerConnection::Send(const std::string& Frame)
{
    size_t sent = 0;
    while (sent < Frame.size()) {
        const ssize_t n = WriteWithoutSigpipe(requests_, Frame.data() + sent, Frame.size() - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (errno == EAGAIN) {
            pollfd ready[2] = {{requests_, POLLOUT, 0}, {server_->EndDescriptor(), POLLIN, 0}};
            if (poll(ready, 2, -1) > 0 && ready[1].revents != 0)
                Lost("ended");
        } else if (errno != EINTR) {
            Lost("ended");
        }
    }
}

// Reads until Size bytes of the answer have arrived.
void TMServerConnection::Receive(size_t Size)
{
    while (received_.size() < Size) {
        const ssize_t n = read(answers_, chunk_.data(), chunk_.size());
        if (n > 0)
            received_.append(chunk_.data(), static_cast<size_t>(n));
        else if (n == 0)
            Lost("ended");
        else if (errno != EINTR)
            Lost(Format("could not be read: %s", strerror(errno)));
    }
}
