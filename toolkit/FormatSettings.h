#pragma once
// The class library's process-wide format settings and its date type and date conversions.
// The settings start from the process's POSIX locale and are changed only on the
// user-interface thread.
#include <string>

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

// The order of day, month and year in the short date format: that of its first d, m or y;
// month first when it has none.
enum class TDateOrder { MonthDayYear, DayMonthYear, YearMonthDay };
TDateOrder ShortDateOrder();

// A date pattern of strftime (a POSIX locale's D_FMT) in the class library's notation:
// "%d" is "dd", "%-d" and "%e" "d", "%m" "mm", "%-m" "m", "%Y" "yyyy", "%y" "yy"; the
// first literal mark met becomes Separator and is written "/". Names have no place in a
// numeric short date: a month name becomes "mm", a day name is dropped with the marks
// after it; letters and characters beyond ASCII are dropped (the latter stand for the
// separator between two fields).
void ShortDateOfPattern(const std::string& Pattern, std::string& Format, char& Separator);

// Replaces the settings by those of the POSIX locale that the process's environment
// chooses, as setlocale(LC_ALL, "") does (LC_ALL, else LC_NUMERIC for the decimal
// separator and LC_TIME for the date, else LANG); the settings start this way. The C and
// POSIX locales (C.UTF-8 included), and a locale that is not installed, mean that no
// regional settings were chosen: they give the program's own conventions, "," before the
// decimals and the short date format "dd/mm/yyyy" with "/".
void SetFormatSettingsFromLocale();

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
