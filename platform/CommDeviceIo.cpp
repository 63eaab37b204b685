// Receiving, the communication-event wait, reads and writes of a device.
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/CommDevice.h"
#include "platform/CommErrors.h"
#include "platform/CommTimeouts.h"

namespace WinComm {

namespace {

// Read from the device per pass at most; a busy line is taken in over several passes.
constexpr size_t kMaxDrain = 64 * 1024;

uint32_t Increase(uint32_t& Last, int Now)
{
    const uint32_t now = static_cast<uint32_t>(Now);
    const uint32_t increase = now - Last;
    Last = now;
    return increase;
}

} // namespace

std::optional<TTimePoint> TCommDevice::TPendingRead::Deadline() const
{
    std::optional<TTimePoint> deadline = Until;
    if (Interval && LastByte) {
        const TTimePoint quiet = *LastByte + *Interval;
        if (!deadline || quiet < *deadline)
            deadline = quiet;
    }
    return deadline;
}

void TCommDevice::FinishOpLocked(const TOverlappedOp& Op, DWORD Error, DWORD Bytes)
{
    CompleteOverlapped(Op, Error, Bytes);
    Op.Event->Detach(this);
}

void TCommDevice::EndWaitLocked(DWORD Error, DWORD Mask)
{
    if (!wait_)
        return;
    if (Error == ERROR_SUCCESS)
        *wait_->Mask = Mask;
    const TOverlappedOp op = wait_->Op;
    wait_.reset();
    FinishOpLocked(op, Error, 0);
}

void TCommDevice::EndReadsLocked(DWORD Error)
{
    while (!reads_.empty()) {
        const TPendingRead read = reads_.front();
        reads_.pop_front();
        FinishOpLocked(read.Op, Error, read.Done);
    }
}

void TCommDevice::RecordEventsLocked(DWORD Events)
{
    history_ |= Events & mask_;
    if (wait_ && history_) {
        const DWORD events = history_;
        history_ = 0;
        EndWaitLocked(ERROR_SUCCESS, events);
    }
}

TLineCounts TCommDevice::ReadCountsLocked()
{
    TLineCounts counts;
    serial_icounter_struct now{};
    if (!countersKnown_ || driver_.GetCounters(fd_, now) != 0)
        return counts;
    counts.Known = true;
    counts.Parity = Increase(counters_.Parity, now.parity);
    counts.Frame = Increase(counters_.Frame, now.frame);
    counts.Overrun = Increase(counters_.Overrun, now.overrun);
    counts.BufferOverrun = Increase(counters_.BufferOverrun, now.buf_overrun);
    return counts;
}

// Takes what the device holds into the input queue, as far as the queue has room, and
// reports the events that the new bytes cause.
void TCommDevice::DrainLocked()
{
    if (closed_ || dead_)
        return;
    const size_t want = std::min(input_.Room(), kMaxDrain);
    if (raw_.size() < want)
        raw_.resize(want);
    size_t got = 0;
    int failure = 0;
    while (got < want) {
        const ssize_t n = ::read(fd_, raw_.data() + got, want - got);
        if (n > 0) {
            got += static_cast<size_t>(n);
        } else if (n == 0) {
            failure = EIO; // end of file: the other side hung up
            break;
        } else if (errno != EINTR) {
            if (errno != EAGAIN)
                failure = errno;
            break;
        }
    }
    if (got > 0) {
        const TRxOutcome outcome = input_.Accept(raw_.data(), got, rules_, ReadCountsLocked());
        errors_ |= outcome.Errors;
        RecordEventsLocked(outcome.Events);
        FeedReadsLocked();
    }
    if (failure != 0)
        MarkDeadLocked();
}

// Hands queued bytes to the pending reads in the order they were issued.
void TCommDevice::FeedReadsLocked()
{
    const TTimePoint now = TClock::now();
    while (!reads_.empty()) {
        TPendingRead& read = reads_.front();
        const size_t n = input_.Take(read.Buffer + read.Done, read.Count - read.Done);
        if (n > 0) {
            read.Done += static_cast<DWORD>(n);
            read.LastByte = now;
        }
        if (read.Done < read.Count && !(read.ReturnOnAny && read.Done > 0))
            break;
        const TPendingRead done = read;
        reads_.pop_front();
        FinishOpLocked(done.Op, ERROR_SUCCESS, done.Done);
    }
}

// A read whose time-out has passed completes with what it has.
void TCommDevice::ExpireReadsLocked(TTimePoint Now)
{
    for (auto read = reads_.begin(); read != reads_.end();) {
        const std::optional<TTimePoint> deadline = read->Deadline();
        if (deadline && *deadline <= Now) {
            const TPendingRead done = *read;
            read = reads_.erase(read);
            FinishOpLocked(done.Op, ERROR_SUCCESS, done.Done);
        } else {
            ++read;
        }
    }
}

// Drains the device and says whether it is still usable: the drain is where a hang-up
// shows. A device closed or hung up before is left alone and reported the same way.
DWORD TCommDevice::UsableAfterDrainLocked()
{
    DrainLocked();
    return UsableLocked();
}

DWORD TCommDevice::WaitEvent(DWORD* Mask, const TOverlappedOp& Op)
{
    std::lock_guard lock(mutex_);
    if (DWORD error = UsableLocked())
        return error;
    if (mask_ == 0 || wait_)
        return ERROR_INVALID_PARAMETER;
    if (DWORD error = UsableAfterDrainLocked())
        return error;
    // Events seen since the last wait complete this one at once.
    if (history_) {
        *Mask = history_;
        history_ = 0;
        CompleteOverlapped(Op, ERROR_SUCCESS, 0);
        return ERROR_SUCCESS;
    }
    MarkPending(*Op.Overlapped);
    wait_ = TPendingWait{Mask, Op};
    Op.Event->Attach(shared_from_this());
    return ERROR_IO_PENDING;
}

DWORD TCommDevice::Read(void* Buffer, DWORD Count, const TOverlappedOp& Op, DWORD& Done)
{
    std::lock_guard lock(mutex_);
    if (DWORD error = UsableAfterDrainLocked())
        return error;
    const TReadPlan plan = PlanRead(timeouts_, Count);
    auto* bytes = static_cast<uint8_t*>(Buffer);
    const DWORD got = reads_.empty() ? static_cast<DWORD>(input_.Take(bytes, Count)) : 0;
    if (got == Count || plan.Immediate || (plan.ReturnOnAny && got > 0)) {
        Done = got;
        CompleteOverlapped(Op, ERROR_SUCCESS, got);
        DrainLocked(); // the queue has room again for what waited in the device
        doorbells_.RingAll();
        return ERROR_SUCCESS;
    }
    const TTimePoint now = TClock::now();
    TPendingRead read{Op, bytes, Count, got, plan.ReturnOnAny, std::nullopt, plan.Interval, std::nullopt};
    if (plan.Total)
        read.Until = now + *plan.Total;
    if (got > 0)
        read.LastByte = now;
    MarkPending(*Op.Overlapped);
    reads_.push_back(read);
    Op.Event->Attach(shared_from_this());
    DrainLocked();
    doorbells_.RingAll();
    return ERROR_IO_PENDING;
}

// Writes go straight to the device; the call returns when all is written, the write
// time-out has passed (success with fewer bytes, as on Windows) or the write is aborted.
DWORD TCommDevice::Write(const void* Buffer, DWORD Count, const TOverlappedOp& Op, DWORD& Done)
{
    std::lock_guard serial(writeMutex_);
    uint64_t generation = 0;
    COMMTIMEOUTS timeouts{};
    {
        std::lock_guard lock(mutex_);
        if (DWORD error = UsableLocked())
            return error;
        generation = writeGeneration_;
        timeouts = timeouts_;
    }
    std::optional<TTimePoint> until;
    if (const auto timeout = WriteTimeout(timeouts, Count))
        until = TClock::now() + *timeout;
    const int doorbell = ThreadDoorbell();
    if (doorbell < 0)
        return WindowsErrorFromErrno(errno);
    const auto* bytes = static_cast<const uint8_t*>(Buffer);
    DWORD written = 0;
    int failure = 0;
    bool aborted = false;
    while (written < Count) {
        const ssize_t n = ::write(fd_, bytes + written, Count - written);
        if (n > 0) {
            written += static_cast<DWORD>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            failure = errno;
            break;
        }
        // The output queue is full: wait for room, the time-out or an abort.
        {
            std::lock_guard lock(mutex_);
            aborted = writeGeneration_ != generation;
            if (aborted)
                break;
            doorbells_.Add(doorbell);
        }
        pollfd polls[2] = {{fd_, POLLOUT, 0}, {doorbell, POLLIN, 0}};
        const int ready = ::poll(polls, 2, PollTimeout(until));
        {
            std::lock_guard lock(mutex_);
            doorbells_.Remove(doorbell);
            aborted = writeGeneration_ != generation;
        }
        ClearDoorbell(doorbell);
        if (aborted || (ready == 0 && until && TClock::now() >= *until))
            break;
    }
    std::lock_guard lock(mutex_);
    if (failure != 0)
        return FailLocked(failure);
    if (aborted)
        return dead_ && !closed_ ? ERROR_DEVICE_NOT_CONNECTED : ERROR_OPERATION_ABORTED;
    Done = written;
    CompleteOverlapped(Op, ERROR_SUCCESS, written);
    if (OutputEmptyLocked())
        RecordEventsLocked(EV_TXEMPTY);
    return ERROR_SUCCESS;
}

void TCommDevice::PrepareWait(int Doorbell, pollfd& Poll, std::optional<TTimePoint>& Deadline)
{
    std::lock_guard lock(mutex_);
    doorbells_.Add(Doorbell);
    if (closed_ || dead_) {
        Poll = {-1, 0, 0};
        return;
    }
    // With a full queue only a hang-up is of interest: the rest waits in the device until
    // a read makes room, and does not wake anyone meanwhile.
    Poll = {fd_, static_cast<short>(input_.Room() > 0 ? POLLIN : 0), 0};
    for (const TPendingRead& read : reads_) {
        const std::optional<TTimePoint> deadline = read.Deadline();
        if (deadline && (!Deadline || *deadline < *Deadline))
            Deadline = deadline;
    }
}

void TCommDevice::FinishWait(int Doorbell, short Revents)
{
    std::lock_guard lock(mutex_);
    doorbells_.Remove(Doorbell);
    if (closed_ || dead_)
        return;
    if (Revents & POLLIN)
        DrainLocked();
    if (Revents & (POLLHUP | POLLERR | POLLNVAL))
        MarkDeadLocked();
    ExpireReadsLocked(TClock::now());
}

} // namespace WinComm
