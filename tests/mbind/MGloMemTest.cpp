// The memory global: the GET, MAT and SET texts and registers of its reading and writing,
// the master's Edicao around a reading, and the master's Edit on a changed text.
#include <gtest/gtest.h>

#include <stdexcept>

#include "mbind/BoundDoubles.h"
#include "mbind/MGloMem.h"
#include "mbind/MPieceGroup.h"
#include "mbind/MText.h"
#include "support/FakeVisM.h"
#include "support/ParamNames.h"

namespace {

using Log = std::vector<std::string>;

std::string Get(const std::string& Sub)
{
    return R"($$GET^%CSWWMEM("^CLI","7",")" + Sub + R"("))";
}
const std::string kMat = R"($$MAT^%CSWWMEM("^CLI","7"))";
const std::string kSet = R"($$SET^%CSWWMEM("^CLI","7"))";
const std::string kEdit = R"($$EDIT^%CSWWGLOB("^CLI","7"))";

FakeAnswer Line(const std::string& Text, const std::string& Sub)
{
    return {.result = "0", .registers = {{0, Text}, {1, Sub}}};
}
FakeAnswer NoLine()
{
    return {.result = "1", .registers = {{0, ""}, {1, ""}}};
}

struct MGloMemTest : ::testing::Test {
    MGloMemTest()
    {
        master.SetName("Master");
        master.SetVisM(&vism);
        master.SetGlobal("^CLI");
        master.GlobalChaves()->Add()->SetAtual("7");
        memo.SetVisM(&ownVisM);
        memo.SetMGlobal(&master);
        control.Bind(&memo, tcPiece, 2);
    }

    // The memo's text, set without starting the master's Edit.
    void Hold(const std::string& Text)
    {
        const TEdicaoBracket reading(&master);
        memo.SetData(Text);
    }

    FakeVisM vism;
    FakeVisM ownVisM;
    TMGlobal master{nullptr};
    TMGloMem memo{nullptr};
    Journal journal;
    TestControl control{"C", &journal};
};

// --- reading -------------------------------------------------------------------------

TEST_F(MGloMemTest, NoLineStored_OneGetGivesTheEmptyTextAndTheControlsAreNotified)
{
    vism.Expect(Get(""), NoLine());
    Hold("old");
    master.NotificarLinks();
    EXPECT_EQ(vism.Log(), (Log{"Code=" + Get(""), "ExecFlag=1"}));
    EXPECT_EQ(memo.Dados(), "");
    EXPECT_EQ(journal, Journal{"C.Refresh"});
}

TEST_F(MGloMemTest, TwoLines_ThreeGetsEachFromThePreviousSubscript_JoinedByTheMastersSeparator)
{
    master.SetSeparador("~");
    vism.Expect(Get(""), Line("first", "1")).Expect(Get("1"), Line("second", "2")).Expect(Get("2"), NoLine());
    master.NotificarLinks();
    EXPECT_EQ(vism.Runs(), (Log{Get(""), Get("1"), Get("2")}));
    EXPECT_EQ(memo.Dados(), "first~second");
    EXPECT_EQ(vism.PendingAnswers(), 0);
}

TEST_F(MGloMemTest, Reading_RunsOnTheMastersControlWithItsEdicaoRaised_AndStartsNoEdit)
{
    int edicaoDuringRead = -1;
    vism.Expect(Get(""), {.result = "0",
                          .registers = {{0, "changed"}, {1, "1"}},
                          .during = [&] { edicaoDuringRead = master.Edicao(); }});
    vism.Expect(Get("1"), NoLine());
    master.NotificarLinks();
    EXPECT_EQ(edicaoDuringRead, 1);
    EXPECT_EQ(master.Edicao(), 0);
    EXPECT_EQ(memo.Dados(), "changed");
    EXPECT_EQ(vism.Runs().size(), 2u) << "no EDIT";
    EXPECT_TRUE(ownVisM.Log().empty());
}

TEST_F(MGloMemTest, ReadingThatFailsPartWay_LowersTheMastersEdicaoAgain)
{
    vism.Expect(Get(""), Line("a", "1"));
    vism.Expect(Get("1"), {.during = [] { throw std::runtime_error("server gone"); }});
    EXPECT_THROW(master.NotificarLinks(), std::runtime_error);
    EXPECT_EQ(master.Edicao(), 0);
}

// Queued after a failing run: a reading that goes on after it would otherwise run for ever.
FakeAnswer NoRunAfterTheFailure()
{
    return {.during = [] { throw std::logic_error("a run after the failed one"); }};
}

TEST_F(MGloMemTest, ReadingEndsAtAFailedRunAfterALine_WithTextAndControlsAsTheyWere)
{
    Hold("old");
    vism.Expect(Get(""), Line("a", "1"));
    vism.Expect(Get("1"), {.error = "%GTM-E-UNDEF"});
    vism.Answer(NoRunAfterTheFailure());
    EXPECT_THROW(master.NotificarLinks(), EMRunFailed);
    EXPECT_EQ(vism.Runs().size(), 2u);
    EXPECT_EQ(memo.Dados(), "old");
    EXPECT_TRUE(journal.empty()) << "the controls were told";
    EXPECT_EQ(master.Edicao(), 0);
}

TEST_F(MGloMemTest, ReadingWhoseFirstRunFails_AfterAnEditAnswered0_EndsAtOnce)
{
    Hold("old");
    vism.Expect(kEdit, {.result = "0", .registers = {{1, "rec"}}});
    master.Edit();
    vism.Expect(Get(""), {.error = "%GTM-E-UNDEF"});
    vism.Answer(NoRunAfterTheFailure());
    EXPECT_THROW(memo.RefreshFromGlobal(), EMRunFailed);
    EXPECT_EQ(vism.Runs().size(), 2u);
    EXPECT_EQ(memo.Dados(), "old");
    EXPECT_EQ(master.Edicao(), 0);
}

TEST_F(MGloMemTest, QuotesInTheMastersGlobalAndKeys_AreDoubledInsideTheirLiterals)
{
    master.SetGlobal("^C\"X");
    master.GlobalChaves()->Items(0)->SetAtual("a\"b");
    vism.Expect(R"($$GET^%CSWWMEM("^C""X","a""b",""))", NoLine());
    master.NotificarLinks();
    EXPECT_EQ(vism.PendingAnswers(), 0);
}

TEST_F(MGloMemTest, WhileDesigned_ReadsNothing)
{
    memo.SetDesigning(true);
    master.NotificarLinks();
    EXPECT_TRUE(vism.Log().empty());
    EXPECT_TRUE(journal.empty());
}

// --- writing -------------------------------------------------------------------------

struct WriteCase {
    const char* name;
    std::string text;
    Log log;
};

void PrintTo(const WriteCase& c, std::ostream* out) { *out << Printable(c.text); }

class MGloMemWrite : public MGloMemTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(MGloMemWrite, MatThenOneSetTextRunOncePerLineAndOnceMoreWithAnEmptyLine)
{
    Hold(GetParam().text);
    memo.Gravar();
    EXPECT_EQ(vism.Log(), GetParam().log);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MGloMemWrite,
    ::testing::Values(WriteCase{"Empty",
                                "",
                                {"Code=" + kMat, "ExecFlag=1", "Code=" + kSet, "P1=1", "P0=", "ExecFlag=1", "P1=2",
                                 "P0=", "ExecFlag=1"}},
                      WriteCase{"TwoLines",
                                "a^b",
                                {"Code=" + kMat, "ExecFlag=1", "Code=" + kSet, "P1=1", "P0=a", "ExecFlag=1", "P1=2",
                                 "P0=b", "ExecFlag=1", "P1=3", "P0=", "ExecFlag=1"}}),
    NamedBy(&WriteCase::name));

struct FailedWriteCase {
    const char* name;
    // The run that fails, counted from 0: MAT, then one SET per line.
    size_t failing;
};

void PrintTo(const FailedWriteCase& c, std::ostream* out) { *out << "run " << c.failing << " fails"; }

class MGloMemFailedWrite : public MGloMemTest, public ::testing::WithParamInterface<FailedWriteCase> {};

TEST_P(MGloMemFailedWrite, EndsAtTheFailedRun)
{
    Hold("a^b");
    for (size_t i = 0; i < GetParam().failing; ++i)
        vism.Answer({.result = "0"});
    vism.Answer({.error = "%GTM-E-UNDEF"});
    vism.Answer(NoRunAfterTheFailure());
    EXPECT_THROW(memo.Gravar(), EMRunFailed);
    EXPECT_EQ(vism.Runs().size(), GetParam().failing + 1);
}

INSTANTIATE_TEST_SUITE_P(Runs, MGloMemFailedWrite,
                         ::testing::Values(FailedWriteCase{"Mat", 0}, FailedWriteCase{"FirstLine", 1},
                                           FailedWriteCase{"SecondLine", 2}),
                         NamedBy(&FailedWriteCase::name));

TEST_F(MGloMemTest, MastersPost_ThatFails_WritesNoLines)
{
    Hold("a");
    vism.Expect(kEdit, {.result = "0", .registers = {{1, "rec"}}});
    master.Edit();
    vism.Answer({.error = "%GTM-E-UNDEF"});
    EXPECT_THROW(master.Post(), EMRunFailed);
    EXPECT_EQ(vism.Runs(), (Log{kEdit, R"($$POST^%CSWWGLOB("^CLI","7",1))"}));
}

TEST_F(MGloMemTest, Gravar_CutsTheTextAtTheMastersSeparatorNotItsOwn)
{
    master.SetSeparador("~");
    memo.SetSeparador("|");
    Hold("a^b~c|d");
    memo.Gravar();
    EXPECT_EQ(vism.Log(), (Log{"Code=" + kMat, "ExecFlag=1", "Code=" + kSet, "P1=1", "P0=a^b", "ExecFlag=1", "P1=2",
                               "P0=c|d", "ExecFlag=1", "P1=3", "P0=", "ExecFlag=1"}));
}

TEST_F(MGloMemTest, Gravar_WhileTheMastersEdicaoIsRaised_SendsNothing)
{
    Hold("a");
    master.IncEdicao();
    memo.Gravar();
    master.DecEdicao();
    EXPECT_TRUE(vism.Log().empty());
}

TEST_F(MGloMemTest, MastersPost_WritesTheLinesOnlyWhenAnswered0)
{
    Hold("a");
    vism.Answer({.result = "1"});
    master.Post();
    EXPECT_EQ(vism.Runs().size(), 1u);
    vism.ClearLog();
    vism.Answer({.result = "0"});
    master.Post();
    EXPECT_EQ(vism.Runs(), (Log{R"($$POST^%CSWWGLOB("^CLI","7",0))", kMat, kSet, kSet}));
}

// --- a changed text ------------------------------------------------------------------

TEST_F(MGloMemTest, SameTextAgain_DoesNothing)
{
    Hold("a^b");
    memo.SetData("a^b");
    EXPECT_TRUE(vism.Log().empty());
}

TEST_F(MGloMemTest, ChangedText_IsStoredThenStartsTheMastersEdit)
{
    Hold("a^b");
    std::string heldDuringEdit;
    vism.Expect(kEdit, {.result = "0", .registers = {{1, "rec"}}, .during = [&] { heldDuringEdit = memo.Dados(); }});
    control.Type("x");
    EXPECT_EQ(heldDuringEdit, "a^x");
    EXPECT_EQ(memo.Dados(), "a^x");
    EXPECT_EQ(master.Estado(), esEdicao);
}

TEST_F(MGloMemTest, ChangedTextFromARefreshOfItsOwnControls_IsDroppedAndStartsNoEdit)
{
    Hold("a");
    const TEdicaoBracket refreshing(&memo);
    memo.SetData("b");
    EXPECT_EQ(memo.Dados(), "a");
    EXPECT_TRUE(vism.Log().empty());
}

// --- the master ----------------------------------------------------------------------

TEST_F(MGloMemTest, MasterOtherThanABoundGlobalWithANode_IsRefusedAndTheOldOneKept)
{
    TMPieceGroup group(nullptr);
    EXPECT_THROW(memo.SetMGlobal(&group), Exception);
    EXPECT_EQ(memo.MGlobal(), &master);
    memo.SetMGlobal(nullptr);
    EXPECT_TRUE(master.Links().empty());
}

TEST_F(MGloMemTest, DestroyedMemo_LeavesTheMastersLinks)
{
    {
        TMGloMem second(nullptr);
        second.SetMGlobal(&master);
        EXPECT_EQ(master.Links().size(), 2u);
    }
    EXPECT_EQ(master.Links().size(), 1u);
    EXPECT_EQ(master.Links()[0]->Dono(), &memo);
}

TEST_F(MGloMemTest, DestroyedMaster_LeavesTheMemoWithoutOne)
{
    auto other = std::make_unique<TMGlobal>(nullptr);
    memo.SetMGlobal(other.get());
    other.reset();
    EXPECT_EQ(memo.MGlobal(), nullptr);
    memo.SetData("free");
    memo.Gravar();
    EXPECT_EQ(memo.Dados(), "free");
    EXPECT_TRUE(vism.Log().empty());
}

}  // namespace
