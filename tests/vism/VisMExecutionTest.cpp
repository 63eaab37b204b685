// Runs through TVisM on a real GT.M server: registers, results and M errors.
#include <regex>

#include "VisMFixture.h"
#include "support/ParamNames.h"

namespace {

using VisMExecution = VisMFixture;

std::string AllBytes()
{
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes.push_back(static_cast<char>(b));
    return bytes + "\n\r\n";
}

TEST_F(VisMExecution, ConnectionCheck_FillsP1WithTheHorolog)
{
    TVisM& vism = Control();
    vism.SetP1(std::string());
    EXPECT_EQ(Run(vism, "S P1 = $h"), "");
    EXPECT_TRUE(std::regex_match(vism.P1().AsString(), std::regex(R"(\d+,\d+)"))) << vism.P1().AsString();
}

TEST_F(VisMExecution, WeightStoring_KillsAndSetsTheNodeWithTheRegisters)
{
    TVisM& vism = Control();
    vism.SetP0(1);
    vism.SetP1("T01");
    vism.SetP2("012345");
    EXPECT_EQ(Run(vism, "K ^PESAGEM(P0,P1)"), "");
    EXPECT_EQ(Run(vism, "set ^PESAGEM(P0,P1)=P2 "), "");
    EXPECT_EQ(Run(vism, "S P3=^PESAGEM(1,\"T01\")"), "");
    EXPECT_EQ(vism.P3().AsString(), "012345");
}

TEST_F(VisMExecution, ExtrinsicFunction_ValueLandsInResultValue)
{
    WriteFile(RoutineDir() / "TVISMT.m", "TVISMT ;\nSUM() Q P1+P2\nECHO(X) Q X\n");
    TVisM& vism = Control();
    vism.SetP1(2);
    vism.SetP2("40");
    EXPECT_EQ(Run(vism, "$$SUM^TVISMT"), "");
    EXPECT_EQ(vism.ResultValue().AsString(), "42");
    EXPECT_EQ(vism.ResultValue().AsInteger(), 42);
    EXPECT_EQ(Run(vism, "$$ECHO^TVISMT(\"0\")"), "");
    EXPECT_EQ(vism.ResultValue().AsString(), "0");
}

TEST_F(VisMExecution, CommandLine_LeavesResultValueAlone)
{
    TVisM& vism = Control();
    vism.SetResultValue("before");
    EXPECT_EQ(Run(vism, "S P1=1"), "");
    EXPECT_EQ(vism.ResultValue().AsString(), "before");
}

TEST_F(VisMExecution, RunningAgain_IsTheExecFlagWriteAlone)
{
    TVisM& vism = Control();
    vism.SetP1(0);
    vism.SetCode("S P1=P1+1");
    for (int i = 0; i < 3; ++i)
        vism.SetExecFlag(1);
    EXPECT_EQ(vism.P1().AsString(), "3");
    EXPECT_TRUE(Errors().empty());
}

TEST_F(VisMExecution, Registers_RoundTripEveryByteAndLineFeeds)
{
    TVisM& vism = Control();
    std::vector<std::string> values;
    for (int i = 0; i < 10; ++i) {
        values.push_back(std::to_string(i) + AllBytes());
        vism.SetP(i, values.back());
    }
    EXPECT_EQ(Run(vism, "Q"), "");
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(vism.P(i).AsString(), values[static_cast<size_t>(i)]) << "P" << i;

    vism.SetP1(AllBytes());
    EXPECT_EQ(Run(vism, "S P2=P1_P1,P3=$L(P1),P4=$A(P1,256)"), "");
    EXPECT_EQ(vism.P2().AsString(), AllBytes() + AllBytes());
    EXPECT_EQ(vism.P3().AsString(), "259");
    EXPECT_EQ(vism.P4().AsString(), "255");
}

TEST_F(VisMExecution, Registers_HoldTheLongestMString)
{
    TVisM& vism = Control();
    const std::string longest = std::string(1048575, 'x') + "y";
    vism.SetP1(longest);
    EXPECT_EQ(Run(vism, "S (P0,P9)=P1,P5=$L(P1)"), "");
    EXPECT_EQ(vism.P0().AsString(), longest);
    EXPECT_EQ(vism.P9().AsString(), longest);
    EXPECT_EQ(vism.P5().AsString(), "1048576");
}

TEST_F(VisMExecution, TooLongRegister_IsAnErrorWithoutReachingTheServer)
{
    TVisM& vism = Control();
    vism.SetP1(std::string(1048577, 'x'));
    EXPECT_NE(Run(vism, "S P2=1"), "");
    EXPECT_EQ(vism.ServerProcessId(), 0);
}

TEST_F(VisMExecution, CodeBytes_ReachTheServerAsTheyAre)
{
    TVisM& vism = Control();
    std::string literal;
    for (int b = 128; b < 256; ++b)
        literal.push_back(static_cast<char>(b));
    EXPECT_EQ(Run(vism, "S P1=\"" + literal + "\",P2=$L(P1)"), "");
    EXPECT_EQ(vism.P1().AsString(), literal);
    EXPECT_EQ(vism.P2().AsString(), "128");
}

TEST_F(VisMExecution, LineFeedInCode_IsAnMErrorAndTheNextRunWorks)
{
    TVisM& vism = Control();
    EXPECT_NE(Run(vism, "S P1=1\nS P2=2"), "");
    EXPECT_EQ(Run(vism, "S P3=3"), "");
    EXPECT_EQ(vism.P3().AsString(), "3");
}

TEST_F(VisMExecution, RegistersKilledByTheCode_ComeBackEmpty)
{
    TVisM& vism = Control();
    vism.SetP5("x");
    EXPECT_EQ(Run(vism, "K P5"), "");
    EXPECT_TRUE(vism.P5().IsEmpty());
}

struct MErrorCase {
    const char* Code;
    const char* Mnemonic;
};

void PrintTo(const MErrorCase& Case, std::ostream* Out)
{
    *Out << Printable(Case.Code) << " fails with " << Case.Mnemonic;
}

class VisMErrors : public VisMFixture, public ::testing::WithParamInterface<MErrorCase> {};

TEST_P(VisMErrors, FireOnErrorWithGtmsErrorAndTheNextRunWorks)
{
    TVisM& vism = Control();
    vism.SetResultValue("kept");
    const std::string error = Run(vism, GetParam().Code);
    EXPECT_NE(error.find(GetParam().Mnemonic), std::string::npos) << error;
    EXPECT_EQ(error.rfind("%GTM-E-", 0), 0u) << error;
    EXPECT_EQ(vism.ErrorName(), error);
    EXPECT_TRUE(vism.ResultValue().IsEmpty());
    EXPECT_EQ(Run(vism, "S P1 = $h"), "");
    EXPECT_FALSE(vism.P1().AsString().empty());
}

INSTANTIATE_TEST_SUITE_P(Table, VisMErrors,
                         ::testing::Values(MErrorCase{"S P1=NOSUCH", "UNDEF"}, MErrorCase{"S P1=1/0", "DIVZERO"},
                                           MErrorCase{"$$NOSUCH^NOSUCHRTN", "ZLINKFILE"},
                                           MErrorCase{"S P1=", "EXPR"}, MErrorCase{"$$FUNC^%DH(1/0)", "DIVZERO"}),
                         [](const auto& Info) { return TestNameOf(Info.param.Code); });

TEST_F(VisMExecution, FailedRun_LeavesTheRegistersAsTheCodeLeftThem)
{
    TVisM& vism = Control();
    EXPECT_NE(Run(vism, "S P1=\"half\",P2=1/0"), "");
    EXPECT_EQ(vism.P1().AsString(), "half");
}

TEST_F(VisMExecution, ErrorInsideATransaction_RollsItBack)
{
    TVisM& vism = Control();
    EXPECT_NE(Run(vism, "TS  S ^TX=1 S P1=1/0"), "");
    EXPECT_EQ(Run(vism, "S P1=$TL_$D(^TX)"), "");
    EXPECT_EQ(vism.P1().AsString(), "00");
}

TEST_F(VisMExecution, Locals_DoNotLeakBetweenRuns)
{
    TVisM& vism = Control();
    EXPECT_EQ(Run(vism, "S X=5,^Y=1"), "");
    EXPECT_NE(Run(vism, "S Z=1 S P1=1/0"), "");
    EXPECT_EQ(Run(vism, "S P1=$D(X)_$D(Z)_$D(^Y)"), "");
    EXPECT_EQ(vism.P1().AsString(), "001");
}

TEST_F(VisMExecution, ServersOwnLocals_AreHiddenFromTheCode)
{
    TVisM& vism = Control();
    EXPECT_EQ(Run(vism, "S P1=$D(in)_$D(out)_$D(code)_$D(kind)_$D(head)"), "");
    EXPECT_EQ(vism.P1().AsString(), "00000");
}

TEST_F(VisMExecution, WritesAndReadsOnThePrincipalDevice_DoNotTouchTheProtocol)
{
    TVisM& vism = Control();
    EXPECT_EQ(Run(vism, "W \"00000000000\",!,$C(0,10,13,255) W # S P1=1"), "");
    EXPECT_EQ(vism.P1().AsString(), "1");
    EXPECT_EQ(Run(vism, "R X:0 S P2=\"read\""), "");
    EXPECT_EQ(vism.P2().AsString(), "read");
    EXPECT_EQ(Run(vism, "S P3=3"), "");
    EXPECT_EQ(vism.P3().AsString(), "3");
}

TEST_F(VisMExecution, OnExecuted_FollowsASuccessfulRunOnly)
{
    TVisM& vism = Control();
    int executed = 0;
    vism.OnExecuted = [&](TObject*) { ++executed; };
    Run(vism, "S P1=1");
    Run(vism, "S P1=1/0");
    EXPECT_EQ(executed, 1);
}

} // namespace
