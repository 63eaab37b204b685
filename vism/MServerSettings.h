#pragma once
// Where a control's M server finds GT.M, the namespaces' databases, the control's
// settings file and the M routines (README, "M database").
#include <filesystem>
#include <string>
#include <vector>

struct TMServerSettings {
    std::filesystem::path GtmDist;          // GT.M's distribution directory (mumps, mupip)
    std::filesystem::path DataDir;          // a namespace's own database: DataDir/<NAMESPACE>/
    std::filesystem::path SettingsFile;     // lines NAMESPACE=/abs/file.gld
    std::filesystem::path ObjectDir;        // compiled routines, a subdirectory per source dir
    std::vector<std::filesystem::path> RoutineDirs; // searched first, in order
    std::filesystem::path ServerRoutineDir; // TRVSRV and the binding library's routines

    // TREVASK_DATA_DIR=<root> puts databases in <root>/m, the settings file at
    // <root>/vism.conf and objects in <root>/m-objects; otherwise they follow
    // XDG_DATA_HOME, XDG_CONFIG_HOME and XDG_CACHE_HOME. TREVASK_M_ROUTINES adds routine
    // directories (':'-separated); TREVASK_VISM_ROUTINES replaces the server's own;
    // gtm_dist names GT.M when it is not in its Debian place.
    static TMServerSettings FromEnvironment();
};

// Where one namespace's globals live.
struct TMNamespaceLocation {
    std::filesystem::path GlobalDirectory;
    std::filesystem::path OwnDatabaseDir;  // empty unless the database is ours to create
    std::vector<std::string> Environment;  // NAME=value for the server (GTCM_<host> entries)
};

// The namespace's name as its directory and settings key carry it: upper case. Raises
// EMServer for a name that cannot be a namespace (empty, or other than letters, digits,
// '%', '_' and '-').
std::string NamespaceKey(const std::string& NameSpace);

// Reads the settings file: a NAMESPACE=file.gld line names another global directory
// (relative paths from the file's folder); lines GTCM_<host>=address:port go to the
// server's environment; '#' starts a comment. Without a line the namespace gets its own
// database under DataDir.
TMNamespaceLocation LocateNamespace(const TMServerSettings& Settings, const std::string& NameSpace);

// The gtmroutines value, objdir(srcdir) per routine directory with GT.M's utilities last;
// creates the object directories.
std::string RoutinePath(const TMServerSettings& Settings);
