#include "mbind/CurrencyText.h"

#include <algorithm>
#include <limits>

#include "toolkit/FormatSettings.h"

namespace {

constexpr int ScaleDigits = 4; // the value is held times 10^4
constexpr int SignificantDigits = 15;

bool IsDigit(char C)
{
    return C >= '0' && C <= '9';
}

// Rounds the digit string Digits, cut after Keep digits, to the nearest with ties to the
// even last kept digit. Returns the kept digits, one longer when the carry runs off the
// left end ("999" kept 2 gives "100").
std::string RoundDigits(const std::string& Digits, size_t Keep)
{
    if (Keep >= Digits.size())
        return Digits;
    std::string kept = Digits.substr(0, Keep);
    const char first = Digits[Keep];
    const bool restNonZero =
        std::any_of(Digits.begin() + static_cast<std::ptrdiff_t>(Keep) + 1, Digits.end(), [](char C) { return C != '0'; });
    const bool lastOdd = !kept.empty() && (kept.back() - '0') % 2 == 1;
    const bool up = first > '5' || (first == '5' && (restNonZero || lastOdd));
    if (!up)
        return kept;
    for (size_t i = kept.size(); i-- > 0;) {
        if (kept[i] != '9') {
            ++kept[i];
            return kept;
        }
        kept[i] = '0';
    }
    return "1" + kept;
}

} // namespace

std::string CurrencyToText(int64_t Scaled)
{
    if (Scaled == 0)
        return "0";
    const bool negative = Scaled < 0;
    // The magnitude as unsigned, so the most negative value has one too.
    const uint64_t magnitude = negative ? uint64_t{0} - static_cast<uint64_t>(Scaled) : static_cast<uint64_t>(Scaled);
    std::string digits = std::to_string(magnitude);
    // The decimal point stands ScaleDigits digits from the right: pad so there is at
    // least one integer digit.
    if (digits.size() <= ScaleDigits)
        digits.insert(0, ScaleDigits + 1 - digits.size(), '0');
    int pointPos = static_cast<int>(digits.size()) - ScaleDigits; // integer digits

    // Round to the significant digits, counted from the first non-zero digit.
    const size_t firstSignificant = digits.find_first_not_of('0');
    const size_t keep = firstSignificant + SignificantDigits;
    if (keep < digits.size()) {
        std::string rounded = RoundDigits(digits, keep);
        if (rounded.size() > keep)
            ++pointPos; // the carry added an integer digit
        digits = rounded;
        if (static_cast<int>(digits.size()) < pointPos)
            digits.append(static_cast<size_t>(pointPos) - digits.size(), '0');
    }

    std::string integer = digits.substr(0, static_cast<size_t>(pointPos));
    std::string fraction = digits.substr(static_cast<size_t>(pointPos));
    integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size() - 1));
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();

    std::string text = negative ? "-" : "";
    text += integer;
    if (!fraction.empty()) {
        text += DecimalSeparator();
        text += fraction;
    }
    return text == "-0" ? "0" : text;
}

bool TryTextToCurrency(const std::string& Text, int64_t& Scaled)
{
    return TryTextToCurrency(Text, DecimalSeparator(), Scaled);
}

bool TryTextToCurrency(const std::string& Text, char Separator, int64_t& Scaled)
{
    size_t i = 0;
    const size_t n = Text.size();
    while (i < n && Text[i] == ' ')
        ++i;

    bool negative = false;
    if (i < n && (Text[i] == '+' || Text[i] == '-')) {
        negative = Text[i] == '-';
        ++i;
    }

    // Mantissa digits, integer and fraction together; the value is
    // mantissa * 10^(exponent - fraction digits).
    std::string mantissa;
    int fractionDigits = 0;
    bool any = false;
    while (i < n && IsDigit(Text[i])) {
        mantissa += Text[i++];
        any = true;
    }
    if (i < n && Text[i] == Separator) {
        ++i;
        any = true;
        while (i < n && IsDigit(Text[i])) {
            mantissa += Text[i++];
            ++fractionDigits;
        }
    }
    if (!any)
        return false;

    long exponent = 0;
    if (i < n && (Text[i] == 'e' || Text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (Text[i] == '+' || Text[i] == '-')) {
            negativeExponent = Text[i] == '-';
            ++i;
        }
        if (i >= n || !IsDigit(Text[i]))
            return false;
        while (i < n && IsDigit(Text[i])) {
            // Far beyond any value the range holds; capped so it cannot overflow.
            exponent = std::min(exponent * 10 + (Text[i++] - '0'), 1000000L);
        }
        if (negativeExponent)
            exponent = -exponent;
    }

    while (i < n && Text[i] == ' ')
        ++i;
    if (i != n)
        return false;

    mantissa.erase(0, mantissa.find_first_not_of('0'));
    if (mantissa.empty()) {
        Scaled = 0;
        return true;
    }

    // The scaled value is mantissa * 10^shift.
    const long shift = exponent - fractionDigits + ScaleDigits;
    std::string integerDigits;
    if (shift >= 0) {
        if (static_cast<long>(mantissa.size()) + shift > 19)
            return false; // at least 10^19, beyond the 64-bit range
        integerDigits = mantissa + std::string(static_cast<size_t>(shift), '0');
    } else {
        const long drop = -shift;
        const long keep = static_cast<long>(mantissa.size()) - drop;
        if (keep < 0) {
            // Every digit lies below the rounding place: less than 0.5, so 0.
            Scaled = 0;
            return true;
        }
        integerDigits = RoundDigits(mantissa, static_cast<size_t>(keep));
        if (integerDigits.empty())
            integerDigits = "0";
        if (integerDigits.size() > 19)
            return false;
    }

    unsigned __int128 magnitude = 0;
    for (char digit : integerDigits)
        magnitude = magnitude * 10 + static_cast<unsigned>(digit - '0');
    const unsigned __int128 limit =
        static_cast<unsigned __int128>(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
    if (magnitude > limit)
        return false;
    Scaled = negative ? static_cast<int64_t>(-static_cast<__int128>(magnitude)) : static_cast<int64_t>(magnitude);
    return true;
}
