#pragma once
// The user's configuration folder: $XDG_CONFIG_HOME when it holds an absolute path, else
// $HOME/.config (the home of the user's account when HOME is unset).
#include <filesystem>

std::filesystem::path ConfigHome();
