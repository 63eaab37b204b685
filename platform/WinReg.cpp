#include "platform/WinReg.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/ConfigHome.h"
#include "platform/RegistryHive.h"
#include "platform/WholeFile.h"

namespace fs = std::filesystem;

namespace WinReg {

namespace {

struct TRoot {
    HKEY Key;
    const char* Name;
};

const std::array<TRoot, 5> kRoots = {{{HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
                                      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
                                      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
                                      {HKEY_USERS, "HKEY_USERS"},
                                      {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"}}};

std::string JoinPath(const std::string& Base, const std::string& SubKey)
{
    return Base.empty() ? SubKey : SubKey.empty() ? Base : Base + "\\" + SubKey;
}

// The case Path was created with; Path must exist.
std::string StoredPath(THive& Hive, const std::string& Path)
{
    return Path.empty() ? Path : Hive.Find(Path)->Path;
}

// ---- Files -------------------------------------------------------------------------------

fs::path RegistryDirectory()
{
    return ConfigHome() / "trevask" / "registry";
}

fs::path HiveFile(const TRoot& Root)
{
    return RegistryDirectory() / (std::string(Root.Name) + ".reg");
}

// The hive as stored; an empty one when there is no file yet, none when it cannot be read.
std::optional<THive> LoadHive(const TRoot& Root)
{
    const fs::path path = HiveFile(Root);
    if (std::optional<std::string> text = ReadWholeFile(path))
        return ParseHive(*text);
    std::error_code error;
    if (fs::exists(path, error) || error)
        return std::nullopt;
    return THive{};
}

// Each missing directory of Path, private to the user as configuration directories are.
bool MakeDirectories(const fs::path& Path)
{
    fs::path partial;
    for (const fs::path& part : Path) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return fs::is_directory(Path);
}

// An exclusive lock on the registry directory, so that concurrent changes from other
// processes are not lost between reading and replacing a hive.
class TDirectoryLock {
public:
    explicit TDirectoryLock(const fs::path& Directory)
        : descriptor_(::open((Directory / ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        if (descriptor_ >= 0 && ::flock(descriptor_, LOCK_EX) != 0) {
            ::close(descriptor_);
            descriptor_ = -1;
        }
    }
    ~TDirectoryLock()
    {
        if (descriptor_ >= 0)
            ::close(descriptor_);
    }
    TDirectoryLock(const TDirectoryLock&) = delete;
    TDirectoryLock& operator=(const TDirectoryLock&) = delete;
    bool Held() const { return descriptor_ >= 0; }

private:
    int descriptor_;
};

// Loads the hive, lets Change alter it and stores it, all under the directory lock. Change
// returns ERROR_SUCCESS to have the hive stored, anything else to leave it as it was.
template <typename TChange>
LONG ChangeHive(const TRoot& Root, TChange Change)
{
    const fs::path directory = RegistryDirectory();
    if (!MakeDirectories(directory))
        return ERROR_ACCESS_DENIED;
    const TDirectoryLock lock(directory);
    std::optional<THive> hive = LoadHive(Root);
    if (!lock.Held() || !hive)
        return ERROR_ACCESS_DENIED;
    if (const LONG result = Change(*hive); result != ERROR_SUCCESS)
        return result;
    const fs::path path = HiveFile(Root);
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    return ReplaceWholeFile(path, FormatHive(*hive, Root.Name), exists ? &old : nullptr) ? ERROR_SUCCESS
                                                                                       : ERROR_ACCESS_DENIED;
}

// ---- Handles -----------------------------------------------------------------------------

struct TOpenKey {
    const TRoot* Root;
    std::string Path;
    REGSAM Access;
};

std::mutex handlesMutex;
std::map<uintptr_t, TOpenKey> openKeys;
uintptr_t nextHandle = 0x1000;

std::optional<TOpenKey> Resolve(HKEY Key)
{
    for (const TRoot& root : kRoots)
        if (root.Key == Key)
            return TOpenKey{&root, "", KEY_ALL_ACCESS};
    std::lock_guard lock(handlesMutex);
    const auto it = openKeys.find(reinterpret_cast<uintptr_t>(Key));
    return it == openKeys.end() ? std::nullopt : std::optional(it->second);
}

HKEY NewHandle(TOpenKey Key)
{
    std::lock_guard lock(handlesMutex);
    const uintptr_t handle = nextHandle++;
    openKeys.emplace(handle, std::move(Key));
    return reinterpret_cast<HKEY>(handle);
}

// The key's value named Name, for reading; the hive must outlive the result.
LONG FindValue(const TOpenKey& Key, THive& Hive, const std::string& Name, const THiveValue** Result)
{
    if (!Hive.Exists(Key.Path))
        return ERROR_KEY_DELETED;
    if (Key.Path.empty())
        return ERROR_FILE_NOT_FOUND; // root keys hold no values of ours
    const std::vector<THiveValue>& values = Hive.Find(Key.Path)->Values;
    const auto it =
        std::find_if(values.begin(), values.end(), [&](const THiveValue& v) { return SameRegistryName(v.Name, Name); });
    if (it == values.end())
        return ERROR_FILE_NOT_FOUND;
    *Result = &*it;
    return ERROR_SUCCESS;
}

} // namespace

LONG RegOpenKeyExA(HKEY Key, const std::string& SubKey, REGSAM Desired, HKEY* Result)
{
    if (Result == nullptr)
        return ERROR_INVALID_PARAMETER;
    const std::optional<TOpenKey> base = Resolve(Key);
    if (!base)
        return ERROR_INVALID_HANDLE;
    if (!ValidKeyPath(SubKey))
        return ERROR_INVALID_PARAMETER;
    const std::string path = JoinPath(base->Path, SubKey);
    std::optional<THive> hive = LoadHive(*base->Root);
    if (!hive)
        return ERROR_ACCESS_DENIED;
    if (!hive->Exists(path))
        return ERROR_FILE_NOT_FOUND;
    *Result = NewHandle({base->Root, StoredPath(*hive, path), Desired});
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY Key, const std::string& SubKey, REGSAM Desired, HKEY* Result, DWORD* Disposition)
{
    if (Result == nullptr)
        return ERROR_INVALID_PARAMETER;
    const std::optional<TOpenKey> base = Resolve(Key);
    if (!base)
        return ERROR_INVALID_HANDLE;
    if (!ValidKeyPath(SubKey))
        return ERROR_INVALID_PARAMETER;
    std::string path = JoinPath(base->Path, SubKey);
    std::optional<THive> hive = LoadHive(*base->Root);
    if (!hive)
        return ERROR_ACCESS_DENIED;
    const bool created = !hive->Exists(path);
    if (created) {
        const LONG result = ChangeHive(*base->Root, [&](THive& Hive) {
            if (!Hive.Exists(base->Path))
                return ERROR_KEY_DELETED;
            if ((base->Access & KEY_CREATE_SUB_KEY) == 0)
                return ERROR_ACCESS_DENIED;
            // The new key and each missing parent, parents first.
            for (size_t end = path.find('\\', base->Path.empty() ? 0 : base->Path.size() + 1);;
                 end = path.find('\\', end + 1)) {
                if (!Hive.Exists(path.substr(0, end)))
                    Hive.Keys.push_back(THiveKey{path.substr(0, end), {}});
                if (end == std::string::npos)
                    break;
            }
            return ERROR_SUCCESS;
        });
        if (result != ERROR_SUCCESS)
            return result;
    } else {
        path = StoredPath(*hive, path);
    }
    *Result = NewHandle({base->Root, path, Desired});
    if (Disposition != nullptr)
        *Disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY Key)
{
    for (const TRoot& root : kRoots)
        if (root.Key == Key)
            return ERROR_SUCCESS;
    std::lock_guard lock(handlesMutex);
    return openKeys.erase(reinterpret_cast<uintptr_t>(Key)) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExA(HKEY Key, const std::string& ValueName, DWORD* Type, BYTE* Data, DWORD* DataSize)
{
    const std::optional<TOpenKey> key = Resolve(Key);
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (Data != nullptr && DataSize == nullptr)
        return ERROR_INVALID_PARAMETER;
    if ((key->Access & KEY_QUERY_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    std::optional<THive> hive = LoadHive(*key->Root);
    if (!hive)
        return ERROR_ACCESS_DENIED;
    const THiveValue* value = nullptr;
    if (const LONG result = FindValue(*key, *hive, ValueName, &value); result != ERROR_SUCCESS)
        return result;
    if (Type != nullptr)
        *Type = value->Type;
    const auto size = static_cast<DWORD>(value->Data.size());
    const bool fits = DataSize == nullptr || *DataSize >= size;
    if (Data != nullptr && fits)
        std::memcpy(Data, value->Data.data(), size);
    if (DataSize != nullptr)
        *DataSize = size;
    return Data == nullptr || fits ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

LONG RegSetValueExA(HKEY Key, const std::string& ValueName, DWORD Type, const BYTE* Data, DWORD DataSize)
{
    const std::optional<TOpenKey> key = Resolve(Key);
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (Data == nullptr && DataSize != 0)
        return ERROR_INVALID_PARAMETER;
    if ((key->Access & KEY_SET_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    if (key->Path.empty())
        return ERROR_ACCESS_DENIED; // values stand under keys of ours, never on a root
    const std::string data =
        Data == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(Data), DataSize);
    return ChangeHive(*key->Root, [&](THive& Hive) {
        THiveKey* stored = Hive.Find(key->Path);
        if (stored == nullptr)
            return ERROR_KEY_DELETED;
        auto it = std::find_if(stored->Values.begin(), stored->Values.end(),
                               [&](const THiveValue& v) { return SameRegistryName(v.Name, ValueName); });
        if (it == stored->Values.end())
            stored->Values.push_back(THiveValue{ValueName, Type, data});
        else
            *it = THiveValue{it->Name, Type, data};
        return ERROR_SUCCESS;
    });
}

} // namespace WinReg
