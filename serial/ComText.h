#pragma once
// The short English texts that stand for the port's settings when they are saved as named
// values. Every table is in member order; reading a text compares it whole with each table
// text, both in upper case (ASCII letters only), nothing trimmed, and gives the table's
// fallback for a text it does not know. None of these fails.
#include <string>

#include "serial/ComTypes.h"

std::string BaudRateText(TBaudRate Value);
std::string StopBitsText(TStopBits Value);
std::string DataBitsText(TDataBits Value);
std::string ParityText(TParityBits Value);
std::string FlowControlText(TFlowControl Value);
std::string DtrControlText(TDTRFlowControl Value);
std::string RtsControlText(TRTSFlowControl Value);

TBaudRate BaudRateFromText(const std::string& Text);             // else br9600
TStopBits StopBitsFromText(const std::string& Text);             // else sbOneStopBit
TDataBits DataBitsFromText(const std::string& Text);             // else dbEight
TParityBits ParityFromText(const std::string& Text);             // else prNone
TFlowControl FlowControlFromText(const std::string& Text);       // else fcCustom
TDTRFlowControl DtrControlFromText(const std::string& Text);     // else dtrDisable
TRTSFlowControl RtsControlFromText(const std::string& Text);     // else rtsDisable

// "Yes" or "No"; only "YES" in any case reads as True.
std::string YesNoText(bool Value);
bool IsYesText(const std::string& Text);

// Codes 33 to 127 stand as themselves, every other as "#" and the code in decimal.
std::string CharText(char Value);
// "" is #0; "#" and a number is the number's low 8 bits (#0 when it is no number by
// StrToInt); any other text, "#" alone too, is its first character.
char CharFromText(const std::string& Text);
