#pragma once
// What a blocked wait is made of: a poll() over event descriptors, the devices that have
// transfers pending on those events, and the waiting thread's doorbell. Nothing here
// wakes up unless a descriptor becomes ready or a transfer's own time-out is due.
#include <poll.h>

#include <chrono>
#include <optional>
#include <vector>

namespace WinComm {

using TClock = std::chrono::steady_clock;
using TTimePoint = TClock::time_point;

// The calling thread's doorbell: an eventfd that a device or event rings when its state
// changes while this thread waits on it. -1 (errno set) when it cannot be created.
int ThreadDoorbell();
void ClearDoorbell(int Doorbell);

// poll()'s time-out for waking at Until (none: block).
int PollTimeout(const std::optional<TTimePoint>& Until);

// How many times a wait came back from poll(), for measuring that idle waits sleep.
unsigned long long WaitWakeups();
void CountWaitWakeup();

// The doorbells of the threads now waiting on one object; guarded by that object's lock.
class TDoorbells {
public:
    void Add(int Doorbell);
    void Remove(int Doorbell);
    void RingAll() const;

private:
    std::vector<int> doorbells_;
};

// A device with a transfer pending on an event: whoever waits on that event watches the
// device too, and completes the transfer when the device is ready or the time-out is due.
class TWaitSource {
public:
    virtual ~TWaitSource() = default;
    // Registers Doorbell and says what to poll (fd -1: nothing) and when a pending transfer
    // times out.
    virtual void PrepareWait(int Doorbell, pollfd& Poll, std::optional<TTimePoint>& Deadline) = 0;
    // Unregisters Doorbell and takes in what poll() reported.
    virtual void FinishWait(int Doorbell, short Revents) = 0;
};

} // namespace WinComm
