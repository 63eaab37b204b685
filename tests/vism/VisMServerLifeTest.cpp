// The server process behind a control: started at the first run, survived when it dies,
// ended with the control; M LOCKs held across runs as a workstation holds them.
#include <signal.h>

#include <cerrno>

#include "VisMFixture.h"

namespace {

using VisMServerLife = VisMFixture;

bool ProcessExists(int Pid)
{
    return kill(Pid, 0) == 0 || errno != ESRCH;
}

TEST_F(VisMServerLife, Server_StartsAtTheFirstRun)
{
    TVisM& vism = Control();
    EXPECT_EQ(vism.ServerProcessId(), 0);
    EXPECT_EQ(Run(vism, "S P1=$J"), "");
    EXPECT_EQ(vism.P1().AsString(), std::to_string(vism.ServerProcessId()));
}

TEST_F(VisMServerLife, Halt_FiresOnErrorAndTheNextRunStartsAFreshServer)
{
    TVisM& vism = Control();
    ASSERT_EQ(Run(vism, "S P1=$J"), "");
    const std::string first = vism.P1().AsString();
    const std::string error = Run(vism, "H");
    EXPECT_NE(error.find("M server process ended"), std::string::npos) << error;
    EXPECT_EQ(Run(vism, "S P1=$J"), "");
    EXPECT_NE(vism.P1().AsString(), first);
}

TEST_F(VisMServerLife, KilledServer_FiresOnErrorAndTheNextRunStartsAFreshServer)
{
    TVisM& vism = Control();
    ASSERT_EQ(Run(vism, "S P1=1"), "");
    const int pid = vism.ServerProcessId();
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    const std::string error = Run(vism, "S P1=2");
    EXPECT_NE(error.find("M server process ended"), std::string::npos) << error;
    EXPECT_EQ(vism.ServerProcessId(), 0);
    EXPECT_FALSE(ProcessExists(pid));
    EXPECT_EQ(Run(vism, "S P1=3"), "");
    EXPECT_EQ(vism.P1().AsString(), "3");
}

TEST_F(VisMServerLife, ServerKilledWhileRunning_FiresOnError)
{
    TVisM& vism = Control();
    const std::string error = Run(vism, "ZSYSTEM \"kill -9 \"_$J H 5");
    EXPECT_NE(error.find("killed by signal 9"), std::string::npos) << error;
    EXPECT_EQ(Run(vism, "S P1=1"), "");
}

TEST_F(VisMServerLife, ClearedErrorTrap_EndsTheServerInsteadOfDirectMode)
{
    TVisM& vism = Control();
    EXPECT_NE(Run(vism, "S $ETRAP=\"\" S P1=1/0"), "");
    EXPECT_EQ(Run(vism, "S P1=1"), "");
}

TEST_F(VisMServerLife, ServerThatCannotStart_FiresOnErrorSayingWhy)
{
    TVisM& vism = Control();
    TMServerSettings settings = Settings();
    settings.RoutineDirs.push_back(Dir() / "no-such-routines");
    vism.SetServerSettings(settings);
    std::string error = Run(vism, "S P1=1");
    EXPECT_NE(error.find("no-such-routines not found"), std::string::npos) << error;

    settings = Settings();
    settings.GtmDist = Dir() / "no-gtm";
    vism.SetServerSettings(settings);
    error = Run(vism, "S P1=1");
    EXPECT_NE(error.find("GT.M not found"), std::string::npos) << error;
    EXPECT_EQ(vism.ServerProcessId(), 0);
}

TEST_F(VisMServerLife, DestroyingTheControl_EndsItsServer)
{
    TVisM& vism = Control();
    ASSERT_EQ(Run(vism, "S P1=1"), "");
    const int pid = vism.ServerProcessId();
    ASSERT_TRUE(ProcessExists(pid));
    Destroy(vism);
    EXPECT_FALSE(ProcessExists(pid));
}

TEST_F(VisMServerLife, ChangingTheNamespace_EndsTheServerAndTheNextRunUsesTheNewOne)
{
    TVisM& vism = Control("FIRST");
    ASSERT_EQ(Run(vism, "S ^WHERE=\"first\""), "");
    const int pid = vism.ServerProcessId();
    vism.SetNameSpace("SECOND");
    EXPECT_FALSE(ProcessExists(pid));
    EXPECT_EQ(Run(vism, "S P1=$D(^WHERE)"), "");
    EXPECT_EQ(vism.P1().AsString(), "0");
}

TEST_F(VisMServerLife, Locks_ContendBetweenTwoControlsAsBetweenTwoWorkstations)
{
    TVisM& first = Control();
    TVisM& second = Control();
    ASSERT_EQ(Run(first, "L +^X(1):0 S P1=$T"), "");
    EXPECT_EQ(first.P1().AsString(), "1");
    ASSERT_EQ(Run(second, "L +^X(1):0 S P1=$T"), "");
    EXPECT_EQ(second.P1().AsString(), "0");

    // The lock outlives the run that took it, and an M error in a later run.
    ASSERT_EQ(Run(first, "S P2=2"), "");
    ASSERT_NE(Run(first, "S P2=1/0"), "");
    ASSERT_EQ(Run(second, "L +^X(1):0 S P1=$T"), "");
    EXPECT_EQ(second.P1().AsString(), "0");
    ASSERT_EQ(Run(second, "L +^X(2):0 S P1=$T L -^X(2)"), "");
    EXPECT_EQ(second.P1().AsString(), "1");

    Destroy(first);
    ASSERT_EQ(Run(second, "L +^X(1):0 S P1=$T"), "");
    EXPECT_EQ(second.P1().AsString(), "1");
}

TEST_F(VisMServerLife, Unlock_InALaterRunReleasesTheLock)
{
    TVisM& first = Control();
    TVisM& second = Control();
    ASSERT_EQ(Run(first, "L +^X(1):0"), "");
    ASSERT_EQ(Run(first, "L -^X(1)"), "");
    ASSERT_EQ(Run(second, "L +^X(1):0 S P1=$T"), "");
    EXPECT_EQ(second.P1().AsString(), "1");
}

TEST_F(VisMServerLife, ServerIdle_DoesNotSpinTheProcessor)
{
    TVisM& vism = Control();
    ASSERT_EQ(Run(vism, "S P1=$ZGETJPI(0,\"CPUTIM\")"), "");
    const long before = std::stol(vism.P1().AsString());
    usleep(200000);
    ASSERT_EQ(Run(vism, "S P1=$ZGETJPI(0,\"CPUTIM\")"), "");
    // CPUTIM counts hundredths of a second.
    EXPECT_LT(std::stol(vism.P1().AsString()) - before, 5);
}

} // namespace
