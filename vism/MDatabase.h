#pragma once
// A namespace's own GT.M database, created on first use.
#include <filesystem>

#include "vism/MServerSettings.h"

// Makes sure Dir holds the namespace's global directory mumps.gld and its database
// mumps.dat, creating both when missing: keys up to 1019 bytes, records up to 1 MB,
// empty subscripts allowed. Processes creating one namespace at once take turns on an
// flock of Dir/create.lock; the global directory appears only when the database exists,
// so a half-made namespace is made again. Raises EMServer when it cannot (or times out).
void EnsureNamespaceDatabase(const TMServerSettings& Settings, const std::filesystem::path& Dir);
