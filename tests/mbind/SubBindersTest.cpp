// The piece and sub-global binders: what each holds after its master notifies its links,
// what its write-back does to the master, and the server texts of a sub-global following
// its master's keys, lock and edit.
#include <gtest/gtest.h>

#include "mbind/BoundDoubles.h"
#include "mbind/MPieceGroup.h"
#include "mbind/MSubGlobal.h"
#include "mbind/MSubPiece.h"
#include "mbind/MText.h"
#include "support/FakeVisM.h"
#include "support/ParamNames.h"

namespace {

using Log = std::vector<std::string>;

// A master without a server: like a bound global, its first Edit enters editing and the
// later ones do nothing; it counts the edits started and notes its Edicao at every
// record write.
class MasterGlobal : public TMGlobalBase {
public:
    MasterGlobal() : TMGlobalBase(nullptr) { SetName("Master"); }
    void Edit() override
    {
        if (Estado() == esEdicao)
            return;
        ++edits;
        StoreEstado(esEdicao);
    }
    void SetData(const std::string& Value) override
    {
        edicaoAtWrites.push_back(Edicao());
        TMGlobalBase::SetData(Value);
    }
    // The record, set without an Edit.
    void Hold(const std::string& Record)
    {
        const TEdicaoBracket holding(this);
        StoreDados(Record);
    }
    int edits = 0;
    std::vector<int> edicaoAtWrites;
};

// --- piece group ---------------------------------------------------------------------

struct PieceGroup : ::testing::Test {
    PieceGroup()
    {
        master.Hold("a^b^c^d^e");
        group.SetName("Group");
        group.SetSeparador("|");
        group.SetPieceInicial(2);
        group.SetPiece_Final(4);
        group.SetMGlobal(&master);
        run.Bind(&group, tcPiece, 1);
        masterPiece3.Bind(&master, tcPiece, 3);
    }

    MasterGlobal master;
    TMPieceGroup group{nullptr};
    Journal journal;
    TestControl run{"Run", &journal};
    TestControl masterPiece3{"M3", &journal};
};

TEST_F(PieceGroup, HoldsTheRunEachPieceFollowedByTheMastersSeparator)
{
    master.NotificarLinks();
    EXPECT_EQ(group.GetPiece(1), "b^c^d^");
    EXPECT_EQ(run.Value(), "b^c^d^");
    EXPECT_EQ(master.Dados(), "a^b^c^d^e");
}

TEST_F(PieceGroup, RefreshWritesBackWithTheMastersEdicaoRaised_RedrawingItsPiecesButStartingNoEdit)
{
    master.NotificarLinks();
    EXPECT_EQ(master.edicaoAtWrites, (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(master.Edicao(), 0);
    EXPECT_EQ(master.edits, 0);
    EXPECT_EQ(masterPiece3.Refreshes(), 2) << "by the write-back of piece 3, then as the master's link";
}

TEST_F(PieceGroup, RefreshWithControlsThatWriteBackOnBothSides_LeavesTheMasterAsItWas)
{
    run.SetWritesBack(true);
    masterPiece3.SetWritesBack(true);
    master.NotificarLinks();
    EXPECT_EQ(master.Dados(), "a^b^c^d^e");
    EXPECT_EQ(master.edits, 0);
    EXPECT_EQ(master.Edicao(), 0);
}

struct WriteBackCase {
    const char* name;
    std::string typed;
    std::string master;
};

void PrintTo(const WriteBackCase& c, std::ostream* out)
{
    *out << Printable(c.typed) << " gives " << Printable(c.master);
}

class PieceGroupWriteBack : public PieceGroup, public ::testing::WithParamInterface<WriteBackCase> {};

TEST_P(PieceGroupWriteBack, TypedRunIsWrittenToTheMastersPiecesOneByOne)
{
    master.NotificarLinks();
    run.Type(GetParam().typed);
    EXPECT_EQ(master.Dados(), GetParam().master);
    EXPECT_EQ(master.edits, 1) << "the first write that changes the record starts the edit";
}

INSTANTIATE_TEST_SUITE_P(Runs, PieceGroupWriteBack,
                         ::testing::Values(WriteBackCase{"ShorterRunEmptiesTheRest", "x^y", "a^x^y^^e"},
                                           WriteBackCase{"WholeRun", "x^y^z^", "a^x^y^z^e"},
                                           WriteBackCase{"LongerRunIsCut", "x^y^z^w", "a^x^y^z^e"}),
                         NamedBy(&WriteBackCase::name));

TEST_F(PieceGroup, FinalBelowInicial_HoldsTheEmptyTextAndWritesNothingBack)
{
    group.SetPieceInicial(4);
    group.SetPiece_Final(2);
    master.NotificarLinks();
    EXPECT_EQ(group.GetPiece(1), "");
    run.Type("x");
    EXPECT_EQ(group.GetPiece(1), "x");
    EXPECT_EQ(master.Dados(), "a^b^c^d^e");
    EXPECT_EQ(master.edits, 0);
}

TEST_F(PieceGroup, WithoutAMaster_OnlyItsOwnRecordChanges)
{
    group.SetMGlobal(nullptr);
    run.Type("x^y");
    EXPECT_EQ(group.Dados(), "x^y");
    EXPECT_EQ(master.Dados(), "a^b^c^d^e");
}

struct SeparatorCase {
    const char* name;
    std::string separator;
    std::string record;
};

void PrintTo(const SeparatorCase& c, std::ostream* out)
{
    *out << Printable(c.separator) << " on " << Printable(c.record);
}

class PieceGroupSeparator : public PieceGroup, public ::testing::WithParamInterface<SeparatorCase> {};

TEST_P(PieceGroupSeparator, ThatCutsTheRun_WritesNothingBackAndATypedChangeRaises)
{
    group.SetSeparador(GetParam().separator);
    master.Hold(GetParam().record);
    run.SetWritesBack(true);
    master.NotificarLinks();
    EXPECT_EQ(master.Dados(), GetParam().record);
    EXPECT_THROW(run.Type("x"), Exception);
    EXPECT_EQ(master.Dados(), GetParam().record);
    EXPECT_EQ(master.edits, 0);
}

INSTANTIATE_TEST_SUITE_P(Separators, PieceGroupSeparator,
                         ::testing::Values(SeparatorCase{"SameAsTheMasters", "^", "a^b^c^d^e"},
                                           SeparatorCase{"InAMasterValueOfTheRun", "|", "a^b^c|1^d^e"},
                                           SeparatorCase{"Empty", "", "a^b^c^d^e"}),
                         NamedBy(&SeparatorCase::name));

// --- sub-piece -----------------------------------------------------------------------

struct SubPiece : ::testing::Test {
    SubPiece()
    {
        master.Hold("a^b^1;2;3");
        master.GlobalChaves()->Add()->SetAtual("k0");
        master.GlobalChaves()->Add()->SetAtual("k1");
        master.Campos()->Add()->SetResultado("field 0");
        master.Campos()->Add()->SetResultado("x;y");
        sub.SetSeparador(";");
        sub.SetMGlobal(&master);
        second.Bind(&sub, tcPiece, 2);
    }

    void On(TTipoDeCampo Kind, uint8_t Index)
    {
        sub.SetTipoCampo(Kind);
        sub.SetPiece(Index);
        master.NotificarLinks();
    }

    MasterGlobal master;
    TMSubPiece sub{nullptr};
    Journal journal;
    TestControl second{"S2", &journal};
};

TEST_F(SubPiece, OnAPiece_HoldsItAndWritesItsOwnPieceBackIntoThatPiece)
{
    On(tcPiece, 3);
    EXPECT_EQ(sub.Dados(), "1;2;3");
    EXPECT_EQ(second.Value(), "2");
    EXPECT_EQ(master.edits, 0);
    second.Type("9");
    EXPECT_EQ(master.Dados(), "a^b^1;9;3");
    EXPECT_EQ(master.edits, 1);
}

TEST_F(SubPiece, OnACamposResult_ChangesOnlyItsOwnRecord)
{
    On(tcCampo, 1);
    EXPECT_EQ(second.Value(), "y");
    second.Type("z");
    EXPECT_EQ(sub.Dados(), "x;z");
    EXPECT_EQ(master.Campos()->Items(1)->Resultado(), "x;y");
    EXPECT_EQ(master.Dados(), "a^b^1;2;3");
    EXPECT_EQ(master.edits, 0);
}

TEST_F(SubPiece, OnAKeyLevel_HoldsItAndWritesTheKeyBack)
{
    master.GlobalChaves()->Items(1)->SetAtual("p;q");
    On(tcChave, 1);
    EXPECT_EQ(second.Value(), "q");
    EXPECT_EQ(master.GetChave(1), "p;q");
    second.Type("r");
    EXPECT_EQ(master.GetChave(1), "p;r");
    EXPECT_EQ(master.Dados(), "a^b^1;2;3");
}

TEST_F(SubPiece, RefreshWritesBackWithTheMastersEdicaoRaised)
{
    On(tcPiece, 3);
    EXPECT_EQ(master.edicaoAtWrites, std::vector<int>{1});
    EXPECT_EQ(master.Edicao(), 0);
    EXPECT_EQ(master.edits, 0);
}

TEST_F(SubPiece, WithoutAMaster_OnlyItsOwnRecordChanges)
{
    sub.SetMGlobal(nullptr);
    second.Type("9");
    EXPECT_EQ(sub.Dados(), ";9");
    EXPECT_EQ(master.Dados(), "a^b^1;2;3");
}

TEST_F(SubPiece, Chained_EachLevelRefreshesTheNext)
{
    TMSubPiece inner(nullptr);
    inner.SetSeparador(",");
    inner.SetTipoCampo(tcPiece);
    inner.SetPiece(2);
    inner.SetMGlobal(&sub);
    TestControl leaf{"Leaf"};
    leaf.Bind(&inner, tcPiece, 2);
    master.Hold("a^b^1;u,v;3");
    On(tcPiece, 3);
    EXPECT_EQ(leaf.Value(), "v");
    leaf.Type("w");
    EXPECT_EQ(master.Dados(), "a^b^1;u,w;3");
}

// --- sub-global ----------------------------------------------------------------------

struct SubGlobal : ::testing::Test {
    SubGlobal()
    {
        master.SetVisM(&vism);
        master.SetGlobal("^M");
        master.GlobalChaves()->Add()->SetAtual("7");
        master.GlobalChaves()->Add()->SetAtual("B");
        sub.SetVisM(&vism);
        sub.SetGlobal("^D");
        for (const char* value : {"old0", "old1", "x"})
            sub.GlobalChaves()->Add()->SetAtual(value);
        sub.SetMGlobal(&master);
        detail.Bind(&sub, tcPiece, 1);
    }

    FakeVisM vism;
    TMGlobal master{nullptr};
    TMSubGlobal sub{nullptr};
    Journal journal;
    TestControl detail{"D", &journal};
};

TEST_F(SubGlobal, FixesItsFirstLevelsToTheMastersKeys_AnEmptyOneUnfixed_ThenReads)
{
    sub.GlobalChaves()->Items(1)->SetFixo("fixed");
    master.GlobalChaves()->Items(1)->SetAtual("");
    const TMGlobalChave* first = sub.GlobalChaves()->Items(0);
    const TMGlobalChave* second = sub.GlobalChaves()->Items(1);
    Log levelsWhenRead;
    vism.Expect(R"($$REFRESH^%CSWWGLOB("^D","7|old1|x"))",
                {.result = "0", .registers = {{1, "det"}}, .during = [&] {
                     levelsWhenRead = {first->Fixo(), first->Inicio(), first->Final(),
                                       second->Fixo(), second->Inicio(), second->Final()};
                 }});
    master.NotificarLinks();
    EXPECT_EQ(levelsWhenRead, (Log{"7", "7", "7", "", "", ""}));
    EXPECT_EQ(sub.GetChave(2), "x");
    EXPECT_EQ(detail.Value(), "det");
}

TEST_F(SubGlobal, WithFewerLevelsThanItsMaster_FollowsTheLevelsItHas)
{
    TMSubGlobal small(nullptr);
    small.SetVisM(&vism);
    small.SetGlobal("^S");
    small.GlobalChaves()->Add();
    small.SetMGlobal(&master);
    vism.Expect(R"($$REFRESH^%CSWWGLOB("^D","7|B|x"))", {.result = "0"});
    vism.Expect(R"($$REFRESH^%CSWWGLOB("^S","7"))", {.result = "0"});
    master.NotificarLinks();
    EXPECT_EQ(vism.PendingAnswers(), 0);
}

TEST_F(SubGlobal, TakesTheMastersLockStateAfterItsOwnRead)
{
    master.SetBloqueado(true);
    journal.clear();
    vism.Answer({.result = "0"});
    master.NotificarLinks();
    EXPECT_TRUE(sub.Bloqueado());
    EXPECT_EQ(journal.back(), "D.Disabled");
}

TEST_F(SubGlobal, Edit_LocksItsOwnNodeThenTheMastersRecord)
{
    vism.Expect(R"($$EDIT^%CSWWGLOB("^D","old0|old1|x"))", {.result = "0", .registers = {{1, ""}}});
    vism.Expect(R"($$EDIT^%CSWWGLOB("^M","7|B"))", {.result = "0", .registers = {{1, ""}}});
    detail.Type("typed");
    EXPECT_EQ(vism.PendingAnswers(), 0);
    EXPECT_EQ(sub.Estado(), esEdicao);
    EXPECT_EQ(master.Estado(), esEdicao);
}

TEST_F(SubGlobal, Edit_WhoseOwnRunFails_StartsNoEditOfTheMaster)
{
    vism.Answer({.result = "0", .registers = {{1, "det"}}});
    master.NotificarLinks();
    vism.Expect(R"($$EDIT^%CSWWGLOB("^D","7|B|x"))", {.error = "%GTM-E-UNDEF"});
    EXPECT_THROW(sub.Edit(), EMRunFailed);
    EXPECT_EQ(vism.Runs().size(), 2u);
    EXPECT_EQ(sub.Estado(), esNavegacao);
    EXPECT_EQ(master.Estado(), esNavegacao);
}

TEST_F(SubGlobal, ReadWhoseRunFails_EndsTheMastersNotification)
{
    TestControl after{"A", &journal};
    after.Bind(&master, tcPiece, 1);
    journal.clear();
    vism.Answer({.result = "0", .registers = {{1, "det"}}});
    master.NotificarLinks();
    journal.clear();
    vism.Answer({.error = "%GTM-E-UNDEF"});
    EXPECT_THROW(master.NotificarLinks(), EMRunFailed);
    EXPECT_EQ(detail.Value(), "det");
    EXPECT_TRUE(journal.empty()) << "controls were told after the failed read";
}

TEST_F(SubGlobal, WithoutAMaster_EditLocksOnlyItsOwnNode)
{
    sub.SetMGlobal(nullptr);
    vism.Answer({.result = "0"});
    sub.Edit();
    EXPECT_EQ(vism.Runs(), Log{R"($$EDIT^%CSWWGLOB("^D","old0|old1|x"))"});
}

TEST_F(SubGlobal, IsPostedAfterTheMastersSuccessfulPost)
{
    vism.Answer({.result = "0"}).Answer({.result = "0"});
    master.Post();
    EXPECT_EQ(vism.Runs(),
              (Log{R"($$POST^%CSWWGLOB("^M","7|B",0))", R"($$POST^%CSWWGLOB("^D","old0|old1|x",0))"}));
}

}  // namespace
