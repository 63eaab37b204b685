// TMMemo: lines stored joined by Separador, writing on every change, keys reaching the
// memo unfiltered, the exit check, its one-sided key push, and a memo on a memory global.
#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "mbind/BoundEditScreen.h"
#include "mbind/CheckedPieceScreen.h"
#include "mbind/CountingGlobal.h"
#include "mbind/MGloMem.h"
#include "mbind/MMemo.h"
#include "support/FakeVisM.h"
#include "support/ParamNames.h"
#include "support/Recorders.h"

namespace {

// A memo on piece 2 of a global holding Record, shown from it, the cursor at the end.
struct ShownMemo {
    CountingGlobal global;
    TMMemo memo{nullptr};

    explicit ShownMemo(const std::string& Record, const std::string& Separador = ";")
    {
        memo.SetSeparador(Separador);
        memo.SetPiece(2);
        memo.SetMGlobal(&global);
        global.SetData(Record);
        global.edits = 0;
        global.NotificarLinks();
        memo.moveCursor(QTextCursor::End);
    }
};

TEST(MMemoBlock, StartsUnboundWithSemicolonAsSeparador)
{
    TMMemo memo(nullptr);
    EXPECT_EQ(memo.Variavel(), "");
    EXPECT_EQ(memo.Piece(), 0);
    EXPECT_TRUE(memo.Limpar());
    EXPECT_EQ(memo.MGlobal(), nullptr);
    EXPECT_EQ(memo.TipoCampo(), tcPiece);
    EXPECT_EQ(memo.Separador(), ";");
    EXPECT_FALSE(memo.Obrigatorio());
    EXPECT_EQ(memo.NomeCampo(), "");
    TComponent* component = &memo;
    EXPECT_EQ(dynamic_cast<IBoundControl*>(component), static_cast<IBoundControl*>(&memo));
}

// --- conversions ---------------------------------------------------------------------------

struct ConversionCase {
    std::string separador;
    std::string stored;
    std::string text;
};

void PrintTo(const ConversionCase& c, std::ostream* out)
{
    *out << "by " << Printable(c.separador) << ": " << Printable(c.stored) << " is " << Printable(c.text);
}

std::string ConversionName(const ::testing::TestParamInfo<ConversionCase>& Info)
{
    return NamePart(Info.param.separador) + "__" + NamePart(Info.param.stored);
}

class MMemoMToText : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(MMemoMToText, EverySeparadorBecomesALineBreakFromLeftToRight)
{
    TMMemo memo(nullptr);
    memo.SetSeparador(GetParam().separador);
    EXPECT_EQ(memo.MToText(GetParam().stored), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Values, MMemoMToText,
                         ::testing::Values(ConversionCase{";", "a;b;c", "a\r\nb\r\nc"},
                                           ConversionCase{";", ";a;;", "\r\na\r\n\r\n"},
                                           ConversionCase{"||", "um||dois", "um\r\ndois"},
                                           ConversionCase{";;", "a;;;b", "a\r\n;b"},
                                           ConversionCase{"\n", "a\nb", "a\r\nb"},
                                           ConversionCase{"", "a;b", "a;b"}),
                         ConversionName);

class MMemoTextToM : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(MMemoTextToM, EveryLineBreakBecomesTheSeparadorAndAnEmptyOneDropsThem)
{
    TMMemo memo(nullptr);
    memo.SetSeparador(GetParam().separador);
    EXPECT_EQ(memo.TextToM(GetParam().text), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Values, MMemoTextToM,
                         ::testing::Values(ConversionCase{";", "a;b;c", "a\r\nb\r\nc"},
                                           ConversionCase{"||", "um||dois", "um\r\ndois"},
                                           ConversionCase{"\r\n", "a\r\nb", "a\r\nb"},
                                           ConversionCase{"\r", "a\r\rb", "a\r\r\nb"},
                                           ConversionCase{"", "ab", "a\r\nb"}),
                         ConversionName);

// --- showing and writing ----------------------------------------------------------------------

TEST(MMemoWrite, StoredValueShowsAsLinesAndEachKeystrokeWritesThemJoinedBack)
{
    ShownMemo s("x^a;b;c^z");
    EXPECT_EQ(s.memo.blockCount(), 3);
    EXPECT_EQ(s.memo.Text(), "a\r\nb\r\nc");
    EXPECT_EQ(s.global.edits, 0);
    EXPECT_EQ(s.global.Edicao(), 0);

    QTest::keyClicks(&s.memo, "d");
    EXPECT_EQ(s.global.Dados(), "x^a;b;cd^z");
    QTest::keyClick(&s.memo, Qt::Key_Return);
    EXPECT_EQ(s.global.Dados(), "x^a;b;cd;^z");
    QTest::keyClicks(&s.memo, "e");
    EXPECT_EQ(s.global.Dados(), "x^a;b;cd;e^z");
}

TEST(MMemoWrite, TwoCharacterSeparadorShowsTwoLinesAndIsWrittenBackUnchanged)
{
    ShownMemo s("x^um||dois", "||");
    EXPECT_EQ(s.memo.Text(), "um\r\ndois");
    QTest::keyClicks(&s.memo, "!");
    EXPECT_EQ(s.global.Dados(), "x^um||dois!");
}

TEST(MMemoWrite, WithAnEmptySeparadorTypedLineBreaksDisappearFromTheStoredValue)
{
    ShownMemo s("x^ab", "");
    QTest::keyClick(&s.memo, Qt::Key_Return);
    QTest::keyClicks(&s.memo, "c");
    EXPECT_EQ(s.global.Dados(), "x^abc");
}

TEST(MMemoWrite, TypedSeparadorIsShownAgainAsALineBreakWithTheCursorAfterIt)
{
    ShownMemo s("x^ab");
    QTest::keyClick(&s.memo, Qt::Key_Left);
    QTest::keyClicks(&s.memo, ";");
    QTest::keyClicks(&s.memo, "X");
    EXPECT_EQ(s.memo.Text(), "a\r\nXb");
    EXPECT_EQ(s.global.Dados(), "x^a;Xb");
}

TEST(MMemoWrite, KeyTipoCampoWritesTheKeyOnEveryChangeAndCampoWritesNothing)
{
    CountingGlobal global;
    TMGlobalChave* level = AddLevel(global, "");
    global.Campos()->Add()->SetResultado("r1;r2");
    TMMemo chave(nullptr), campo(nullptr);
    chave.SetTipoCampo(tcChave);
    campo.SetTipoCampo(tcCampo);
    chave.SetMGlobal(&global);
    campo.SetMGlobal(&global);
    global.NotificarLinks();
    EXPECT_EQ(campo.Text(), "r1\r\nr2");
    QTest::keyClicks(&chave, "1");
    QTest::keyClick(&chave, Qt::Key_Return);
    EXPECT_EQ(level->GetAtual(), "1;");
    QTest::keyClicks(&campo, "x");
    EXPECT_EQ(global.Dados(), "");
    EXPECT_EQ(global.Campos()->Items(0)->Resultado(), "r1;r2");
}

// --- keys typed into the memo ---------------------------------------------------------------

TEST(MMemoKeys, OnKeyPressIsNeverRaisedAndEnterAlwaysBreaksTheLine)
{
    for (const bool wantReturns : {true, false}) {
        TMMemo memo(nullptr);
        memo.SetWantReturns(wantReturns);
        int keyPresses = 0;
        memo.OnKeyPress = [&](TObject*, char& Key) {
            ++keyPresses;
            Key = 0;
        };
        QTest::keyClicks(&memo, "a");
        QTest::keyClick(&memo, Qt::Key_Return);
        QTest::keyClicks(&memo, "b");
        EXPECT_EQ(keyPresses, 0);
        EXPECT_EQ(memo.Text(), "a\r\nb");
    }
}

// --- key pushes --------------------------------------------------------------------------------

TEST(MMemoKeys, RefreshFixesAKeyOfAnotherGlobalButLeavesItsCurrentValue)
{
    CountingGlobal own, other;
    TMGlobalChave* foreign = AddLevel(other, "old");
    TMMemo memo(nullptr);
    memo.SetPiece(1);
    memo.SetMGlobal(&own);
    foreign->SetControl(&memo);
    own.SetData("k1;k2");
    own.NotificarLinks();
    EXPECT_EQ(foreign->Fixo(), "k1;k2");
    EXPECT_EQ(foreign->Inicio(), "k1;k2");
    EXPECT_EQ(foreign->Final(), "k1;k2");
    EXPECT_EQ(foreign->GetAtual(), "k1;k2"); // the level's value is its Fixo
    foreign->SetFixo("");
    EXPECT_EQ(foreign->GetAtual(), "old");
    EXPECT_GT(other.refreshes, 0);
}

TEST(MMemoKeys, ExitSetsTheCurrentValueOfAKeyOfItsOwnGlobalWithoutFixingIt)
{
    CountingGlobal own;
    TMGlobalChave* level = AddLevel(own, "");
    BoundEditScreen<TMMemo> screen;
    screen.edit->SetPiece(1);
    screen.edit->SetMGlobal(&own);
    level->SetControl(screen.edit);
    QTest::keyClicks(screen.edit, "9");
    QTest::keyClick(screen.edit, Qt::Key_Return);
    screen.Leave();
    EXPECT_EQ(level->GetAtual(), "9;");
    EXPECT_EQ(level->Fixo(), "");
    EXPECT_EQ(own.refreshes, 1);
}

TEST(MMemoKeys, WithoutGlobalExitStillPushesTheValueIntoItsKeys)
{
    CountingGlobal other;
    TMGlobalChave* level = AddLevel(other, "");
    BoundEditScreen<TMMemo> screen;
    level->SetControl(screen.edit);
    QTest::keyClicks(screen.edit, "5");
    screen.Leave();
    EXPECT_EQ(level->Fixo(), "5");
    EXPECT_EQ(other.refreshes, 1);
}

// --- leaving the memo ----------------------------------------------------------------------------

// A memo on piece 3 of "^CLI" (key 7) with a check rule, showing "c" of "a^b^c" and
// already in editing state; a key of another global names the memo.
struct CheckedMemo : CheckedPieceScreen<TMMemo> {
    TMMemo* memo = screen.edit;

    CheckedMemo() : CheckedPieceScreen("Texto inv\xE1lido")
    {
        Show("a^b^c");
        vism.Expect(R"($$EDIT^%CSWWGLOB("^CLI","7"))", {.result = TVariant("0"), .registers = {{1, TVariant("a^b^c")}}});
        global.Edit();
        vism.ClearLog();
        foreign->SetFixo("");
        other.refreshes = 0;
        memo->moveCursor(QTextCursor::End);
    }

    // Each keystroke writes the piece, which pushes the new value to the piece's keys;
    // those pushes are forgotten, so what the exit pushes shows.
    void Type()
    {
        QTest::keyClick(memo, Qt::Key_Return);
        QTest::keyClicks(memo, "d");
        foreign->SetFixo("");
        other.refreshes = 0;
    }
};

TEST(MMemoExit, RefusedTextStaysWrittenButKeepsFocusSelectedWithoutOnExitOrKeyPush)
{
    MessageRecorder recorder;
    CheckedMemo s;
    s.Type();
    s.vism.Expect(R"($$CHECK^%CSWWGLOB("CLI","a^b^c;d","7","c;d"))", {.result = TVariant("1")});
    s.screen.Leave();
    EXPECT_TRUE(s.memo->hasFocus());
    EXPECT_EQ(s.memo->textCursor().selectedText(), QStringLiteral("c\u2029d"));
    EXPECT_EQ(s.exits, 0);
    EXPECT_EQ(s.global.Dados(), "a^b^c;d");
    EXPECT_EQ(s.foreign->Fixo(), "");
    EXPECT_EQ(s.other.refreshes, 0);
    EXPECT_EQ(recorder.Texts(), (std::vector<QString>{QStringLiteral("Texto inválido")}));
    EXPECT_EQ(s.vism.PendingAnswers(), 0);
}

TEST(MMemoExit, AcceptedTextPushesTheKeysAndFiresOnExitWithoutAnotherWrite)
{
    MessageRecorder recorder;
    CheckedMemo s;
    s.Type();
    s.vism.Expect(R"($$CHECK^%CSWWGLOB("CLI","a^b^c;d","7","c;d"))", {.result = TVariant("0")});
    s.screen.Leave();
    EXPECT_TRUE(s.screen.next->hasFocus());
    EXPECT_EQ(s.exits, 1);
    EXPECT_EQ(s.foreign->Fixo(), "c;d");
    EXPECT_EQ(s.other.refreshes, 1);
    EXPECT_EQ(s.vism.Runs().size(), 1u);
    EXPECT_TRUE(recorder.Texts().empty());
}

TEST(MMemoExit, UnmodifiedTextLeavesWithoutAServerCheck)
{
    CheckedMemo s;
    s.screen.Leave();
    EXPECT_TRUE(s.vism.Runs().empty());
    EXPECT_EQ(s.exits, 1);
    EXPECT_EQ(s.foreign->Fixo(), "c");
}

// --- on a memory global ----------------------------------------------------------------------------

// A memo showing the whole text of a memory global whose master is "^CLI" (key 7): the
// memo joins lines as the master does, and the memory global's own Separador, which
// only cuts pieces for its controls, is one that no line holds.
struct MemoOnMemoryGlobal {
    FakeVisM vism;
    TMGlobal master{nullptr};
    TMGloMem lines{nullptr};
    TMMemo memo{nullptr};

    MemoOnMemoryGlobal()
    {
        master.SetVisM(&vism);
        master.SetGlobal("^CLI");
        AddLevel(master, "7");
        lines.SetSeparador("\x01");
        lines.SetMGlobal(&master);
        memo.SetSeparador("^");
        memo.SetPiece(1);
        memo.SetMGlobal(&lines);
    }
};

TEST(MMemoOnMemoryGlobal, ShowsTheStoredLinesAndTypingLocksTheMasterThenItsPostWritesTheLines)
{
    MemoOnMemoryGlobal s;
    s.vism.Expect(R"($$REFRESH^%CSWWGLOB("^CLI","7"))", {.result = TVariant("0"), .registers = {{1, TVariant("r")}}});
    s.vism.Expect(R"($$GET^%CSWWMEM("^CLI","7",""))", {.result = "0", .registers = {{0, "linha 1"}, {1, "1"}}});
    s.vism.Expect(R"($$GET^%CSWWMEM("^CLI","7","1"))", {.result = "0", .registers = {{0, "linha 2"}, {1, "2"}}});
    s.vism.Expect(R"($$GET^%CSWWMEM("^CLI","7","2"))", {.result = "1", .registers = {{0, ""}, {1, ""}}});
    s.master.Refresh();
    EXPECT_EQ(s.memo.Text(), "linha 1\r\nlinha 2");
    EXPECT_EQ(s.master.Estado(), esNavegacao);

    s.vism.Expect(R"($$EDIT^%CSWWGLOB("^CLI","7"))", {.result = TVariant("0"), .registers = {{1, TVariant("r")}}});
    s.memo.moveCursor(QTextCursor::End);
    QTest::keyClick(&s.memo, Qt::Key_Return);
    QTest::keyClicks(&s.memo, "3");
    EXPECT_EQ(s.master.Estado(), esEdicao);
    EXPECT_EQ(s.lines.Dados(), "linha 1^linha 2^3");
    EXPECT_EQ(s.vism.PendingAnswers(), 0);

    s.vism.Answer({.result = TVariant("0")}); // POST
    s.vism.ClearLog();
    s.master.Post();
    std::vector<std::string> linesSent;
    for (const std::string& entry : s.vism.Log())
        if (entry.rfind("P0=", 0) == 0)
            linesSent.push_back(entry);
    EXPECT_EQ(linesSent, (std::vector<std::string>{"P0=r", "P0=linha 1", "P0=linha 2", "P0=3", "P0="}));
}

// --- destruction ---------------------------------------------------------------------------------

TEST(MMemoDestruction, DestroyedMemoLeavesItsGlobalAndEmptiesTheControlOfItsKeys)
{
    CountingGlobal global, other;
    TMGlobalChave* foreign = AddLevel(other, "2");
    auto memo = std::make_unique<TMMemo>(nullptr);
    memo->SetMGlobal(&global);
    foreign->SetControl(memo.get());
    memo.reset();
    EXPECT_TRUE(global.Links().empty());
    EXPECT_EQ(foreign->Control(), nullptr);
    EXPECT_EQ(foreign->GetAtual(), "2");
}

} // namespace
