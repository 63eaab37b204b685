#include <sys/ioctl.h>
#include <termios.h>

#include <gtest/gtest.h>

#include "platform/CommSettings.h"
#include "platform/CommTimeouts.h"
#include "support/ParamNames.h"

using namespace WinComm;

namespace {

DCB Dcb8N1()
{
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = 9600;
    dcb.Flags = fBinary;
    dcb.ByteSize = 8;
    dcb.XonChar = 17;
    dcb.XoffChar = 19;
    return dcb;
}

TLineConfig Translate(const DCB& Dcb)
{
    termios current{};
    current.c_iflag = IGNPAR | ISTRIP | IGNBRK | BRKINT | ICRNL;
    current.c_lflag = ICANON | ECHO | ISIG;
    current.c_oflag = OPOST;
    TLineConfig config;
    EXPECT_EQ(TranslateDcb(Dcb, current, config), ERROR_SUCCESS);
    return config;
}

TEST(TranslateDcb, DefaultsGiveRawEightBitsNoParity)
{
    const TLineConfig config = Translate(Dcb8N1());
    const termios& t = config.Attributes;
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(t.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(config.CustomRate, 0u);
    EXPECT_EQ(t.c_iflag & (INPCK | PARMRK), static_cast<tcflag_t>(INPCK | PARMRK));
    EXPECT_FALSE(t.c_iflag & (IGNPAR | ISTRIP | IGNBRK | BRKINT | ICRNL | IXON | IXOFF));
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(t.c_oflag & OPOST);
    EXPECT_EQ(t.c_cc[VMIN], 1);
    EXPECT_EQ(config.ModemOff, TIOCM_DTR | TIOCM_RTS);
}

struct TFrameCase {
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    tcflag_t Expected; // CSIZE, PARENB, PARODD, CMSPAR and CSTOPB bits
};

// A frame as it is usually written: 8N1, 7E1, 5N1.5.
std::string FrameText(const TFrameCase& c)
{
    static const char* const stopBits[] = {"1", "1.5", "2"};
    return std::to_string(c.ByteSize) + "NOEMS"[c.Parity] + stopBits[c.StopBits];
}

void PrintTo(const TFrameCase& c, std::ostream* out) { *out << FrameText(c); }

class DcbFrames : public ::testing::TestWithParam<TFrameCase> {};

TEST_P(DcbFrames, MapToControlFlags)
{
    DCB dcb = Dcb8N1();
    dcb.ByteSize = GetParam().ByteSize;
    dcb.Parity = GetParam().Parity;
    dcb.StopBits = GetParam().StopBits;
    const tcflag_t flags = Translate(dcb).Attributes.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    EXPECT_EQ(flags, GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Table, DcbFrames,
                         ::testing::Values(TFrameCase{7, EVENPARITY, ONESTOPBIT, CS7 | PARENB},
                                           TFrameCase{7, ODDPARITY, ONESTOPBIT, CS7 | PARENB | PARODD},
                                           TFrameCase{8, MARKPARITY, ONESTOPBIT, CS8 | PARENB | PARODD | CMSPAR},
                                           TFrameCase{8, SPACEPARITY, ONESTOPBIT, CS8 | PARENB | CMSPAR},
                                           TFrameCase{8, NOPARITY, TWOSTOPBITS, CS8 | CSTOPB},
                                           TFrameCase{6, NOPARITY, ONESTOPBIT, CS6},
                                           TFrameCase{5, NOPARITY, ONE5STOPBITS, CS5 | CSTOPB}),
                         [](const auto& Info) { return TestNameOf(FrameText(Info.param)); });

struct TRefusedCase {
    const char* Name;
    void (*Change)(DCB&);
};

void PrintTo(const TRefusedCase& c, std::ostream* out) { *out << c.Name; }

class RefusedDcbs : public ::testing::TestWithParam<TRefusedCase> {};

TEST_P(RefusedDcbs, FailWithInvalidParameter)
{
    DCB dcb = Dcb8N1();
    GetParam().Change(dcb);
    TLineConfig config;
    EXPECT_EQ(TranslateDcb(dcb, termios{}, config), ERROR_INVALID_PARAMETER);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RefusedDcbs,
    ::testing::Values(TRefusedCase{"OneAndHalfStopBitsWithEightBits", [](DCB& d) { d.StopBits = ONE5STOPBITS; }},
                      TRefusedCase{"TwoStopBitsWithFiveBits",
                                   [](DCB& d) {
                                       d.ByteSize = 5;
                                       d.StopBits = TWOSTOPBITS;
                                   }},
                      TRefusedCase{"RateZero", [](DCB& d) { d.BaudRate = 0; }},
                      TRefusedCase{"FourDataBits", [](DCB& d) { d.ByteSize = 4; }},
                      TRefusedCase{"NineDataBits", [](DCB& d) { d.ByteSize = 9; }},
                      TRefusedCase{"UnknownParity", [](DCB& d) { d.Parity = 5; }},
                      TRefusedCase{"UnknownStopBits", [](DCB& d) { d.StopBits = 3; }},
                      TRefusedCase{"DsrOutputFlow", [](DCB& d) { d.Flags |= fOutxDsrFlow; }},
                      TRefusedCase{"DtrHandshake", [](DCB& d) { d.Flags |= 0x20; }},
                      TRefusedCase{"RtsToggleWithCtsFlow", [](DCB& d) { d.Flags |= 0x3000 | fOutxCtsFlow; }},
                      TRefusedCase{"DsrSensitivity", [](DCB& d) { d.Flags |= fDsrSensitivity; }},
                      TRefusedCase{"AbortOnError", [](DCB& d) { d.Flags |= fAbortOnError; }},
                      TRefusedCase{"XonEqualsXoff",
                                   [](DCB& d) {
                                       d.Flags |= fOutX;
                                       d.XoffChar = d.XonChar;
                                   }}),
    NamedBy(&TRefusedCase::Name));

TEST(TranslateDcb, RateWithoutConstantGoesThroughTermios2)
{
    DCB dcb = Dcb8N1();
    dcb.BaudRate = 14400;
    EXPECT_EQ(Translate(dcb).CustomRate, 14400u);
    dcb.BaudRate = 115200;
    const TLineConfig standard = Translate(dcb);
    EXPECT_EQ(standard.CustomRate, 0u);
    EXPECT_EQ(cfgetospeed(&standard.Attributes), static_cast<speed_t>(B115200));
}

TEST(TranslateDcb, StandardRateAfterCustomOneClearsInputRateBits)
{
    termios current{};
    current.c_cflag = CS8 | CIBAUD; // what a custom rate leaves in the input-rate bits
    DCB dcb = Dcb8N1();
    TLineConfig config;
    ASSERT_EQ(TranslateDcb(dcb, current, config), ERROR_SUCCESS);
    EXPECT_EQ(config.Attributes.c_cflag & CIBAUD, 0u);
    EXPECT_EQ(cfgetospeed(&config.Attributes), static_cast<speed_t>(B9600));
}

TEST(TranslateDcb, RtsToggleLeavesRtsToTheDriver)
{
    DCB dcb = Dcb8N1();
    dcb.Flags |= 0x3000 | 0x10; // RTS toggle, DTR on
    const TLineConfig config = Translate(dcb);
    EXPECT_TRUE(config.RtsToggle);
    EXPECT_EQ(config.ModemOn, TIOCM_DTR);
    EXPECT_EQ(config.ModemOff, 0);
    EXPECT_FALSE(config.Attributes.c_cflag & CRTSCTS);
    EXPECT_FALSE(Translate(Dcb8N1()).RtsToggle);
}

TEST(TranslateDcb, HardwareFlowSetsCrtscts)
{
    DCB dcb = Dcb8N1();
    dcb.Flags |= fOutxCtsFlow | 0x2000;
    const TLineConfig config = Translate(dcb);
    EXPECT_TRUE(config.Attributes.c_cflag & CRTSCTS);
    EXPECT_EQ(config.ModemOn, TIOCM_RTS);
}

TEST(TranslateDcb, SoftwareFlowSetsIxonIxoffAndChars)
{
    DCB dcb = Dcb8N1();
    dcb.Flags |= fOutX | fInX;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    const termios t = Translate(dcb).Attributes;
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
}

TEST(TranslateDcb, TxContinueOnXoffIsAcceptedEitherWay)
{
    DCB dcb = Dcb8N1();
    dcb.Flags |= fTXContinueOnXoff;
    TLineConfig config;
    EXPECT_EQ(TranslateDcb(dcb, termios{}, config), ERROR_SUCCESS);
}

TEST(TranslateDcb, DtrAndRtsEnableRaiseLines)
{
    DCB dcb = Dcb8N1();
    dcb.Flags |= 0x10 | 0x1000;
    const TLineConfig config = Translate(dcb);
    EXPECT_EQ(config.ModemOn, TIOCM_DTR | TIOCM_RTS);
    EXPECT_EQ(config.ModemOff, 0);
}

TEST(TranslateDcb, ReceiveRulesFollowFlags)
{
    DCB dcb = Dcb8N1();
    dcb.Parity = EVENPARITY;
    dcb.Flags |= fParity | fErrorChar | fNull;
    dcb.ErrorChar = '?';
    dcb.EvtChar = '\n';
    const TRxRules rx = Translate(dcb).Rx;
    EXPECT_TRUE(rx.CheckParity);
    EXPECT_TRUE(rx.ReplaceErrors);
    EXPECT_TRUE(rx.DiscardNull);
    EXPECT_TRUE(rx.ParityEnabled);
    EXPECT_EQ(rx.ErrorChar, '?');
    EXPECT_EQ(rx.EventChar, '\n');
}

TEST(TranslateDcb, ErrorCharNeedsParityCheck)
{
    DCB dcb = Dcb8N1();
    dcb.Flags |= fErrorChar;
    EXPECT_FALSE(Translate(dcb).Rx.ReplaceErrors);
}

struct TPlanCase {
    const char* Name;
    COMMTIMEOUTS Timeouts;
    DWORD Count;
    bool Immediate;
    bool ReturnOnAny;
    std::optional<long> Total;
    std::optional<long> Interval;
};

void PrintTo(const TPlanCase& c, std::ostream* out)
{
    const auto timeout = [out](DWORD value) -> std::ostream& {
        return value == MAXDWORD ? *out << "MAXDWORD" : *out << value;
    };
    *out << "interval ";
    timeout(c.Timeouts.ReadIntervalTimeout) << ", multiplier ";
    timeout(c.Timeouts.ReadTotalTimeoutMultiplier) << ", constant ";
    timeout(c.Timeouts.ReadTotalTimeoutConstant) << ", " << c.Count << " bytes";
}

class ReadPlans : public ::testing::TestWithParam<TPlanCase> {};

TEST_P(ReadPlans, FollowWindowsRules)
{
    const TPlanCase& c = GetParam();
    const TReadPlan plan = PlanRead(c.Timeouts, c.Count);
    EXPECT_EQ(plan.Immediate, c.Immediate);
    EXPECT_EQ(plan.ReturnOnAny, c.ReturnOnAny);
    EXPECT_EQ(plan.Total ? std::optional<long>(plan.Total->count()) : std::nullopt, c.Total);
    EXPECT_EQ(plan.Interval ? std::optional<long>(plan.Interval->count()) : std::nullopt, c.Interval);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadPlans,
    ::testing::Values(TPlanCase{"IntervalMaxTotalsZero", {MAXDWORD, 0, 0, 0, 0}, 10, true, false, {}, {}},
                      TPlanCase{"ReturnOnAny", {MAXDWORD, MAXDWORD, 500, 0, 0}, 10, false, true, 500, {}},
                      TPlanCase{"AllZeroWaitsForAll", {0, 0, 0, 0, 0}, 10, false, false, {}, {}},
                      TPlanCase{"TotalIsMultiplierTimesCountPlusConstant", {0, 10, 100, 0, 0}, 5, false, false, 150, {}},
                      TPlanCase{"IntervalOnly", {20, 0, 0, 0, 0}, 5, false, false, {}, 20},
                      TPlanCase{"IntervalMaxWithConstantIsTotalOnly", {MAXDWORD, 0, 300, 0, 0}, 5, false, false, 300, {}}),
    NamedBy(&TPlanCase::Name));

TEST(CommTimeouts, AllReadFieldsMaxAreRefused)
{
    EXPECT_FALSE(ValidTimeouts({MAXDWORD, MAXDWORD, MAXDWORD, 0, 0}));
    EXPECT_TRUE(ValidTimeouts({MAXDWORD, 0, 0, 100, 1000}));
}

TEST(CommTimeouts, WriteTimeoutIsMultiplierTimesCountPlusConstant)
{
    EXPECT_EQ(WriteTimeout({0, 0, 0, 100, 1000}, 3)->count(), 1300);
    EXPECT_FALSE(WriteTimeout({0, 0, 0, 0, 0}, 3));
}

} // namespace
