#pragma once
// Fixed-point values scaled by 10000 (the class library's currency) to and from number
// text in the process's notation: the process-wide decimal separator, no thousands
// separator. Both work on decimal digits exactly; no binary float is involved.
#include <cstdint>
#include <string>

// The general number format of Scaled / 10000: fixed notation, at most 15 significant
// digits (a longer value is rounded there, ties to the even digit), no trailing zeros in
// the fraction and no separator without a fraction. 12.5 gives "12.5", 0 gives "0".
std::string CurrencyToText(int64_t Scaled);

// Reads Text and gives its value times 10000, rounded to the nearest integer with ties to
// the even one. Accepted: blanks before and after; an optional sign; digits, optionally
// followed by the decimal separator and more digits (at least one digit or the separator:
// the separator alone reads as 0); an optional exponent ("e" or "E", optional sign,
// digits). Anything else, or a result outside the 64-bit range, fails and leaves Scaled
// unchanged.
bool TryTextToCurrency(const std::string& Text, int64_t& Scaled);
// The same with an explicit decimal separator, for text whose notation is fixed.
bool TryTextToCurrency(const std::string& Text, char Separator, int64_t& Scaled);
