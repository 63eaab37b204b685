// TMEdit and the binding block it carries: showing the global's value, writing on every
// change, the exit check, key pushes, links on destruction.
#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "mbind/BoundEditScreen.h"
#include "mbind/CountingGlobal.h"
#include "mbind/MEdit.h"
#include "mbind/MGlobal.h"
#include "support/FakeVisM.h"
#include "support/Recorders.h"

namespace {

// A TMGlobal on "^CLI" with one key level at 7, browsing the record "a^b^c".
struct BrowsingGlobal {
    FakeVisM vism;
    TMGlobal global{nullptr};

    BrowsingGlobal()
    {
        global.SetVisM(&vism);
        global.SetGlobal("^CLI");
        AddLevel(global, "7");
    }

    void Browse(const std::string& Record)
    {
        vism.Expect(R"($$REFRESH^%CSWWGLOB("^CLI","7"))", {.result = TVariant("0"), .registers = {{1, TVariant(Record)}}});
        global.Refresh();
        vism.ClearLog();
    }
};

// --- the block's properties ------------------------------------------------------------

TEST(MEditBlock, StartsOnPieceZeroOfNoGlobalWithLimparSet)
{
    TMEdit edit(nullptr);
    EXPECT_EQ(edit.MGlobal(), nullptr);
    EXPECT_EQ(edit.TipoCampo(), tcPiece);
    EXPECT_EQ(edit.Piece(), 0);
    EXPECT_FALSE(edit.Obrigatorio());
    EXPECT_EQ(edit.NomeCampo(), "");
    EXPECT_EQ(edit.Variavel(), "");
    EXPECT_TRUE(edit.Limpar());
    EXPECT_TRUE(edit.ListaControls()->Lista().empty());
}

TEST(MEditBlock, WritingMGlobalMovesTheLinkAndShowsNothing)
{
    CountingGlobal first, second;
    first.SetData("a^b");
    TMEdit edit(nullptr);
    edit.SetPiece(2);
    edit.SetMGlobal(&first);
    EXPECT_EQ(edit.Text(), "");
    EXPECT_EQ(first.Links(), (std::vector<TMGlobalLink*>{edit.Link()}));
    edit.SetMGlobal(&second);
    EXPECT_TRUE(first.Links().empty());
    EXPECT_EQ(second.Links(), (std::vector<TMGlobalLink*>{edit.Link()}));
    EXPECT_EQ(edit.Link()->Dono(), &edit);
}

TEST(MEditBlock, CoreFindsTheEditAsABoundControl)
{
    TMEdit edit(nullptr);
    TComponent* component = &edit;
    EXPECT_EQ(dynamic_cast<IBoundControl*>(component), static_cast<IBoundControl*>(&edit));
}

// --- showing the global's value ----------------------------------------------------------

TEST(MEditRefresh, ShowsPieceCampoOrKeyByTipoCampo)
{
    CountingGlobal global;
    global.SetData("a^b^c");
    AddLevel(global, "K0");
    AddLevel(global, "K1");
    global.Campos()->Add()->SetResultado("R0");
    TMEdit piece(nullptr), campo(nullptr), chave(nullptr);
    piece.SetPiece(3);
    campo.SetTipoCampo(tcCampo);
    campo.SetPiece(0);
    chave.SetTipoCampo(tcChave);
    chave.SetPiece(1);
    for (TMEdit* edit : {&piece, &campo, &chave})
        edit->SetMGlobal(&global);
    global.NotificarLinks();
    EXPECT_EQ(piece.Text(), "c");
    EXPECT_EQ(campo.Text(), "R0");
    EXPECT_EQ(chave.Text(), "K1");
}

TEST(MEditRefresh, RefreshShowsTheNewValueWithoutChangingTheRecordThoughTheWriteBackFires)
{
    BrowsingGlobal server;
    TMEdit edit(nullptr);
    edit.SetPiece(3);
    edit.SetMGlobal(&server.global);
    int changes = 0;
    edit.OnChange = [&](TObject*) { ++changes; };
    server.Browse("a^b^c");
    EXPECT_EQ(edit.Text(), "c");
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(server.global.Dados(), "a^b^c");
    EXPECT_EQ(server.global.Estado(), esNavegacao);
    EXPECT_TRUE(server.vism.Runs().empty()); // no EDIT
    EXPECT_EQ(server.global.Edicao(), 0);
    EXPECT_FALSE(edit.Modified());
}

TEST(MEditRefresh, FailedReadLowersEdicaoAgain)
{
    CountingGlobal global;
    TMEdit edit(nullptr);
    edit.SetTipoCampo(tcCampo);
    edit.SetPiece(5); // no such Campos item
    edit.SetMGlobal(&global);
    EXPECT_THROW(global.NotificarLinks(), EListError);
    EXPECT_EQ(global.Edicao(), 0);
}

// --- writing on every change -------------------------------------------------------------

TEST(MEditWrite, FirstTypedCharacterStartsEditBeforeTheRecordChanges)
{
    BrowsingGlobal server;
    TMEdit edit(nullptr);
    edit.SetPiece(3);
    edit.SetMGlobal(&server.global);
    server.Browse("a^b^c");
    std::string recordDuringEdit;
    server.vism.Expect(R"($$EDIT^%CSWWGLOB("^CLI","7"))",
                       {.result = TVariant("0"),
                        .registers = {{1, TVariant("a^b^c")}},
                        .during = [&] { recordDuringEdit = server.global.Dados(); }});
    edit.end(false);
    QTest::keyClicks(&edit, "X");
    EXPECT_EQ(recordDuringEdit, "a^b^c");
    EXPECT_EQ(server.global.Estado(), esEdicao);
    EXPECT_EQ(server.global.Dados(), "a^b^cX");
    EXPECT_EQ(server.vism.PendingAnswers(), 0);
    EXPECT_EQ(edit.Text(), "cX");
}

TEST(MEditWrite, EveryChangeWritesTheKeyWithTipoCampoChaveAndNothingWithCampo)
{
    CountingGlobal global;
    TMGlobalChave* level = AddLevel(global, "");
    global.Campos()->Add()->SetResultado("R");
    TMEdit chave(nullptr), campo(nullptr);
    chave.SetTipoCampo(tcChave);
    campo.SetTipoCampo(tcCampo);
    chave.SetMGlobal(&global);
    campo.SetMGlobal(&global);
    QTest::keyClicks(&chave, "12");
    EXPECT_EQ(level->GetAtual(), "12");
    QTest::keyClicks(&campo, "x");
    EXPECT_EQ(global.Dados(), "");
    EXPECT_EQ(global.Campos()->Items(0)->Resultado(), "R");
    EXPECT_EQ(global.edits, 0);
}

TEST(MEditWrite, TextSetByCodeAlsoWritesAndTheOtherEditsOfThePieceAreRedrawn)
{
    CountingGlobal global;
    TMEdit writer(nullptr), other(nullptr);
    for (TMEdit* edit : {&writer, &other}) {
        edit->SetPiece(2);
        edit->SetMGlobal(&global);
    }
    writer.SetText("v");
    EXPECT_EQ(global.Dados(), "^v");
    EXPECT_EQ(global.edits, 1);
    EXPECT_EQ(other.Text(), "v");
    EXPECT_EQ(global.PieceAtual(), 0);
}

TEST(MEditWrite, WithoutGlobalTypingWritesNothing)
{
    TMEdit edit(nullptr);
    int changes = 0;
    edit.OnChange = [&](TObject*) { ++changes; };
    QTest::keyClicks(&edit, "ab");
    EXPECT_EQ(edit.Text(), "ab");
    EXPECT_EQ(changes, 2);
}

TEST(MEditWrite, MaskedEditWritesItsTextAsTheMaskGivesIt)
{
    CountingGlobal global;
    TMEdit edit(nullptr);
    edit.SetPiece(1);
    edit.SetEditMask("(000);0;_");
    edit.SetMGlobal(&global);
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, "12");
    EXPECT_EQ(edit.EditText(), "(12_)");
    EXPECT_EQ(global.Dados(), "12 ");
}

TEST(MEditWrite, RedrawAfterEachTypedCharacterLeavesWhatWasTypedInPlace)
{
    CountingGlobal global;
    TMEdit edit(nullptr);
    edit.SetPiece(1);
    edit.SetEditMask("!999;1;_");
    edit.SetMGlobal(&global);
    edit.setCursorPosition(0);
    QTest::keyClicks(&edit, "12");
    EXPECT_EQ(edit.EditText(), "12_");
    EXPECT_EQ(global.Dados(), " 12");
    EXPECT_TRUE(edit.Modified());
}

// --- keys ----------------------------------------------------------------------------------

TEST(MEditKeys, RefreshPushesTheValueIntoKeysOfOtherGlobalsFixingThemAndRefreshingThem)
{
    CountingGlobal own, other;
    own.SetData("a^KEY");
    TMGlobalChave* foreign = AddLevel(other, "old");
    TMGlobalChave* ownLevel = AddLevel(own, "mine");
    TMEdit edit(nullptr);
    edit.SetPiece(2);
    edit.SetMGlobal(&own);
    foreign->SetControl(&edit);
    ownLevel->SetControl(&edit);
    own.NotificarLinks();
    EXPECT_EQ(foreign->Fixo(), "KEY");
    EXPECT_EQ(foreign->Inicio(), "KEY");
    EXPECT_EQ(foreign->Final(), "KEY");
    EXPECT_EQ(foreign->GetAtual(), "KEY");
    // Also the piece's propagation during the refresh's own write-back pushes the key.
    EXPECT_GT(other.refreshes, 0);
    // A key of its own global is pushed only on exit.
    EXPECT_EQ(ownLevel->GetAtual(), "mine");
    EXPECT_EQ(own.refreshes, 0);
}

TEST(MEditKeys, ExitPushesIntoKeysOfItsOwnGlobalWithoutFixingThem)
{
    CountingGlobal own;
    TMGlobalChave* ownLevel = AddLevel(own, "");
    BoundEditScreen<TMEdit> screen;
    screen.edit->SetPiece(1);
    screen.edit->SetMGlobal(&own);
    ownLevel->SetControl(screen.edit);
    QTest::keyClicks(screen.edit, "9");
    screen.Leave();
    EXPECT_EQ(ownLevel->GetAtual(), "9");
    EXPECT_EQ(ownLevel->Fixo(), "");
    EXPECT_EQ(own.refreshes, 1);
}

TEST(MEditKeys, WithoutGlobalExitStillPushesTheTextIntoItsKeys)
{
    CountingGlobal other;
    TMGlobalChave* level = AddLevel(other, "");
    BoundEditScreen<TMEdit> screen;
    level->SetControl(screen.edit);
    QTest::keyClicks(screen.edit, "5");
    screen.Leave();
    EXPECT_EQ(level->Fixo(), "5");
    EXPECT_EQ(other.refreshes, 1);
}

// --- leaving the edit ------------------------------------------------------------------------

struct CheckedScreen {
    BrowsingGlobal server;
    BoundEditScreen<TMEdit> screen;
    CountingGlobal other;
    TMGlobalChave* foreign;
    int exits = 0;

    CheckedScreen()
    {
        TGloChek* rule = server.global.PieceCheck()->Add();
        rule->SetPiece(3);
        rule->SetMCode("CLI");
        rule->SetMensagens({"Valor inv\xE1lido"});
        screen.edit->SetPiece(3);
        screen.edit->SetMGlobal(&server.global);
        screen.edit->OnExit = [this](TObject*) { ++exits; };
        foreign = AddLevel(other, "");
        foreign->SetControl(screen.edit);
        server.Browse("a^b^c");
        other.refreshes = 0;
        server.vism.Answer({.result = TVariant("0"), .registers = {{1, TVariant("a^b^c")}}}); // EDIT
    }
};

TEST(MEditExit, RefusedValueKeepsFocusSelectsTextAndNeitherFiresOnExitNorNotifiesKeys)
{
    MessageRecorder recorder;
    CheckedScreen s;
    s.screen.edit->end(false);
    QTest::keyClicks(s.screen.edit, "Z");
    s.server.vism.Expect(R"($$CHECK^%CSWWGLOB("CLI","a^b^cZ","7","cZ"))", {.result = TVariant("1")});
    s.other.refreshes = 0;
    s.screen.Leave();
    EXPECT_TRUE(s.screen.edit->hasFocus());
    EXPECT_EQ(s.screen.edit->selectedText(), QStringLiteral("cZ"));
    EXPECT_EQ(s.exits, 0);
    EXPECT_EQ(s.other.refreshes, 0);
    EXPECT_EQ(recorder.Texts(), (std::vector<QString>{QStringLiteral("Valor inválido")}));
    EXPECT_EQ(s.server.vism.PendingAnswers(), 0);
}

TEST(MEditExit, AcceptedValueFiresOnExitAndNotifiesKeysAfterTheCheck)
{
    MessageRecorder recorder;
    CheckedScreen s;
    s.screen.edit->end(false);
    QTest::keyClicks(s.screen.edit, "Z");
    s.server.vism.Expect(R"($$CHECK^%CSWWGLOB("CLI","a^b^cZ","7","cZ"))", {.result = TVariant("0")});
    s.other.refreshes = 0;
    s.screen.Leave();
    EXPECT_TRUE(s.screen.next->hasFocus());
    EXPECT_EQ(s.exits, 1);
    EXPECT_EQ(s.foreign->Fixo(), "cZ");
    EXPECT_EQ(s.other.refreshes, 1);
    EXPECT_TRUE(recorder.Texts().empty());
}

TEST(MEditExit, UnmodifiedTextLeavesWithoutAServerCheck)
{
    CheckedScreen s;
    s.server.vism.ClearLog();
    s.screen.Leave();
    EXPECT_TRUE(s.server.vism.Runs().empty());
    EXPECT_EQ(s.exits, 1);
    EXPECT_EQ(s.foreign->Fixo(), "c");
}

TEST(MEditExit, IncompleteMaskIsReportedAfterTheKeysWereNotified)
{
    MessageRecorder recorder;
    CountingGlobal other;
    TMGlobalChave* level = AddLevel(other, "");
    BoundEditScreen<TMEdit> screen;
    screen.edit->SetEditMask("000;1;_");
    level->SetControl(screen.edit);
    int exits = 0;
    screen.edit->OnExit = [&](TObject*) { ++exits; };
    screen.edit->setCursorPosition(0);
    QTest::keyClicks(screen.edit, "1");
    screen.Leave();
    EXPECT_EQ(recorder.Exceptions(), (std::vector<std::string>{kMaskEditErrorMessage}));
    EXPECT_TRUE(screen.edit->hasFocus());
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(level->Fixo(), "1  ");
}

TEST(MEditExit, RequiredEmptyPieceIsNamedByTheGlobalsPostAndFocused)
{
    MessageRecorder recorder;
    BrowsingGlobal server;
    server.global.SetChecarObrigatorios(true);
    BoundEditScreen<TMEdit> screen;
    screen.edit->SetName("EdNome");
    screen.edit->SetPiece(2);
    screen.edit->SetObrigatorio(true);
    screen.edit->SetMGlobal(&server.global);
    screen.Leave();
    server.vism.ClearLog();
    server.global.Post();
    EXPECT_EQ(recorder.Texts(), (std::vector<QString>{QStringLiteral("Informação Obrigatória: EdNome")}));
    EXPECT_TRUE(screen.edit->hasFocus());
    EXPECT_TRUE(server.vism.Runs().empty());
}

// --- enabling and focus by the global ------------------------------------------------------------

TEST(MEditScreen, LockedRecordDisablesTheDataEditAndFocusesTheKeyEdit)
{
    CountingGlobal global;
    TMGlobalChave* level = AddLevel(global, "");
    BoundEditScreen<TMEdit> screen;
    auto* keyEdit = new TMEdit(nullptr, &screen.window);
    keyEdit->show();
    screen.edit->SetMGlobal(&global);
    level->SetControl(keyEdit);
    global.SetBloqueado(true);
    EXPECT_FALSE(screen.edit->isEnabled());
    EXPECT_TRUE(keyEdit->hasFocus());
    global.SetBloqueado(false);
    EXPECT_TRUE(screen.edit->isEnabled());
}

// --- keys typed ---------------------------------------------------------------------------------

TEST(MEditKeysTyped, EnterInsertsNothingAndOnKeyPressSeesCharacterZero)
{
    TMEdit edit(nullptr);
    std::vector<int> seen;
    edit.OnKeyPress = [&](TObject*, char& Key) { seen.push_back(Key); };
    QTest::keyClicks(&edit, "a");
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClick(&edit, Qt::Key_Enter);
    EXPECT_EQ(edit.Text(), "a");
    EXPECT_EQ(seen, (std::vector<int>{'a', 0, 0}));
}

// --- destruction ----------------------------------------------------------------------------------

TEST(MEditDestruction, DestroyedEditLeavesItsGlobalAndEmptiesTheControlOfItsKeys)
{
    CountingGlobal global, other;
    TMGlobalChave* ownLevel = AddLevel(global, "1");
    TMGlobalChave* foreign = AddLevel(other, "2");
    auto edit = std::make_unique<TMEdit>(nullptr);
    edit->SetMGlobal(&global);
    ownLevel->SetControl(edit.get());
    foreign->SetControl(edit.get());
    ASSERT_EQ(edit->ListaControls()->Lista().size(), 2u);
    edit.reset();
    EXPECT_TRUE(global.Links().empty());
    EXPECT_EQ(ownLevel->Control(), nullptr);
    EXPECT_EQ(foreign->Control(), nullptr);
    EXPECT_EQ(ownLevel->GetAtual(), "1");
    EXPECT_EQ(foreign->GetAtual(), "2");
}

TEST(MEditDestruction, DestroyedGlobalLeavesTheEditWithoutMGlobal)
{
    TMEdit edit(nullptr);
    {
        CountingGlobal global;
        edit.SetMGlobal(&global);
    }
    EXPECT_EQ(edit.MGlobal(), nullptr);
    QTest::keyClicks(&edit, "x"); // writes nowhere
    EXPECT_EQ(edit.Text(), "x");
}

TEST(MEditDestruction, OwnerFreesTheEditAndItsLinks)
{
    CountingGlobal global;
    TMGlobalChave* level = AddLevel(global, "");
    {
        TComponent form(nullptr);
        auto* edit = new TMEdit(&form);
        edit->SetMGlobal(&global);
        level->SetControl(edit);
    }
    EXPECT_TRUE(global.Links().empty());
    EXPECT_EQ(level->Control(), nullptr);
}

} // namespace
