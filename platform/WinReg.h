#pragma once
// The Windows registry value functions, kept in files of ours: one file per root key,
// $XDG_CONFIG_HOME/trevask/registry/<root key name>.reg ($HOME/.config when XDG_CONFIG_HOME
// is unset or not absolute). Keys are "[path]" lines, values lines below their key in the
// Windows registry export form: "name"="text" (REG_SZ holding text and one closing null),
// "name"=dword:0000002a (REG_DWORD of 4 bytes), "name"=hex(n):01,ff (any other type n or
// data); @ names the default value. In quoted texts \\, \" and \xhh (control characters)
// are escapes; other bytes stand as they are. Values stand under keys: a root holds none.
//
// As on Windows, key paths and value names match without regard to letter case (ASCII) and
// keep the case they were created with; every change replaces the file whole under a lock,
// so other handles and processes see it at once and never half-written.
#include <cstdint>
#include <string>

#include "platform/WinComm.h"

namespace WinReg {

using WinComm::BYTE;
using WinComm::DWORD;
using LONG = int32_t;
using REGSAM = DWORD;

// An open key. Opaque to callers; the root keys are always open.
struct TRegistryKey;
using HKEY = TRegistryKey*;
inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(uintptr_t{0x80000000});
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(uintptr_t{0x80000001});
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(uintptr_t{0x80000002});
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(uintptr_t{0x80000003});
inline HKEY const HKEY_CURRENT_CONFIG = reinterpret_cast<HKEY>(uintptr_t{0x80000005});

// Access rights; a handle allows what it was opened with.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

// RegCreateKeyExA's disposition.
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Results: ERROR_SUCCESS or a Windows error code.
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;     // no such key or value
constexpr LONG ERROR_ACCESS_DENIED = 5;      // not allowed by the handle, or the file cannot be read or written
constexpr LONG ERROR_INVALID_HANDLE = 6;     // not an open key
constexpr LONG ERROR_INVALID_PARAMETER = 87; // an empty or control-character key name, a missing buffer
constexpr LONG ERROR_MORE_DATA = 234;        // the buffer is too small; the size needed is returned
constexpr LONG ERROR_KEY_DELETED = 1018;     // the key was removed since it was opened

// Opens SubKey of Key ("" opens Key again); path components are separated by "\".
LONG RegOpenKeyExA(HKEY Key, const std::string& SubKey, REGSAM Desired, HKEY* Result);
// As RegOpenKeyExA, creating SubKey and its missing parents (which needs KEY_CREATE_SUB_KEY
// on Key). Disposition, when given, tells whether the key was new.
LONG RegCreateKeyExA(HKEY Key, const std::string& SubKey, REGSAM Desired, HKEY* Result, DWORD* Disposition);
LONG RegCloseKey(HKEY Key);
// The type and data of the value named ValueName ("" the default value). With Data, *DataSize
// is the buffer's size on entry; always, on return, the value's size. Needs KEY_QUERY_VALUE.
LONG RegQueryValueExA(HKEY Key, const std::string& ValueName, DWORD* Type, BYTE* Data, DWORD* DataSize);
// Stores DataSize bytes of Data as the value's type and data, creating or replacing it.
// Needs KEY_SET_VALUE and a key below a root (a root refuses with ERROR_ACCESS_DENIED).
LONG RegSetValueExA(HKEY Key, const std::string& ValueName, DWORD Type, const BYTE* Data, DWORD DataSize);

} // namespace WinReg
