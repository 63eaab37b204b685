// The event thread and event delivery against the recording comm layer.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <sstream>

#include "serial/ComThread.h"
#include "serial/PortTestSupport.h"
#include "support/EventLoop.h"
#include "support/FakeCommApi.h"
#include "support/Recorders.h"

using namespace WinComm;
using namespace std::chrono_literals;

namespace {

using Strings = std::vector<std::string>;

constexpr DWORD kAllTen = 0x5FF;
const Strings kAllTenInOrder = {"Error(1)", "RxChar(3)", "TxEmpty", "Break", "Ring", "CTS(on)",
                                "DSR(off)", "RxFlag",    "RLSD(on)", "Rx80Full"};

bool OnUiThread()
{
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

class EventThreadWithFakeComm : public ::testing::TestWithParam<TSyncMethod> {
protected:
    void Open(TSyncMethod Method)
    {
        port.SetSyncMethod(Method);
        port.OpenPort();
        ASSERT_TRUE(comm.WaitForPendingCommWait());
        comm.ClearCalls();
    }
    // Waits (serving the UI thread) until the log holds Count entries.
    bool LogReaches(size_t Count) { return ProcessEventsUntil([&] { return log.Size() >= Count; }); }
    // Serves the UI thread until the thread waits on the device again.
    bool DeliveryOver()
    {
        return ProcessEventsUntil([&] { return comm.WaitForPendingCommWait(std::chrono::milliseconds(0)); });
    }
    // The loop has ended when a cleanup mask of 0 was set.
    bool LoopEnded()
    {
        return ProcessEventsUntil([&] {
            for (const auto& call : comm.CallsNamed("SetCommMask"))
                if (call.Arg1 == 0)
                    return true;
            return false;
        });
    }

    FakeCommApi comm;
    TEventLog log; // outlives the port, whose destruction still raises events
    TTestPort port{nullptr, comm};
};

} // namespace

TEST_P(EventThreadWithFakeComm, AllTenEventsOfOneWaitRunInTheFixedOrder)
{
    Open(GetParam());
    log.Watch(port);
    comm.SetLineErrors(CE_FRAME);
    comm.QueueInput("abc");
    comm.SetModemStatus(MS_CTS_ON | MS_RLSD_ON);
    ASSERT_TRUE(comm.CompleteCommWait(kAllTen));
    ASSERT_TRUE(LogReaches(10));
    EXPECT_EQ(log.Entries(), kAllTenInOrder);
    port.ClosePort();
}

TEST_P(EventThreadWithFakeComm, EachStepReadsTheDeviceWhenItRuns)
{
    Open(GetParam());
    log.Watch(port);
    comm.SetModemStatus(MS_DSR_ON);
    ASSERT_TRUE(comm.CompleteCommWait(EV_ERR | EV_RXCHAR | EV_CTS | EV_DSR | EV_RLSD));
    ASSERT_TRUE(LogReaches(3));
    EXPECT_EQ(log.Entries(), (Strings{"CTS(off)", "DSR(on)", "RLSD(off)"}));
    EXPECT_EQ(comm.CallsNamed("ClearCommError").size(), 2u);
    EXPECT_EQ(comm.CallsNamed("GetCommModemStatus").size(), 3u);
    port.ClosePort();
}

TEST_P(EventThreadWithFakeComm, ErrorHandlerPurgeLeavesNothingForReceive)
{
    Open(GetParam());
    log.Watch(port);
    port.OnError = [&](TObject*, TComErrors Errors) {
        log.Add("Error(" + std::to_string(Errors.Bits()) + ")");
        port.PurgeBuffers(true, true);
    };
    comm.SetLineErrors(CE_RXOVER | CE_FRAME);
    comm.QueueInput("garbage");
    ASSERT_TRUE(comm.CompleteCommWait(EV_ERR | EV_RXCHAR));
    ASSERT_TRUE(DeliveryOver());
    EXPECT_EQ(log.Entries(), Strings{"Error(65)"});
    EXPECT_TRUE(comm.QueuedInput().empty());
    port.ClosePort();
}

TEST_P(EventThreadWithFakeComm, NothingToReportRaisesNothing)
{
    Open(GetParam());
    log.Watch(port);
    comm.SetLineErrors(CE_RXPARITY); // Parity.Check is off
    ASSERT_TRUE(comm.CompleteCommWait(EV_ERR | EV_RXCHAR));
    ASSERT_TRUE(DeliveryOver());
    EXPECT_EQ(comm.CallsNamed("ClearCommError").size(), 2u);
    EXPECT_TRUE(log.Entries().empty());
    port.ClosePort();
}

// In these modes an exception that leaves a step ends the event loop.
class EventLoopEndingModes : public EventThreadWithFakeComm {};

TEST_P(EventLoopEndingModes, ExceptionInAHandlerIsReportedEndsTheLoopAndThePortStillClosesAndReopens)
{
    MessageRecorder recorder;
    Open(GetParam());
    port.OnRxChar = [&](TObject*, int) { throw Exception("handler failed"); };
    comm.QueueInput("x");
    ASSERT_TRUE(comm.CompleteCommWait(EV_RXCHAR));
    ASSERT_TRUE(ProcessEventsUntil([&] { return !recorder.Exceptions().empty(); }));
    EXPECT_EQ(recorder.Exceptions(), Strings{"handler failed"});
    ASSERT_TRUE(LoopEnded());
    EXPECT_TRUE(port.Connected());
    EXPECT_TRUE(comm.CallsNamed("PurgeComm").at(0).Arg1 == (PURGE_TXCLEAR | PURGE_RXCLEAR));
    ProcessEventsFor(10ms);
    EXPECT_EQ(comm.CallsNamed("WaitCommEvent").size(), 0u); // no further wait
    port.ClosePort();
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(comm.UsedReleasedHandle());
    EXPECT_EQ(comm.LiveEvents(), 0);

    log.Watch(port);
    port.OpenPort();
    comm.QueueInput("y");
    ASSERT_TRUE(comm.CompleteCommWait(EV_RXCHAR));
    ASSERT_TRUE(ProcessEventsUntil([&] {
        const auto entries = log.Entries();
        return std::find(entries.begin(), entries.end(), "RxChar(1)") != entries.end(); // "x" was purged
    }));
    port.ClosePort();
}

TEST_P(EventThreadWithFakeComm, StopWithAnEventPendingDeliversNothingMoreAndPurges)
{
    Open(GetParam());
    std::atomic<int> delivered{0};
    port.OnRxChar = [&](TObject*, int) { ++delivered; };
    comm.QueueInput("first");
    ASSERT_TRUE(comm.CompleteCommWait(EV_RXCHAR));
    ASSERT_TRUE(comm.WaitForCall("GetOverlappedResult")); // the delivery is under way
    if (GetParam() == smNone) { // the handler runs on the event thread
        ASSERT_TRUE(ProcessEventsUntil([&] { return delivered == 1; }));
    }
    // The next wait completes at once, at the same time as the stop.
    comm.CompleteNextCommWaitAtOnce(EV_RXCHAR);
    port.ClosePort();
    EXPECT_EQ(delivered, 1);
    EXPECT_TRUE(comm.QueuedInput().empty());
    EXPECT_FALSE(comm.UsedReleasedHandle());
}

INSTANTIATE_TEST_SUITE_P(SyncMethods, EventThreadWithFakeComm, ::testing::Values(smThreadSync, smWindowSync, smNone),
                         SyncMethodName);
INSTANTIATE_TEST_SUITE_P(SyncMethods, EventLoopEndingModes, ::testing::Values(smThreadSync, smNone), SyncMethodName);

TEST(EventDelivery, SynchronisedModesRunHandlersOnTheUiThreadWhileTheThreadWaits)
{
    for (TSyncMethod method : {smThreadSync, smWindowSync}) {
        FakeCommApi comm;
        TComPort port(nullptr, comm);
        port.SetSyncMethod(method);
        port.OpenPort();
        bool onUi = false;
        bool threadWaited = false;
        int calls = 0;
        port.OnRxChar = [&](TObject*, int) {
            onUi = OnUiThread();
            // While the handler runs the thread has not gone back to waiting on the device.
            threadWaited = !comm.WaitForPendingCommWait(20ms);
            ++calls;
        };
        comm.QueueInput("abc");
        ASSERT_TRUE(comm.CompleteCommWait(EV_RXCHAR));
        ASSERT_TRUE(ProcessEventsUntil([&] { return calls == 1; }));
        EXPECT_TRUE(onUi);
        EXPECT_TRUE(threadWaited);
        port.ClosePort();
    }
}

TEST(EventDelivery, NoneRunsHandlersOnTheEventThread)
{
    FakeCommApi comm;
    TComPort port(nullptr, comm);
    port.SetSyncMethod(smNone);
    port.OpenPort();
    std::atomic<int> onUi{-1};
    port.OnRxChar = [&](TObject*, int) { onUi = OnUiThread() ? 1 : 0; };
    comm.QueueInput("abc");
    ASSERT_TRUE(comm.CompleteCommWait(EV_RXCHAR));
    ASSERT_TRUE(ProcessEventsUntil([&] { return onUi != -1; }));
    EXPECT_EQ(onUi, 0);
    port.ClosePort();
}

TEST(EventDelivery, ThreadSyncHandsAllEventsOfAWaitOverInOneCall)
{
    FakeCommApi comm;
    TEventLog log;
    TComPort port(nullptr, comm);
    port.OpenPort();
    log.Watch(port);
    comm.QueueInput("a");
    ASSERT_TRUE(comm.CompleteCommWait(EV_RXCHAR | EV_BREAK | EV_RING));
    // Without the event loop nothing runs; one pass of it runs all three steps.
    ASSERT_TRUE(ProcessEventsUntil([&] { return log.Size() >= 3; }));
    EXPECT_EQ(log.Entries(), (Strings{"RxChar(1)", "Break", "Ring"}));
    port.ClosePort();
}

TEST(EventDelivery, CloseWhileADeliveryWaitsForTheUiThreadRunsItFirst)
{
    FakeCommApi comm;
    TComPort port(nullptr, comm);
    port.OpenPort();
    bool deviceOpenInHandler = false;
    int calls = 0;
    port.OnRxChar = [&](TObject*, int) {
        deviceOpenInHandler = comm.DeviceOpen();
        ++calls;
    };
    comm.QueueInput("abc");
    ASSERT_TRUE(comm.CompleteCommWait(EV_RXCHAR));
    // The delivery now waits for the UI thread, which closes without taking events.
    ASSERT_TRUE(comm.WaitForCall("GetOverlappedResult"));
    port.ClosePort();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(deviceOpenInHandler);
    EXPECT_FALSE(comm.DeviceOpen());
}

TEST(WindowSyncDelivery, ExceptionIsShownAndDeliveryGoesOn)
{
    MessageRecorder recorder;
    FakeCommApi comm;
    TEventLog log;
    TComPort port(nullptr, comm);
    port.SetSyncMethod(smWindowSync);
    port.OpenPort();
    log.Watch(port);
    port.OnBreak = [&](TObject*) { throw Exception("break handler failed"); };
    ASSERT_TRUE(comm.CompleteCommWait(EV_BREAK | EV_RING));
    ASSERT_TRUE(ProcessEventsUntil([&] { return log.Size() >= 1; }));
    ASSERT_TRUE(comm.CompleteCommWait(EV_RXFLAG));
    ASSERT_TRUE(ProcessEventsUntil([&] { return log.Size() >= 2; }));
    EXPECT_EQ(log.Entries(), (Strings{"Ring", "RxFlag"}));
    EXPECT_EQ(recorder.Exceptions(), Strings{"break handler failed"});
    port.ClosePort();
}

TEST(WindowSyncDelivery, SingleEventSendsOneMessage)
{
    FakeCommApi comm;
    TEventLog log;
    TComPort port(nullptr, comm);
    port.SetSyncMethod(smWindowSync);
    port.OpenPort();
    log.Watch(port);
    ASSERT_TRUE(comm.CompleteCommWait(EV_RX80FULL));
    ASSERT_TRUE(ProcessEventsUntil([&] { return log.Size() >= 1; }));
    ASSERT_TRUE(comm.WaitForPendingCommWait());
    ProcessEventsFor(10ms);
    EXPECT_EQ(log.Entries(), Strings{"Rx80Full"});
    port.ClosePort();
}

struct WindowMessageCase {
    uintptr_t WParam;
    const char* Entry;
};

std::string WParamText(const WindowMessageCase& c)
{
    std::ostringstream text;
    text << std::hex << std::uppercase << c.WParam;
    return text.str();
}

void PrintTo(const WindowMessageCase& c, std::ostream* out)
{
    *out << "0x" << WParamText(c) << " runs " << (c.Entry[0] ? c.Entry : "nothing");
}

class PortWindowProcedure : public ::testing::TestWithParam<WindowMessageCase> {};

TEST_P(PortWindowProcedure, RunsTheStepOfTheEventInWParam)
{
    FakeCommApi comm;
    TEventLog log;
    TTestPort port(nullptr, comm);
    port.SetEvents({});
    comm.SetLineErrors(CE_BREAK);
    comm.SetModemStatus(MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON);
    port.OpenPort();
    comm.QueueInput("12");
    log.Watch(port);
    TMessage message{PortEventMessage, GetParam().WParam, 0, 0};
    port.PortWindowProc(message);
    EXPECT_EQ(log.Entries(), GetParam().Entry[0] ? Strings{GetParam().Entry} : Strings{});
}

INSTANTIATE_TEST_SUITE_P(
    WParams, PortWindowProcedure,
    ::testing::Values(WindowMessageCase{0x1, "RxChar(2)"}, WindowMessageCase{0x2, "RxFlag"},
                      WindowMessageCase{0x4, "TxEmpty"}, WindowMessageCase{0x8, "CTS(on)"},
                      WindowMessageCase{0x10, "DSR(on)"}, WindowMessageCase{0x20, "RLSD(on)"},
                      WindowMessageCase{0x40, "Break"}, WindowMessageCase{0x80, "Error(8)"},
                      WindowMessageCase{0x100, "Ring"}, WindowMessageCase{0x400, "Rx80Full"},
                      WindowMessageCase{0x200, ""}, WindowMessageCase{0x3, ""}, WindowMessageCase{0, ""}),
    [](const auto& Info) { return "WParam" + WParamText(Info.param); });

TEST(PortWindowProcedureOther, OtherMessagesGetTheDefaultHandling)
{
    FakeCommApi comm;
    TTestPort port(nullptr, comm);
    TMessage message{0x10, 0, 0, 99};
    port.PortWindowProc(message);
    EXPECT_EQ(message.Result, 0);
}

TEST(PortWindowProcedureOther, StepExceptionGoesToTheReport)
{
    MessageRecorder recorder;
    FakeCommApi comm;
    TTestPort port(nullptr, comm); // closed: the queue count fails
    TMessage message{PortEventMessage, EV_RXCHAR, 0, 0};
    EXPECT_NO_THROW(port.PortWindowProc(message));
    ASSERT_EQ(recorder.Exceptions().size(), 1u);
    EXPECT_EQ(recorder.Exceptions()[0], "ClearCommError function failed (win error code: 6)");
}

TEST(EventLoopFailures, FailedOverlappedResultDeliversNothingAndWaitsAgain)
{
    FakeCommApi comm;
    TEventLog log;
    TComPort port(nullptr, comm);
    port.OpenPort();
    ASSERT_TRUE(comm.WaitForPendingCommWait());
    log.Watch(port);
    comm.ClearCalls();
    comm.FailNext("GetOverlappedResult", ERROR_GEN_FAILURE);
    comm.QueueInput("a");
    ASSERT_TRUE(comm.CompleteCommWait(EV_RXCHAR));
    ASSERT_TRUE(comm.WaitForCall("WaitCommEvent"));
    ProcessEventsFor(10ms);
    EXPECT_TRUE(log.Entries().empty());
    port.ClosePort();
}

TEST(EventLoopFailures, FailedWaitEndsTheLoopAndTheStopEventIsNotUsedAfterRelease)
{
    FakeCommApi comm;
    TComPort port(nullptr, comm);
    comm.FailNext("WaitForMultipleObjects", ERROR_INVALID_HANDLE);
    port.OpenPort();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !comm.CallsNamed("PurgeComm").empty(); }));
    EXPECT_TRUE(port.Connected());
    port.ClosePort();
    EXPECT_FALSE(comm.UsedReleasedHandle());
    EXPECT_EQ(comm.LiveEvents(), 0);
    EXPECT_EQ(comm.CallsNamed("WaitCommEvent").size(), 1u);
}

TEST(EventLoopFailures, WaitThatCannotStartIsReportedAndEndsTheLoopWithoutSpinning)
{
    MessageRecorder recorder;
    FakeCommApi comm;
    TComPort port(nullptr, comm);
    comm.FailNext("WaitCommEvent", ERROR_DEVICE_NOT_CONNECTED);
    port.OpenPort();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !comm.CallsNamed("PurgeComm").empty(); }));
    ProcessEventsFor(20ms);
    EXPECT_EQ(comm.CallsNamed("WaitCommEvent").size(), 1u);
    EXPECT_TRUE(comm.CallsNamed("WaitForMultipleObjects").empty());
    EXPECT_EQ(recorder.Exceptions(), Strings{"WaitForEvent method failed (win error code: 1167)"});
    port.ClosePort();
    EXPECT_FALSE(comm.UsedReleasedHandle());
    EXPECT_EQ(comm.LiveEvents(), 0);
}

TEST(EventLoopFailures, StepFailureEndsTheLoopLikeAHandlerException)
{
    MessageRecorder recorder;
    FakeCommApi comm;
    TComPort port(nullptr, comm);
    port.OpenPort();
    ASSERT_TRUE(comm.WaitForPendingCommWait());
    comm.FailNext("ClearCommError", ERROR_GEN_FAILURE);
    ASSERT_TRUE(comm.CompleteCommWait(EV_RXCHAR));
    ASSERT_TRUE(ProcessEventsUntil([&] { return !recorder.Exceptions().empty(); }));
    EXPECT_EQ(recorder.Exceptions(), Strings{"ClearCommError function failed (win error code: 31)"});
    port.ClosePort();
    EXPECT_FALSE(comm.UsedReleasedHandle());
}

TEST(EventThreadLifecycle, StopSignalsSleepsAndReleasesBothEventsInTheLoop)
{
    FakeCommApi comm;
    TComPort port(nullptr, comm);
    port.OpenPort();
    ASSERT_TRUE(comm.WaitForPendingCommWait());
    const auto created = comm.CallsNamed("CreateEventA");
    ASSERT_EQ(created.size(), 2u);
    EXPECT_EQ(created[0].Arg1, 1u); // stop event: manual reset, not signalled
    EXPECT_EQ(created[0].Arg2, 0u);
    EXPECT_EQ(created[1].Arg1, 1u); // wait event: manual reset, signalled
    EXPECT_EQ(created[1].Arg2, 1u);
    comm.ClearCalls();
    port.ClosePort();
    const Strings names = comm.CallNames();
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ(Strings(names.begin(), names.begin() + 2), (Strings{"PurgeComm", "SetEvent"}));
    EXPECT_NE(std::find(names.begin(), names.end(), "Sleep"), names.end());
    EXPECT_EQ(comm.CallsNamed("SetEvent").at(0).Handle, created[0].Handle);
    EXPECT_EQ(comm.CallsNamed("Sleep").at(0).Arg1, 0u);
    const auto closes = comm.CallsNamed("CloseHandle");
    ASSERT_EQ(closes.size(), 3u);
    EXPECT_EQ(closes[0].Handle, created[1].Handle);
    EXPECT_EQ(closes[1].Handle, created[0].Handle);
}

TEST(Listeners, AreToldAtTheirPointsInListOrder)
{
    FakeCommApi comm;
    TEventLog log;
    TTestPort port(nullptr, comm);
    log.Watch(port);
    for (const char* name : {"A", "B"}) {
        TPortListener listener;
        const std::string tag = name;
        listener.ConnSignal = [&log, tag](TObject*, bool On) { log.Add(tag + ".Conn" + (On ? "(on)" : "(off)")); };
        listener.CTSSignal = [&log, tag](TObject*, bool On) { log.Add(tag + ".CTS" + (On ? "(on)" : "(off)")); };
        listener.RxSignal = [&log, tag](TObject*, bool On) { log.Add(tag + ".Rx" + (On ? "(on)" : "(off)")); };
        listener.TxSignal = [&log, tag](TObject*, bool On) { log.Add(tag + ".Tx" + (On ? "(on)" : "(off)")); };
        listener.TxEmptyNotice = [&log, tag](TObject*) { log.Add(tag + ".TxEmpty"); };
        listener.RingNotice = [&log, tag](TObject*) { log.Add(tag + ".Ring"); };
        port.Listeners.push_back(listener);
    }
    port.SetSyncMethod(smNone);
    comm.SetModemStatus(MS_CTS_ON);
    port.OpenPort();
    EXPECT_EQ(log.Entries(), (Strings{"BeforeOpen", "A.Conn(on)", "B.Conn(on)", "AfterOpen", "A.CTS(on)",
                                      "B.CTS(on)", "CTS(on)", "DSR(off)", "RLSD(off)"}));
    ASSERT_TRUE(comm.WaitForPendingCommWait());
    comm.QueueInput("z");
    ASSERT_TRUE(comm.CompleteCommWait(EV_RXCHAR | EV_TXEMPTY | EV_RING));
    ASSERT_TRUE(ProcessEventsUntil([&] { return log.Size() >= 9 + 11; }));
    const auto entries = log.Entries();
    EXPECT_EQ(Strings(entries.begin() + 9, entries.end()),
              (Strings{"A.Rx(on)", "B.Rx(on)", "RxChar(1)", "A.Tx(off)", "B.Tx(off)", "A.TxEmpty", "B.TxEmpty",
                       "TxEmpty", "A.Ring", "B.Ring", "Ring"}));
    port.ClosePort();
    const auto all = log.Entries();
    EXPECT_EQ(Strings(all.end() - 9, all.end()), (Strings{"A.CTS(off)", "B.CTS(off)", "CTS(off)", "DSR(off)",
                                                          "RLSD(off)", "BeforeClose", "A.Conn(off)",
                                                          "B.Conn(off)", "AfterClose"}));
}

TEST(Listeners, BufferHookGetsTheBytesAndReplacesRxChar)
{
    FakeCommApi comm;
    TEventLog log;
    TTestPort port(nullptr, comm);
    port.SetEvents({});
    port.OpenPort();
    log.Watch(port);
    std::string hooked;
    TPortListener listener;
    listener.RxBufferHook = [&](TObject*, const void* Buffer, int Count) {
        hooked.assign(static_cast<const char*>(Buffer), static_cast<size_t>(Count));
    };
    port.Listeners.push_back(TPortListener{});
    port.Listeners.push_back(listener);
    port.ListenerWantsRx = true;
    comm.QueueInput("xyz");
    TMessage message{PortEventMessage, EV_RXCHAR, 0, 0};
    port.PortWindowProc(message);
    EXPECT_EQ(hooked, "xyz");
    EXPECT_EQ(log.Entries(), Strings{"RxBuf(3)"});
    EXPECT_EQ(comm.CallsNamed("ReadFile").size(), 1u);
}

TEST(Listeners, PortThatDoesNotRaiseRxCharReadsIntoRxBuf)
{
    FakeCommApi comm;
    TEventLog log;
    TTestPort port(nullptr, comm);
    port.SetEvents({});
    port.OpenPort();
    log.Watch(port);
    port.RaisesRxChar = false;
    comm.QueueInput("xyz");
    TMessage message{PortEventMessage, EV_RXCHAR, 0, 0};
    port.PortWindowProc(message);
    EXPECT_EQ(log.Entries(), Strings{"RxBuf(3)"});
    EXPECT_TRUE(comm.QueuedInput().empty());
}
