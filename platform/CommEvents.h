#pragma once
// Windows event objects on eventfd: the descriptor is readable exactly while the event is
// signalled, so waits block in poll() together with device descriptors.
#include <memory>
#include <mutex>
#include <vector>

#include "platform/CommHandles.h"
#include "platform/CommWait.h"

namespace WinComm {

class TEventObject final : public TKernelObject {
public:
    // nullptr (errno set) when no descriptor is left.
    static std::shared_ptr<TEventObject> Create(bool ManualReset, bool InitialState);
    ~TEventObject() override;
    TEventObject(const TEventObject&) = delete;
    TEventObject& operator=(const TEventObject&) = delete;

    void Set();
    void Reset();
    // True when signalled; an automatic-reset event is reset by the one who acquires it.
    bool TryAcquire();

    // A transfer pending on this event makes its waiters watch Source until it completes.
    void Attach(const std::shared_ptr<TWaitSource>& Source);
    void Detach(const TWaitSource* Source);

    // For a wait: the descriptor, the sources to watch, and the waiter's doorbell.
    int Fd() const { return fd_; }
    std::vector<std::shared_ptr<TWaitSource>> Sources();
    void AddWaiter(int Doorbell);
    void RemoveWaiter(int Doorbell);

private:
    TEventObject(int Fd, bool ManualReset);
    void SignalLocked(bool Signalled);

    const int fd_;
    const bool manualReset_;
    std::mutex mutex_;
    bool signalled_ = false;
    std::vector<std::weak_ptr<TWaitSource>> sources_;
    TDoorbells waiters_;
};

// WaitForMultipleObjects with WaitAll false: WAIT_OBJECT_0 + the lowest index among the
// signalled events, WAIT_TIMEOUT, or WAIT_FAILED with the thread's last error set.
DWORD WaitForEvents(const std::vector<std::shared_ptr<TEventObject>>& Events, DWORD Milliseconds);

} // namespace WinComm
