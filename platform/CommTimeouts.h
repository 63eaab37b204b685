#pragma once
// The Windows rules for how long a serial read or write may take.
#include <chrono>
#include <optional>

#include "platform/WinComm.h"

namespace WinComm {

struct TReadPlan {
    bool Immediate = false;   // return at once with what is queued, even nothing
    bool ReturnOnAny = false; // return as soon as at least one byte is there
    std::optional<std::chrono::milliseconds> Total;    // from the start of the read
    std::optional<std::chrono::milliseconds> Interval; // between two bytes, after the first
};

// The one combination Windows refuses: every read field MAXDWORD.
bool ValidTimeouts(const COMMTIMEOUTS& Timeouts);

TReadPlan PlanRead(const COMMTIMEOUTS& Timeouts, DWORD Count);
std::optional<std::chrono::milliseconds> WriteTimeout(const COMMTIMEOUTS& Timeouts, DWORD Count);

} // namespace WinComm
