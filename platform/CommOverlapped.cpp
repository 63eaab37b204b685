#include "platform/CommOverlapped.h"

#include <atomic>

namespace WinComm {

namespace {

constexpr uintptr_t kPending = 0x103; // STATUS_PENDING
constexpr uintptr_t kFailed = 0xC0000000u;

// The status is written by the thread that completes the transfer and read by the one
// that asks for the result.
uintptr_t LoadStatus(const OVERLAPPED& Overlapped)
{
    return std::atomic_ref<uintptr_t>(const_cast<uintptr_t&>(Overlapped.Internal)).load(std::memory_order_acquire);
}

void StoreStatus(OVERLAPPED& Overlapped, uintptr_t Status)
{
    std::atomic_ref<uintptr_t>(Overlapped.Internal).store(Status, std::memory_order_release);
}

} // namespace

void MarkPending(OVERLAPPED& Overlapped)
{
    Overlapped.InternalHigh = 0;
    StoreStatus(Overlapped, kPending);
}

void CompleteOverlapped(const TOverlappedOp& Op, DWORD Error, DWORD Bytes)
{
    Op.Overlapped->InternalHigh = Bytes;
    StoreStatus(*Op.Overlapped, Error == ERROR_SUCCESS ? 0 : kFailed | Error);
    Op.Event->Set();
}

bool IsPending(const OVERLAPPED& Overlapped)
{
    return LoadStatus(Overlapped) == kPending;
}

DWORD OverlappedError(const OVERLAPPED& Overlapped)
{
    const uintptr_t status = LoadStatus(Overlapped);
    return status == 0 || status == kPending ? ERROR_SUCCESS : static_cast<DWORD>(status & ~kFailed);
}

} // namespace WinComm
