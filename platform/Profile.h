#pragma once
// The Windows profile functions on INI files: "[Section]" lines open sections, "Key=Value"
// lines give values, lines starting with ";" are comments. Section and key names match
// without regard to letter case (ASCII); the first section and the first key of a name count.
// File names may be Windows-style (".\mirtal.ini"): "\" separates directories. Files are
// 8-bit text with CRLF or LF line ends.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The value of Key in Section of FileName, its surrounding blanks (and one pair of enclosing
// quotes) removed; Default, without its trailing blanks, when the file, the section or the
// key is missing. Like a buffer of Size characters, the result holds at most Size - 1.
std::string GetPrivateProfileStringA(const std::string& Section, const std::string& Key,
                                     const std::string& Default, size_t Size, const std::string& FileName);

// Sets Key in Section to Value, creating the file, the section or the key when missing and
// keeping every other line as it is. The file is replaced whole (a new file renamed into
// place, with the old one's mode), so it is never left half-written. Where its directory
// takes no new file or the file cannot be replaced there, an existing writable file is
// rewritten in place instead; a failure then puts its old text back. False, with the file
// unchanged, when it cannot be written: also when the file is read-only by its mode, and a
// new file when its directory is, whoever the caller is.
bool WritePrivateProfileStringA(const std::string& Section, const std::string& Key, const std::string& Value,
                                const std::string& FileName);

// A profile value read as an integer: decimal digits with an optional sign (32-bit range), or
// "0x"/"0X" and up to 32 bits of hexadecimal digits. Any other text, empty included, is none.
std::optional<int32_t> ProfileInteger(const std::string& Value);
