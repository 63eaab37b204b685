// Code that closes the server's devices, prints through child processes or leaves its run
// by the back door: every run gets one answer, and the runs after it work on the same
// server.
#include <unistd.h>

#include "VisMFixture.h"
#include "support/ParamNames.h"

namespace {

// A text shaped like a whole answer of the server: status 0 and no value defined.
const std::string kAnswerShapedText(109, '0');

// How the run ends: it completes (the rest of the line runs too), it succeeds after the
// code's own error trap left the line, or it fails with Error.
enum class Outcome { Completes, Succeeds, Fails };

struct MisbehavingCase {
    const char* What;
    std::string Code;
    Outcome Ends;
    const char* Error = "";
};

void PrintTo(const MisbehavingCase& Case, std::ostream* Out)
{
    *Out << Case.What;
}

class VisMMisbehavingCode : public VisMFixture {
protected:
    // Three runs that work, each on the server that runs the first; the server's id.
    std::string ExpectRunsWork(TVisM& Vism)
    {
        std::string server;
        for (int run = 1; run <= 3; ++run) {
            Vism.SetP3(run);
            EXPECT_EQ(Run(Vism, "S P1=$J,P3=P3*10,P4=($IO=$P)"), "") << "run " << run;
            EXPECT_EQ(Vism.P3().AsString(), std::to_string(run * 10)) << "run " << run;
            // The code's current device is the server's harmless one again.
            EXPECT_EQ(Vism.P4().AsString(), "1") << "run " << run;
            if (run == 1)
                server = Vism.P1().AsString();
            EXPECT_EQ(Vism.P1().AsString(), server) << "run " << run;
        }
        return server;
    }
};

class VisMMisbehavingCase : public VisMMisbehavingCode, public ::testing::WithParamInterface<MisbehavingCase> {};

TEST_P(VisMMisbehavingCase, GetsOneAnswerAndTheNextRunsWorkOnTheSameServer)
{
    TVisM& vism = Control();
    ASSERT_EQ(Run(vism, "S P1=$J"), "");
    const std::string server = vism.P1().AsString();

    vism.SetP2("before");
    const std::string error = Run(vism, GetParam().Code + " S P2=\"after\"");
    switch (GetParam().Ends) {
    case Outcome::Completes:
        EXPECT_EQ(error, "");
        EXPECT_EQ(vism.P2().AsString(), "after");
        break;
    case Outcome::Succeeds:
        EXPECT_EQ(error, "");
        EXPECT_EQ(vism.P2().AsString(), "before");
        break;
    case Outcome::Fails:
        EXPECT_NE(error.find(GetParam().Error), std::string::npos) << error;
        break;
    }

    EXPECT_EQ(ExpectRunsWork(vism), server);
}

INSTANTIATE_TEST_SUITE_P(
    ClosedDevices, VisMMisbehavingCase,
    ::testing::Values(MisbehavingCase{"CloseCurrentDevice", "C $IO", Outcome::Completes},
                      MisbehavingCase{"OpenUseCloseDevNull", "O \"/dev/null\" U \"/dev/null\" C \"/dev/null\"",
                                      Outcome::Completes},
                      MisbehavingCase{"ClosePrincipalDevice", "C $P", Outcome::Completes},
                      MisbehavingCase{"CloseTheRequestDevice", "C \"/dev/fd/3\"", Outcome::Completes}),
    NamedBy(&MisbehavingCase::What));

INSTANTIATE_TEST_SUITE_P(
    Printing, VisMMisbehavingCase,
    ::testing::Values(MisbehavingCase{"ShellPrintsAnAnswerOnStandardOutput",
                                      "ZSYSTEM \"printf " + kAnswerShapedText + "\"", Outcome::Completes},
                      MisbehavingCase{"ShellPrintsAnAnswerOnStandardError",
                                      "ZSYSTEM \"printf " + kAnswerShapedText + " >&2\"", Outcome::Completes},
                      MisbehavingCase{"WritesToThePrincipalDeviceByName",
                                      "U $P W \"" + kAnswerShapedText + "\",! U $P:WIDTH=5", Outcome::Completes},
                      MisbehavingCase{"PipeDeviceChildPrintsOnItsStandardError",
                                      "O \"p\":(COMMAND=\"printf " + kAnswerShapedText +
                                          " >&2\":READONLY)::\"PIPE\" U \"p\" R X:1 C \"p\"",
                                      Outcome::Completes}),
    NamedBy(&MisbehavingCase::What));

INSTANTIATE_TEST_SUITE_P(
    Escapes, VisMMisbehavingCase,
    ::testing::Values(MisbehavingCase{"ZgotoToTheServersTopLevel", "ZGOTO 1", Outcome::Fails, "ESCAPED"},
                      MisbehavingCase{"ZgotoToTheLevelThatRunsTheCode", "ZGOTO $ZLEVEL-2", Outcome::Fails, "ESCAPED"},
                      MisbehavingCase{"ZgotoBackToTheLevelThatRunsIt", "ZGOTO $ZLEVEL-1", Outcome::Succeeds},
                      MisbehavingCase{"ZtrapThatZgotos", "S $ZTRAP=\"ZGOTO 1\" S X=1/0", Outcome::Fails, "ESCAPED"},
                      MisbehavingCase{"ZtrapLeftSet", "S $ZTRAP=\"S ^TRAPPED=1\"", Outcome::Completes},
                      MisbehavingCase{"EtrapCleared", "S $ETRAP=\"\" S X=1/0", Outcome::Fails, "DIVZERO"},
                      MisbehavingCase{"EtrapThatQuits", "S $ETRAP=\"S $EC=\"\"\"\" Q\" S X=1/0", Outcome::Succeeds}),
    NamedBy(&MisbehavingCase::What));

// A child process that prints an answer-shaped text after the run that started it has
// been answered cannot make a later run take it for its answer.
TEST_F(VisMMisbehavingCode, BackgroundChildPrintingLater_DoesNotReachALaterAnswer)
{
    TVisM& vism = Control();
    ASSERT_EQ(Run(vism, "ZSYSTEM \"(sleep 0.2; printf " + kAnswerShapedText + "; printf " + kAnswerShapedText +
                            " >&2) &\""),
              "");
    usleep(400000);
    ExpectRunsWork(vism);
}

// The answers' device cannot be opened again once closed: the server ends, the run fails,
// and the next run has a fresh server.
TEST_F(VisMMisbehavingCode, ClosingTheAnswerDevice_FailsTheRunAndTheNextRunsWork)
{
    TVisM& vism = Control();
    const std::string error =
        Run(vism, "N d,i ZSHOW \"D\":d F i=1:1 Q:'$D(d(\"D\",i))  I d(\"D\",i)[\"SOCKET\" C $P(d(\"D\",i),\" \")");
    EXPECT_NE(error.find("M server process ended"), std::string::npos) << error;
    ExpectRunsWork(vism);
}

TEST_F(VisMMisbehavingCode, ErrorAfterAZtrapLeftSet_IsStillReportedByTheServer)
{
    TVisM& vism = Control();
    ASSERT_EQ(Run(vism, "S $ZTRAP=\"Q\""), "");
    EXPECT_NE(Run(vism, "S X=1/0").find("DIVZERO"), std::string::npos);
    ExpectRunsWork(vism);
}

} // namespace
