#pragma once
// The keys and values of one root key as its registry file holds them, and that file's
// text form (see WinReg.h): read leniently (lines that are no key or value are passed
// over, the first of two equal names counts) and written so that every byte survives.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WinReg.h"

namespace WinReg {

struct THiveValue {
    std::string Name;
    DWORD Type;
    std::string Data;
};

struct THiveKey {
    std::string Path; // below the root, in the case it was created with
    std::vector<THiveValue> Values;
};

// The keys of one root, in file order, parents before their children; the root itself
// is not listed.
struct THive {
    std::vector<THiveKey> Keys;

    THiveKey* Find(const std::string& Path);
    // The root ("") always exists.
    bool Exists(const std::string& Path);
};

// Key and value names compare without regard to letter case (ASCII).
bool SameRegistryName(std::string_view A, std::string_view B);
// Components joined by "\", none empty and none holding a control character; "" is the root.
bool ValidKeyPath(const std::string& Path);

THive ParseHive(const std::string& Text);
std::string FormatHive(const THive& Hive, const char* RootName);

} // namespace WinReg
