#pragma once
// The class library's process-wide format settings and its date type and date conversions.
// The settings start from the user's locale and are changed only on the user-interface thread.
#include <string>

class QLocale;

// The locale decimal separator, used inside number conversions (never on the screen).
char DecimalSeparator();
void SetDecimalSeparator(char Separator);

// The short date format in the class library's notation: "d"/"dd" day, "m"/"mm" month,
// "yy"/"yyyy" year (letters in either case), "/" standing for DateSeparator, anything else
// literal. Its first d, m or y gives the order in which StrToDate reads a date.
std::string ShortDateFormat();
void SetShortDateFormat(const std::string& Format);
char DateSeparator();
void SetDateSeparator(char Separator);

// Replaces the three settings by those of Locale (at start: QLocale::system()). Names of
// days and months have no place in a numeric short date: a month name becomes "mm",
// a day name is dropped with the blanks or separator after it.
void SetFormatSettingsFromLocale(const QLocale& Locale);

// Days since 30 December 1899; the fraction (time of day) is not used by these conversions.
using TDateTime = double;

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Date);
// Raises EConvertError when Year (1 to 9999), Month or Day is out of range.
TDateTime EncodeDate(int Year, int Month, int Day);
void DecodeDate(TDateTime Date, int& Year, int& Month, int& Day);
// Today, without the time.
TDateTime Date();

// Reads two or three numbers joined by DateSeparator (blanks around them allowed), in the
// order of the short date format; with two, the year is this year. A year of at most two
// digits falls within the fifty years either side of today.
bool TryStrToDate(const std::string& Text, TDateTime& Date);
// Raises EConvertError "'<Text>' is not a valid date".
TDateTime StrToDate(const std::string& Text);
// Writes Date in the short date format.
std::string DateToStr(TDateTime Date);
