// TMRadioGroup: the two forms of its value, showing the global's value, the check and write
// at every exit, key pushes, and where the focus goes when the group is entered.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <memory>

#include "mbind/BoundEditScreen.h"
#include "mbind/CheckedPieceScreen.h"
#include "mbind/CountingGlobal.h"
#include "mbind/MRadioGroup.h"
#include "support/FakeVisM.h"
#include "support/ParamNames.h"
#include "support/Recorders.h"

namespace {

const std::vector<std::string> kItems = {"Um", "Dois", "Tr\xEAs"};

void SetUpButtons(TMRadioGroup& Group, TMRadioGroupTipoValor TipoValor)
{
    Group.SetItems(kItems);
    TStringList codes;
    for (const char* code : {"U", "D", "T"})
        codes.Add(code);
    Group.SetCodigos(&codes);
    Group.SetTipoValor(TipoValor);
}

// A group on piece 2 of a global holding Record, shown from it.
struct ShownGroup {
    CountingGlobal global;
    TMRadioGroup group{nullptr};

    ShownGroup(TMRadioGroupTipoValor TipoValor, const std::string& Record)
    {
        SetUpButtons(group, TipoValor);
        group.SetPiece(2);
        group.SetMGlobal(&global);
        global.SetData(Record);
        global.NotificarLinks();
    }
};

TEST(MRadioGroupBlock, StartsUnboundWithCodesAsItsValueAndNoCodes)
{
    TMRadioGroup group(nullptr);
    EXPECT_EQ(group.Piece(), 0);
    EXPECT_EQ(group.Variavel(), "");
    EXPECT_TRUE(group.Limpar());
    EXPECT_EQ(group.TipoValor(), trvCodigo);
    EXPECT_EQ(group.MGlobal(), nullptr);
    EXPECT_EQ(group.TipoCampo(), tcPiece);
    EXPECT_EQ(group.Separador(), "");
    EXPECT_EQ(group.Estilo(), treValor);
    EXPECT_EQ(group.Codigos()->Count(), 0);
    EXPECT_FALSE(group.Obrigatorio());
    EXPECT_EQ(group.NomeCampo(), "");
    TComponent* component = &group;
    EXPECT_EQ(dynamic_cast<IBoundControl*>(component), static_cast<IBoundControl*>(&group));
}

TEST(MRadioGroupBlock, WritingCodigosCopiesTheGivenList)
{
    TMRadioGroup group(nullptr);
    TStringList codes;
    codes.Add("A");
    group.SetCodigos(&codes);
    codes.Add("B");
    EXPECT_EQ(group.Codigos()->AsVector(), (std::vector<std::string>{"A"}));
}

// --- showing the global's value ----------------------------------------------------------

const char* TipoValorText(TMRadioGroupTipoValor TipoValor) { return TipoValor == trvCodigo ? "Codigo" : "Indece"; }

struct ShowCase {
    TMRadioGroupTipoValor tipoValor;
    std::string stored;
    int selected;
};

void PrintTo(const ShowCase& c, std::ostream* out)
{
    *out << TipoValorText(c.tipoValor) << " " << Printable(c.stored) << " selects " << c.selected;
}

class MRadioGroupRefresh : public ::testing::TestWithParam<ShowCase> {};

TEST_P(MRadioGroupRefresh, SelectsTheButtonOfTheStoredValueOrNothing)
{
    ShownGroup s(trvIndece, "x^1");
    s.group.SetTipoValor(GetParam().tipoValor);
    s.global.SetData("x^" + GetParam().stored);
    s.global.NotificarLinks();
    EXPECT_EQ(s.group.ItemIndex(), GetParam().selected);
    EXPECT_EQ(s.global.Dados(), "x^" + GetParam().stored);
    EXPECT_EQ(s.global.Edicao(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Values, MRadioGroupRefresh,
    ::testing::Values(ShowCase{trvIndece, "0", 0}, ShowCase{trvIndece, "2", 2}, ShowCase{trvIndece, "-1", -1},
                      ShowCase{trvIndece, "7", 2}, ShowCase{trvIndece, "-4", -1}, ShowCase{trvIndece, "", -1},
                      ShowCase{trvIndece, "1x", -1}, ShowCase{trvIndece, "99999999999", -1},
                      ShowCase{trvCodigo, "D", 1}, ShowCase{trvCodigo, "t", 2}, ShowCase{trvCodigo, "X", -1},
                      ShowCase{trvCodigo, "", -1}),
    [](const auto& Info) { return TipoValorText(Info.param.tipoValor) + ("_" + NamePart(Info.param.stored)); });

TEST(MRadioGroupRefresh, CodigoSelectsTheFirstOfEqualCodesAndTheLastButtonForACodeBeyondTheButtons)
{
    ShownGroup s(trvCodigo, "x^");
    TStringList codes;
    for (const char* code : {"A", "B", "a", "C", "Z"})
        codes.Add(code);
    s.group.SetCodigos(&codes);
    s.global.SetData("x^a");
    s.global.NotificarLinks();
    EXPECT_EQ(s.group.ItemIndex(), 0);
    s.global.SetData("x^Z");
    s.global.NotificarLinks();
    EXPECT_EQ(s.group.ItemIndex(), 2);
}

TEST(MRadioGroupRefresh, ValueGoesToKeysOfOtherGlobals)
{
    CountingGlobal other;
    TMGlobalChave* foreign = AddLevel(other, "old");
    ShownGroup s(trvCodigo, "x^");
    foreign->SetControl(&s.group);
    s.global.SetData("x^T");
    s.global.NotificarLinks();
    EXPECT_EQ(foreign->Fixo(), "T");
    EXPECT_EQ(foreign->GetAtual(), "T");
    EXPECT_EQ(other.refreshes, 1);
}

// --- leaving the group ------------------------------------------------------------------------

// A shown group on piece 2 of a global, entered at its tab-stop button; a key of another
// global names the group.
struct GroupScreen {
    BoundEditScreen<TMRadioGroup> screen;
    TMRadioGroup* group = screen.edit;
    CountingGlobal global;
    CountingGlobal other;
    TMGlobalChave* foreign = AddLevel(other, "old");
    int exits = 0;

    GroupScreen(TMRadioGroupTipoValor TipoValor, const std::string& Record)
    {
        SetUpButtons(*group, TipoValor);
        group->SetPiece(2);
        group->SetMGlobal(&global);
        group->OnExit = [this](TObject*) { ++exits; };
        foreign->SetControl(group);
        global.SetData(Record);
        global.NotificarLinks();
        foreign->SetFixo(""); // what the exit pushes replaces these
        foreign->SetAtual("old");
        other.refreshes = 0;
        group->SetFocus();
    }
};

struct ExitCase {
    TMRadioGroupTipoValor tipoValor;
    int selected;
    std::string written;
};

void PrintTo(const ExitCase& c, std::ostream* out)
{
    *out << TipoValorText(c.tipoValor) << " " << c.selected << " writes " << Printable(c.written);
}

class MRadioGroupExit : public ::testing::TestWithParam<ExitCase> {};

TEST_P(MRadioGroupExit, WritesAndPushesTheValueInTheFormOfTipoValor)
{
    GroupScreen s(GetParam().tipoValor, "x^?^z");
    s.group->SetItemIndex(GetParam().selected);
    s.screen.Leave();
    EXPECT_EQ(s.global.Dados(), "x^" + GetParam().written + "^z");
    EXPECT_EQ(s.foreign->Fixo(), GetParam().written);
    EXPECT_EQ(s.foreign->GetAtual(), GetParam().written);
    EXPECT_GT(s.other.refreshes, 0);
    EXPECT_EQ(s.exits, 1);
}

INSTANTIATE_TEST_SUITE_P(Forms, MRadioGroupExit,
                         ::testing::Values(ExitCase{trvIndece, -1, "-1"}, ExitCase{trvIndece, 2, "2"},
                                           ExitCase{trvCodigo, -1, ""}, ExitCase{trvCodigo, 1, "D"}),
                         [](const auto& Info) {
                             return TipoValorText(Info.param.tipoValor) +
                                    ("_" + NamePart(std::to_string(Info.param.selected)));
                         });

TEST(MRadioGroupExit, KeyTipoCampoWritesTheKeyAndCampoWritesNothing)
{
    CountingGlobal global;
    TMGlobalChave* level = AddLevel(global, "old");
    global.Campos()->Add()->SetResultado("R");
    for (const TTipoDeCampo kind : {tcChave, tcCampo}) {
        BoundEditScreen<TMRadioGroup> screen;
        SetUpButtons(*screen.edit, trvCodigo);
        screen.edit->SetTipoCampo(kind);
        screen.edit->SetMGlobal(&global);
        screen.edit->SetItemIndex(2);
        screen.edit->SetFocus();
        screen.Leave();
    }
    EXPECT_EQ(level->GetAtual(), "T");
    EXPECT_EQ(global.Dados(), "");
    EXPECT_EQ(global.Campos()->Items(0)->Resultado(), "R");
}

TEST(MRadioGroupExit, WithoutGlobalNothingIsWrittenButKeysAreNotified)
{
    CountingGlobal other;
    TMGlobalChave* level = AddLevel(other, "");
    BoundEditScreen<TMRadioGroup> screen;
    SetUpButtons(*screen.edit, trvIndece);
    level->SetControl(screen.edit);
    screen.edit->SetItemIndex(1);
    screen.edit->SetFocus();
    screen.Leave();
    EXPECT_EQ(level->Fixo(), "1");
    EXPECT_EQ(other.refreshes, 1);
}

// A group on piece 3 of "^CLI" (key 7) with a check rule, showing code "T" of "a^b^T".
struct CheckedGroup : CheckedPieceScreen<TMRadioGroup> {
    TMRadioGroup* group = screen.edit;

    CheckedGroup() : CheckedPieceScreen("Op\xE7\xE3o inv\xE1lida")
    {
        SetUpButtons(*group, trvCodigo);
        Show("a^b^T");
        group->SetFocus();
    }
};

TEST(MRadioGroupExit, RefusedValueKeepsTheFocusOnTheSelectedButtonWithoutWriteKeyPushOrOnExit)
{
    MessageRecorder recorder;
    CheckedGroup s;
    s.group->SetItemIndex(1); // "D"; the focus stays on "T"
    s.vism.Expect(R"($$CHECK^%CSWWGLOB("CLI","a^b^T","7","D"))", {.result = TVariant("1")});
    s.screen.Leave();
    EXPECT_EQ(QApplication::focusWidget(), s.group->Button(1));
    EXPECT_EQ(s.exits, 0);
    EXPECT_EQ(s.global.Dados(), "a^b^T");
    EXPECT_EQ(s.other.refreshes, 0);
    EXPECT_EQ(recorder.Texts(), (std::vector<QString>{QStringLiteral("Opção inválida")}));
    EXPECT_EQ(s.vism.Runs().size(), 1u);
}

TEST(MRadioGroupExit, UnchangedValueIsCheckedAtEveryExitAndWrittenThroughTheGlobalsEdit)
{
    MessageRecorder recorder;
    CheckedGroup s;
    s.vism.Expect(R"($$CHECK^%CSWWGLOB("CLI","a^b^T","7","T"))", {.result = TVariant("0")});
    s.screen.Leave();
    EXPECT_TRUE(s.screen.next->hasFocus());
    EXPECT_EQ(s.vism.Runs(), (std::vector<std::string>{R"($$CHECK^%CSWWGLOB("CLI","a^b^T","7","T"))"}));
    EXPECT_EQ(s.global.Estado(), esNavegacao); // the same record: no edit
    EXPECT_EQ(s.foreign->Fixo(), "T");
    EXPECT_EQ(s.exits, 1);
    EXPECT_TRUE(recorder.Texts().empty());
}

// --- entering the group ------------------------------------------------------------------------

// An edit, focused, then the group with the second button selected, then the edit to leave to.
struct EnterScreen {
    QWidget window;
    QLineEdit* before = new QLineEdit(&window);
    TMRadioGroup* group = new TMRadioGroup(nullptr, &window);
    QLineEdit* after = new QLineEdit(&window);
    int enters = 0;

    EnterScreen()
    {
        SetUpButtons(*group, trvIndece);
        group->SetItemIndex(1);
        group->OnEnter = [this](TObject*) { ++enters; };
        ShowActive(window, {before, group, after});
    }

    QWidget* Focused() const { return QApplication::focusWidget(); }
};

TEST(MRadioGroupEnter, TabbingIntoTheGroupFocusesItsSelectedButton)
{
    EnterScreen s;
    QTest::keyClick(s.before, Qt::Key_Tab);
    EXPECT_EQ(s.Focused(), s.group->Button(1));
    EXPECT_EQ(s.enters, 1);
}

TEST(MRadioGroupEnter, FocusGivenToAnotherButtonByCodeMovesOnToTheSelectedOne)
{
    EnterScreen s;
    s.group->Button(2)->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(s.Focused(), s.group->Button(1));
    EXPECT_EQ(s.group->ItemIndex(), 1);
    EXPECT_EQ(s.enters, 1);
}

TEST(MRadioGroupEnter, AClickOnAnotherButtonSelectsItAndKeepsTheFocusThere)
{
    EnterScreen s;
    QRadioButton* button = s.group->Button(2);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2)); // on the circle
    EXPECT_EQ(s.group->ItemIndex(), 2);
    EXPECT_EQ(s.Focused(), button);
    EXPECT_EQ(s.enters, 1);
}

// --- destruction ---------------------------------------------------------------------------------

TEST(MRadioGroupDestruction, DestroyedGroupLeavesItsGlobalAndEmptiesTheControlOfItsKeys)
{
    CountingGlobal global, other;
    TMGlobalChave* foreign = AddLevel(other, "2");
    auto group = std::make_unique<TMRadioGroup>(nullptr);
    group->SetMGlobal(&global);
    foreign->SetControl(group.get());
    group.reset();
    EXPECT_TRUE(global.Links().empty());
    EXPECT_EQ(foreign->Control(), nullptr);
    EXPECT_EQ(foreign->GetAtual(), "2");
}

} // namespace
