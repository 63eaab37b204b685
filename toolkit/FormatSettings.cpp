#include "toolkit/FormatSettings.h"

#include <QDate>
#include <QLocale>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>

#include "toolkit/SysUtils.h"

namespace {

struct Settings {
    char decimalSeparator = '.';
    char dateSeparator = '/';
    std::string shortDateFormat;
};

// A character of the locale that an 8-bit setting can hold, or 0.
char Latin1(QChar Character)
{
    return Character.unicode() < 256 ? static_cast<char>(Character.unicode()) : '\0';
}

// Qt's short date pattern ("dd/MM/yyyy", "M/d/yy", "yyyy-MM-dd") in the class library's
// notation: the first separator met becomes DateSeparator and is written "/".
Settings FromLocale(const QLocale& Locale)
{
    Settings settings;
    const QString decimalPoint = Locale.decimalPoint();
    if (decimalPoint.size() == 1 && Latin1(decimalPoint[0]) != '\0')
        settings.decimalSeparator = Latin1(decimalPoint[0]);

    const QString pattern = Locale.dateFormat(QLocale::ShortFormat);
    char separator = '\0';
    std::string& format = settings.shortDateFormat;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar character = pattern[i];
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == character)
            ++run;
        if (character == u'\'') { // quoted literal: dropped
            const qsizetype close = pattern.indexOf(u'\'', i + 1);
            i = close < 0 ? pattern.size() : close + 1;
            continue;
        }
        if (character == u'd' && run >= 3) { // day name: dropped with what follows it
            i += run;
            while (i < pattern.size() && !pattern[i].isLetter())
                ++i;
            continue;
        }
        i += run;
        if (character == u'd' || character == u'y')
            format.append(static_cast<size_t>(run), Latin1(character));
        else if (character == u'M')
            format.append(run >= 3 ? 2 : static_cast<size_t>(run), 'm');
        else if (!character.isLetter() && Latin1(character) != '\0') {
            if (separator == '\0')
                separator = Latin1(character);
            format.append(static_cast<size_t>(run), Latin1(character) == separator ? '/' : Latin1(character));
        }
    }
    while (!format.empty() && format.back() == ' ')
        format.pop_back();
    if (separator != '\0')
        settings.dateSeparator = separator;
    return settings;
}

Settings& Current()
{
    static Settings settings = FromLocale(QLocale::system());
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

enum class DateOrder { MDY, DMY, YMD };

// The first d, m or y of the short date format; month first when it has none.
DateOrder OrderOfFormat()
{
    for (char character : ShortDateFormat()) {
        switch (std::tolower(static_cast<unsigned char>(character))) {
        case 'd': return DateOrder::DMY;
        case 'm': return DateOrder::MDY;
        case 'y': return DateOrder::YMD;
        }
    }
    return DateOrder::MDY;
}

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
void SetFormatSettingsFromLocale(const QLocale& Locale) { Current() = FromLocale(Locale); }

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
    const DateOrder order = OrderOfFormat();
    if (!hasThird) {
        year = CurrentYear();
        yearDigits = 4;
        if (order == DateOrder::DMY)
            day = first, month = second;
        else
            month = first, day = second;
    } else if (order == DateOrder::DMY) {
        day = first, month = second, year = third, yearDigits = thirdDigits;
    } else if (order == DateOrder::MDY) {
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
