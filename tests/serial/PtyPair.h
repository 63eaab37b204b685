#pragma once
// A pseudo-terminal pair for integration tests: the test plays the device on the master
// side; the port opens the slave by its path.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

class TPtyPair {
public:
    TPtyPair()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
            throw std::runtime_error("cannot create a pseudo-terminal");
        slavePath_ = ::ptsname(master_);
    }
    ~TPtyPair() { CloseMaster(); }
    TPtyPair(const TPtyPair&) = delete;
    TPtyPair& operator=(const TPtyPair&) = delete;

    const std::string& SlavePath() const { return slavePath_; }

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
