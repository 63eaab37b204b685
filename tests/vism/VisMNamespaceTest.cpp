// Namespaces: each its own GT.M database, made on first use; the settings file points one
// at another global directory.
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "VisMFixture.h"
#include "support/ParamNames.h"
#include "vism/ChildProcess.h"

namespace fs = std::filesystem;

namespace {

using VisMNamespace = VisMFixture;

TEST_F(VisMNamespace, FreshDataDirectory_GetsItsDatabaseOnFirstUse)
{
    TVisM& vism = Control("sistemas");
    const fs::path dir = Dir() / "m" / "SISTEMAS";
    EXPECT_FALSE(fs::exists(dir));
    EXPECT_EQ(Run(vism, "S ^T=1 S P1=^T"), "");
    EXPECT_EQ(vism.P1().AsString(), "1");
    EXPECT_TRUE(fs::exists(dir / "mumps.gld"));
    EXPECT_TRUE(fs::exists(dir / "mumps.dat"));
    EXPECT_FALSE(fs::exists(dir / "mumps.gld.new"));
}

TEST_F(VisMNamespace, Database_TakesLongRecordsLongKeysAndEmptySubscripts)
{
    TVisM& vism = Control();
    EXPECT_EQ(Run(vism, "S ^BIG=$J(\"\",1048576),P1=$L(^BIG)"), "");
    EXPECT_EQ(vism.P1().AsString(), "1048576");
    EXPECT_EQ(Run(vism, "S ^K($J(\"\",1000))=1,P1=$D(^K($J(\"\",1000)))"), "");
    EXPECT_EQ(vism.P1().AsString(), "1");
    EXPECT_EQ(Run(vism, "S ^N(\"\")=\"empty\",P1=^N(\"\")"), "");
    EXPECT_EQ(vism.P1().AsString(), "empty");
}

TEST_F(VisMNamespace, Values_AreBytesNotUtf8)
{
    TVisM& vism = Control();
    vism.SetP1(std::string("\xE7\xE3\xFF", 3));
    EXPECT_EQ(Run(vism, "S ^B=P1,P2=$L(^B),P3=$ZCHSET"), "");
    EXPECT_EQ(vism.P2().AsString(), "3");
    EXPECT_EQ(vism.P3().AsString(), "M");
}

TEST_F(VisMNamespace, TwoNamespaces_AreIsolated)
{
    TVisM& one = Control("ONE");
    TVisM& two = Control("TWO");
    ASSERT_EQ(Run(one, "S ^ISO=\"one\""), "");
    ASSERT_EQ(Run(two, "S P1=$D(^ISO)"), "");
    EXPECT_EQ(two.P1().AsString(), "0");
    EXPECT_TRUE(fs::exists(Dir() / "m" / "ONE" / "mumps.dat"));
    EXPECT_TRUE(fs::exists(Dir() / "m" / "TWO" / "mumps.dat"));
}

TEST_F(VisMNamespace, TwoControlsInOneNamespace_SeeEachOthersUpdates)
{
    TVisM& first = Control();
    TVisM& second = Control();
    ASSERT_EQ(Run(first, "S ^SHARED=1"), "");
    ASSERT_EQ(Run(second, "S P1=^SHARED,^SHARED=2"), "");
    EXPECT_EQ(second.P1().AsString(), "1");
    ASSERT_EQ(Run(first, "S P1=^SHARED"), "");
    EXPECT_EQ(first.P1().AsString(), "2");
}

TEST_F(VisMNamespace, SettingsFile_PointsANamespaceAtAnotherGlobalDirectory)
{
    TVisM& origin = Control("ORIGIN");
    ASSERT_EQ(Run(origin, "S ^FROM=\"origin\""), "");
    WriteFile(Dir() / "vism.conf", "# the shared database\n  Alias = m/ORIGIN/mumps.gld  \n");
    TVisM& alias = Control("ALIAS");
    ASSERT_EQ(Run(alias, "S P1=^FROM,P2=$ZGBLDIR"), "");
    EXPECT_EQ(alias.P1().AsString(), "origin");
    EXPECT_EQ(fs::path(alias.P2().AsString()), Dir() / "m" / "ORIGIN" / "mumps.gld");
    EXPECT_FALSE(fs::exists(Dir() / "m" / "ALIAS"));
}

TEST_F(VisMNamespace, SettingsFile_GivesGtcmAddressesToTheServer)
{
    WriteFile(Dir() / "vism.conf", "GTCM_dbhost=127.0.0.1:6789\n");
    TVisM& vism = Control();
    ASSERT_EQ(Run(vism, "S P1=$ZTRNLNM(\"GTCM_dbhost\")"), "");
    EXPECT_EQ(vism.P1().AsString(), "127.0.0.1:6789");
}

TEST_F(VisMNamespace, MissingGlobalDirectory_InTheSettingsFileFiresOnError)
{
    WriteFile(Dir() / "vism.conf", "SISTEMAS=/nonexistent/mumps.gld\n");
    TVisM& vism = Control();
    const std::string error = Run(vism, "S P1=1");
    EXPECT_NE(error.find("/nonexistent/mumps.gld"), std::string::npos) << error;
    EXPECT_EQ(vism.ServerProcessId(), 0);
}

TEST_F(VisMNamespace, UnusableNamespaceName_FiresOnError)
{
    for (const char* name : {"", "../ETC", "A B", "X/Y"}) {
        TVisM& vism = Control(name);
        const std::string error = Run(vism, "S P1=1");
        EXPECT_NE(error.find("Invalid namespace name"), std::string::npos) << name << ": " << error;
    }
    EXPECT_FALSE(fs::exists(Dir() / "m"));
}

// GT.M would read "$HOME" in these paths as the variable: each is refused, naming it,
// before anything is made there.
struct DollarPathCase {
    const char* What;
    std::function<void(TMServerSettings&, const fs::path&)> Place; // puts the path in the settings
};

void PrintTo(const DollarPathCase& Case, std::ostream* Out)
{
    *Out << Case.What;
}

class VisMDollarPath : public VisMFixture, public ::testing::WithParamInterface<DollarPathCase> {};

TEST_P(VisMDollarPath, IsRefusedNamingThePath)
{
    const fs::path dollar = Dir() / "price$HOME";
    TVisM& vism = Control();
    TMServerSettings settings = Settings();
    GetParam().Place(settings, dollar);
    vism.SetServerSettings(settings);
    const std::string error = Run(vism, "S P1=1");
    EXPECT_NE(error.find(dollar.string()), std::string::npos) << error;
    EXPECT_NE(error.find("\"$\""), std::string::npos) << error;
    EXPECT_EQ(vism.ServerProcessId(), 0);
    EXPECT_FALSE(fs::exists(dollar / "SISTEMAS")) << "a database was begun there";
}

INSTANTIATE_TEST_SUITE_P(
    Settings, VisMDollarPath,
    ::testing::Values(DollarPathCase{"DataFolder", [](TMServerSettings& S, const fs::path& P) { S.DataDir = P; }},
                      DollarPathCase{"ObjectFolder", [](TMServerSettings& S, const fs::path& P) { S.ObjectDir = P; }},
                      DollarPathCase{"RoutineFolder",
                                     [](TMServerSettings& S, const fs::path& P) {
                                         fs::create_directories(P);
                                         S.RoutineDirs = {P};
                                     }},
                      DollarPathCase{"GlobalDirectoryOfTheSettingsFile", [](TMServerSettings& S, const fs::path& P) {
                                         fs::create_directories(P);
                                         std::ofstream(P / "x.gld") << "";
                                         std::ofstream(S.SettingsFile) << "SISTEMAS=" << (P / "x.gld").string() << "\n";
                                     }}),
    NamedBy(&DollarPathCase::What));

// GT.M's routine path cannot take these folders: each is refused, naming it, before a
// server starts.
struct RoutinePathCase {
    const char* What;
    std::function<fs::path(TMServerSettings&, const fs::path& Dir)> Place; // the refused folder
};

void PrintTo(const RoutinePathCase& Case, std::ostream* Out)
{
    *Out << Case.What;
}

class VisMRoutinePathRefused : public VisMFixture, public ::testing::WithParamInterface<RoutinePathCase> {};

TEST_P(VisMRoutinePathRefused, NamingTheFolder)
{
    TVisM& vism = Control();
    TMServerSettings settings = Settings();
    const fs::path folder = GetParam().Place(settings, Dir());
    vism.SetServerSettings(settings);
    const std::string error = Run(vism, "S P1=1");
    EXPECT_NE(error.find(folder.string()), std::string::npos) << error;
    EXPECT_EQ(vism.ServerProcessId(), 0);
    EXPECT_EQ(Run(Control(), "S P1=1"), "") << "a folder GT.M takes";
}

fs::path RoutineFolder(TMServerSettings& Settings, const fs::path& Folder)
{
    fs::create_directories(Folder);
    Settings.RoutineDirs = {Folder};
    return Folder;
}

INSTANTIATE_TEST_SUITE_P(
    Folders, VisMRoutinePathRefused,
    ::testing::Values(RoutinePathCase{"RoutineFolderWithParentheses",
                                      [](TMServerSettings& S, const fs::path& D) {
                                          return RoutineFolder(S, D / "routines (old)");
                                      }},
                      RoutinePathCase{"RoutineFolderWithAParenthesis",
                                      [](TMServerSettings& S, const fs::path& D) {
                                          return RoutineFolder(S, D / "routines(old");
                                      }},
                      RoutinePathCase{"ObjectFolderWithParentheses",
                                      [](TMServerSettings& S, const fs::path& D) {
                                          S.ObjectDir = D / "objects(1)";
                                          return S.ObjectDir;
                                      }},
                      RoutinePathCase{"RoutineFolderTooLong",
                                      [](TMServerSettings& S, const fs::path& D) {
                                          return RoutineFolder(S, D / std::string(120, 'r') / std::string(120, 's'));
                                      }}),
    NamedBy(&RoutinePathCase::What));

TEST_F(VisMNamespace, ExtraRoutineDirectory_IsSearchedBeforeTheServersOwn)
{
    WriteFile(RoutineDir() / "TVISMX.m", "TVISMX ;\nV() Q \"mine\"\n");
    TVisM& vism = Control();
    EXPECT_EQ(Run(vism, "$$V^TVISMX"), "");
    EXPECT_EQ(vism.ResultValue().AsString(), "mine");
}

// Two processes making one namespace at once: both get it, neither hangs, and the
// database holds what both wrote.
TEST_F(VisMNamespace, ConcurrentCreationByTwoProcesses_NeitherHangsNorCorrupts)
{
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    const TMServerSettings settings = Settings();
    std::vector<pid_t> children;
    for (int i = 0; i < 2; ++i) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(gate[1]);
            char go;
            if (read(gate[0], &go, 1) != 0)
                _exit(3);
            bool failed = false;
            {
                TVisM vism(nullptr);
                vism.SetServerSettings(settings);
                vism.SetNameSpace("RACE");
                vism.OnError = [&](TObject*) { failed = true; };
                vism.SetCode("S ^C($J)=1");
                vism.SetExecFlag(1);
            }
            _exit(failed ? 1 : 0);
        }
        children.push_back(child);
    }
    close(gate[0]);
    close(gate[1]); // both start together
    for (pid_t child : children) {
        const auto status = WaitForExit(child, std::chrono::seconds(60));
        ASSERT_TRUE(status.has_value()) << "a creating process hangs";
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << DescribeWaitStatus(*status);
    }
    TVisM& vism = Control("RACE");
    ASSERT_EQ(Run(vism, "S P1=0,J=\"\" F  S J=$O(^C(J)) Q:J=\"\"  S P1=P1+1"), "");
    EXPECT_EQ(vism.P1().AsString(), "2");
}

} // namespace
