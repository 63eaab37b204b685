// The Windows serial calls over POSIX: handles, the per-thread last error, and overlapped
// transfers that complete at once, or pend on the caller's event until a wait on that
// event finds them done.
#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/CommDevice.h"
#include "platform/CommDriver.h"
#include "platform/CommErrors.h"
#include "platform/CommEvents.h"
#include "platform/CommHandles.h"
#include "platform/CommOverlapped.h"

namespace WinComm {

namespace {

constexpr DWORD kMaxWaitObjects = 64; // MAXIMUM_WAIT_OBJECTS
constexpr DWORD kMaxReadCount = 0x7FFFFFFF;

BOOL Fail(DWORD Error)
{
    SetThreadLastError(Error);
    return false;
}

class TPosixCommApi final : public TCommApi {
public:
    explicit TPosixCommApi(TCommDriver& Driver) : driver_(Driver) {}

    HANDLE CreateFileA(const std::string& FileName, DWORD, DWORD, DWORD, DWORD) override
    {
        // Whatever the access and share mode asked, a serial device opens for reading and
        // writing, exclusively, and is never created.
        std::string path;
        std::shared_ptr<TCommDevice> device;
        DWORD error = DevicePathFor(FileName, path);
        if (error == ERROR_SUCCESS)
            error = TCommDevice::Open(path, driver_, device);
        if (error != ERROR_SUCCESS) {
            SetThreadLastError(error);
            return INVALID_HANDLE_VALUE;
        }
        return AddHandle(device);
    }

    BOOL CloseHandle(HANDLE Object) override
    {
        std::shared_ptr<TKernelObject> object = RemoveHandle(Object);
        if (!object)
            return Fail(ERROR_INVALID_HANDLE);
        if (auto device = std::dynamic_pointer_cast<TCommDevice>(object))
            device->Close();
        return true;
    }

    BOOL SetupComm(HANDLE File, DWORD InQueue, DWORD OutQueue) override
    {
        return OnDevice(File, [&](TCommDevice& d) { return d.Setup(InQueue, OutQueue); });
    }

    BOOL SetCommState(HANDLE File, const DCB& Dcb) override
    {
        return OnDevice(File, [&](TCommDevice& d) { return d.SetState(Dcb); });
    }

    BOOL GetCommState(HANDLE File, DCB& Dcb) override
    {
        return OnDevice(File, [&](TCommDevice& d) { return d.GetState(Dcb); });
    }

    BOOL SetCommTimeouts(HANDLE File, const COMMTIMEOUTS& Timeouts) override
    {
        return OnDevice(File, [&](TCommDevice& d) { return d.SetTimeouts(Timeouts); });
    }

    BOOL SetCommMask(HANDLE File, DWORD EventMask) override
    {
        return OnDevice(File, [&](TCommDevice& d) { return d.SetMask(EventMask); });
    }

    BOOL WaitCommEvent(HANDLE File, DWORD* EventMask, OVERLAPPED* Overlapped) override
    {
        if (!EventMask)
            return OnDevice(File, [](TCommDevice&) { return ERROR_INVALID_PARAMETER; });
        DWORD unused = 0;
        return Transfer(File, Overlapped, &unused,
                        [&](TCommDevice& d, const TOverlappedOp& op, DWORD&) { return d.WaitEvent(EventMask, op); });
    }

    BOOL ReadFile(HANDLE File, void* Buffer, DWORD BytesToRead, DWORD* BytesRead, OVERLAPPED* Overlapped) override
    {
        if (!Buffer && BytesToRead > 0)
            return OnDevice(File, [](TCommDevice&) { return ERROR_INVALID_PARAMETER; });
        // Windows checks that the whole buffer is the caller's writable memory before
        // reading. No caller has a buffer of 2 GB: such a count is a negative Integer
        // count cast, and would overrun the buffer it came with.
        if (BytesToRead > kMaxReadCount)
            return OnDevice(File, [](TCommDevice&) { return ERROR_NOACCESS; });
        return Transfer(File, Overlapped, BytesRead, [&](TCommDevice& d, const TOverlappedOp& op, DWORD& done) {
            return d.Read(Buffer, BytesToRead, op, done);
        });
    }

    BOOL WriteFile(HANDLE File, const void* Buffer, DWORD BytesToWrite, DWORD* BytesWritten,
                   OVERLAPPED* Overlapped) override
    {
        if (!Buffer && BytesToWrite > 0)
            return OnDevice(File, [](TCommDevice&) { return ERROR_INVALID_PARAMETER; });
        return Transfer(File, Overlapped, BytesWritten, [&](TCommDevice& d, const TOverlappedOp& op, DWORD& done) {
            return d.Write(Buffer, BytesToWrite, op, done);
        });
    }

    // The File argument is not needed: the record and its event say everything.
    BOOL GetOverlappedResult(HANDLE, OVERLAPPED* Overlapped, DWORD* BytesTransferred, BOOL Wait) override
    {
        if (!Overlapped)
            return Fail(ERROR_INVALID_PARAMETER);
        if (IsPending(*Overlapped)) {
            if (!Wait)
                return Fail(ERROR_IO_INCOMPLETE);
            if (WaitForSingleObject(Overlapped->hEvent, INFINITE) != WAIT_OBJECT_0)
                return false;
            if (IsPending(*Overlapped))
                return Fail(ERROR_IO_INCOMPLETE);
        }
        if (BytesTransferred)
            *BytesTransferred = static_cast<DWORD>(Overlapped->InternalHigh);
        if (DWORD error = OverlappedError(*Overlapped))
            return Fail(error);
        return true;
    }

    BOOL PurgeComm(HANDLE File, DWORD Flags) override
    {
        return OnDevice(File, [&](TCommDevice& d) { return d.Purge(Flags); });
    }

    BOOL ClearCommError(HANDLE File, DWORD* Errors, COMSTAT* Stat) override
    {
        DWORD errors = 0;
        COMSTAT stat{};
        if (!OnDevice(File, [&](TCommDevice& d) { return d.ClearErrors(errors, stat); }))
            return false;
        if (Errors)
            *Errors = errors;
        if (Stat)
            *Stat = stat;
        return true;
    }

    BOOL GetCommModemStatus(HANDLE File, DWORD* ModemStat) override
    {
        if (!ModemStat)
            return OnDevice(File, [](TCommDevice&) { return ERROR_INVALID_PARAMETER; });
        return OnDevice(File, [&](TCommDevice& d) { return d.ModemStatus(*ModemStat); });
    }

    // Returns NULL on failure, as Windows does.
    HANDLE CreateEventA(BOOL ManualReset, BOOL InitialState) override
    {
        std::shared_ptr<TEventObject> event = TEventObject::Create(ManualReset, InitialState);
        if (!event) {
            SetThreadLastError(WindowsErrorFromErrno(errno));
            return nullptr;
        }
        return AddHandle(event);
    }

    BOOL SetEvent(HANDLE Event) override
    {
        std::shared_ptr<TEventObject> event = FindHandleOf<TEventObject>(Event);
        if (!event)
            return Fail(ERROR_INVALID_HANDLE);
        event->Set();
        return true;
    }

    BOOL ResetEvent(HANDLE Event) override
    {
        std::shared_ptr<TEventObject> event = FindHandleOf<TEventObject>(Event);
        if (!event)
            return Fail(ERROR_INVALID_HANDLE);
        event->Reset();
        return true;
    }

    DWORD WaitForSingleObject(HANDLE Object, DWORD Milliseconds) override
    {
        return WaitForMultipleObjects(1, &Object, false, Milliseconds);
    }

    // Only events can be waited on, and only for any one of them.
    DWORD WaitForMultipleObjects(DWORD Count, const HANDLE* Handles, BOOL WaitAll, DWORD Milliseconds) override
    {
        if (Count == 0 || Count > kMaxWaitObjects || !Handles) {
            SetThreadLastError(ERROR_INVALID_PARAMETER);
            return WAIT_FAILED;
        }
        if (WaitAll) {
            SetThreadLastError(ERROR_NOT_SUPPORTED);
            return WAIT_FAILED;
        }
        std::vector<std::shared_ptr<TEventObject>> events;
        for (DWORD i = 0; i < Count; ++i) {
            events.push_back(FindHandleOf<TEventObject>(Handles[i]));
            if (!events.back()) {
                SetThreadLastError(ERROR_INVALID_HANDLE);
                return WAIT_FAILED;
            }
        }
        return WaitForEvents(events, Milliseconds);
    }

    DWORD GetLastError() override { return ThreadLastError(); }

    void Sleep(DWORD Milliseconds) override
    {
        if (Milliseconds == 0)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
    }

private:
    TCommDriver& driver_;

    template <class Call>
    static BOOL OnDevice(HANDLE File, Call&& Run)
    {
        std::shared_ptr<TCommDevice> device = FindHandleOf<TCommDevice>(File);
        if (!device)
            return Fail(ERROR_INVALID_HANDLE);
        if (DWORD error = Run(*device))
            return Fail(error);
        return true;
    }

    // Runs an overlapped call. Like Windows, it resets the record's event before the
    // transfer starts; a transfer that completes at once also signals it. Without a
    // record the call waits for the transfer on an event of its own.
    template <class Call>
    BOOL Transfer(HANDLE File, OVERLAPPED* Overlapped, DWORD* Done, Call&& Start)
    {
        std::shared_ptr<TCommDevice> device = FindHandleOf<TCommDevice>(File);
        if (!device)
            return Fail(ERROR_INVALID_HANDLE);
        if (Done)
            *Done = 0;
        if (!Overlapped)
            return TransferAndWait(*device, Done, Start);
        // A transfer without an event would have nothing to signal.
        std::shared_ptr<TEventObject> event = FindHandleOf<TEventObject>(Overlapped->hEvent);
        if (!event)
            return Fail(Overlapped->hEvent ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
        event->Reset();
        DWORD done = 0;
        if (DWORD error = Start(*device, TOverlappedOp{Overlapped, event}, done))
            return Fail(error);
        if (Done)
            *Done = done;
        return true;
    }

    template <class Call>
    BOOL TransferAndWait(TCommDevice& Device, DWORD* Done, Call&& Start)
    {
        std::shared_ptr<TEventObject> event = TEventObject::Create(true, false);
        if (!event)
            return Fail(WindowsErrorFromErrno(errno));
        OVERLAPPED overlapped{};
        DWORD done = 0;
        const DWORD error = Start(Device, TOverlappedOp{&overlapped, event}, done);
        if (error == ERROR_IO_PENDING) {
            if (WaitForEvents({event}, INFINITE) != WAIT_OBJECT_0)
                return false;
            done = static_cast<DWORD>(overlapped.InternalHigh);
            if (DWORD failed = OverlappedError(overlapped))
                return Fail(failed);
        } else if (error != ERROR_SUCCESS) {
            return Fail(error);
        }
        if (Done)
            *Done = done;
        return true;
    }
};

} // namespace

TCommApi& PosixCommApi()
{
    static TPosixCommApi api(LinuxCommDriver());
    return api;
}

std::unique_ptr<TCommApi> NewPosixCommApi(TCommDriver& Driver)
{
    return std::make_unique<TPosixCommApi>(Driver);
}

} // namespace WinComm
