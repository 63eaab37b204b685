// The process-wide format settings, the date type and the text/date conversions.
#include <QDate>
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/FormatSettingsGuard.h"
#include "support/ParamNames.h"
#include "support/PosixLocale.h"
#include "toolkit/SysUtils.h"

namespace {

struct Ymd {
    int year, month, day;
    bool operator==(const Ymd&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Ymd& d)
{
    return out << d.year << "-" << d.month << "-" << d.day;
}

// A date as a test name: 2000-2-29 is Y2000_M2_D29, a month of -1 is Mminus1.
std::string DateName(const Ymd& d)
{
    const auto part = [](const char* tag, int value) {
        return tag + (value < 0 ? "minus" + std::to_string(-value) : std::to_string(value));
    };
    return part("Y", d.year) + "_" + part("M", d.month) + "_" + part("D", d.day);
}

Ymd Decoded(TDateTime Date)
{
    Ymd d{};
    DecodeDate(Date, d.year, d.month, d.day);
    return d;
}

int ThisYear() { return Decoded(Date()).year; }

// ---- settings -------------------------------------------------------------------------

struct LocaleCase {
    const char* locale;
    char decimal;
    std::string format;
    char dateSeparator;
};

void PrintTo(const LocaleCase& c, std::ostream* out) { *out << c.locale; }

class FormatSettingsFromLocale : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(FormatSettingsFromLocale, TakesTheRadixCharacterAndTheNumericShortDate)
{
    const LocaleCase& c = GetParam();
    const PosixLocaleScope locale(c.locale);
    EXPECT_EQ(DecimalSeparator(), c.decimal);
    EXPECT_EQ(ShortDateFormat(), c.format);
    EXPECT_EQ(DateSeparator(), c.dateSeparator);
}

TEST_P(FormatSettingsFromLocale, ReadsBackWhatItWrites)
{
    const PosixLocaleScope locale(GetParam().locale);
    for (const TDateTime date : {EncodeDate(2000, 3, 1), EncodeDate(1999, 12, 31), EncodeDate(2026, 12, 8)}) {
        TDateTime read = 0;
        ASSERT_TRUE(TryStrToDate(DateToStr(date), read)) << DateToStr(date);
        EXPECT_EQ(read, date) << DateToStr(date);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Locales, FormatSettingsFromLocale,
    ::testing::Values(LocaleCase{"pt_BR.UTF-8", ',', "dd/mm/yyyy", '/'},
                      LocaleCase{"en_US.UTF-8", '.', "mm/dd/yyyy", '/'},
                      LocaleCase{"en_GB.UTF-8", '.', "dd/mm/yy", '/'},
                      LocaleCase{"de_DE.UTF-8", ',', "dd/mm/yyyy", '.'},
                      LocaleCase{"sv_SE.UTF-8", ',', "yyyy/mm/dd", '-'},
                      // no regional settings chosen: the program's own conventions
                      LocaleCase{"C.UTF-8", ',', "dd/mm/yyyy", '/'},
                      LocaleCase{"C", ',', "dd/mm/yyyy", '/'},
                      LocaleCase{"POSIX", ',', "dd/mm/yyyy", '/'}),
    [](const ::testing::TestParamInfo<LocaleCase>& info) { return LocaleParamName(info.param.locale); });

TEST(FormatSettings, EachSettingFollowsItsOwnCategory)
{
    const PosixLocaleScope locale("C.UTF-8");
    setenv("LANG", "pt_BR.UTF-8", 1);
    unsetenv("LC_ALL");
    setenv("LC_NUMERIC", "en_US.UTF-8", 1);
    SetFormatSettingsFromLocale();
    EXPECT_EQ(DecimalSeparator(), '.') << "LC_NUMERIC before LANG";
    EXPECT_EQ(ShortDateFormat(), "dd/mm/yyyy") << "LC_TIME unset: LANG";
    setenv("LC_TIME", "C", 1);
    setenv("LC_NUMERIC", "POSIX", 1);
    setenv("LANG", "en_US.UTF-8", 1);
    SetFormatSettingsFromLocale();
    EXPECT_EQ(DecimalSeparator(), ',');
    EXPECT_EQ(ShortDateFormat(), "dd/mm/yyyy");
    EXPECT_EQ(DateSeparator(), '/');
}

TEST(FormatSettings, ALocaleThatIsNotInstalled_GivesTheProgramsConventions)
{
    const PosixLocaleScope locale("en_US.UTF-8");
    ASSERT_EQ(DecimalSeparator(), '.');
    setenv("LC_ALL", "xx_YY.UTF-8", 1);
    SetFormatSettingsFromLocale();
    EXPECT_EQ(DecimalSeparator(), ',');
    EXPECT_EQ(ShortDateFormat(), "dd/mm/yyyy");
    EXPECT_EQ(DateSeparator(), '/');
}

TEST(FormatSettings, StartFromTheProcessLocale)
{
    FormatSettingsGuard guard; // holds the settings as they started (every test puts them back)
    const char decimal = DecimalSeparator();
    const std::string format = ShortDateFormat();
    const char separator = DateSeparator();
    SetFormatSettingsFromLocale();
    EXPECT_EQ(DecimalSeparator(), decimal);
    EXPECT_EQ(ShortDateFormat(), format);
    EXPECT_EQ(DateSeparator(), separator);
}

struct PatternCase {
    const char* pattern;
    const char* format;
    char separator;
};

void PrintTo(const PatternCase& c, std::ostream* out) { *out << Printable(c.pattern); }

class ShortDateOfPatternTable : public ::testing::TestWithParam<PatternCase> {};

TEST_P(ShortDateOfPatternTable, KeepsTheNumericFieldsInTheirOrder)
{
    const PatternCase& c = GetParam();
    std::string format = "unchanged";
    char separator = '?';
    ShortDateOfPattern(c.pattern, format, separator);
    EXPECT_EQ(format, c.format);
    EXPECT_EQ(separator, c.separator);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, ShortDateOfPatternTable,
    ::testing::Values(PatternCase{"%d/%m/%Y", "dd/mm/yyyy", '/'}, PatternCase{"%m/%d/%y", "mm/dd/yy", '/'},
                      PatternCase{"%-d/%-m/%y", "d/m/yy", '/'}, PatternCase{"%e.%m.%Y", "d/mm/yyyy", '.'},
                      PatternCase{"%d.%m.%Y.", "dd/mm/yyyy/", '.'}, PatternCase{"%Y. %m. %d.", "yyyy/ mm/ dd/", '.'},
                      PatternCase{"%d/%m-%Y", "dd/mm-yyyy", '/'}, PatternCase{"%F", "yyyy/mm/dd", '-'},
                      PatternCase{"%D", "mm/dd/yy", '/'}, PatternCase{"%Od/%Om/%Ey", "dd/mm/yy", '/'},
                      PatternCase{"%OC%Oy %b %Od %A", "yyyy/mm/dd", ' '},
                      PatternCase{"%A %d %b %Y", "dd/mm/yyyy", ' '}, PatternCase{"%a, %d.%b %Y", "dd/mm yyyy", '.'},
                      PatternCase{"%Y\xe5\xb9\xb4%m\xe6\x9c\x88%d\xe6\x97\xa5", "yyyy/mm/dd", '/'},
                      PatternCase{"%Y\xeb\x85\x84 %m\xec\x9b\x94 %d\xec\x9d\xbc", "yyyy/mm/dd", ' '},
                      PatternCase{"", "", '/'}),
    [](const auto& Info) { return TestNameOf(Info.param.pattern); });

TEST(FormatSettings, SettersChangeEachSettingAlone)
{
    FormatSettingsGuard guard(',', "dd/mm/yyyy", '/');
    SetDecimalSeparator('.');
    EXPECT_EQ(DecimalSeparator(), '.');
    EXPECT_EQ(ShortDateFormat(), "dd/mm/yyyy");
    SetShortDateFormat("m/d/yy");
    EXPECT_EQ(ShortDateFormat(), "m/d/yy");
    EXPECT_EQ(DateSeparator(), '/');
    SetDateSeparator('-');
    EXPECT_EQ(DateSeparator(), '-');
    EXPECT_EQ(DecimalSeparator(), '.');
}

// ---- encoding -------------------------------------------------------------------------

struct EncodeCase {
    Ymd date;
    TDateTime value;
};

void PrintTo(const EncodeCase& c, std::ostream* out) { *out << c.date << " is day " << static_cast<long>(c.value); }

class EncodeDateTable : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeDateTable, CountsDaysFrom30December1899)
{
    const EncodeCase& c = GetParam();
    EXPECT_EQ(EncodeDate(c.date.year, c.date.month, c.date.day), c.value) << c.date;
    EXPECT_EQ(Decoded(c.value), c.date);
}

INSTANTIATE_TEST_SUITE_P(Dates, EncodeDateTable,
                         ::testing::Values(EncodeCase{{1899, 12, 30}, 0}, EncodeCase{{1899, 12, 29}, -1},
                                           EncodeCase{{1900, 1, 1}, 2}, EncodeCase{{1900, 3, 1}, 61},
                                           EncodeCase{{2000, 1, 1}, 36526}, EncodeCase{{2000, 2, 29}, 36585},
                                           EncodeCase{{1, 1, 1}, -693593}, EncodeCase{{9999, 12, 31}, 2958465}),
                         [](const auto& Info) { return DateName(Info.param.date); });

class TryEncodeDateRefuses : public ::testing::TestWithParam<Ymd> {};

TEST_P(TryEncodeDateRefuses, DatesOutsideTheCalendar)
{
    const Ymd& d = GetParam();
    TDateTime date = 42;
    EXPECT_FALSE(TryEncodeDate(d.year, d.month, d.day, date)) << d;
    EXPECT_EQ(date, 42);
    EXPECT_THROW(EncodeDate(d.year, d.month, d.day), EConvertError) << d;
}

INSTANTIATE_TEST_SUITE_P(Dates, TryEncodeDateRefuses,
                         ::testing::Values(Ymd{2001, 2, 29}, Ymd{1900, 2, 29}, Ymd{2000, 4, 31}, Ymd{2000, 13, 1},
                                           Ymd{2000, 0, 1}, Ymd{2000, 1, 0}, Ymd{2000, 1, 32}, Ymd{2000, -1, 1},
                                           Ymd{2000, 1, -1}, Ymd{0, 1, 1}, Ymd{10000, 1, 1}),
                         [](const auto& Info) { return DateName(Info.param); });

TEST(DecodeDate, IgnoresTheTimeOfDay)
{
    EXPECT_EQ(Decoded(36526.75), (Ymd{2000, 1, 1}));
    EXPECT_EQ(Decoded(0.5), (Ymd{1899, 12, 30}));
    EXPECT_EQ(Decoded(-1.25), (Ymd{1899, 12, 29}));
}

TEST(Date, IsTodayWithoutTime)
{
    const QDate today = QDate::currentDate();
    const TDateTime date = Date();
    EXPECT_EQ(date, static_cast<double>(static_cast<long>(date)));
    EXPECT_EQ(Decoded(date), (Ymd{today.year(), today.month(), today.day()}));
}

// ---- date to text ---------------------------------------------------------------------

struct ToTextCase {
    std::string format;
    char separator;
    Ymd date;
    std::string expected;
};

void PrintTo(const ToTextCase& c, std::ostream* out)
{
    *out << Printable(c.format) << " '" << c.separator << "' " << c.date << " is " << Printable(c.expected);
}

class DateToStrTable : public ::testing::TestWithParam<ToTextCase> {};

TEST_P(DateToStrTable, WritesTheShortDateFormat)
{
    const ToTextCase& c = GetParam();
    FormatSettingsGuard guard(',', c.format, c.separator);
    EXPECT_EQ(DateToStr(EncodeDate(c.date.year, c.date.month, c.date.day)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, DateToStrTable,
    ::testing::Values(ToTextCase{"dd/mm/yyyy", '/', {2000, 3, 1}, "01/03/2000"},
                      ToTextCase{"d/m/yyyy", '/', {2000, 3, 1}, "1/3/2000"},
                      ToTextCase{"m/d/yyyy", '/', {2000, 3, 1}, "3/1/2000"},
                      ToTextCase{"m/d/yy", '/', {2000, 3, 1}, "3/1/00"},
                      ToTextCase{"DD/MM/YYYY", '/', {2026, 12, 8}, "08/12/2026"},
                      ToTextCase{"dd/MM/yyyy", '/', {2026, 12, 8}, "08/12/2026"},
                      // "/" is the date separator; other marks stand as they are
                      ToTextCase{"yyyy/mm/dd", '-', {2000, 3, 1}, "2000-03-01"},
                      ToTextCase{"yyyy-mm-dd", '/', {2000, 3, 1}, "2000-03-01"},
                      ToTextCase{"dd/mm/yyyy", '.', {1999, 12, 31}, "31.12.1999"},
                      ToTextCase{"yyyy/ mm/ dd/", '.', {2000, 3, 1}, "2000. 03. 01."},
                      ToTextCase{"dd/mm/yyyy", '/', {5, 1, 2}, "02/01/0005"},
                      ToTextCase{"d/m/y", '/', {2005, 1, 2}, "2/1/05"}),
    [](const auto& Info) { return NamePart(Info.param.format) + "__" + NamePart(Info.param.expected); });

// ---- text to date ---------------------------------------------------------------------

struct FromTextCase {
    std::string format;
    char separator;
    std::string text;
    bool ok;
    Ymd date; // the year 0 stands for this year
};

void PrintTo(const FromTextCase& c, std::ostream* out)
{
    *out << Printable(c.format) << " '" << c.separator << "' " << Printable(c.text);
    if (c.ok)
        *out << " is " << c.date;
    else
        *out << " refused";
}

class TryStrToDateTable : public ::testing::TestWithParam<FromTextCase> {};

TEST_P(TryStrToDateTable, ReadsInTheOrderOfTheShortDateFormat)
{
    const FromTextCase& c = GetParam();
    FormatSettingsGuard guard(',', c.format, c.separator);
    TDateTime date = -7;
    ASSERT_EQ(TryStrToDate(c.text, date), c.ok);
    if (!c.ok) {
        EXPECT_EQ(date, -7);
        EXPECT_THROW(StrToDate(c.text), EConvertError);
        return;
    }
    Ymd expected = c.date;
    if (expected.year == 0)
        expected.year = ThisYear();
    EXPECT_EQ(Decoded(date), expected);
    EXPECT_EQ(StrToDate(c.text), date);
}

const Ymd March1st2000{2000, 3, 1};
const Ymd March1st{0, 3, 1};

INSTANTIATE_TEST_SUITE_P(
    Dates, TryStrToDateTable,
    ::testing::Values(
        FromTextCase{"dd/mm/yyyy", '/', "1/3/2000", true, March1st2000},
        FromTextCase{"dd/mm/yyyy", '/', "01/03/2000", true, March1st2000},
        FromTextCase{"dd/mm/yyyy", '/', "  1 / 3 /2000 ", true, March1st2000},
        FromTextCase{"dd/mm/yyyy", '/', "1/3/2000/", true, March1st2000},
        FromTextCase{"dd/mm/yyyy", '/', "001/0003/2000", true, March1st2000},
        FromTextCase{"dd/mm/yyyy", '/', "1/3", true, March1st},
        FromTextCase{"dd/mm/yyyy", '/', "29/2/2000", true, {2000, 2, 29}},
        FromTextCase{"dd/mm/yyyy", '/', "1/3/0005", true, {5, 3, 1}},
        FromTextCase{"dd/mm/yyyy", '/', "1/3/005", true, {5, 3, 1}},
        FromTextCase{"dd/mm/yyyy", '/', "29/2/1900", false, {}},
        FromTextCase{"dd/mm/yyyy", '/', "31/4/2000", false, {}},
        FromTextCase{"dd/mm/yyyy", '/', "0/3/2000", false, {}},
        FromTextCase{"dd/mm/yyyy", '/', "1/13/2000", false, {}},
        FromTextCase{"dd/mm/yyyy", '/', "1/3/0000", false, {}},
        FromTextCase{"dd/mm/yyyy", '/', "1/3/10000", false, {}},
        FromTextCase{"dd/mm/yyyy", '/', "-30/2/1841", false, {}},
        FromTextCase{"dd/mm/yyyy", '/', "1-3-2000", false, {}},
        FromTextCase{"dd/mm/yyyy", '/', "1/3/", false, {}},
        FromTextCase{"dd/mm/yyyy", '/', "1/3/2000x", false, {}},
        FromTextCase{"dd/mm/yyyy", '/', "1/3/2000/5", false, {}},
        FromTextCase{"dd/mm/yyyy", '/', "1", false, {}},
        FromTextCase{"dd/mm/yyyy", '/', "", false, {}},
        FromTextCase{"dd/mm/yyyy", '/', "//", false, {}},
        FromTextCase{"dd/mm/yyyy", '/', "a/3/2000", false, {}},
        FromTextCase{"dd/mm/yyyy", '/', "1 3 2000", false, {}},
        FromTextCase{"m/d/yyyy", '/', "3/1/2000", true, March1st2000},
        FromTextCase{"m/d/yyyy", '/', "3/1", true, March1st},
        FromTextCase{"m/d/yyyy", '/', "1/3/2000", true, {2000, 1, 3}},
        FromTextCase{"m/d/yyyy", '/', "13/1/2000", false, {}},
        FromTextCase{"yyyy/mm/dd", '-', "2000-03-01", true, March1st2000},
        FromTextCase{"yyyy/mm/dd", '-', "03-01", true, March1st},
        FromTextCase{"yyyy/mm/dd", '-', "2000/03/01", false, {}},
        FromTextCase{"yyyy/ mm/ dd/", '.', "2000. 03. 01.", true, March1st2000},
        FromTextCase{"DD/MM/YYYY", '/', "1/3/2000", true, March1st2000},
        // a format without d, m or y reads month first
        FromTextCase{"", '/', "3/1/2000", true, March1st2000},
        // a blank separator is any run of blanks
        FromTextCase{"d/mm/yyyy", ' ', "1 3 2000", true, March1st2000},
        FromTextCase{"d/mm/yyyy", ' ', " 1   03  2000 ", true, March1st2000},
        FromTextCase{"d/mm/yyyy", ' ', "1 3 ", true, March1st},
        FromTextCase{"d/mm/yyyy", ' ', "1/3/2000", false, {}}),
    [](const auto& Info) { return NamePart(Info.param.format) + "__" + NamePart(Info.param.text); });

TEST(TryStrToDate, PutsTwoDigitYearsInTheHundredYearsFromFiftyYearsAgo)
{
    FormatSettingsGuard guard(',', "dd/mm/yyyy", '/');
    const int thisYear = ThisYear();
    for (int twoDigits : {0, 5, 24, 49, 50, 51, 75, 99}) {
        for (const std::string& yearText : {std::to_string(twoDigits), std::to_string(100 + twoDigits).substr(1)}) {
            TDateTime date;
            ASSERT_TRUE(TryStrToDate("1/3/" + yearText, date)) << yearText;
            const int year = Decoded(date).year;
            EXPECT_EQ(year % 100, twoDigits) << yearText;
            EXPECT_GE(year, thisYear - 50) << yearText;
            EXPECT_LE(year, thisYear + 49) << yearText;
        }
    }
}

TEST(StrToDate, NamesTheTextInItsError)
{
    FormatSettingsGuard guard(',', "dd/mm/yyyy", '/');
    try {
        StrToDate("31/2/2000");
        FAIL() << "no error";
    } catch (const EConvertError& error) {
        EXPECT_EQ(error.Message(), "'31/2/2000' is not a valid date");
    }
}

} // namespace
