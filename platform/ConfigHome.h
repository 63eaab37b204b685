#pragma once
// The user's XDG base folders, where the program keeps its settings and data.
#include <filesystem>
#include <string>

// An XDG base folder: $Variable when it holds an absolute path, else HomeRelative under
// $HOME (the home of the user's account when HOME is unset or empty).
std::filesystem::path XdgBaseDir(const char* Variable, const char* HomeRelative);

// The user's configuration folder: $XDG_CONFIG_HOME, else $HOME/.config.
std::filesystem::path ConfigHome();

// Where the program's settings file Name stands: <TREVASK_DATA_DIR>/Name when that
// variable is set, else ConfigHome()/trevask/Name.
std::filesystem::path SettingsFilePath(const char* Name);

// A settings file's first line without the UTF-8 byte-order mark some editors save before
// it; any other line as it stands.
std::string WithoutByteOrderMark(const std::string& Line, int LineNumber);
