#pragma once
// The administrator scripts of scripts/, run as an administrator runs them.
#include <filesystem>
#include <string>
#include <vector>

namespace scripts {

struct ScriptResult {
    int exitCode = -1;  // -1 when it was killed at its time-out
    std::string output; // standard output
    std::string errors; // standard error
};

// scripts/<Name> in the source tree the tests were built from.
std::filesystem::path ScriptPath(const std::string& Name);

// Runs scripts/<Name> with Arguments and Input on its standard input; Environment entries
// (NAME=value) are added to ours.
ScriptResult RunScript(const std::string& Name, const std::vector<std::string>& Arguments,
                       const std::vector<std::string>& Environment = {}, const std::string& Input = {});

// The setting (TREVASK_M_DIRECT=...) that has scripts/m-direct run this build tree's
// launcher instead of building one.
std::string MDirectLauncherSetting();

// Runs scripts/m-direct NameSpace with Lines piped in, on this build tree's launcher.
ScriptResult RunMDirect(const std::string& NameSpace, const std::string& Lines,
                        const std::vector<std::string>& Environment = {});

} // namespace scripts
