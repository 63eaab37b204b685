#include "platform/CommModemWatch.h"

#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <chrono>

namespace WinComm {

namespace {

constexpr int kWatchedLines = TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RNG;

// A signal sent just before the thread enters the driver's wait is taken by the handler
// and lost to the wait; the stop is sent again after this long until the thread has left.
constexpr auto kStopRepeat = std::chrono::milliseconds(2);

// A real-time signal nothing else in the program uses, sent only to a watch's own thread.
// Its handler stays installed for the life of the process, so a signal still on its way
// when a watch ends does no harm.
int StopSignal()
{
    static const int signal = [] {
        const int number = SIGRTMIN + 6;
        struct sigaction action{};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0; // no SA_RESTART: the interrupted wait returns EINTR
        ::sigaction(number, &action, nullptr);
        return number;
    }();
    return signal;
}

// The modem events whose line changed between two counter readings.
DWORD ModemEventsBetween(const serial_icounter_struct& Before, const serial_icounter_struct& After)
{
    DWORD events = 0;
    if (After.cts != Before.cts)
        events |= EV_CTS;
    if (After.dsr != Before.dsr)
        events |= EV_DSR;
    if (After.dcd != Before.dcd)
        events |= EV_RLSD;
    if (After.rng != Before.rng)
        events |= EV_RING; // the driver counts the end of each ring pulse
    return events;
}

} // namespace

TModemWatch::TModemWatch(TCommDriver& Driver, int Fd, TReport Report)
    : driver_(Driver), fd_(Fd), report_(std::move(Report))
{
    StopSignal();
    thread_ = std::thread([this] { Run(); });
}

TModemWatch::~TModemWatch()
{
    AskStop();
    std::unique_lock lock(mutex_);
    while (!ended_) {
        ::pthread_kill(thread_.native_handle(), StopSignal());
        endedChanged_.wait_for(lock, kStopRepeat);
    }
    lock.unlock();
    thread_.join();
}

void TModemWatch::Run()
{
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, StopSignal());
    ::pthread_sigmask(SIG_UNBLOCK, &stop, nullptr);

    // Changes are counted from here; the counters also tell which line changed and
    // catch a change made just before a wait began (reported with the next one).
    serial_icounter_struct last{};
    int error = driver_.GetCounters(fd_, last);
    while (error == 0 && !stopping_) {
        error = driver_.WaitForLineChange(fd_, kWatchedLines);
        if (stopping_)
            break;
        if (error != 0 && error != EINTR)
            break;
        serial_icounter_struct now{};
        error = driver_.GetCounters(fd_, now);
        if (error == 0) {
            if (const DWORD events = ModemEventsBetween(last, now))
                report_(*this, events, 0);
            last = now;
        }
    }
    if (error != 0 && !stopping_)
        report_(*this, 0, error);
    Finish();
}

void TModemWatch::Finish()
{
    std::lock_guard lock(mutex_);
    ended_ = true;
    endedChanged_.notify_all();
}

} // namespace WinComm
