#pragma once
// The layer's own input queue, the one ClearCommError counts and ReadFile empties: bytes
// read from the device after decoding the line-error markers and applying the DCB's
// receive rules. Accepting bytes reports the communication events and line errors they
// cause, as a Windows driver does when characters arrive.
#include <cstddef>
#include <cstdint>
#include <deque>

#include "platform/ParmrkDecoder.h"
#include "platform/WinComm.h"

namespace WinComm {

// What the DCB says about received bytes.
struct TRxRules {
    bool DiscardNull = false;     // fNull
    bool CheckParity = false;     // fParity: parity errors are reported
    bool ReplaceErrors = false;   // fParity and fErrorChar: a byte with a parity error becomes ErrorChar
    uint8_t ErrorChar = 0;
    uint8_t EventChar = 0;        // EvtChar, for EV_RXFLAG
    bool ParityEnabled = false;   // the frame has a parity bit (Parity not NOPARITY)
};

// The device's line error counters (TIOCGICOUNT), as increases since the last batch.
// Known is false where the device has no counters (a pseudo-terminal).
struct TLineCounts {
    bool Known = false;
    uint32_t Parity = 0;
    uint32_t Frame = 0;
    uint32_t Overrun = 0;
    uint32_t BufferOverrun = 0;
};

struct TRxOutcome {
    DWORD Events = 0; // EV_ bits caused by the batch, before the event mask
    DWORD Errors = 0; // CE_ flags
};

class TInputQueue {
public:
    explicit TInputQueue(size_t Capacity) : capacity_(Capacity) {}

    // Decodes one batch of raw bytes read from the device.
    TRxOutcome Accept(const uint8_t* Raw, size_t Count, const TRxRules& Rules, const TLineCounts& Counts);

    size_t Size() const { return bytes_.size(); }
    // Raw bytes that may be read from the device without passing Capacity; what is
    // left waits in the driver, where flow control can hold the sender.
    size_t Room() const { return bytes_.size() < capacity_ ? capacity_ - bytes_.size() : 0; }
    void SetCapacity(size_t Capacity) { capacity_ = Capacity; }
    size_t Take(uint8_t* Buffer, size_t Count);
    void Clear();

private:
    void Append(uint8_t Byte, const TRxRules& Rules, TRxOutcome& Outcome);

    size_t capacity_;
    std::deque<uint8_t> bytes_;
    TParmrkDecoder decoder_;
};

} // namespace WinComm
