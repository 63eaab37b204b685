// Whole decimal integers (DecimalToInt and the conversions built on it) and Trim.
#include <gtest/gtest.h>

#include <climits>

#include "support/ParamNames.h"
#include "toolkit/SysUtils.h"

namespace {

struct DecimalCase {
    const char* Text;
    int Value;
};

void PrintTo(const DecimalCase& c, std::ostream* out) { *out << Printable(c.Text) << " is " << c.Value; }

class DecimalAccepted : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(DecimalAccepted, GivesTheValueEverywhere)
{
    EXPECT_EQ(DecimalToInt(GetParam().Text), GetParam().Value);
    EXPECT_EQ(StrToIntDef(GetParam().Text, 99), GetParam().Value);
    EXPECT_EQ(DecimalStrToInt(GetParam().Text), GetParam().Value);
}

INSTANTIATE_TEST_SUITE_P(Text, DecimalAccepted,
                         ::testing::Values(DecimalCase{"0", 0}, DecimalCase{"7", 7}, DecimalCase{"007", 7},
                                           DecimalCase{"+12", 12}, DecimalCase{"-12", -12}, DecimalCase{"-0", 0},
                                           DecimalCase{"2147483647", INT_MAX}, DecimalCase{"-2147483648", INT_MIN}),
                         [](const auto& Info) { return TestNameOf(Info.param.Text); });

class DecimalRefused : public ::testing::TestWithParam<const char*> {};

TEST_P(DecimalRefused, GivesNothingTheDefaultOrTheConversionError)
{
    EXPECT_EQ(DecimalToInt(GetParam()), std::nullopt);
    EXPECT_EQ(StrToIntDef(GetParam(), 99), 99);
    try {
        DecimalStrToInt(GetParam());
        FAIL() << "converted";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), std::string("'") + GetParam() + "' is not a valid integer value");
    }
}

INSTANTIATE_TEST_SUITE_P(Text, DecimalRefused,
                         ::testing::Values("", "+", "-", "abc", "7x", "0x7", "$7", " 7", "7 ", "+-7", "-+7", "++7",
                                           "--7", "1,5", "2147483648", "-2147483649", "99999999999"),
                         [](const auto& Info) { return TestNameOf(Info.param); });

struct TrimCase {
    std::string Text;
    std::string Trimmed;
};

void PrintTo(const TrimCase& c, std::ostream* out) { *out << Printable(c.Text) << " is " << Printable(c.Trimmed); }

class TrimTable : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimTable, TakesBlanksAndControlCharactersOffBothEndsOnly)
{
    EXPECT_EQ(Trim(GetParam().Text), GetParam().Trimmed);
}

INSTANTIATE_TEST_SUITE_P(Text, TrimTable,
                         ::testing::Values(TrimCase{"", ""}, TrimCase{"   ", ""}, TrimCase{"abc", "abc"},
                                           TrimCase{"  12,50 ", "12,50"}, TrimCase{"\t\r\n x \x01", "x"},
                                           TrimCase{std::string("\0a\0", 3), "a"}, TrimCase{" a b ", "a b"},
                                           TrimCase{"\xA0" "a\xA0", "\xA0" "a\xA0"}, TrimCase{"\x7F", "\x7F"}),
                         [](const auto& Info) { return TestNameOf(Info.param.Text); });

} // namespace
