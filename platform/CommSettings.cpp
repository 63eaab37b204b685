#include "platform/CommSettings.h"

#include <sys/ioctl.h>

#include <cerrno>
#include <optional>

#include "platform/CustomBaud.h"

namespace WinComm {

namespace {

struct TStandardRate {
    uint32_t Rate;
    speed_t Speed;
};

constexpr TStandardRate kStandardRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

std::optional<speed_t> StandardSpeed(uint32_t Rate)
{
    for (const TStandardRate& standard : kStandardRates)
        if (standard.Rate == Rate)
            return standard.Speed;
    return std::nullopt;
}

constexpr DWORD DTR_CONTROL_ENABLE = 0x10, DTR_CONTROL_HANDSHAKE = 0x20;
constexpr DWORD RTS_CONTROL_ENABLE = 0x1000, RTS_CONTROL_HANDSHAKE = 0x2000, RTS_CONTROL_TOGGLE = 0x3000;

// Settings Linux has no way to make: DSR output flow, DTR handshake, DSR sensitivity and
// abort-on-error. Refused like a driver refuses what it cannot do.
constexpr DWORD kUnsupportedFlags = fOutxDsrFlow | fDsrSensitivity | fAbortOnError;

DWORD CheckDcb(const DCB& Dcb)
{
    const DWORD dtr = Dcb.Flags & DTR_CONTROL_MASK;
    const DWORD rts = Dcb.Flags & RTS_CONTROL_MASK;
    const bool xonXoff = (Dcb.Flags & (fOutX | fInX)) != 0;
    if (Dcb.BaudRate == 0 || Dcb.ByteSize < 5 || Dcb.ByteSize > 8 || Dcb.Parity > SPACEPARITY ||
        Dcb.StopBits > TWOSTOPBITS)
        return ERROR_INVALID_PARAMETER;
    // A UART sends 1.5 stop bits only after 5 data bits, and then cannot send 2.
    if (Dcb.StopBits == ONE5STOPBITS && Dcb.ByteSize != 5)
        return ERROR_INVALID_PARAMETER;
    if (Dcb.StopBits == TWOSTOPBITS && Dcb.ByteSize == 5)
        return ERROR_INVALID_PARAMETER;
    if ((Dcb.Flags & kUnsupportedFlags) || dtr == DTR_CONTROL_HANDSHAKE || dtr == DTR_CONTROL_MASK)
        return ERROR_INVALID_PARAMETER;
    // CTS output flow is also the RTS handshake on Linux, which would fight the toggle.
    if (rts == RTS_CONTROL_TOGGLE && (Dcb.Flags & fOutxCtsFlow))
        return ERROR_INVALID_PARAMETER;
    if (xonXoff && Dcb.XonChar == Dcb.XoffChar)
        return ERROR_INVALID_PARAMETER;
    return ERROR_SUCCESS;
}

} // namespace

void MakeRaw(termios& Attributes)
{
    Attributes.c_iflag &= ~(IGNBRK | BRKINT | IGNPAR | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY |
                            IMAXBEL | IUCLC | IUTF8);
    // Errors and breaks are wanted whatever the parity: Windows reports them all.
    Attributes.c_iflag |= INPCK | PARMRK;
    Attributes.c_oflag &= ~OPOST;
    Attributes.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOKE | ECHOPRT | ICANON | ISIG | IEXTEN |
                            TOSTOP | XCASE);
    // CLOCAL: a carrier drop must not hang the port up, as on Windows.
    Attributes.c_cflag |= CREAD | CLOCAL;
    // One byte makes the descriptor readable; with O_NONBLOCK an empty read is EAGAIN
    // and only a hang-up reads as end of file.
    Attributes.c_cc[VMIN] = 1;
    Attributes.c_cc[VTIME] = 0;
}

DWORD TranslateDcb(const DCB& Dcb, const termios& Current, TLineConfig& Config)
{
    if (DWORD error = CheckDcb(Dcb))
        return error;
    termios t = Current;
    MakeRaw(t);

    if (std::optional<speed_t> speed = StandardSpeed(Dcb.BaudRate)) {
        // A custom rate set before left its mark in the input-rate bits, which the kernel
        // would keep as the input rate: cleared, the input follows the output rate.
        t.c_cflag &= ~CIBAUD;
        cfsetispeed(&t, *speed);
        cfsetospeed(&t, *speed);
        Config.CustomRate = 0;
    } else {
        Config.CustomRate = Dcb.BaudRate;
    }

    constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= kSizes[Dcb.ByteSize - 5];
    switch (Dcb.Parity) {
    case ODDPARITY: t.c_cflag |= PARENB | PARODD; break;
    case EVENPARITY: t.c_cflag |= PARENB; break;
    case MARKPARITY: t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case SPACEPARITY: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (Dcb.StopBits != ONESTOPBIT)
        t.c_cflag |= CSTOPB; // with 5 data bits the UART makes that 1.5

    // Linux ties CTS output flow and the RTS input handshake into one flag.
    const DWORD rts = Dcb.Flags & RTS_CONTROL_MASK;
    if ((Dcb.Flags & fOutxCtsFlow) || rts == RTS_CONTROL_HANDSHAKE)
        t.c_cflag |= CRTSCTS;
    if (Dcb.Flags & fOutX)
        t.c_iflag |= IXON;
    if (Dcb.Flags & fInX)
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(Dcb.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(Dcb.XoffChar);
    Config.Attributes = t;

    Config.ModemOn = 0;
    Config.ModemOff = 0;
    ((Dcb.Flags & DTR_CONTROL_MASK) == DTR_CONTROL_ENABLE ? Config.ModemOn : Config.ModemOff) |= TIOCM_DTR;
    Config.RtsToggle = rts == RTS_CONTROL_TOGGLE;
    if (!Config.RtsToggle)
        (rts == RTS_CONTROL_ENABLE || rts == RTS_CONTROL_HANDSHAKE ? Config.ModemOn : Config.ModemOff) |= TIOCM_RTS;

    const bool checkParity = (Dcb.Flags & fParity) != 0;
    Config.Rx.DiscardNull = (Dcb.Flags & fNull) != 0;
    Config.Rx.CheckParity = checkParity;
    Config.Rx.ReplaceErrors = checkParity && (Dcb.Flags & fErrorChar) != 0;
    Config.Rx.ErrorChar = static_cast<uint8_t>(Dcb.ErrorChar);
    Config.Rx.EventChar = static_cast<uint8_t>(Dcb.EvtChar);
    Config.Rx.ParityEnabled = Dcb.Parity != NOPARITY;
    return ERROR_SUCCESS;
}

namespace {

int SetModemLines(int Fd, unsigned long Request, int Lines)
{
    if (Lines == 0 || ::ioctl(Fd, Request, &Lines) == 0)
        return 0;
    // A pseudo-terminal has no modem lines.
    return errno == ENOTTY || errno == EINVAL ? 0 : errno;
}

} // namespace

int ApplyLineConfig(int Fd, bool IsPty, const TLineConfig& Config)
{
    if (::tcsetattr(Fd, TCSANOW, &Config.Attributes) != 0) {
        if (!(IsPty && errno == EINVAL))
            return errno;
        termios kept = Config.Attributes;
        kept.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR);
        kept.c_cflag |= CS8;
        if (::tcsetattr(Fd, TCSANOW, &kept) != 0)
            return errno;
    }
    if (Config.CustomRate != 0)
        if (int error = SetCustomRate(Fd, Config.CustomRate))
            return error;
    if (int error = SetModemLines(Fd, TIOCMBIS, Config.ModemOn))
        return error;
    return SetModemLines(Fd, TIOCMBIC, Config.ModemOff);
}

DCB DcbFromAttributes(const termios& Attributes, uint32_t Rate)
{
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = Rate;
    // Linux raises DTR and RTS when a port opens.
    dcb.Flags = fBinary | DTR_CONTROL_ENABLE | RTS_CONTROL_ENABLE;
    if (Attributes.c_cflag & CRTSCTS)
        dcb.Flags = (dcb.Flags & ~RTS_CONTROL_MASK) | fOutxCtsFlow | RTS_CONTROL_HANDSHAKE;
    if (Attributes.c_iflag & IXON)
        dcb.Flags |= fOutX;
    if (Attributes.c_iflag & IXOFF)
        dcb.Flags |= fInX;
    switch (Attributes.c_cflag & CSIZE) {
    case CS5: dcb.ByteSize = 5; break;
    case CS6: dcb.ByteSize = 6; break;
    case CS7: dcb.ByteSize = 7; break;
    default: dcb.ByteSize = 8; break;
    }
    const tcflag_t c = Attributes.c_cflag;
    if (!(c & PARENB))
        dcb.Parity = NOPARITY;
    else if (c & CMSPAR)
        dcb.Parity = (c & PARODD) ? MARKPARITY : SPACEPARITY;
    else
        dcb.Parity = (c & PARODD) ? ODDPARITY : EVENPARITY;
    if (c & CSTOPB)
        dcb.StopBits = dcb.ByteSize == 5 ? ONE5STOPBITS : TWOSTOPBITS;
    dcb.XonChar = static_cast<char>(Attributes.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(Attributes.c_cc[VSTOP]);
    return dcb;
}

} // namespace WinComm
