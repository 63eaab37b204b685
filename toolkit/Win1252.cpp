#include "toolkit/Win1252.h"

#include <array>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80-0x9F; the five undefined codes map to
// the C1 controls of the same value so that every byte survives a round trip.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t ToUnicode(unsigned char Byte)
{
    if (Byte >= 0x80 && Byte <= 0x9F)
        return kHighControls[Byte - 0x80];
    return Byte;
}

char ToByte(char16_t Unit)
{
    if (Unit < 0x80 || (Unit >= 0xA0 && Unit <= 0xFF))
        return static_cast<char>(Unit);
    for (size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == Unit)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

QString ToScreen(const std::string& Text1252)
{
    QString text;
    text.reserve(static_cast<qsizetype>(Text1252.size()));
    for (unsigned char byte : Text1252)
        text.append(QChar(ToUnicode(byte)));
    return text;
}

std::string FromScreen(const QString& Text)
{
    std::string bytes;
    bytes.reserve(static_cast<size_t>(Text.size()));
    for (QChar ch : Text)
        bytes.push_back(ToByte(ch.unicode()));
    return bytes;
}

std::string Cp1252(const char* Utf8Text)
{
    return FromScreen(QString::fromUtf8(Utf8Text));
}
