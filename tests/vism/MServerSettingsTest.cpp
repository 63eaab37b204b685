// Where a control's server looks for things, from the environment and the settings file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "vism/MServerError.h"
#include "vism/MServerSettings.h"

namespace fs = std::filesystem;

namespace {

// Sets environment variables for a test and puts the old values back.
class EnvironmentGuard {
public:
    void Set(const char* Name, const char* Value)
    {
        if (!saved_.count(Name)) {
            const char* old = std::getenv(Name);
            saved_[Name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (Value)
            setenv(Name, Value, 1);
        else
            unsetenv(Name);
    }
    ~EnvironmentGuard()
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST(MServerSettings, TrevaskDataDir_HoldsDataSettingsAndObjects)
{
    EnvironmentGuard environment;
    environment.Set("TREVASK_DATA_DIR", "/tmp/sandbox");
    environment.Set("TREVASK_M_ROUTINES", "/tmp/r1::/tmp/r2");
    const TMServerSettings settings = TMServerSettings::FromEnvironment();
    EXPECT_EQ(settings.DataDir, fs::path("/tmp/sandbox/m"));
    EXPECT_EQ(settings.SettingsFile, fs::path("/tmp/sandbox/vism.conf"));
    EXPECT_EQ(settings.ObjectDir, fs::path("/tmp/sandbox/m-objects"));
    EXPECT_EQ(settings.RoutineDirs, (std::vector<fs::path>{"/tmp/r1", "/tmp/r2"}));
}

TEST(MServerSettings, WithoutOverrides_FollowTheXdgDirectories)
{
    EnvironmentGuard environment;
    environment.Set("TREVASK_DATA_DIR", nullptr);
    environment.Set("TREVASK_M_ROUTINES", nullptr);
    environment.Set("HOME", "/home/someone");
    environment.Set("XDG_DATA_HOME", "/xdg/data");
    environment.Set("XDG_CONFIG_HOME", "relative/is/ignored");
    environment.Set("XDG_CACHE_HOME", nullptr);
    const TMServerSettings settings = TMServerSettings::FromEnvironment();
    EXPECT_EQ(settings.DataDir, fs::path("/xdg/data/trevask/m"));
    EXPECT_EQ(settings.SettingsFile, fs::path("/home/someone/.config/trevask/vism.conf"));
    EXPECT_EQ(settings.ObjectDir, fs::path("/home/someone/.cache/trevask/m-objects"));
    EXPECT_TRUE(settings.RoutineDirs.empty());
}

TEST(MServerSettings, ServerRoutines_AreFoundWithTheServerRoutine)
{
    EnvironmentGuard environment;
    environment.Set("TREVASK_VISM_ROUTINES", nullptr);
    const TMServerSettings settings = TMServerSettings::FromEnvironment();
    EXPECT_TRUE(fs::exists(settings.ServerRoutineDir / "TRVSRV.m")) << settings.ServerRoutineDir;
    environment.Set("TREVASK_VISM_ROUTINES", "/opt/elsewhere");
    EXPECT_EQ(TMServerSettings::FromEnvironment().ServerRoutineDir, fs::path("/opt/elsewhere"));
}

TEST(MServerSettings, NamespaceNames_AreUpperCasedAndChecked)
{
    EXPECT_EQ(NamespaceKey("Sistemas"), "SISTEMAS");
    EXPECT_EQ(NamespaceKey("%SYS-2_b"), "%SYS-2_B");
    for (const char* name : {"", ".", "..", "a/b", "a b", "a.b", "ç"})
        EXPECT_THROW(NamespaceKey(name), EMServer) << name;
}

class NamespaceLocation : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vism-settings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        settings_.DataDir = dir_ / "m";
        settings_.SettingsFile = dir_ / "vism.conf";
    }
    void TearDown() override { fs::remove_all(dir_); }
    void WriteSettings(const std::string& Text) { std::ofstream(settings_.SettingsFile) << Text; }

    fs::path dir_;
    TMServerSettings settings_;
};

TEST_F(NamespaceLocation, WithoutSettingsFile_IsTheNamespacesOwnDatabase)
{
    const TMNamespaceLocation location = LocateNamespace(settings_, "sistemas");
    EXPECT_EQ(location.OwnDatabaseDir, dir_ / "m" / "SISTEMAS");
    EXPECT_EQ(location.GlobalDirectory, dir_ / "m" / "SISTEMAS" / "mumps.gld");
    EXPECT_TRUE(location.Environment.empty());
}

TEST_F(NamespaceLocation, SettingsLine_NamesAnotherGlobalDirectory)
{
    std::ofstream(dir_ / "remote.gld") << "x";
    WriteSettings("# comment\nOTHER=/nowhere.gld\nsistemas = " + (dir_ / "remote.gld").string() +
                  "   # the server's\nGTCM_dbhost = 10.0.0.5:6789\nnot a line\n");
    const TMNamespaceLocation location = LocateNamespace(settings_, "SISTEMAS");
    EXPECT_EQ(location.GlobalDirectory, dir_ / "remote.gld");
    EXPECT_TRUE(location.OwnDatabaseDir.empty());
    EXPECT_EQ(location.Environment, std::vector<std::string>{"GTCM_dbhost=10.0.0.5:6789"});
    EXPECT_THROW(LocateNamespace(settings_, "OTHER"), EMServer);
}

TEST_F(NamespaceLocation, ByteOrderMarkBeforeTheFirstLine_IsNotPartOfIt)
{
    std::ofstream(dir_ / "remote.gld") << "x";
    WriteSettings("\xEF\xBB\xBFSISTEMAS=" + (dir_ / "remote.gld").string() + "\n");
    EXPECT_EQ(LocateNamespace(settings_, "SISTEMAS").GlobalDirectory, dir_ / "remote.gld");
}

} // namespace
