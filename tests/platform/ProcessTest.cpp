// Starting the batch file of the configuration and waiting for it: real files and processes
// in a temporary working directory.
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Process.h"
#include "support/ChildProcess.h"
#include "support/ParamNames.h"
#include "support/TempWorkingDir.h"

namespace fs = std::filesystem;

namespace {

// A shell script (for /bin/sh) that lists $0 and its arguments, one "[...]" line each.
const char* const ListArguments = "for a in \"$0\" \"$@\"; do printf '[%s]\\n' \"$a\"; done > args.txt\n";

class BatchProcess : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.IsValid()); }

    void WriteProgram(const std::string& Name, const std::string& Text, fs::perms Mode)
    {
        WriteFileBytes(dir.Path(Name), Text);
        fs::permissions(dir.Path(Name), Mode);
    }

    TempWorkingDir dir;
};

constexpr fs::perms Executable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec;
constexpr fs::perms ReadOnly = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                               fs::perms::others_read;

TEST_F(BatchProcess, RunsTheScriptAndWaitsForItsEnd)
{
    // Not executable: the shell reads it.
    WriteFileBytes(dir.Path("ibc.bat"), "sleep 0.3\necho done > result.txt\n");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(CreateProcessAndWait(".\\ibc.bat"));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    EXPECT_EQ(ReadFileBytes(dir.Path("result.txt")), "done\n");
}

TEST_F(BatchProcess, RunsInTheWorkingDirectoryWithTheCallersEnvironment)
{
    fs::create_directory(dir.Path("tools"));
    WriteFileBytes(dir.Path("tools/ibc.bat"), "pwd > where.txt\necho \"$TREVASK_PROCESS_TEST\" >> where.txt\n");
    WriteProgram("tools/ibc.pl",
                 "#!/usr/bin/perl\nuse Cwd;\nopen(my $f, '>>', 'where.txt');\nprint $f getcwd(), \"\\n\";\n",
                 Executable);
    ::setenv("TREVASK_PROCESS_TEST", "inherited", 1);
    const bool started = CreateProcessAndWait(".\\tools\\ibc.bat") && CreateProcessAndWait(".\\tools\\ibc.pl");
    ::unsetenv("TREVASK_PROCESS_TEST");
    ASSERT_TRUE(started);
    const std::string here = fs::current_path().string();
    EXPECT_EQ(ReadFileBytes(dir.Path("where.txt")), here + "\ninherited\n" + here + "\n");
}

TEST_F(BatchProcess, StartsEvenWhenTheScriptFails)
{
    WriteFileBytes(dir.Path("fails.bat"), "echo ran > ran.txt\nexit 3\n");
    EXPECT_TRUE(CreateProcessAndWait(".\\fails.bat"));
    EXPECT_EQ(ReadFileBytes(dir.Path("ran.txt")), "ran\n");
}

// An executable file runs itself: its interpreter line holds, whatever the language.
TEST_F(BatchProcess, ExecutableScriptRunsWithItsInterpreterLine)
{
    WriteProgram("ibc.pl", "#!/usr/bin/perl\nopen(my $f, '>', 'perl.txt');\nprint $f join('|', @ARGV), \"\\n\";\n",
                 Executable);
    // Arrays and [[ ]] are bash's own: /bin/sh stops at them.
    WriteProgram("ibc.bash", "#!/bin/bash\nlist=(\"$@\")\n[[ ${#list[@]} -eq 2 ]] && echo \"${list[1]}\" > bash.txt\n",
                 Executable);
    ASSERT_TRUE(CreateProcessAndWait(".\\ibc.pl um dois"));
    ASSERT_TRUE(CreateProcessAndWait(".\\ibc.bash um dois"));
    EXPECT_EQ(ReadFileBytes(dir.Path("perl.txt")), "um|dois\n");
    EXPECT_EQ(ReadFileBytes(dir.Path("bash.txt")), "dois\n");
}

TEST_F(BatchProcess, CompiledProgramRunsWithItsArguments)
{
    fs::copy_file("/usr/bin/touch", dir.Path("ibc"));
    ASSERT_TRUE(CreateProcessAndWait(".\\ibc primeiro.txt segundo.txt"));
    EXPECT_TRUE(fs::is_regular_file(dir.Path("primeiro.txt")));
    EXPECT_TRUE(fs::is_regular_file(dir.Path("segundo.txt")));
}

// Executable text without an interpreter line is no program: the shell reads it.
TEST_F(BatchProcess, ExecutableTextWithoutInterpreterLineGoesToTheShell)
{
    WriteProgram("ibc.sh", ListArguments, Executable);
    ASSERT_TRUE(CreateProcessAndWait(".\\ibc.sh um"));
    EXPECT_EQ(ReadFileBytes(dir.Path("args.txt")), "[./ibc.sh]\n[um]\n");
}

struct LineCase {
    const char* name;
    std::string commandLine;
    std::string arguments; // as listed by ListArguments, $0 first
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << c.commandLine; }

class BatchCommandLine : public BatchProcess, public ::testing::WithParamInterface<LineCase> {};

// The program is the shortest part of the line up to a blank that names a file: a path with
// blanks needs no quotes, and a folder on the way does not count.
TEST_P(BatchCommandLine, FindsTheProgramAndPassesTheRestAsArguments)
{
    fs::create_directory(dir.Path("ibc"));
    fs::create_directory(dir.Path("ibc tools"));
    WriteFileBytes(dir.Path("run.bat"), ListArguments);
    WriteFileBytes(dir.Path("run.bat x"), "echo wrong > args.txt\n");
    WriteFileBytes(dir.Path("ibc tools/run.bat"), ListArguments);
    WriteProgram("exec.sh", std::string("#!/bin/sh\n") + ListArguments, Executable);

    ASSERT_TRUE(CreateProcessAndWait(GetParam().commandLine));
    EXPECT_EQ(ReadFileBytes(dir.Path("args.txt")), GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Process, BatchCommandLine,
    ::testing::Values(LineCase{"NoArguments", ".\\run.bat", "[./run.bat]\n"},
                      LineCase{"Arguments", ".\\run.bat um dois", "[./run.bat]\n[um]\n[dois]\n"},
                      LineCase{"ShortestFileWins", ".\\run.bat x", "[./run.bat]\n[x]\n"},
                      LineCase{"QuotedArgument", ".\\run.bat \"um dois\"  tres", "[./run.bat]\n[um dois]\n[tres]\n"},
                      LineCase{"EscapedQuoteAndBackslashes", ".\\run.bat a\\\"b c\\\\d",
                               "[./run.bat]\n[a\"b]\n[c\\\\d]\n"},
                      LineCase{"EmptyQuotedArgument", ".\\run.bat \"\" x", "[./run.bat]\n[]\n[x]\n"},
                      LineCase{"PathWithBlanksPastAFolder", ".\\ibc tools\\run.bat \"a b\"",
                               "[./ibc tools/run.bat]\n[a b]\n"},
                      LineCase{"ExecutableGetsTheSameArguments", ".\\exec.sh \"um dois\" tres",
                               "[./exec.sh]\n[um dois]\n[tres]\n"}),
    [](const auto& Info) { return std::string(Info.param.name); });

// A path that cannot be started gives false and runs nothing.
TEST_F(BatchProcess, DoesNotStartAMissingFile)
{
    EXPECT_FALSE(CreateProcessAndWait(".\\absent.bat"));
    EXPECT_FALSE(CreateProcessAndWait(".\\absent.bat with arguments"));
    EXPECT_FALSE(CreateProcessAndWait(".\\nodir\\absent.bat"));
    // Quotes do not name a path: the command line never starts with one.
    WriteFileBytes(dir.Path("ibc.bat"), "echo ran > ran.txt\n");
    EXPECT_FALSE(CreateProcessAndWait(".\\\"ibc.bat\""));
    EXPECT_FALSE(fs::exists(dir.Path("ran.txt")));
}

TEST_F(BatchProcess, DoesNotStartADirectory)
{
    fs::create_directory(dir.Path("tools"));
    EXPECT_FALSE(CreateProcessAndWait(".\\tools"));
    EXPECT_FALSE(CreateProcessAndWait(".\\tools argument"));
    EXPECT_FALSE(CreateProcessAndWait(".\\"));
}

TEST_F(BatchProcess, DoesNotStartAnExecutableWhoseInterpreterIsMissing)
{
    WriteProgram("ibc.sh", "#!/nonexistent/interpreter\necho ran > ran.txt\n", Executable);
    EXPECT_FALSE(CreateProcessAndWait(".\\ibc.sh"));
    EXPECT_FALSE(fs::exists(dir.Path("ran.txt")));
}

// A binary file that is no program of this system is not handed to the shell as a script.
TEST_F(BatchProcess, DoesNotStartABinaryFileThatIsNoProgram)
{
    WriteProgram("foreign", std::string("\x7f" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0", 16) + "\ntouch ran.txt\n",
                 Executable);
    fs::copy_file("/usr/bin/touch", dir.Path("ibc.exe"));
    fs::permissions(dir.Path("ibc.exe"), ReadOnly);
    EXPECT_FALSE(CreateProcessAndWait(".\\foreign"));
    EXPECT_FALSE(CreateProcessAndWait(".\\ibc.exe"));
    EXPECT_FALSE(fs::exists(dir.Path("ran.txt")));
}

// Whoever may not read the file cannot have it run. Root reads every file, so a test that runs
// as root checks this as the unprivileged user "nobody", in a child process.
TEST_F(BatchProcess, DoesNotStartAFileItMayNotRead)
{
    WriteFileBytes(dir.Path("ibc.bat"), "echo ran > ran.txt\n");
    fs::permissions(dir.Path("ibc.bat"), fs::perms::owner_write);
    fs::permissions(dir.Path(""), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    const std::string outcome = RunInChild([&] {
        if (const std::string dropped = RunUnprivileged(); !dropped.empty())
            return dropped;
        if (::access(dir.Path("ibc.bat").c_str(), F_OK) != 0 || ::access(dir.Path("ibc.bat").c_str(), R_OK) == 0)
            return std::string("the file should be seen but not readable");
        return CreateProcessAndWait(".\\ibc.bat") ? std::string("started") : std::string();
    });
    EXPECT_EQ(outcome, "");
    EXPECT_FALSE(fs::exists(dir.Path("ran.txt")));
}

// Windows starts the program without inherited handles: only the standard descriptors reach it.
TEST_F(BatchProcess, PassesNoDescriptorButTheStandardOnes)
{
    const int open = ::open(dir.Path("held.txt").c_str(), O_WRONLY | O_CREAT, 0644); // no O_CLOEXEC
    ASSERT_GE(open, 0);
    constexpr int Held = 57;
    ASSERT_EQ(::dup2(open, Held), Held);
    ::close(open);
    WriteFileBytes(dir.Path("ibc.bat"), "for fd in 0 1 2 57; do [ -e /proc/$$/fd/$fd ] && echo $fd; done > fds.txt\n");
    const bool started = CreateProcessAndWait(".\\ibc.bat");
    ::close(Held);
    ASSERT_TRUE(started);
    EXPECT_EQ(ReadFileBytes(dir.Path("fds.txt")), "0\n1\n2\n");
}

// ---- splitting the arguments --------------------------------------------------------------

struct SplitCase {
    std::string text;
    std::vector<std::string> arguments;
};

void PrintTo(const SplitCase& c, std::ostream* out)
{
    *out << Printable(c.text) << " is";
    for (const std::string& argument : c.arguments)
        *out << " " << Printable(argument);
}

class ArgumentSplitting : public ::testing::TestWithParam<SplitCase> {};

TEST_P(ArgumentSplitting, FollowsTheWindowsStartUpRules)
{
    EXPECT_EQ(CommandLineArguments(GetParam().text), GetParam().arguments);
}

using Args = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Process, ArgumentSplitting,
    ::testing::Values(SplitCase{"", Args{}}, SplitCase{"  \t ", Args{}}, SplitCase{"a b\tc", Args{"a", "b", "c"}},
                      SplitCase{"  a   b  ", Args{"a", "b"}}, SplitCase{"\"a b\" c", Args{"a b", "c"}},
                      SplitCase{"x\"a b\"y", Args{"xa by"}}, SplitCase{"\"\"", Args{""}},
                      SplitCase{"a \"\" b", Args{"a", "", "b"}}, SplitCase{"\"a\"\"b\"", Args{"a\"b"}},
                      SplitCase{"\"unclosed quote", Args{"unclosed quote"}}, SplitCase{"a\\\"b", Args{"a\"b"}},
                      SplitCase{"a\\\\\"b c\"", Args{"a\\b c"}}, SplitCase{"a\\\\\\\"b", Args{"a\\\"b"}},
                      SplitCase{"dados\\saida.txt", Args{"dados\\saida.txt"}},
                      SplitCase{"c:\\dir\\\\", Args{"c:\\dir\\\\"}},
                      SplitCase{"\"c:\\dir\\\\\" x", Args{"c:\\dir\\", "x"}},
                      SplitCase{"balan\xe7" "a", Args{"balan\xe7" "a"}}),
    [](const auto& Info) { return TestNameOf(Info.param.text); });

} // namespace
