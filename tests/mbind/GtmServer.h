#pragma once
// Helpers of the tests on the real server control and GT.M: server settings whose files
// lie in a test's temporary directory, a server control on the namespace "SISTEMAS" that
// records its errors, and a fixture whose namespace the first server run makes.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/MDirect.h"
#include "support/TempWorkingDir.h"
#include "vism/MServerSettings.h"
#include "vism/VisM.h"

// Data and settings file under Root, objects in ObjectDir, no routines of the test's own.
inline TMServerSettings SettingsUnder(const std::filesystem::path& Root, const std::filesystem::path& ObjectDir)
{
    TMServerSettings settings = TMServerSettings::FromEnvironment();
    settings.DataDir = Root / "m";
    settings.SettingsFile = Root / "vism.conf";
    settings.ObjectDir = ObjectDir;
    settings.RoutineDirs = {};
    return settings;
}

// The same, with the namespace "SISTEMAS" named to be the test's database Db.
inline TMServerSettings SettingsOnDatabase(const mdirect::MDatabase& Db, const std::filesystem::path& Root,
                                           const std::filesystem::path& ObjectDir)
{
    WriteFileBytes((Root / "vism.conf").string(), "SISTEMAS=" + Db.GlobalDirectory() + "\n");
    return SettingsUnder(Root, ObjectDir);
}

// Points VisM at the namespace "SISTEMAS" under Settings; each server error's name is
// added to Errors.
inline void UseTestNamespace(TVisM& VisM, const TMServerSettings& Settings, std::vector<std::string>& Errors)
{
    VisM.SetServerSettings(Settings);
    VisM.SetNameSpace("SISTEMAS");
    VisM.OnError = [&VisM, &Errors](TObject*) { Errors.push_back(VisM.ErrorName()); };
}

// How a test makes a run fail: the workstation's server is killed, or the code raises an M
// error. By name in the names and printouts of parameterised tests.
enum class RunFailure { ServerKilled, MError };

inline const char* RunFailureText(RunFailure Failure)
{
    return Failure == RunFailure::ServerKilled ? "ServerKilled" : "MError";
}

inline void PrintTo(RunFailure Failure, std::ostream* Out) { *Out << RunFailureText(Failure); }

inline std::string RunFailureName(const ::testing::TestParamInfo<RunFailure>& Info)
{
    return RunFailureText(Info.param);
}

// A throw-away database and a temporary directory for the server's files; the test is
// skipped where GT.M is not installed. A fixture's own SetUp calls this one first and
// stops when it skipped or failed.
class TestDatabaseGtm : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (mdirect::GtmDist().empty())
            GTEST_SKIP() << "GT.M is not installed";
        ASSERT_TRUE(dir_.isValid());
        db_ = std::make_unique<mdirect::MDatabase>();
    }

    bool Stopped() const { return IsSkipped() || HasFatalFailure(); }
    std::filesystem::path Root() const { return dir_.path().toStdString(); }

    QTemporaryDir dir_;
    std::unique_ptr<mdirect::MDatabase> db_;
};

// Settings in a temporary directory, whose namespace the server makes on its first run,
// and an M process of the test's own on that namespace's database.
class ServerMadeNamespaceGtm : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        const std::filesystem::path root = dir_.path().toStdString();
        settings_ = SettingsUnder(root, root / "m-objects");
    }

    // The test's own M process, made after First's first run has made the namespace.
    template <class Workstation>
    mdirect::MSession& M(Workstation& First)
    {
        if (!session_) {
            First.vism.SetCode("S P0=1");
            First.vism.SetExecFlag(1);
            database_ = std::make_unique<mdirect::MDatabase>(
                LocateNamespace(settings_, "SISTEMAS").GlobalDirectory.string());
            session_ = std::make_unique<mdirect::MSession>(*database_);
        }
        return *session_;
    }

    QTemporaryDir dir_;
    TMServerSettings settings_;
    std::unique_ptr<mdirect::MDatabase> database_;
    std::unique_ptr<mdirect::MSession> session_;
};
