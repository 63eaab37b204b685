#pragma once
// The requests that only a real serial driver answers (a pseudo-terminal refuses them
// with ENOTTY): the modem lines, the counters of line changes and errors, the wait for a
// line change, and RS-485 mode. The POSIX layer makes them through this interface, so a
// test can stand in for a UART.
#include <linux/serial.h>

#include <memory>

#include "platform/WinComm.h"

namespace WinComm {

// Each request returns 0 or an errno value.
class TCommDriver {
public:
    virtual ~TCommDriver() = default;
    // TIOCMGET: the TIOCM_ bits of the lines that are on.
    virtual int GetModemLines(int Fd, int& Lines) = 0;
    // TIOCGICOUNT: how often each input line changed and each line error happened.
    virtual int GetCounters(int Fd, serial_icounter_struct& Counters) = 0;
    // TIOCMIWAIT: blocks until one of Lines (TIOCM_ bits) changes; a signal ends it with EINTR.
    virtual int WaitForLineChange(int Fd, int Lines) = 0;
    // TIOCGRS485 and TIOCSRS485; setting gives back what the driver made of the request.
    virtual int GetRs485(int Fd, serial_rs485& Config) = 0;
    virtual int SetRs485(int Fd, serial_rs485& Config) = 0;
};

// The kernel's drivers.
TCommDriver& LinuxCommDriver();

// A POSIX layer whose devices go to Driver for these requests.
std::unique_ptr<TCommApi> NewPosixCommApi(TCommDriver& Driver);

} // namespace WinComm
