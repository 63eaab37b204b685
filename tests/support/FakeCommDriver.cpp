#include "support/FakeCommDriver.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <thread>

FakeCommDriver::FakeCommDriver()
{
    // Only the reading end blocks: a change never waits for a reader.
    if (::pipe2(wakePipe_, O_CLOEXEC) != 0 || ::fcntl(wakePipe_[1], F_SETFL, O_NONBLOCK) != 0)
        throw std::runtime_error("cannot create the fake driver's pipe");
}

FakeCommDriver::~FakeCommDriver()
{
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
}

void FakeCommDriver::SetHasCounters(bool Has)
{
    std::lock_guard lock(mutex_);
    hasCounters_ = Has;
}

void FakeCommDriver::SetHasLineWait(bool Has)
{
    std::lock_guard lock(mutex_);
    hasLineWait_ = Has;
}

void FakeCommDriver::SetHasRs485(bool Has)
{
    std::lock_guard lock(mutex_);
    hasRs485_ = Has;
}

void FakeCommDriver::SetRs485WithoutRtsOnSend()
{
    std::lock_guard lock(mutex_);
    dropsRtsOnSend_ = true;
}

void FakeCommDriver::SetPauseBeforeBlocking(std::chrono::milliseconds Pause)
{
    std::lock_guard lock(mutex_);
    pause_ = Pause;
}

serial_rs485 FakeCommDriver::Rs485() const
{
    std::lock_guard lock(mutex_);
    return rs485_;
}

void FakeCommDriver::SetRs485Settings(const serial_rs485& Settings)
{
    std::lock_guard lock(mutex_);
    rs485_ = Settings;
}

void FakeCommDriver::SetLines(int Lines)
{
    std::lock_guard lock(mutex_);
    const int changed = lines_ ^ Lines;
    if (changed & TIOCM_CTS)
        ++counters_.cts;
    if (changed & TIOCM_DSR)
        ++counters_.dsr;
    if (changed & TIOCM_CD)
        ++counters_.dcd;
    lines_ = Lines & (TIOCM_CTS | TIOCM_DSR | TIOCM_CD);
    Wake();
}

void FakeCommDriver::Ring()
{
    std::lock_guard lock(mutex_);
    ++counters_.rng;
    Wake();
}

std::vector<FakeCommDriver::TRequest> FakeCommDriver::Requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

int FakeCommDriver::CountOf(const std::string& Name) const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(requests_.begin(), requests_.end(),
                                          [&](const TRequest& Request) { return Request.Name == Name; }));
}

bool FakeCommDriver::AwaitRequest(const std::string& Name, std::chrono::milliseconds Timeout)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, Timeout, [&] {
        return std::any_of(requests_.begin(), requests_.end(), [&](const TRequest& Request) { return Request.Name == Name; });
    });
}

bool FakeCommDriver::AwaitBlockedWait(int Number, std::chrono::milliseconds Timeout)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, Timeout, [&] { return waitsStarted_ >= Number && blockedWaits_ > 0; });
}

int FakeCommDriver::BlockedWaits() const
{
    std::lock_guard lock(mutex_);
    return blockedWaits_;
}

int FakeCommDriver::GetModemLines(int, int& Lines)
{
    std::lock_guard lock(mutex_);
    Record({"TIOCMGET"});
    Lines = lines_;
    return 0;
}

int FakeCommDriver::GetCounters(int, serial_icounter_struct& Counters)
{
    std::lock_guard lock(mutex_);
    Record({"TIOCGICOUNT"});
    if (!hasCounters_)
        return ENOTTY;
    Counters = counters_;
    return 0;
}

// As the driver does: changes are counted from the moment the wait starts.
int FakeCommDriver::WaitForLineChange(int, int Lines)
{
    serial_icounter_struct start{};
    std::chrono::milliseconds pause{0};
    {
        std::lock_guard lock(mutex_);
        Record({"TIOCMIWAIT", Lines});
        if (!hasLineWait_)
            return ENOTTY;
        start = counters_;
        pause = pause_;
    }
    std::this_thread::sleep_for(pause); // a signal meanwhile runs its handler and is gone
    {
        std::lock_guard lock(mutex_);
        ++waitsStarted_;
        ++blockedWaits_;
        changed_.notify_all();
    }
    int result = 0;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (ChangedSince(start, counters_, Lines))
                break;
        }
        char byte = 0;
        if (::read(wakePipe_[0], &byte, 1) < 0 && errno == EINTR) {
            result = EINTR;
            break;
        }
    }
    std::lock_guard lock(mutex_);
    --blockedWaits_;
    changed_.notify_all();
    return result;
}

int FakeCommDriver::GetRs485(int, serial_rs485& Config)
{
    std::lock_guard lock(mutex_);
    Record({"TIOCGRS485"});
    if (!hasRs485_)
        return ENOTTY;
    Config = rs485_;
    return 0;
}

int FakeCommDriver::SetRs485(int, serial_rs485& Config)
{
    std::lock_guard lock(mutex_);
    Record({"TIOCSRS485", 0, Config});
    if (!hasRs485_)
        return ENOTTY;
    if (dropsRtsOnSend_)
        Config.flags &= ~SER_RS485_RTS_ON_SEND;
    rs485_ = Config;
    return 0;
}

void FakeCommDriver::Record(TRequest Request)
{
    requests_.push_back(std::move(Request));
    changed_.notify_all();
}

void FakeCommDriver::Wake()
{
    const char byte = 1;
    [[maybe_unused]] ssize_t ignored = ::write(wakePipe_[1], &byte, 1);
}

bool FakeCommDriver::ChangedSince(const serial_icounter_struct& Before, const serial_icounter_struct& Now, int Lines)
{
    return ((Lines & TIOCM_CTS) && Now.cts != Before.cts) || ((Lines & TIOCM_DSR) && Now.dsr != Before.dsr) ||
           ((Lines & TIOCM_CD) && Now.dcd != Before.dcd) || ((Lines & TIOCM_RNG) && Now.rng != Before.rng);
}
