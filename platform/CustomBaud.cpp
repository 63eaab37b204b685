#include "platform/CustomBaud.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace WinComm {

int SetCustomRate(int Fd, uint32_t Rate)
{
    termios2 tio{};
    if (::ioctl(Fd, TCGETS2, &tio) != 0)
        return errno;
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = Rate;
    tio.c_ospeed = Rate;
    if (::ioctl(Fd, TCSETS2, &tio) != 0)
        return errno;
    return 0;
}

uint32_t CurrentRate(int Fd)
{
    termios2 tio{};
    if (::ioctl(Fd, TCGETS2, &tio) != 0)
        return 0;
    return tio.c_ospeed;
}

uint32_t CurrentInputRate(int Fd)
{
    termios2 tio{};
    if (::ioctl(Fd, TCGETS2, &tio) != 0)
        return 0;
    return tio.c_ispeed;
}

} // namespace WinComm
