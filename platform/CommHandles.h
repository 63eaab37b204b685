#pragma once
// The objects behind HANDLE values. A handle is a number that is never issued twice, so a
// handle used after CloseHandle is refused with ERROR_INVALID_HANDLE instead of reaching a
// freed or different object.
#include <memory>

#include "platform/WinComm.h"

namespace WinComm {

struct TKernelObject {
    virtual ~TKernelObject() = default;
};

HANDLE AddHandle(std::shared_ptr<TKernelObject> Object);
std::shared_ptr<TKernelObject> FindHandle(HANDLE Handle);
// Takes the object out of the table; the caller's reference may be the last one.
std::shared_ptr<TKernelObject> RemoveHandle(HANDLE Handle);

template <class T>
std::shared_ptr<T> FindHandleOf(HANDLE Handle)
{
    return std::dynamic_pointer_cast<T>(FindHandle(Handle));
}

} // namespace WinComm
