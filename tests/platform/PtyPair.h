#pragma once
// A pseudo-terminal pair for tests: the layer opens the slave by its path, the test plays
// the far end of the line on the master.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include <gtest/gtest.h>

class TPtyPair {
public:
    TPtyPair()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
            ::ptsname_r(master_, name, sizeof name) != 0)
            ADD_FAILURE() << "no pseudo-terminal";
        path_ = name;
    }
    ~TPtyPair() { CloseMaster(); }
    TPtyPair(const TPtyPair&) = delete;
    TPtyPair& operator=(const TPtyPair&) = delete;

    const std::string& Path() const { return path_; }
    // The name as the port component passes it to CreateFileA.
    std::string WindowsName() const { return "\\\\.\\" + path_; }

    void Send(const std::string& Bytes) const
    {
        ASSERT_EQ(::write(master_, Bytes.data(), Bytes.size()), static_cast<ssize_t>(Bytes.size()));
    }

    // What the layer wrote, waiting up to Ms for at least Count bytes.
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

    void CloseMaster()
    {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    std::string path_;
};
