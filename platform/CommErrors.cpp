#include "platform/CommErrors.h"

#include <cerrno>

namespace WinComm {

namespace {

struct TErrnoMapping {
    int Errno;
    DWORD Windows;
};

// errno            Windows code                 why
// ENOENT           ERROR_FILE_NOT_FOUND          no such device node: the port does not exist
// ENOTDIR          ERROR_PATH_NOT_FOUND          a directory of the path is missing
// ENXIO, ENODEV    ERROR_FILE_NOT_FOUND          a node without a device behind it: the port is absent
// EACCES, EPERM,   ERROR_ACCESS_DENIED           no permission, or not a device one can open
// EROFS, EISDIR
// EWOULDBLOCK,     ERROR_ACCESS_DENIED           another program holds the device (Windows gives 5)
// EBUSY
// EIO              ERROR_DEVICE_NOT_CONNECTED    the line hung up: unplugged or the other side closed
// EINVAL           ERROR_INVALID_PARAMETER       the driver refused a setting
// ENOTTY           ERROR_INVALID_FUNCTION        not a serial device, or a call it does not know
// ENOMEM           ERROR_NOT_ENOUGH_MEMORY
// EMFILE, ENFILE   ERROR_TOO_MANY_OPEN_FILES
// EBADF            ERROR_INVALID_HANDLE
// anything else    ERROR_GEN_FAILURE             "a device attached to the system is not functioning"
constexpr TErrnoMapping kErrnoMappings[] = {
    {ENOENT, ERROR_FILE_NOT_FOUND},       {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {ENXIO, ERROR_FILE_NOT_FOUND},        {ENODEV, ERROR_FILE_NOT_FOUND},
    {EACCES, ERROR_ACCESS_DENIED},        {EPERM, ERROR_ACCESS_DENIED},
    {EROFS, ERROR_ACCESS_DENIED},         {EISDIR, ERROR_ACCESS_DENIED},
    {EWOULDBLOCK, ERROR_ACCESS_DENIED},   {EBUSY, ERROR_ACCESS_DENIED},
    {EIO, ERROR_DEVICE_NOT_CONNECTED},    {EINVAL, ERROR_INVALID_PARAMETER},
    {ENOTTY, ERROR_INVALID_FUNCTION},     {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},  {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {EBADF, ERROR_INVALID_HANDLE},
};

thread_local DWORD lastError = ERROR_SUCCESS;

} // namespace

DWORD WindowsErrorFromErrno(int Errno)
{
    for (const TErrnoMapping& mapping : kErrnoMappings)
        if (mapping.Errno == Errno)
            return mapping.Windows;
    return ERROR_GEN_FAILURE;
}

void SetThreadLastError(DWORD Error)
{
    lastError = Error;
}

DWORD ThreadLastError()
{
    return lastError;
}

} // namespace WinComm
