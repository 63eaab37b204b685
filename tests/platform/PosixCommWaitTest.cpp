// The overlapped communication-event wait on a pseudo-terminal, as the event thread uses it.
#include <chrono>
#include <thread>

#include "CommFixture.h"
#include "platform/CommWait.h"

using namespace WinComm;

namespace {

using namespace std::chrono_literals;

class PosixCommWait : public TCommWaitTest {
protected:
    DWORD WaitResult()
    {
        EXPECT_EQ(Api.WaitForSingleObject(Overlapped.hEvent, 2000), WAIT_OBJECT_0);
        DWORD transferred = 0;
        EXPECT_TRUE(Api.GetOverlappedResult(Port, &Overlapped, &transferred, false)) << Api.GetLastError();
        return Mask;
    }
};

TEST_F(PosixCommWait, CompletesWhenDataArrives)
{
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR | EV_ERR | EV_BREAK));
    StartPendingWait();
    Line.Write("abc");
    EXPECT_EQ(WaitResult(), EV_RXCHAR);
}

TEST_F(PosixCommWait, IdleLineNeitherCompletesNorWakes)
{
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR | EV_ERR));
    StartPendingWait();
    const unsigned long long before = WaitWakeups();
    EXPECT_EQ(Api.WaitForSingleObject(Overlapped.hEvent, 250), WAIT_TIMEOUT);
    EXPECT_EQ(WaitWakeups() - before, 1u); // the time-out itself, nothing before it
    DWORD transferred = 0;
    EXPECT_FALSE(Api.GetOverlappedResult(Port, &Overlapped, &transferred, false));
    EXPECT_EQ(Api.GetLastError(), ERROR_IO_INCOMPLETE);
}

TEST_F(PosixCommWait, UnreadBytesAreReportedOnce)
{
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR));
    StartPendingWait();
    Line.Write("1234");
    ASSERT_EQ(WaitResult(), EV_RXCHAR);

    // Nobody reads: the next wait sleeps until a new byte comes.
    StartPendingWait();
    const unsigned long long before = WaitWakeups();
    EXPECT_EQ(Api.WaitForSingleObject(Overlapped.hEvent, 200), WAIT_TIMEOUT);
    EXPECT_EQ(WaitWakeups() - before, 1u);
    Line.Write("5");
    EXPECT_EQ(WaitResult(), EV_RXCHAR);
    EXPECT_EQ(Queued(), 5u);
}

TEST_F(PosixCommWait, EventsBeforeTheWaitCompleteItAtOnce)
{
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR));
    SendAndAwait("xy", 2);
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR)); // a new mask forgets what was seen
    Line.Write("z");
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(Api.WaitCommEvent(Port, &Mask, &Overlapped));
    EXPECT_EQ(Mask, EV_RXCHAR);
    EXPECT_EQ(Api.WaitForSingleObject(Overlapped.hEvent, 0), WAIT_OBJECT_0);
}

TEST_F(PosixCommWait, SetCommMaskFromAnotherThreadEndsWaitWithNoEvents)
{
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR | EV_ERR));
    StartPendingWait();
    std::thread ui([this] {
        std::this_thread::sleep_for(50ms);
        Api.SetCommMask(Port, 0);
    });
    EXPECT_EQ(WaitResult(), 0u);
    ui.join();
}

TEST_F(PosixCommWait, StopEventWinsOverCompletedCommEvent)
{
    HANDLE stop = NewEvent(true, false);
    const HANDLE list[2] = {stop, Overlapped.hEvent};
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR));
    Line.Write("a");
    std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(Api.WaitCommEvent(Port, &Mask, &Overlapped)); // completes at once: both are signalled
    Api.SetEvent(stop);
    EXPECT_EQ(Api.WaitForMultipleObjects(2, list, false, 2000), WAIT_OBJECT_0);
    const HANDLE reversed[2] = {Overlapped.hEvent, stop};
    EXPECT_EQ(Api.WaitForMultipleObjects(2, reversed, false, 2000), WAIT_OBJECT_0);
}

TEST_F(PosixCommWait, StopEventEndsPendingWaitFromAnotherThread)
{
    HANDLE stop = NewEvent(true, false);
    const HANDLE list[2] = {stop, Overlapped.hEvent};
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR));
    StartPendingWait();
    std::thread closer([&] {
        std::this_thread::sleep_for(30ms);
        Api.SetEvent(stop);
    });
    EXPECT_EQ(Api.WaitForMultipleObjects(2, list, false, 5000), WAIT_OBJECT_0);
    closer.join();
}

TEST_F(PosixCommWait, SecondWaitOrEmptyMaskIsInvalid)
{
    EXPECT_FALSE(Api.WaitCommEvent(Port, &Mask, &Overlapped));
    EXPECT_EQ(Api.GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR));
    StartPendingWait();
    OVERLAPPED second = NewOverlapped();
    DWORD secondMask = 0;
    EXPECT_FALSE(Api.WaitCommEvent(Port, &secondMask, &second));
    EXPECT_EQ(Api.GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(PosixCommWait, CloseEndsPendingWaitWithAbort)
{
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR));
    StartPendingWait();
    std::thread ui([this] {
        std::this_thread::sleep_for(30ms);
        Api.CloseHandle(Port);
    });
    EXPECT_EQ(Api.WaitForSingleObject(Overlapped.hEvent, 2000), WAIT_OBJECT_0);
    ui.join();
    Port = INVALID_HANDLE_VALUE;
    DWORD transferred = 0;
    EXPECT_FALSE(Api.GetOverlappedResult(Port, &Overlapped, &transferred, false));
    EXPECT_EQ(Api.GetLastError(), ERROR_OPERATION_ABORTED);
    Port = Open(Line.WindowsName());
    EXPECT_NE(Port, INVALID_HANDLE_VALUE);
}

TEST_F(PosixCommWait, GetOverlappedResultCanWaitForCompletion)
{
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RXCHAR));
    StartPendingWait();
    Line.Write("q");
    DWORD transferred = 0;
    EXPECT_TRUE(Api.GetOverlappedResult(Port, &Overlapped, &transferred, true));
    EXPECT_EQ(Mask, EV_RXCHAR);
}

TEST_F(PosixCommWait, EventCharRaisesRxFlag)
{
    DCB dcb = DefaultDcb();
    dcb.EvtChar = '\n';
    ASSERT_TRUE(Api.SetCommState(Port, dcb));
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RXFLAG));
    StartPendingWait();
    Line.Write("no end");
    EXPECT_EQ(Api.WaitForSingleObject(Overlapped.hEvent, 100), WAIT_TIMEOUT);
    Line.Write("\n");
    EXPECT_EQ(WaitResult(), EV_RXFLAG);
}

TEST_F(PosixCommWait, Rx80FullWhenQueuePassesEightyPercentOfInputSize)
{
    ASSERT_TRUE(Api.SetupComm(Port, 10, 10));
    ASSERT_TRUE(Api.SetCommMask(Port, EV_RX80FULL));
    StartPendingWait();
    Line.Write("1234567");
    EXPECT_EQ(Api.WaitForSingleObject(Overlapped.hEvent, 100), WAIT_TIMEOUT);
    Line.Write("8");
    EXPECT_EQ(WaitResult(), EV_RX80FULL);
}

TEST_F(PosixCommWait, WriteReportsTxEmpty)
{
    ASSERT_TRUE(Api.SetCommMask(Port, EV_TXEMPTY));
    OVERLAPPED write = NewOverlapped();
    DWORD written = 0;
    ASSERT_TRUE(Api.WriteFile(Port, "hello", 5, &written, &write)) << Api.GetLastError();
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(Line.Receive(5), "hello");
    EXPECT_TRUE(Api.WaitCommEvent(Port, &Mask, &Overlapped));
    EXPECT_EQ(Mask, EV_TXEMPTY);
}

} // namespace
