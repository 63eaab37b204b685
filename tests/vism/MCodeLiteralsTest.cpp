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
    EXPECT_EQ(lifted->Code, "S P1=$$LIT^TRVSRV(1),P2=1");
    EXPECT_EQ(lifted->Literals, (std::vector<std::string>{"a\"b" + std::string(100, 'c') + "\""}));
}

TEST(MCodeLiterals, LongestLiteralsGoFirst_AsManyAsItTakes_NumberedInTheirOrder)
{
    const std::string a(60, 'a');
    const std::string b(100, 'b');
    const std::string c(80, 'c');
    const std::string code = "S X=" + Quoted(a) + ",Y=" + Quoted(b) + ",Z=" + Quoted(c) + ",W=\"w\"";
    auto lifted = LiftLongLiterals(code, code.size() - 80);
    ASSERT_TRUE(lifted);
    EXPECT_EQ(lifted->Code, "S X=" + Quoted(a) + ",Y=$$LIT^TRVSRV(1),Z=" + Quoted(c) + ",W=\"w\"");
    EXPECT_EQ(lifted->Literals, (std::vector<std::string>{b}));

    lifted = LiftLongLiterals(code, 70);
    ASSERT_TRUE(lifted);
    EXPECT_EQ(lifted->Code, "S X=$$LIT^TRVSRV(1),Y=$$LIT^TRVSRV(2),Z=$$LIT^TRVSRV(3),W=\"w\"");
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
                      StayingLiteral{"InAPostconditionalsPattern", "W:X?1" + Quoted(kLong) + " \"a\""},
                      StayingLiteral{"AReadPrompt", "R " + Quoted(kLong) + ",X:0"},
                      StayingLiteral{"AReadPromptAfterFormats", "r !!,?5," + Quoted(kLong) + ",X:0"},
                      StayingLiteral{"NotClosed", "S X=\"" + kLong},
                      StayingLiteral{"LongCodeOutsideLiterals", "S X=1" + std::string(100, ' ') + "S Y=\"y\""}),
    NamedBy(&StayingLiteral::What));

TEST(MCodeLiterals, LiteralsAfterAPatternOrTab_AreExpressions)
{
    auto lifted = LiftLongLiterals("I X?1N.A S Y=" + Quoted(kLong), 60);
    ASSERT_TRUE(lifted);
    EXPECT_EQ(lifted->Code, "I X?1N.A S Y=$$LIT^TRVSRV(1)");
    lifted = LiftLongLiterals("W ?10," + Quoted(kLong), 60);
    ASSERT_TRUE(lifted);
    EXPECT_EQ(lifted->Code, "W ?10,$$LIT^TRVSRV(1)");
}

// A "?" that begins a WRITE or READ argument is a tab to a column, whose expression may
// hold literals; anywhere else it is a pattern match.
struct TabCase {
    const char* What;
    std::string Code;   // "@" stands for the long literal
    std::string Lifted; // "~" stands for its reference
};

void PrintTo(const TabCase& Case, std::ostream* Out)
{
    *Out << Case.What << ": " << Case.Code;
}

std::string WithLong(const std::string& Text, char Mark, const std::string& Replacement)
{
    std::string result;
    for (const char c : Text)
        result += c == Mark ? Replacement : std::string(1, c);
    return result;
}

class MCodeLiteralAfterATab : public ::testing::TestWithParam<TabCase> {};

TEST_P(MCodeLiteralAfterATab, IsAnExpressionAndIsTakenOut)
{
    const auto lifted = LiftLongLiterals(WithLong(GetParam().Code, '@', Quoted(kLong)), 60);
    ASSERT_TRUE(lifted);
    EXPECT_EQ(lifted->Code, WithLong(GetParam().Lifted, '~', "$$LIT^TRVSRV(1)"));
    EXPECT_EQ(lifted->Literals, (std::vector<std::string>{kLong}));
}

INSTANTIATE_TEST_SUITE_P(
    Table, MCodeLiteralAfterATab,
    ::testing::Values(TabCase{"ParenthesisedColumn", "W ?($l(@)#7) S P1=1", "W ?($l(~)#7) S P1=1"},
                      TabCase{"AfterNewLines", "W !!?(1+$L(@)),!", "W !!?(1+$L(~)),!"},
                      TabCase{"SecondArgument", "WRITE \"a\",?(@) S X=1", "WRITE \"a\",?(~) S X=1"},
                      TabCase{"AfterAPostconditional", "W:X?1N ?(@)", "W:X?1N ?(~)"},
                      TabCase{"ReadsTab", "R ?(@),X:0", "R ?(~),X:0"},
                      TabCase{"ReadsTimeout", "R X:@", "R X:~"},
                      TabCase{"AfterAnArgumentlessCommand", "K  W ?($L(@))", "K  W ?($L(~))"},
                      TabCase{"ExtrinsicsArgument", "$$F^X(@,?1N)", "$$F^X(~,?1N)"}),
    [](const auto& Info) { return std::string(Info.param.What); });

// Nesting of any depth is counted, not recursed into: no code can exhaust the stack.
TEST(MCodeLiterals, DeeplyNestedParentheses_AreScannedWithoutRecursion)
{
    for (const std::string& start : {std::string("W ?"), std::string("I X?1"), std::string("S X=")}) {
        const std::string code = start + std::string(400000, '(') + Quoted(kLong) + std::string(400000, ')');
        EXPECT_FALSE(LiftLongLiterals(code, 8128)) << start;
    }
}

TEST(MCodeLiterals, SemicolonInsideALiteral_DoesNotStartAComment)
{
    const auto lifted = LiftLongLiterals("S X=\";" + kLong + "\" ; note", 60);
    ASSERT_TRUE(lifted);
    EXPECT_EQ(lifted->Code, "S X=$$LIT^TRVSRV(1) ; note");
    EXPECT_EQ(lifted->Literals, (std::vector<std::string>{";" + kLong}));
}

} // namespace
