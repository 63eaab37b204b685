#pragma once
// A thread that waits in the driver for changes of the modem input lines (CTS, DSR, RLSD,
// ring) and reports each as communication events. While the lines are still it sleeps in
// the driver's one blocking request, which nothing can poll; stopping ends that request
// with a signal of the layer's own, whose handler does nothing and does not restart it.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/CommDriver.h"

namespace WinComm {

class TModemWatch {
public:
    // Called on the watch's thread with the EV_CTS/EV_DSR/EV_RLSD/EV_RING events of one
    // change and Error 0, or once with the errno that ended the watch (ENOTTY: the driver
    // cannot wait for the lines). A report that takes the lock under which the stop is
    // asked drops itself when StopAsked() is true.
    using TReport = std::function<void(const TModemWatch& Watch, DWORD Events, int Error)>;

    // Starts the thread; throws std::system_error when it cannot.
    TModemWatch(TCommDriver& Driver, int Fd, TReport Report);
    // Stops the thread and waits for it to end.
    ~TModemWatch();
    TModemWatch(const TModemWatch&) = delete;
    TModemWatch& operator=(const TModemWatch&) = delete;

    // The thread ends at its next step; the destructor also waits for it.
    void AskStop() { stopping_ = true; }
    bool StopAsked() const { return stopping_; }

private:
    void Run();
    void Finish();

    TCommDriver& driver_;
    const int fd_;
    const TReport report_;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable endedChanged_;
    bool ended_ = false;
    std::thread thread_;
};

} // namespace WinComm
