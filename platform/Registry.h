#pragma once
// The class library's registry object: one root key, at most one open key below it, and
// typed access to the open key's values through the registry value functions.
#include <string>

#include "platform/WinReg.h"
#include "toolkit/SysUtils.h"

// A value could not be read or written; the message names the value.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

class TRegistry {
public:
    // HKEY_CURRENT_USER, keys opened with Access.
    explicit TRegistry(WinReg::REGSAM Access = WinReg::KEY_ALL_ACCESS);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    WinReg::HKEY RootKey() const { return rootKey_; }
    // Closes the open key.
    void SetRootKey(WinReg::HKEY Value);
    // The open key; none (nullptr) before an OpenKey and after CloseKey.
    WinReg::HKEY CurrentKey() const { return currentKey_; }
    // The open key's path below the root.
    const std::string& CurrentPath() const { return currentPath_; }

    // Opens Key: from the root when it starts with "\" or no key is open, else below the
    // open key. CanCreate creates it when missing. False when it cannot be opened; the key
    // open before then stays open.
    bool OpenKey(const std::string& Key, bool CanCreate);
    void CloseKey();

    // A REG_SZ or REG_EXPAND_SZ value up to its first null; "" when the value is missing.
    // Raises for a value of another type ("Invalid data type for 'Name'") or when the key
    // cannot be read ("Failed to get data for 'Name'").
    std::string ReadString(const std::string& Name) const;
    // A REG_DWORD value. Raises for a missing value or one that cannot be read ("Failed to
    // get data for 'Name'") and for a value of another type ("Invalid data type for 'Name'").
    int ReadInteger(const std::string& Name) const;
    // Store REG_SZ (the text and a closing null) and REG_DWORD values; raise "Failed to set
    // data for 'Name'" when the value cannot be stored.
    void WriteString(const std::string& Name, const std::string& Value);
    void WriteInteger(const std::string& Name, int Value);

private:
    // The value's type and bytes; raises "Failed to get data" for any failure, a missing
    // value too.
    std::string ReadData(const std::string& Name, WinReg::DWORD& Type) const;
    void WriteData(const std::string& Name, WinReg::DWORD Type, const std::string& Data);

    WinReg::REGSAM access_;
    WinReg::HKEY rootKey_ = WinReg::HKEY_CURRENT_USER;
    WinReg::HKEY currentKey_ = nullptr;
    std::string currentPath_;
};
