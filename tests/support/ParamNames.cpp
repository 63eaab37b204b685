#include "support/ParamNames.h"

#include <cstdio>
#include <map>

namespace {

const std::map<char, const char*> kSpelledOut = {
    {' ', "Blank"},       {'\t', "Tab"},        {'\r', "CR"},         {'\n', "LF"},         {'\0', "Nul"},
    {'!', "Bang"},        {'"', "Quote"},       {'#', "Hash"},        {'$', "Dollar"},      {'%', "Percent"},
    {'&', "Amp"},         {'\'', "Apos"},       {'(', "Open"},        {')', "Close"},       {'*', "Star"},
    {'+', "Plus"},        {',', "Comma"},       {'-', "Minus"},       {'.', "Dot"},         {'/', "Slash"},
    {':', "Colon"},       {';', "Semicolon"},   {'<', "Less"},        {'=', "Equals"},      {'>', "Greater"},
    {'?', "Question"},    {'@', "At"},          {'[', "OpenSquare"},  {'\\', "Backslash"},  {']', "CloseSquare"},
    {'^', "Caret"},       {'_', "Underscore"},  {'`', "Backquote"},   {'{', "OpenBrace"},   {'|', "Bar"},
    {'}', "CloseBrace"},  {'~', "Tilde"},
};

std::string Hex(unsigned char Byte)
{
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", Byte);
    return digits;
}

} // namespace

std::string NamePart(std::string_view Text)
{
    if (Text.empty())
        return "Empty";
    std::string name;
    bool inWord = false; // the last thing written is a run of letters and digits
    for (const char c : Text) {
        // ASCII letters and digits only, whatever the locale says of the other bytes
        const bool wordCharacter = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!name.empty() && !(wordCharacter && inWord))
            name += '_';
        if (wordCharacter) {
            name += c;
        } else {
            const auto spelled = kSpelledOut.find(c);
            name += spelled != kSpelledOut.end() ? spelled->second : "x" + Hex(static_cast<unsigned char>(c));
        }
        inWord = wordCharacter;
    }
    return name;
}

std::string TestNameOf(std::string_view Text)
{
    const std::string name = NamePart(Text);
    return name.find_first_not_of("0123456789") == std::string::npos ? "Digits_" + name : name;
}

std::string Printable(std::string_view Text)
{
    std::string out = "\"";
    for (const char c : Text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\0': out += "\\0"; break;
        default:
            if (byte >= 0x20 && byte < 0x7F)
                out += c;
            else
                out += "\\x" + Hex(byte);
        }
    }
    return out + '"';
}

std::string PrintableVariant(const TVariant& Value)
{
    if (Value.IsEmpty())
        return "empty";
    return Value.IsText() ? Printable(Value.AsString()) : Value.AsString();
}
