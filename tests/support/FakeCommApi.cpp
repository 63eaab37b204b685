#include "support/FakeCommApi.h"

#include <algorithm>
#include <cstring>
#include <thread>

using namespace WinComm;

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;
// Overlapped.Internal while the operation is still under way.
constexpr uintptr_t kPending = 0x103;

HANDLE HandleOf(uintptr_t Id)
{
    return reinterpret_cast<HANDLE>(Id);
}

uintptr_t IdOf(HANDLE Handle)
{
    return reinterpret_cast<uintptr_t>(Handle);
}

FakeCommApi::TCall MakeCall(const char* Name, HANDLE Handle = nullptr, DWORD Arg1 = 0, DWORD Arg2 = 0)
{
    FakeCommApi::TCall call;
    call.Name = Name;
    call.Handle = Handle;
    call.Arg1 = Arg1;
    call.Arg2 = Arg2;
    return call;
}

bool IsEventCall(const std::string& Name)
{
    return Name == "CreateEventA" || Name == "SetEvent" || Name == "ResetEvent" || Name == "WaitForSingleObject" ||
           Name == "WaitForMultipleObjects" || Name == "Sleep";
}

} // namespace

FakeCommApi::FakeCommApi() = default;
FakeCommApi::~FakeCommApi() = default;

std::vector<FakeCommApi::TCall> FakeCommApi::Calls() const
{
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<std::string> FakeCommApi::CallNames() const
{
    std::vector<std::string> names;
    for (const TCall& call : Calls())
        names.push_back(call.Name);
    return names;
}

std::vector<std::string> FakeCommApi::DeviceCallNames() const
{
    std::vector<std::string> names;
    for (const TCall& call : Calls())
        if (!IsEventCall(call.Name))
            names.push_back(call.Name);
    return names;
}

std::vector<FakeCommApi::TCall> FakeCommApi::CallsNamed(const std::string& Name) const
{
    std::vector<TCall> named;
    for (const TCall& call : Calls())
        if (call.Name == Name)
            named.push_back(call);
    return named;
}

void FakeCommApi::ClearCalls()
{
    std::lock_guard lock(mutex_);
    calls_.clear();
}

bool FakeCommApi::WaitForCall(const std::string& Name, std::chrono::milliseconds Timeout)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, Timeout, [&] {
        return std::any_of(calls_.begin(), calls_.end(), [&](const TCall& Call) { return Call.Name == Name; });
    });
}

void FakeCommApi::FailNext(const std::string& Name, DWORD Error, int Times)
{
    std::lock_guard lock(mutex_);
    auto& queue = failures_[Name];
    queue.insert(queue.end(), static_cast<size_t>(Times), Error);
}

void FakeCommApi::QueueInput(const std::string& Bytes)
{
    std::lock_guard lock(mutex_);
    input_ += Bytes;
}

std::string FakeCommApi::QueuedInput() const
{
    std::lock_guard lock(mutex_);
    return input_;
}

void FakeCommApi::SetLineErrors(DWORD Flags)
{
    std::lock_guard lock(mutex_);
    lineErrors_ = Flags;
}

void FakeCommApi::SetModemStatus(DWORD Status)
{
    std::lock_guard lock(mutex_);
    modemStatus_ = Status;
}

bool FakeCommApi::CompleteCommWait(DWORD Mask, std::chrono::milliseconds Timeout)
{
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, Timeout, [&] { return waitPending_; }))
        return false;
    CompletePending(Mask);
    return true;
}

bool FakeCommApi::WaitForPendingCommWait(std::chrono::milliseconds Timeout)
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, Timeout, [&] { return waitPending_; });
}

void FakeCommApi::CompleteNextCommWaitAtOnce(DWORD Mask)
{
    std::lock_guard lock(mutex_);
    completeAtOnce_ = true;
    atOnceMask_ = Mask;
}

bool FakeCommApi::DeviceOpen() const
{
    std::lock_guard lock(mutex_);
    return device_ != 0;
}

int FakeCommApi::LiveEvents() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(events_.size());
}

bool FakeCommApi::UsedReleasedHandle() const
{
    std::lock_guard lock(mutex_);
    return usedReleased_;
}

void FakeCommApi::Record(TCall Call)
{
    calls_.push_back(std::move(Call));
    changed_.notify_all();
}

bool FakeCommApi::ScriptedFailure(const std::string& Name)
{
    auto found = failures_.find(Name);
    if (found == failures_.end() || found->second.empty())
        return false;
    lastError = found->second.front();
    found->second.erase(found->second.begin());
    return true;
}

bool FakeCommApi::CheckDevice(HANDLE File)
{
    if (device_ != 0 && IdOf(File) == device_)
        return true;
    if (File != INVALID_HANDLE_VALUE)
        usedReleased_ = true;
    lastError = ERROR_INVALID_HANDLE;
    return false;
}

FakeCommApi::TEvent* FakeCommApi::FindEvent(HANDLE Event)
{
    auto found = events_.find(IdOf(Event));
    if (found != events_.end())
        return &found->second;
    usedReleased_ = true;
    lastError = ERROR_INVALID_HANDLE;
    return nullptr;
}

void FakeCommApi::Signal(HANDLE Event)
{
    if (TEvent* event = FindEvent(Event)) {
        event->Signalled = true;
        changed_.notify_all();
    }
}

void FakeCommApi::CompletePending(DWORD Mask)
{
    *pendingWait_.Mask = Mask;
    pendingWait_.Overlapped->Internal = 0;
    pendingWait_.Overlapped->InternalHigh = 0;
    waitPending_ = false;
    Signal(pendingWait_.Overlapped->hEvent);
}

HANDLE FakeCommApi::CreateFileA(const std::string& FileName, DWORD DesiredAccess, DWORD ShareMode,
                                DWORD CreationDisposition, DWORD FlagsAndAttributes)
{
    std::lock_guard lock(mutex_);
    TCall call = MakeCall("CreateFileA");
    call.Text = FileName;
    call.Arg1 = DesiredAccess;
    call.Arg2 = ShareMode;
    call.Arg3 = CreationDisposition;
    call.Arg4 = FlagsAndAttributes;
    Record(call);
    if (ScriptedFailure("CreateFileA"))
        return INVALID_HANDLE_VALUE;
    device_ = nextHandle_++;
    return HandleOf(device_);
}

BOOL FakeCommApi::CloseHandle(HANDLE Object)
{
    std::lock_guard lock(mutex_);
    Record(MakeCall("CloseHandle", Object));
    if (device_ != 0 && IdOf(Object) == device_) {
        device_ = 0;
        return true;
    }
    if (events_.erase(IdOf(Object)) == 1)
        return true;
    usedReleased_ = true;
    lastError = ERROR_INVALID_HANDLE;
    return false;
}

BOOL FakeCommApi::SetupComm(HANDLE File, DWORD InQueue, DWORD OutQueue)
{
    std::lock_guard lock(mutex_);
    Record(MakeCall("SetupComm", File, InQueue, OutQueue));
    return !ScriptedFailure("SetupComm") && CheckDevice(File);
}

BOOL FakeCommApi::SetCommState(HANDLE File, const DCB& Dcb)
{
    std::lock_guard lock(mutex_);
    TCall call = MakeCall("SetCommState", File);
    call.Dcb = Dcb;
    Record(call);
    if (ScriptedFailure("SetCommState") || !CheckDevice(File))
        return false;
    lastDcb_ = Dcb;
    return true;
}

BOOL FakeCommApi::GetCommState(HANDLE File, DCB& Dcb)
{
    std::lock_guard lock(mutex_);
    Record(MakeCall("GetCommState", File));
    if (ScriptedFailure("GetCommState") || !CheckDevice(File))
        return false;
    Dcb = lastDcb_;
    return true;
}

BOOL FakeCommApi::SetCommTimeouts(HANDLE File, const COMMTIMEOUTS& Timeouts)
{
    std::lock_guard lock(mutex_);
    TCall call = MakeCall("SetCommTimeouts", File);
    call.Timeouts = Timeouts;
    Record(call);
    return !ScriptedFailure("SetCommTimeouts") && CheckDevice(File);
}

BOOL FakeCommApi::SetCommMask(HANDLE File, DWORD EventMask)
{
    std::lock_guard lock(mutex_);
    Record(MakeCall("SetCommMask", File, EventMask));
    if (ScriptedFailure("SetCommMask") || !CheckDevice(File))
        return false;
    // A new mask ends a pending wait, which reports no event.
    if (waitPending_)
        CompletePending(0);
    return true;
}

BOOL FakeCommApi::WaitCommEvent(HANDLE File, DWORD* EventMask, OVERLAPPED* Overlapped)
{
    std::lock_guard lock(mutex_);
    Record(MakeCall("WaitCommEvent", File));
    if (ScriptedFailure("WaitCommEvent") || !CheckDevice(File))
        return false;
    if (TEvent* event = FindEvent(Overlapped->hEvent))
        event->Signalled = false;
    Overlapped->Internal = kPending;
    pendingWait_ = {EventMask, Overlapped};
    waitPending_ = true;
    if (completeAtOnce_) {
        completeAtOnce_ = false;
        CompletePending(atOnceMask_);
        return true;
    }
    changed_.notify_all();
    lastError = ERROR_IO_PENDING;
    return false;
}

BOOL FakeCommApi::ReadFile(HANDLE File, void* Buffer, DWORD BytesToRead, DWORD* BytesRead, OVERLAPPED* Overlapped)
{
    std::lock_guard lock(mutex_);
    Record(MakeCall("ReadFile", File, BytesToRead));
    if (ScriptedFailure("ReadFile") || !CheckDevice(File))
        return false;
    // The default time-outs: whatever is queued, at once.
    const size_t count = std::min<size_t>(BytesToRead, input_.size());
    std::memcpy(Buffer, input_.data(), count);
    input_.erase(0, count);
    *BytesRead = static_cast<DWORD>(count);
    Overlapped->Internal = 0;
    Overlapped->InternalHigh = count;
    Signal(Overlapped->hEvent);
    return true;
}

BOOL FakeCommApi::WriteFile(HANDLE File, const void*, DWORD BytesToWrite, DWORD* BytesWritten, OVERLAPPED* Overlapped)
{
    std::lock_guard lock(mutex_);
    Record(MakeCall("WriteFile", File, BytesToWrite));
    if (ScriptedFailure("WriteFile") || !CheckDevice(File))
        return false;
    *BytesWritten = BytesToWrite;
    Overlapped->Internal = 0;
    Overlapped->InternalHigh = BytesToWrite;
    Signal(Overlapped->hEvent);
    return true;
}

BOOL FakeCommApi::GetOverlappedResult(HANDLE File, OVERLAPPED* Overlapped, DWORD* BytesTransferred, BOOL)
{
    std::lock_guard lock(mutex_);
    Record(MakeCall("GetOverlappedResult", File));
    if (ScriptedFailure("GetOverlappedResult") || !CheckDevice(File))
        return false;
    if (Overlapped->Internal == kPending) {
        lastError = ERROR_IO_INCOMPLETE;
        return false;
    }
    *BytesTransferred = static_cast<DWORD>(Overlapped->InternalHigh);
    return true;
}

BOOL FakeCommApi::PurgeComm(HANDLE File, DWORD Flags)
{
    std::lock_guard lock(mutex_);
    Record(MakeCall("PurgeComm", File, Flags));
    if (ScriptedFailure("PurgeComm") || !CheckDevice(File))
        return false;
    if (Flags & PURGE_RXCLEAR)
        input_.clear();
    return true;
}

BOOL FakeCommApi::ClearCommError(HANDLE File, DWORD* Errors, COMSTAT* Stat)
{
    std::lock_guard lock(mutex_);
    Record(MakeCall("ClearCommError", File));
    if (ScriptedFailure("ClearCommError") || !CheckDevice(File))
        return false;
    *Errors = lineErrors_;
    lineErrors_ = 0;
    *Stat = COMSTAT{};
    Stat->cbInQue = static_cast<DWORD>(input_.size());
    return true;
}

BOOL FakeCommApi::GetCommModemStatus(HANDLE File, DWORD* ModemStat)
{
    std::lock_guard lock(mutex_);
    Record(MakeCall("GetCommModemStatus", File));
    if (ScriptedFailure("GetCommModemStatus") || !CheckDevice(File))
        return false;
    *ModemStat = modemStatus_;
    return true;
}

HANDLE FakeCommApi::CreateEventA(BOOL ManualReset, BOOL InitialState)
{
    std::lock_guard lock(mutex_);
    const uintptr_t id = nextHandle_++;
    Record(MakeCall("CreateEventA", HandleOf(id), ManualReset, InitialState));
    events_[id] = TEvent{ManualReset, InitialState};
    return HandleOf(id);
}

BOOL FakeCommApi::SetEvent(HANDLE Event)
{
    std::lock_guard lock(mutex_);
    Record(MakeCall("SetEvent", Event));
    if (FindEvent(Event) == nullptr)
        return false;
    Signal(Event);
    return true;
}

BOOL FakeCommApi::ResetEvent(HANDLE Event)
{
    std::lock_guard lock(mutex_);
    Record(MakeCall("ResetEvent", Event));
    TEvent* event = FindEvent(Event);
    if (event == nullptr)
        return false;
    event->Signalled = false;
    return true;
}

DWORD FakeCommApi::WaitForSingleObject(HANDLE Object, DWORD Milliseconds)
{
    std::unique_lock lock(mutex_);
    Record(MakeCall("WaitForSingleObject", Object, Milliseconds));
    if (ScriptedFailure("WaitForSingleObject"))
        return WAIT_FAILED;
    return WaitFor(lock, 1, &Object, Milliseconds);
}

DWORD FakeCommApi::WaitForMultipleObjects(DWORD Count, const HANDLE* Handles, BOOL, DWORD Milliseconds)
{
    std::unique_lock lock(mutex_);
    Record(MakeCall("WaitForMultipleObjects", nullptr, Count, Milliseconds));
    if (ScriptedFailure("WaitForMultipleObjects"))
        return WAIT_FAILED;
    return WaitFor(lock, Count, Handles, Milliseconds);
}

DWORD FakeCommApi::WaitFor(std::unique_lock<std::mutex>& Lock, DWORD Count, const HANDLE* Handles, DWORD Milliseconds)
{
    DWORD result = WAIT_TIMEOUT;
    auto ready = [&] {
        for (DWORD index = 0; index < Count; ++index) {
            auto found = events_.find(IdOf(Handles[index]));
            if (found == events_.end()) {
                usedReleased_ = true;
                lastError = ERROR_INVALID_HANDLE;
                result = WAIT_FAILED;
                return true;
            }
            if (found->second.Signalled) {
                if (!found->second.ManualReset)
                    found->second.Signalled = false;
                result = WAIT_OBJECT_0 + index;
                return true;
            }
        }
        return false;
    };
    if (Milliseconds == INFINITE)
        changed_.wait(Lock, ready);
    else
        changed_.wait_for(Lock, std::chrono::milliseconds(Milliseconds), ready);
    return result;
}

DWORD FakeCommApi::GetLastError()
{
    return lastError;
}

void FakeCommApi::Sleep(DWORD Milliseconds)
{
    {
        std::lock_guard lock(mutex_);
        Record(MakeCall("Sleep", nullptr, Milliseconds));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}
