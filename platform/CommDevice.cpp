// Opening, closing, settings and line status of a device.
#include "platform/CommDevice.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/CommErrors.h"
#include "platform/CommSettings.h"
#include "platform/CommTimeouts.h"
#include "platform/CustomBaud.h"

namespace WinComm {

namespace {

constexpr size_t kDefaultInputSize = 4096;
constexpr DWORD kMaxQueueSize = 0x7FFFFFFF;
// Every event SetCommMask accepts, including the printer and provider events it never raises.
constexpr DWORD EV_PERR = 0x200, EV_EVENT1 = 0x800, EV_EVENT2 = 0x1000;
constexpr DWORD kKnownEvents = EV_RXCHAR | EV_RXFLAG | EV_TXEMPTY | EV_CTS | EV_DSR | EV_RLSD | EV_BREAK | EV_ERR |
                               EV_RING | EV_PERR | EV_RX80FULL | EV_EVENT1 | EV_EVENT2;
constexpr DWORD kPurgeFlags = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
constexpr DWORD kModemEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;

// Unix98 pseudo-terminal slaves have majors 136 to 143.
bool IsPseudoTerminal(int Fd)
{
    struct stat st{};
    if (::fstat(Fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned int m = major(st.st_rdev);
    return m >= 136 && m <= 143;
}

} // namespace

DWORD TCommDevice::Open(const std::string& Path, TCommDriver& Driver, std::shared_ptr<TCommDevice>& Device)
{
    // O_NONBLOCK also keeps the open from waiting for a carrier.
    const int fd = ::open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return WindowsErrorFromErrno(errno);
    const auto fail = [fd](int Errno) {
        ::close(fd);
        return WindowsErrorFromErrno(Errno);
    };
    // Share mode 0: a second open fails. The lock stops every program that locks the
    // device the same way, root too; exclusive mode makes the kernel refuse any later
    // open of the terminal but by root.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail(errno);
    termios attributes{};
    if (::tcgetattr(fd, &attributes) != 0)
        return fail(errno);
    MakeRaw(attributes);
    if (::tcsetattr(fd, TCSANOW, &attributes) != 0 || ::ioctl(fd, TIOCEXCL) != 0)
        return fail(errno);

    Device.reset(new TCommDevice(fd, IsPseudoTerminal(fd), Driver));
    Device->state_ = DcbFromAttributes(attributes, CurrentRate(fd));
    serial_icounter_struct counts{};
    if (Driver.GetCounters(fd, counts) == 0) {
        Device->countersKnown_ = true;
        Device->counters_ = {static_cast<uint32_t>(counts.parity), static_cast<uint32_t>(counts.frame),
                             static_cast<uint32_t>(counts.overrun), static_cast<uint32_t>(counts.buf_overrun)};
    }
    return ERROR_SUCCESS;
}

TCommDevice::TCommDevice(int Fd, bool IsPty, TCommDriver& Driver)
    : fd_(Fd), isPty_(IsPty), driver_(Driver), input_(kDefaultInputSize)
{
}

TCommDevice::~TCommDevice()
{
    watch_.reset();
    ::close(fd_);
}

void TCommDevice::Close()
{
    std::unique_ptr<TModemWatch> stopped; // declared first: ended after the lock is released
    std::lock_guard lock(mutex_);
    if (closed_)
        return;
    WatchModemLinesLocked(false, stopped);
    if (!dead_)
        RestoreRs485Locked();
    EndWaitLocked(ERROR_OPERATION_ABORTED, 0);
    EndReadsLocked(ERROR_OPERATION_ABORTED);
    ++writeGeneration_;
    closed_ = true;
    // The descriptor itself closes with the last waiter still polling it; the lock and
    // exclusive mode go now (exclusive mode outlives the descriptor while another holds
    // the terminal, as a pseudo-terminal's master does).
    ::ioctl(fd_, TIOCNXCL);
    ::flock(fd_, LOCK_UN);
    doorbells_.RingAll();
}

DWORD TCommDevice::UsableLocked() const
{
    if (closed_)
        return ERROR_INVALID_HANDLE;
    return dead_ ? ERROR_DEVICE_NOT_CONNECTED : ERROR_SUCCESS;
}

DWORD TCommDevice::FailLocked(int Errno)
{
    if (Errno != EIO)
        return WindowsErrorFromErrno(Errno);
    MarkDeadLocked();
    return ERROR_DEVICE_NOT_CONNECTED;
}

void TCommDevice::MarkDeadLocked()
{
    if (dead_)
        return;
    dead_ = true;
    // The event loop learns of it through an error event, or a failed wait when it does
    // not wait for errors; either way no later wait can start, so nothing spins.
    if (mask_ & EV_ERR)
        EndWaitLocked(ERROR_SUCCESS, EV_ERR);
    else
        EndWaitLocked(ERROR_DEVICE_NOT_CONNECTED, 0);
    EndReadsLocked(ERROR_DEVICE_NOT_CONNECTED);
    ++writeGeneration_;
    doorbells_.RingAll();
}

DWORD TCommDevice::Setup(DWORD InQueue, DWORD OutQueue)
{
    if (InQueue == 0 || InQueue > kMaxQueueSize || OutQueue > kMaxQueueSize)
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(mutex_);
    if (DWORD error = UsableLocked())
        return error;
    // The output queue is the kernel's; the input size bounds the layer's own queue.
    input_.SetCapacity(InQueue);
    doorbells_.RingAll();
    return ERROR_SUCCESS;
}

DWORD TCommDevice::SetState(const DCB& Dcb)
{
    std::lock_guard lock(mutex_);
    if (DWORD error = UsableLocked())
        return error;
    termios current{};
    if (::tcgetattr(fd_, &current) != 0)
        return FailLocked(errno);
    TLineConfig config;
    if (DWORD error = TranslateDcb(Dcb, current, config))
        return error;
    const bool wasToggling = rs485Found_.has_value();
    if (DWORD error = SetRtsToggleLocked(config.RtsToggle))
        return error;
    if (int error = ApplyLineConfig(fd_, isPty_, config)) {
        if (!wasToggling)
            RestoreRs485Locked();
        return FailLocked(error);
    }
    state_ = Dcb;
    rules_ = config.Rx;
    return ERROR_SUCCESS;
}

DWORD TCommDevice::GetState(DCB& Dcb)
{
    std::lock_guard lock(mutex_);
    if (DWORD error = UsableLocked())
        return error;
    Dcb = state_;
    return ERROR_SUCCESS;
}

DWORD TCommDevice::SetTimeouts(const COMMTIMEOUTS& Timeouts)
{
    if (!ValidTimeouts(Timeouts))
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(mutex_);
    if (DWORD error = UsableLocked())
        return error;
    timeouts_ = Timeouts;
    return ERROR_SUCCESS;
}

DWORD TCommDevice::SetMask(DWORD Mask)
{
    if (Mask & ~kKnownEvents)
        return ERROR_INVALID_PARAMETER;
    std::unique_ptr<TModemWatch> stopped; // declared first: ended after the lock is released
    std::lock_guard lock(mutex_);
    if (DWORD error = UsableLocked())
        return error;
    if (DWORD error = WatchModemLinesLocked((Mask & kModemEvents) != 0, stopped))
        return error;
    // A new mask ends the wait in progress with no events, as on Windows.
    EndWaitLocked(ERROR_SUCCESS, 0);
    mask_ = Mask;
    history_ = 0;
    return ERROR_SUCCESS;
}

DWORD TCommDevice::Purge(DWORD Flags)
{
    if (Flags == 0 || (Flags & ~kPurgeFlags))
        return ERROR_INVALID_PARAMETER;
    std::lock_guard lock(mutex_);
    if (closed_)
        return ERROR_INVALID_HANDLE;
    // Aborting needs nothing from the device, so a port whose line is gone can still close.
    if (Flags & PURGE_RXABORT)
        EndReadsLocked(ERROR_OPERATION_ABORTED);
    if (Flags & PURGE_TXABORT) {
        ++writeGeneration_;
        doorbells_.RingAll();
    }
    if (!(Flags & (PURGE_RXCLEAR | PURGE_TXCLEAR)))
        return ERROR_SUCCESS;
    if (dead_)
        return ERROR_DEVICE_NOT_CONNECTED;
    if (Flags & PURGE_RXCLEAR) {
        input_.Clear();
        doorbells_.RingAll();
        if (::tcflush(fd_, TCIFLUSH) != 0)
            return FailLocked(errno);
    }
    if ((Flags & PURGE_TXCLEAR) && ::tcflush(fd_, TCOFLUSH) != 0)
        return FailLocked(errno);
    return ERROR_SUCCESS;
}

DWORD TCommDevice::ClearErrors(DWORD& Errors, COMSTAT& Stat)
{
    std::lock_guard lock(mutex_);
    if (DWORD error = UsableAfterDrainLocked())
        return error;
    int outQueue = 0;
    if (::ioctl(fd_, TIOCOUTQ, &outQueue) != 0) {
        if (errno != ENOTTY && errno != EINVAL)
            return FailLocked(errno);
        outQueue = 0;
    }
    Errors = errors_;
    errors_ = 0;
    Stat.Flags = 0;
    Stat.cbInQue = static_cast<DWORD>(input_.Size());
    Stat.cbOutQue = static_cast<DWORD>(outQueue);
    return ERROR_SUCCESS;
}

DWORD TCommDevice::ModemStatus(DWORD& Status)
{
    std::lock_guard lock(mutex_);
    if (DWORD error = UsableLocked())
        return error;
    int lines = 0;
    if (const int error = driver_.GetModemLines(fd_, lines)) {
        // A pseudo-terminal has no modem lines: all of them are off.
        if (error != ENOTTY && error != EINVAL)
            return FailLocked(error);
        lines = 0;
    }
    Status = 0;
    if (lines & TIOCM_CTS)
        Status |= MS_CTS_ON;
    if (lines & TIOCM_DSR)
        Status |= MS_DSR_ON;
    if (lines & TIOCM_RI)
        Status |= MS_RING_ON;
    if (lines & TIOCM_CD)
        Status |= MS_RLSD_ON;
    return ERROR_SUCCESS;
}

bool TCommDevice::OutputEmptyLocked()
{
    int outQueue = 0;
    return ::ioctl(fd_, TIOCOUTQ, &outQueue) == 0 && outQueue == 0;
}

DWORD TCommDevice::WatchModemLinesLocked(bool Wanted, std::unique_ptr<TModemWatch>& Stopped)
{
    if (!Wanted) {
        if (watch_) {
            watch_->AskStop();
            Stopped = std::move(watch_);
        }
        return ERROR_SUCCESS;
    }
    // Without the counters nothing tells which line changed; a pseudo-terminal has neither.
    if (watch_ || !countersKnown_ || lineWaitRefused_)
        return ERROR_SUCCESS;
    try {
        watch_ = std::make_unique<TModemWatch>(driver_, fd_, [this](const TModemWatch& Watch, DWORD Events,
                                                                    int Error) { TakeModemReport(Watch, Events, Error); });
    } catch (const std::system_error& e) {
        return WindowsErrorFromErrno(e.code().value());
    }
    return ERROR_SUCCESS;
}

void TCommDevice::TakeModemReport(const TModemWatch& Watch, DWORD Events, int Error)
{
    std::lock_guard lock(mutex_);
    if (Watch.StopAsked() || closed_)
        return;
    if (Error == ENOTTY || Error == EINVAL)
        lineWaitRefused_ = true;
    else if (Error == EIO)
        MarkDeadLocked();
    else
        RecordEventsLocked(Events);
}

// RTS raised while sending is the driver's RS-485 mode, RTS on during a send and off
// after it. A driver without it refuses the setting, as a Windows driver refuses what it
// cannot do; what the driver had before comes back when the toggle ends or the port closes.
DWORD TCommDevice::SetRtsToggleLocked(bool On)
{
    if (On == rs485Found_.has_value())
        return ERROR_SUCCESS;
    if (!On) {
        const int error = RestoreRs485Locked();
        return error == 0 ? ERROR_SUCCESS : FailLocked(error);
    }
    const auto refused = [this](int Error) {
        return Error == EIO ? FailLocked(Error) : ERROR_INVALID_PARAMETER;
    };
    serial_rs485 found{};
    if (const int error = driver_.GetRs485(fd_, found))
        return refused(error);
    constexpr uint32_t kToggle = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    serial_rs485 wanted = found;
    wanted.flags = (found.flags | kToggle) & ~SER_RS485_RTS_AFTER_SEND;
    if (const int error = driver_.SetRs485(fd_, wanted))
        return refused(error);
    // The driver says what it made of the request: a mode without RTS on send is no toggle.
    if ((wanted.flags & (kToggle | SER_RS485_RTS_AFTER_SEND)) != kToggle) {
        driver_.SetRs485(fd_, found);
        return ERROR_INVALID_PARAMETER;
    }
    rs485Found_ = found;
    return ERROR_SUCCESS;
}

int TCommDevice::RestoreRs485Locked()
{
    if (!rs485Found_)
        return 0;
    serial_rs485 found = *rs485Found_;
    rs485Found_.reset();
    return driver_.SetRs485(fd_, found);
}

} // namespace WinComm
