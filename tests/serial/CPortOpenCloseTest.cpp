// Opening, closing, applying settings and the property setters, against the recording
// comm layer.
#include <gtest/gtest.h>

#include <functional>

#include "serial/PortTestSupport.h"
#include "support/FakeCommApi.h"
#include "support/ParamNames.h"
#include "support/Recorders.h"

using namespace WinComm;

namespace {

class PortWithFakeComm : public ::testing::Test {
protected:
    DCB LastDcb() const
    {
        const auto calls = comm.CallsNamed("SetCommState");
        EXPECT_FALSE(calls.empty());
        return calls.empty() ? DCB{} : calls.back().Dcb;
    }
    size_t Count(const std::string& Name) const { return comm.CallsNamed(Name).size(); }

    FakeCommApi comm;
    TEventLog log; // outlives the port, whose destruction still raises events
    TTestPort port{nullptr, comm};
};

using Strings = std::vector<std::string>;

} // namespace

TEST_F(PortWithFakeComm, NewPortHasTheDefaults)
{
    EXPECT_EQ(port.Port(), "COM1");
    EXPECT_EQ(port.BaudRate(), br9600);
    EXPECT_EQ(port.CustomBaudRate(), 9600);
    EXPECT_EQ(port.DataBits(), dbEight);
    EXPECT_EQ(port.StopBits(), sbOneStopBit);
    EXPECT_EQ(port.Parity()->Bits(), prNone);
    EXPECT_EQ(port.Events(), AllComEvents);
    EXPECT_EQ(port.SyncMethod(), smThreadSync);
    EXPECT_EQ(port.Buffer()->InputSize(), 1024);
    EXPECT_EQ(port.Buffer()->OutputSize(), 1024);
    EXPECT_EQ(port.Timeouts()->ReadInterval(), -1);
    EXPECT_EQ(port.Timeouts()->WriteTotalMultiplier(), 100);
    EXPECT_EQ(port.Timeouts()->WriteTotalConstant(), 1000);
    EXPECT_EQ(port.FlowControl()->XonChar(), 17);
    EXPECT_EQ(port.FlowControl()->XoffChar(), 19);
    EXPECT_FALSE(port.DiscardNull());
    EXPECT_EQ(port.EventChar(), '\0');
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(port.ThreadRunning);
    EXPECT_EQ(port.PortHandle, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(port.Listeners.empty());
    EXPECT_TRUE(port.RaisesRxChar);
    EXPECT_EQ(port.Parity()->OwnerPort(), &port);
    EXPECT_EQ(port.FlowControl()->OwnerPort(), &port);
    EXPECT_EQ(port.Timeouts()->OwnerPort(), &port);
    EXPECT_EQ(port.Buffer()->OwnerPort(), &port);
    EXPECT_TRUE(comm.Calls().empty());
}

TEST_F(PortWithFakeComm, OpenOpensTheDeviceOverlappedAndAppliesSettingsInOrder)
{
    port.OpenPort();
    EXPECT_TRUE(port.Connected());
    const auto open = comm.CallsNamed("CreateFileA").at(0);
    EXPECT_EQ(open.Text, "\\\\.\\COM1");
    EXPECT_EQ(open.Arg1, GENERIC_READ | GENERIC_WRITE);
    EXPECT_EQ(open.Arg2, 0u);
    EXPECT_EQ(open.Arg3, OPEN_EXISTING);
    EXPECT_EQ(open.Arg4, FILE_FLAG_OVERLAPPED);
    const Strings names = comm.DeviceCallNames();
    const Strings head(names.begin(), names.begin() + 5);
    EXPECT_EQ(head, (Strings{"CreateFileA", "SetupComm", "SetCommState", "SetCommTimeouts", "SetCommMask"}));
    const auto setup = comm.CallsNamed("SetupComm").at(0);
    EXPECT_EQ(setup.Arg1, 1024u);
    EXPECT_EQ(setup.Arg2, 1024u);
    EXPECT_EQ(comm.CallsNamed("SetCommMask").at(0).Arg1, 0x5FFu);
    EXPECT_TRUE(port.ThreadRunning);
    port.ClosePort();
}

TEST_F(PortWithFakeComm, DefaultDcbIsBinaryEightNoneOne)
{
    port.OpenPort();
    const DCB dcb = LastDcb();
    EXPECT_EQ(dcb.DCBlength, 28u);
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(dcb.Flags, fBinary);
    EXPECT_EQ(dcb.wReserved, 0);
    EXPECT_EQ(dcb.XonLim, 256);
    EXPECT_EQ(dcb.XoffLim, 256);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.XonChar, 17);
    EXPECT_EQ(dcb.XoffChar, 19);
    EXPECT_EQ(dcb.ErrorChar, 0);
    EXPECT_EQ(dcb.EofChar, 0);
    EXPECT_EQ(dcb.EvtChar, 0);
    EXPECT_EQ(dcb.wReserved1, 0);
    port.ClosePort();
}

TEST_F(PortWithFakeComm, TimeoutsGoToTheDeviceFieldByFieldWithMinusOneAsMaxDword)
{
    port.Timeouts()->SetReadTotalMultiplier(7);
    port.Timeouts()->SetReadTotalConstant(-2);
    port.OpenPort();
    const COMMTIMEOUTS t = comm.CallsNamed("SetCommTimeouts").at(0).Timeouts;
    EXPECT_EQ(t.ReadIntervalTimeout, MAXDWORD);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 7u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 0xFFFFFFFEu);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 100u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 1000u);
    port.ClosePort();
}

struct DcbCase {
    const char* Name;
    std::function<void(TComPort&)> Configure;
    std::function<void(const DCB&)> Check;
};

void PrintTo(const DcbCase& c, std::ostream* out) { *out << c.Name; }

class DcbEncoding : public ::testing::TestWithParam<DcbCase> {};

TEST_P(DcbEncoding, CarriesTheSettings)
{
    FakeCommApi comm;
    TComPort port(nullptr, comm);
    port.SetEvents({});
    GetParam().Configure(port);
    port.OpenPort();
    const auto calls = comm.CallsNamed("SetCommState");
    ASSERT_EQ(calls.size(), 1u);
    GetParam().Check(calls[0].Dcb);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DcbEncoding,
    ::testing::Values(
        DcbCase{"CustomRate",
                [](TComPort& p) {
                    p.SetBaudRate(brCustom);
                    p.SetCustomBaudRate(250000);
                },
                [](const DCB& d) { EXPECT_EQ(d.BaudRate, 250000u); }},
        DcbCase{"CustomRateIgnoredForAStandardRate", [](TComPort& p) { p.SetCustomBaudRate(250000); },
                [](const DCB& d) { EXPECT_EQ(d.BaudRate, 9600u); }},
        DcbCase{"StandardRate", [](TComPort& p) { p.SetBaudRate(br115200); },
                [](const DCB& d) { EXPECT_EQ(d.BaudRate, 115200u); }},
        DcbCase{"ParityCheckWithoutReplace",
                [](TComPort& p) {
                    p.Parity()->SetCheck(true);
                    p.Parity()->SetReplaceChar('?');
                },
                [](const DCB& d) {
                    EXPECT_EQ(d.Flags, fBinary | fParity);
                    EXPECT_EQ(d.ErrorChar, 0);
                }},
        DcbCase{"ParityCheckWithReplace",
                [](TComPort& p) {
                    p.Parity()->SetCheck(true);
                    p.Parity()->SetReplace(true);
                    p.Parity()->SetReplaceChar('?');
                },
                [](const DCB& d) {
                    EXPECT_EQ(d.Flags, fBinary | fParity | fErrorChar);
                    EXPECT_EQ(d.ErrorChar, '?');
                }},
        DcbCase{"ReplaceWithoutCheckSetsNothing",
                [](TComPort& p) {
                    p.Parity()->SetReplace(true);
                    p.Parity()->SetReplaceChar('?');
                },
                [](const DCB& d) {
                    EXPECT_EQ(d.Flags, fBinary);
                    EXPECT_EQ(d.ErrorChar, 0);
                }},
        DcbCase{"OddInputSizeRoundedForXonLim", [](TComPort& p) { p.Buffer()->SetInputSize(1025); },
                [](const DCB& d) {
                    EXPECT_EQ(d.XonLim, 256);
                    EXPECT_EQ(d.XoffLim, 256);
                }},
        DcbCase{"SmallInputSize", [](TComPort& p) { p.Buffer()->SetInputSize(6); },
                [](const DCB& d) { EXPECT_EQ(d.XonLim, 1); }},
        DcbCase{"NegativeInputSizeTruncatesTowardZero", [](TComPort& p) { p.Buffer()->SetInputSize(-3); },
                [](const DCB& d) { EXPECT_EQ(d.XonLim, 0); }},
        DcbCase{"LargeInputSizeKeptInSixteenBits", [](TComPort& p) { p.Buffer()->SetInputSize(400000); },
                [](const DCB& d) { EXPECT_EQ(d.XonLim, static_cast<WORD>(100000)); }},
        DcbCase{"DiscardNull", [](TComPort& p) { p.SetDiscardNull(true); },
                [](const DCB& d) { EXPECT_EQ(d.Flags, fBinary | fNull); }},
        DcbCase{"FlowControlFlags",
                [](TComPort& p) {
                    auto* f = p.FlowControl();
                    f->SetOutCTSFlow(true);
                    f->SetOutDSRFlow(true);
                    f->SetControlDTR(dtrHandshake);
                    f->SetControlRTS(rtsToggle);
                    f->SetXonXoffOut(true);
                    f->SetXonXoffIn(true);
                    f->SetDSRSensitivity(true);
                    f->SetTxContinueOnXoff(true);
                    f->SetXonChar('Q');
                    f->SetXoffChar('S');
                },
                [](const DCB& d) {
                    EXPECT_EQ(d.Flags, fBinary | fOutxCtsFlow | fOutxDsrFlow | 0x20u | 0x3000u | fOutX | fInX |
                                           fDsrSensitivity | fTXContinueOnXoff);
                    EXPECT_EQ(d.XonChar, 'Q');
                    EXPECT_EQ(d.XoffChar, 'S');
                }},
        DcbCase{"DtrEnableRtsEnable",
                [](TComPort& p) {
                    p.FlowControl()->SetControlDTR(dtrEnable);
                    p.FlowControl()->SetControlRTS(rtsEnable);
                },
                [](const DCB& d) { EXPECT_EQ(d.Flags, fBinary | 0x10u | 0x1000u); }},
        DcbCase{"HardwareSummary", [](TComPort& p) { p.FlowControl()->SetFlowControl(fcHardware); },
                [](const DCB& d) { EXPECT_EQ(d.Flags, fBinary | fOutxCtsFlow | 0x2000u); }},
        DcbCase{"ByteSizeParityStopBits",
                [](TComPort& p) {
                    p.SetDataBits(dbFive);
                    p.Parity()->SetBits(prMark);
                    p.SetStopBits(sbOne5StopBits);
                },
                [](const DCB& d) {
                    EXPECT_EQ(d.ByteSize, 5);
                    EXPECT_EQ(d.Parity, MARKPARITY);
                    EXPECT_EQ(d.StopBits, ONE5STOPBITS);
                }},
        DcbCase{"EventChar", [](TComPort& p) { p.SetEventChar('\r'); },
                [](const DCB& d) { EXPECT_EQ(d.EvtChar, '\r'); }}),
    NamedBy(&DcbCase::Name));

TEST_F(PortWithFakeComm, SettersOnAClosedPortStoreAndCallNothing)
{
    port.SetBaudRate(br19200);
    port.Parity()->SetBits(prEven);
    port.Timeouts()->SetReadInterval(5);
    port.Buffer()->SetInputSize(2048);
    port.FlowControl()->SetFlowControl(fcCustom);
    EXPECT_EQ(port.BaudRate(), br19200);
    EXPECT_TRUE(comm.Calls().empty());
}

struct SetterCase {
    const char* Name;
    std::function<void(TComPort&)> SameValue;
    std::function<void(TComPort&)> NewValue;
    const char* AppliedBy;
};

void PrintTo(const SetterCase& c, std::ostream* out) { *out << c.Name << " applied by " << c.AppliedBy; }

class SetterChangeTest : public ::testing::TestWithParam<SetterCase> {};

TEST_P(SetterChangeTest, AppliesOnlyWhenTheValueChanges)
{
    FakeCommApi comm;
    TComPort port(nullptr, comm);
    port.SetEvents({});
    port.OpenPort();
    comm.ClearCalls();
    GetParam().SameValue(port);
    EXPECT_TRUE(comm.Calls().empty());
    GetParam().NewValue(port);
    EXPECT_EQ(comm.CallNames(), Strings{GetParam().AppliedBy});
}

INSTANTIATE_TEST_SUITE_P(
    Setters, SetterChangeTest,
    ::testing::Values(
        SetterCase{"BaudRate", [](TComPort& p) { p.SetBaudRate(br9600); },
                   [](TComPort& p) { p.SetBaudRate(br4800); }, "SetCommState"},
        SetterCase{"CustomBaudRate", [](TComPort& p) { p.SetCustomBaudRate(9600); },
                   [](TComPort& p) { p.SetCustomBaudRate(31250); }, "SetCommState"},
        SetterCase{"DataBits", [](TComPort& p) { p.SetDataBits(dbEight); },
                   [](TComPort& p) { p.SetDataBits(dbSeven); }, "SetCommState"},
        SetterCase{"StopBits", [](TComPort& p) { p.SetStopBits(sbOneStopBit); },
                   [](TComPort& p) { p.SetStopBits(sbTwoStopBits); }, "SetCommState"},
        SetterCase{"DiscardNull", [](TComPort& p) { p.SetDiscardNull(false); },
                   [](TComPort& p) { p.SetDiscardNull(true); }, "SetCommState"},
        SetterCase{"EventChar", [](TComPort& p) { p.SetEventChar('\0'); },
                   [](TComPort& p) { p.SetEventChar('x'); }, "SetCommState"},
        SetterCase{"ParityBits", [](TComPort& p) { p.Parity()->SetBits(prNone); },
                   [](TComPort& p) { p.Parity()->SetBits(prOdd); }, "SetCommState"},
        SetterCase{"ParityReplaceChar", [](TComPort& p) { p.Parity()->SetReplaceChar('\0'); },
                   [](TComPort& p) { p.Parity()->SetReplaceChar('#'); }, "SetCommState"},
        SetterCase{"XonChar", [](TComPort& p) { p.FlowControl()->SetXonChar(17); },
                   [](TComPort& p) { p.FlowControl()->SetXonChar(18); }, "SetCommState"},
        SetterCase{"ControlRTS", [](TComPort& p) { p.FlowControl()->SetControlRTS(rtsDisable); },
                   [](TComPort& p) { p.FlowControl()->SetControlRTS(rtsEnable); }, "SetCommState"},
        SetterCase{"ReadInterval", [](TComPort& p) { p.Timeouts()->SetReadInterval(-1); },
                   [](TComPort& p) { p.Timeouts()->SetReadInterval(10); }, "SetCommTimeouts"},
        SetterCase{"WriteTotalConstant", [](TComPort& p) { p.Timeouts()->SetWriteTotalConstant(1000); },
                   [](TComPort& p) { p.Timeouts()->SetWriteTotalConstant(5); }, "SetCommTimeouts"},
        SetterCase{"InputSize", [](TComPort& p) { p.Buffer()->SetInputSize(1024); },
                   [](TComPort& p) { p.Buffer()->SetInputSize(1025); }, "SetupComm"},
        SetterCase{"OutputSize", [](TComPort& p) { p.Buffer()->SetOutputSize(1024); },
                   [](TComPort& p) { p.Buffer()->SetOutputSize(512); }, "SetupComm"}),
    NamedBy(&SetterCase::Name));

TEST_F(PortWithFakeComm, WritingCustomFlowControlAppliesWithoutChangingAField)
{
    port.SetEvents({});
    port.OpenPort();
    comm.ClearCalls();
    port.FlowControl()->SetFlowControl(fcCustom);
    EXPECT_EQ(comm.CallNames(), Strings{"SetCommState"});
    EXPECT_EQ(LastDcb().Flags, fBinary);
    EXPECT_EQ(port.FlowControl()->FlowControl(), fcNone);
}

TEST_F(PortWithFakeComm, AssigningASettingsGroupCopiesItAndAppliesOnce)
{
    port.SetEvents({});
    port.OpenPort();
    comm.ClearCalls();
    TComParity parity;
    parity.SetBits(prEven);
    parity.SetCheck(true);
    port.SetParity(&parity);
    EXPECT_EQ(comm.CallNames(), Strings{"SetCommState"});
    EXPECT_EQ(LastDcb().Parity, EVENPARITY);
    EXPECT_EQ(port.Parity()->OwnerPort(), &port);
    EXPECT_EQ(parity.OwnerPort(), nullptr);

    comm.ClearCalls();
    TComTimeouts timeouts;
    timeouts.SetReadInterval(3);
    port.SetTimeouts(&timeouts);
    TComBuffer buffer;
    buffer.SetInputSize(4096);
    port.SetBuffer(&buffer);
    TComFlowControl flow;
    port.SetFlowControl(&flow);
    EXPECT_EQ(comm.CallNames(), (Strings{"SetCommTimeouts", "SetupComm", "SetCommState"}));
    EXPECT_EQ(comm.CallsNamed("SetupComm").at(0).Arg1, 4096u);
}

TEST_F(PortWithFakeComm, AssigningAnotherClassRaisesConvertError)
{
    EXPECT_THROW(port.SetParity(nullptr), EConvertError);
}

TEST_F(PortWithFakeComm, LoadingStoresEverythingAndOpensOnceLoaded)
{
    port.BeginLoading();
    port.SetConnected(true);
    port.SetBaudRate(br600);
    port.SetPort("COM7");
    port.Timeouts()->SetReadInterval(1);
    port.Buffer()->SetInputSize(100);
    EXPECT_TRUE(comm.Calls().empty());
    EXPECT_TRUE(port.Connected());
    port.SetEvents({});
    port.EndLoading();
    EXPECT_TRUE(port.Connected());
    EXPECT_FALSE(port.Loading());
    EXPECT_EQ(comm.CallsNamed("CreateFileA").size(), 1u);
    EXPECT_EQ(comm.CallsNamed("CreateFileA").at(0).Text, "\\\\.\\COM7");
    EXPECT_EQ(LastDcb().BaudRate, 600u);
    EXPECT_EQ(comm.CallsNamed("SetCommTimeouts").at(0).Timeouts.ReadIntervalTimeout, 1u);
}

TEST_F(PortWithFakeComm, FailedOpenAfterLoadingIsReportedAndDoesNotPropagate)
{
    MessageRecorder recorder;
    comm.FailNext("CreateFileA", ERROR_FILE_NOT_FOUND);
    port.BeginLoading();
    port.SetConnected(true);
    EXPECT_NO_THROW(port.EndLoading());
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(recorder.Exceptions(), Strings{"Unable to open com port (win error code: 2)"});
}

TEST_F(PortWithFakeComm, LoadingWithoutConnectedOpensNothing)
{
    port.BeginLoading();
    port.EndLoading();
    EXPECT_FALSE(port.Connected());
    EXPECT_TRUE(comm.Calls().empty());
}

TEST_F(PortWithFakeComm, DesigningNeitherOpensNorClosesNorApplies)
{
    port.SetEvents({});
    port.OpenPort();
    comm.ClearCalls();
    port.SetDesigning(true);
    port.SetBaudRate(br600);
    port.SetPort("COM2");
    port.ClosePort();
    EXPECT_TRUE(port.Connected());
    EXPECT_TRUE(comm.Calls().empty());
    port.SetDesigning(false);
    port.ClosePort();
    EXPECT_FALSE(port.Connected());

    FakeCommApi other;
    TComPort designed(nullptr, other);
    designed.SetDesigning(true);
    designed.OpenPort();
    designed.SetConnected(true);
    EXPECT_TRUE(designed.Connected()); // stored only
    EXPECT_TRUE(other.Calls().empty());
}

TEST_F(PortWithFakeComm, ConnectedOpensAndCloses)
{
    port.SetConnected(true);
    EXPECT_TRUE(port.Connected());
    EXPECT_TRUE(comm.DeviceOpen());
    port.SetConnected(true);
    EXPECT_EQ(Count("CreateFileA"), 1u);
    port.SetConnected(false);
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(comm.DeviceOpen());
}

TEST_F(PortWithFakeComm, OpenOnOpenAndCloseOnClosedDoNothing)
{
    log.Watch(port);
    port.ClosePort();
    EXPECT_TRUE(comm.Calls().empty());
    port.OpenPort();
    const size_t events = log.Size();
    comm.ClearCalls();
    port.OpenPort();
    EXPECT_TRUE(comm.Calls().empty());
    EXPECT_EQ(log.Size(), events);
    port.ClosePort();
}

TEST_F(PortWithFakeComm, OpenAndCloseNotifyInOrderWithPresentLineStates)
{
    log.Watch(port);
    comm.SetModemStatus(MS_CTS_ON | MS_RLSD_ON);
    port.OpenPort();
    EXPECT_EQ(log.Entries(), (Strings{"BeforeOpen", "AfterOpen", "CTS(on)", "DSR(off)", "RLSD(on)"}));
    EXPECT_EQ(Count("GetCommModemStatus"), 3u);
    comm.ClearCalls();
    port.ClosePort();
    EXPECT_EQ(log.Entries(), (Strings{"BeforeOpen", "AfterOpen", "CTS(on)", "DSR(off)", "RLSD(on)", "CTS(off)",
                                      "DSR(off)", "RLSD(off)", "BeforeClose", "AfterClose"}));
    EXPECT_EQ(Count("GetCommModemStatus"), 0u);
}

TEST_F(PortWithFakeComm, BeforeOpenRunsBeforeTheDeviceIsOpened)
{
    bool deviceOpenInHandler = true;
    port.OnBeforeOpen = [&](TObject*) { deviceOpenInHandler = comm.DeviceOpen(); };
    port.OpenPort();
    EXPECT_FALSE(deviceOpenInHandler);
    port.ClosePort();
}

TEST_F(PortWithFakeComm, CloseAbortsStopsTheThreadThenClosesTheDevice)
{
    port.OpenPort();
    ASSERT_TRUE(comm.WaitForPendingCommWait());
    comm.ClearCalls();
    port.ClosePort();
    EXPECT_EQ(comm.DeviceCallNames(),
              (Strings{"PurgeComm", "SetCommMask", "PurgeComm", "CloseHandle", "CloseHandle", "CloseHandle"}));
    const auto purges = comm.CallsNamed("PurgeComm");
    EXPECT_EQ(purges.at(0).Arg1, PURGE_TXABORT | PURGE_RXABORT);
    EXPECT_EQ(purges.at(1).Arg1, PURGE_TXCLEAR | PURGE_RXCLEAR);
    EXPECT_EQ(comm.CallsNamed("SetCommMask").at(0).Arg1, 0u);
    EXPECT_EQ(comm.LiveEvents(), 0);
    EXPECT_FALSE(comm.DeviceOpen());
    EXPECT_FALSE(comm.UsedReleasedHandle());
    EXPECT_FALSE(port.ThreadRunning);
    EXPECT_EQ(port.EventThread, nullptr);
    EXPECT_EQ(port.PortHandle, INVALID_HANDLE_VALUE);
}

TEST_F(PortWithFakeComm, EmptyEventsOpenWithoutThreadOrWindow)
{
    for (TSyncMethod method : {smThreadSync, smWindowSync, smNone}) {
        port.SetSyncMethod(method);
        port.SetEvents({});
        port.OpenPort();
        EXPECT_TRUE(port.Connected());
        EXPECT_FALSE(port.ThreadRunning);
        EXPECT_EQ(port.EventThread, nullptr);
        EXPECT_EQ(port.NotifyWindow, nullptr);
        EXPECT_EQ(Count("SetCommMask"), 0u);
        EXPECT_EQ(Count("CreateEventA"), 0u);
        port.ClosePort();
        EXPECT_FALSE(port.Connected());
    }
}

TEST_F(PortWithFakeComm, WindowSyncCreatesTheHiddenWindowWhileOpen)
{
    port.SetSyncMethod(smWindowSync);
    port.OpenPort();
    EXPECT_NE(port.NotifyWindow, nullptr);
    port.ClosePort();
    EXPECT_EQ(port.NotifyWindow, nullptr);

    port.SetSyncMethod(smThreadSync);
    port.OpenPort();
    EXPECT_EQ(port.NotifyWindow, nullptr);
    port.ClosePort();
}

TEST_F(PortWithFakeComm, EventsChangeTakesEffectAtTheNextOpen)
{
    port.OpenPort();
    port.SetEvents({evRxChar, evError});
    EXPECT_EQ(comm.CallsNamed("SetCommMask").at(0).Arg1, 0x5FFu);
    port.ClosePort();
    comm.ClearCalls();
    port.OpenPort();
    EXPECT_EQ(comm.CallsNamed("SetCommMask").at(0).Arg1, EV_RXCHAR | EV_ERR);
    port.ClosePort();
}

TEST_F(PortWithFakeComm, PortNameIsCaseSensitiveAndReopensAnOpenPort)
{
    log.Watch(port);
    port.OpenPort();
    port.SetPort("COM1");
    EXPECT_EQ(Count("CreateFileA"), 1u);
    port.SetPort("com1");
    EXPECT_EQ(port.Port(), "com1");
    EXPECT_TRUE(port.Connected());
    const auto opens = comm.CallsNamed("CreateFileA");
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[1].Text, "\\\\.\\com1");
    const auto entries = log.Entries();
    const Strings reopen(entries.begin() + 5, entries.end());
    EXPECT_EQ(reopen, (Strings{"CTS(off)", "DSR(off)", "RLSD(off)", "BeforeClose", "AfterClose", "BeforeOpen",
                               "AfterOpen", "CTS(off)", "DSR(off)", "RLSD(off)"}));
    port.ClosePort();
}

TEST_F(PortWithFakeComm, PortChangeOnAClosedPortOnlyStores)
{
    port.SetPort("COM3");
    EXPECT_EQ(port.Port(), "COM3");
    EXPECT_TRUE(comm.Calls().empty());
}

TEST_F(PortWithFakeComm, PortChangeToAMissingDeviceClosesAndRaises)
{
    port.OpenPort();
    comm.FailNext("CreateFileA", ERROR_FILE_NOT_FOUND);
    try {
        port.SetPort("COM9");
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), 1);
        EXPECT_EQ(e.SystemErrorCode(), 2);
    }
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port(), "COM9");
    EXPECT_FALSE(comm.DeviceOpen());
}

TEST_F(PortWithFakeComm, SyncMethodCannotChangeWhileConnected)
{
    port.OpenPort();
    try {
        port.SetSyncMethod(smNone);
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Message(), "Cannot set SyncMethod while connected");
        EXPECT_EQ(e.ErrorCode(), 14);
        EXPECT_EQ(e.SystemErrorCode(), -1);
    }
    EXPECT_EQ(port.SyncMethod(), smThreadSync);
    EXPECT_NO_THROW(port.SetSyncMethod(smThreadSync)); // no change, no test
    port.ClosePort();
    port.SetSyncMethod(smNone);
    EXPECT_EQ(port.SyncMethod(), smNone);
}

TEST_F(PortWithFakeComm, MissingDeviceRaisesCodeOneAndStaysClosed)
{
    log.Watch(port);
    comm.FailNext("CreateFileA", ERROR_FILE_NOT_FOUND);
    try {
        port.OpenPort();
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Message(), "Unable to open com port (win error code: 2)");
    }
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(log.Entries(), Strings{"BeforeOpen"});
    EXPECT_EQ(comm.DeviceCallNames(), Strings{"CreateFileA"});
}

struct ApplyFailureCase {
    const char* Call;
    int Code;
};

void PrintTo(const ApplyFailureCase& c, std::ostream* out) { *out << c.Call << " fails: error " << c.Code; }

class OpenApplyFailure : public ::testing::TestWithParam<ApplyFailureCase> {};

TEST_P(OpenApplyFailure, ClosesTheDeviceAgainAndRaises)
{
    FakeCommApi comm;
    TEventLog log;
    TComPort port(nullptr, comm);
    log.Watch(port);
    comm.FailNext(GetParam().Call, ERROR_INVALID_PARAMETER);
    try {
        port.OpenPort();
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), GetParam().Code);
        EXPECT_EQ(e.SystemErrorCode(), 87);
    }
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(comm.DeviceOpen());
    const auto names = comm.DeviceCallNames();
    EXPECT_EQ(names.back(), "CloseHandle");
    EXPECT_EQ(comm.CallsNamed("SetCommMask").size(), 0u);
    EXPECT_EQ(log.Entries(), Strings{"BeforeOpen"});
    // The port opens normally afterwards.
    port.SetEvents({});
    EXPECT_NO_THROW(port.OpenPort());
    EXPECT_TRUE(port.Connected());
}

INSTANTIATE_TEST_SUITE_P(Steps, OpenApplyFailure,
                         ::testing::Values(ApplyFailureCase{"SetupComm", 9}, ApplyFailureCase{"SetCommState", 7},
                                           ApplyFailureCase{"SetCommTimeouts", 8}),
                         [](const auto& Info) { return std::string(Info.param.Call); });

TEST_F(PortWithFakeComm, SetterRefusedOnAnOpenPortRaisesAndKeepsTheValue)
{
    port.SetEvents({});
    port.OpenPort();
    comm.FailNext("SetCommState", ERROR_INVALID_PARAMETER);
    try {
        port.SetBaudRate(br110);
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Message(), "SetCommState function failed (win error code: 87)");
    }
    EXPECT_EQ(port.BaudRate(), br110);
    EXPECT_TRUE(port.Connected());
}

TEST_F(PortWithFakeComm, ModemStatusFailureAfterOpenPropagatesWithThePortOpen)
{
    comm.FailNext("GetCommModemStatus", ERROR_GEN_FAILURE);
    try {
        port.OpenPort();
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), 11);
        EXPECT_EQ(e.SystemErrorCode(), 31);
    }
    EXPECT_TRUE(port.Connected());
    EXPECT_TRUE(port.ThreadRunning);
    port.ClosePort();
}

TEST_F(PortWithFakeComm, AbortFailureEndsTheCloseWithThePortOpen)
{
    log.Watch(port);
    port.OpenPort();
    comm.FailNext("PurgeComm", ERROR_GEN_FAILURE);
    try {
        port.ClosePort();
        FAIL() << "no exception";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Message(), "PurgeComm function failed (win error code: 31)");
    }
    EXPECT_TRUE(port.Connected());
    EXPECT_TRUE(port.ThreadRunning);
    EXPECT_TRUE(comm.DeviceOpen());
    EXPECT_EQ(log.Entries().back(), "BeforeClose");
    port.ClosePort();
    EXPECT_FALSE(port.Connected());
}

TEST(PortDestruction, ClosesAnOpenPort)
{
    FakeCommApi comm;
    {
        TComPort port(nullptr, comm);
        port.OpenPort();
        ASSERT_TRUE(comm.WaitForPendingCommWait());
    }
    EXPECT_FALSE(comm.DeviceOpen());
    EXPECT_EQ(comm.LiveEvents(), 0);
}

TEST(PortDestruction, OwnedPortGoesWithItsOwner)
{
    FakeCommApi comm;
    {
        TComponent owner(nullptr);
        auto* port = new TComPort(&owner, comm);
        port->OpenPort();
        EXPECT_EQ(owner.ComponentCount(), 1);
    }
    EXPECT_FALSE(comm.DeviceOpen());
}
