#include "platform/IniFiles.h"

#include "platform/Profile.h"

namespace {
constexpr size_t ValueBufferSize = 2048;
}

TIniFile::TIniFile(std::string FileName) : fileName_(std::move(FileName)) {}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const
{
    return GetPrivateProfileStringA(Section, Ident, Default, ValueBufferSize, fileName_);
}

int TIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) const
{
    return ProfileInteger(ReadString(Section, Ident, "")).value_or(Default);
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value)
{
    if (!WritePrivateProfileStringA(Section, Ident, Value, fileName_))
        throw EIniFileException(Format("Unable to write to %s", fileName_.c_str()));
}
