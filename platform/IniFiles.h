#pragma once
// The class library's INI file object over the profile functions: one file, read and written
// key by key (every call reads or replaces the file; nothing is cached).
#include <string>

#include "toolkit/SysUtils.h"

// A value could not be written: "Unable to write to <file name>".
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

class TIniFile {
public:
    explicit TIniFile(std::string FileName);

    // Values of up to 2047 characters; Default when the file, section or key is missing.
    std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) const;
    // Default also when the value is no integer by ProfileInteger's rule.
    int ReadInteger(const std::string& Section, const std::string& Ident, int Default) const;
    // Raises EIniFileException when the file cannot be written.
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);

private:
    std::string fileName_;
};
