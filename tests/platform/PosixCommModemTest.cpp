// Modem-line events and RTS toggle: on a pseudo-terminal, whose driver has neither, and
// with a driver that plays a UART's lines and RS-485 mode over one.
#include <sys/ioctl.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "CommFixture.h"
#include "platform/CommDriver.h"
#include "support/FakeCommDriver.h"
#include "support/ParamNames.h"

using namespace WinComm;
using namespace std::chrono_literals;

namespace {

int ThreadCount()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("Threads:"))
            return std::stoi(line.substr(8));
    return -1;
}

// A thread that has been joined leaves the process's list a moment later.
bool ThreadCountSettlesAt(int Count)
{
    const auto until = std::chrono::steady_clock::now() + 2s;
    while (ThreadCount() != Count) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

constexpr DWORD kModemEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;

using PosixCommModemOnPty = TCommWaitTest;

TEST_F(PosixCommModemOnPty, ModemEventsAreAcceptedStartNoThreadAndDataStillArrives)
{
    const int threads = ThreadCount();
    ASSERT_TRUE(Api.SetCommMask(Port, kModemEvents | EV_RXCHAR)) << Api.GetLastError();
    EXPECT_EQ(ThreadCount(), threads);
    StartPendingWait();
    Line.Write("a");
    ASSERT_EQ(Api.WaitForSingleObject(Overlapped.hEvent, 2000), WAIT_OBJECT_0);
    DWORD transferred = 0;
    ASSERT_TRUE(Api.GetOverlappedResult(Port, &Overlapped, &transferred, false));
    EXPECT_EQ(Mask, EV_RXCHAR);
}

TEST_F(PosixCommModemOnPty, RtsToggleIsRefusedWithInvalidParameterAndNotKept)
{
    DCB dcb = DefaultDcb();
    dcb.Flags |= 0x3000;
    EXPECT_FALSE(Api.SetCommState(Port, dcb));
    EXPECT_EQ(Api.GetLastError(), ERROR_INVALID_PARAMETER);
    DCB back{};
    ASSERT_TRUE(Api.GetCommState(Port, back));
    EXPECT_NE(back.Flags & 0x3000, 0x3000u);
}

// The layer over a driver that plays a UART: the driver comes first, the port opens on it.
struct TUartLayer {
    FakeCommDriver Uart;
    std::unique_ptr<TCommApi> Layer = NewPosixCommApi(Uart);
};

class PosixCommModem : protected TUartLayer, public TCommWaitTest {
protected:
    PosixCommModem() : TCommWaitTest(*Layer) {}

    // Waits for the pending wait to complete and gives its events.
    DWORD CompletedEvents(DWORD Milliseconds = 2000)
    {
        if (Api.WaitForSingleObject(Overlapped.hEvent, Milliseconds) != WAIT_OBJECT_0)
            return 0;
        DWORD transferred = 0;
        EXPECT_TRUE(Api.GetOverlappedResult(Port, &Overlapped, &transferred, false)) << Api.GetLastError();
        return Mask;
    }

    DWORD ModemStatus()
    {
        DWORD status = 0;
        EXPECT_TRUE(Api.GetCommModemStatus(Port, &status)) << Api.GetLastError();
        return status;
    }
};

struct TLineCase {
    const char* Name;
    void (*Change)(FakeCommDriver&);
    DWORD Event;
    DWORD Status; // GetCommModemStatus afterwards
};

void PrintTo(const TLineCase& c, std::ostream* out) { *out << c.Name; }

class PosixCommModemLines : public PosixCommModem, public ::testing::WithParamInterface<TLineCase> {};

TEST_P(PosixCommModemLines, ChangeEndsThePendingWaitWithItsEvent)
{
    ASSERT_TRUE(Api.SetCommMask(Port, kModemEvents | EV_RXCHAR)) << Api.GetLastError();
    StartPendingWait();
    ASSERT_TRUE(Uart.AwaitBlockedWait());
    GetParam().Change(Uart);
    EXPECT_EQ(CompletedEvents(), GetParam().Event);
    EXPECT_EQ(ModemStatus(), GetParam().Status);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PosixCommModemLines,
    ::testing::Values(TLineCase{"Cts", [](FakeCommDriver& U) { U.SetLines(TIOCM_CTS); }, EV_CTS, MS_CTS_ON},
                      TLineCase{"Dsr", [](FakeCommDriver& U) { U.SetLines(TIOCM_DSR); }, EV_DSR, MS_DSR_ON},
                      TLineCase{"Rlsd", [](FakeCommDriver& U) { U.SetLines(TIOCM_CD); }, EV_RLSD, MS_RLSD_ON},
                      TLineCase{"Ring", [](FakeCommDriver& U) { U.Ring(); }, EV_RING, 0},
                      TLineCase{"CtsAndRlsdAtOnce", [](FakeCommDriver& U) { U.SetLines(TIOCM_CTS | TIOCM_CD); },
                                EV_CTS | EV_RLSD, MS_CTS_ON | MS_RLSD_ON}),
    NamedBy(&TLineCase::Name));

TEST_F(PosixCommModem, TheWatchWaitsForTheFourLinesInTheDriver)
{
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RING));
    ASSERT_TRUE(Uart.AwaitBlockedWait());
    const std::vector<FakeCommDriver::TRequest> waits = [&] {
        std::vector<FakeCommDriver::TRequest> found;
        for (const FakeCommDriver::TRequest& request : Uart.Requests())
            if (request.Name == "TIOCMIWAIT")
                found.push_back(request);
        return found;
    }();
    ASSERT_EQ(waits.size(), 1u);
    EXPECT_EQ(waits[0].Lines, TIOCM_CTS | TIOCM_DSR | TIOCM_CD | TIOCM_RNG);
}

TEST_F(PosixCommModem, LineOutsideTheMaskIsNotReported)
{
    ASSERT_TRUE(Api.SetCommMask(Port, EV_DSR));
    StartPendingWait();
    ASSERT_TRUE(Uart.AwaitBlockedWait());
    Uart.SetLines(TIOCM_CTS);
    ASSERT_TRUE(Uart.AwaitBlockedWait(2)); // taken in and dropped
    EXPECT_EQ(Api.WaitForSingleObject(Overlapped.hEvent, 50), WAIT_TIMEOUT);
    Uart.SetLines(TIOCM_CTS | TIOCM_DSR);
    EXPECT_EQ(CompletedEvents(), EV_DSR);
}

TEST_F(PosixCommModem, ChangeWhileNoWaitIsPendingCompletesTheNextWaitAtOnce)
{
    ASSERT_TRUE(Api.SetCommMask(Port, EV_CTS | EV_RXCHAR));
    ASSERT_TRUE(Uart.AwaitBlockedWait());
    Uart.SetLines(TIOCM_CTS);
    ASSERT_TRUE(Uart.AwaitBlockedWait(2));
    ASSERT_TRUE(Api.WaitCommEvent(Port, &Mask, &Overlapped)) << Api.GetLastError();
    EXPECT_EQ(Mask, EV_CTS);
}

// Nothing polls: while the lines are still the watch sits in one wait of the driver.
TEST_F(PosixCommModem, StillLinesMakeOneWaitInTheDriver)
{
    ASSERT_TRUE(Api.SetCommMask(Port, kModemEvents | EV_RXCHAR));
    StartPendingWait();
    ASSERT_TRUE(Uart.AwaitBlockedWait());
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(Uart.CountOf("TIOCMIWAIT"), 1);
    EXPECT_EQ(Uart.CountOf("TIOCGICOUNT"), 2); // at open, and where the watch starts counting
    EXPECT_EQ(Api.WaitForSingleObject(Overlapped.hEvent, 0), WAIT_TIMEOUT);
}

struct TStopCase {
    const char* Name;
    bool (*Stop)(TCommApi&, HANDLE&);
};

void PrintTo(const TStopCase& c, std::ostream* out) { *out << c.Name; }

class PosixCommModemStop : public PosixCommModem, public ::testing::WithParamInterface<TStopCase> {};

TEST_P(PosixCommModemStop, EndsTheWatchPromptlyAndLeavesNoThread)
{
    const int threads = ThreadCount();
    ASSERT_TRUE(Api.SetCommMask(Port, kModemEvents));
    ASSERT_TRUE(Uart.AwaitBlockedWait());
    EXPECT_EQ(ThreadCount(), threads + 1);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(GetParam().Stop(Api, Port)) << Api.GetLastError();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_EQ(Uart.BlockedWaits(), 0);
    EXPECT_TRUE(ThreadCountSettlesAt(threads));
    EXPECT_EQ(Uart.CountOf("TIOCMIWAIT"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, PosixCommModemStop,
    ::testing::Values(TStopCase{"MaskWithoutModemEvents",
                                [](TCommApi& A, HANDLE& P) { return A.SetCommMask(P, EV_RXCHAR); }},
                      TStopCase{"MaskCleared", [](TCommApi& A, HANDLE& P) { return A.SetCommMask(P, 0); }},
                      TStopCase{"Close",
                                [](TCommApi& A, HANDLE& P) {
                                    const BOOL closed = A.CloseHandle(P);
                                    P = INVALID_HANDLE_VALUE;
                                    return closed;
                                }}),
    NamedBy(&TStopCase::Name));

// Stops that come before, during and after the thread enters the driver's wait.
TEST_F(PosixCommModem, StartingAndStoppingAtOnceManyTimesNeverHangs)
{
    const int threads = ThreadCount();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(Api.SetCommMask(Port, EV_CTS));
        ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(Uart.BlockedWaits(), 0);
    EXPECT_TRUE(ThreadCountSettlesAt(threads));

    ASSERT_TRUE(Api.SetCommMask(Port, EV_CTS));
    StartPendingWait();
    ASSERT_TRUE(Uart.AwaitBlockedWait(Uart.CountOf("TIOCMIWAIT")));
    Uart.SetLines(TIOCM_CTS);
    EXPECT_EQ(CompletedEvents(), EV_CTS);
}

// The stop's signal comes after the thread looked for a stop and before the driver's
// wait began: the handler takes it, and the wait must still be ended.
TEST_F(PosixCommModem, StopJustBeforeTheDriverWaitsStillEndsIt)
{
    const int threads = ThreadCount();
    Uart.SetPauseBeforeBlocking(50ms);
    ASSERT_TRUE(Api.SetCommMask(Port, EV_CTS));
    ASSERT_TRUE(Uart.AwaitRequest("TIOCMIWAIT"));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_EQ(Uart.BlockedWaits(), 0);
    EXPECT_TRUE(ThreadCountSettlesAt(threads));
}

TEST_F(PosixCommModem, DriverThatCannotWaitLeavesThePortWorkingAndIsNotAskedAgain)
{
    const int threads = ThreadCount();
    Uart.SetHasLineWait(false);
    ASSERT_TRUE(Api.SetCommMask(Port, kModemEvents | EV_RXCHAR));
    ASSERT_TRUE(ThreadCountSettlesAt(threads)); // the watch ended by itself
    EXPECT_EQ(Uart.CountOf("TIOCMIWAIT"), 1);
    StartPendingWait();
    Line.Write("a");
    EXPECT_EQ(CompletedEvents(), EV_RXCHAR);
    ASSERT_TRUE(Api.SetCommMask(Port, kModemEvents | EV_RXCHAR));
    EXPECT_EQ(ThreadCount(), threads);
    EXPECT_EQ(Uart.CountOf("TIOCMIWAIT"), 1);
}

TEST_F(PosixCommModem, DriverWithoutCountersStartsNoWatch)
{
    Api.CloseHandle(Port);
    Uart.SetHasCounters(false);
    Port = Open(Line.WindowsName());
    ASSERT_NE(Port, INVALID_HANDLE_VALUE);
    const int threads = ThreadCount();
    ASSERT_TRUE(Api.SetCommMask(Port, kModemEvents));
    EXPECT_EQ(ThreadCount(), threads);
    EXPECT_EQ(Uart.CountOf("TIOCMIWAIT"), 0);
}

// RTS toggle through the driver's RS-485 mode.
class PosixCommRtsToggle : public PosixCommModem {
protected:
    // What the driver holds before the port asks for anything: its own delays.
    void SetUp() override
    {
        PosixCommModem::SetUp();
        Found.delay_rts_before_send = 5;
        Found.delay_rts_after_send = 7;
        Uart.SetRs485Settings(Found);
    }

    static DCB ToggleDcb()
    {
        DCB dcb = DefaultDcb();
        dcb.Flags |= 0x3000;
        return dcb;
    }

    static void ExpectSame(const serial_rs485& A, const serial_rs485& B)
    {
        EXPECT_EQ(A.flags, B.flags);
        EXPECT_EQ(A.delay_rts_before_send, B.delay_rts_before_send);
        EXPECT_EQ(A.delay_rts_after_send, B.delay_rts_after_send);
    }

    serial_rs485 Found{};
};

TEST_F(PosixCommRtsToggle, TurnsOnRs485WithRtsOnSendKeepingTheDriversDelays)
{
    ASSERT_TRUE(Api.SetCommState(Port, ToggleDcb())) << Api.GetLastError();
    const std::vector<FakeCommDriver::TRequest> requests = Uart.Requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[requests.size() - 2].Name, "TIOCGRS485");
    const FakeCommDriver::TRequest& set = requests.back();
    EXPECT_EQ(set.Name, "TIOCSRS485");
    EXPECT_EQ(set.Rs485.flags, static_cast<uint32_t>(SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND));
    EXPECT_EQ(set.Rs485.delay_rts_before_send, 5u);
    EXPECT_EQ(set.Rs485.delay_rts_after_send, 7u);
    // Asked again with the toggle already on: nothing more to tell the driver.
    ASSERT_TRUE(Api.SetCommState(Port, ToggleDcb()));
    EXPECT_EQ(Uart.CountOf("TIOCSRS485"), 1);
    DCB back{};
    ASSERT_TRUE(Api.GetCommState(Port, back));
    EXPECT_EQ(back.Flags & 0x3000, 0x3000u);
}

TEST_F(PosixCommRtsToggle, RtsActiveAfterSendIsTurnedAroundAndPutBack)
{
    Found.flags = SER_RS485_ENABLED | SER_RS485_RTS_AFTER_SEND;
    Uart.SetRs485Settings(Found);
    ASSERT_TRUE(Api.SetCommState(Port, ToggleDcb())) << Api.GetLastError();
    EXPECT_EQ(Uart.Rs485().flags, static_cast<uint32_t>(SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND));
    ASSERT_TRUE(Api.SetCommState(Port, DefaultDcb()));
    ExpectSame(Uart.Rs485(), Found);
}

TEST_F(PosixCommRtsToggle, OtherRtsModesLeaveTheDriversRs485ModeAlone)
{
    DCB dcb = DefaultDcb();
    for (const DWORD rts : {0x0u, 0x1000u, 0x2000u}) {
        dcb.Flags = fBinary | rts;
        ASSERT_TRUE(Api.SetCommState(Port, dcb)) << rts;
    }
    EXPECT_EQ(Uart.CountOf("TIOCGRS485"), 0);
    EXPECT_EQ(Uart.CountOf("TIOCSRS485"), 0);
}

class PosixCommRtsToggleEnd : public PosixCommRtsToggle, public ::testing::WithParamInterface<bool> {};

TEST_P(PosixCommRtsToggleEnd, PutsBackWhatTheDriverHad)
{
    ASSERT_TRUE(Api.SetCommState(Port, ToggleDcb())) << Api.GetLastError();
    if (GetParam()) {
        ASSERT_TRUE(Api.CloseHandle(Port));
        Port = INVALID_HANDLE_VALUE;
    } else {
        DCB dcb = DefaultDcb();
        dcb.Flags |= 0x1000; // RTS on
        ASSERT_TRUE(Api.SetCommState(Port, dcb)) << Api.GetLastError();
    }
    ExpectSame(Uart.Rs485(), Found);
    EXPECT_EQ(Uart.CountOf("TIOCSRS485"), 2);
}

INSTANTIATE_TEST_SUITE_P(Ways, PosixCommRtsToggleEnd, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& Info) {
                             return std::string(Info.param ? "Close" : "RtsEnable");
                         });

TEST_F(PosixCommRtsToggle, DriverWithoutRs485RefusesWithInvalidParameter)
{
    Uart.SetHasRs485(false);
    EXPECT_FALSE(Api.SetCommState(Port, ToggleDcb()));
    EXPECT_EQ(Api.GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Uart.CountOf("TIOCSRS485"), 0);
    DCB back{};
    ASSERT_TRUE(Api.GetCommState(Port, back));
    EXPECT_NE(back.Flags & 0x3000, 0x3000u);
}

TEST_F(PosixCommRtsToggle, DriverThatWillNotRaiseRtsOnSendRefusesAndIsPutBack)
{
    Uart.SetRs485WithoutRtsOnSend();
    EXPECT_FALSE(Api.SetCommState(Port, ToggleDcb()));
    EXPECT_EQ(Api.GetLastError(), ERROR_INVALID_PARAMETER);
    ExpectSame(Uart.Rs485(), Found);
    // Nothing is left to put back at close.
    ASSERT_TRUE(Api.CloseHandle(Port));
    Port = INVALID_HANDLE_VALUE;
    EXPECT_EQ(Uart.CountOf("TIOCSRS485"), 2);
}

} // namespace
