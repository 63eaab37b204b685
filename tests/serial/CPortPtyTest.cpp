// The serial port on real pseudo-terminals through the POSIX comm layer.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <thread>

#include <sys/ioctl.h>

#include "platform/CommDriver.h"
#include "platform/CommWait.h"
#include "serial/PortTestSupport.h"
#include "support/PtyPair.h"
#include "support/EnvironmentGuard.h"
#include "support/EventLoop.h"
#include "support/FakeCommDriver.h"
#include "support/Recorders.h"
#include "support/TempWorkingDir.h"

using namespace std::chrono_literals;

namespace {

using Strings = std::vector<std::string>;

bool OnUiThread()
{
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

class PortOnPty : public ::testing::Test {
protected:
    void SetUp() override { port.SetPort(pty.SlavePath()); }

    // Collects the received bytes in the receive handler, as the application does.
    void ReceiveAsText()
    {
        port.OnRxChar = [this](TObject*, int Count) {
            std::string text;
            port.ReadText(text, Count);
            std::lock_guard lock(mutex);
            received += text;
        };
    }
    std::string Received()
    {
        std::lock_guard lock(mutex);
        return received;
    }
    bool ReceivedAll(const std::string& Expected)
    {
        return ProcessEventsUntil([&] { return Received() == Expected; });
    }

    TPtyPair pty;
    std::mutex mutex;
    std::string received;
    TComPort port{nullptr};
};

} // namespace

TEST_F(PortOnPty, ReceivesTextOnTheUiThread)
{
    bool allOnUi = true;
    port.OnRxChar = [&](TObject*, int Count) {
        allOnUi = allOnUi && OnUiThread();
        std::string text;
        EXPECT_EQ(port.ReadText(text, Count), Count);
        received += text;
    };
    port.OpenPort();
    pty.Write("P 0012,50 kg\r\n");
    ASSERT_TRUE(ReceivedAll("P 0012,50 kg\r\n"));
    EXPECT_TRUE(allOnUi);
    port.ClosePort();
}

TEST_F(PortOnPty, ReceivesRawBytesUnchanged)
{
    const std::string bytes("\x00\x11\x13\xff\r\n\x7f\x80", 8);
    port.OnRxChar = [&](TObject*, int Count) {
        std::vector<char> buffer(static_cast<size_t>(Count));
        const int n = port.ReadBytes(buffer.data(), Count);
        received.append(buffer.data(), static_cast<size_t>(n));
    };
    port.OpenPort();
    pty.Write(bytes);
    ASSERT_TRUE(ProcessEventsUntil([&] { return received.size() >= bytes.size(); }));
    EXPECT_EQ(received, bytes);
    port.ClosePort();
}

TEST_F(PortOnPty, ReadTextAskingTenWithFourQueuedReturnsFour)
{
    port.SetEvents({});
    port.OpenPort();
    pty.Write("ABCD");
    ASSERT_TRUE(ProcessEventsUntil([&] { return port.InputQueueCount() == 4; }));
    std::string text = "old";
    EXPECT_EQ(port.ReadText(text, 0), 0);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(port.ReadText(text, 10), 4);
    EXPECT_EQ(text, "ABCD");
    EXPECT_EQ(port.InputQueueCount(), 0);
    port.ClosePort();
}

TEST_F(PortOnPty, ReadBytesWithANegativeCountRaisesCodeThreeAndWritesNothing)
{
    port.SetEvents({});
    port.OpenPort();
    pty.Write("ABCD");
    ASSERT_TRUE(ProcessEventsUntil([&] { return port.InputQueueCount() == 4; }));
    for (const int count : {-1, -2147483647 - 1}) {
        std::string buffer(16, '#');
        try {
            port.ReadBytes(buffer.data(), count);
            ADD_FAILURE() << count << ": no exception";
        } catch (const EComPort& e) {
            EXPECT_EQ(e.ErrorCode(), 3);
            EXPECT_EQ(e.SystemErrorCode(), 998);
        }
        EXPECT_EQ(buffer, std::string(16, '#'));
    }
    EXPECT_EQ(port.InputQueueCount(), 4);
    port.ClosePort();
}

TEST_F(PortOnPty, HandlersNeverOverlapAndBytesArrivingMeanwhileComeWithTheNextEvent)
{
    std::atomic<bool> inHandler{false};
    bool overlapped = false;
    int calls = 0;
    port.OnRxChar = [&](TObject*, int Count) {
        overlapped = overlapped || inHandler.exchange(true);
        if (calls++ == 0) {
            pty.Write("second");
            std::this_thread::sleep_for(30ms); // the event thread waits meanwhile
        }
        std::string text;
        port.ReadText(text, Count);
        received += text;
        inHandler = false;
    };
    port.OpenPort();
    pty.Write("first");
    ASSERT_TRUE(ReceivedAll("firstsecond"));
    EXPECT_FALSE(overlapped);
    port.ClosePort();
}

TEST_F(PortOnPty, CloseWhileADeliveryWaitsForTheUiThreadRunsItBeforeTheDeviceCloses)
{
    ReceiveAsText();
    port.OpenPort();
    pty.Write("late");
    // Let the event thread reach its hand-over; the UI thread takes no events meanwhile.
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(Received().empty());
    port.ClosePort(); // the handler's read still finds the device open
    EXPECT_EQ(Received(), "late");
    EXPECT_FALSE(port.Connected());
}

TEST_F(PortOnPty, StopWithAnEventPendingDeliversNoMoreAndDiscardsTheQueue)
{
    int calls = 0;
    port.OnRxChar = [&](TObject*, int) { ++calls; }; // reads nothing: the bytes stay queued
    port.OpenPort();
    pty.Write("one");
    std::this_thread::sleep_for(100ms); // delivery waits for the UI thread
    pty.Write("two");
    port.ClosePort();
    EXPECT_EQ(calls, 1);
    port.SetEvents({});
    port.OpenPort();
    ProcessEventsFor(20ms);
    EXPECT_EQ(port.InputQueueCount(), 0);
    port.ClosePort();
}

class ExceptionInHandler : public PortOnPty, public ::testing::WithParamInterface<TSyncMethod> {};

TEST_P(ExceptionInHandler, IsReportedAndTheLoopEndsOrGoesOnAsTheModeSays)
{
    MessageRecorder recorder;
    std::atomic<int> calls{0};
    port.SetSyncMethod(GetParam());
    port.OnRxChar = [&](TObject*, int Count) {
        std::string text;
        port.ReadText(text, Count);
        ++calls;
        throw Exception("handler failed: " + text);
    };
    port.OpenPort();
    pty.Write("a");
    ASSERT_TRUE(ProcessEventsUntil([&] { return !recorder.Exceptions().empty(); }));
    EXPECT_EQ(recorder.Exceptions(), Strings{"handler failed: a"});
    pty.Write("b");
    if (GetParam() == smWindowSync) {
        ASSERT_TRUE(ProcessEventsUntil([&] { return recorder.Exceptions().size() == 2; }));
        EXPECT_EQ(calls, 2);
    } else {
        ProcessEventsFor(100ms);
        EXPECT_EQ(calls, 1); // the loop has ended
    }
    port.ClosePort();

    // A later open delivers again.
    port.OnRxChar = [&](TObject*, int) { ++calls; };
    const int before = calls;
    port.OpenPort();
    pty.Write("c");
    EXPECT_TRUE(ProcessEventsUntil([&] { return calls > before; }));
    port.ClosePort();
}

INSTANTIATE_TEST_SUITE_P(SyncMethods, ExceptionInHandler, ::testing::Values(smThreadSync, smWindowSync, smNone),
                         SyncMethodName);

TEST_F(PortOnPty, SecondOpenOfAHeldDeviceFailsWithAccessDenied)
{
    port.OpenPort();
    TComPort second(nullptr);
    second.SetPort(pty.SlavePath());
    try {
        second.OpenPort();
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), 1);
        EXPECT_EQ(e.SystemErrorCode(), 5);
        EXPECT_EQ(e.Message(), "Unable to open com port (win error code: 5)");
    }
    EXPECT_FALSE(second.Connected());
    port.ClosePort();
    EXPECT_NO_THROW(second.OpenPort());
    second.ClosePort();
}

TEST(PortOnMissingDevice, OpenFailsWithFileNotFound)
{
    TComPort port(nullptr);
    port.SetPort("/nonexistent-trevask-device/ttyX");
    try {
        port.OpenPort();
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), 1);
        EXPECT_EQ(e.SystemErrorCode(), 2);
    }
    EXPECT_FALSE(port.Connected());
}

// The serial layer's settings file, in the test's own folder, names the device of COM7.
TEST_F(PortOnPty, ComNameOpensTheDeviceItsSettingsLineNames)
{
    TempWorkingDir dir;
    ASSERT_TRUE(dir.IsValid());
    TEnvironmentGuard sandbox("TREVASK_DATA_DIR", dir.Path(""));
    WriteFileBytes(dir.Path("serial.conf"), "COM7=" + pty.SlavePath() + "\n");
    port.SetPort("COM7");
    ReceiveAsText();
    port.OpenPort();
    pty.Write("P 0012,50 kg");
    EXPECT_TRUE(ReceivedAll("P 0012,50 kg"));
    port.ClosePort();

    WriteFileBytes(dir.Path("serial.conf"), "COM7:" + pty.SlavePath() + "\n");
    try {
        port.OpenPort();
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), 1);
        EXPECT_EQ(e.Message(), "Unable to open com port (win error code: 1610)");
    }
    EXPECT_FALSE(port.Connected());
}

TEST_F(PortOnPty, ReadsOnAClosedPortFailWithCodeThree)
{
    port.OpenPort();
    port.ClosePort();
    std::string text;
    try {
        port.ReadText(text, 5);
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), 3);
        EXPECT_NE(e.SystemErrorCode(), -1);
    }
    char c;
    EXPECT_THROW(port.ReadBytes(&c, 1), EComPort);
}

TEST_F(PortOnPty, VanishedDeviceEndsTheLoopWithoutSpinningAndThePortReopens)
{
    MessageRecorder recorder;
    ReceiveAsText();
    port.OpenPort();
    pty.Write("x");
    ASSERT_TRUE(ReceivedAll("x"));
    pty.CloseMaster();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !recorder.Exceptions().empty(); }));
    ProcessEventsFor(20ms);
    const auto wakeups = WinComm::WaitWakeups();
    ProcessEventsFor(200ms);
    EXPECT_LE(WinComm::WaitWakeups() - wakeups, 2u);
    EXPECT_TRUE(port.Connected());
    EXPECT_NO_THROW(port.ClosePort());
    EXPECT_FALSE(port.Connected());

    TPtyPair replacement;
    port.SetPort(replacement.SlavePath());
    port.OpenPort();
    received.clear();
    replacement.Write("again");
    EXPECT_TRUE(ReceivedAll("again"));
    port.ClosePort();
}

namespace {

// The port on a pseudo-terminal whose driver plays a UART's modem lines and RS-485 mode.
class PortOnUart : public ::testing::Test {
protected:
    void SetUp() override
    {
        port.SetCommApi(*layer);
        port.SetPort(pty.SlavePath());
    }

    FakeCommDriver uart;
    std::unique_ptr<WinComm::TCommApi> layer = WinComm::NewPosixCommApi(uart);
    TPtyPair pty;
    // Outlive the port, whose close still reports to them.
    TEventLog log;
    bool allOnUi = true;
    TComPort port{nullptr};
};

} // namespace

TEST_F(PortOnUart, LineChangesRaiseTheirEventsOnTheUiThreadUntilTheClose)
{
    log.Watch(port);
    port.OnCTSChange = [&](TObject*, bool On) {
        allOnUi = allOnUi && OnUiThread();
        log.Add(std::string("CTS") + (On ? "(on)" : "(off)"));
    };
    port.OpenPort();
    ASSERT_TRUE(uart.AwaitBlockedWait());
    const size_t opened = log.Size();
    uart.SetLines(TIOCM_CTS);
    ASSERT_TRUE(ProcessEventsUntil([&] { return log.Size() == opened + 1; }));
    uart.Ring();
    ASSERT_TRUE(ProcessEventsUntil([&] { return log.Size() == opened + 2; }));
    uart.SetLines(TIOCM_CTS | TIOCM_DSR | TIOCM_CD);
    ASSERT_TRUE(ProcessEventsUntil([&] { return log.Size() == opened + 4; }));
    const Strings all = log.Entries();
    EXPECT_EQ(Strings(all.begin() + static_cast<long>(opened), all.end()),
              (Strings{"CTS(on)", "Ring", "DSR(on)", "RLSD(on)"}));
    EXPECT_TRUE(allOnUi);
    const auto start = std::chrono::steady_clock::now();
    port.ClosePort();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
    EXPECT_EQ(uart.BlockedWaits(), 0);
}

TEST_F(PortOnUart, RtsToggleOpensWithTheDriversRs485Mode)
{
    port.FlowControl()->SetControlRTS(rtsToggle);
    port.OpenPort();
    EXPECT_EQ(uart.Rs485().flags, static_cast<uint32_t>(SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND));
    port.ClosePort();
    EXPECT_EQ(uart.Rs485().flags, 0u);
}

TEST_F(PortOnPty, RtsToggleFailsToOpenWithInvalidParameter)
{
    port.FlowControl()->SetControlRTS(rtsToggle);
    try {
        port.OpenPort();
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), 7);
        EXPECT_EQ(e.SystemErrorCode(), 87);
    }
    EXPECT_FALSE(port.Connected());
}
