#pragma once
// The user's XDG base folders, where the program keeps its settings and data.
#include <filesystem>

// An XDG base folder: $Variable when it holds an absolute path, else HomeRelative under
// $HOME (the home of the user's account when HOME is unset or empty).
std::filesystem::path XdgBaseDir(const char* Variable, const char* HomeRelative);

// The user's configuration folder: $XDG_CONFIG_HOME, else $HOME/.config.
std::filesystem::path ConfigHome();
