// The M text functions: pieces, day numbers, month/year values and implied decimals.
#include <gtest/gtest.h>

#include "mbind/MUMPS.h"
#include "support/FormatSettingsGuard.h"
#include "support/ParamNames.h"

namespace {

// ---- pieces ---------------------------------------------------------------------------

struct LengthCase {
    std::string s, d;
    int expected;
};

void PrintTo(const LengthCase& c, std::ostream* out)
{
    *out << Printable(c.s) << " by " << Printable(c.d) << " has " << c.expected;
}

// A text and its delimiter as a test name: "a^b" by "^" is "a_Caret_b_By_Caret".
std::string TextByDelimiter(const std::string& Text, const std::string& Delimiter)
{
    return NamePart(Text) + "_By_" + NamePart(Delimiter);
}

class MLengthTable : public ::testing::TestWithParam<LengthCase> {};

TEST_P(MLengthTable, CountsDelimitedPieces)
{
    const LengthCase& c = GetParam();
    EXPECT_EQ(MLength(c.s, c.d), c.expected) << "'" << c.s << "' by '" << c.d << "'";
}

INSTANTIATE_TEST_SUITE_P(Pieces, MLengthTable,
                         ::testing::Values(LengthCase{"", "^", 1}, LengthCase{"a", "^", 1},
                                           LengthCase{"a^b^", "^", 3}, LengthCase{"a^b^c", "^", 3},
                                           LengthCase{"^", "^", 2}, LengthCase{"a|b", "^", 1},
                                           LengthCase{"a|b", "|", 2}, LengthCase{"a^b", "", 1},
                                           // a longer delimiter steps past its first character only
                                           LengthCase{"^^^", "^^", 3}),
                         [](const auto& Info) { return TextByDelimiter(Info.param.s, Info.param.d); });

struct PieceCase {
    std::string s, d;
    int n;
    std::string expected;
};

void PrintTo(const PieceCase& c, std::ostream* out)
{
    *out << Printable(c.s) << " by " << Printable(c.d) << " piece " << c.n << " is " << Printable(c.expected);
}

class MPieceTable : public ::testing::TestWithParam<PieceCase> {};

TEST_P(MPieceTable, GivesPieceN)
{
    const PieceCase& c = GetParam();
    EXPECT_EQ(MPiece(c.s, c.d, c.n), c.expected) << "'" << c.s << "' piece " << c.n;
}

INSTANTIATE_TEST_SUITE_P(Pieces, MPieceTable,
                         ::testing::Values(PieceCase{"a^b^c", "^", 1, "a"}, PieceCase{"a^b^c", "^", 2, "b"},
                                           PieceCase{"a^b^c", "^", 3, "c"}, PieceCase{"a^b", "^", 3, ""},
                                           PieceCase{"", "^", 2, ""}, PieceCase{"", "^", 1, ""},
                                           PieceCase{"a^b", "^", 0, "a"}, PieceCase{"a^b", "^", -4, "a"},
                                           PieceCase{"a^^c", "^", 2, ""}, PieceCase{"a^b^", "^", 3, ""},
                                           PieceCase{"x-y", "-", 2, "y"}, PieceCase{"a^b", "", 1, "a^b"},
                                           PieceCase{"a^b", "", 2, ""}),
                         [](const auto& Info) {
                             const PieceCase& c = Info.param;
                             return TextByDelimiter(c.s, c.d) + "_Piece_" + NamePart(std::to_string(c.n));
                         });

struct SetPieceCase {
    std::string s, d;
    int n;
    std::string v, expected;
};

void PrintTo(const SetPieceCase& c, std::ostream* out)
{
    *out << Printable(c.s) << " by " << Printable(c.d) << " piece " << c.n << " set to " << Printable(c.v) << " is "
         << Printable(c.expected);
}

class MSetPieceTable : public ::testing::TestWithParam<SetPieceCase> {};

TEST_P(MSetPieceTable, ReplacesPieceN)
{
    const SetPieceCase& c = GetParam();
    EXPECT_EQ(MSetPiece(c.s, c.d, c.n, c.v), c.expected) << "'" << c.s << "' piece " << c.n << " := " << c.v;
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, MSetPieceTable,
    ::testing::Values(SetPieceCase{"a^b^c", "^", 2, "X", "a^X^c"}, SetPieceCase{"a", "^", 3, "X", "a^^X"},
                      SetPieceCase{"a^b^c", "^", 1, "X", "X^b^c"}, SetPieceCase{"a^b^c", "^", 0, "X", "X^b^c"},
                      SetPieceCase{"a^b^c", "^", 3, "X", "a^b^X"}, SetPieceCase{"", "^", 3, "X", "^^X"},
                      SetPieceCase{"", "^", 1, "X", "X"}, SetPieceCase{"a^b^c", "^", 2, "", "a^^c"},
                      // one trailing empty piece is dropped, two or more survive
                      SetPieceCase{"a^b^", "^", 2, "X", "a^X"}, SetPieceCase{"a^b^^", "^", 2, "X", "a^X^^"},
                      SetPieceCase{"a|b|c", "|", 2, "X", "a|X|c"}),
    [](const auto& Info) {
        const SetPieceCase& c = Info.param;
        return TextByDelimiter(c.s, c.d) + "_Piece_" + NamePart(std::to_string(c.n)) + "_To_" + NamePart(c.v);
    });

TEST(MSetPiece, ReadsBackWhatItSet)
{
    for (int n = 1; n <= 5; ++n) {
        const std::string s = MSetPiece("a^b^c", "^", n, "V");
        EXPECT_EQ(MPiece(s, "^", n), "V") << n;
        for (int other = 1; other <= 3; ++other) {
            if (other != n) {
                EXPECT_EQ(MPiece(s, "^", other), MPiece("a^b^c", "^", other)) << n << "/" << other;
            }
        }
    }
}

// ---- day numbers ----------------------------------------------------------------------

struct HorologCase {
    std::string h;
    std::string ddmmyyyy; // dd/mm/yyyy with "/"
    std::string mdyyyy;   // m/d/yyyy with "/"
    std::string iso;      // yyyy-mm-dd with "-"
};

void PrintTo(const HorologCase& c, std::ostream* out) { *out << Printable(c.h) << " is " << c.iso; }

class MHorologDataTable : public ::testing::TestWithParam<HorologCase> {};

TEST_P(MHorologDataTable, ShowsTheDateInTheShortDateFormat)
{
    const HorologCase& c = GetParam();
    {
        FormatSettingsGuard settings(',', "dd/mm/yyyy", '/');
        EXPECT_EQ(MHorologData(c.h), c.ddmmyyyy) << c.h;
    }
    {
        FormatSettingsGuard settings('.', "m/d/yyyy", '/');
        EXPECT_EQ(MHorologData(c.h), c.mdyyyy) << c.h;
    }
    {
        FormatSettingsGuard settings('.', "yyyy/mm/dd", '-');
        EXPECT_EQ(MHorologData(c.h), c.iso) << c.h;
    }
}

INSTANTIATE_TEST_SUITE_P(
    DayNumbers, MHorologDataTable,
    ::testing::Values(
        HorologCase{"58074", "01/01/2000", "1/1/2000", "2000-01-01"},
        HorologCase{"58073", "31/12/1999", "12/31/1999", "1999-12-31"},
        HorologCase{"58133", "29/02/2000", "2/29/2000", "2000-02-29"},
        HorologCase{"67912", "08/12/2026", "12/8/2026", "2026-12-08"},
        HorologCase{"37680", "01/03/1944", "3/1/1944", "1944-03-01"},
        // the arithmetic gives the day before the calendar date from 21610 to 37679
        HorologCase{"37679", "28/02/1944", "2/28/1944", "1944-02-28"},
        HorologCase{"21610", "01/03/1900", "3/1/1900", "1900-03-01"},
        HorologCase{"21608", "28/02/1900", "2/28/1900", "1900-02-28"},
        HorologCase{"1156", "01/03/1844", "3/1/1844", "1844-03-01"},
        HorologCase{"1155", "28/02/1844", "2/28/1844", "1844-02-28"},
        HorologCase{"94657", "28/02/2100", "2/28/2100", "2100-02-28"},
        HorologCase{"61", "01/03/1841", "3/1/1841", "1841-03-01"},
        // not a whole number: day number 61
        HorologCase{"abc", "01/03/1841", "3/1/1841", "1841-03-01"},
        HorologCase{"", "01/03/1841", "3/1/1841", "1841-03-01"},
        HorologCase{"58074.5", "01/03/1841", "3/1/1841", "1841-03-01"},
        HorologCase{" 58074", "01/03/1841", "3/1/1841", "1841-03-01"},
        HorologCase{"2147483648", "01/03/1841", "3/1/1841", "1841-03-01"},
        HorologCase{"+58074", "01/01/2000", "1/1/2000", "2000-01-01"},
        HorologCase{"+-58074", "01/03/1841", "3/1/1841", "1841-03-01"},
        // no date: the bare day/month/year text
        HorologCase{"21609", "29/2/1900", "29/2/1900", "29/2/1900"},
        HorologCase{"94658", "29/2/2100", "29/2/2100", "29/2/2100"},
        HorologCase{"60", "0/3/1841", "0/3/1841", "0/3/1841"},
        HorologCase{"0", "-30/2/1841", "-30/2/1841", "-30/2/1841"},
        HorologCase{"2147483647", "11/7/5881451", "11/7/5881451", "11/7/5881451"}),
    [](const auto& Info) { return TestNameOf(Info.param.h); });

TEST(MHorologData, UsesTheDateSeparatorAndTwoDigitYearsOfTheFormat)
{
    FormatSettingsGuard settings(',', "dd/mm/yy", '.');
    EXPECT_EQ(MHorologData("58074"), "01.01.00");
    EXPECT_EQ(MHorologData("21609"), "29/2/1900");
}

// ---- month/year -----------------------------------------------------------------------

struct AnoMesCase {
    std::string s, expected;
};

void PrintTo(const AnoMesCase& c, std::ostream* out) { *out << Printable(c.s) << " is " << Printable(c.expected); }

class MAnoMesTable : public ::testing::TestWithParam<AnoMesCase> {};

TEST_P(MAnoMesTable, PutsTheMonthFirst)
{
    EXPECT_EQ(MAnoMes(GetParam().s), GetParam().expected) << GetParam().s;
}

INSTANTIATE_TEST_SUITE_P(MonthYear, MAnoMesTable,
                         ::testing::Values(AnoMesCase{"2312", "12/23"}, AnoMesCase{"202312", "12/2023"},
                                           AnoMesCase{"", "/"}, AnoMesCase{"20231", "1/2023"},
                                           AnoMesCase{"123", "/123"}, AnoMesCase{"2023123", "12/2023"}),
                         [](const auto& Info) { return TestNameOf(Info.param.s); });

// ---- numbers --------------------------------------------------------------------------

struct NumberCase {
    std::string s;
    uint8_t dec;
    std::string comma; // locale decimal separator ","
    std::string point; // locale decimal separator "."
};

void PrintTo(const NumberCase& c, std::ostream* out) { *out << Printable(c.s) << " dec " << int(c.dec); }

std::string NumberCaseName(const ::testing::TestParamInfo<NumberCase>& Info)
{
    return NamePart(Info.param.s) + "_Dec" + std::to_string(Info.param.dec);
}

class MNormalizaNumeroTable : public ::testing::TestWithParam<NumberCase> {};

TEST_P(MNormalizaNumeroTable, KeepsSignDigitsAndExactlyDecDecimals)
{
    const NumberCase& c = GetParam();
    {
        FormatSettingsGuard settings(',', "dd/mm/yyyy", '/');
        EXPECT_EQ(MNormalizaNumero(c.s, c.dec), c.comma);
    }
    {
        FormatSettingsGuard settings('.', "dd/mm/yyyy", '/');
        EXPECT_EQ(MNormalizaNumero(c.s, c.dec), c.point);
    }
}

INSTANTIATE_TEST_SUITE_P(Numbers, MNormalizaNumeroTable,
                         ::testing::Values(NumberCase{"1.234,5", 2, "1234,50", "1234.50"},
                                           NumberCase{"12,3456", 2, "12,34", "12.34"},
                                           NumberCase{"7", 0, "7,", "7."},
                                           NumberCase{"7", 2, "7,00", "7.00"},
                                           NumberCase{"", 2, ",00", ".00"},
                                           NumberCase{"", 0, ",", "."},
                                           NumberCase{"-12,5", 1, "-12,5", "-12.5"},
                                           NumberCase{"1,2,3", 2, "1,23", "1.23"},
                                           NumberCase{" R$ 1 000,999 ", 2, "1000,99", "1000.99"},
                                           NumberCase{"12-3,4-5", 3, "12-3,4-5", "12-3.4-5"},
                                           NumberCase{"1234.5", 1, "12345,0", "12345.0"},
                                           NumberCase{",5", 2, ",50", ".50"}),
                         NumberCaseName);

class MFormataNumeroTable : public ::testing::TestWithParam<NumberCase> {};

TEST_P(MFormataNumeroTable, GroupsThousandsWithPointsAndDecimalsWithCommaInAnyLocale)
{
    const NumberCase& c = GetParam();
    {
        FormatSettingsGuard settings(',', "dd/mm/yyyy", '/');
        EXPECT_EQ(MFormataNumero(c.s, c.dec), c.comma);
    }
    {
        FormatSettingsGuard settings('.', "dd/mm/yyyy", '/');
        EXPECT_EQ(MFormataNumero(c.s, c.dec), c.point);
    }
}

INSTANTIATE_TEST_SUITE_P(Numbers, MFormataNumeroTable,
                         ::testing::Values(NumberCase{"1234567,8", 2, "1.234.567,80", "1.234.567,80"},
                                           NumberCase{"-123456", 0, "-123.456", "-123.456"},
                                           NumberCase{"-12345", 1, "-12.345,0", "-12.345,0"},
                                           NumberCase{",5", 2, ",50", ",50"},
                                           NumberCase{"123", 0, "123", "123"},
                                           NumberCase{"1234", 0, "1.234", "1.234"},
                                           NumberCase{"-1", 2, "-1,00", "-1,00"},
                                           NumberCase{"-", 1, "-,0", "-,0"},
                                           NumberCase{"", 0, "", ""},
                                           NumberCase{"1.000.000,129", 2, "1.000.000,12", "1.000.000,12"},
                                           NumberCase{"-100000,5", 3, "-100.000,500", "-100.000,500"}),
                         NumberCaseName);

class MInsereDecimalTable : public ::testing::TestWithParam<NumberCase> {};

TEST_P(MInsereDecimalTable, PutsTheLocaleSeparatorBeforeTheLastDecDigits)
{
    const NumberCase& c = GetParam();
    {
        FormatSettingsGuard settings(',', "dd/mm/yyyy", '/');
        EXPECT_EQ(MInsereDecimal(c.s, c.dec), c.comma);
    }
    {
        FormatSettingsGuard settings('.', "dd/mm/yyyy", '/');
        EXPECT_EQ(MInsereDecimal(c.s, c.dec), c.point);
    }
}

INSTANTIATE_TEST_SUITE_P(Numbers, MInsereDecimalTable,
                         ::testing::Values(NumberCase{"12345", 2, "123,45", "123.45"},
                                           NumberCase{"5", 2, "0,05", "0.05"},
                                           NumberCase{"", 2, "0,00", "0.00"},
                                           NumberCase{"12", 2, "0,12", "0.12"},
                                           NumberCase{"123", 2, "1,23", "1.23"},
                                           NumberCase{"12345", 0, "12345,", "12345."},
                                           NumberCase{"", 0, "0,", "0."},
                                           // a short negative value keeps its sign in front of the zeros
                                           NumberCase{"-5", 2, "-0,05", "-0.05"},
                                           NumberCase{"-12", 2, "-0,12", "-0.12"},
                                           NumberCase{"-123", 2, "-1,23", "-1.23"},
                                           NumberCase{"-", 1, "-0,0", "-0.0"},
                                           NumberCase{"-12345", 3, "-12,345", "-12.345"}),
                         NumberCaseName);

TEST(MInsereDecimal, WithItsOwnSeparator_IgnoresTheLocales)
{
    FormatSettingsGuard settings('.', "dd/mm/yyyy", '/');
    EXPECT_EQ(MInsereDecimal("1234567", 2, ','), "12345,67");
    EXPECT_EQ(MInsereDecimal("-5", 2, ','), "-0,05");
    EXPECT_EQ(MInsereDecimal("7", 0, ','), "7,");
}

TEST(MInsereDecimalThenMFormataNumero, KeepTheDecimalsOnlyUnderACommaLocale_UnlessMarkedWithAComma)
{
    {
        FormatSettingsGuard settings(',', "dd/mm/yyyy", '/');
        EXPECT_EQ(MFormataNumero(MInsereDecimal("1234567", 2), 2), "12.345,67");
    }
    {
        // MNormalizaNumero reads only "," as a decimal mark: the inserted "." is dropped.
        FormatSettingsGuard settings('.', "dd/mm/yyyy", '/');
        EXPECT_EQ(MFormataNumero(MInsereDecimal("1234567", 2), 2), "1.234.567,00");
        EXPECT_EQ(MFormataNumero(MInsereDecimal("1234567", 2, ','), 2), "12.345,67");
    }
}

// Positions and counts are not held in one byte: texts over 255 characters come out whole.
TEST(MNumbersOverTwoHundredFiftyFiveCharacters, AreHandledLikeShortOnes)
{
    FormatSettingsGuard settings(',', "dd/mm/yyyy", '/');
    const std::string digits(300, '9');
    EXPECT_EQ(MNormalizaNumero(digits + ",123", 2), digits + ",12");

    std::string grouped = "999";
    for (int group = 1; group < 100; ++group)
        grouped += ".999";
    EXPECT_EQ(MFormataNumero("-" + digits + ",5", 1), "-" + grouped + ",5");
    EXPECT_EQ(MInsereDecimal(digits, 2), std::string(298, '9') + ",99");
}

TEST(MNumbersWithTheLargestDec, PadAllDecimals)
{
    FormatSettingsGuard settings(',', "dd/mm/yyyy", '/');
    EXPECT_EQ(MNormalizaNumero("1", 255), "1," + std::string(255, '0'));
    EXPECT_EQ(MFormataNumero("1234,5", 255), "1.234,5" + std::string(254, '0'));
    EXPECT_EQ(MInsereDecimal("7", 255), "0," + std::string(254, '0') + "7");
}

} // namespace
