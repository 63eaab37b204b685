#include "mbind/MUMPS.h"

#include <cstdint>
#include <optional>

#include "toolkit/FormatSettings.h"
#include "toolkit/SysUtils.h"

namespace {

// Position of the first D in S; an empty delimiter is never found.
size_t FindDelimiter(const std::string& S, const std::string& D)
{
    return D.empty() ? std::string::npos : S.find(D);
}

// Characters From to From + Count - 1 of S, counted from 1; what lies outside S is left out.
std::string Copy(const std::string& S, size_t From, size_t Count)
{
    return From > S.size() ? std::string() : S.substr(From - 1, Count);
}

} // namespace

int MLength(const std::string& S, const std::string& D)
{
    int count = 1;
    for (size_t from = FindDelimiter(S, D); from != std::string::npos; from = S.find(D, from + 1))
        ++count;
    return count;
}

std::string MPiece(const std::string& S, const std::string& D, int N)
{
    std::string rest = S;
    for (int i = 1; i < N; ++i) {
        const size_t at = FindDelimiter(rest, D);
        if (at == std::string::npos)
            return {};
        rest.erase(0, at + 1);
    }
    return rest.substr(0, FindDelimiter(rest, D));
}

std::string MSetPiece(const std::string& S, const std::string& D, int N, const std::string& V)
{
    std::string rest = S;
    std::string result;
    for (int i = 1; i < N; ++i) {
        const size_t at = FindDelimiter(rest, D);
        result += rest.substr(0, at) + D;
        rest = at == std::string::npos ? std::string() : rest.substr(at + 1);
    }
    result += V;
    const size_t at = FindDelimiter(rest, D);
    if (at != std::string::npos && at + 1 < rest.size())
        result += D + rest.substr(at + 1);
    return result;
}

std::string MHorologData(const std::string& H)
{
    // Day 0 is 31 December 1840; the year is counted from March so that February comes last.
    const std::optional<int> h = DecimalToInt(H);
    const int64_t n = h ? int64_t{*h} - 61 : 0;
    int64_t y = n / 365;
    int64_t a;
    for (;;) {
        a = 365 * y + (y - 3) / 4 - (y - 3) / 100 + (y + 197) / 400;
        if (a <= n || y == 0)
            break;
        --y;
    }
    const int64_t d = n - a;
    const int64_t m = (5 * d + 2) / 153;
    const int64_t year = y + 1841 + (m > 9 ? 1 : 0);
    const int64_t month = m <= 9 ? m + 3 : m - 9;
    const int64_t day = d - (153 * m + 2) / 5 + 1;

    // The text names day, month and year in this order whatever the locale's short date
    // format; a valid date is shown in that format, anything else as it stands.
    TDateTime date;
    if (year <= 9999 && TryEncodeDate(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day), date))
        return DateToStr(date);
    return std::to_string(day) + "/" + std::to_string(month) + "/" + std::to_string(year);
}

std::string MAnoMes(const std::string& S)
{
    if (S.size() == 4)
        return Copy(S, 3, 2) + "/" + Copy(S, 1, 2);
    return Copy(S, 5, 2) + "/" + Copy(S, 1, 4);
}

std::string MNormalizaNumero(const std::string& S, uint8_t Dec)
{
    const char separator = DecimalSeparator();
    std::string r;
    bool commaSeen = false;
    for (char c : S) {
        if (c == ',') {
            if (!commaSeen)
                r += separator;
            commaSeen = true;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            r += c;
        }
    }
    if (!commaSeen)
        r += separator;
    const size_t length = r.find(separator) + 1 + Dec;
    r.resize(length, '0');
    return r;
}

std::string MFormataNumero(const std::string& S, uint8_t Dec)
{
    const std::string t = MNormalizaNumero(S, Dec);
    const size_t at = t.find(DecimalSeparator());
    std::string digits = t.substr(0, at);
    const std::string fraction = t.substr(at + 1);

    const bool negative = !digits.empty() && digits[0] == '-';
    if (negative)
        digits.erase(0, 1);
    for (size_t i = digits.size(); i > 3; i -= 3)
        digits.insert(i - 3, ".");

    std::string result = (negative ? "-" : "") + digits;
    if (Dec > 0)
        result += "," + fraction;
    return result;
}

std::string MInsereDecimal(const std::string& S, uint8_t Dec)
{
    return MInsereDecimal(S, Dec, DecimalSeparator());
}

std::string MInsereDecimal(const std::string& S, uint8_t Dec, char Separator)
{
    // The zeros go after a sign: "-5" is minus five minor units, not "0,-5".
    const size_t sign = S.starts_with('-') ? 1 : 0;
    std::string digits = S;
    if (digits.size() - sign <= Dec)
        digits.insert(sign, Dec + 1 - (digits.size() - sign), '0');
    const size_t split = digits.size() - Dec;
    return digits.substr(0, split) + Separator + digits.substr(split);
}
