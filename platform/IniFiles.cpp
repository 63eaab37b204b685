#include "platform/IniFiles.h"

#include "platform/Profile.h"

namespace {
constexpr size_t ValueBufferSize = 2048;
}

int TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) const
{
    return ProfileInteger(ReadString(Section, Ident, "")).value_or(Default);
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value)
{
    WriteString(Section, Ident, std::to_string(Value));
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const
{
    return GetPrivateProfileStringA(Section, Ident, Default, ValueBufferSize, FileName());
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value)
{
    if (!WritePrivateProfileStringA(Section, Ident, Value, FileName()))
        throw EIniFileException(Format("Unable to write to %s", FileName().c_str()));
}
