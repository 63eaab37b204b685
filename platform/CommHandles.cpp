#include "platform/CommHandles.h"

#include <mutex>
#include <unordered_map>

namespace WinComm {

namespace {

struct THandleTable {
    std::mutex Mutex;
    std::unordered_map<uintptr_t, std::shared_ptr<TKernelObject>> Objects;
    uintptr_t Next = 0x1000; // steps by 4 like Windows handles; never 0 nor INVALID_HANDLE_VALUE
};

THandleTable& Table()
{
    static THandleTable table;
    return table;
}

uintptr_t Key(HANDLE Handle)
{
    return reinterpret_cast<uintptr_t>(Handle);
}

} // namespace

HANDLE AddHandle(std::shared_ptr<TKernelObject> Object)
{
    THandleTable& table = Table();
    std::lock_guard lock(table.Mutex);
    const uintptr_t key = table.Next;
    table.Next += 4;
    table.Objects.emplace(key, std::move(Object));
    return reinterpret_cast<HANDLE>(key);
}

std::shared_ptr<TKernelObject> FindHandle(HANDLE Handle)
{
    THandleTable& table = Table();
    std::lock_guard lock(table.Mutex);
    auto found = table.Objects.find(Key(Handle));
    return found == table.Objects.end() ? nullptr : found->second;
}

std::shared_ptr<TKernelObject> RemoveHandle(HANDLE Handle)
{
    THandleTable& table = Table();
    std::lock_guard lock(table.Mutex);
    auto found = table.Objects.find(Key(Handle));
    if (found == table.Objects.end())
        return nullptr;
    std::shared_ptr<TKernelObject> object = std::move(found->second);
    table.Objects.erase(found);
    return object;
}

} // namespace WinComm
