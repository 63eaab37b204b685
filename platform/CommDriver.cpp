#include "platform/CommDriver.h"

#include <sys/ioctl.h>

#include <cerrno>

namespace WinComm {

namespace {

int Result(int Returned)
{
    return Returned == 0 ? 0 : errno;
}

class TLinuxCommDriver final : public TCommDriver {
public:
    int GetModemLines(int Fd, int& Lines) override { return Result(::ioctl(Fd, TIOCMGET, &Lines)); }
    int GetCounters(int Fd, serial_icounter_struct& Counters) override
    {
        return Result(::ioctl(Fd, TIOCGICOUNT, &Counters));
    }
    int WaitForLineChange(int Fd, int Lines) override { return Result(::ioctl(Fd, TIOCMIWAIT, Lines)); }
    int GetRs485(int Fd, serial_rs485& Config) override { return Result(::ioctl(Fd, TIOCGRS485, &Config)); }
    int SetRs485(int Fd, serial_rs485& Config) override { return Result(::ioctl(Fd, TIOCSRS485, &Config)); }
};

} // namespace

TCommDriver& LinuxCommDriver()
{
    static TLinuxCommDriver driver;
    return driver;
}

} // namespace WinComm
