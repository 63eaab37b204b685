#pragma once
// A serial driver for tests of the POSIX layer on a pseudo-terminal: it plays a UART's
// modem lines with their change counters, the blocking wait for a line change and RS-485
// mode, and records every request. The wait blocks in a real system call (a read of a
// pipe) that a signal interrupts only when its handler does not ask for a restart, as
// the driver's wait does.
#include <linux/serial.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform/CommDriver.h"

class FakeCommDriver : public WinComm::TCommDriver {
public:
    struct TRequest {
        std::string Name; // "TIOCMGET", "TIOCGICOUNT", "TIOCMIWAIT", "TIOCGRS485", "TIOCSRS485"
        int Lines = 0;    // TIOCMIWAIT: the lines waited for
        serial_rs485 Rs485{}; // TIOCSRS485: the settings asked for
    };

    FakeCommDriver();
    ~FakeCommDriver() override;
    FakeCommDriver(const FakeCommDriver&) = delete;
    FakeCommDriver& operator=(const FakeCommDriver&) = delete;

    // What the driver can do; a request it cannot answer fails with ENOTTY.
    void SetHasCounters(bool Has);
    void SetHasLineWait(bool Has);
    void SetHasRs485(bool Has);
    // The driver takes RS-485 mode but not RTS on send (it clears that flag).
    void SetRs485WithoutRtsOnSend();
    // Each wait for a line change takes this long between its request and blocking, as
    // if the thread were slow to get there; a signal in between is lost to the wait.
    void SetPauseBeforeBlocking(std::chrono::milliseconds Pause);
    // The RS-485 settings the driver holds now.
    serial_rs485 Rs485() const;
    void SetRs485Settings(const serial_rs485& Settings);

    // The far end sets the lines (TIOCM_CTS, TIOCM_DSR, TIOCM_CD); each that changes counts once.
    void SetLines(int Lines);
    // One ring: RI on, then off.
    void Ring();

    std::vector<TRequest> Requests() const;
    int CountOf(const std::string& Name) const;
    bool AwaitRequest(const std::string& Name, std::chrono::milliseconds Timeout = std::chrono::seconds(2));
    // Waits until the Number-th wait for a line change (counted from 1) has started and
    // a wait is blocked in the driver: the changes before it have been taken in.
    bool AwaitBlockedWait(int Number = 1, std::chrono::milliseconds Timeout = std::chrono::seconds(2));
    int BlockedWaits() const;

    int GetModemLines(int Fd, int& Lines) override;
    int GetCounters(int Fd, serial_icounter_struct& Counters) override;
    int WaitForLineChange(int Fd, int Lines) override;
    int GetRs485(int Fd, serial_rs485& Config) override;
    int SetRs485(int Fd, serial_rs485& Config) override;

private:
    // Both expect mutex_ held.
    void Record(TRequest Request);
    void Wake();
    static bool ChangedSince(const serial_icounter_struct& Before, const serial_icounter_struct& Now, int Lines);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int wakePipe_[2] = {-1, -1};
    bool hasCounters_ = true;
    bool hasLineWait_ = true;
    bool hasRs485_ = true;
    bool dropsRtsOnSend_ = false;
    std::chrono::milliseconds pause_{0};
    serial_rs485 rs485_{};
    int lines_ = 0;
    serial_icounter_struct counters_{};
    int waitsStarted_ = 0;
    int blockedWaits_ = 0;
    std::vector<TRequest> requests_;
};
