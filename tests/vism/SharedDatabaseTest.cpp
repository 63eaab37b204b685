// Several workstations on one database served over GT.CM: scripts/shared-database on both
// sides, then controls reaching the served database through their settings files, its
// record limit, and a GT.CM server restarted under an open workstation. Everything runs on
// the loopback network with a GT.CM server of the test's own.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "VisMFixture.h"
#include "support/MDirect.h"
#include "support/SharedDatabase.h"
#include "support/TempWorkingDir.h"
#include "vism/ChildProcess.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using shareddb::RunScript;
using shareddb::ScriptResult;

namespace {

// A database file's header fields (sgmnt_data.<name>) as mupip reads them.
std::map<std::string, std::string> Header(const fs::path& Database)
{
    TProcessSpec spec;
    const fs::path dist = TMServerSettings::FromEnvironment().GtmDist;
    spec.Program = (dist / "mupip").string();
    spec.Arguments = {"dumpfhead", "-file", Database.string()};
    // The header is dumped by an M utility routine.
    spec.Environment = EnvironmentWith(
        {"gtm_dist=" + dist.string(), "gtmroutines=" + (dist / "libgtmutil.so").string(), "gtm_chset=M"});
    const TProcessResult result = RunProcess(spec, "", 20s);
    std::map<std::string, std::string> fields;
    const std::string mark = "record(\"sgmnt_data.";
    size_t at = 0;
    while ((at = result.Output.find(mark, at)) != std::string::npos) {
        const size_t nameEnd = result.Output.find("\")=", at);
        const size_t lineEnd = result.Output.find('\n', nameEnd);
        fields[result.Output.substr(at + mark.size(), nameEnd - at - mark.size())] =
            result.Output.substr(nameEnd + 3, lineEnd - nameEnd - 3);
        at = lineEnd;
    }
    return fields;
}

// A database with GT.M's own defaults (short keys, no empty subscripts): Dir/plain.dat and
// its global directory Dir/plain.gld.
fs::path PlainDatabase(const fs::path& Dir)
{
    const fs::path dist = TMServerSettings::FromEnvironment().GtmDist;
    TProcessSpec spec;
    spec.Environment = EnvironmentWith({"gtm_dist=" + dist.string(), "gtmgbldir=" + (Dir / "plain.gld").string(),
                                        "gtmroutines=" + (dist / "libgtmutil.so").string(), "gtm_chset=M"});
    spec.WorkingDirectory = Dir.string();
    spec.Program = (dist / "mumps").string();
    spec.Arguments = {"-run", "GDE"};
    RunProcess(spec, "change -segment DEFAULT -file_name=" + (Dir / "plain.dat").string() + "\nexit\n", 20s);
    spec.Program = (dist / "mupip").string();
    spec.Arguments = {"create"};
    RunProcess(spec, "", 20s);
    return Dir / "plain.dat";
}

int Field(const std::map<std::string, std::string>& Header, const std::string& Name)
{
    const auto found = Header.find(Name);
    return found == Header.end() ? -1 : std::stoi(found->second);
}

bool Contains(const std::string& Text, const std::string& Part)
{
    return Text.find(Part) != std::string::npos;
}

// Every path under Dir, to see that nothing was made.
std::set<fs::path> Tree(const fs::path& Dir)
{
    std::set<fs::path> paths;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(Dir))
        paths.insert(entry.path());
    return paths;
}

// The files of Dir whose names start with Prefix.
std::vector<std::string> FilesStartingWith(const fs::path& Dir, const std::string& Prefix)
{
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(Dir)) {
        if (entry.path().filename().string().rfind(Prefix, 0) == 0)
            names.push_back(entry.path().filename().string());
    }
    return names;
}

// The served database, a first workstation whose settings file is the fixture's own (so
// Control() is on it) and the database machine's own M process on it.
class SharedDatabase : public VisMFixture {
protected:
    void SetUp() override
    {
        VisMFixture::SetUp();
        served_ = std::make_unique<shareddb::TServedDatabase>(Dir() / "server");
        served_->AddWorkstation(Dir());
        local_ = std::make_unique<mdirect::MDatabase>(served_->GlobalDirectory().string());
        m_ = std::make_unique<mdirect::MSession>(*local_);
    }

    void TearDown() override
    {
        VisMFixture::TearDown(); // the controls go first: their servers are GT.CM clients
        m_.reset();
        local_.reset();
        served_.reset();
    }

    shareddb::TServedDatabase& Served() { return *served_; }
    // A line of M run on the database machine; what it wrote.
    std::string M(const std::string& Code) { return m_->Execute(Code); }

    // A control of another workstation, with its own settings file made by the script.
    TVisM& OtherWorkstation(const std::string& Name)
    {
        served_->AddWorkstation(Dir() / Name);
        TVisM& control = Control();
        TMServerSettings settings = control.ServerSettings();
        settings.DataDir = Dir() / Name / "m";
        settings.SettingsFile = Dir() / Name / "vism.conf";
        control.SetServerSettings(settings);
        return control;
    }

    // A namespace's own database, as a control makes it at its first run.
    fs::path OwnDatabase(const std::string& NameSpace)
    {
        EXPECT_EQ(Run(Control(NameSpace), "S ^OWN=1"), "");
        return Dir() / "m" / NameSpace / "mumps.dat";
    }

    // Runs Code; a run still going after a minute has its server killed, so that a hang
    // fails the test (Hung) instead of stopping the whole run. The control must have run
    // before, so that its server is known.
    std::string BoundedRun(TVisM& Control, const std::string& Code, bool& Hung)
    {
        const int pid = Control.ServerProcessId();
        EXPECT_NE(pid, 0);
        std::mutex mutex;
        std::condition_variable finished;
        bool done = false;
        Hung = false;
        std::thread watchdog([&] {
            std::unique_lock lock(mutex);
            if (!finished.wait_for(lock, 60s, [&] { return done; }) && pid != 0) {
                Hung = true;
                kill(pid, SIGKILL);
            }
        });
        const std::string error = Run(Control, Code);
        {
            std::lock_guard lock(mutex);
            done = true;
        }
        finished.notify_one();
        watchdog.join();
        return error;
    }

private:
    std::unique_ptr<shareddb::TServedDatabase> served_;
    std::unique_ptr<mdirect::MDatabase> local_;
    std::unique_ptr<mdirect::MSession> m_;
};

// --- the database machine's side ---------------------------------------------------------------

TEST_F(SharedDatabase, ServerSide_MakesADatabaseWhoseLongestRecordFitsABlock_KeysAndSubscriptsAsTheOwnDatabases)
{
    const auto served = Header(Served().DatabaseFile());
    const auto own = Header(OwnDatabase("OWN"));
    ASSERT_GT(Field(served, "blk_size"), 0);
    // A record: its 4-byte header, the key and the value, in a block after its 16-byte header.
    EXPECT_LE(Field(served, "max_rec_size") + Field(served, "max_key_size") + 4 + 16, Field(served, "blk_size"));
    EXPECT_EQ(Field(served, "max_rec_size"), 31217);
    for (const char* field : {"max_key_size", "null_subs", "std_null_coll", "def_coll"})
        EXPECT_EQ(Field(served, field), Field(own, field)) << field;
    EXPECT_TRUE(fs::is_regular_file(Served().GlobalDirectory()));
    EXPECT_TRUE(Contains(Served().Command(), "gtcm_gnp_server -service=" + std::to_string(Served().Port()) + " "));
}

TEST_F(SharedDatabase, ServerSide_RunAgainWithItsServerStopped_KeepsTheDataAndPrintsTheSameCommand)
{
    M("S ^KEEP=\"kept\"");
    Served().Stop();
    const ScriptResult again =
        RunScript({"server", Served().DatabaseFile().string(), std::to_string(Served().Port())});
    EXPECT_EQ(again.exitCode, 0) << again.errors;
    EXPECT_EQ(again.output, Served().Command() + "\n");
    EXPECT_TRUE(Contains(again.errors, "kept as it is")) << again.errors;
    EXPECT_EQ(M("W ^KEEP"), "kept");
}

// The command printed again would start a server that ends at once and renames the log of
// the one that listens, so the script names that one instead and prints nothing to run.
TEST_F(SharedDatabase, ServerSide_RunAgainWhileItsServerListens_NamesThatServerAndPrintsNoCommand)
{
    M("S ^KEEP=\"kept\"");
    const std::string pid = std::to_string(Served().ServerProcessId());
    const ScriptResult again =
        RunScript({"server", Served().DatabaseFile().string(), std::to_string(Served().Port())});
    EXPECT_EQ(again.exitCode, 0) << again.errors;
    EXPECT_EQ(again.output, "") << "no second server to start";
    EXPECT_TRUE(Contains(again.errors, "The GT.CM server of this database (process " + pid + ")")) << again.errors;
    EXPECT_TRUE(Contains(again.errors, "kill " + pid + "\n")) << again.errors;
    EXPECT_TRUE(shareddb::ProcessRuns(Served().ServerProcessId()));
    EXPECT_EQ(FilesStartingWith(Served().DatabaseFile().parent_path(), "sistemas.gtcm.log"),
              std::vector<std::string>{"sistemas.gtcm.log"});
    EXPECT_EQ(M("W ^KEEP"), "kept");
}

// One GT.CM server serves every database its user can open: a second database on its port
// is made, and that server named.
TEST_F(SharedDatabase, ServerSide_SecondDatabaseOnTheRunningServersPort_IsMadeAndServedByThatServer)
{
    const fs::path second = Dir() / "second" / "other.dat";
    const std::string port = std::to_string(Served().Port());
    const ScriptResult made = RunScript({"server", second.string(), port});
    EXPECT_EQ(made.exitCode, 0) << made.errors;
    EXPECT_EQ(made.output, "") << "no second server to start";
    EXPECT_TRUE(Contains(made.errors, "The GT.CM server process " + std::to_string(Served().ServerProcessId()) +
                                          " (log " + Served().Command().substr(Served().Command().find("-log=") + 5) +
                                          ") serves port " + port + " already"))
        << made.errors;
    EXPECT_TRUE(Contains(made.errors, "this database too")) << made.errors;
    EXPECT_TRUE(fs::is_regular_file(second));

    const ScriptResult workstation =
        RunScript({"workstation", "OTHER", std::string(shareddb::ServerHost) + ":" + port, second.string()},
                  {"TREVASK_DATA_DIR=" + (Dir() / "ws-other").string()});
    EXPECT_EQ(workstation.exitCode, 0) << workstation.errors;
    EXPECT_TRUE(Contains(workstation.errors, "answers")) << workstation.errors;
}

TEST_F(SharedDatabase, ServerSide_PortTakenByAnotherProgram_IsRefusedBeforeAnythingIsMade)
{
    const shareddb::THeldPort held;
    const ScriptResult refused =
        RunScript({"server", (Dir() / "taken" / "x.dat").string(), std::to_string(held.Port())});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(Contains(refused.errors, "TCP port " + std::to_string(held.Port()) +
                                             " is taken by another program (process " + std::to_string(getpid())))
        << refused.errors;
    EXPECT_EQ(refused.output, "");
    EXPECT_FALSE(fs::exists(Dir() / "taken"));
}

// Blanks and quotes split GT.M's command lines, $NAME is read as an environment variable,
// GDE takes paths of limited length, and a folder or a pipe cannot be a file: each is refused
// in one line before anything is made.
TEST_F(SharedDatabase, ServerSide_RefusesPathsGtmCannotTake_BeforeAnythingIsMade)
{
    const std::string dir = Dir().string();
    // 242 bytes: one more than GDE takes with the global directory's .new beside it.
    const std::string tooLong = dir + "/" + std::string(242 - dir.size() - 1 - 4, 'n') + ".dat";
    fs::create_directories(Dir() / "folder" / "x.dat");
    fs::create_directories(Dir() / "gld" / "x.gld");
    fs::create_directories(Dir() / "log" / "x.gtcm.log");
    fs::create_directories(Dir() / "pipe");
    ASSERT_EQ(mkfifo((Dir() / "pipe" / "x.dat").c_str(), 0600), 0);
    struct Case {
        std::string Database;
        std::string Message;
    };
    const std::string characters = "a database path cannot hold blanks, quotes, $ or control characters";
    const std::string notAFile = " is there but is not a file";
    const std::vector<Case> cases = {
        {dir + "/a b/x.dat", characters},
        {dir + "/x y.dat", characters},
        {dir + "/x\ty.dat", characters},
        {dir + "/x\ny.dat", characters},
        {dir + "/$HOME/x.dat", characters},
        {dir + "/x$y.dat", characters},
        {dir + "/x\"y.dat", characters},
        {dir + "/x'y.dat", characters},
        {tooLong, " is 242 bytes long; GT.M takes up to 241"},
        {dir + "/folder/x.dat", dir + "/folder/x.dat" + notAFile},
        {dir + "/gld/x.dat", dir + "/gld/x.gld" + notAFile},
        {dir + "/log/x.dat", dir + "/log/x.gtcm.log" + notAFile},
        {dir + "/pipe/x.dat", dir + "/pipe/x.dat" + notAFile},
    };
    const std::set<fs::path> before = Tree(Dir());
    for (const Case& c : cases) {
        const ScriptResult refused = RunScript({"server", c.Database, "6789"});
        EXPECT_EQ(refused.exitCode, 1) << c.Database;
        EXPECT_TRUE(Contains(refused.errors, c.Message)) << refused.errors;
        EXPECT_EQ(std::count(refused.errors.begin(), refused.errors.end(), '\n'), 1) << refused.errors;
        EXPECT_EQ(refused.output, "") << c.Database;
        EXPECT_EQ(Tree(Dir()), before) << "nothing made for " << c.Database;
    }
}

TEST_F(SharedDatabase, ServerSide_RefusesWhatItCannotServe)
{
    const fs::path own = OwnDatabase("OWN");
    WriteFile(Dir() / "other.gld", "a global directory of something else");
    struct Case {
        std::vector<std::string> Arguments;
        std::string Message;
    };
    const std::vector<Case> cases = {
        {{"server", (Dir() / "x.txt").string(), "6789"}, "must end in .dat"},
        {{"server", (Dir() / "x.dat").string(), "0"}, "the port must be a number from 1 to 65535"},
        {{"server", (Dir() / "x.dat").string(), "65536"}, "the port must be a number from 1 to 65535"},
        {{"server", (Dir() / "x.dat").string(), "http"}, "the port must be a number from 1 to 65535"},
        {{"server", own.string(), "6789"}, "do not fit in its 4096-byte blocks"},
        {{"server", PlainDatabase(Dir()).string(), "6789"}, "has key size 64, empty subscripts 0"},
        {{"server", (Dir() / "other.dat").string(), "6789"}, "other.gld exists but does not name"},
        {{"server", (Dir() / "x.dat").string()}, "usage:"},
        {{"serve", (Dir() / "x.dat").string(), "6789"}, "usage:"},
    };
    for (const Case& c : cases) {
        const ScriptResult refused = RunScript(c.Arguments);
        EXPECT_NE(refused.exitCode, 0) << c.Arguments.at(1);
        EXPECT_TRUE(Contains(refused.errors, c.Message)) << refused.errors;
        EXPECT_EQ(refused.output, "") << "no command to serve it";
    }
    EXPECT_FALSE(fs::exists(Dir() / "x.dat"));
    EXPECT_FALSE(fs::exists(Dir() / "other.dat"));
    TVisM& ownControl = Control("OWN");
    EXPECT_EQ(Run(ownControl, "S P1=^OWN"), "");
    EXPECT_EQ(ownControl.P1().AsString(), "1") << "the refused database is as it was";
}

// --- a workstation's side ----------------------------------------------------------------------

TEST_F(SharedDatabase, WorkstationSide_WritesItsLinesKeepingTheOthers_AndRunAgainChangesNothing)
{
    const fs::path ws = Dir() / "ws";
    fs::create_directories(ws);
    WriteFile(ws / "vism.conf", "# ours\nOTHER=/srv/other.gld\n  sistemas = old.gld  # before\nSistemas=again.gld\n");
    const std::string server = std::string(shareddb::ServerHost) + ":" + std::to_string(Served().Port());
    const std::string gtcm = "GTCM_" + std::string(shareddb::ServerHost) + "=" + server;
    const std::vector<std::string> arguments = {"workstation", "sistemas", server, Served().DatabaseFile().string()};

    const ScriptResult first = RunScript(arguments, {"TREVASK_DATA_DIR=" + ws.string()});
    ASSERT_EQ(first.exitCode, 0) << first.errors;
    EXPECT_EQ(first.output, "SISTEMAS=SISTEMAS.gld\n" + gtcm + "\n");
    EXPECT_EQ(ReadFileBytes((ws / "vism.conf").string()),
              "# ours\nOTHER=/srv/other.gld\nSISTEMAS=SISTEMAS.gld\n" + gtcm + "\n");
    EXPECT_TRUE(fs::is_regular_file(ws / "SISTEMAS.gld"));
    EXPECT_TRUE(Contains(first.errors, "answers")) << first.errors;

    const ScriptResult again = RunScript(arguments, {"TREVASK_DATA_DIR=" + ws.string()});
    EXPECT_EQ(again.exitCode, 0) << again.errors;
    EXPECT_TRUE(Contains(again.errors, "already holds these lines")) << again.errors;
    EXPECT_EQ(ReadFileBytes((ws / "vism.conf").string()),
              "# ours\nOTHER=/srv/other.gld\nSISTEMAS=SISTEMAS.gld\n" + gtcm + "\n");
}

TEST_F(SharedDatabase, WorkstationSide_RefusesWhatItCannotSetUp)
{
    const std::string server = std::string(shareddb::ServerHost) + ":" + std::to_string(Served().Port());
    const std::string database = Served().DatabaseFile().string();
    // GDE takes a segment's HOST:/path up to 245 bytes long: this one has 246.
    const std::string tooLong =
        "/srv/" + std::string(246 - std::strlen(shareddb::ServerHost) - 1 - 5 - 4, 'n') + ".dat";
    struct Case {
        std::vector<std::string> Arguments;
        std::string Message;
        std::vector<std::string> Environment = {};
    };
    const std::vector<Case> cases = {
        {{"workstation", "SIS TEMAS", server, database}, "a namespace holds letters, digits"},
        {{"workstation", "SISTEMAS", "dbserver", database}, "HOST:PORT"},
        {{"workstation", "SISTEMAS", "dbserver:", database}, "HOST:PORT"},
        {{"workstation", "SISTEMAS", "::1:6789", database}, "HOST:PORT"},
        {{"workstation", "SISTEMAS", "dbserver:99999", database}, "the port must be a number"},
        {{"workstation", "SISTEMAS", server, "sistemas.dat"}, "absolute path"},
        {{"workstation", "SISTEMAS", server, "/srv/trevask/sis temas.dat"}, "a database path cannot hold blanks"},
        {{"workstation", "SISTEMAS", server, "/srv/$HOME/sistemas.dat"}, "a database path cannot hold blanks"},
        {{"workstation", "SISTEMAS", server, "/srv/sis\"temas.dat"}, "a database path cannot hold blanks"},
        {{"workstation", "SISTEMAS", server, tooLong}, " is 246 bytes long; GT.M takes up to 245"},
        {{"workstation", "SISTEMAS", server, database}, "must be a number of seconds", {"TREVASK_DATABASE_WAIT=soon"}},
        {{"workstation", "SISTEMAS", server}, "usage:"},
    };
    const fs::path ws = Dir() / "refused";
    for (const Case& c : cases) {
        std::vector<std::string> environment = c.Environment;
        environment.push_back("TREVASK_DATA_DIR=" + ws.string());
        const ScriptResult refused = RunScript(c.Arguments, environment);
        EXPECT_NE(refused.exitCode, 0) << c.Arguments.back();
        EXPECT_TRUE(Contains(refused.errors, c.Message)) << refused.errors;
    }
    EXPECT_FALSE(fs::exists(ws)) << "nothing written";

    const fs::path folder = Dir() / "folder";
    fs::create_directories(folder / "SISTEMAS.gld");
    const ScriptResult refused =
        RunScript({"workstation", "SISTEMAS", server, database}, {"TREVASK_DATA_DIR=" + folder.string()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(Contains(refused.errors, (folder / "SISTEMAS.gld").string() + " is there but is not a file"))
        << refused.errors;
    EXPECT_FALSE(fs::exists(folder / "vism.conf")) << "nothing written";
}

// The lines are written, and the script says why the database does not answer: nothing
// listens on the port; or the server is reached but the database has records longer than a
// block (a namespace's own database), which GT.CM workstations cannot use.
TEST_F(SharedDatabase, WorkstationSide_SaysWhyTheDatabaseDoesNotAnswer)
{
    struct Case {
        std::string Server;
        std::string Database;
        std::string Message;
    };
    const std::string host = shareddb::ServerHost;
    const std::vector<Case> cases = {
        {host + ":1", Served().DatabaseFile().string(), "Connection refused"},
        {host + ":" + std::to_string(Served().Port()), OwnDatabase("OWN").string(), "does not support spanning nodes"},
    };
    for (const Case& c : cases) {
        const fs::path ws = Dir() / ("ws-" + std::to_string(&c - cases.data()));
        const ScriptResult result = RunScript({"workstation", "SISTEMAS", c.Server, c.Database},
                                              {"TREVASK_DATA_DIR=" + ws.string()});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(Contains(result.errors, "the database does not answer")) << result.errors;
        EXPECT_TRUE(Contains(result.errors, c.Message)) << result.errors;
        EXPECT_TRUE(Contains(ReadFileBytes((ws / "vism.conf").string()), "SISTEMAS=SISTEMAS.gld\n"));
    }
}

TEST_F(SharedDatabase, MDirectOnAWorkstation_EntersTheTerminalInTheServedDatabaseOverGtcm)
{
    const ScriptResult entered = scripts::RunMDirect(
        "SISTEMAS", "S ^CCTTGA955(1,\"BAL01\")=\"Expedi\"_$C(231,227)_\"o\"\nW $V(\"GVFILE\",\"DEFAULT\")\n",
        {"TREVASK_DATA_DIR=" + Dir().string()});
    ASSERT_EQ(entered.exitCode, 0) << entered.errors;
    EXPECT_EQ(entered.output, std::string(shareddb::ServerHost) + ":" + Served().DatabaseFile().string() + "\n");
    EXPECT_EQ(M("W ^CCTTGA955(1,\"BAL01\")"), "Expedi\xE7\xE3o");
    EXPECT_FALSE(fs::exists(Dir() / "m" / "SISTEMAS"));
}

// A server that takes the connection but never answers (stopped here, hung or cut off in
// life) holds the check until its wait ends, which the script then names as the reason.
TEST_F(SharedDatabase, WorkstationSide_ServerStopsAnswering_SaysSoWhenItsWaitEnds)
{
    const pid_t server = Served().ServerProcessId();
    ASSERT_EQ(kill(server, SIGSTOP), 0);
    const ScriptResult result = RunScript(
        {"workstation", "SISTEMAS", std::string(shareddb::ServerHost) + ":" + std::to_string(Served().Port()),
         Served().DatabaseFile().string()},
        {"TREVASK_DATA_DIR=" + (Dir() / "ws").string(), "TREVASK_DATABASE_WAIT=2"});
    kill(server, SIGCONT);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(Contains(result.errors, "the database does not answer within 2 s")) << result.errors;
    EXPECT_TRUE(Contains(result.errors, "stopped or hung")) << result.errors;
    EXPECT_FALSE(Contains(result.errors, "%GTM-")) << result.errors;
}

// GT.M opens a database whose host is one of this machine's own names itself, not through
// the GT.CM server, with its user's rights on the file. Here the file is missing (the tests
// may run as root, who can open any); for another user than the database's the answer is
// the same DBFILERR with "Permission denied".
TEST_F(SharedDatabase, WorkstationSide_HostIsThisMachine_SaysGtmOpensTheFileItself)
{
    const std::string port = std::to_string(Served().Port());
    const ScriptResult result =
        RunScript({"workstation", "SISTEMAS", "localhost:" + port, (Dir() / "server" / "absent.dat").string()},
                  {"TREVASK_DATA_DIR=" + (Dir() / "ws").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(Contains(result.errors, "%GTM-E-DBFILERR")) << result.errors;
    EXPECT_TRUE(Contains(result.errors, "GT.M takes localhost for this machine")) << result.errors;
    EXPECT_TRUE(Contains(result.errors, "such as 127.0.0.2:" + port)) << result.errors;
    EXPECT_FALSE(Contains(result.errors, "Is the GT.CM server running")) << result.errors;
}

// --- controls on the served database -----------------------------------------------------------

TEST_F(SharedDatabase, TwoWorkstations_ShareTheDatabaseOverGtcm_KeysAndEmptySubscriptsAsOnTheirOwn)
{
    TVisM& first = Control();
    TVisM& second = OtherWorkstation("ws2");
    ASSERT_EQ(Run(first, "S ^SHARED(\"\")=\"from the first\",^SHARED($J(\"k\",1000))=1"), "");
    ASSERT_EQ(Run(first, "S P1=$V(\"GVFILE\",\"DEFAULT\")"), "");
    EXPECT_EQ(first.P1().AsString(), std::string(shareddb::ServerHost) + ":" + Served().DatabaseFile().string())
        << "the database is reached over GT.CM";
    ASSERT_EQ(Run(second, "S P1=^SHARED(\"\"),P2=$D(^SHARED($J(\"k\",1000))),^SHARED(\"\")=\"from the second\""), "");
    EXPECT_EQ(second.P1().AsString(), "from the first");
    EXPECT_EQ(second.P2().AsString(), "1");
    EXPECT_EQ(M("W ^SHARED(\"\")"), "from the second");
    EXPECT_TRUE(Errors().empty());
}

TEST_F(SharedDatabase, ValueBeyondTheRecordLimit_FiresOnErrorWithGtmsMessage_AndTheControlGoesOn)
{
    TVisM& vism = Control();
    ASSERT_EQ(Run(vism, "S ^V=\"before\""), "");
    vism.SetP1(std::string(31000, 'v'));
    EXPECT_EQ(Run(vism, "S ^FITS=P1,P2=$L(^FITS)"), "");
    EXPECT_EQ(vism.P2().AsString(), "31000");
    for (const size_t length : {size_t{31217}, size_t{40000}, size_t{1048576}}) {
        vism.SetP1(std::string(length, 'v'));
        const std::string error = Run(vism, "S ^V=P1");
        EXPECT_TRUE(Contains(error, "%GTM-E-REC2BIG")) << length << ": " << error;
        EXPECT_TRUE(Contains(error, "maximum (31217)")) << error;
        EXPECT_EQ(Run(vism, "S P2=^V"), "") << "the next run works";
        EXPECT_EQ(vism.P2().AsString(), "before");
    }
}

// A GT.CM server that ends cancels the locks it held for the workstations. A run while it
// is away fails through OnError; once it is back, a run may still report the broken
// connection, and the next one works again. No run may hang.
TEST_F(SharedDatabase, GtcmServerRestartedUnderAnOpenWorkstation_RunsFailThroughOnErrorThenWorkAgain)
{
    TVisM& first = Control();
    TVisM& second = OtherWorkstation("ws2");
    ASSERT_EQ(Run(first, "S ^R=1 L +^R(1):0 S P1=$T"), "");
    ASSERT_EQ(first.P1().AsString(), "1");
    ASSERT_EQ(Run(second, "L +^R(1):0 S P1=$T"), "");
    ASSERT_EQ(second.P1().AsString(), "0");

    Served().Stop();
    bool hung = false;
    const std::string away = BoundedRun(first, "S P1=^R", hung);
    EXPECT_FALSE(hung) << "a run with the server away hung";
    EXPECT_TRUE(Contains(away, "%GTM-E-")) << away;

    Served().Start();
    const std::string back = BoundedRun(first, "S P1=^R", hung);
    EXPECT_FALSE(hung) << "the first run after the restart hung";
    EXPECT_TRUE(back.empty() || Contains(back, "%GTM-E-")) << back;
    EXPECT_EQ(BoundedRun(first, "S ^R=2,P1=^R", hung), "");
    EXPECT_FALSE(hung);
    EXPECT_EQ(first.P1().AsString(), "2");

    // The first workstation's lock went with the server it was held by.
    const std::string secondBack = BoundedRun(second, "S P1=$D(^R)", hung);
    EXPECT_TRUE(secondBack.empty() || Contains(secondBack, "%GTM-E-")) << secondBack;
    EXPECT_EQ(BoundedRun(second, "L +^R(1):0 S P1=$T,P2=^R", hung), "");
    EXPECT_EQ(second.P1().AsString(), "1");
    EXPECT_EQ(second.P2().AsString(), "2");
}

} // namespace
