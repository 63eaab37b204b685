#pragma once
// The Windows serial calls the port component is written against, with their Windows
// encodings (DCB, COMMTIMEOUTS, EV_/PURGE_/CE_/MS_ flags, error codes). TCommApi is the
// seam: the port talks only to a TCommApi, the POSIX one drives real devices and
// pseudo-terminals, and tests substitute a recorder.
#include <cstdint>
#include <memory>
#include <string>

namespace WinComm {

using DWORD = uint32_t;
using WORD = uint16_t;
using BYTE = uint8_t;
using BOOL = bool;

// An open object of the layer: a device, or an event. Opaque to callers.
struct TKernelObject;
using HANDLE = TKernelObject*;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~uintptr_t{0});

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000u;

constexpr DWORD INFINITE = 0xFFFFFFFFu;
constexpr DWORD MAXDWORD = 0xFFFFFFFFu;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;

// Windows error codes, as GetLastError reports them.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_OPERATION_ABORTED = 995;
constexpr DWORD ERROR_IO_INCOMPLETE = 996;
constexpr DWORD ERROR_IO_PENDING = 997;
constexpr DWORD ERROR_NOACCESS = 998;
constexpr DWORD ERROR_DEVICE_NOT_CONNECTED = 1167;
constexpr DWORD ERROR_BAD_CONFIGURATION = 1610;
constexpr DWORD ERROR_BAD_COMMAND = 22;

// DCB flag bits (the Flags word).
constexpr DWORD fBinary = 0x1;
constexpr DWORD fParity = 0x2;
constexpr DWORD fOutxCtsFlow = 0x4;
constexpr DWORD fOutxDsrFlow = 0x8;
constexpr DWORD DTR_CONTROL_MASK = 0x30;   // DISABLE 0, ENABLE 0x10, HANDSHAKE 0x20
constexpr DWORD fDsrSensitivity = 0x40;
constexpr DWORD fTXContinueOnXoff = 0x80;
constexpr DWORD fOutX = 0x100;
constexpr DWORD fInX = 0x200;
constexpr DWORD fErrorChar = 0x400;
constexpr DWORD fNull = 0x800;
constexpr DWORD RTS_CONTROL_MASK = 0x3000; // DISABLE 0, ENABLE 0x1000, HANDSHAKE 0x2000, TOGGLE 0x3000
constexpr DWORD fAbortOnError = 0x4000;

constexpr BYTE NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
constexpr BYTE ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;

// The Windows DCB record, field for field (28 bytes).
struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD Flags;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};
static_assert(sizeof(DCB) == 28);

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
};

struct COMSTAT {
    DWORD Flags;
    DWORD cbInQue;
    DWORD cbOutQue;
};

// Communication events (SetCommMask / WaitCommEvent).
constexpr DWORD EV_RXCHAR = 0x1, EV_RXFLAG = 0x2, EV_TXEMPTY = 0x4, EV_CTS = 0x8, EV_DSR = 0x10,
                EV_RLSD = 0x20, EV_BREAK = 0x40, EV_ERR = 0x80, EV_RING = 0x100, EV_RX80FULL = 0x400;
// PurgeComm.
constexpr DWORD PURGE_TXABORT = 0x1, PURGE_RXABORT = 0x2, PURGE_TXCLEAR = 0x4, PURGE_RXCLEAR = 0x8;
// ClearCommError.
constexpr DWORD CE_RXOVER = 0x1, CE_OVERRUN = 0x2, CE_RXPARITY = 0x4, CE_FRAME = 0x8, CE_BREAK = 0x10,
                CE_TXFULL = 0x100, CE_PTO = 0x200, CE_IOE = 0x400, CE_DNS = 0x800, CE_OOP = 0x1000,
                CE_MODE = 0x8000;
// GetCommModemStatus.
constexpr DWORD MS_CTS_ON = 0x10, MS_DSR_ON = 0x20, MS_RING_ON = 0x40, MS_RLSD_ON = 0x80;

// An overlapped transfer: the caller owns the record and its event. The layer keeps its
// own bookkeeping in Internal/InternalHigh as Windows does.
struct OVERLAPPED {
    uintptr_t Internal;
    uintptr_t InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
};

// The calls, one virtual each, with the Windows meaning. A call that fails returns false
// (or INVALID_HANDLE_VALUE / WAIT_FAILED) and leaves its Windows error code for
// GetLastError on the calling thread.
class TCommApi {
public:
    virtual ~TCommApi() = default;

    virtual HANDLE CreateFileA(const std::string& FileName, DWORD DesiredAccess, DWORD ShareMode,
                               DWORD CreationDisposition, DWORD FlagsAndAttributes) = 0;
    virtual BOOL CloseHandle(HANDLE Object) = 0;

    virtual BOOL SetupComm(HANDLE File, DWORD InQueue, DWORD OutQueue) = 0;
    virtual BOOL SetCommState(HANDLE File, const DCB& Dcb) = 0;
    virtual BOOL GetCommState(HANDLE File, DCB& Dcb) = 0;
    virtual BOOL SetCommTimeouts(HANDLE File, const COMMTIMEOUTS& Timeouts) = 0;
    virtual BOOL SetCommMask(HANDLE File, DWORD EventMask) = 0;
    virtual BOOL WaitCommEvent(HANDLE File, DWORD* EventMask, OVERLAPPED* Overlapped) = 0;
    virtual BOOL ReadFile(HANDLE File, void* Buffer, DWORD BytesToRead, DWORD* BytesRead,
                          OVERLAPPED* Overlapped) = 0;
    virtual BOOL WriteFile(HANDLE File, const void* Buffer, DWORD BytesToWrite, DWORD* BytesWritten,
                           OVERLAPPED* Overlapped) = 0;
    virtual BOOL GetOverlappedResult(HANDLE File, OVERLAPPED* Overlapped, DWORD* BytesTransferred,
                                     BOOL Wait) = 0;
    virtual BOOL PurgeComm(HANDLE File, DWORD Flags) = 0;
    virtual BOOL ClearCommError(HANDLE File, DWORD* Errors, COMSTAT* Stat) = 0;
    virtual BOOL GetCommModemStatus(HANDLE File, DWORD* ModemStat) = 0;

    // Events: manual or automatic reset; waits block without polling.
    virtual HANDLE CreateEventA(BOOL ManualReset, BOOL InitialState) = 0;
    virtual BOOL SetEvent(HANDLE Event) = 0;
    virtual BOOL ResetEvent(HANDLE Event) = 0;
    virtual DWORD WaitForSingleObject(HANDLE Object, DWORD Milliseconds) = 0;
    virtual DWORD WaitForMultipleObjects(DWORD Count, const HANDLE* Handles, BOOL WaitAll,
                                         DWORD Milliseconds) = 0;

    virtual DWORD GetLastError() = 0;
    virtual void Sleep(DWORD Milliseconds) = 0;
};

// The layer over POSIX termios that drives real serial devices and pseudo-terminals.
TCommApi& PosixCommApi();

// "\\.\" + port name as the port component builds it, to the Linux device path: a path
// ("\\.\/dev/pts/3") is used as is, "COMn" (any case) is the device the serial layer's
// settings file names for it, else /dev/ttyS<n-1>; any other name is taken from /dev
// ("ttyUSB0" is /dev/ttyUSB0). The README lists the rules. ERROR_BAD_CONFIGURATION for a
// COM name while the settings file cannot be read or has a bad line.
DWORD DevicePathFor(const std::string& WindowsName, std::string& Path);

} // namespace WinComm
