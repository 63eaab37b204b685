#include <gtest/gtest.h>

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
