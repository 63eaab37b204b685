#pragma once
// Files read and replaced whole, so that a reader never sees one half-written, and rewritten
// in place where no new file can stand beside them.
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>

// Writes all of Text to Descriptor, going on after interrupted and partial writes; false
// when a write fails.
bool WriteAll(int Descriptor, const std::string& Text);

// The file's bytes; none when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& Path);

// Writes Text to a new file beside Path and renames it over Path, taking the owner, group
// and mode of Old (the status of the file replaced) when there is one. False, with Path
// unchanged, when any step fails, also where the caller may not give the new file Old's
// owner and group.
bool ReplaceWholeFile(const std::filesystem::path& Path, const std::string& Text, const struct stat* Old);

// Writes Text over the bytes of Path itself, which keeps its inode, owner and mode: for a
// folder that takes no new file. Was holds the file's text before the write; when a write
// fails it is put back, so the file is never left holding part of Text as if it were whole.
// False when any step fails.
bool RewriteWholeFile(const std::filesystem::path& Path, const std::string& Text, const std::string& Was);
