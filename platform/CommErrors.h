#pragma once
// Windows error codes for what POSIX reports, and the per-thread last error.
#include "platform/WinComm.h"

namespace WinComm {

// The Windows code that stands for errno value Errno (table in CommErrors.cpp).
DWORD WindowsErrorFromErrno(int Errno);

// GetLastError's value on the calling thread.
void SetThreadLastError(DWORD Error);
DWORD ThreadLastError();

} // namespace WinComm
