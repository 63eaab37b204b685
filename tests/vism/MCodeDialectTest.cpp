// Caché-style spaces around "=" become standard M; standard M passes unchanged.
#include <gtest/gtest.h>

#include "support/ParamNames.h"
#include "vism/MCodeDialect.h"

namespace {

struct DialectCase {
    const char* Code;
    const char* Expected;
};

void PrintTo(const DialectCase& Case, std::ostream* Out)
{
    *Out << Printable(Case.Code) << " is " << Printable(Case.Expected);
}

class SpacesAroundEquals : public ::testing::TestWithParam<DialectCase> {};

TEST_P(SpacesAroundEquals, AreDroppedOutsideStringsAndComments)
{
    EXPECT_EQ(WithoutSpacesAroundEquals(GetParam().Code), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Table, SpacesAroundEquals,
                         ::testing::Values(DialectCase{"S P1 = $h", "S P1=$h"},
                                           DialectCase{"S P1  =  $h", "S P1=$h"},
                                           DialectCase{"set ^PESAGEM(P0,P1)=P2 ", "set ^PESAGEM(P0,P1)=P2 "},
                                           DialectCase{"K ^PESAGEM(P0,P1)", "K ^PESAGEM(P0,P1)"},
                                           DialectCase{"I X '= 1 S Y = 2", "I X'=1 S Y=2"},
                                           DialectCase{"S X=\" = \" S Y = X", "S X=\" = \" S Y=X"},
                                           DialectCase{"S X=\"a\"\" = \"\"b\" S Y = 1", "S X=\"a\"\" = \"\"b\" S Y=1"},
                                           DialectCase{"S X = 1 ; a = b", "S X=1 ; a = b"},
                                           DialectCase{"Q:X=1  S Y=2", "Q:X=1  S Y=2"},
                                           DialectCase{"$$CHECK^%CSWWGLOB(\"^X\",\"1|2\")",
                                                       "$$CHECK^%CSWWGLOB(\"^X\",\"1|2\")"},
                                           DialectCase{"", ""}),
                         [](const auto& Info) { return TestNameOf(Info.param.Code); });

} // namespace
