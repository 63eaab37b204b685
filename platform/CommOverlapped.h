#pragma once
// An overlapped transfer's state, kept in the caller's OVERLAPPED as Windows does:
// Internal is the status (0 success, pending, or a failure with its Windows code),
// InternalHigh the bytes transferred. A zero-filled record reads as "done, 0 bytes".
#include <memory>

#include "platform/CommEvents.h"
#include "platform/WinComm.h"

namespace WinComm {

// A transfer as a device keeps it: the caller's record and the event it signals.
struct TOverlappedOp {
    OVERLAPPED* Overlapped = nullptr;
    std::shared_ptr<TEventObject> Event;
};

void MarkPending(OVERLAPPED& Overlapped);
// Stores the result, then signals the event; Error 0 is success.
void CompleteOverlapped(const TOverlappedOp& Op, DWORD Error, DWORD Bytes);

bool IsPending(const OVERLAPPED& Overlapped);
// The Windows code of a completed transfer, 0 for success.
DWORD OverlappedError(const OVERLAPPED& Overlapped);

} // namespace WinComm
