// Starting the batch file of the configuration and waiting for it.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include "platform/Process.h"
#include "support/TempWorkingDir.h"

namespace {

class BatchProcess : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.IsValid()); }

    TempWorkingDir dir;
};

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
    std::filesystem::create_directory(dir.Path("tools"));
    WriteFileBytes(dir.Path("tools/ibc.bat"), "pwd > where.txt\necho \"$TREVASK_PROCESS_TEST\" >> where.txt\n");
    ::setenv("TREVASK_PROCESS_TEST", "inherited", 1);
    const bool started = CreateProcessAndWait(".\\tools\\ibc.bat");
    ::unsetenv("TREVASK_PROCESS_TEST");
    ASSERT_TRUE(started);
    const std::string here = std::filesystem::current_path().string();
    EXPECT_EQ(ReadFileBytes(dir.Path("where.txt")), here + "\ninherited\n");
}

TEST_F(BatchProcess, StartsEvenWhenTheScriptFails)
{
    WriteFileBytes(dir.Path("fails.bat"), "echo ran > ran.txt\nexit 3\n");
    EXPECT_TRUE(CreateProcessAndWait(".\\fails.bat"));
    EXPECT_EQ(ReadFileBytes(dir.Path("ran.txt")), "ran\n");
}

TEST_F(BatchProcess, DoesNotStartAMissingFile)
{
    EXPECT_FALSE(CreateProcessAndWait(".\\absent.bat"));
    EXPECT_FALSE(CreateProcessAndWait(".\\nodir\\absent.bat"));
}

TEST_F(BatchProcess, DoesNotStartADirectory)
{
    std::filesystem::create_directory(dir.Path("tools"));
    EXPECT_FALSE(CreateProcessAndWait(".\\tools"));
    EXPECT_FALSE(CreateProcessAndWait(".\\"));
}

} // namespace
