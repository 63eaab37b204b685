#pragma once
// The class library's INI file objects. TCustomIniFile is the interface every INI object
// offers: string access by section and key, and integers stored as their text. TIniFile
// works over the profile functions: one file, read and written key by key (every call
// reads or replaces the file; nothing is cached).
#include <string>

#include "toolkit/SysUtils.h"

// A value could not be written: "Unable to write to <file name>".
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

class TCustomIniFile {
public:
    explicit TCustomIniFile(std::string FileName) : fileName_(std::move(FileName)) {}
    virtual ~TCustomIniFile() = default;

    const std::string& FileName() const { return fileName_; }

    // Default when the section or key is missing.
    virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                   const std::string& Default) const = 0;
    virtual void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) = 0;
    // The value read as text and taken as an integer by ProfileInteger's rule; Default when it
    // is missing or no integer.
    virtual int ReadInteger(const std::string& Section, const std::string& Ident, int Default) const;
    // Writes Value as decimal text.
    virtual void WriteInteger(const std::string& Section, const std::string& Ident, int Value);

private:
    std::string fileName_;
};

class TIniFile : public TCustomIniFile {
public:
    using TCustomIniFile::TCustomIniFile;

    // Values of up to 2047 characters; Default also when the file is missing.
    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default) const override;
    // Raises EIniFileException when the file cannot be written.
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
};
