#include <gtest/gtest.h>

#include "serial/ComTypes.h"
#include "support/ParamNames.h"

using namespace WinComm;

struct ErrorTextCase {
    int Code;
    const char* Text;
};

void PrintTo(const ErrorTextCase& c, std::ostream* out) { *out << c.Code << " " << Printable(c.Text); }

class EComPortMessages : public ::testing::TestWithParam<ErrorTextCase> {};

TEST_P(EComPortMessages, WindowsFailureEndsInWinErrorCode)
{
    const EComPort e(GetParam().Code, 87);
    EXPECT_EQ(e.Message(), std::string(GetParam().Text) + " (win error code: 87)");
    EXPECT_EQ(e.ErrorCode(), GetParam().Code);
    EXPECT_EQ(e.SystemErrorCode(), 87);
}

TEST_P(EComPortMessages, WithoutWindowsCodeIsTheTextAlone)
{
    const EComPort e(GetParam().Code);
    EXPECT_EQ(e.Message(), GetParam().Text);
    EXPECT_EQ(e.SystemErrorCode(), -1);
}

INSTANTIATE_TEST_SUITE_P(
    AllCodes, EComPortMessages,
    ::testing::Values(ErrorTextCase{1, "Unable to open com port"}, ErrorTextCase{2, "WriteFile function failed"},
                      ErrorTextCase{3, "ReadFile function failed"}, ErrorTextCase{4, "Invalid Async parameter"},
                      ErrorTextCase{5, "PurgeComm function failed"}, ErrorTextCase{6, "Unable to get async status"},
                      ErrorTextCase{7, "SetCommState function failed"}, ErrorTextCase{8, "SetCommTimeouts failed"},
                      ErrorTextCase{9, "SetupComm function failed"},
                      ErrorTextCase{10, "ClearCommError function failed"},
                      ErrorTextCase{11, "GetCommModemStatus function failed"},
                      ErrorTextCase{12, "EscapeCommFunction function failed"},
                      ErrorTextCase{13, "TransmitCommChar function failed"},
                      ErrorTextCase{14, "Cannot set SyncMethod while connected"},
                      ErrorTextCase{15, "EnumPorts function failed"}, ErrorTextCase{16, "Failed to store settings"},
                      ErrorTextCase{17, "Failed to load settings"}, ErrorTextCase{18, "Link (un)registration failed"},
                      ErrorTextCase{19, "Cannot change led state if ComPort is selected"},
                      ErrorTextCase{20, "Cannot wait for event if event thread is created"},
                      ErrorTextCase{21, "WaitForEvent method failed"},
                      ErrorTextCase{22, "A component is linked to OnRxBuf event"}),
    [](const auto& Info) { return "Code" + std::to_string(Info.param.Code); });

TEST(EComPort, IsAnExceptionOfTheClassLibrary)
{
    try {
        throw EComPort(7, 5);
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "SetCommState function failed (win error code: 5)");
    }
}

TEST(EComPort, NegativeWindowsCodeIsFormattedSigned)
{
    EXPECT_EQ(EComPort(3, -1).Message(), "ReadFile function failed (win error code: -1)");
}

struct EventMaskCase {
    TComEvent Event;
    DWORD Mask;
};

const char* EventText(TComEvent Event)
{
    static const char* const names[] = {"RxChar", "TxEmpty", "RxFlag", "Ring",  "Break",
                                        "CTS",    "DSR",     "Error",  "RLSD", "Rx80Full"};
    return names[Event];
}

void PrintTo(const EventMaskCase& c, std::ostream* out)
{
    *out << EventText(c.Event) << " is 0x" << std::hex << c.Mask << std::dec;
}

class ComEventMasks : public ::testing::TestWithParam<EventMaskCase> {};

TEST_P(ComEventMasks, ConvertBothWays)
{
    EXPECT_EQ(ComEventsToMask(TComEvents{GetParam().Event}), GetParam().Mask);
    EXPECT_EQ(MaskToComEvents(GetParam().Mask), TComEvents{GetParam().Event});
}

INSTANTIATE_TEST_SUITE_P(TenEvents, ComEventMasks,
                         ::testing::Values(EventMaskCase{evRxChar, 0x1}, EventMaskCase{evTxEmpty, 0x4},
                                           EventMaskCase{evRxFlag, 0x2}, EventMaskCase{evRing, 0x100},
                                           EventMaskCase{evBreak, 0x40}, EventMaskCase{evCTS, 0x8},
                                           EventMaskCase{evDSR, 0x10}, EventMaskCase{evError, 0x80},
                                           EventMaskCase{evRLSD, 0x20}, EventMaskCase{evRx80Full, 0x400}),
                         [](const auto& Info) { return std::string(EventText(Info.param.Event)); });

TEST(ComEvents, AllTenMakeTheFullMaskAndOtherBitsAreIgnored)
{
    EXPECT_EQ(ComEventsToMask(AllComEvents), 0x5FFu);
    EXPECT_EQ(MaskToComEvents(0xFFFFFFFFu), AllComEvents);
    EXPECT_TRUE(MaskToComEvents(0x200 | 0x800 | 0x10000).Empty());
    EXPECT_EQ(ComEventsToMask(TComEvents{}), 0u);
}

TEST(ComEvents, SetIsSixteenBitsWithBitNForMemberN)
{
    EXPECT_EQ(sizeof(TComEvents), 2u);
    EXPECT_EQ(TComEvents{evRxChar}.Bits(), 0x1);
    EXPECT_EQ(TComEvents{evRx80Full}.Bits(), 0x200);
    EXPECT_EQ(AllComEvents.Bits(), 0x3FF);
    EXPECT_EQ(sizeof(TComErrors), 1u);
    EXPECT_EQ(sizeof(TModemSignals), 1u);
}

TEST(ComEnumerations, AreOneByteWithWindowsEncodings)
{
    EXPECT_EQ(sizeof(TBaudRate), 1u);
    EXPECT_EQ(sizeof(TSyncMethod), 1u);
    EXPECT_EQ(BaudRateValue(br110), 110u);
    EXPECT_EQ(BaudRateValue(br9600), 9600u);
    EXPECT_EQ(BaudRateValue(br256000), 256000u);
    EXPECT_EQ(DataBitsValue(dbFive), 5);
    EXPECT_EQ(DataBitsValue(dbEight), 8);
    EXPECT_EQ(StopBitsValue(sbTwoStopBits), TWOSTOPBITS);
    EXPECT_EQ(ParityValue(prSpace), SPACEPARITY);
    EXPECT_EQ(DTRControlFlags(dtrHandshake), 0x20u);
    EXPECT_EQ(RTSControlFlags(rtsToggle), 0x3000u);
}
