// TMComboBox: items with codes, the three forms of the control value, showing the global's
// value, the exit check and write, key pushes.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <memory>

#include "mbind/BoundEditScreen.h"
#include "mbind/CheckedPieceScreen.h"
#include "mbind/CountingGlobal.h"
#include "mbind/MComboBox.h"
#include "mbind/MGlobal.h"
#include "support/FakeVisM.h"
#include "support/ParamNames.h"
#include "support/Recorders.h"

namespace {

void AddItems(TMComboBox& Combo, const std::vector<std::pair<std::string, std::string>>& Items)
{
    for (const auto& [valor, codigo] : Items)
        Combo.AddItem(valor, codigo);
}

// A combo on piece 2 of a global holding Record, shown from it.
struct ShownCombo {
    CountingGlobal global;
    TMComboBox combo{nullptr};

    ShownCombo(TMComboBoxTipoValor TipoValor, const std::string& Record,
               const std::vector<std::pair<std::string, std::string>>& Items)
    {
        combo.SetTipoValor(TipoValor);
        AddItems(combo, Items);
        combo.SetPiece(2);
        combo.SetMGlobal(&global);
        global.SetData(Record);
        global.NotificarLinks();
    }
};

// --- construction and items ------------------------------------------------------------------

TEST(MComboBoxItems, StartsUnboundShowingValuesAsTheyAreWithNoCodes)
{
    TMComboBox combo(nullptr);
    EXPECT_EQ(combo.Piece(), 0);
    EXPECT_EQ(combo.Variavel(), "");
    EXPECT_TRUE(combo.Limpar());
    EXPECT_FALSE(combo.Modified());
    EXPECT_EQ(combo.TipoValor(), tvConteudo);
    EXPECT_EQ(combo.MGlobal(), nullptr);
    EXPECT_EQ(combo.TipoCampo(), tcPiece);
    EXPECT_EQ(combo.Separador(), "");
    EXPECT_EQ(combo.Estilo(), teValor);
    EXPECT_EQ(combo.Codigos()->Count(), 0);
    EXPECT_FALSE(combo.Obrigatorio());
    EXPECT_EQ(combo.NomeCampo(), "");
}

struct EstiloCase {
    TMComboBoxEstilo estilo;
    std::string separador;
    std::string shown;
};

const char* EstiloText(TMComboBoxEstilo Estilo)
{
    static const char* const names[] = {"Valor", "ValorCodigo", "CodigoValor"};
    return names[Estilo];
}

void PrintTo(const EstiloCase& c, std::ostream* out)
{
    *out << EstiloText(c.estilo) << " " << Printable(c.separador) << " shows " << Printable(c.shown);
}

class MComboBoxAddItem : public ::testing::TestWithParam<EstiloCase> {};

TEST_P(MComboBoxAddItem, BuildsTheTextByEstiloAndKeepsTheBareCode)
{
    TMComboBox combo(nullptr);
    combo.SetEstilo(GetParam().estilo);
    combo.SetSeparador(GetParam().separador);
    combo.AddItem("Balanca", "07");
    EXPECT_EQ(combo.Items(), (std::vector<std::string>{GetParam().shown}));
    EXPECT_EQ(combo.Codigos()->AsVector(), (std::vector<std::string>{"07"}));
    EXPECT_EQ(combo.ItemIndex(), -1);
}

INSTANTIATE_TEST_SUITE_P(Estilos, MComboBoxAddItem,
                         ::testing::Values(EstiloCase{teValor, "-", "Balanca"},
                                           EstiloCase{teValorCodigo, "-", "Balanca-07"},
                                           EstiloCase{teCodigoValor, " / ", "07 / Balanca"},
                                           EstiloCase{teValorCodigo, "", "Balanca07"},
                                           EstiloCase{teCodigoValor, "", "07Balanca"}),
                         [](const auto& Info) {
                             return EstiloText(Info.param.estilo) + ("_" + NamePart(Info.param.separador));
                         });

TEST(MComboBoxItems, IndexOfCodeIgnoresLetterCaseAndGivesTheFirstOfEqualCodes)
{
    TMComboBox combo(nullptr);
    AddItems(combo, {{"um", "bal01"}, {"dois", "BAL02"}, {"tres", "Bal01"}});
    EXPECT_EQ(combo.IndexOfCode("BAL01"), 0);
    EXPECT_EQ(combo.IndexOfCode("bal02"), 1);
    EXPECT_EQ(combo.IndexOfCode("BAL03"), -1);
}

TEST(MComboBoxItems, SelectedCodeIsTheCodeOfTheSelectedItemAndEmptyWithoutSelection)
{
    TMComboBox combo(nullptr);
    AddItems(combo, {{"um", "1"}, {"dois", "2"}});
    EXPECT_EQ(combo.SelectedCode(), "");
    combo.SetItemIndex(1);
    EXPECT_EQ(combo.SelectedCode(), "2");
}

TEST(MComboBoxItems, ClearItemsEmptiesCodesAndItemsAndLeavesNothingSelected)
{
    TMComboBox combo(nullptr);
    AddItems(combo, {{"um", "1"}, {"dois", "2"}});
    combo.SetItemIndex(0);
    combo.ClearItems();
    EXPECT_EQ(combo.Codigos()->Count(), 0);
    EXPECT_EQ(combo.ItemCount(), 0);
    EXPECT_EQ(combo.ItemIndex(), -1);
    EXPECT_EQ(combo.SelectedCode(), "");
}

TEST(MComboBoxItems, WritingCodigosCopiesTheGivenList)
{
    TMComboBox combo(nullptr);
    TStringList codes;
    codes.Add("A");
    combo.SetCodigos(&codes);
    codes.Add("B");
    EXPECT_EQ(combo.Codigos()->AsVector(), (std::vector<std::string>{"A"}));
    EXPECT_NE(combo.Codigos(), &codes);
}

// --- showing the global's value ----------------------------------------------------------------

TEST(MComboBoxRefresh, ConteudoSelectsTheLastOfTwoEqualItems)
{
    ShownCombo s(tvConteudo, "x^COM2", {{"COM1", "a"}, {"COM2", "b"}, {"COM2", "c"}});
    EXPECT_EQ(s.combo.ItemIndex(), 2);
    EXPECT_EQ(s.combo.SelectedCode(), "c");
}

TEST(MComboBoxRefresh, ConteudoSelectsNothingForAnItemDifferingInLetterCaseButShowsTheValue)
{
    ShownCombo s(tvConteudo, "x^com2", {{"COM1", "a"}, {"COM2", "b"}});
    EXPECT_EQ(s.combo.ItemIndex(), -1);
    EXPECT_EQ(s.combo.Text(), "com2");
}

TEST(MComboBoxRefresh, ConteudoInAListOnlyComboWithNoEqualItemShowsNothing)
{
    CountingGlobal global;
    TMComboBox combo(nullptr);
    combo.SetStyle(csDropDownList);
    AddItems(combo, {{"COM1", "a"}});
    combo.SetPiece(1);
    combo.SetMGlobal(&global);
    global.SetData("COM9");
    global.NotificarLinks();
    EXPECT_EQ(combo.ItemIndex(), -1);
    EXPECT_EQ(combo.Text(), "");
}

struct IndeceCase {
    std::string stored;
    int selected;
};

void PrintTo(const IndeceCase& c, std::ostream* out) { *out << Printable(c.stored) << " selects " << c.selected; }

class MComboBoxRefreshIndece : public ::testing::TestWithParam<IndeceCase> {};

TEST_P(MComboBoxRefreshIndece, SelectsTheItemOfAnIntegerInsideTheItemsOnly)
{
    ShownCombo s(tvIndece, "x^" + GetParam().stored, {{"um", "1"}, {"dois", "2"}, {"tres", "3"}});
    EXPECT_EQ(s.combo.ItemIndex(), GetParam().selected);
}

INSTANTIATE_TEST_SUITE_P(Values, MComboBoxRefreshIndece,
                         ::testing::Values(IndeceCase{"0", 0}, IndeceCase{"2", 2}, IndeceCase{"3", -1},
                                           IndeceCase{"-1", -1}, IndeceCase{"-2", -1}, IndeceCase{"", -1},
                                           IndeceCase{"abc", -1}, IndeceCase{"1x", -1},
                                           IndeceCase{"99999999999", -1}),
                         [](const auto& Info) { return TestNameOf(Info.param.stored); });

TEST(MComboBoxRefresh, IndeceWithANonNumericValueAfterASelectionSelectsNothing)
{
    ShownCombo s(tvIndece, "x^1", {{"um", "1"}, {"dois", "2"}});
    ASSERT_EQ(s.combo.ItemIndex(), 1);
    s.global.SetData("x^dois");
    s.global.NotificarLinks();
    EXPECT_EQ(s.combo.ItemIndex(), -1);
}

TEST(MComboBoxRefresh, CodigoSelectsTheFirstCodeEqualWithoutRegardToLetterCase)
{
    ShownCombo s(tvCodigo, "x^bal02", {{"um", "BAL01"}, {"dois", "BAL02"}, {"tres", "bal02"}});
    EXPECT_EQ(s.combo.ItemIndex(), 1);
    s.global.SetData("x^BAL09");
    s.global.NotificarLinks();
    EXPECT_EQ(s.combo.ItemIndex(), -1);
}

TEST(MComboBoxRefresh, ShowingChangesNothingInTheRecordAndLowersEdicaoAgain)
{
    ShownCombo s(tvCodigo, "x^2", {{"um", "1"}, {"dois", "2"}});
    s.global.edits = 0;
    s.global.NotificarLinks();
    EXPECT_EQ(s.combo.ItemIndex(), 1);
    EXPECT_EQ(s.global.Dados(), "x^2");
    EXPECT_EQ(s.global.Edicao(), 0);
    EXPECT_EQ(s.global.edits, 0);
}

TEST(MComboBoxRefresh, ValueGoesToKeysOfOtherGlobalsAsThePushColumnGivesIt)
{
    // With tvConteudo a value that is no item is shown, but keys get an empty value.
    CountingGlobal other;
    TMGlobalChave* foreign = AddLevel(other, "old");
    TMComboBox combo(nullptr);
    AddItems(combo, {{"COM1", "a"}});
    CountingGlobal own;
    combo.SetPiece(1);
    combo.SetMGlobal(&own);
    foreign->SetControl(&combo);
    own.SetData("COM9");
    own.NotificarLinks();
    EXPECT_EQ(combo.Text(), "COM9");
    EXPECT_EQ(foreign->GetAtual(), "");
    EXPECT_EQ(foreign->Fixo(), "");
    EXPECT_EQ(other.refreshes, 1);
    own.SetData("COM1");
    own.NotificarLinks();
    EXPECT_EQ(foreign->Fixo(), "COM1");
}

// --- leaving the combo ---------------------------------------------------------------------------

struct ComboScreen {
    BoundEditScreen<TMComboBox> screen;
    TMComboBox* combo = screen.edit;
    CountingGlobal global;
    CountingGlobal other;
    TMGlobalChave* foreign = AddLevel(other, "old");
    int exits = 0;

    ComboScreen(TMComboBoxTipoValor TipoValor, const std::string& Record)
    {
        combo->SetTipoValor(TipoValor);
        AddItems(*combo, {{"um", "U"}, {"dois", "D"}});
        combo->SetPiece(2);
        combo->SetMGlobal(&global);
        combo->OnExit = [this](TObject*) { ++exits; };
        foreign->SetControl(combo);
        global.SetData(Record);
        global.NotificarLinks();
        foreign->SetFixo("old"); // what the exit pushes replaces it
        other.refreshes = 0;
    }

    void Leave() { screen.Leave(); }
};

TEST(MComboBoxExit, IndeceWithNothingSelectedWritesAnEmptyValue)
{
    ComboScreen s(tvIndece, "x^nada^z");
    ASSERT_EQ(s.combo->ItemIndex(), -1);
    s.Leave();
    EXPECT_EQ(s.global.Dados(), "x^^z");
    EXPECT_EQ(s.foreign->Fixo(), "");
    EXPECT_EQ(s.exits, 1);
}

TEST(MComboBoxExit, TypedTextNotInTheListIsWrittenWhileKeysReceiveAnEmptyValue)
{
    ComboScreen s(tvConteudo, "x^um");
    ASSERT_EQ(s.combo->ItemIndex(), 0);
    s.combo->lineEdit()->selectAll();
    QTest::keyClicks(s.combo, "outro");
    s.Leave();
    EXPECT_EQ(s.global.Dados(), "x^outro");
    EXPECT_EQ(s.foreign->Fixo(), "");
    EXPECT_GT(s.other.refreshes, 0);
}

struct ExitValueCase {
    TMComboBoxTipoValor tipoValor;
    std::string written;
};

const char* TipoValorText(TMComboBoxTipoValor TipoValor)
{
    static const char* const names[] = {"Conteudo", "Indece", "Codigo"};
    return names[TipoValor];
}

void PrintTo(const ExitValueCase& c, std::ostream* out)
{
    *out << TipoValorText(c.tipoValor) << " writes " << Printable(c.written);
}

class MComboBoxExitValue : public ::testing::TestWithParam<ExitValueCase> {};

TEST_P(MComboBoxExitValue, PickedItemIsWrittenAndPushedInTheFormOfTipoValor)
{
    ComboScreen s(GetParam().tipoValor, "x^");
    QTest::keyClick(s.combo, Qt::Key_Down);
    QTest::keyClick(s.combo, Qt::Key_Down);
    ASSERT_EQ(s.combo->ItemIndex(), 1);
    s.Leave();
    EXPECT_EQ(s.global.Dados(), "x^" + GetParam().written);
    EXPECT_EQ(s.foreign->Fixo(), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Forms, MComboBoxExitValue,
                         ::testing::Values(ExitValueCase{tvConteudo, "dois"}, ExitValueCase{tvIndece, "1"},
                                           ExitValueCase{tvCodigo, "D"}),
                         [](const auto& Info) { return std::string(TipoValorText(Info.param.tipoValor)); });

TEST(MComboBoxExit, KeyTipoCampoWritesTheKeyAndCampoWritesNothing)
{
    CountingGlobal global;
    TMGlobalChave* level = AddLevel(global, "old");
    global.Campos()->Add()->SetResultado("R");
    BoundEditScreen<TMComboBox> chave;
    chave.edit->SetTipoValor(tvCodigo);
    AddItems(*chave.edit, {{"um", "U"}});
    chave.edit->SetTipoCampo(tcChave);
    chave.edit->SetMGlobal(&global);
    chave.edit->SetItemIndex(0);
    chave.Leave();
    EXPECT_EQ(level->GetAtual(), "U");

    BoundEditScreen<TMComboBox> campo;
    campo.edit->SetTipoCampo(tcCampo);
    campo.edit->SetMGlobal(&global);
    campo.edit->SetText("typed");
    campo.Leave();
    EXPECT_EQ(global.Dados(), "");
    EXPECT_EQ(global.Campos()->Items(0)->Resultado(), "R");
}

TEST(MComboBoxExit, WithoutGlobalNothingIsWrittenButKeysAreNotified)
{
    CountingGlobal other;
    TMGlobalChave* level = AddLevel(other, "");
    BoundEditScreen<TMComboBox> screen;
    screen.edit->SetTipoValor(tvCodigo);
    screen.edit->SetModified(true);
    AddItems(*screen.edit, {{"um", "U"}});
    screen.edit->SetItemIndex(0);
    level->SetControl(screen.edit);
    screen.Leave();
    EXPECT_EQ(level->Fixo(), "U");
    EXPECT_EQ(other.refreshes, 1);
}

// A combo on piece 3 of "^CLI" (key 7) with a check rule, showing "c" of "a^b^c".
struct CheckedCombo : CheckedPieceScreen<TMComboBox> {
    TMComboBox* combo = screen.edit;

    CheckedCombo() : CheckedPieceScreen("Valor inv\xE1lido")
    {
        AddItems(*combo, {{"c", "1"}, {"d", "2"}});
        Show("a^b^c");
        QTest::keyClick(combo, Qt::Key_Down); // picks "d"
    }
};

TEST(MComboBoxExit, RefusedValueKeepsFocusSelectsTextAndNeitherWritesNorNotifiesNorFiresOnExit)
{
    MessageRecorder recorder;
    CheckedCombo s;
    s.combo->SetModified(true);
    s.vism.Expect(R"($$CHECK^%CSWWGLOB("CLI","a^b^c","7","d"))", {.result = TVariant("1")});
    s.screen.Leave();
    EXPECT_TRUE(s.combo->hasFocus());
    EXPECT_EQ(s.combo->lineEdit()->selectedText(), QStringLiteral("d"));
    EXPECT_EQ(s.exits, 0);
    EXPECT_EQ(s.global.Dados(), "a^b^c");
    EXPECT_EQ(s.other.refreshes, 0);
    EXPECT_EQ(recorder.Texts(), (std::vector<QString>{QStringLiteral("Valor inválido")}));
    EXPECT_EQ(s.vism.Runs(), (std::vector<std::string>{R"($$CHECK^%CSWWGLOB("CLI","a^b^c","7","d"))"}));
}

TEST(MComboBoxExit, AcceptedValueIsWrittenThroughTheGlobalsEditThenPushedAndOnExitFires)
{
    MessageRecorder recorder;
    CheckedCombo s;
    s.combo->SetModified(true);
    s.vism.Expect(R"($$CHECK^%CSWWGLOB("CLI","a^b^c","7","d"))", {.result = TVariant("0")});
    s.vism.Expect(R"($$EDIT^%CSWWGLOB("^CLI","7"))", {.result = TVariant("0"), .registers = {{1, TVariant("a^b^c")}}});
    s.screen.Leave();
    EXPECT_TRUE(s.screen.next->hasFocus());
    EXPECT_EQ(s.global.Dados(), "a^b^d");
    EXPECT_EQ(s.global.Estado(), esEdicao);
    EXPECT_EQ(s.foreign->Fixo(), "d");
    EXPECT_EQ(s.exits, 1);
    EXPECT_TRUE(recorder.Texts().empty());
    EXPECT_EQ(s.vism.PendingAnswers(), 0);
}

TEST(MComboBoxExit, WithModifiedFalseABoundComboWritesWithoutAServerCheck)
{
    CheckedCombo s;
    s.vism.Expect(R"($$EDIT^%CSWWGLOB("^CLI","7"))", {.result = TVariant("0"), .registers = {{1, TVariant("a^b^c")}}});
    s.screen.Leave();
    EXPECT_EQ(s.vism.Runs(), (std::vector<std::string>{R"($$EDIT^%CSWWGLOB("^CLI","7"))"}));
    EXPECT_EQ(s.global.Dados(), "a^b^d");
    EXPECT_EQ(s.exits, 1);
    EXPECT_FALSE(s.combo->Modified());
}

// --- destruction ---------------------------------------------------------------------------------------

TEST(MComboBoxDestruction, DestroyedComboLeavesItsGlobalAndEmptiesTheControlOfItsKeys)
{
    CountingGlobal global, other;
    TMGlobalChave* foreign = AddLevel(other, "2");
    auto combo = std::make_unique<TMComboBox>(nullptr);
    combo->SetMGlobal(&global);
    foreign->SetControl(combo.get());
    combo.reset();
    EXPECT_TRUE(global.Links().empty());
    EXPECT_EQ(foreign->Control(), nullptr);
    EXPECT_EQ(foreign->GetAtual(), "2");
}

} // namespace
