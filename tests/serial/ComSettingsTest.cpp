#include <gtest/gtest.h>

#include "serial/ComSettings.h"
#include "serial/ComText.h"
#include "support/ParamNames.h"

TEST(ComSettingsDefaults, MatchTheInitialValues)
{
    const TComParity parity;
    EXPECT_EQ(parity.Bits(), prNone);
    EXPECT_FALSE(parity.Check());
    EXPECT_FALSE(parity.Replace());
    EXPECT_EQ(parity.ReplaceChar(), '\0');
    EXPECT_EQ(parity.OwnerPort(), nullptr);

    const TComFlowControl flow;
    EXPECT_EQ(flow.FlowControl(), fcNone);
    EXPECT_FALSE(flow.OutCTSFlow());
    EXPECT_FALSE(flow.OutDSRFlow());
    EXPECT_EQ(flow.ControlDTR(), dtrDisable);
    EXPECT_EQ(flow.ControlRTS(), rtsDisable);
    EXPECT_FALSE(flow.XonXoffOut());
    EXPECT_FALSE(flow.XonXoffIn());
    EXPECT_FALSE(flow.DSRSensitivity());
    EXPECT_FALSE(flow.TxContinueOnXoff());
    EXPECT_EQ(flow.XonChar(), 17);
    EXPECT_EQ(flow.XoffChar(), 19);

    const TComTimeouts timeouts;
    EXPECT_EQ(timeouts.ReadInterval(), -1);
    EXPECT_EQ(timeouts.ReadTotalMultiplier(), 0);
    EXPECT_EQ(timeouts.ReadTotalConstant(), 0);
    EXPECT_EQ(timeouts.WriteTotalMultiplier(), 100);
    EXPECT_EQ(timeouts.WriteTotalConstant(), 1000);

    const TComBuffer buffer;
    EXPECT_EQ(buffer.InputSize(), 1024);
    EXPECT_EQ(buffer.OutputSize(), 1024);
}

struct SizeCase {
    int32_t Given;
    int32_t Stored;
};

void PrintTo(const SizeCase& c, std::ostream* out) { *out << c.Given << " is stored as " << c.Stored; }

class ComBufferSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ComBufferSizes, PositiveOddSizesAreStoredOneLess)
{
    TComBuffer buffer;
    buffer.SetInputSize(GetParam().Given);
    buffer.SetOutputSize(GetParam().Given);
    EXPECT_EQ(buffer.InputSize(), GetParam().Stored);
    EXPECT_EQ(buffer.OutputSize(), GetParam().Stored);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ComBufferSizes,
                         ::testing::Values(SizeCase{1025, 1024}, SizeCase{1, 0}, SizeCase{4097, 4096},
                                           SizeCase{2048, 2048}, SizeCase{0, 0}, SizeCase{-3, -3},
                                           SizeCase{-4, -4}),
                         [](const auto& Info) { return "Given_" + NamePart(std::to_string(Info.param.Given)); });

struct FlowSummaryCase {
    TRTSFlowControl Rts;
    bool OutCts;
    bool XonIn;
    bool XonOut;
    TFlowControl Summary;
};

// The fields a case sets: "RtsHandshake_OutCts_XonIn".
std::string FlowFields(const FlowSummaryCase& c)
{
    return "Rts" + RtsControlText(c.Rts) + (c.OutCts ? "_OutCts" : "") + (c.XonIn ? "_XonIn" : "") +
           (c.XonOut ? "_XonOut" : "");
}

void PrintTo(const FlowSummaryCase& c, std::ostream* out)
{
    *out << FlowFields(c) << " is " << FlowControlText(c.Summary);
}

class FlowControlSummary : public ::testing::TestWithParam<FlowSummaryCase> {};

TEST_P(FlowControlSummary, ReadsFromRtsCtsAndXonXoff)
{
    TComFlowControl flow;
    flow.SetControlRTS(GetParam().Rts);
    flow.SetOutCTSFlow(GetParam().OutCts);
    flow.SetXonXoffIn(GetParam().XonIn);
    flow.SetXonXoffOut(GetParam().XonOut);
    flow.SetControlDTR(dtrHandshake); // DTR and DSR take no part
    flow.SetOutDSRFlow(true);
    EXPECT_EQ(flow.FlowControl(), GetParam().Summary);
}

INSTANTIATE_TEST_SUITE_P(
    Summaries, FlowControlSummary,
    ::testing::Values(FlowSummaryCase{rtsHandshake, true, false, false, fcHardware},
                      FlowSummaryCase{rtsDisable, false, true, true, fcSoftware},
                      FlowSummaryCase{rtsDisable, false, false, false, fcNone},
                      FlowSummaryCase{rtsHandshake, true, true, false, fcCustom},
                      FlowSummaryCase{rtsEnable, false, false, false, fcCustom},
                      FlowSummaryCase{rtsDisable, true, false, false, fcCustom},
                      FlowSummaryCase{rtsDisable, false, true, false, fcCustom},
                      FlowSummaryCase{rtsToggle, false, true, true, fcCustom}),
    [](const auto& Info) { return FlowFields(Info.param); });

TEST(FlowControlSummary, WritingSetsTheFieldsItStandsFor)
{
    TComFlowControl flow;
    flow.SetFlowControl(fcHardware);
    EXPECT_EQ(flow.ControlRTS(), rtsHandshake);
    EXPECT_TRUE(flow.OutCTSFlow());
    EXPECT_EQ(flow.FlowControl(), fcHardware);

    flow.SetFlowControl(fcSoftware);
    EXPECT_EQ(flow.ControlRTS(), rtsDisable);
    EXPECT_FALSE(flow.OutCTSFlow());
    EXPECT_TRUE(flow.XonXoffIn());
    EXPECT_TRUE(flow.XonXoffOut());

    flow.SetFlowControl(fcNone);
    EXPECT_FALSE(flow.XonXoffIn());
    EXPECT_FALSE(flow.XonXoffOut());
    EXPECT_EQ(flow.FlowControl(), fcNone);
}

TEST(FlowControlSummary, WritingCustomChangesNoField)
{
    TComFlowControl flow;
    flow.SetControlRTS(rtsToggle);
    flow.SetXonXoffIn(true);
    flow.SetOutCTSFlow(true);
    flow.SetFlowControl(fcCustom);
    EXPECT_EQ(flow.ControlRTS(), rtsToggle);
    EXPECT_TRUE(flow.XonXoffIn());
    EXPECT_TRUE(flow.OutCTSFlow());
    EXPECT_FALSE(flow.XonXoffOut());
}

TEST(ComSettingsAssign, CopiesEveryFieldOfTheSameClass)
{
    TComFlowControl source;
    source.SetOutCTSFlow(true);
    source.SetOutDSRFlow(true);
    source.SetControlDTR(dtrEnable);
    source.SetControlRTS(rtsToggle);
    source.SetXonXoffOut(true);
    source.SetXonXoffIn(true);
    source.SetDSRSensitivity(true);
    source.SetTxContinueOnXoff(true);
    source.SetXonChar('a');
    source.SetXoffChar('b');
    TComFlowControl dest;
    dest.Assign(&source);
    EXPECT_TRUE(dest.OutCTSFlow());
    EXPECT_TRUE(dest.OutDSRFlow());
    EXPECT_EQ(dest.ControlDTR(), dtrEnable);
    EXPECT_EQ(dest.ControlRTS(), rtsToggle);
    EXPECT_TRUE(dest.XonXoffOut());
    EXPECT_TRUE(dest.XonXoffIn());
    EXPECT_TRUE(dest.DSRSensitivity());
    EXPECT_TRUE(dest.TxContinueOnXoff());
    EXPECT_EQ(dest.XonChar(), 'a');
    EXPECT_EQ(dest.XoffChar(), 'b');

    TComParity parity;
    parity.SetBits(prMark);
    parity.SetCheck(true);
    parity.SetReplace(true);
    parity.SetReplaceChar('?');
    TComParity parityCopy;
    parityCopy.Assign(&parity);
    EXPECT_EQ(parityCopy.Bits(), prMark);
    EXPECT_TRUE(parityCopy.Check());
    EXPECT_TRUE(parityCopy.Replace());
    EXPECT_EQ(parityCopy.ReplaceChar(), '?');

    TComTimeouts timeouts;
    timeouts.SetReadInterval(1);
    timeouts.SetReadTotalMultiplier(2);
    timeouts.SetReadTotalConstant(3);
    timeouts.SetWriteTotalMultiplier(4);
    timeouts.SetWriteTotalConstant(5);
    TComTimeouts timeoutsCopy;
    timeoutsCopy.Assign(&timeouts);
    EXPECT_EQ(timeoutsCopy.ReadInterval(), 1);
    EXPECT_EQ(timeoutsCopy.ReadTotalMultiplier(), 2);
    EXPECT_EQ(timeoutsCopy.ReadTotalConstant(), 3);
    EXPECT_EQ(timeoutsCopy.WriteTotalMultiplier(), 4);
    EXPECT_EQ(timeoutsCopy.WriteTotalConstant(), 5);
}

TEST(ComSettingsAssign, CopiesSizesWithoutRounding)
{
    TComBuffer source;
    source.SetInputSize(-7);
    source.SetOutputSize(-9);
    TComBuffer dest;
    dest.Assign(&source);
    EXPECT_EQ(dest.InputSize(), -7);
    EXPECT_EQ(dest.OutputSize(), -9);
}

TEST(ComSettingsAssign, OtherClassOrMissingSourceRaisesConvertError)
{
    TComParity parity;
    TComTimeouts timeouts;
    try {
        parity.Assign(&timeouts);
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TComTimeouts to a TComParity");
    }
    try {
        timeouts.Assign(nullptr);
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a nil to a TComTimeouts");
    }
}
