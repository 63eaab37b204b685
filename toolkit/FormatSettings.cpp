#include "toolkit/FormatSettings.h"

#include <QDate>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <type_traits>

#include "toolkit/SysUtils.h"

namespace {

// The program's own conventions, also what the C and POSIX locales give.
struct Settings {
    char decimalSeparator = ',';
    char dateSeparator = '/';
    std::string shortDateFormat = "dd/mm/yyyy";
};

bool IsAscii(char Character) { return static_cast<unsigned char>(Character) < 0x80; }
bool IsAsciiLetter(char Character) { return std::isalpha(static_cast<unsigned char>(Character)) != 0; }

// Builds a short date format field by field and mark by mark.
class PatternWriter {
public:
    void Field(const std::string& Letters)
    {
        if (pendingSeparator_ && !format_.empty())
            format_ += '/';
        pendingSeparator_ = false;
        format_ += Letters;
    }
    // A mark between fields; the first one is the date separator.
    void Mark(char Character)
    {
        if (separator_ == '\0')
            separator_ = Character;
        format_ += Character == separator_ ? '/' : Character;
        pendingSeparator_ = false;
    }
    // A character the settings cannot hold: it stands for the separator when a field follows.
    void Unrepresentable() { pendingSeparator_ = true; }

    std::string Format() const
    {
        // Blanks at the end are dropped, also as the date separator ("%d %b %Y %A").
        std::string format = format_;
        while (!format.empty() && (format.back() == ' ' || (format.back() == '/' && separator_ == ' ')))
            format.pop_back();
        return format;
    }
    char Separator() const { return separator_ == '\0' ? '/' : separator_; }

private:
    std::string format_;
    char separator_ = '\0';
    bool pendingSeparator_ = false;
};

void WritePattern(const std::string& Pattern, PatternWriter& Writer)
{
    for (size_t i = 0; i < Pattern.size();) {
        const char character = Pattern[i++];
        if (character != '%') {
            if (!IsAscii(character)) {
                Writer.Unrepresentable();
                while (i < Pattern.size() && !IsAscii(Pattern[i]))
                    ++i;
            } else if (!IsAsciiLetter(character)) {
                Writer.Mark(character);
            }
            continue;
        }
        // Flags, a width and the E or O modifier change nothing that a numeric date keeps,
        // except that "-" leaves the day or month unpadded.
        bool unpadded = false;
        for (; i < Pattern.size() && std::strchr("-_0^#", Pattern[i]) != nullptr; ++i)
            unpadded = unpadded || Pattern[i] == '-';
        while (i < Pattern.size() && std::isdigit(static_cast<unsigned char>(Pattern[i])))
            ++i;
        if (i < Pattern.size() && (Pattern[i] == 'E' || Pattern[i] == 'O'))
            ++i;
        if (i == Pattern.size())
            break;
        switch (Pattern[i++]) {
        case 'd': Writer.Field(unpadded ? "d" : "dd"); break;
        case 'e': Writer.Field("d"); break;
        case 'm': Writer.Field(unpadded ? "m" : "mm"); break;
        case 'b': case 'B': case 'h': Writer.Field("mm"); break;
        case 'Y': case 'G': Writer.Field("yyyy"); break;
        case 'y': case 'g': case 'C': Writer.Field("yy"); break; // "%C%y" makes "yyyy"
        case 'D': WritePattern("%m/%d/%y", Writer); break;
        case 'F': WritePattern("%Y-%m-%d", Writer); break;
        case 'a': case 'A': // a day name goes with the marks after it
            while (i < Pattern.size() && Pattern[i] != '%' && !IsAsciiLetter(Pattern[i]))
                ++i;
            break;
        case '%': Writer.Mark('%'); break;
        case 'n': case 't': Writer.Mark(' '); break;
        default: break;
        }
    }
}

// The process's locale of one category as the environment chooses it; none for the C and
// POSIX locales and for one that cannot be loaded.
using LocaleHandle = std::unique_ptr<std::remove_pointer_t<locale_t>, decltype(&freelocale)>;

LocaleHandle RegionalLocale(int CategoryMask, int Category)
{
    LocaleHandle locale(newlocale(CategoryMask, "", nullptr), &freelocale);
    if (!locale)
        return LocaleHandle(nullptr, &freelocale);
    const std::string name = nl_langinfo_l(_NL_LOCALE_NAME(Category), locale.get());
    if (name == "C" || name == "POSIX" || name.starts_with("C."))
        return LocaleHandle(nullptr, &freelocale);
    return locale;
}

Settings FromLocale()
{
    Settings settings;
    if (const LocaleHandle numeric = RegionalLocale(LC_NUMERIC_MASK, LC_NUMERIC)) {
        const std::string radix = nl_langinfo_l(RADIXCHAR, numeric.get());
        if (radix.size() == 1 && IsAscii(radix[0]))
            settings.decimalSeparator = radix[0];
    }
    if (const LocaleHandle time = RegionalLocale(LC_TIME_MASK, LC_TIME)) {
        std::string format;
        char separator;
        ShortDateOfPattern(nl_langinfo_l(D_FMT, time.get()), format, separator);
        if (!format.empty()) {
            settings.shortDateFormat = format;
            settings.dateSeparator = separator;
        }
    }
    return settings;
}

Settings& Current()
{
    static Settings settings = FromLocale();
    return settings;
}

using namespace std::chrono;

// 30 December 1899, day 0 of TDateTime.
constexpr sys_days DateZero = sys_days{year{1899} / December / 30};

int CurrentYear()
{
    int year, month, day;
    DecodeDate(Date(), year, month, day);
    return year;
}

bool IsBlank(char Character) { return Character == ' '; }
bool IsDigit(char Character) { return Character >= '0' && Character <= '9'; }

// Reads the pieces of a date text one after another.
class DateScanner {
public:
    explicit DateScanner(const std::string& Text) : text_(Text) { SkipBlanks(); }

    // A run of digits; fails on none and on values above 9999.
    bool Number(int& Value, int& Digits)
    {
        Value = 0;
        Digits = 0;
        for (; pos_ < text_.size() && IsDigit(text_[pos_]); ++pos_, ++Digits)
            Value = std::min(Value * 10 + (text_[pos_] - '0'), 10000);
        return Digits > 0 && Value <= 9999;
    }

    // DateSeparator with the blanks around it; a blank separator is a run of blanks
    // with more text after it.
    bool Separator()
    {
        const char separator = DateSeparator();
        const size_t start = pos_;
        SkipBlanks();
        if (IsBlank(separator))
            return pos_ > start && pos_ < text_.size();
        if (pos_ < text_.size() && text_[pos_] == separator) {
            ++pos_;
            SkipBlanks();
            return true;
        }
        pos_ = start;
        return false;
    }

    bool AtEnd()
    {
        SkipBlanks();
        return pos_ == text_.size();
    }

private:
    void SkipBlanks()
    {
        while (pos_ < text_.size() && IsBlank(text_[pos_]))
            ++pos_;
    }

    const std::string& text_;
    size_t pos_ = 0;
};

// A year of one or two digits, put in the hundred years that start fifty years ago.
int WidenYear(int Year)
{
    const int centuryBase = CurrentYear() - 50;
    Year += centuryBase / 100 * 100;
    return Year < centuryBase ? Year + 100 : Year;
}

std::string TwoDigits(int Value)
{
    return std::string(1, static_cast<char>('0' + Value / 10 % 10)) + static_cast<char>('0' + Value % 10);
}

} // namespace

char DecimalSeparator() { return Current().decimalSeparator; }
void SetDecimalSeparator(char Separator) { Current().decimalSeparator = Separator; }
std::string ShortDateFormat() { return Current().shortDateFormat; }
void SetShortDateFormat(const std::string& Format) { Current().shortDateFormat = Format; }
char DateSeparator() { return Current().dateSeparator; }
void SetDateSeparator(char Separator) { Current().dateSeparator = Separator; }
void SetFormatSettingsFromLocale() { Current() = FromLocale(); }

TDateOrder ShortDateOrder()
{
    for (char character : ShortDateFormat()) {
        switch (std::tolower(static_cast<unsigned char>(character))) {
        case 'd': return TDateOrder::DayMonthYear;
        case 'm': return TDateOrder::MonthDayYear;
        case 'y': return TDateOrder::YearMonthDay;
        }
    }
    return TDateOrder::MonthDayYear;
}

void ShortDateOfPattern(const std::string& Pattern, std::string& Format, char& Separator)
{
    PatternWriter writer;
    WritePattern(Pattern, writer);
    Format = writer.Format();
    Separator = writer.Separator();
}

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Date)
{
    if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > 31)
        return false;
    const year_month_day date{year{Year}, month{static_cast<unsigned>(Month)}, day{static_cast<unsigned>(Day)}};
    if (!date.ok())
        return false;
    Date = static_cast<TDateTime>((sys_days{date} - DateZero).count());
    return true;
}

TDateTime EncodeDate(int Year, int Month, int Day)
{
    TDateTime date;
    if (!TryEncodeDate(Year, Month, Day, date))
        throw EConvertError("Invalid argument to date encode");
    return date;
}

void DecodeDate(TDateTime Date, int& Year, int& Month, int& Day)
{
    const year_month_day date{DateZero + days{static_cast<long>(std::trunc(Date))}};
    Year = static_cast<int>(date.year());
    Month = static_cast<int>(static_cast<unsigned>(date.month()));
    Day = static_cast<int>(static_cast<unsigned>(date.day()));
}

TDateTime Date()
{
    const QDate today = QDate::currentDate();
    return EncodeDate(today.year(), today.month(), today.day());
}

bool TryStrToDate(const std::string& Text, TDateTime& Date)
{
    DateScanner scanner(Text);
    int first, second, third = 0, firstDigits, secondDigits, thirdDigits = 0;
    if (!scanner.Number(first, firstDigits) || !scanner.Separator() || !scanner.Number(second, secondDigits))
        return false;
    const bool hasThird = scanner.Separator();
    if (hasThird && !scanner.Number(third, thirdDigits))
        return false;
    scanner.Separator(); // a format may end with its separator ("yyyy. mm. dd.")
    if (!scanner.AtEnd())
        return false;

    int year, month, day, yearDigits;
    const TDateOrder order = ShortDateOrder();
    if (!hasThird) {
        year = CurrentYear();
        yearDigits = 4;
        if (order == TDateOrder::DayMonthYear)
            day = first, month = second;
        else
            month = first, day = second;
    } else if (order == TDateOrder::DayMonthYear) {
        day = first, month = second, year = third, yearDigits = thirdDigits;
    } else if (order == TDateOrder::MonthDayYear) {
        month = first, day = second, year = third, yearDigits = thirdDigits;
    } else {
        year = first, yearDigits = firstDigits, month = second, day = third;
    }
    if (yearDigits <= 2)
        year = WidenYear(year);
    return TryEncodeDate(year, month, day, Date);
}

TDateTime StrToDate(const std::string& Text)
{
    TDateTime date;
    if (!TryStrToDate(Text, date))
        throw EConvertError("'" + Text + "' is not a valid date");
    return date;
}

std::string DateToStr(TDateTime Date)
{
    int year, month, day;
    DecodeDate(Date, year, month, day);
    const std::string format = ShortDateFormat();
    std::string text;
    for (size_t i = 0; i < format.size();) {
        const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
        size_t run = 1;
        while (i + run < format.size() && std::tolower(static_cast<unsigned char>(format[i + run])) == letter)
            ++run;
        if (letter == 'd')
            text += run == 1 ? std::to_string(day) : TwoDigits(day);
        else if (letter == 'm')
            text += run == 1 ? std::to_string(month) : TwoDigits(month);
        else if (letter == 'y')
            text += run <= 2 ? TwoDigits(year % 100) : TwoDigits(year / 100) + TwoDigits(year % 100);
        else
            text.append(run, format[i] == '/' ? DateSeparator() : format[i]);
        i += run;
    }
    return text;
}
