#include "platform/CommTimeouts.h"

namespace WinComm {

namespace {

// Multiplier times count plus constant; past about 30 years it stands for "no limit".
std::optional<std::chrono::milliseconds> TotalTimeout(DWORD Multiplier, DWORD Constant, DWORD Count)
{
    if (Multiplier == 0 && Constant == 0)
        return std::nullopt;
    constexpr unsigned long long kNoLimit = 1ull << 40;
    const unsigned long long ms = static_cast<unsigned long long>(Multiplier) * Count + Constant;
    if (ms >= kNoLimit)
        return std::nullopt;
    return std::chrono::milliseconds(ms);
}

} // namespace

bool ValidTimeouts(const COMMTIMEOUTS& Timeouts)
{
    return !(Timeouts.ReadIntervalTimeout == MAXDWORD && Timeouts.ReadTotalTimeoutMultiplier == MAXDWORD &&
             Timeouts.ReadTotalTimeoutConstant == MAXDWORD);
}

TReadPlan PlanRead(const COMMTIMEOUTS& Timeouts, DWORD Count)
{
    TReadPlan plan;
    const DWORD interval = Timeouts.ReadIntervalTimeout;
    const DWORD multiplier = Timeouts.ReadTotalTimeoutMultiplier;
    const DWORD constant = Timeouts.ReadTotalTimeoutConstant;
    if (interval == MAXDWORD && multiplier == 0 && constant == 0) {
        plan.Immediate = true;
        return plan;
    }
    if (interval == MAXDWORD && multiplier == MAXDWORD && constant > 0 && constant < MAXDWORD) {
        plan.ReturnOnAny = true;
        plan.Total = std::chrono::milliseconds(constant);
        return plan;
    }
    plan.Total = TotalTimeout(multiplier, constant, Count);
    if (interval != 0 && interval != MAXDWORD)
        plan.Interval = std::chrono::milliseconds(interval);
    return plan;
}

std::optional<std::chrono::milliseconds> WriteTimeout(const COMMTIMEOUTS& Timeouts, DWORD Count)
{
    return TotalTimeout(Timeouts.WriteTotalTimeoutMultiplier, Timeouts.WriteTotalTimeoutConstant, Count);
}

} // namespace WinComm
