#include <gtest/gtest.h>

#include "support/ParamNames.h"
#include "toolkit/SysUtils.h"
#include "toolkit/Variant.h"
#include "toolkit/Win1252.h"

TEST(Win1252, EveryByteSurvivesTheScreenRoundTrip)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    EXPECT_EQ(FromScreen(ToScreen(all)), all);
}

TEST(Win1252, MapsTheCodePageSpecialsAndAccents)
{
    EXPECT_EQ(ToScreen("\x80"), QString(QChar(0x20AC)));
    EXPECT_EQ(Cp1252("Informação"), std::string("Informa\xE7\xE3o"));
    EXPECT_EQ(FromScreen(QString(QChar(0x4E2D))), "?");
}

TEST(TVariantConversion, TextIntegerAndEmpty)
{
    EXPECT_EQ(TVariant().AsString(), "");
    EXPECT_EQ(TVariant(42).AsString(), "42");
    EXPECT_EQ(TVariant("-17").AsInteger(), -17);
    EXPECT_EQ(TVariant().AsInteger(), 0);
    EXPECT_THROW(TVariant("12a").AsInteger(), EConvertError);
    EXPECT_THROW(TVariant("").AsInteger(), EConvertError);
}

struct StrToIntCase {
    const char* text;
    int32_t value;
};

void PrintTo(const StrToIntCase& c, std::ostream* out) { *out << Printable(c.text) << " is " << c.value; }

class StrToIntAccepts : public ::testing::TestWithParam<StrToIntCase> {};

TEST_P(StrToIntAccepts, DecimalAndHexadecimalForms)
{
    EXPECT_EQ(StrToInt(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Text, StrToIntAccepts,
                         ::testing::Values(StrToIntCase{"0", 0}, StrToIntCase{"300", 300}, StrToIntCase{"  -17", -17},
                                           StrToIntCase{"+9", 9}, StrToIntCase{"$41", 65}, StrToIntCase{"x1f", 31},
                                           StrToIntCase{"0XfF", 255}, StrToIntCase{"-$10", -16},
                                           StrToIntCase{"2147483647", 2147483647},
                                           StrToIntCase{"-2147483648", INT32_MIN},
                                           StrToIntCase{"$FFFFFFFF", -1}),
                         [](const auto& Info) { return TestNameOf(Info.param.text); });

class StrToIntRefuses : public ::testing::TestWithParam<const char*> {};

TEST_P(StrToIntRefuses, WithTheConversionError)
{
    try {
        StrToInt(GetParam());
        FAIL() << "converted";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), std::string("'") + GetParam() + "' is not a valid integer value");
    }
}

INSTANTIATE_TEST_SUITE_P(Text, StrToIntRefuses,
                         ::testing::Values("", " ", "x", "$", "-", "12 ", "1,5", "--1", "+-1", "2147483648",
                                           "-2147483649", "$100000000", "0x", "\t1"),
                         [](const auto& Info) { return TestNameOf(Info.param); });
