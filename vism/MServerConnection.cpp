#include "vism/MServerConnection.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "vism/MServerError.h"

namespace {

// How long an ending server may take to halt on its own before it is killed.
constexpr auto HaltGrace = std::chrono::seconds(2);

void MakePipe(int Fds[2])
{
    if (pipe2(Fds, O_CLOEXEC) != 0)
        throw EMServer(Format("Cannot create a pipe for the M server: %s", strerror(errno)));
}

} // namespace

TMServerConnection::TMServerConnection(TProcessSpec Spec)
{
    int requestPipe[2];
    int answerPipe[2];
    MakePipe(requestPipe);
    try {
        MakePipe(answerPipe);
    } catch (...) {
        close(requestPipe[0]);
        close(requestPipe[1]);
        throw;
    }
    Spec.Descriptors = {{0, -1}, {1, answerPipe[1]}, {3, requestPipe[0]}};
    try {
        pid_ = SpawnProcess(Spec);
    } catch (...) {
        for (int fd : {requestPipe[0], requestPipe[1], answerPipe[0], answerPipe[1]})
            close(fd);
        throw;
    }
    close(requestPipe[0]);
    close(answerPipe[1]);
    requests_ = requestPipe[1];
    answers_ = answerPipe[0];
}

TMServerConnection::~TMServerConnection()
{
    Finish();
}

void TMServerConnection::Finish()
{
    if (requests_ >= 0)
        close(requests_);
    if (answers_ >= 0)
        close(answers_);
    requests_ = answers_ = -1;
    if (pid_ > 0)
        EndProcess(pid_, HaltGrace);
    pid_ = 0;
}

void TMServerConnection::Lost(const std::string& Why)
{
    // Without its pipes a server that is still running halts at its next read or write.
    for (int* fd : {&requests_, &answers_}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
    std::string message = "M server process " + Why;
    if (pid_ > 0) {
        if (const auto status = WaitForExit(pid_, HaltGrace)) {
            message += " (" + DescribeWaitStatus(*status) + ")";
            pid_ = 0;
        }
    }
    Finish();
    throw EMServer(message);
}

TMAnswer TMServerConnection::Run(const TMRequest& Request)
{
    if (pid_ == 0)
        throw EMServer("M server process ended");
    received_.clear();
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

void TMServerConnection::Send(const std::string& Frame)
{
    size_t sent = 0;
    while (sent < Frame.size()) {
        const ssize_t n = WriteWithoutSigpipe(requests_, Frame.data() + sent, Frame.size() - sent);
        if (n > 0)
            sent += static_cast<size_t>(n);
        else if (errno != EINTR)
            Lost("ended");
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
