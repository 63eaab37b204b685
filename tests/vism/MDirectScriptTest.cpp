// scripts/m-direct: M on the database a control uses for a namespace, as a user's XDG
// folders place it, before the program ever ran there; at a terminal and with lines
// piped in, their errors, and the namespaces it refuses.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>

#include "VisMFixture.h"
#include "support/EnvironmentGuard.h"
#include "support/MDirect.h"
#include "support/PtyPair.h"
#include "support/Scripts.h"
#include "vism/ChildProcess.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using scripts::RunMDirect;
using scripts::ScriptResult;

namespace {

// The README's line: "Expedição" in Windows-1252 codes.
const char* const kReadmeLine = "S ^CCTTGA955(1,\"BAL01\")=\"Expedi\"_$C(231,227)_\"o\"\n";

class MDirectScript : public VisMFixture {
protected:
    void SetUp() override
    {
        VisMFixture::SetUp();
        for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
            guards_.push_back(std::make_unique<TEnvironmentGuard>(name, (Dir() / name).string()));
        guards_.push_back(std::make_unique<TEnvironmentGuard>("TREVASK_DATA_DIR", std::nullopt));
    }

    fs::path DataHome() const { return Dir() / "XDG_DATA_HOME"; }
    fs::path SettingsFile() const { return Dir() / "XDG_CONFIG_HOME" / "trevask" / "vism.conf"; }

    // A control with the settings a program started now would have.
    TVisM& ProgramsControl()
    {
        TVisM& control = Control();
        control.SetServerSettings(TMServerSettings::FromEnvironment());
        return control;
    }

private:
    std::vector<std::unique_ptr<TEnvironmentGuard>> guards_;
};

bool Contains(const std::string& Text, const std::string& Part)
{
    return Text.find(Part) != std::string::npos;
}

TEST_F(MDirectScript, FirstUse_MakesTheNamespaceDatabaseWhereTheControlFindsTheTerminal)
{
    const fs::path own = DataHome() / "trevask" / "m" / "SISTEMAS";
    ASSERT_FALSE(fs::exists(own));
    const ScriptResult entered = RunMDirect("sistemas", kReadmeLine);
    ASSERT_EQ(entered.exitCode, 0) << entered.errors;
    EXPECT_EQ(entered.errors, "");
    EXPECT_TRUE(fs::is_regular_file(own / "mumps.gld"));
    EXPECT_TRUE(fs::is_regular_file(own / "mumps.dat"));

    TVisM& control = ProgramsControl();
    control.SetP0(1);
    ASSERT_EQ(Run(control, "$$TERMCRU^CCTTGA955"), "");
    EXPECT_EQ(control.ResultValue().AsString(), "0");
    EXPECT_EQ(control.P1().AsString(), "BAL01");
    EXPECT_EQ(control.P2().AsString(), "Expedi\xE7\xE3o");
}

TEST_F(MDirectScript, NamespaceOfTheSettingsFile_IsWorkedOnInItsGlobalDirectoryWithItsGtcmAddresses)
{
    mdirect::MDatabase other;
    fs::create_directories(SettingsFile().parent_path());
    WriteFile(SettingsFile(), "SISTEMAS=" + other.GlobalDirectory() + "\nGTCM_dbhost=127.0.0.1:6789\n");
    const ScriptResult result =
        RunMDirect("SISTEMAS", "S ^CCTTGA955(1,\"BAL02\")=\"Pesagem\"\nW $ZGBLDIR,\"|\",$ZTRNLNM(\"GTCM_dbhost\")\n");
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(result.output, other.GlobalDirectory() + "|127.0.0.1:6789\n");
    EXPECT_EQ(other.Output("W ^CCTTGA955(1,\"BAL02\")"), "Pesagem");
    EXPECT_FALSE(fs::exists(DataHome() / "trevask" / "m"));
}

TEST_F(MDirectScript, PipedLines_RunInTheControlsMModeWithItsRoutines_OneFrameForAll)
{
    WriteFile(RoutineDir() / "ADDED.m", "ADDED() ;\n Q \"added\"\n");
    const ScriptResult result =
        RunMDirect("SISTEMAS", "S P0=1\nW $ZCHSET,\"|\",$$TERMCRU^CCTTGA955,\"|\",$$^ADDED()\nS X=1\nW \"|\",X\n",
                   {"TREVASK_M_ROUTINES=" + RoutineDir().string()});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(result.output, "M|1|added|1\n");
    EXPECT_EQ(result.errors, "");
}

TEST_F(MDirectScript, ErrorInAPipedLine_EndsTheRunWithStatus1NamingTheLine_LaterLinesDoNotRun)
{
    // The argumentless KILL must not lose the count of lines.
    const ScriptResult failed = RunMDirect("SISTEMAS", "S ^A=1\nK\nW 1/0\nS ^B=1\n");
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.errors, "m-direct: line 3: %GTM-E-DIVZERO, Attempt to divide by zero\n");
    const ScriptResult after = RunMDirect("SISTEMAS", "W $D(^A),$D(^B)\n");
    EXPECT_EQ(after.output, "10\n");
}

TEST_F(MDirectScript, ErrorInARoutineThatALineCalls_NamesItsPlace)
{
    WriteFile(RoutineDir() / "BROKEN.m", "BROKEN ;\n W 1/0\n Q\n");
    const ScriptResult failed =
        RunMDirect("SISTEMAS", "W 1\nD ^BROKEN\n", {"TREVASK_M_ROUTINES=" + RoutineDir().string()});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.errors, "m-direct: line 2: %GTM-E-DIVZERO, Attempt to divide by zero (at BROKEN+1^BROKEN)\n");
}

TEST_F(MDirectScript, SyntaxErrorInAPipedLine_IsReported)
{
    const ScriptResult failed = RunMDirect("SISTEMAS", "S X=\n");
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(Contains(failed.errors, "m-direct: line 1: %GTM-E-EXPR")) << failed.errors;
}

TEST_F(MDirectScript, UnusableNamespaceName_IsRefusedWithTheControlsErrorBeforeAnythingIsMade)
{
    for (const char* name : {"", "../ETC", "A B", "X/Y", "SIS$TEMAS"}) {
        const ScriptResult refused = RunMDirect(name, kReadmeLine);
        EXPECT_EQ(refused.exitCode, 1) << name;
        EXPECT_EQ(refused.errors, "m-direct: Invalid namespace name \"" + std::string(name) + "\"\n");
        EXPECT_EQ(refused.output, "");
    }
    EXPECT_FALSE(fs::exists(Dir() / "XDG_DATA_HOME"));
    EXPECT_FALSE(fs::exists(Dir() / "XDG_CACHE_HOME"));
}

TEST_F(MDirectScript, WithoutOneNamespace_ShowsItsUsage)
{
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{}, {"SISTEMAS", "OTHER"}}) {
        const ScriptResult refused = scripts::RunScript("m-direct", arguments, {scripts::MDirectLauncherSetting()});
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_EQ(refused.errors, "usage: m-direct NAMESPACE\n");
    }
    EXPECT_FALSE(fs::exists(Dir() / "XDG_DATA_HOME"));
}

// What the terminal shows, read until Text appears or five seconds pass.
std::string ReadUntil(const TPtyPair& Terminal, const std::string& Text)
{
    std::string shown;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!Contains(shown, Text) && std::chrono::steady_clock::now() < deadline)
        shown += Terminal.Receive(1, 100);
    return shown;
}

TEST_F(MDirectScript, AtATerminal_IsGtmsDirectModeInTheControlsMMode)
{
    TPtyPair terminal;
    const int slave = open(terminal.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(slave, 0);
    TProcessSpec spec;
    spec.Program = scripts::ScriptPath("m-direct").string();
    spec.Arguments = {"SISTEMAS"};
    spec.Environment = EnvironmentWith({scripts::MDirectLauncherSetting()});
    spec.Descriptors = {{0, slave}, {1, slave}, {2, slave}};
    const pid_t pid = SpawnProcess(spec);
    close(slave);

    EXPECT_TRUE(Contains(ReadUntil(terminal, "GTM>"), "GTM>"));
    terminal.Write("S ^T=\"t\" W $ZCHSET,\"|\",^T\r");
    EXPECT_TRUE(Contains(ReadUntil(terminal, "M|t"), "M|t"));
    terminal.Write("H\r");
    const std::optional<int> status = WaitForExit(pid, 10s);
    if (!status)
        EndProcess(pid, 0ms);
    EXPECT_EQ(status, std::optional<int>(0));
    EXPECT_TRUE(fs::is_regular_file(DataHome() / "trevask" / "m" / "SISTEMAS" / "mumps.dat"));
}

} // namespace
