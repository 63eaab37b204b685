#pragma once
// Keeps the process-wide format settings of a test from reaching the next one: the settings
// in force at construction are put back at destruction. Optionally sets new ones at once.
#include <string>

#include "toolkit/FormatSettings.h"

class FormatSettingsGuard {
public:
    FormatSettingsGuard()
        : decimalSeparator_(DecimalSeparator()), dateSeparator_(DateSeparator()), shortDateFormat_(ShortDateFormat())
    {
    }
    FormatSettingsGuard(char Decimal, const std::string& DateFormat, char DateSep) : FormatSettingsGuard()
    {
        SetDecimalSeparator(Decimal);
        SetShortDateFormat(DateFormat);
        SetDateSeparator(DateSep);
    }
    ~FormatSettingsGuard()
    {
        SetDecimalSeparator(decimalSeparator_);
        SetDateSeparator(dateSeparator_);
        SetShortDateFormat(shortDateFormat_);
    }
    FormatSettingsGuard(const FormatSettingsGuard&) = delete;
    FormatSettingsGuard& operator=(const FormatSettingsGuard&) = delete;

private:
    char decimalSeparator_;
    char dateSeparator_;
    std::string shortDateFormat_;
};

// A number text of a table written with "." put in the notation of Separator.
inline std::string InNotation(std::string Text, char Separator)
{
    for (char& c : Text)
        if (c == '.')
            c = Separator;
    return Text;
}
