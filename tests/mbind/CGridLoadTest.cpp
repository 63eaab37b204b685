// The bound grid's loads against a recording server control: the registers of every run,
// the rows kept, the key levels, the row count while loading, the two ways of loading,
// the sort and the company hooks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <functional>
#include <stdexcept>

#include "mbind/CGrid.h"
#include "mbind/CGridSupport.h"
#include "mbind/MText.h"
#include "mbind/MenuInfo.h"
#include "support/FakeVisM.h"
#include "support/ParamNames.h"
#include "support/Recorders.h"

namespace {

using Strings = std::vector<std::string>;

// The writes of one run, from ResultValue to ExecFlag.
Strings RunWrites(const std::string& P0, const std::string& P1, const std::string& P2, const std::string& P3,
                  const std::string& P4, const std::string& P5, const std::string& P6, const std::string& P7)
{
    return {"ResultValue=", "P0=" + P0, "P1=" + P1, "P2=" + P2, "P3=" + P3, "P4=" + P4,
            "P5=" + P5,     "P6=" + P6, "P7=" + P7, "Code=$$LE^%CSWWCGRID", "ExecFlag=1"};
}

// The value register Index held at each run.
Strings Sent(const FakeVisM& VisM, int Index)
{
    Strings sent;
    const std::string prefix = "P" + std::to_string(Index) + "=";
    for (const std::string& entry : VisM.Log())
        if (entry.rfind(prefix, 0) == 0)
            sent.push_back(entry.substr(prefix.size()));
    return sent;
}

struct CGridLoad : ::testing::Test {
    CGridLoad()
    {
        grid.SetName("Grade");
        grid.SetVisM(&vism);
        grid.SetGlobal("^CLI");
        grid.OnBeginLoad = [this](TObject* Sender) {
            EXPECT_EQ(Sender, static_cast<TObject*>(&grid));
            journal.push_back("begin");
        };
        grid.OnLoad = [this](const std::string& Chave, const std::string& Conteudo) {
            journal.push_back("load " + Chave + " " + Conteudo);
        };
        grid.OnFinishLoad = [this](TObject* Sender) {
            EXPECT_EQ(Sender, static_cast<TObject*>(&grid));
            journal.push_back("finish");
        };
    }

    TCGridGlobalChave* AddLevel(const std::string& Inicio, const std::string& Final)
    {
        TCGridGlobalChave* level = grid.GlobalChaves()->Add();
        level->SetInicio(Inicio);
        level->SetFinal(Final);
        return level;
    }

    // Loads rows whose content piece 1 holds each of Values, keys "1", "2", ...
    void LoadContents(const Strings& Values)
    {
        for (size_t i = 0; i < Values.size(); ++i)
            vism.Answer(RowAnswer(std::to_string(i + 1), Values[i]));
        vism.Answer(EndAnswer());
        grid.LoadAll();
    }

    Strings Contents() const
    {
        Strings contents;
        for (const TCGLinha& linha : grid.Linhas())
            contents.push_back(linha.Conteudo);
        return contents;
    }

    Strings journal;
    MessageRecorder messages;
    FakeVisM vism;
    TCGrid grid{nullptr};
};

// --- what each run sends ----------------------------------------------------------------

TEST_F(CGridLoad, LoadAll_WritesEveryRegisterBeforeEachRun_TheNextRunFromTheRowReceived)
{
    AddLevel("1", "9");
    AddLevel("", "Z");
    AddColumn(grid, tpPiece, 2);
    AddColumn(grid, tpChave, 0);
    AddColumn(grid, tpPiece, 4)->SetSubGlobal("^SUB");
    grid.SetCondicaoFiltro("ATIVOS");
    vism.Answer(RowAnswer("1|A", "a^b|s")).Answer(EndAnswer());

    grid.LoadAll();

    // The first run starts at the first values themselves; the next goes on after the row.
    Strings expected = RunWrites("^CLI", "1|", "1|", "9|Z", "2^^4", "||^SUB", "ATIVOS", "1");
    const Strings second = RunWrites("^CLI", "1|A", "1|", "9|Z", "2^^4", "||^SUB", "ATIVOS", "0");
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(vism.Log(), expected);
    EXPECT_EQ(vism.Runs(), (Strings{"$$LE^%CSWWCGRID", "$$LE^%CSWWCGRID"}));
}

TEST_F(CGridLoad, PieceList_NamesThePieceOfEachPieceColumnAtItsPosition)
{
    struct Case {
        std::vector<std::pair<TTipoPiece, uint8_t>> columns;
        const char* pieces;
    };
    const std::vector<Case> cases = {
        {{{tpPiece, 2}, {tpChave, 0}, {tpPiece, 4}}, "2^^4"},
        {{{tpChave, 0}, {tpPiece, 3}}, "1^3"},
        {{{tpCell, 5}, {tpCell, 6}}, "1"},
        {{{tpPiece, 0}}, "0"},
        {{}, "1"},
    };
    for (const Case& c : cases) {
        grid.Colunas()->Clear();
        for (const auto& [tipo, piece] : c.columns)
            AddColumn(grid, tipo, piece);
        vism.Answer(EndAnswer());
        grid.LoadAll();
        EXPECT_EQ(Sent(vism, 4).back(), c.pieces);
    }
}

TEST_F(CGridLoad, FixedLevel_IsSentAtItsPosition_AndKeepsItsValueWhateverTheServerAnswers)
{
    TCGridGlobalChave* company = AddLevel("", "");
    company->SetFixo("10");
    TCGridGlobalChave* code = AddLevel("", "");
    vism.Answer(RowAnswer("11|C", "x")).Answer(EndAnswer());

    grid.LoadAll();

    EXPECT_EQ(Sent(vism, 1), (Strings{"10|", "11|C"}));
    EXPECT_EQ(Sent(vism, 2), (Strings{"10|", "10|"}));
    EXPECT_EQ(Sent(vism, 3), (Strings{"10|", "10|"}));
    EXPECT_EQ(company->Atual(), "10");
    EXPECT_EQ(code->Atual(), "C");
}

TEST_F(CGridLoad, OtherAnswers_AreAskedAgainWithTheSameLists)
{
    vism.Answer({.result = TVariant("2")});
    vism.Answer(RowAnswer("A", "a"));
    vism.Answer({.result = TVariant("busy")});
    vism.Answer(EndAnswer());
    AddLevel("", "");

    grid.LoadAll();

    EXPECT_EQ(Sent(vism, 1), (Strings{"", "", "A", "A"}));
    EXPECT_EQ(Sent(vism, 7), (Strings{"1", "1", "0", "0"})) << "a repeated first run still starts at the keys";
    EXPECT_EQ(Keys(grid), (Strings{"A"}));
    EXPECT_EQ(grid.EstadoCarga(), 0);
}

// --- LoadAll ---------------------------------------------------------------------------------

TEST_F(CGridLoad, LoadAll_FiresBeginOneLoadPerRowWithTheFirstContentPieceThenFinish)
{
    vism.Answer(RowAnswer("1", "a^b|sub")).Answer(RowAnswer("2", "c")).Answer(EndAnswer());

    grid.LoadAll();

    EXPECT_EQ(journal, (Strings{"begin", "load 1 a^b", "load 2 c", "finish"}));
    EXPECT_EQ(Contents(), (Strings{"a^b|sub", "c"}));
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(grid.EstadoCarga(), 0);
    EXPECT_EQ(grid.Cursor(), crDefault);
}

TEST_F(CGridLoad, LoadAll_EndingAtOnce_LeavesOnlyTheTitleRowNotFixed)
{
    for (const char* end : {"1", ""}) {
        journal.clear();
        vism.Answer({.result = TVariant(end)});
        grid.LoadAll();
        EXPECT_TRUE(grid.Linhas().empty());
        EXPECT_EQ(grid.RowCount(), 1);
        EXPECT_EQ(grid.FixedRows(), 0);
        EXPECT_EQ(grid.EstadoCarga(), 0);
        EXPECT_EQ(journal, (Strings{"begin", "finish"})) << "answer \"" << end << "\"";
    }
}

// --- failed runs -------------------------------------------------------------------------------

struct FailedLoadCase {
    const char* name;
    bool autoCarrega;
    std::function<void(TCGrid&)> load;
};

void PrintTo(const FailedLoadCase& c, std::ostream* out) { *out << c.name << (c.autoCarrega ? ", AutoCarrega" : ""); }

class CGridFailedLoad : public CGridLoad, public ::testing::WithParamInterface<FailedLoadCase> {};

TEST_P(CGridFailedLoad, EndsWhereItIs_UnfinishedAndUnsortable)
{
    grid.SetAutoCarrega(GetParam().autoCarrega);
    grid.SetPodeOrdenar(true);
    AddColumn(grid, tpChave, 0);
    vism.Answer(RowAnswer("2", "b")).Answer(RowAnswer("1", "a")).Answer({.error = "%GTM-E-UNDEF"});

    EXPECT_THROW(GetParam().load(grid), EMRunFailed);

    EXPECT_EQ(Keys(grid), (Strings{"2", "1"}));
    EXPECT_EQ(grid.EstadoCarga(), 1);
    EXPECT_EQ(journal, (Strings{"begin", "load 2 b", "load 1 a"}));
    EXPECT_EQ(grid.Cursor(), crHourGlass);
    grid.SortByColumn(0);
    EXPECT_EQ(Keys(grid), (Strings{"2", "1"})) << "a cut-short list was sorted";
    EXPECT_TRUE(messages.Exceptions().empty());
}

INSTANTIATE_TEST_SUITE_P(Loads, CGridFailedLoad,
                         ::testing::Values(FailedLoadCase{"LoadAll", false, [](TCGrid& G) { G.LoadAll(); }},
                                           FailedLoadCase{"LoadUpTo", true, [](TCGrid& G) { G.LoadUpTo(10); }}),
                         NamedBy(&FailedLoadCase::name));

TEST_F(CGridLoad, PaintingRunsNoMoreOfALoadThatAFailedRunEnded_UntilTheRowsAreCleared)
{
    grid.SetAutoCarrega(true);
    TColuna* coluna = AddColumn(grid, tpChave, 0);
    vism.Answer(RowAnswer("1", "a")).Answer({.error = "%GTM-E-UNDEF"});
    EXPECT_THROW(grid.CellText(coluna, 0, 3), EMRunFailed);
    EXPECT_EQ(grid.CellText(coluna, 0, 3), "");
    EXPECT_EQ(grid.CellText(coluna, 0, 1), "1");
    EXPECT_EQ(vism.Runs().size(), 2u);

    grid.ClearRows();
    ScriptRows(vism, 2);
    EXPECT_EQ(grid.CellText(coluna, 0, 1), "1");
    EXPECT_EQ(Keys(grid), (Strings{"1", "2"}));
}

TEST_F(CGridLoad, AShownGridWhoseLoadFails_ReportsNothingAndItsRepaintsRunNothing)
{
    grid.SetAutoCarrega(true);
    AddColumn(grid, tpChave, 0);
    vism.Answer(RowAnswer("1", "a")).Answer({.error = "%GTM-E-UNDEF"});
    grid.resize(300, 150);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.repaint();
    grid.repaint();
    QApplication::processEvents();

    EXPECT_EQ(vism.Runs().size(), 2u);
    EXPECT_EQ(Keys(grid), (Strings{"1"}));
    EXPECT_EQ(grid.EstadoCarga(), 1);
    EXPECT_TRUE(messages.Exceptions().empty());
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(CGridLoad, LoadAll_StartsAfresh_FromTheFirstValues)
{
    TCGridGlobalChave* level = AddLevel("B", "");
    ScriptRows(vism, 2);
    grid.LoadAll();
    level->SetAtual("somewhere");
    grid.SetCells(0, 1, "old text");
    ScriptRows(vism, 1);

    grid.LoadAll();

    EXPECT_EQ(Sent(vism, 1).at(3), "B");
    EXPECT_EQ(Keys(grid), (Strings{"1"}));
    EXPECT_EQ(grid.Cells(0, 1), "");
}

TEST_F(CGridLoad, LoadAll_GrowsRowByRowUntilPastTheVisibleRows_ThenInJumps)
{
    grid.resize(300, 120);
    grid.show();
    grid.SetRowCount(500);
    const int visible = grid.VisibleRowCount();
    ASSERT_GE(visible, 1);
    const int total = visible + 110;
    std::vector<int> rowCounts{0};
    grid.OnLoad = [&](const std::string&, const std::string&) { rowCounts.push_back(grid.RowCount()); };
    ScriptRows(vism, total);

    grid.LoadAll();

    for (int i = 1; i <= visible + 1; ++i)
        EXPECT_EQ(rowCounts[i], i + 1) << "row " << i;
    EXPECT_EQ(rowCounts[visible + 2], visible + 2);
    EXPECT_EQ(rowCounts[visible + 52], visible + 2);
    EXPECT_EQ(rowCounts[visible + 53], visible + 54);
    EXPECT_EQ(rowCounts[visible + 104], visible + 54);
    EXPECT_EQ(rowCounts[visible + 105], visible + 106);
    EXPECT_EQ(grid.RowCount(), total + 1);
}

TEST_F(CGridLoad, LoadAll_AnExceptionEndsTheLoadWhereItIs)
{
    ScriptRows(vism, 5);
    grid.OnLoad = [](const std::string& Chave, const std::string&) {
        if (Chave == "2")
            throw std::runtime_error("handler failed");
    };
    grid.SetPodeOrdenar(true);

    EXPECT_THROW(grid.LoadAll(), std::runtime_error);

    EXPECT_EQ(Keys(grid), (Strings{"1", "2"}));
    EXPECT_EQ(grid.EstadoCarga(), 1);
    EXPECT_EQ(grid.Cursor(), crHourGlass);
}

TEST_F(CGridLoad, LoadAll_WithoutAServerControl_RaisesBeforeTouchingTheGrid)
{
    grid.SetVisM(nullptr);
    EXPECT_THROW(grid.LoadAll(), Exception);
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(grid.EstadoCarga(), 2);
}

TEST_F(CGridLoad, ServerControlDestroyed_IsForgotten)
{
    auto other = std::make_unique<FakeVisM>();
    grid.SetVisM(other.get());
    other.reset();
    EXPECT_EQ(grid.VisM(), nullptr);
}

// --- LoadUpTo --------------------------------------------------------------------------------

TEST_F(CGridLoad, LoadUpTo_OnAnEmptyGrid_StopsOneRowPastTheWantedRow)
{
    grid.SetAutoCarrega(true);
    ScriptRows(vism, 10);

    EXPECT_TRUE(grid.LoadUpTo(5));

    EXPECT_EQ(Keys(grid), (Strings{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(grid.RowCount(), 56);
    EXPECT_EQ(grid.EstadoCarga(), 1);
    EXPECT_EQ(grid.Cursor(), crDefault);
    EXPECT_EQ(journal.front(), "begin");
    EXPECT_EQ(journal.back(), "load 6 c6");

    grid.SetPodeOrdenar(true);
    grid.Colunas()->Add();
    grid.SortByColumn(0);
    EXPECT_EQ(Keys(grid), (Strings{"1", "2", "3", "4", "5", "6"})) << "no sort before the end of the data";
}

TEST_F(CGridLoad, LoadUpTo_GoesOnFromTheLastRow_AndHandsOnTheWholeContent)
{
    grid.SetAutoCarrega(true);
    AddLevel("", "");
    vism.Answer(RowAnswer("1", "a|s1")).Answer(RowAnswer("2", "b|s2"));
    grid.LoadUpTo(1);
    vism.ClearLog();
    journal.clear();
    vism.Answer(RowAnswer("3", "c|s3")).Answer(EndAnswer());

    grid.LoadUpTo(5);

    EXPECT_EQ(Sent(vism, 1), (Strings{"2", "3"}));
    EXPECT_EQ(Sent(vism, 7), (Strings{"0", "0"})) << "a continuation goes on after the last row";
    EXPECT_EQ(journal, (Strings{"load 3 c|s3", "finish"}));
    EXPECT_EQ(grid.RowCount(), 4);
    EXPECT_EQ(grid.EstadoCarga(), 0);
}

// A load that stopped on its first row leaves nothing behind: the next load starts at the
// first values again, whatever the registers were left holding.
TEST_F(CGridLoad, NewLoad_StartsAtTheFirstValuesAfterALoadThatStoppedOnItsFirstRow)
{
    grid.SetAutoCarrega(true);
    AddLevel("5", "");
    vism.Answer(RowAnswer("5", "first"));
    grid.LoadUpTo(0);
    ASSERT_EQ(Keys(grid), (Strings{"5"}));
    vism.SetP(7, "0");
    vism.SetP(9, "left by someone");
    vism.ClearLog();
    vism.Answer(RowAnswer("5", "first")).Answer(EndAnswer());

    grid.LoadAll();

    EXPECT_EQ(Sent(vism, 1), (Strings{"5", "5"}));
    EXPECT_EQ(Sent(vism, 7), (Strings{"1", "0"}));
    EXPECT_EQ(Keys(grid), (Strings{"5"}));
}

TEST_F(CGridLoad, LoadUpTo_DoesNothingWithoutAutoCarregaOrServerControl)
{
    grid.SetCells(1, 1, "kept");
    ScriptRows(vism, 3);
    EXPECT_TRUE(grid.LoadUpTo(1));
    grid.SetAutoCarrega(true);
    grid.SetVisM(nullptr);
    EXPECT_TRUE(grid.LoadUpTo(1));

    EXPECT_TRUE(vism.Runs().empty());
    EXPECT_EQ(grid.EstadoCarga(), 2);
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Cells(1, 1), "kept");
    EXPECT_TRUE(journal.empty());
}

// --- ClearRows and the key levels --------------------------------------------------------------

TEST_F(CGridLoad, ClearRows_EmptiesTextsAndRows)
{
    ScriptRows(vism, 4);
    grid.LoadAll();
    grid.SetCells(1, 3, "x");

    grid.ClearRows();

    EXPECT_TRUE(grid.Linhas().empty());
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_EQ(grid.EstadoCarga(), 2);
    grid.SetRowCount(4);
    EXPECT_EQ(grid.Cells(1, 3), "");
}

TEST_F(CGridLoad, CopyingKeyLevels_FixoWinsWhenSet)
{
    TCGridGlobalChaves source(nullptr);
    TCGridGlobalChave* open = source.Add();
    open->SetInicio("A");
    open->SetFinal("M");
    TCGridGlobalChave* fixed = source.Add();
    fixed->SetInicio("1");
    fixed->SetFinal("9");
    fixed->SetFixo("7");

    grid.SetGlobalChaves(&source);

    ASSERT_EQ(grid.GlobalChaves()->Count(), 2);
    const TCGridGlobalChave* first = grid.GlobalChaves()->Items(0);
    const TCGridGlobalChave* second = grid.GlobalChaves()->Items(1);
    EXPECT_EQ((Strings{first->Inicio(), first->Final(), first->Fixo()}), (Strings{"A", "M", ""}));
    EXPECT_EQ((Strings{second->Inicio(), second->Final(), second->Fixo()}), (Strings{"7", "7", "7"}));
}

TEST_F(CGridLoad, FixedLevel_IgnoresSetAtual_AndEmptyFixoUnfixes)
{
    TCGridGlobalChave* level = AddLevel("", "");
    level->SetFixo("5");
    level->SetAtual("6");
    level->LimparAtual();
    EXPECT_EQ(level->Atual(), "5");
    level->SetAtual("6");
    EXPECT_EQ(level->Atual(), "5");
    level->SetFixo("");
    level->SetAtual("6");
    EXPECT_EQ(level->Atual(), "6");
    EXPECT_EQ(level->Inicio(), "");
}

// --- sorting ---------------------------------------------------------------------------------

TEST_F(CGridLoad, Sort_NumbersForValorColumns_BytesOtherwise)
{
    struct Case {
        TTipoValor tipo;
        Strings sorted;
    };
    for (const Case& c : {Case{tvValor, {"-3000000000", "9", "10", "100", "2147483648", "9000000000000000000"}},
                          Case{tvString, {"-3000000000", "10", "100", "2147483648", "9", "9000000000000000000"}}}) {
        grid.Colunas()->Clear();
        AddColumn(grid, tpPiece, 1, c.tipo);
        grid.SetPodeOrdenar(true);
        LoadContents({"10", "2147483648", "9", "9000000000000000000", "-3000000000", "100"});
        grid.SortByColumn(0);
        EXPECT_EQ(Contents(), c.sorted);
    }
}

TEST_F(CGridLoad, Sort_ByAKeyColumn_UsesThatKeyOfTheRows)
{
    AddColumn(grid, tpChave, 0);
    AddColumn(grid, tpChave, 1);
    grid.SetPodeOrdenar(true);
    vism.Answer(RowAnswer("1|C", "")).Answer(RowAnswer("2|A", "")).Answer(RowAnswer("3|B", "")).Answer(EndAnswer());
    grid.LoadAll();

    grid.SortByColumn(1);

    EXPECT_EQ(Keys(grid), (Strings{"2|A", "3|B", "1|C"}));
}

TEST_F(CGridLoad, CompareRows_BySortColumnKind)
{
    struct Case {
        TTipoPiece tipoPiece;
        TTipoValor tipoValor;
        const char* subGlobal;
        TCGLinha a;
        TCGLinha b;
        int expected;
    };
    const std::vector<Case> cases = {
        {tpPiece, tvValor, "", {"", "10"}, {"", "9"}, 1},
        {tpPiece, tvValor, "", {"", "-3"}, {"", "2"}, -1},
        {tpPiece, tvValor, "", {"", "7"}, {"", "7"}, 0},
        {tpPiece, tvValor, "", {"", "x"}, {"", "9"}, 0},
        {tpPiece, tvValor, "", {"", "1,5"}, {"", "9"}, 0},
        // amounts beyond 32 bits of minor units are numbers too, up to 64 bits
        {tpPiece, tvValor, "", {"", "2147483648"}, {"", "2147483647"}, 1},
        {tpPiece, tvValor, "", {"", "-2147483649"}, {"", "5"}, -1},
        {tpPiece, tvValor, "", {"", "9223372036854775807"}, {"", "9223372036854775806"}, 1},
        {tpPiece, tvValor, "", {"", "9223372036854775808"}, {"", "9"}, 0},
        {tpPiece, tvString, "", {"", "10"}, {"", "9"}, -1},
        {tpPiece, tvString, "", {"", "ab"}, {"", "abc"}, -1},
        {tpPiece, tvString, "", {"", "b"}, {"", "B"}, 1},
        {tpPiece, tvString, "", {"", "\xE9"}, {"", "z"}, 1},
        {tpPiece, tvData, "", {"", "same"}, {"", "same"}, 0},
        {tpPiece, tvString, "^S", {"", "z|a"}, {"", "a|b"}, -1},
        {tpChave, tvString, "", {"1|b", "z"}, {"2|a", "a"}, 1},
        {tpCell, tvString, "", {"1", "a"}, {"2", "b"}, 0},
    };
    for (const Case& c : cases) {
        grid.Colunas()->Clear();
        TColuna* coluna = AddColumn(grid, c.tipoPiece, 1, c.tipoValor);
        coluna->SetSubGlobal(c.subGlobal);
        EXPECT_EQ(grid.CompareRows(c.a, c.b), c.expected) << c.a.Conteudo << " / " << c.b.Conteudo;
    }
}

TEST_F(CGridLoad, Sort_DoesNothingWhileNotAllowedOrNotAtTheEnd)
{
    AddColumn(grid, tpPiece, 1);
    LoadContents({"b", "a"});
    grid.SortByColumn(0);
    EXPECT_EQ(Contents(), (Strings{"b", "a"})) << "PodeOrdenar off";

    grid.SetPodeOrdenar(true);
    grid.ClearRows();
    grid.SortByColumn(0);
    EXPECT_TRUE(grid.Linhas().empty());
    EXPECT_EQ(grid.Cursor(), crDefault);
}

// --- company -----------------------------------------------------------------------------------

TEST_F(CGridLoad, CompanyChange_FixesTheCompanyLevelsAndReloadsEveryRow)
{
    for (const bool autoCarrega : {false, true}) {
        TMenuInfo holder(nullptr);
        TCGrid companyGrid(nullptr);
        companyGrid.SetVisM(&vism);
        companyGrid.SetAutoCarrega(autoCarrega);
        TCGridGlobalChave* company = companyGrid.GlobalChaves()->Add();
        company->SetMenu_Info(&holder);
        companyGrid.GlobalChaves()->Add()->SetInicio("A");
        vism.ClearLog();
        vism.Answer(RowAnswer("7|A", "x")).Answer(EndAnswer());

        holder.SetCodEmp(7);

        EXPECT_EQ((Strings{company->Fixo(), company->Inicio(), company->Final()}), (Strings{"7", "7", "7"}));
        EXPECT_EQ(Sent(vism, 2), (Strings{"7|A", "7|A"})) << "AutoCarrega " << autoCarrega;
        EXPECT_EQ(Keys(companyGrid), (Strings{"7|A"}));
        EXPECT_EQ(companyGrid.EstadoCarga(), 0);
    }
}

TEST_F(CGridLoad, CompanyChange_TwoLevelsOnOneHolder_ReloadTwice)
{
    TMenuInfo holder(nullptr);
    AddLevel("", "")->SetMenu_Info(&holder);
    AddLevel("", "")->SetMenu_Info(&holder);
    EXPECT_EQ(holder.Lista().size(), 2u);
    vism.Answer(EndAnswer()).Answer(EndAnswer());

    holder.SetCodEmp(3);

    EXPECT_EQ(journal, (Strings{"begin", "finish", "begin", "finish"}));
    EXPECT_EQ(Sent(vism, 2).back(), "3|3");
}

TEST_F(CGridLoad, CompanyHolder_RegistrationFollowsTheLevels)
{
    auto first = std::make_unique<TMenuInfo>(nullptr);
    TMenuInfo second(nullptr);
    TCGridGlobalChave* level = AddLevel("", "");

    level->SetMenu_Info(first.get());
    level->SetMenu_Info(first.get());
    EXPECT_EQ(first->Lista(), (std::vector<TComponent*>{&grid}));
    level->SetMenu_Info(&second);
    EXPECT_TRUE(first->Lista().empty());
    EXPECT_EQ(second.Lista(), (std::vector<TComponent*>{&grid}));

    level->SetMenu_Info(first.get());
    first.reset();
    EXPECT_EQ(level->Menu_Info(), nullptr) << "a destroyed holder is forgotten";
    grid.AplicarEmpresa();

    level->SetMenu_Info(&second);
    grid.GlobalChaves()->Clear();
    EXPECT_TRUE(second.Lista().empty()) << "a destroyed level leaves its holder";
}

TEST_F(CGridLoad, DestroyedGrid_LeavesItsHolder)
{
    TMenuInfo holder(nullptr);
    {
        TCGrid other(nullptr);
        other.GlobalChaves()->Add()->SetMenu_Info(&holder);
        EXPECT_EQ(holder.Lista().size(), 1u);
    }
    EXPECT_TRUE(holder.Lista().empty());
    holder.SetCodEmp(2);
}

} // namespace
