#pragma once
// A pseudo-terminal pair for integration tests and benchmarks: the code under test opens
// the slave by its path, the test plays the device on the master. Failures throw, so the
// header needs no test framework: inside a test an exception fails the test.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>

class TPtyPair {
public:
    TPtyPair()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
            ::ptsname_r(master_, name, sizeof name) != 0) {
            CloseMaster();
            throw std::runtime_error("cannot create a pseudo-terminal");
        }
        slavePath_ = name;
    }
    ~TPtyPair() { CloseMaster(); }
    TPtyPair(const TPtyPair&) = delete;
    TPtyPair& operator=(const TPtyPair&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    // The name as the port component passes it to CreateFileA.
    std::string WindowsName() const { return "\\\\.\\" + slavePath_; }

    // Sends Bytes from the device's side, all of them.
    void Write(const std::string& Bytes) const
    {
        size_t written = 0;
        while (written < Bytes.size()) {
            const ssize_t n = ::write(master_, Bytes.data() + written, Bytes.size() - written);
            if (n <= 0)
                throw std::runtime_error("cannot write to the pseudo-terminal");
            written += static_cast<size_t>(n);
        }
    }

    // What the code under test wrote to the line, waiting up to Ms for at least Count bytes.
    std::string Receive(size_t Count, int Ms = 2000) const
    {
        std::string got;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(Ms);
        while (got.size() < Count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            pollfd p{master_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                break;
            char buffer[256];
            const ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got.append(buffer, static_cast<size_t>(n));
        }
        return got;
    }

    // The device vanishes: the slave side hangs up.
    void CloseMaster()
    {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    std::string slavePath_;
};
