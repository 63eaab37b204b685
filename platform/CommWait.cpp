#include "platform/CommWait.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>

namespace WinComm {

namespace {

class TThreadDoorbell {
public:
    TThreadDoorbell() : fd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~TThreadDoorbell()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TThreadDoorbell(const TThreadDoorbell&) = delete;
    TThreadDoorbell& operator=(const TThreadDoorbell&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_;
};

std::atomic<unsigned long long> wakeups{0};

} // namespace

int ThreadDoorbell()
{
    thread_local TThreadDoorbell doorbell;
    return doorbell.Fd();
}

void ClearDoorbell(int Doorbell)
{
    uint64_t count = 0;
    [[maybe_unused]] ssize_t ignored = ::read(Doorbell, &count, sizeof count);
}

int PollTimeout(const std::optional<TTimePoint>& Until)
{
    if (!Until)
        return -1;
    const auto left = *Until - TClock::now();
    if (left <= TClock::duration::zero())
        return 0;
    // Rounded up: waking a little early would only come back for the rest.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<long long>(ms, INT_MAX));
}

unsigned long long WaitWakeups()
{
    return wakeups.load();
}

void CountWaitWakeup()
{
    ++wakeups;
}

void TDoorbells::Add(int Doorbell)
{
    doorbells_.push_back(Doorbell);
}

void TDoorbells::Remove(int Doorbell)
{
    auto found = std::find(doorbells_.begin(), doorbells_.end(), Doorbell);
    if (found != doorbells_.end())
        doorbells_.erase(found);
}

void TDoorbells::RingAll() const
{
    const uint64_t one = 1;
    for (int doorbell : doorbells_)
        [[maybe_unused]] ssize_t ignored = ::write(doorbell, &one, sizeof one);
}

} // namespace WinComm
