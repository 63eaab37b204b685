#include "platform/CommEvents.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "platform/CommErrors.h"

namespace WinComm {

std::shared_ptr<TEventObject> TEventObject::Create(bool ManualReset, bool InitialState)
{
    const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    std::shared_ptr<TEventObject> event(new TEventObject(fd, ManualReset));
    if (InitialState)
        event->Set();
    return event;
}

TEventObject::TEventObject(int Fd, bool ManualReset) : fd_(Fd), manualReset_(ManualReset) {}

TEventObject::~TEventObject()
{
    ::close(fd_);
}

void TEventObject::SignalLocked(bool Signalled)
{
    if (signalled_ == Signalled)
        return;
    signalled_ = Signalled;
    uint64_t count = 1;
    if (Signalled)
        [[maybe_unused]] ssize_t ignored = ::write(fd_, &count, sizeof count);
    else
        [[maybe_unused]] ssize_t ignored = ::read(fd_, &count, sizeof count);
}

void TEventObject::Set()
{
    std::lock_guard lock(mutex_);
    SignalLocked(true);
}

void TEventObject::Reset()
{
    std::lock_guard lock(mutex_);
    SignalLocked(false);
}

bool TEventObject::TryAcquire()
{
    std::lock_guard lock(mutex_);
    if (!signalled_)
        return false;
    if (!manualReset_)
        SignalLocked(false);
    return true;
}

void TEventObject::Attach(const std::shared_ptr<TWaitSource>& Source)
{
    std::lock_guard lock(mutex_);
    sources_.push_back(Source);
    waiters_.RingAll();
}

void TEventObject::Detach(const TWaitSource* Source)
{
    std::lock_guard lock(mutex_);
    auto found = std::find_if(sources_.begin(), sources_.end(), [Source](const std::weak_ptr<TWaitSource>& s) {
        return s.lock().get() == Source;
    });
    if (found != sources_.end())
        sources_.erase(found);
}

std::vector<std::shared_ptr<TWaitSource>> TEventObject::Sources()
{
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<TWaitSource>> sources;
    for (const std::weak_ptr<TWaitSource>& weak : sources_)
        if (std::shared_ptr<TWaitSource> source = weak.lock())
            sources.push_back(std::move(source));
    return sources;
}

void TEventObject::AddWaiter(int Doorbell)
{
    std::lock_guard lock(mutex_);
    waiters_.Add(Doorbell);
}

void TEventObject::RemoveWaiter(int Doorbell)
{
    std::lock_guard lock(mutex_);
    waiters_.Remove(Doorbell);
}

namespace {

std::vector<std::shared_ptr<TWaitSource>> SourcesOf(const std::vector<std::shared_ptr<TEventObject>>& Events)
{
    std::vector<std::shared_ptr<TWaitSource>> all;
    for (const std::shared_ptr<TEventObject>& event : Events)
        for (std::shared_ptr<TWaitSource>& source : event->Sources())
            if (std::find(all.begin(), all.end(), source) == all.end())
                all.push_back(std::move(source));
    return all;
}

} // namespace

DWORD WaitForEvents(const std::vector<std::shared_ptr<TEventObject>>& Events, DWORD Milliseconds)
{
    const int doorbell = ThreadDoorbell();
    if (doorbell < 0) {
        SetThreadLastError(WindowsErrorFromErrno(errno));
        return WAIT_FAILED;
    }
    std::optional<TTimePoint> until;
    if (Milliseconds != INFINITE)
        until = TClock::now() + std::chrono::milliseconds(Milliseconds);
    bool expired = false;
    for (;;) {
        for (size_t i = 0; i < Events.size(); ++i)
            if (Events[i]->TryAcquire())
                return WAIT_OBJECT_0 + static_cast<DWORD>(i);
        if (expired)
            return WAIT_TIMEOUT;

        // Registered before the sources are gathered, so a transfer attached meanwhile rings.
        for (const std::shared_ptr<TEventObject>& event : Events)
            event->AddWaiter(doorbell);
        const std::vector<std::shared_ptr<TWaitSource>> sources = SourcesOf(Events);
        std::vector<pollfd> polls;
        for (const std::shared_ptr<TEventObject>& event : Events)
            polls.push_back({event->Fd(), POLLIN, 0});
        polls.push_back({doorbell, POLLIN, 0});
        const size_t firstSource = polls.size();
        std::optional<TTimePoint> wake = until;
        for (const std::shared_ptr<TWaitSource>& source : sources) {
            pollfd poll{-1, 0, 0};
            std::optional<TTimePoint> deadline;
            source->PrepareWait(doorbell, poll, deadline);
            polls.push_back(poll);
            if (deadline && (!wake || *deadline < *wake))
                wake = deadline;
        }

        const int ready = ::poll(polls.data(), polls.size(), PollTimeout(wake));
        const int pollError = errno;
        CountWaitWakeup();

        for (const std::shared_ptr<TEventObject>& event : Events)
            event->RemoveWaiter(doorbell);
        ClearDoorbell(doorbell);
        for (size_t i = 0; i < sources.size(); ++i)
            sources[i]->FinishWait(doorbell, ready > 0 ? polls[firstSource + i].revents : 0);
        if (ready < 0 && pollError != EINTR) {
            SetThreadLastError(WindowsErrorFromErrno(pollError));
            return WAIT_FAILED;
        }
        expired = until && TClock::now() >= *until;
    }
}

} // namespace WinComm
