// The binding core: record and pieces, key levels and key texts, checks, links,
// propagation, enabling and focus, and what is left when one side is destroyed.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "mbind/BoundDoubles.h"
#include "mbind/CountingGlobal.h"
#include "mbind/MGlobal.h"
#include "mbind/MText.h"
#include "mbind/MenuInfo.h"
#include "mbind/UDllMan.h"
#include "support/FakeVisM.h"
#include "support/FormatSettingsGuard.h"
#include "support/ParamNames.h"
#include "support/Recorders.h"

namespace {

// A global whose record operations only record that they ran.
class RecordingGlobal : public TMGlobalBase {
public:
    explicit RecordingGlobal(TComponent* AOwner = nullptr) : TMGlobalBase(AOwner) {}
    void Edit() override { editsSeeing.push_back(Dados()); }
    void Refresh() override { ++refreshes; }

    // The record as each Edit call found it.
    std::vector<std::string> editsSeeing;
    int refreshes = 0;
};

TGloChek* AddRule(TMGlobalBase& Global, uint8_t Piece, const std::string& Code, std::vector<std::string> Lines)
{
    TGloChek* rule = Global.PieceCheck()->Add();
    rule->SetPiece(Piece);
    rule->SetMCode(Code);
    rule->SetMensagens(Lines);
    return rule;
}

// --- creation ----------------------------------------------------------------------

TEST(MGlobalBaseCreation, StartsBrowsingWithEmptyRecordCaretSeparatorAndNoLinks)
{
    TMGlobalBase global(nullptr);
    EXPECT_EQ(global.Separador(), "^");
    EXPECT_EQ(global.Estado(), esNavegacao);
    EXPECT_FALSE(global.Bloqueado());
    EXPECT_EQ(global.Edicao(), 0);
    EXPECT_EQ(global.PieceAtual(), 0);
    EXPECT_FALSE(global.Notificando());
    EXPECT_EQ(global.Dados(), "");
    EXPECT_TRUE(global.Links().empty());
    EXPECT_EQ(global.VisM(), nullptr);
    EXPECT_EQ(global.GlobalChaves()->Owner(), &global);
    EXPECT_EQ(global.Campos()->Owner(), &global);
    EXPECT_EQ(global.PieceCheck()->Owner(), &global);
}

// --- SetData -----------------------------------------------------------------------

TEST(MGlobalSetData, IsDroppedWithoutEditWhileEdicaoIsRaised)
{
    RecordingGlobal global;
    global.IncEdicao();
    global.SetData("a^b");
    EXPECT_EQ(global.Dados(), "");
    EXPECT_TRUE(global.editsSeeing.empty());
    global.DecEdicao();
    EXPECT_EQ(global.Edicao(), 0);
}

TEST(MGlobalSetData, SameRecordCallsNoEdit)
{
    RecordingGlobal global;
    global.SetData("a^b");
    global.editsSeeing.clear();
    global.SetData("a^b");
    EXPECT_TRUE(global.editsSeeing.empty());
}

TEST(MGlobalSetData, NewRecordCallsEditOnceBeforeTheRecordChanges)
{
    RecordingGlobal global;
    global.SetData("old");
    global.editsSeeing.clear();
    global.SetData("new");
    EXPECT_EQ(global.editsSeeing, std::vector<std::string>{"old"});
    EXPECT_EQ(global.Dados(), "new");
}

// --- SetPiece ----------------------------------------------------------------------

struct MGlobalSetPiece : ::testing::Test {
    MGlobalSetPiece()
    {
        global.SetData("a");
        onPiece3.Bind(&global, tcPiece, 3);
        onPiece2.Bind(&global, tcPiece, 2);
        // A second global whose key takes the value of the control on piece 3.
        AddLevel(keyed)->SetControl(&onPiece3);
        global.editsSeeing.clear();
        journal.clear();
    }

    Journal journal;
    RecordingGlobal global;
    RecordingGlobal keyed;
    TestControl onPiece3{"P3", &journal};
    TestControl onPiece2{"P2", &journal};
};

TEST_F(MGlobalSetPiece, SetPiecePadsMissingPiecesThenPropagatesAndRedrawsThatPiece)
{
    onPiece3.Type("x");
    EXPECT_EQ(global.Dados(), "a^^x");
    EXPECT_EQ(global.editsSeeing, std::vector<std::string>{"a"});
    // Keys first (the control pushes its value into the other global's key), then the
    // controls of piece 3 are shown again (which pushes once more); piece 2's control is
    // left alone.
    EXPECT_EQ(journal, (Journal{"P3.Push(x)", "P3.Refresh", "P3.Push(x)"}));
    EXPECT_EQ(keyed.GetChave(0), "x");
    EXPECT_EQ(keyed.refreshes, 2);
    EXPECT_FALSE(global.Notificando());
}

TEST_F(MGlobalSetPiece, SetPieceWhileEdicaoIsRaisedKeepsTheRecordButStillPropagatesAndRedraws)
{
    global.IncEdicao();
    onPiece3.Type("x");
    EXPECT_EQ(global.Dados(), "a");
    EXPECT_TRUE(global.editsSeeing.empty());
    // The redraw shows the record as stored, so the control's value is empty again.
    EXPECT_EQ(journal, (Journal{"P3.Push(x)", "P3.Refresh", "P3.Push()"}));
    EXPECT_EQ(onPiece3.Value(), "");
}

TEST_F(MGlobalSetPiece, WithPieceAtualOnThatPieceKeysArePushedButNoControlIsRedrawn)
{
    global.SetPieceAtual(3);
    onPiece3.Type("x");
    EXPECT_EQ(global.Dados(), "a^^x");
    EXPECT_EQ(journal, Journal{"P3.Push(x)"});
}

TEST_F(MGlobalSetPiece, SetPieceFromARedrawnControlDuringPropagationDoesNothing)
{
    // The redrawn control writes what it shows back: that write arrives while the global
    // is propagating and must neither change the record nor propagate again.
    onPiece3.SetWritesBack(true);
    TestControl second("P3b", &journal);
    second.Bind(&global, tcPiece, 3);
    second.SetWritesBack(true);
    journal.clear();

    global.SetPiece(3, "x");

    EXPECT_EQ(global.Dados(), "a^^x");
    EXPECT_EQ(journal, (Journal{"P3.Push()", "P3.Refresh", "P3.Push(x)", "P3b.Refresh"}));
    EXPECT_EQ(onPiece3.Value(), "x");
    EXPECT_FALSE(global.Notificando());
}

TEST_F(MGlobalSetPiece, NotificandoIsClearedWhenACallbackRaises)
{
    // A link owned by a piece-3 control that raises on redraw.
    TestControl raiser("R", &journal);
    raiser.Bind(nullptr, tcPiece, 3);
    TMGlobalLink raising(&raiser, [] { throw std::runtime_error("redraw failed"); });
    raising.SetGlobal(&global);

    EXPECT_THROW(global.SetPiece(3, "x"), std::runtime_error);
    EXPECT_FALSE(global.Notificando());
    raising.SetGlobal(nullptr);
    global.SetPiece(4, "y");
    EXPECT_EQ(global.Dados(), "a^^x^y");
}

TEST(MGlobalPieces, GetPieceCountsFromOneWithTheSeparator)
{
    RecordingGlobal global;
    global.SetSeparador("|");
    global.SetData("a|b|c");
    EXPECT_EQ(global.GetPiece(2), "b");
    EXPECT_EQ(global.GetPiece(4), "");
}

// --- key levels and key texts --------------------------------------------------------

TEST(MGlobalKeys, ValuesJoinWithBarsOneFewerThanLevels)
{
    RecordingGlobal global;
    AddLevel(global, "A");
    AddLevel(global, "");
    AddLevel(global, "C");
    EXPECT_EQ(global.GetChaves(), "A||C");
}

TEST(MGlobalKeys, EmptyValuesAtTheEndStillTakeTheirPlace)
{
    RecordingGlobal global;
    AddLevel(global, "A");
    AddLevel(global, "");
    EXPECT_EQ(global.GetChaves(), "A|");
    global.GlobalChaves()->Items(0)->SetAtual("");
    AddLevel(global, "");
    EXPECT_EQ(global.GetChaves(), "||");
    EXPECT_TRUE(global.ChavesIncompletas());
}

TEST(MGlobalKeys, NoLevelsGiveEmptyTexts)
{
    RecordingGlobal global;
    EXPECT_EQ(global.GetChaves(), "");
    EXPECT_EQ(global.GetInicios(), "");
    EXPECT_EQ(global.GetFinais(), "");
    EXPECT_FALSE(global.ChavesIncompletas());
}

TEST(MGlobalKeys, IniciosAndFinaisJoinTheRanges)
{
    RecordingGlobal global;
    TMGlobalChave* first = AddLevel(global);
    first->SetInicio("0001");
    first->SetFinal("9999");
    TMGlobalChave* second = AddLevel(global);
    second->SetInicio("A");
    second->SetFinal("Z");
    EXPECT_EQ(global.GetInicios(), "0001|A");
    EXPECT_EQ(global.GetFinais(), "9999|Z");
    EXPECT_EQ(global.GetInicio(1), "A");
    EXPECT_EQ(global.GetFinal(0), "9999");
}

TEST(MGlobalKeys, SetChavesGivesMissingPiecesTheEmptyText)
{
    RecordingGlobal global;
    AddLevel(global, "x");
    AddLevel(global, "x");
    AddLevel(global, "x");
    global.SetChaves("1|2");
    EXPECT_EQ(global.GetChave(0), "1");
    EXPECT_EQ(global.GetChave(1), "2");
    EXPECT_EQ(global.GetChave(2), "");
}

TEST(MGlobalKeys, FixedLevelKeepsItsValueAgainstSetChavesAndSetChave)
{
    RecordingGlobal global;
    AddLevel(global);
    AddLevel(global)->SetFixo("F");
    global.SetChaves("1|2");
    EXPECT_EQ(global.GetChave(1), "F");
    global.SetChave(1, "other");
    EXPECT_EQ(global.GetChave(1), "F");
    EXPECT_EQ(global.GetChaves(), "1|F");
}

TEST(MGlobalKeys, SetFixoWritesInicioAndFinalAndTheEmptyTextUnfixes)
{
    RecordingGlobal global;
    TMGlobalChave* level = AddLevel(global, "atual");
    level->SetFixo("7");
    EXPECT_EQ(level->Inicio(), "7");
    EXPECT_EQ(level->Final(), "7");
    EXPECT_EQ(level->GetAtual(), "7");
    level->SetFixo("");
    EXPECT_EQ(level->Fixo(), "");
    EXPECT_EQ(level->Inicio(), "");
    EXPECT_EQ(level->Final(), "");
    EXPECT_EQ(level->GetAtual(), "atual");
}

TEST(MGlobalKeys, ChavesIncompletasLooksAtEveryLevelsValue)
{
    RecordingGlobal global;
    TMGlobalChave* fixed = AddLevel(global);
    fixed->SetFixo("1");
    EXPECT_FALSE(global.ChavesIncompletas()) << "a fixed level with an empty Atual has a value";
    TMGlobalChave* open = AddLevel(global);
    EXPECT_TRUE(global.ChavesIncompletas());
    open->SetAtual("2");
    EXPECT_FALSE(global.ChavesIncompletas());
}

TEST(MGlobalKeys, LimparChavesPutsInicioIntoAtual)
{
    RecordingGlobal global;
    TMGlobalChave* level = AddLevel(global, "0042");
    level->SetInicio("0001");
    global.LimparChaves();
    EXPECT_EQ(global.GetChave(0), "0001");
}

TEST(MGlobalKeys, IndexOutsideTheLevelsRaisesTheListError)
{
    RecordingGlobal global;
    AddLevel(global);
    EXPECT_THROW(global.GetChave(1), EListError);
    EXPECT_THROW(global.SetChave(-1, "x"), EListError);
}

// --- copying levels and collections --------------------------------------------------

TEST(MGlobalKeyCopy, UnfixedSourceGivesItsRangeAndAnEmptyFixo)
{
    RecordingGlobal from;
    RecordingGlobal to;
    TMGlobalChave* source = AddLevel(from);
    source->SetInicio("A");
    source->SetFinal("Z");
    TMGlobalChave* target = AddLevel(to);
    target->SetFixo("old");
    target->Assign(source);
    EXPECT_EQ(target->Inicio(), "A");
    EXPECT_EQ(target->Final(), "Z");
    EXPECT_EQ(target->Fixo(), "");
}

TEST(MGlobalKeyCopy, FixedSourceGivesFixoInicioAndFinal)
{
    RecordingGlobal from;
    RecordingGlobal to;
    TMGlobalChave* source = AddLevel(from);
    source->SetInicio("A");
    source->SetFinal("Z");
    source->SetFixo("7");
    TMGlobalChave* target = AddLevel(to);
    target->Assign(source);
    EXPECT_EQ(target->Inicio(), "7");
    EXPECT_EQ(target->Final(), "7");
    EXPECT_EQ(target->Fixo(), "7");
}

TEST(MGlobalKeyCopy, WritingGlobalChavesCopiesEveryLevel)
{
    RecordingGlobal from;
    AddLevel(from)->SetFixo("1");
    TMGlobalChave* ranged = AddLevel(from);
    ranged->SetInicio("A");
    ranged->SetFinal("Z");
    RecordingGlobal to;
    AddLevel(to);
    AddLevel(to);
    AddLevel(to);
    to.SetGlobalChaves(from.GlobalChaves());
    ASSERT_EQ(to.GlobalChaves()->Count(), 2);
    EXPECT_EQ(to.GetChave(0), "1");
    EXPECT_EQ(to.GetInicios(), "1|A");
    EXPECT_EQ(to.GetFinais(), "1|Z");
    EXPECT_EQ(to.GlobalChaves()->Items(1)->GetGlobal(), &to);
}

TEST(MGlobalKeyCopy, CopyFromAnotherKindOfItemRaisesTheAssignError)
{
    RecordingGlobal global;
    TMGlobalChave* level = AddLevel(global);
    TGloCpo* field = global.Campos()->Add();
    EXPECT_THROW(level->Assign(field), EConvertError);
}

TEST(MGlobalFieldCopy, WritingCamposAndPieceCheckCopiesTheirItems)
{
    RecordingGlobal from;
    TGloCpo* field = from.Campos()->Add();
    field->SetNome("Cliente");
    field->SetMCode("S X=1");
    field->SetResultado("Ana");
    AddRule(from, 3, "CLI", {"um", "dois"})->SetNome("regra");

    RecordingGlobal to;
    to.SetCampos(from.Campos());
    to.SetPieceCheck(from.PieceCheck());
    ASSERT_EQ(to.Campos()->Count(), 1);
    EXPECT_EQ(to.Campos()->Items(0)->Resultado(), "Ana");
    EXPECT_EQ(to.Campos()->Items(0)->MCode(), "S X=1");
    EXPECT_EQ(to.Campos()->Items(0)->Nome(), "Cliente");
    ASSERT_EQ(to.PieceCheck()->Count(), 1);
    EXPECT_EQ(to.PieceCheck()->Items(0)->Piece(), 3);
    EXPECT_EQ(to.PieceCheck()->Items(0)->MCode(), "CLI");
    EXPECT_EQ(to.PieceCheck()->Items(0)->Nome(), "regra");
    EXPECT_EQ(to.PieceCheck()->Items(0)->Mensagens(), (std::vector<std::string>{"um", "dois"}));
}

// --- ChecarValor ---------------------------------------------------------------------

struct MGlobalCheckValue : ::testing::Test {
    MGlobalCheckValue()
    {
        SetDecimalSeparator('.');
        global.SetVisM(&vism);
        global.SetData("a^b");
        AddLevel(global, "7");
    }

    FormatSettingsGuard formatSettings;
    MessageRecorder messages;
    FakeVisM vism;
    RecordingGlobal global;
};

TEST_F(MGlobalCheckValue, NoRuleForThePieceAcceptsWithoutAServerCall)
{
    AddRule(global, 2, "CLI", {"x"});
    EXPECT_EQ(global.ChecarValor(tcPiece, 1, true, "X"), -1);
    EXPECT_TRUE(vism.Log().empty());
}

TEST_F(MGlobalCheckValue, FieldKindAndEmptyCheckCodeAcceptWithoutAServerCall)
{
    EXPECT_EQ(global.ChecarValor(tcCampo, 0, true, "X"), -1);
    EXPECT_EQ(global.ChecarValor(tcChave, 0, true, "X"), -1);
    EXPECT_TRUE(vism.Log().empty());
}

TEST_F(MGlobalCheckValue, KeyKindOutsideTheLevelsRaisesTheListErrorWithoutAServerCall)
{
    EXPECT_THROW(global.ChecarValor(tcChave, 1, true, "X"), EListError);
    EXPECT_TRUE(vism.Log().empty());
}

TEST_F(MGlobalCheckValue, SendsTheCheckTextWithCodeRecordKeysAndValueAndNoRegister)
{
    AddRule(global, 1, "CLI", {});
    vism.Answer({.result = "0"});
    EXPECT_EQ(global.ChecarValor(tcPiece, 1, true, "X"), -1);
    EXPECT_EQ(vism.Log(), (std::vector<std::string>{R"(Code=$$CHECK^%CSWWGLOB("CLI","a^b","7","X"))", "ExecFlag=1"}));
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(messages.Beeps(), 0);
}

TEST_F(MGlobalCheckValue, FirstRuleForThePieceInCollectionOrderIsUsed)
{
    AddRule(global, 1, "FIRST", {});
    AddRule(global, 1, "SECOND", {});
    vism.Answer({.result = "0"});
    global.ChecarValor(tcPiece, 1, true, "X");
    EXPECT_EQ(vism.Runs(), std::vector<std::string>{R"($$CHECK^%CSWWGLOB("FIRST","a^b","7","X"))"});
}

TEST_F(MGlobalCheckValue, KeyKindUsesTheLevelsCheckCodeAndMessages)
{
    TMGlobalChave* level = global.GlobalChaves()->Items(0);
    level->SetCheckCode("KEY");
    level->SetMensagens({"Chave errada"});
    vism.Answer({.result = "1"});
    EXPECT_EQ(global.ChecarValor(tcChave, 0, true, "9"), 0);
    EXPECT_EQ(vism.Runs(), std::vector<std::string>{R"($$CHECK^%CSWWGLOB("KEY","a^b","7","9"))"});
    ASSERT_EQ(messages.Texts().size(), 1u);
}

struct CheckAnswerCase {
    const char* name;
    TVariant answer;
    std::vector<std::string> lines;
    bool show;
    int result;
    int beeps;
    std::vector<QString> shown;
};

void PrintTo(const CheckAnswerCase& c, std::ostream* out)
{
    *out << "answer " << PrintableVariant(c.answer) << (c.show ? "" : ", not shown") << ", result " << c.result;
}

class MGlobalCheckAnswers : public MGlobalCheckValue, public ::testing::WithParamInterface<CheckAnswerCase> {};

TEST_P(MGlobalCheckAnswers, RefusalShowsTheSelectedLineOrBeeps)
{
    const CheckAnswerCase& c = GetParam();
    AddRule(global, 1, "CLI", c.lines);
    vism.Answer({.result = c.answer});
    EXPECT_EQ(global.ChecarValor(tcPiece, 1, c.show, "X"), c.result);
    EXPECT_EQ(messages.Beeps(), c.beeps);
    EXPECT_EQ(messages.Texts(), c.shown);
    for (const TShownMessage& shown : messages.Messages()) {
        EXPECT_EQ(shown.kind, TShownMessage::Kind::Dialog);
        EXPECT_EQ(shown.Type, TMsgDlgType::mtInformation);
        EXPECT_EQ(shown.Buttons, static_cast<TMsgDlgButtons>(mbOK));
    }
}

INSTANTIATE_TEST_SUITE_P(
    MGlobalCheck, MGlobalCheckAnswers,
    ::testing::Values(
        CheckAnswerCase{"ZeroAccepts", "0", {"um"}, true, -1, 0, {}},
        CheckAnswerCase{"IntegerZeroAccepts", 0, {"um"}, true, -1, 0, {}},
        CheckAnswerCase{"TwoWithOneLineBeeps", "2", {"um"}, true, 1, 1, {}},
        CheckAnswerCase{"TwoWithTwoLinesShowsTheSecond", "2", {"um", "dois"}, true, 1, 0, {"dois"}},
        CheckAnswerCase{"OneWithEmptyFirstLineShowsNothing", "1", {"", "dois"}, true, 0, 0, {}},
        CheckAnswerCase{"IntegerAnswerSelectsLikeText", 1, {"um"}, true, 0, 0, {"um"}},
        CheckAnswerCase{"WithoutShowBeepsInsteadOfTheLine", "1", {"um"}, false, 0, 1, {}},
        CheckAnswerCase{"LineInWindows1252ReachesTheScreenConverted", "1", {"Cliente inv\xE1lido"}, true, 0, 0,
                        {QString::fromUtf8("Cliente inválido")}},
        CheckAnswerCase{"AnswerBelowZeroRefusesWithABeep", "-3", {"um"}, true, 0, 1, {}},
        // The answer minus 1 is rounded, ties to the even integer: 1.5 - 1 gives 0, 2.5 - 1 gives 2.
        CheckAnswerCase{"FractionIsRoundedAfterTheSubtraction", "1.5", {"um", "dois"}, true, 0, 0, {"um"}},
        CheckAnswerCase{"TieRoundsToTheEvenLine", "2.5", {"um", "dois", "tres"}, true, 2, 0, {"tres"}},
        CheckAnswerCase{"FractionNearerZeroAccepts", "0.4", {"um"}, true, -1, 0, {}},
        CheckAnswerCase{"BlanksAroundTheNumberAreAllowed", " 2 ", {"um", "dois"}, true, 1, 0, {"dois"}},
        CheckAnswerCase{"HugeAnswerStillRefuses", "1e300", {"um"}, true, 1000000000, 1, {}}),
    NamedBy(&CheckAnswerCase::name));

TEST_F(MGlobalCheckValue, AnswerThatIsNotANumberRaisesTheConversionError)
{
    AddRule(global, 1, "CLI", {"um"});
    for (const char* answer : {"abc", "", "nan", "1x", "inf", "0x1", "1e400", " "}) {
        vism.Answer({.result = answer});
        EXPECT_THROW(global.ChecarValor(tcPiece, 1, true, "X"), EConvertError) << answer;
    }
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(messages.Beeps(), 0);
}

TEST_F(MGlobalCheckValue, AnswerIsReadWithTheProcesssDecimalSeparator)
{
    SetDecimalSeparator(',');
    AddRule(global, 1, "CLI", {"um", "dois", "tres"});
    vism.Answer({.result = "3,5"});
    EXPECT_EQ(global.ChecarValor(tcPiece, 1, true, "X"), 2);
    vism.Answer({.result = "3.5"});
    EXPECT_THROW(global.ChecarValor(tcPiece, 1, true, "X"), EConvertError);
}

TEST_F(MGlobalCheckValue, QuotesInCodeRecordKeysAndValueAreDoubledInsideTheirLiterals)
{
    global.SetData(R"(a"b)");
    global.GlobalChaves()->Items(0)->SetAtual(R"(7")");
    AddRule(global, 1, R"(C"L)", {});
    vism.Answer({.result = "0"});
    global.ChecarValor(tcPiece, 1, true, R"(X"),$$KILL^EVIL(")");
    EXPECT_EQ(vism.Runs(),
              std::vector<std::string>{R"($$CHECK^%CSWWGLOB("C""L","a""b","7""","X""),$$KILL^EVIL("""))"});
}

TEST_F(MGlobalCheckValue, FailedCheckRunAcceptsNothingAndShowsNothingMore)
{
    AddRule(global, 1, "CLI", {"um"});
    vism.Answer({.result = "0"});
    ASSERT_EQ(global.ChecarValor(tcPiece, 1, true, "X"), -1);
    vism.Answer({.error = "%GTM-E-DIVZERO"});
    EXPECT_THROW(global.ChecarValor(tcPiece, 1, true, "Y"), EMRunFailed);
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(messages.Beeps(), 0);
}

TEST_F(MGlobalCheckValue, WithoutAControlTheCheckRaisesInsteadOfCrashing)
{
    global.SetVisM(nullptr);
    AddRule(global, 1, "CLI", {});
    EXPECT_THROW(global.ChecarValor(tcPiece, 1, true, "X"), Exception);
}

// --- M texts -------------------------------------------------------------------------

TEST(MText, QuoteDoublesEveryDoubleQuoteAndNothingElse)
{
    EXPECT_EQ(MQuote(""), "");
    EXPECT_EQ(MQuote("a^b|c"), "a^b|c");
    EXPECT_EQ(MQuote(R"(say "hi")"), R"(say ""hi"")");
    EXPECT_EQ(MQuote(R"("")"), R"("""")");
    EXPECT_EQ(MString(R"(a"b)"), R"("a""b")");
    EXPECT_EQ(MString(""), R"("")");
}

TEST(MText, ExecutionWritesRegistersThenCodeThenExecFlag)
{
    FakeVisM vism;
    ExecutarM(&vism, "S P1=P2", {{2, "x"}, {0, 5}});
    EXPECT_EQ(vism.Log(), (std::vector<std::string>{"P2=x", "P0=5", "Code=S P1=P2", "ExecFlag=1"}));
}

TEST(MText, FailedRunRaisesTheSilentRunFailureWithTheErrorName)
{
    MessageRecorder messages;
    FakeVisM vism;
    vism.Answer({.result = "0"}).Answer({.error = "%GTM-E-UNDEF, X"}).Answer({.result = "1"});
    ExecutarM(&vism, "$$A^B");
    try {
        ExecutarM(&vism, "$$A^B");
        ADD_FAILURE() << "the failed run raised nothing";
    } catch (const EMRunFailed& E) {
        EXPECT_EQ(E.Message(), "%GTM-E-UNDEF, X");
        Application::HandleCurrentException(nullptr);
    }
    EXPECT_TRUE(messages.Exceptions().empty());
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_NO_THROW(ExecutarCode(&vism));
    EXPECT_EQ(vism.ResultValue().AsString(), "1");
}

TEST(MText, RunningTheCodeAgainWritesOnlyExecFlagAndRaisesWhenItFails)
{
    FakeVisM vism;
    vism.SetCode("$$SET^X()");
    vism.ClearLog();
    vism.Answer({.error = "%GTM-E-UNDEF"});
    EXPECT_THROW(ExecutarCode(&vism), EMRunFailed);
    EXPECT_EQ(vism.Log(), (std::vector<std::string>{"ExecFlag=1", "Error=%GTM-E-UNDEF"}));
}

// --- data links ----------------------------------------------------------------------

TEST(MGlobalLinks, SetGlobalMovesTheLinkBetweenGlobals)
{
    RecordingGlobal first;
    RecordingGlobal second;
    TestControl control("C");
    control.SetMGlobal(&first);
    EXPECT_EQ(first.Links().size(), 1u);
    control.SetMGlobal(&first);
    EXPECT_EQ(first.Links().size(), 1u) << "the same global again changes nothing";
    control.SetMGlobal(&second);
    EXPECT_TRUE(first.Links().empty());
    ASSERT_EQ(second.Links().size(), 1u);
    EXPECT_EQ(second.Links()[0]->Global(), &second);
    control.SetMGlobal(nullptr);
    EXPECT_TRUE(second.Links().empty());
}

TEST(MGlobalLinks, AddAndRemoveKeepTheLinksGlobalInStep)
{
    RecordingGlobal first;
    RecordingGlobal second;
    auto link = std::make_unique<TMGlobalLink>(nullptr, nullptr);
    first.AddLink(link.get());
    second.AddLink(link.get());
    EXPECT_TRUE(first.Links().empty());
    EXPECT_EQ(link->Global(), &second);
    first.RemoveLink(link.get());
    EXPECT_EQ(link->Global(), &second) << "a link of another global is left where it is";
    link.reset();
    EXPECT_TRUE(second.Links().empty());
}

TEST(MGlobalLinks, NotificarLinksCallsEveryOwnerInRegistrationOrder)
{
    Journal journal;
    RecordingGlobal global;
    TestControl a("A", &journal);
    TestControl b("B", &journal);
    b.Bind(&global, tcPiece, 1);
    a.Bind(&global, tcPiece, 2);
    TMGlobalLink silent(&a, nullptr);
    silent.SetGlobal(&global);
    global.NotificarLinks();
    EXPECT_EQ(journal, (Journal{"B.Refresh", "A.Refresh"}));
}

TEST(MGlobalLinks, NotificarLinksDoesNotCallALinkAddedDuringTheWalk)
{
    RecordingGlobal global;
    int late = 0;
    TMGlobalLink lateLink(nullptr, [&] { ++late; });
    TMGlobalLink first(nullptr, [&] { lateLink.SetGlobal(&global); });
    first.SetGlobal(&global);
    global.NotificarLinks();
    EXPECT_EQ(late, 0);
    EXPECT_EQ(global.Links().size(), 2u);
}

TEST(MGlobalLinks, NotificarLinksStopsAtTheEndOfAListShortenedDuringTheWalk)
{
    RecordingGlobal global;
    int left = 0;
    std::unique_ptr<TMGlobalLink> leaving;
    TMGlobalLink first(nullptr, [&] { leaving.reset(); });
    first.SetGlobal(&global);
    leaving = std::make_unique<TMGlobalLink>(nullptr, [&] { ++left; });
    leaving->SetGlobal(&global);
    global.NotificarLinks();
    EXPECT_EQ(left, 0);
    EXPECT_EQ(global.Links().size(), 1u);
}

TEST(MGlobalLinks, DestroyingAGlobalEmptiesEveryOwnersGlobal)
{
    TestControl control("C");
    TestSubBinder subBinder;
    {
        RecordingGlobal global;
        control.SetMGlobal(&global);
        subBinder.SetMGlobal(&global);
    }
    EXPECT_EQ(control.MGlobal(), nullptr);
    EXPECT_EQ(subBinder.MGlobal(), nullptr);
}

TEST(MGlobalLinks, DestroyingAnOwnerLeavesTheGlobalsLinks)
{
    RecordingGlobal global;
    {
        TestControl control("C");
        control.SetMGlobal(&global);
    }
    EXPECT_TRUE(global.Links().empty());
    global.NotificarLinks();
}

// --- key links -----------------------------------------------------------------------

TEST(MGlobalKeyLinks, ControlOutsideTheBoundControlsIsNotRegistered)
{
    RecordingGlobal global;
    TMGlobalChave* level = AddLevel(global);
    TComponent plain(nullptr);
    level->SetControl(&plain);
    EXPECT_EQ(level->Control(), nullptr);
}

TEST(MGlobalKeyLinks, NamingTheSameControlAgainChangesNothing)
{
    RecordingGlobal global;
    TMGlobalChave* level = AddLevel(global);
    TestControl control("C");
    level->SetControl(&control);
    level->SetControl(&control);
    EXPECT_EQ(level->Control(), &control);
    EXPECT_EQ(control.ListaControls()->Lista().size(), 1u);
}

TEST(MGlobalKeyLinks, NamingAControlOutsideTheBoundControlsLeavesThePreviousOnesList)
{
    RecordingGlobal global;
    TMGlobalChave* level = AddLevel(global);
    TestControl bound("C");
    TComponent plain(nullptr);
    level->SetControl(&bound);
    level->SetControl(&plain);
    EXPECT_EQ(level->Control(), nullptr);
    EXPECT_TRUE(bound.ListaControls()->Lista().empty());
    level->SetControl(&plain);
    EXPECT_EQ(level->Control(), nullptr);
}

TEST(MGlobalKeyLinks, NamingAnotherControlMovesTheLink)
{
    RecordingGlobal global;
    TMGlobalChave* level = AddLevel(global);
    TestControl first("A");
    TestControl second("B");
    level->SetControl(&first);
    level->SetControl(&second);
    EXPECT_TRUE(first.ListaControls()->Lista().empty());
    EXPECT_EQ(second.ListaControls()->Lista().size(), 1u);
    EXPECT_EQ(level->Control(), &second);
    level->SetControl(nullptr);
    EXPECT_TRUE(second.ListaControls()->Lista().empty());
}

TEST(MGlobalKeyLinks, DestroyingAControlEmptiesTheControlOfEveryLevelNamingIt)
{
    RecordingGlobal one;
    RecordingGlobal other;
    TMGlobalChave* a = AddLevel(one);
    TMGlobalChave* b = AddLevel(other);
    {
        TestControl control("C");
        a->SetControl(&control);
        b->SetControl(&control);
    }
    EXPECT_EQ(a->Control(), nullptr);
    EXPECT_EQ(b->Control(), nullptr);
    one.HabilitarChaves();
}

TEST(MGlobalKeyLinks, DestroyingAGlobalTakesItsLevelsOutOfTheControlsList)
{
    TestControl control("C");
    {
        RecordingGlobal global;
        AddLevel(global)->SetControl(&control);
        AddLevel(global)->SetControl(&control);
        EXPECT_EQ(control.ListaControls()->Lista().size(), 2u);
    }
    EXPECT_TRUE(control.ListaControls()->Lista().empty());
    control.ListaControls()->Notificar(nullptr);
}

TEST(MGlobalKeyLinks, DeletingALevelTakesItOutOfTheControlsList)
{
    RecordingGlobal global;
    TestControl control("C");
    AddLevel(global)->SetControl(&control);
    global.GlobalChaves()->Delete(0);
    EXPECT_TRUE(control.ListaControls()->Lista().empty());
}

TEST(MGlobalKeyLinks, NotificarSkipsTheExceptedGlobalAndWithNoneCallsEveryLevel)
{
    Journal journal;
    RecordingGlobal own;
    RecordingGlobal other;
    TestControl control("C", &journal);
    control.Bind(&own, tcPiece, 1);
    TMGlobalChave* ownLevel = AddLevel(own);
    TMGlobalChave* otherLevel = AddLevel(other);
    ownLevel->SetControl(&control);
    otherLevel->SetControl(&control);
    control.Type("5");
    journal.clear();

    control.ListaControls()->Notificar(&own);
    EXPECT_EQ(journal, Journal{"C.Push(5)"});
    EXPECT_EQ(other.GetChave(0), "5");
    EXPECT_EQ(own.GetChave(0), "");

    journal.clear();
    control.ListaControls()->Notificar(nullptr);
    EXPECT_EQ(journal, (Journal{"C.Push(5)", "C.Push(5)"}));
    EXPECT_EQ(own.GetChave(0), "5");
    EXPECT_EQ(ownLevel->Fixo(), "") << "a key of the control's own global is not fixed";
    EXPECT_EQ(otherLevel->Fixo(), "5");
}

// --- key pushes between two globals ---------------------------------------------------

struct MGlobalKeyPush : ::testing::Test {
    MGlobalKeyPush()
    {
        detail.SetVisM(&vism);
        detail.SetGlobal("^DET");
        AddLevel(detail);
        AddLevel(detail, "1");
        // The control shows piece 2 of the master and is the editor of the detail's first key.
        control.Bind(&master, tcPiece, 2);
        detail.GlobalChaves()->Items(0)->SetControl(&control);
    }

    FakeVisM vism;
    RecordingGlobal master;
    TMGlobal detail{nullptr};
    TestControl control{"C"};
};

TEST_F(MGlobalKeyPush, TypingIntoThePieceFixesTheOtherGlobalsKeyAndRereadsIt)
{
    // Once while the piece propagates, once when the redrawn control shows the value.
    vism.Expect(R"($$REFRESH^%CSWWGLOB("^DET","42|1"))", {.result = "0", .registers = {{1, "rec"}}});
    vism.Expect(R"($$REFRESH^%CSWWGLOB("^DET","42|1"))", {.result = "0", .registers = {{1, "rec"}}});
    control.Type("42");
    const TMGlobalChave* level = detail.GlobalChaves()->Items(0);
    EXPECT_EQ(level->Fixo(), "42");
    EXPECT_EQ(level->Inicio(), "42");
    EXPECT_EQ(level->Final(), "42");
    EXPECT_EQ(detail.Dados(), "rec");
    EXPECT_EQ(vism.PendingAnswers(), 0);
}

TEST_F(MGlobalKeyPush, RefreshOfTheMastersControlPushesTheShownValue)
{
    master.SetData("a^77");
    vism.Expect(R"($$REFRESH^%CSWWGLOB("^DET","77|1"))", {.result = "0"});
    master.NotificarLinks();
    EXPECT_EQ(detail.GetChave(0), "77");
    EXPECT_EQ(vism.Runs().size(), 1u);
}

TEST_F(MGlobalKeyPush, PropagarChavesPushesEveryControlsKeysOfOtherGlobals)
{
    control.Type("5");
    vism.ClearLog();
    vism.Answer({.result = "0"});
    master.PropagarChaves();
    EXPECT_EQ(vism.Runs(), std::vector<std::string>{R"($$REFRESH^%CSWWGLOB("^DET","5|1"))"});
}

TEST_F(MGlobalKeyPush, PropagarChavesPieceReachesOnlyThatPiecesControls)
{
    control.Type("5");
    vism.ClearLog();
    master.PropagarChavesPiece(3);
    EXPECT_TRUE(vism.Runs().empty());
    master.PropagarChavesPiece(2 + 256);
    EXPECT_TRUE(vism.Runs().empty()) << "a piece above 255 matches no control";
    master.PropagarChavesPiece(2);
    EXPECT_EQ(vism.Runs().size(), 1u);
}

// --- enabling and focus --------------------------------------------------------------

struct MGlobalEnabling : ::testing::Test {
    MGlobalEnabling()
    {
        AddLevel(global)->SetControl(&key1);
        AddLevel(global);
        AddLevel(global)->SetControl(&key2);
        data.Bind(&global, tcPiece, 1);
        subBinder.SetMGlobal(&global);
        subData.Bind(&subBinder, tcPiece, 1);
        subGlobal.SetMGlobal(&global);
        subGlobalData.Bind(&subGlobal, tcPiece, 1);
        journal.clear();
    }

    Journal journal;
    RecordingGlobal global;
    TestSubBinder subBinder;
    TestSubGlobal subGlobal;
    TestControl key1{"K1", &journal};
    TestControl key2{"K2", &journal};
    TestControl data{"D", &journal};
    TestControl subData{"SD", &journal};
    TestControl subGlobalData{"SG", &journal};
};

TEST_F(MGlobalEnabling, CamposReachControlsAndSubBindersButNotSubGlobals)
{
    global.DesabilitarCampos();
    EXPECT_EQ(journal, (Journal{"D.Disabled", "SD.Disabled"}));
    journal.clear();
    global.HabilitarCampos();
    EXPECT_EQ(journal, (Journal{"D.Enabled", "SD.Enabled"}));
}

TEST_F(MGlobalEnabling, ChavesReachTheLevelsControlsInOrder)
{
    global.DesabilitarChaves();
    EXPECT_EQ(journal, (Journal{"K1.Disabled", "K2.Disabled"}));
    journal.clear();
    global.HabilitarChaves();
    EXPECT_EQ(journal, (Journal{"K1.Enabled", "K2.Enabled"}));
}

TEST_F(MGlobalEnabling, FocarPrimeiraChaveEnablesThenFocusesTheFirstFocusableKeyControl)
{
    key1.SetFocusable(false);
    global.FocarPrimeiraChave();
    EXPECT_EQ(journal, (Journal{"K1.Enabled", "K2.Enabled", "K2.Focus"}));
}

TEST_F(MGlobalEnabling, LockingDisablesDataControlsAndFocusesTheFirstKey)
{
    global.SetBloqueado(true);
    EXPECT_TRUE(global.Bloqueado());
    EXPECT_EQ(journal, (Journal{"D.Disabled", "SD.Disabled", "K1.Enabled", "K2.Enabled", "K1.Focus"}));
    journal.clear();
    global.SetBloqueado(false);
    EXPECT_FALSE(global.Bloqueado());
    EXPECT_EQ(journal, (Journal{"D.Enabled", "SD.Enabled"}));
}

// --- company holder -------------------------------------------------------------------

struct MGlobalCompany : ::testing::Test {
    MGlobalCompany()
    {
        // The holders here must not see or leave another test's company.
        UDllMan::Finalizar();
        UDllMan::Inicializar();
    }
    ~MGlobalCompany() override
    {
        UDllMan::Finalizar();
        UDllMan::Inicializar();
    }
};

TEST_F(MGlobalCompany, AplicarEmpresaFixesTheLevelsNamingAHolderToItsCode)
{
    TMenuInfo holder(nullptr);
    holder.SetDefCODEMP(12);
    RecordingGlobal global;
    TMGlobalChave* company = AddLevel(global);
    TMGlobalChave* other = AddLevel(global, "x");
    company->SetMenu_Info(&holder);
    global.AplicarEmpresa();
    EXPECT_EQ(company->Fixo(), "12");
    EXPECT_EQ(company->Inicio(), "12");
    EXPECT_EQ(company->Final(), "12");
    EXPECT_EQ(other->Fixo(), "");
}

TEST_F(MGlobalCompany, EachLevelNamingTheHolderRegistersItsGlobalOnce)
{
    TMenuInfo holder(nullptr);
    RecordingGlobal global;
    TMGlobalChave* first = AddLevel(global);
    TMGlobalChave* second = AddLevel(global);
    first->SetMenu_Info(&holder);
    first->SetMenu_Info(&holder);
    EXPECT_EQ(holder.Lista(), std::vector<TComponent*>{&global});
    second->SetMenu_Info(&holder);
    EXPECT_EQ(holder.Lista(), (std::vector<TComponent*>{&global, &global}));
}

TEST_F(MGlobalCompany, ChangingTheHolderMovesTheRegistration)
{
    TMenuInfo oldHolder(nullptr);
    TMenuInfo newHolder(nullptr);
    RecordingGlobal global;
    TMGlobalChave* level = AddLevel(global);
    level->SetMenu_Info(&oldHolder);
    level->SetMenu_Info(&newHolder);
    EXPECT_TRUE(oldHolder.Lista().empty());
    EXPECT_EQ(newHolder.Lista(), std::vector<TComponent*>{&global});
    level->SetMenu_Info(nullptr);
    EXPECT_TRUE(newHolder.Lista().empty());
}

TEST_F(MGlobalCompany, DestroyedHolderIsForgottenByTheLevelsNamingIt)
{
    RecordingGlobal global;
    TMGlobalChave* level = AddLevel(global);
    {
        TMenuInfo holder(nullptr);
        level->SetMenu_Info(&holder);
    }
    EXPECT_EQ(level->Menu_Info(), nullptr);
    global.AplicarEmpresa();
}

TEST_F(MGlobalCompany, DestroyedGlobalOrLevelLeavesTheHoldersList)
{
    TMenuInfo holder(nullptr);
    {
        RecordingGlobal global;
        AddLevel(global)->SetMenu_Info(&holder);
    }
    EXPECT_TRUE(holder.Lista().empty());

    RecordingGlobal kept;
    AddLevel(kept)->SetMenu_Info(&holder);
    kept.GlobalChaves()->Clear();
    EXPECT_TRUE(holder.Lista().empty());
}

// --- the control reference -------------------------------------------------------------

TEST(MGlobalVisM, DestroyedControlIsForgotten)
{
    RecordingGlobal global;
    {
        FakeVisM vism;
        global.SetVisM(&vism);
        EXPECT_EQ(global.VisM(), &vism);
    }
    EXPECT_EQ(global.VisM(), nullptr);
}

TEST(MGlobalVisM, ReplacedControlNoLongerReachesTheGlobal)
{
    RecordingGlobal global;
    auto first = std::make_unique<FakeVisM>();
    FakeVisM second;
    global.SetVisM(first.get());
    global.SetVisM(&second);
    first.reset();
    EXPECT_EQ(global.VisM(), &second);
}

} // namespace
