// Reading, purging and line status against the recording comm layer.
#include <gtest/gtest.h>

#include "serial/PortTestSupport.h"
#include "support/FakeCommApi.h"
#include "support/ParamNames.h"

using namespace WinComm;

namespace {

class OpenPortWithFakeComm : public ::testing::Test {
protected:
    void SetUp() override
    {
        port.SetEvents({});
        port.OpenPort();
        comm.ClearCalls();
    }

    FakeCommApi comm;
    TTestPort port{nullptr, comm};
};

using Strings = std::vector<std::string>;

} // namespace

TEST_F(OpenPortWithFakeComm, ReadTextOfZeroOrLessIssuesNoReadAndReturnsEmpty)
{
    comm.QueueInput("abc");
    for (int count : {0, -1}) {
        std::string text = "old";
        EXPECT_EQ(port.ReadText(text, count), 0);
        EXPECT_TRUE(text.empty());
    }
    EXPECT_TRUE(comm.CallsNamed("ReadFile").empty());
    EXPECT_EQ(comm.QueuedInput(), "abc");
    EXPECT_EQ(comm.LiveEvents(), 0);
}

TEST_F(OpenPortWithFakeComm, ReadTextReturnsWhatIsQueuedUpToCount)
{
    comm.QueueInput("1234");
    std::string text;
    EXPECT_EQ(port.ReadText(text, 10), 4);
    EXPECT_EQ(text, "1234");
    EXPECT_EQ(comm.CallsNamed("ReadFile").at(0).Arg1, 10u);

    comm.QueueInput(std::string("ab\0\xff" "cd", 6));
    EXPECT_EQ(port.ReadText(text, 4), 4);
    EXPECT_EQ(text, std::string("ab\0\xff", 4));
    EXPECT_EQ(comm.QueuedInput(), "cd");
}

TEST_F(OpenPortWithFakeComm, ReadBytesFillsTheBuffer)
{
    comm.QueueInput("\x02\x03");
    char buffer[8] = {};
    EXPECT_EQ(port.ReadBytes(buffer, 8), 2);
    EXPECT_EQ(buffer[0], '\x02');
    EXPECT_EQ(buffer[1], '\x03');
    // Each read has its own event, released afterwards.
    EXPECT_EQ(comm.CallsNamed("CreateEventA").size(), 1u);
    EXPECT_EQ(comm.LiveEvents(), 0);
}

TEST_F(OpenPortWithFakeComm, FailedReadRaisesCodeThreeAndStillFreesItsTransfer)
{
    comm.FailNext("ReadFile", ERROR_GEN_FAILURE);
    char buffer[4];
    try {
        port.ReadBytes(buffer, 4);
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Message(), "ReadFile function failed (win error code: 31)");
    }
    EXPECT_EQ(comm.LiveEvents(), 0);

    comm.FailNext("GetOverlappedResult", ERROR_OPERATION_ABORTED);
    std::string text;
    try {
        port.ReadText(text, 4);
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), 3);
        EXPECT_EQ(e.SystemErrorCode(), 995);
    }
    EXPECT_EQ(comm.LiveEvents(), 0);
}

TEST_F(OpenPortWithFakeComm, QueueCountFailureAfterAReadRaisesCodeTen)
{
    comm.QueueInput("x");
    comm.FailNext("ClearCommError", ERROR_GEN_FAILURE);
    char c;
    try {
        port.ReadBytes(&c, 1);
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), 10);
    }
    EXPECT_EQ(comm.LiveEvents(), 0);
}

TEST_F(OpenPortWithFakeComm, ReadWithoutTransferRecordRaisesCodeFourWithoutWindowsCode)
{
    char c;
    try {
        port.BeginRead(&c, 1, nullptr);
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Message(), "Invalid Async parameter");
        EXPECT_EQ(e.SystemErrorCode(), -1);
    }
    EXPECT_THROW(port.WaitTransfer(nullptr), EComPort);
    EXPECT_TRUE(comm.CallsNamed("ReadFile").empty());
}

TEST_F(OpenPortWithFakeComm, ReadThatEmptiesTheQueueTellsListenersReceivingStopped)
{
    std::vector<bool> rxSignals;
    TPortListener listener;
    listener.RxSignal = [&](TObject*, bool On) { rxSignals.push_back(On); };
    port.Listeners.push_back(listener);
    comm.QueueInput("abc");
    std::string text;
    port.ReadText(text, 2);
    EXPECT_TRUE(rxSignals.empty());
    port.ReadText(text, 2);
    EXPECT_EQ(rxSignals, std::vector<bool>{false});
}

TEST(ClosedPortReads, FailWithTheirCodes)
{
    FakeCommApi comm;
    TComPort port(nullptr, comm);
    char buffer[4];
    try {
        port.ReadBytes(buffer, 4);
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), 3);
        EXPECT_EQ(e.SystemErrorCode(), static_cast<int>(ERROR_INVALID_HANDLE));
    }
    try {
        port.InputQueueCount();
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), 10);
    }
    EXPECT_THROW(port.PurgeBuffers(true, true), EComPort);
    EXPECT_THROW(port.ModemSignals(), EComPort);
    EXPECT_THROW(port.PendingErrors(), EComPort);
    EXPECT_FALSE(comm.UsedReleasedHandle());
    EXPECT_EQ(comm.LiveEvents(), 0);
}

struct PurgeCase {
    bool Input;
    bool Output;
    DWORD Flags;
};

// The queues a case purges: "Input", "Output", "InputAndOutput" or "Neither".
std::string Queues(const PurgeCase& c)
{
    if (c.Input && c.Output)
        return "InputAndOutput";
    return c.Input ? "Input" : c.Output ? "Output" : "Neither";
}

void PrintTo(const PurgeCase& c, std::ostream* out) { *out << Queues(c) << ": 0x" << std::hex << c.Flags << std::dec; }

class PurgeFlags : public ::testing::TestWithParam<PurgeCase> {};

TEST_P(PurgeFlags, SelectTheQueues)
{
    FakeCommApi comm;
    TComPort port(nullptr, comm);
    port.SetEvents({});
    port.OpenPort();
    comm.ClearCalls();
    port.PurgeBuffers(GetParam().Input, GetParam().Output);
    ASSERT_EQ(comm.CallNames(), Strings{"PurgeComm"});
    EXPECT_EQ(comm.CallsNamed("PurgeComm").at(0).Arg1, GetParam().Flags);
}

INSTANTIATE_TEST_SUITE_P(Queues, PurgeFlags,
                         ::testing::Values(PurgeCase{true, false, 0x8}, PurgeCase{false, true, 0x4},
                                           PurgeCase{true, true, 0xC}, PurgeCase{false, false, 0x0}),
                         [](const auto& Info) { return Queues(Info.param); });

TEST_F(OpenPortWithFakeComm, PurgeFailureRaisesCodeFive)
{
    comm.FailNext("PurgeComm", ERROR_GEN_FAILURE);
    try {
        port.PurgeBuffers(true, true);
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), 5);
        EXPECT_EQ(e.SystemErrorCode(), 31);
    }
    comm.FailNext("PurgeComm", ERROR_GEN_FAILURE);
    EXPECT_THROW(port.AbortTransfers(), EComPort);
}

TEST_F(OpenPortWithFakeComm, AbortTransfersPurgesBothAborts)
{
    port.AbortTransfers();
    EXPECT_EQ(comm.CallsNamed("PurgeComm").at(0).Arg1, PURGE_TXABORT | PURGE_RXABORT);
}

TEST_F(OpenPortWithFakeComm, InputQueueCountIsTheDriversCount)
{
    comm.QueueInput("12345");
    EXPECT_EQ(port.InputQueueCount(), 5);
}

struct ErrorFlagsCase {
    DWORD Flags;
    bool ParityCheck;
    TComErrors Errors;
};

// The CE_ flags of a case, joined by Between, and whether the parity is checked.
std::string FlagsText(const ErrorFlagsCase& c, const char* Between)
{
    static const std::pair<DWORD, const char*> names[] = {
        {CE_RXOVER, "RXOVER"}, {CE_OVERRUN, "OVERRUN"}, {CE_RXPARITY, "RXPARITY"}, {CE_FRAME, "FRAME"},
        {CE_BREAK, "BREAK"},   {CE_TXFULL, "TXFULL"},   {CE_PTO, "PTO"},           {CE_IOE, "IOE"},
        {CE_DNS, "DNS"},       {CE_OOP, "OOP"},         {CE_MODE, "MODE"}};
    std::string text;
    for (const auto& [flag, name] : names) {
        if (c.Flags & flag)
            text += (text.empty() ? "" : Between) + std::string(name);
    }
    return text + (c.ParityCheck ? Between + std::string("ParityCheck") : "");
}

void PrintTo(const ErrorFlagsCase& c, std::ostream* out) { *out << FlagsText(c, " "); }

class PendingErrorFlags : public ::testing::TestWithParam<ErrorFlagsCase> {};

TEST_P(PendingErrorFlags, MapToTheErrorSet)
{
    FakeCommApi comm;
    TComPort port(nullptr, comm);
    port.SetEvents({});
    port.Parity()->SetCheck(GetParam().ParityCheck);
    port.OpenPort();
    comm.SetLineErrors(GetParam().Flags);
    EXPECT_EQ(port.PendingErrors(), GetParam().Errors);
    EXPECT_TRUE(port.PendingErrors().Empty()); // reading clears the device's error state
}

INSTANTIATE_TEST_SUITE_P(
    Flags, PendingErrorFlags,
    ::testing::Values(ErrorFlagsCase{CE_RXPARITY, false, {}}, ErrorFlagsCase{CE_RXPARITY, true, {errParity}},
                      ErrorFlagsCase{CE_RXOVER | CE_FRAME, false, {errFraming, errInputOverflow}},
                      ErrorFlagsCase{CE_OVERRUN, false, {errOverrun}}, ErrorFlagsCase{CE_BREAK, false, {errBreak}},
                      ErrorFlagsCase{CE_IOE, false, {errDeviceIO}}, ErrorFlagsCase{CE_MODE, false, {errMode}},
                      ErrorFlagsCase{CE_TXFULL, false, {errOutputFull}},
                      ErrorFlagsCase{CE_PTO | CE_DNS | CE_OOP, true, {}}),
    [](const auto& Info) { return FlagsText(Info.param, "_"); });

TEST_F(OpenPortWithFakeComm, ModemSignalsAreTheStatusShiftedByFour)
{
    comm.SetModemStatus(MS_CTS_ON | MS_RLSD_ON);
    EXPECT_EQ(port.ModemSignals(), (TModemSignals{sigCTS, sigRLSD}));
    comm.SetModemStatus(MS_DSR_ON | MS_RING_ON);
    EXPECT_EQ(port.ModemSignals(), (TModemSignals{sigDSR, sigRing}));
    comm.FailNext("GetCommModemStatus", ERROR_GEN_FAILURE);
    try {
        port.ModemSignals();
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Message(), "GetCommModemStatus function failed (win error code: 31)");
    }
}
