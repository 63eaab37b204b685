#pragma once
// A Windows DCB as termios settings, modem lines and receive rules, and back.
#include <termios.h>

#include <cstdint>

#include "platform/InputQueue.h"
#include "platform/WinComm.h"

namespace WinComm {

struct TLineConfig {
    termios Attributes{};  // raw mode with the DCB's rate, frame and flow control
    uint32_t CustomRate = 0; // non-zero: a rate without a Bnnn constant, set through termios2
    int ModemOn = 0;       // TIOCM_DTR / TIOCM_RTS to raise
    int ModemOff = 0;      // and to drop
    bool RtsToggle = false; // RTS on while sending: the driver's RS-485 mode (RTS left to it)
    TRxRules Rx;
};

// Builds the configuration from Dcb on top of the device's Current attributes, or returns
// ERROR_INVALID_PARAMETER for a setting Windows refuses or Linux cannot make.
DWORD TranslateDcb(const DCB& Dcb, const termios& Current, TLineConfig& Config);

// Applies Config: 0 or an errno value. A pseudo-terminal keeps 8 data bits and no parity
// whatever it is told, and may say EINVAL for it; with IsPty that refusal is accepted and
// the rest of the settings applied.
int ApplyLineConfig(int Fd, bool IsPty, const TLineConfig& Config);

// Raw, non-canonical input with the line-error markers on; the frame and rate are kept.
void MakeRaw(termios& Attributes);

// The DCB that describes a freshly opened device.
DCB DcbFromAttributes(const termios& Attributes, uint32_t Rate);

} // namespace WinComm
