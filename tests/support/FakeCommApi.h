#pragma once
// A comm layer for unit tests: records every call with its arguments, answers device
// calls from a script (queued input bytes, line errors, modem lines, failures with a
// Windows error code), and implements events and waits for real so that a port's event
// thread runs against it. A pending WaitCommEvent is completed by the test with a mask.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/WinComm.h"

class FakeCommApi : public WinComm::TCommApi {
public:
    struct TCall {
        std::string Name;
        WinComm::HANDLE Handle = nullptr;
        // The call's numbers in argument order: access, share mode, disposition, flags
        // (CreateFileA); queue sizes (SetupComm); mask (SetCommMask); flags (PurgeComm);
        // count (ReadFile); manual reset and initial state (CreateEventA); handle count and
        // milliseconds (waits); milliseconds (Sleep).
        WinComm::DWORD Arg1 = 0;
        WinComm::DWORD Arg2 = 0;
        WinComm::DWORD Arg3 = 0;
        WinComm::DWORD Arg4 = 0;
        std::string Text; // CreateFileA's file name
        WinComm::DCB Dcb{};
        WinComm::COMMTIMEOUTS Timeouts{};
    };

    FakeCommApi();
    ~FakeCommApi() override;

    // What was called, in order. Device calls leave out the event and wait calls
    // (CreateEventA, SetEvent, ResetEvent, WaitForSingleObject, WaitForMultipleObjects, Sleep).
    std::vector<TCall> Calls() const;
    std::vector<std::string> CallNames() const;
    std::vector<std::string> DeviceCallNames() const;
    std::vector<TCall> CallsNamed(const std::string& Name) const;
    void ClearCalls();
    // Blocks until a call of Name has been recorded (counting from the last ClearCalls).
    bool WaitForCall(const std::string& Name, std::chrono::milliseconds Timeout = std::chrono::seconds(2));

    // The next Times calls of Name fail with the Windows code Error.
    void FailNext(const std::string& Name, WinComm::DWORD Error, int Times = 1);
    // Bytes waiting in the driver's input queue: cbInQue and what ReadFile returns.
    void QueueInput(const std::string& Bytes);
    std::string QueuedInput() const;
    // CE_ flags the next ClearCommError reports (and clears).
    void SetLineErrors(WinComm::DWORD Flags);
    void SetModemStatus(WinComm::DWORD Status);

    // Completes the pending WaitCommEvent with Mask, waiting for one to be pending first.
    bool CompleteCommWait(WinComm::DWORD Mask, std::chrono::milliseconds Timeout = std::chrono::seconds(2));
    bool WaitForPendingCommWait(std::chrono::milliseconds Timeout = std::chrono::seconds(2));
    // The next WaitCommEvent completes at once with Mask instead of staying pending.
    void CompleteNextCommWaitAtOnce(WinComm::DWORD Mask);

    bool DeviceOpen() const;
    // Events created and not yet closed.
    int LiveEvents() const;
    // A call was given a handle that was already closed (or never existed).
    bool UsedReleasedHandle() const;

    WinComm::HANDLE CreateFileA(const std::string& FileName, WinComm::DWORD DesiredAccess, WinComm::DWORD ShareMode,
                                WinComm::DWORD CreationDisposition, WinComm::DWORD FlagsAndAttributes) override;
    WinComm::BOOL CloseHandle(WinComm::HANDLE Object) override;
    WinComm::BOOL SetupComm(WinComm::HANDLE File, WinComm::DWORD InQueue, WinComm::DWORD OutQueue) override;
    WinComm::BOOL SetCommState(WinComm::HANDLE File, const WinComm::DCB& Dcb) override;
    WinComm::BOOL GetCommState(WinComm::HANDLE File, WinComm::DCB& Dcb) override;
    WinComm::BOOL SetCommTimeouts(WinComm::HANDLE File, const WinComm::COMMTIMEOUTS& Timeouts) override;
    WinComm::BOOL SetCommMask(WinComm::HANDLE File, WinComm::DWORD EventMask) override;
    WinComm::BOOL WaitCommEvent(WinComm::HANDLE File, WinComm::DWORD* EventMask,
                                WinComm::OVERLAPPED* Overlapped) override;
    WinComm::BOOL ReadFile(WinComm::HANDLE File, void* Buffer, WinComm::DWORD BytesToRead,
                           WinComm::DWORD* BytesRead, WinComm::OVERLAPPED* Overlapped) override;
    WinComm::BOOL WriteFile(WinComm::HANDLE File, const void* Buffer, WinComm::DWORD BytesToWrite,
                            WinComm::DWORD* BytesWritten, WinComm::OVERLAPPED* Overlapped) override;
    WinComm::BOOL GetOverlappedResult(WinComm::HANDLE File, WinComm::OVERLAPPED* Overlapped,
                                      WinComm::DWORD* BytesTransferred, WinComm::BOOL Wait) override;
    WinComm::BOOL PurgeComm(WinComm::HANDLE File, WinComm::DWORD Flags) override;
    WinComm::BOOL ClearCommError(WinComm::HANDLE File, WinComm::DWORD* Errors, WinComm::COMSTAT* Stat) override;
    WinComm::BOOL GetCommModemStatus(WinComm::HANDLE File, WinComm::DWORD* ModemStat) override;
    WinComm::HANDLE CreateEventA(WinComm::BOOL ManualReset, WinComm::BOOL InitialState) override;
    WinComm::BOOL SetEvent(WinComm::HANDLE Event) override;
    WinComm::BOOL ResetEvent(WinComm::HANDLE Event) override;
    WinComm::DWORD WaitForSingleObject(WinComm::HANDLE Object, WinComm::DWORD Milliseconds) override;
    WinComm::DWORD WaitForMultipleObjects(WinComm::DWORD Count, const WinComm::HANDLE* Handles,
                                          WinComm::BOOL WaitAll, WinComm::DWORD Milliseconds) override;
    WinComm::DWORD GetLastError() override;
    void Sleep(WinComm::DWORD Milliseconds) override;

private:
    struct TEvent {
        bool ManualReset = true;
        bool Signalled = false;
    };
    struct TPendingWait {
        WinComm::DWORD* Mask = nullptr;
        WinComm::OVERLAPPED* Overlapped = nullptr;
    };

    // All private helpers expect mutex_ held.
    void Record(TCall Call);
    bool ScriptedFailure(const std::string& Name);
    bool CheckDevice(WinComm::HANDLE File);
    TEvent* FindEvent(WinComm::HANDLE Event);
    void Signal(WinComm::HANDLE Event);
    void CompletePending(WinComm::DWORD Mask);
    WinComm::DWORD WaitFor(std::unique_lock<std::mutex>& Lock, WinComm::DWORD Count, const WinComm::HANDLE* Handles,
                           WinComm::DWORD Milliseconds);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<TCall> calls_;
    std::map<std::string, std::vector<WinComm::DWORD>> failures_;
    std::map<uintptr_t, TEvent> events_;
    uintptr_t nextHandle_ = 0x1000;
    uintptr_t device_ = 0;
    bool usedReleased_ = false;
    std::string input_;
    WinComm::DWORD lineErrors_ = 0;
    WinComm::DWORD modemStatus_ = 0;
    WinComm::DCB lastDcb_{};
    bool waitPending_ = false;
    bool completeAtOnce_ = false;
    WinComm::DWORD atOnceMask_ = 0;
    TPendingWait pendingWait_;
};
