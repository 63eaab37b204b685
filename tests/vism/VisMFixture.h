#pragma once
// Controls on real GT.M servers whose databases, settings file and extra routines live in
// one temporary directory per test; compiled objects are shared by the tests of the run
// (they hold no data, and compiling the server routine for every test costs time).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "vism/VisM.h"

// A temporary object directory for the whole test run, removed at its end.
std::filesystem::path SharedObjectDir();

// Size bytes of every value but the line feed, the quote among them.
std::string EveryByte(size_t Size);

// Text as an M string literal: in quotes, its quotes doubled.
std::string MStringLiteral(const std::string& Text);

class VisMFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/vism-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        std::filesystem::create_directories(RoutineDir());
    }

    void TearDown() override
    {
        controls_.clear();
        std::filesystem::remove_all(dir_);
    }

    std::filesystem::path Dir() const { return dir_; }
    std::filesystem::path RoutineDir() const { return dir_ / "routines"; }

    // Settings that keep everything of the control inside the test's directory.
    TMServerSettings Settings() const
    {
        TMServerSettings settings = TMServerSettings::FromEnvironment();
        settings.DataDir = dir_ / "m";
        settings.SettingsFile = dir_ / "vism.conf";
        settings.ObjectDir = SharedObjectDir();
        settings.RoutineDirs = {RoutineDir()};
        return settings;
    }

    // A control in NameSpace that records its errors; owned by the fixture.
    TVisM& Control(const std::string& NameSpace = "SISTEMAS")
    {
        controls_.push_back(std::make_unique<TVisM>(nullptr));
        TVisM& control = *controls_.back();
        control.SetServerSettings(Settings());
        control.SetNameSpace(NameSpace);
        control.OnError = [this](TObject* Sender) { errors_.push_back(static_cast<TVisM*>(Sender)->ErrorName()); };
        return control;
    }

    // Destroys a control made by Control (its server ends with it).
    void Destroy(TVisM& Control)
    {
        std::erase_if(controls_, [&](const auto& owned) { return owned.get() == &Control; });
    }

    // The execution sequence: Code, then ExecFlag := 1. The error it fired, or "".
    std::string Run(TVisM& Control, const std::string& Code)
    {
        const size_t before = errors_.size();
        Control.SetCode(Code);
        Control.SetExecFlag(1);
        return errors_.size() > before ? errors_.back() : std::string();
    }

    void WriteFile(const std::filesystem::path& Path, const std::string& Text) const
    {
        std::ofstream(Path, std::ios::binary) << Text;
    }

    const std::vector<std::string>& Errors() const { return errors_; }

private:
    std::filesystem::path dir_;
    std::vector<std::unique_ptr<TVisM>> controls_;
    std::vector<std::string> errors_;
};
