#pragma once
// Files read and replaced whole, so that a reader never sees one half-written.
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>

// The file's bytes; none when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& Path);

// Writes Text to a new file beside Path and renames it over Path, taking the mode and owner
// of Old (the status of the file replaced) when there is one. False, with Path unchanged,
// when any step fails.
bool ReplaceWholeFile(const std::filesystem::path& Path, const std::string& Text, const struct stat* Old);
