#include "vism/MServerSettings.h"

#include <glob.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>

#include "platform/ConfigHome.h"
#include "vism/MServerError.h"

namespace fs = std::filesystem;

namespace {

std::string Environment(const char* Name)
{
    const char* value = std::getenv(Name);
    return value == nullptr ? std::string() : std::string(value);
}

bool HasFile(const fs::path& Dir, const char* Name)
{
    std::error_code error;
    return !Dir.empty() && fs::is_regular_file(Dir / Name, error);
}

fs::path FindGtmDist()
{
    const fs::path named = Environment("gtm_dist");
    if (HasFile(named, "mumps"))
        return named;
    // Debian installs each version in its own folder; the newest sorts last.
    std::vector<std::string> found;
    for (const char* pattern : {"/usr/lib/*/fis-gtm/*/mumps", "/usr/lib/fis-gtm/*/mumps", "/opt/fis-gtm/*/mumps"}) {
        glob_t matches{};
        if (glob(pattern, 0, nullptr, &matches) == 0) {
            for (size_t i = 0; i < matches.gl_pathc; ++i)
                found.emplace_back(matches.gl_pathv[i]);
        }
        globfree(&matches);
    }
    if (found.empty())
        return {};
    return fs::path(*std::max_element(found.begin(), found.end())).parent_path();
}

fs::path ProgramDir()
{
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : program.parent_path();
}

// The installed copy beside the program wins over the source tree it was built from.
fs::path FindServerRoutineDir()
{
    const fs::path named = Environment("TREVASK_VISM_ROUTINES");
    if (!named.empty())
        return named;
    const fs::path installed = ProgramDir().parent_path() / "share" / "trevask" / "m";
    if (HasFile(installed, "TRVSRV.m"))
        return installed;
    return TREVASK_VISM_SOURCE_DIR;
}

std::vector<fs::path> SplitPathList(const std::string& List)
{
    std::vector<fs::path> dirs;
    size_t start = 0;
    while (start <= List.size()) {
        const size_t end = std::min(List.find(':', start), List.size());
        if (end > start)
            dirs.emplace_back(List.substr(start, end - start));
        start = end + 1;
    }
    return dirs;
}

std::string TrimBlanks(const std::string& Text)
{
    const size_t first = Text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const size_t last = Text.find_last_not_of(" \t\r");
    return Text.substr(first, last - first + 1);
}

std::string UpperCase(std::string Text)
{
    for (char& c : Text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return Text;
}

// A stable name for a source directory's objects: FNV-1a of its absolute path.
std::string ObjectSubdirName(const fs::path& SourceDir)
{
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : SourceDir.string()) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return SourceDir.filename().string() + "-" + Format("%016llx", static_cast<unsigned long long>(hash));
}

// GT.M reads "$name" in a file or folder name as an environment variable, in a global
// directory's database file name and in the routine path alike.
void RefuseDollar(const fs::path& Path, const std::string& What)
{
    if (Path.string().find('$') != std::string::npos)
        throw EMServer(What + " " + Path.string() +
                       " holds \"$\", which GT.M takes for an environment variable: use a path without \"$\"");
}

// GT.M's routine path separates its folders by spaces and groups source folders in
// parentheses, and takes file names of at most 255 bytes: a folder must leave room for the
// longest routine's file ("/" and 31 characters and ".m" or ".o").
void RefuseInRoutinePath(const fs::path& Path, const std::string& What)
{
    constexpr size_t LongestFolder = 255 - 34;
    const std::string text = Path.string();
    if (text.find_first_of(" ()") != std::string::npos)
        throw EMServer(What + " " + text + " holds a space or a parenthesis, which GT.M's routine path cannot take: " +
                       "use a path without them");
    if (text.size() > LongestFolder)
        throw EMServer(Format("%s %s is %zu bytes long; GT.M's routine path takes folders of at most %zu", What.c_str(),
                              text.c_str(), text.size(), LongestFolder));
    RefuseDollar(Path, What);
}

} // namespace

TMServerSettings TMServerSettings::FromEnvironment()
{
    TMServerSettings settings;
    settings.GtmDist = FindGtmDist();
    const fs::path root = Environment("TREVASK_DATA_DIR");
    if (!root.empty()) {
        settings.DataDir = root / "m";
        settings.ObjectDir = root / "m-objects";
    } else {
        settings.DataDir = XdgBaseDir("XDG_DATA_HOME", ".local/share") / "trevask" / "m";
        settings.ObjectDir = XdgBaseDir("XDG_CACHE_HOME", ".cache") / "trevask" / "m-objects";
    }
    settings.SettingsFile = SettingsFilePath("vism.conf");
    settings.RoutineDirs = SplitPathList(Environment("TREVASK_M_ROUTINES"));
    settings.ServerRoutineDir = FindServerRoutineDir();
    return settings;
}

std::string NamespaceKey(const std::string& NameSpace)
{
    const bool valid = !NameSpace.empty() && std::all_of(NameSpace.begin(), NameSpace.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '%' || c == '_' || c == '-';
    });
    if (!valid)
        throw EMServer("Invalid namespace name \"" + NameSpace + "\"");
    return UpperCase(NameSpace);
}

TMNamespaceLocation LocateNamespace(const TMServerSettings& Settings, const std::string& NameSpace)
{
    const std::string key = NamespaceKey(NameSpace);
    TMNamespaceLocation location;
    std::ifstream file(Settings.SettingsFile);
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        line = WithoutByteOrderMark(line, number);
        line = TrimBlanks(line.substr(0, line.find('#')));
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string name = TrimBlanks(line.substr(0, equals));
        const std::string value = TrimBlanks(line.substr(equals + 1));
        if (name.rfind("GTCM_", 0) == 0)
            location.Environment.push_back(name + "=" + value);
        else if (UpperCase(name) == key && !value.empty())
            location.GlobalDirectory = Settings.SettingsFile.parent_path() / value;
    }
    if (location.GlobalDirectory.empty()) {
        location.OwnDatabaseDir = Settings.DataDir / key;
        location.GlobalDirectory = location.OwnDatabaseDir / "mumps.gld";
        RefuseDollar(location.OwnDatabaseDir, "M data folder");
        return location;
    }
    RefuseDollar(location.GlobalDirectory, "Global directory");
    if (std::error_code error; !fs::is_regular_file(location.GlobalDirectory, error)) {
        throw EMServer("Global directory " + location.GlobalDirectory.string() + " of namespace " + key + " (in " +
                       Settings.SettingsFile.string() + ") not found");
    }
    return location;
}

std::string RoutinePath(const TMServerSettings& Settings)
{
    std::vector<fs::path> sources = Settings.RoutineDirs;
    sources.push_back(Settings.ServerRoutineDir);
    // Objects of one GT.M version do not run on another.
    fs::path dist = Settings.GtmDist.lexically_normal();
    if (!dist.has_filename())
        dist = dist.parent_path();
    const fs::path version = dist.filename();
    std::string path;
    for (const fs::path& source : sources) {
        const fs::path absolute = fs::absolute(source).lexically_normal();
        if (std::error_code error; !fs::is_directory(absolute, error))
            throw EMServer("M routine directory " + absolute.string() + " not found");
        const fs::path objects = Settings.ObjectDir / version / ObjectSubdirName(absolute);
        RefuseInRoutinePath(absolute, "M routine folder");
        RefuseInRoutinePath(objects, "M object folder");
        std::error_code error;
        fs::create_directories(objects, error);
        if (error)
            throw EMServer("Cannot create the M object directory " + objects.string() + ": " + error.message());
        path += objects.string() + "(" + absolute.string() + ") ";
    }
    const bool utilitiesLibrary = HasFile(Settings.GtmDist, "libgtmutil.so");
    return path + (utilitiesLibrary ? (Settings.GtmDist / "libgtmutil.so").string() : Settings.GtmDist.string());
}
