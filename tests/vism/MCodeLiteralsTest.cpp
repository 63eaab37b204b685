// Long string literals taken out of a code too long for the server, as values.
#include <gtest/gtest.h>

#include "support/ParamNames.h"
#include "vism/MCodeLiterals.h"

namespace {

std::string Quoted(const std::string& Text)
{
    return "\"" + Text + "\"";
}

TEST(MCodeLiterals, CodeThatFits_IsLeftAsItIs)
{
    const std::string code = "S P1=" + Quoted(std::string(40, 'x'));
    for (const size_t limit : {code.size(), code.size() + 1}) {
        const auto lifted = LiftLongLiterals(code, limit);
        ASSERT_TRUE(lifted);
        EXPECT_EQ(lifted->Code, code);
        EXPECT_TRUE(lifted->Literals.empty());
    }
}

TEST(MCodeLiterals, LongLiteral_BecomesAValueWithItsQuotesUndoubled)
{
    const auto lifted = LiftLongLiterals("S P1=\"a\"\"b" + std::string(100, 'c') + "\"\"\",P2=1", 50);
    ASSERT_TRUE(lifted);
    EXPECT_EQ(lifted->Code, "S P1=%TRVLIT(1),P2=1");
    EXPECT_EQ(lifted->Literals, (std::vector<std::string>{"a\"b" + std::string(100, 'c') + "\""}));
}

TEST(MCodeLiterals, LongestLiteralsGoFirst_AsManyAsItTakes_NumberedInTheirOrder)
{
    const std::string a(60, 'a');
    const std::string b(100, 'b');
    const std::string c(80, 'c');
    const std::string code = "S X=" + Quoted(a) + ",Y=" + Quoted(b) + ",Z=" + Quoted(c) + ",W=\"w\"";
    auto lifted = LiftLongLiterals(code, code.size() - 90);
    ASSERT_TRUE(lifted);
    EXPECT_EQ(lifted->Code, "S X=" + Quoted(a) + ",Y=%TRVLIT(1),Z=" + Quoted(c) + ",W=\"w\"");
    EXPECT_EQ(lifted->Literals, (std::vector<std::string>{b}));

    lifted = LiftLongLiterals(code, 60);
    ASSERT_TRUE(lifted);
    EXPECT_EQ(lifted->Code, "S X=%TRVLIT(1),Y=%TRVLIT(2),Z=%TRVLIT(3),W=\"w\"");
    EXPECT_EQ(lifted->Literals, (std::vector<std::string>{a, b, c}));
}

struct StayingLiteral {
    const char* What;
    std::string Code; // its only long literal cannot be taken out
};

void PrintTo(const StayingLiteral& Case, std::ostream* Out)
{
    *Out << Case.What;
}

class MCodeLiteralThatStays : public ::testing::TestWithParam<StayingLiteral> {};

TEST_P(MCodeLiteralThatStays, LeavesTheCodeTooLong)
{
    EXPECT_FALSE(LiftLongLiterals(GetParam().Code, 60));
}

const std::string kLong(100, 'q');

INSTANTIATE_TEST_SUITE_P(
    Table, MCodeLiteralThatStays,
    ::testing::Values(StayingLiteral{"InAComment", "S X=1 ; " + Quoted(kLong)},
                      StayingLiteral{"InAPattern", "I X?1" + Quoted(kLong) + " S Y=1"},
                      StayingLiteral{"InANegatedPattern", "I X'?1N1" + Quoted(kLong) + " S Y=1"},
                      StayingLiteral{"InAPatternAlternation", "I X?1(1N,1" + Quoted(kLong) + ") S Y=1"},
                      StayingLiteral{"NotClosed", "S X=\"" + kLong},
                      StayingLiteral{"LongCodeOutsideLiterals", "S X=1" + std::string(100, ' ') + "S Y=\"y\""}),
    NamedBy(&StayingLiteral::What));

TEST(MCodeLiterals, LiteralsAfterAPatternOrTab_AreExpressions)
{
    auto lifted = LiftLongLiterals("I X?1N.A S Y=" + Quoted(kLong), 60);
    ASSERT_TRUE(lifted);
    EXPECT_EQ(lifted->Code, "I X?1N.A S Y=%TRVLIT(1)");
    lifted = LiftLongLiterals("W ?10," + Quoted(kLong), 60);
    ASSERT_TRUE(lifted);
    EXPECT_EQ(lifted->Code, "W ?10,%TRVLIT(1)");
}

TEST(MCodeLiterals, SemicolonInsideALiteral_DoesNotStartAComment)
{
    const auto lifted = LiftLongLiterals("S X=\";" + kLong + "\" ; note", 60);
    ASSERT_TRUE(lifted);
    EXPECT_EQ(lifted->Code, "S X=%TRVLIT(1) ; note");
    EXPECT_EQ(lifted->Literals, (std::vector<std::string>{";" + kLong}));
}

} // namespace
