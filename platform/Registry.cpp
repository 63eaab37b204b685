#include "platform/Registry.h"

#include <cstring>

using namespace WinReg;

namespace {

[[noreturn]] void RaiseGetFailed(const std::string& Name)
{
    throw ERegistryException(Format("Failed to get data for '%s'", Name.c_str()));
}

[[noreturn]] void RaiseInvalidType(const std::string& Name)
{
    throw ERegistryException(Format("Invalid data type for '%s'", Name.c_str()));
}

std::string Trimmed(const std::string& Key)
{
    const size_t first = Key.find_first_not_of('\\');
    if (first == std::string::npos)
        return "";
    return Key.substr(first, Key.find_last_not_of('\\') - first + 1);
}

} // namespace

TRegistry::TRegistry(REGSAM Access) : access_(Access) {}

TRegistry::~TRegistry()
{
    CloseKey();
}

void TRegistry::SetRootKey(HKEY Value)
{
    CloseKey();
    rootKey_ = Value;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate)
{
    const bool fromRoot = currentKey_ == nullptr || Key.starts_with('\\');
    const std::string path = fromRoot ? Trimmed(Key) : Trimmed(currentPath_ + "\\" + Key);
    HKEY opened = nullptr;
    const LONG result = CanCreate ? RegCreateKeyExA(rootKey_, path, access_, &opened, nullptr)
                                  : RegOpenKeyExA(rootKey_, path, access_, &opened);
    if (result != ERROR_SUCCESS)
        return false;
    CloseKey();
    currentKey_ = opened;
    currentPath_ = path;
    return true;
}

void TRegistry::CloseKey()
{
    if (currentKey_ != nullptr)
        RegCloseKey(currentKey_);
    currentKey_ = nullptr;
    currentPath_.clear();
}

std::string TRegistry::ReadData(const std::string& Name, DWORD& Type) const
{
    DWORD size = 0;
    if (RegQueryValueExA(currentKey_, Name, &Type, nullptr, &size) != ERROR_SUCCESS)
        RaiseGetFailed(Name);
    std::string data(size, '\0');
    if (RegQueryValueExA(currentKey_, Name, &Type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        RaiseGetFailed(Name);
    data.resize(size);
    return data;
}

std::string TRegistry::ReadString(const std::string& Name) const
{
    DWORD size = 0;
    if (RegQueryValueExA(currentKey_, Name, nullptr, nullptr, &size) == ERROR_FILE_NOT_FOUND)
        return "";
    DWORD type = REG_NONE;
    const std::string data = ReadData(Name, type);
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        RaiseInvalidType(Name);
    return data.substr(0, data.find('\0'));
}

int TRegistry::ReadInteger(const std::string& Name) const
{
    DWORD type = REG_NONE;
    const std::string data = ReadData(Name, type);
    if (type != REG_DWORD || data.size() != sizeof(int32_t))
        RaiseInvalidType(Name);
    int32_t value;
    std::memcpy(&value, data.data(), sizeof value);
    return value;
}

void TRegistry::WriteData(const std::string& Name, DWORD Type, const std::string& Data)
{
    if (RegSetValueExA(currentKey_, Name, Type, reinterpret_cast<const BYTE*>(Data.data()),
                       static_cast<DWORD>(Data.size())) != ERROR_SUCCESS)
        throw ERegistryException(Format("Failed to set data for '%s'", Name.c_str()));
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value)
{
    WriteData(Name, REG_SZ, Value + '\0');
}

void TRegistry::WriteInteger(const std::string& Name, int Value)
{
    std::string data(sizeof(int32_t), '\0');
    std::memcpy(data.data(), &Value, sizeof(int32_t));
    WriteData(Name, REG_DWORD, data);
}
