#include "serial/ComText.h"

#include <algorithm>
#include <array>

#include "toolkit/SysUtils.h"

namespace {

constexpr std::array<const char*, 16> kBaudRateTexts = {"Custom", "110",   "300",   "600",    "1200",   "2400",
                                                        "4800",   "9600",  "14400", "19200",  "38400",  "56000",
                                                        "57600",  "115200", "128000", "256000"};
constexpr std::array<const char*, 3> kStopBitsTexts = {"1", "1.5", "2"};
constexpr std::array<const char*, 4> kDataBitsTexts = {"5", "6", "7", "8"};
constexpr std::array<const char*, 5> kParityTexts = {"None", "Odd", "Even", "Mark", "Space"};
constexpr std::array<const char*, 4> kFlowControlTexts = {"Hardware", "Software", "None", "Custom"};
constexpr std::array<const char*, 3> kDtrControlTexts = {"Disable", "Enable", "Handshake"};
constexpr std::array<const char*, 4> kRtsControlTexts = {"Disable", "Enable", "Handshake", "Toggle"};

std::string UpperAscii(std::string Text)
{
    std::transform(Text.begin(), Text.end(), Text.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return Text;
}

template <typename E, size_t N>
E FromText(const std::array<const char*, N>& Texts, const std::string& Text, E Fallback)
{
    const std::string wanted = UpperAscii(Text);
    for (size_t member = 0; member < N; ++member)
        if (UpperAscii(Texts[member]) == wanted)
            return static_cast<E>(member);
    return Fallback;
}

} // namespace

std::string BaudRateText(TBaudRate Value) { return kBaudRateTexts.at(Value); }
std::string StopBitsText(TStopBits Value) { return kStopBitsTexts.at(Value); }
std::string DataBitsText(TDataBits Value) { return kDataBitsTexts.at(Value); }
std::string ParityText(TParityBits Value) { return kParityTexts.at(Value); }
std::string FlowControlText(TFlowControl Value) { return kFlowControlTexts.at(Value); }
std::string DtrControlText(TDTRFlowControl Value) { return kDtrControlTexts.at(Value); }
std::string RtsControlText(TRTSFlowControl Value) { return kRtsControlTexts.at(Value); }

TBaudRate BaudRateFromText(const std::string& Text) { return FromText(kBaudRateTexts, Text, br9600); }
TStopBits StopBitsFromText(const std::string& Text) { return FromText(kStopBitsTexts, Text, sbOneStopBit); }
TDataBits DataBitsFromText(const std::string& Text) { return FromText(kDataBitsTexts, Text, dbEight); }
TParityBits ParityFromText(const std::string& Text) { return FromText(kParityTexts, Text, prNone); }
TFlowControl FlowControlFromText(const std::string& Text) { return FromText(kFlowControlTexts, Text, fcCustom); }
TDTRFlowControl DtrControlFromText(const std::string& Text) { return FromText(kDtrControlTexts, Text, dtrDisable); }
TRTSFlowControl RtsControlFromText(const std::string& Text) { return FromText(kRtsControlTexts, Text, rtsDisable); }

std::string YesNoText(bool Value)
{
    return Value ? "Yes" : "No";
}

bool IsYesText(const std::string& Text)
{
    return UpperAscii(Text) == "YES";
}

std::string CharText(char Value)
{
    const auto code = static_cast<unsigned char>(Value);
    return code >= 33 && code <= 127 ? std::string(1, Value) : "#" + std::to_string(code);
}

char CharFromText(const std::string& Text)
{
    if (Text.empty())
        return '\0';
    if (Text[0] != '#' || Text.size() == 1)
        return Text[0];
    try {
        return static_cast<char>(StrToInt(Text.substr(1)) & 0xFF);
    } catch (const EConvertError&) {
        return '\0';
    }
}
