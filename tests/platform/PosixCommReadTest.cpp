// Reading, purging and the queue count on a pseudo-terminal.
#include <algorithm>
#include <chrono>
#include <thread>

#include "CommFixture.h"

using namespace WinComm;

namespace {

using namespace std::chrono_literals;

class PosixCommRead : public TCommTest {
protected:
    char Buffer[64] = {};
    OVERLAPPED Transfer{};

    void SetUp() override
    {
        TCommTest::SetUp();
        Transfer = NewOverlapped();
    }

    // Starts a read that must pend.
    void StartPendingRead(DWORD Count)
    {
        DWORD read = 99;
        ASSERT_FALSE(Api.ReadFile(Port, Buffer, Count, &read, &Transfer));
        ASSERT_EQ(Api.GetLastError(), ERROR_IO_PENDING);
        EXPECT_EQ(read, 0u);
    }

    // Waits for the read the way the port component does; returns the bytes read.
    DWORD FinishRead()
    {
        EXPECT_EQ(Api.WaitForSingleObject(Transfer.hEvent, INFINITE), WAIT_OBJECT_0);
        DWORD read = 0;
        EXPECT_TRUE(Api.GetOverlappedResult(Port, &Transfer, &read, false)) << Api.GetLastError();
        return read;
    }

    void SetTimeouts(DWORD Interval, DWORD Multiplier, DWORD Constant)
    {
        COMMTIMEOUTS timeouts{Interval, Multiplier, Constant, 0, 0};
        ASSERT_TRUE(Api.SetCommTimeouts(Port, timeouts));
    }
};

TEST_F(PosixCommRead, ImmediateReadGivesWhatIsQueued)
{
    ReadAtOnce();
    SendAndAwait("abcd", 4);
    DWORD read = 0;
    ASSERT_TRUE(Api.ReadFile(Port, Buffer, 10, &read, &Transfer)) << Api.GetLastError();
    EXPECT_EQ(read, 4u);
    EXPECT_EQ(std::string(Buffer, read), "abcd");
    EXPECT_EQ(FinishRead(), 4u);
    EXPECT_EQ(Queued(), 0u);
}

// A negative count of the component arrives as 2 GB or more: refused, the buffer untouched
// and the queue kept.
TEST_F(PosixCommRead, CountFromTwoGigabytesIsRefusedWithoutWriting)
{
    ReadAtOnce();
    SendAndAwait("abcd", 4);
    for (const DWORD count : {0x80000000u, 0xFFFFFFFFu}) {
        std::fill(std::begin(Buffer), std::end(Buffer), '#');
        DWORD read = 99;
        EXPECT_FALSE(Api.ReadFile(Port, Buffer, count, &read, &Transfer));
        EXPECT_EQ(Api.GetLastError(), ERROR_NOACCESS);
        EXPECT_EQ(std::string(Buffer, sizeof Buffer), std::string(sizeof Buffer, '#'));
    }
    EXPECT_EQ(Queued(), 4u);
    DWORD read = 0;
    ASSERT_TRUE(Api.ReadFile(Port, Buffer, 0x7FFFFFFF, &read, &Transfer)) << Api.GetLastError();
    EXPECT_EQ(std::string(Buffer, read), "abcd");
}

TEST_F(PosixCommRead, ImmediateReadOfEmptyQueueGivesNothing)
{
    ReadAtOnce();
    DWORD read = 99;
    ASSERT_TRUE(Api.ReadFile(Port, Buffer, 10, &read, &Transfer));
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(FinishRead(), 0u);
}

TEST_F(PosixCommRead, ZeroFilledRecordReportsNothingTransferred)
{
    OVERLAPPED untouched{};
    untouched.hEvent = NewEvent(true, true);
    DWORD read = 99;
    EXPECT_TRUE(Api.GetOverlappedResult(Port, &untouched, &read, false));
    EXPECT_EQ(read, 0u);
}

TEST_F(PosixCommRead, ReadWithoutTimeoutsWaitsForAllBytes)
{
    SetTimeouts(0, 0, 0);
    StartPendingRead(5);
    Line.Write("ab");
    EXPECT_EQ(Api.WaitForSingleObject(Transfer.hEvent, 100), WAIT_TIMEOUT);
    Line.Write("cde");
    EXPECT_EQ(FinishRead(), 5u);
    EXPECT_EQ(std::string(Buffer, 5), "abcde");
}

TEST_F(PosixCommRead, TotalTimeoutEndsReadWithWhatArrived)
{
    SetTimeouts(0, 0, 100);
    SendAndAwait("xy", 2);
    const auto start = std::chrono::steady_clock::now();
    StartPendingRead(10);
    EXPECT_EQ(FinishRead(), 2u);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 95ms);
    EXPECT_LT(elapsed, 1000ms);
    EXPECT_EQ(std::string(Buffer, 2), "xy");
}

TEST_F(PosixCommRead, IntervalTimeoutEndsReadAfterQuietGap)
{
    SetTimeouts(50, 0, 0);
    StartPendingRead(10);
    EXPECT_EQ(Api.WaitForSingleObject(Transfer.hEvent, 120), WAIT_TIMEOUT); // no byte yet: no interval
    Line.Write("abc");
    EXPECT_EQ(FinishRead(), 3u);
}

TEST_F(PosixCommRead, ReturnOnAnyByteWaitsForFirstByte)
{
    SetTimeouts(MAXDWORD, MAXDWORD, 2000);
    StartPendingRead(10);
    Line.Write("k");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FinishRead(), 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
}

TEST_F(PosixCommRead, PurgeRxAbortEndsPendingRead)
{
    SetTimeouts(0, 0, 0);
    StartPendingRead(5);
    std::thread ui([this] {
        std::this_thread::sleep_for(30ms);
        Api.PurgeComm(Port, PURGE_TXABORT | PURGE_RXABORT);
    });
    EXPECT_EQ(Api.WaitForSingleObject(Transfer.hEvent, 2000), WAIT_OBJECT_0);
    ui.join();
    DWORD read = 0;
    EXPECT_FALSE(Api.GetOverlappedResult(Port, &Transfer, &read, false));
    EXPECT_EQ(Api.GetLastError(), ERROR_OPERATION_ABORTED);
}

TEST_F(PosixCommRead, PurgeRxClearEmptiesInput)
{
    SendAndAwait("abcdef", 6);
    ASSERT_TRUE(Api.PurgeComm(Port, PURGE_RXCLEAR | PURGE_TXCLEAR)) << Api.GetLastError();
    EXPECT_EQ(Queued(), 0u);
    ReadAtOnce();
    DWORD read = 99;
    ASSERT_TRUE(Api.ReadFile(Port, Buffer, 10, &read, &Transfer));
    EXPECT_EQ(read, 0u);
}

TEST_F(PosixCommRead, PurgeWithoutOrUnknownFlagsIsInvalid)
{
    EXPECT_FALSE(Api.PurgeComm(Port, 0));
    EXPECT_EQ(Api.GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(Api.PurgeComm(Port, 0x10));
    EXPECT_EQ(Api.GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(PosixCommRead, ClearCommErrorCountsDecodedBytes)
{
    SendAndAwait("a\xFF" "b", 3); // the line discipline doubles the ff; the count does not
    DWORD errors = 0xFF;
    COMSTAT stat{};
    ASSERT_TRUE(Api.ClearCommError(Port, &errors, &stat));
    EXPECT_EQ(errors, 0u);
    EXPECT_EQ(stat.cbInQue, 3u);
    EXPECT_EQ(stat.cbOutQue, 0u);
    ReadAtOnce();
    DWORD read = 0;
    ASSERT_TRUE(Api.ReadFile(Port, Buffer, 10, &read, &Transfer));
    EXPECT_EQ(std::string(Buffer, read), "a\xFF" "b");
}

TEST_F(PosixCommRead, DiscardNullDropsZeroBytes)
{
    DCB dcb = DefaultDcb();
    dcb.Flags |= fNull;
    ASSERT_TRUE(Api.SetCommState(Port, dcb));
    SendAndAwait(std::string("a\0b", 3), 2);
    ReadAtOnce();
    DWORD read = 0;
    ASSERT_TRUE(Api.ReadFile(Port, Buffer, 10, &read, &Transfer));
    EXPECT_EQ(std::string(Buffer, read), "ab");
}

TEST_F(PosixCommRead, QueueHoldsInputSizeAndRefillsAfterRead)
{
    ASSERT_TRUE(Api.SetupComm(Port, 8, 8));
    Line.Write("0123456789AB");
    SendAndAwait("", 8);
    ReadAtOnce();
    DWORD read = 0;
    ASSERT_TRUE(Api.ReadFile(Port, Buffer, 8, &read, &Transfer));
    EXPECT_EQ(std::string(Buffer, read), "01234567");
    EXPECT_EQ(Queued(), 4u); // the rest waited in the device
    ASSERT_TRUE(Api.ReadFile(Port, Buffer, 8, &read, &Transfer));
    EXPECT_EQ(std::string(Buffer, read), "89AB");
}

TEST_F(PosixCommRead, ReadWithoutRecordWaitsForItself)
{
    SetTimeouts(0, 0, 0);
    std::thread far([this] {
        std::this_thread::sleep_for(30ms);
        Line.Write("xyz");
    });
    DWORD read = 0;
    EXPECT_TRUE(Api.ReadFile(Port, Buffer, 3, &read, nullptr)) << Api.GetLastError();
    far.join();
    EXPECT_EQ(std::string(Buffer, read), "xyz");
}

} // namespace

namespace {

class PosixCommWrite : public TCommTest {};

TEST_F(PosixCommWrite, WriteReachesTheFarEnd)
{
    OVERLAPPED transfer = NewOverlapped();
    DWORD written = 0;
    ASSERT_TRUE(Api.WriteFile(Port, "ping", 4, &written, &transfer)) << Api.GetLastError();
    EXPECT_EQ(written, 4u);
    EXPECT_EQ(Api.WaitForSingleObject(transfer.hEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(Line.Receive(4), "ping");
}

// Nobody reads the far end, so the device's output queue fills up.
TEST_F(PosixCommWrite, WriteTimeoutEndsWriteWithFewerBytes)
{
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 100};
    ASSERT_TRUE(Api.SetCommTimeouts(Port, timeouts));
    const std::string big(1 << 20, 'w');
    OVERLAPPED transfer = NewOverlapped();
    DWORD written = 0;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Api.WriteFile(Port, big.data(), static_cast<DWORD>(big.size()), &written, &transfer));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, big.size());
    EXPECT_GE(elapsed, 95ms);
    EXPECT_LT(elapsed, 2000ms);
}

TEST_F(PosixCommWrite, PurgeTxAbortEndsBlockedWrite)
{
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
    ASSERT_TRUE(Api.SetCommTimeouts(Port, timeouts));
    // The purge comes once the far end has seen the write begin: a purge before the
    // write would abort nothing, and the write would then wait for ever.
    std::thread ui([this] {
        Line.Receive(1, 10000);
        Api.PurgeComm(Port, PURGE_TXABORT | PURGE_RXABORT);
    });
    const std::string big(1 << 20, 'w');
    OVERLAPPED transfer = NewOverlapped();
    DWORD written = 0;
    EXPECT_FALSE(Api.WriteFile(Port, big.data(), static_cast<DWORD>(big.size()), &written, &transfer));
    EXPECT_EQ(Api.GetLastError(), ERROR_OPERATION_ABORTED);
    ui.join();
}

} // namespace
