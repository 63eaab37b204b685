// Currency values to and from number text in the process's notation, under both
// decimal separators: the tables are written with "." and "," is put in its place.
#include <gtest/gtest.h>
#include <cstdint>
#include <limits>
#include <string>

#include "mbind/CurrencyText.h"
#include "support/FormatSettingsGuard.h"

namespace {

class CurrencyTextTest : public ::testing::TestWithParam<char> {
protected:
    CurrencyTextTest() : guard_(GetParam(), "dd/mm/yyyy", '/') {}
    std::string N(const std::string& Text) const { return InNotation(Text, GetParam()); }

private:
    FormatSettingsGuard guard_;
};

INSTANTIATE_TEST_SUITE_P(BothSeparators, CurrencyTextTest, ::testing::Values('.', ','),
                         [](const auto& Info) { return Info.param == '.' ? "Point" : "Comma"; });

TEST_P(CurrencyTextTest, CurrencyToText_IsTheGeneralFormat)
{
    const struct {
        int64_t scaled;
        const char* text;
    } rows[] = {
        {0, "0"},
        {125000, "12.5"},
        {-5000, "-0.5"},
        {10000, "1"},
        {1, "0.0001"},
        {-1, "-0.0001"},
        {123450, "12.345"},
        {12345678900000, "1234567890"},
        // more than 15 significant digits: rounded there, ties to even
        {1234567890123456, "123456789012.346"},
        {1234567890123425, "123456789012.342"},
        {1234567890123435, "123456789012.344"},
        {999999999999999999, "100000000000000"},
        {std::numeric_limits<int64_t>::max(), "922337203685478"},
        {std::numeric_limits<int64_t>::min(), "-922337203685478"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CurrencyToText(row.scaled), N(row.text)) << row.scaled;
}

TEST_P(CurrencyTextTest, TryTextToCurrency_ReadsTheAcceptedForms)
{
    const struct {
        const char* text;
        int64_t scaled;
    } rows[] = {
        {"0", 0},
        {"12", 120000},
        {"12.5", 125000},
        {"-0.5", -5000},
        {"+3", 30000},
        {"  7.25  ", 72500},
        {".", 0},
        {".00", 0},
        {"12.", 120000},
        {".5", 5000},
        {"-0", 0},
        {"1e3", 10000000},
        {"1.5E-2", 150},
        {"25e+1", 2500000},
        {"1234.56", 12345600},
        {"000012.3400", 123400},
        // times 10000, rounded to nearest with ties to even
        {"0.00005", 0},
        {"0.00015", 2},
        {"0.00025", 2},
        {"0.000251", 3},
        {"-0.00015", -2},
        {"0.000049999", 0},
        {"0.00000000001", 0},
        {"922337203685477.5807", std::numeric_limits<int64_t>::max()},
        {"-922337203685477.5808", std::numeric_limits<int64_t>::min()},
    };
    for (const auto& row : rows) {
        int64_t scaled = -999;
        EXPECT_TRUE(TryTextToCurrency(N(row.text), scaled)) << row.text;
        EXPECT_EQ(scaled, row.scaled) << row.text;
    }
}

TEST_P(CurrencyTextTest, TryTextToCurrency_FailsOnEverythingElse_LeavingTheValue)
{
    const char* rows[] = {
        "", " ", "-", "+", "e5", "1e", "1e+", "1-2.00", "1.2.3", "12a", "a12", "1 2", "--1", "1..", "0x10",
        // beyond the range
        "922337203685477.5808", "-922337203685477.5809", "1e20", "99999999999999999999",
    };
    for (const char* text : rows) {
        int64_t scaled = 42;
        EXPECT_FALSE(TryTextToCurrency(N(text), scaled)) << text;
        EXPECT_EQ(scaled, 42) << text;
    }
}

TEST_P(CurrencyTextTest, TryTextToCurrency_TheOtherSeparatorIsNotADecimalPoint)
{
    const std::string other = GetParam() == '.' ? "1,5" : "1.5";
    int64_t scaled = 42;
    EXPECT_FALSE(TryTextToCurrency(other, scaled));
}

} // namespace
