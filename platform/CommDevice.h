#pragma once
// One open serial device or pseudo-terminal with the state Windows keeps in its serial
// driver: the input queue, the event mask and the events seen since the last wait, the
// pending line errors, the time-outs, the transfers pending on it, and the watch of its
// modem lines. Every call may come from any thread; the state is guarded by one mutex
// that is never held while blocking. Calls return a Windows error code, 0 for success,
// ERROR_IO_PENDING when the transfer goes on in the background.
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/CommDriver.h"
#include "platform/CommHandles.h"
#include "platform/CommModemWatch.h"
#include "platform/CommOverlapped.h"
#include "platform/CommWait.h"
#include "platform/InputQueue.h"
#include "platform/WinComm.h"

namespace WinComm {

class TCommDevice final : public TKernelObject,
                          public TWaitSource,
                          public std::enable_shared_from_this<TCommDevice> {
public:
    // Opens Path for exclusive use, in raw mode; Driver answers the serial driver's own
    // requests.
    static DWORD Open(const std::string& Path, TCommDriver& Driver, std::shared_ptr<TCommDevice>& Device);
    ~TCommDevice() override;
    TCommDevice(const TCommDevice&) = delete;
    TCommDevice& operator=(const TCommDevice&) = delete;

    // Ends every pending transfer with ERROR_OPERATION_ABORTED and releases the device.
    void Close();

    DWORD Setup(DWORD InQueue, DWORD OutQueue);
    DWORD SetState(const DCB& Dcb);
    DWORD GetState(DCB& Dcb);
    DWORD SetTimeouts(const COMMTIMEOUTS& Timeouts);
    DWORD SetMask(DWORD Mask);
    DWORD WaitEvent(DWORD* Mask, const TOverlappedOp& Op);
    DWORD Read(void* Buffer, DWORD Count, const TOverlappedOp& Op, DWORD& Done);
    DWORD Write(const void* Buffer, DWORD Count, const TOverlappedOp& Op, DWORD& Done);
    DWORD Purge(DWORD Flags);
    DWORD ClearErrors(DWORD& Errors, COMSTAT& Stat);
    DWORD ModemStatus(DWORD& Status);

    void PrepareWait(int Doorbell, pollfd& Poll, std::optional<TTimePoint>& Deadline) override;
    void FinishWait(int Doorbell, short Revents) override;

private:
    struct TPendingWait {
        DWORD* Mask;
        TOverlappedOp Op;
    };
    struct TPendingRead {
        TOverlappedOp Op;
        uint8_t* Buffer;
        DWORD Count;
        DWORD Done;
        bool ReturnOnAny;
        std::optional<TTimePoint> Until;                   // total time-out
        std::optional<std::chrono::milliseconds> Interval; // between bytes
        std::optional<TTimePoint> LastByte;
        std::optional<TTimePoint> Deadline() const;
    };

    TCommDevice(int Fd, bool IsPty, TCommDriver& Driver);

    DWORD UsableLocked() const;
    // Maps a failed system call; EIO means the line hung up.
    DWORD FailLocked(int Errno);
    void MarkDeadLocked();
    void DrainLocked();
    DWORD UsableAfterDrainLocked();
    TLineCounts ReadCountsLocked();
    void RecordEventsLocked(DWORD Events);
    void FeedReadsLocked();
    void ExpireReadsLocked(TTimePoint Now);
    void FinishOpLocked(const TOverlappedOp& Op, DWORD Error, DWORD Bytes);
    void EndWaitLocked(DWORD Error, DWORD Mask);
    void EndReadsLocked(DWORD Error);
    bool OutputEmptyLocked();
    // Starts or stops the modem-line watch as the mask wants it; a watch stopped is
    // handed back to be ended once the lock is released, as its reports take the lock.
    DWORD WatchModemLinesLocked(bool Wanted, std::unique_ptr<TModemWatch>& Stopped);
    void TakeModemReport(const TModemWatch& Watch, DWORD Events, int Error);
    DWORD SetRtsToggleLocked(bool On);
    int RestoreRs485Locked();

    const int fd_;
    const bool isPty_;
    TCommDriver& driver_;
    std::mutex mutex_;
    bool closed_ = false;
    bool dead_ = false; // hung up: every later call fails
    TInputQueue input_;
    std::vector<uint8_t> raw_; // bytes as read from the device, before decoding
    TRxRules rules_;
    DCB state_{};
    COMMTIMEOUTS timeouts_{};
    DWORD mask_ = 0;
    DWORD history_ = 0; // events in the mask that happened since the last wait reported
    DWORD errors_ = 0;  // CE_ flags until ClearCommError
    bool countersKnown_ = false;
    struct TCounters {
        uint32_t Parity = 0, Frame = 0, Overrun = 0, BufferOverrun = 0;
    } counters_;
    std::optional<TPendingWait> wait_;
    std::deque<TPendingRead> reads_;
    std::unique_ptr<TModemWatch> watch_;
    bool lineWaitRefused_ = false; // the driver cannot wait for the modem lines
    std::optional<serial_rs485> rs485Found_; // the driver's RS-485 settings before RTS toggle
    uint64_t writeGeneration_ = 0; // bumped to abort the write in progress
    TDoorbells doorbells_;
    std::mutex writeMutex_; // one write at a time, held while it blocks
};

} // namespace WinComm
