#include "serial/ComTypes.h"

#include <array>
#include <string>

using namespace WinComm;

namespace {

constexpr std::array<DWORD, 16> kBaudRates = {0,    110,   300,   600,   1200,  2400,   4800,   9600,
                                              14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
constexpr std::array<DWORD, 10> kEventMasks = {EV_RXCHAR, EV_TXEMPTY, EV_RXFLAG, EV_RING, EV_BREAK,
                                               EV_CTS,    EV_DSR,     EV_ERR,    EV_RLSD, EV_RX80FULL};
constexpr std::array<DWORD, 3> kDTRFlags = {0x0, 0x10, 0x20};
constexpr std::array<DWORD, 4> kRTSFlags = {0x0, 0x1000, 0x2000, 0x3000};

constexpr std::array<const char*, 22> kErrorTexts = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set SyncMethod while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
};

} // namespace

DWORD BaudRateValue(TBaudRate Rate)
{
    return kBaudRates.at(Rate);
}

BYTE StopBitsValue(TStopBits Bits)
{
    return static_cast<BYTE>(Bits);
}

BYTE DataBitsValue(TDataBits Bits)
{
    return static_cast<BYTE>(5 + Bits);
}

BYTE ParityValue(TParityBits Bits)
{
    return static_cast<BYTE>(Bits);
}

DWORD DTRControlFlags(TDTRFlowControl Control)
{
    return kDTRFlags.at(Control);
}

DWORD RTSControlFlags(TRTSFlowControl Control)
{
    return kRTSFlags.at(Control);
}

DWORD ComEventMask(TComEvent Event)
{
    return kEventMasks.at(Event);
}

DWORD ComEventsToMask(TComEvents Events)
{
    DWORD mask = 0;
    for (unsigned member = 0; member < kEventMasks.size(); ++member)
        if (Events.Contains(static_cast<TComEvent>(member)))
            mask |= kEventMasks[member];
    return mask;
}

TComEvents MaskToComEvents(DWORD Mask)
{
    TComEvents events;
    for (unsigned member = 0; member < kEventMasks.size(); ++member)
        if (Mask & kEventMasks[member])
            events.Include(static_cast<TComEvent>(member));
    return events;
}

const char* ComErrorText(int Code)
{
    return Code >= 1 && Code <= static_cast<int>(kErrorTexts.size()) ? kErrorTexts[static_cast<size_t>(Code - 1)] : "";
}

EComPort::EComPort(int Code, int WinCode)
    : Exception(std::string(ComErrorText(Code)) + Format(" (win error code: %d)", WinCode)),
      systemErrorCode_(WinCode), errorCode_(Code)
{
}

EComPort::EComPort(int Code) : Exception(ComErrorText(Code)), systemErrorCode_(-1), errorCode_(Code)
{
}
