// The record operations of a bound global: the M texts sent, the registers written and
// read, the two states, the events and their order, and the enabling and focus of the
// bound controls.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "mbind/BoundDoubles.h"
#include "mbind/MGlobal.h"
#include "mbind/MText.h"
#include "mbind/MenuInfo.h"
#include "mbind/UDllMan.h"
#include "support/FakeVisM.h"
#include "support/ParamNames.h"
#include "support/Recorders.h"
#include "toolkit/Edit.h"

namespace {

using Log = std::vector<std::string>;

// The routine a run called: "REFRESH" for $$REFRESH^%CSWWGLOB(...), "D ROT^ZZ" for a
// user routine.
std::string RoutineOf(const std::string& Code)
{
    if (Code.rfind("$$", 0) == 0)
        return Code.substr(2, Code.find('^') - 2);
    return Code.substr(0, Code.find('('));
}

struct TMGlobalRecord : ::testing::Test {
    TMGlobalRecord()
    {
        global.SetName("Global");
        global.SetVisM(&vism);
        global.SetGlobal("^TGGCFG");
        TMGlobalChave* first = global.GlobalChaves()->Add();
        first->SetInicio("0");
        first->SetFinal("9");
        first->SetAtual("1");
        first->SetControl(&keyControl);
        TMGlobalChave* second = global.GlobalChaves()->Add();
        second->SetInicio("A");
        second->SetFinal("Z");
        second->SetAtual("A");
        data.Bind(&global, tcPiece, 1);
        HookEvents(global, "");
    }

    // Every event of G writes its name (with Prefix) to the journal; the confirm events
    // refuse when their name is in refuse.
    void HookEvents(TMGlobal& G, const std::string& Prefix)
    {
        auto notify = [this, Prefix](const char* Name) {
            return [this, Prefix, Name](TObject* Sender) {
                EXPECT_EQ(Sender, senderExpected);
                journal.push_back(Prefix + Name);
            };
        };
        auto confirm = [this, Prefix](const char* Name) {
            return [this, Prefix, Name](TObject*, bool& Confirm) {
                EXPECT_TRUE(Confirm) << "Confirm enters True";
                journal.push_back(Prefix + Name);
                if (refuse.count(Prefix + Name) != 0)
                    Confirm = false;
            };
        };
        G.OnAppend = confirm("OnAppend");
        G.OnAfterAppend = notify("OnAfterAppend");
        G.OnPost = confirm("OnPost");
        G.OnAfterPost = notify("OnAfterPost");
        G.OnDelete = confirm("OnDelete");
        G.OnAfterDelete = notify("OnAfterDelete");
        G.OnMove = notify("OnMove");
        G.OnAfterMove = notify("OnAfterMove");
        G.OnEdit = notify("OnEdit");
        G.OnCancel = notify("OnCancel");
        G.OnBeforeCancel = confirm("OnBeforeCancel");
    }

    // An answer that also writes "run <routine>" to the journal when the run happens.
    FakeAnswer Reply(TVariant Result, std::map<int, TVariant> Registers = {})
    {
        return {.result = std::move(Result),
                .registers = std::move(Registers),
                .during = [this] { journal.push_back("run " + RoutineOf(vism.Code())); }};
    }

    // Reads the record "x^y" while browsing, then forgets what that did.
    void Load(const std::string& Record = "x^y")
    {
        vism.Answer(Reply("0", {{1, Record}}));
        global.Refresh();
        Forget();
    }

    // Reads the record, then obtains the lock: editing with Record.
    void StartEdit(const std::string& Record = "x^y")
    {
        Load(Record);
        vism.Answer(Reply("0", {{1, Record}}));
        global.Edit();
        ASSERT_EQ(global.Estado(), esEdicao);
        Forget();
    }

    void Forget()
    {
        vism.ClearLog();
        journal.clear();
    }

    MessageRecorder messages;
    FakeVisM vism;
    Log journal;
    std::set<std::string> refuse;
    TMGlobal global{nullptr};
    TObject* senderExpected = &global;
    TestControl keyControl{"K", &journal};
    TestControl data{"D", &journal};
};

// --- the M texts ---------------------------------------------------------------------

TEST_F(TMGlobalRecord, RefreshSendsGlobalAndKeysAndWritesNoRegister)
{
    vism.Answer({.result = "0", .registers = {{1, "x^y"}}});
    global.Refresh();
    EXPECT_EQ(vism.Log(), (Log{R"(Code=$$REFRESH^%CSWWGLOB("^TGGCFG","1|A"))", "ExecFlag=1"}));
    EXPECT_EQ(global.Dados(), "x^y");
}

TEST_F(TMGlobalRecord, EditSendsGlobalAndKeys)
{
    Load();
    vism.Answer({.result = "0", .registers = {{1, "x^y"}}});
    global.Edit();
    EXPECT_EQ(vism.Log(), (Log{R"(Code=$$EDIT^%CSWWGLOB("^TGGCFG","1|A"))", "ExecFlag=1"}));
}

TEST_F(TMGlobalRecord, PostWritesTheRecordToP0ThenSendsTheEditFlagUnquoted)
{
    Load();
    vism.Answer({.result = "0"});
    global.Post();
    EXPECT_EQ(vism.Log(), (Log{"P0=x^y", R"(Code=$$POST^%CSWWGLOB("^TGGCFG","1|A",0))", "ExecFlag=1"}));
}

TEST_F(TMGlobalRecord, PostCallsTheUserRoutineFirstWithKeysAndRecord)
{
    global.SetGlobalRotina("GRAVA^ZZROT");
    Load();
    vism.Answer({});
    vism.Answer({.result = "0"});
    global.Post();
    EXPECT_EQ(vism.Log(), (Log{R"(Code=D GRAVA^ZZROT("POST","1|A","x^y"))", "ExecFlag=1", "P0=x^y",
                               R"(Code=$$POST^%CSWWGLOB("^TGGCFG","1|A",0))", "ExecFlag=1"}));
}

TEST_F(TMGlobalRecord, DeleteCallsTheUserRoutineThenDelete)
{
    global.SetGlobalRotina("APAGA^ZZROT");
    Load();
    vism.Answer({});
    vism.Answer({.result = "1"});
    global.Delete();
    EXPECT_EQ(vism.Log(), (Log{R"(Code=D APAGA^ZZROT("DELETE","1|A","x^y"))", "ExecFlag=1",
                               R"(Code=$$DELETE^%CSWWGLOB("^TGGCFG","1|A"))", "ExecFlag=1"}));
}

TEST_F(TMGlobalRecord, CancelarEdicaoSendsCancelThenRereads)
{
    StartEdit();
    vism.Answer({});
    vism.Answer({.result = "0", .registers = {{1, "x^y"}}});
    EXPECT_TRUE(global.CancelarEdicao());
    EXPECT_EQ(vism.Log(), (Log{R"(Code=$$CANCEL^%CSWWGLOB("^TGGCFG","1|A"))", "ExecFlag=1",
                               R"(Code=$$REFRESH^%CSWWGLOB("^TGGCFG","1|A"))", "ExecFlag=1"}));
    EXPECT_EQ(global.Estado(), esNavegacao);
}

TEST_F(TMGlobalRecord, NextAndLastSendKeysInicioAndFinal)
{
    Load();
    vism.Answer({.result = "1"});
    global.Next();
    EXPECT_EQ(vism.Log(), (Log{R"(Code=$$NEXT^%CSWWGLOB("^TGGCFG","1|A","0|A","9|Z"))", "ExecFlag=1"}));
    vism.ClearLog();
    vism.Answer({.result = "0", .registers = {{0, "p"}, {1, "2|B"}}});
    vism.Answer({.result = "0", .registers = {{1, "q"}}});
    global.Last();
    EXPECT_EQ(vism.Log(), (Log{R"(Code=$$LAST^%CSWWGLOB("^TGGCFG","1|A","0|A","9|Z"))", "ExecFlag=1",
                               R"(Code=$$REFRESH^%CSWWGLOB("^TGGCFG","2|B"))", "ExecFlag=1"}));
}

TEST_F(TMGlobalRecord, QuotesInNameKeysAndRecordAreDoubledInTheTextsButNotInRegisters)
{
    global.SetGlobal(R"(^T"G)");
    global.SetGlobalRotina("GRAVA^ZZROT");
    global.SetChave(1, R"(A",$$KILL^X(")");
    Load(R"(x"y)");
    vism.Answer({});
    vism.Answer({.result = "0"});
    global.Post();
    EXPECT_EQ(vism.Log(), (Log{R"(Code=D GRAVA^ZZROT("POST","1|A"",$$KILL^X(""","x""y"))", "ExecFlag=1", R"(P0=x"y)",
                               R"(Code=$$POST^%CSWWGLOB("^T""G","1|A"",$$KILL^X(""",0))", "ExecFlag=1"}));
}

TEST_F(TMGlobalRecord, GlobalWithoutKeyLevelsSendsAnEmptyKeyText)
{
    TMGlobal bare(nullptr);
    bare.SetVisM(&vism);
    bare.SetGlobal("^X");
    EXPECT_FALSE(bare.ChavesIncompletas());
    vism.Answer({.result = "0"});
    bare.Refresh();
    vism.Answer({.result = "0"});
    bare.Edit();
    EXPECT_EQ(vism.Runs(), (Log{R"($$REFRESH^%CSWWGLOB("^X",""))", R"($$EDIT^%CSWWGLOB("^X",""))"}));
    EXPECT_EQ(bare.Estado(), esEdicao);
}

TEST_F(TMGlobalRecord, UserRoutineIsCalledBeforePostAndDeleteOnly)
{
    global.SetGlobalRotina("R^ZZ");
    vism.Answer({.result = "0", .registers = {{1, "x^y"}}});
    global.Refresh();
    vism.Answer({.result = "0", .registers = {{1, "x^y"}}});
    global.Edit();
    vism.Answer({});
    vism.Answer({.result = "0"});
    global.Cancel();
    vism.Answer({.result = "1"});
    global.Next();
    vism.Answer({.result = "0", .registers = {{0, "x^y"}, {1, "1|A"}}});
    global.Last();
    global.Append();
    for (const std::string& code : vism.Runs())
        EXPECT_NE(RoutineOf(code), "D R^ZZ") << code;
}

TEST_F(TMGlobalRecord, WithoutAControlAnOperationRaisesInsteadOfCrashing)
{
    global.SetVisM(nullptr);
    EXPECT_THROW(global.Refresh(), Exception);
}

// --- Refresh -------------------------------------------------------------------------

TEST_F(TMGlobalRecord, RefreshReadsThenTellsMoveNotifiesUnlocksEnablesKeysAndEndsWithAfterMove)
{
    vism.Answer(Reply("0", {{1, "x^y"}}));
    global.Refresh();
    EXPECT_EQ(journal, (Log{"run REFRESH", "OnMove", "D.Refresh", "D.Enabled", "K.Enabled", "OnAfterMove"}));
    EXPECT_EQ(data.Value(), "x");
    EXPECT_FALSE(global.Bloqueado());
    EXPECT_EQ(global.Estado(), esNavegacao);
}

TEST_F(TMGlobalRecord, RefreshTakesTheRecordWhateverTheAnswerAndOnlyOneLocks)
{
    vism.Answer({.result = "7", .registers = {{1, "r7"}}});
    global.Refresh();
    EXPECT_EQ(global.Dados(), "r7");
    EXPECT_FALSE(global.Bloqueado());
    EXPECT_TRUE(data.Enabled());

    vism.Answer({.result = "1", .registers = {{1, "r1"}}});
    global.Refresh();
    EXPECT_EQ(global.Dados(), "r1");
    EXPECT_TRUE(global.Bloqueado());
    EXPECT_FALSE(data.Enabled());
    EXPECT_TRUE(keyControl.Focused());
}

TEST_F(TMGlobalRecord, RefreshWhileEditingCancelsInsteadAndRereadsOnce)
{
    StartEdit();
    vism.Answer(Reply(TVariant()));
    vism.Answer(Reply("0", {{1, "srv"}}));
    global.Refresh();
    EXPECT_EQ(vism.Runs().size(), 2u);
    EXPECT_EQ(journal, (Log{"OnBeforeCancel", "OnCancel", "run CANCEL", "run REFRESH", "OnMove", "D.Refresh",
                            "D.Enabled", "K.Enabled", "OnAfterMove"}));
    EXPECT_EQ(global.Dados(), "srv");
}

TEST_F(TMGlobalRecord, RefreshWhileEditingWithTheCancelRefusedChangesNothing)
{
    StartEdit();
    refuse.insert("OnBeforeCancel");
    global.Refresh();
    EXPECT_TRUE(vism.Log().empty());
    EXPECT_EQ(journal, Log{"OnBeforeCancel"});
    EXPECT_EQ(global.Estado(), esEdicao);
}

// --- Edit ----------------------------------------------------------------------------

TEST_F(TMGlobalRecord, GrantedEditTakesTheRecordWithoutRedrawingAndLocksTheKeys)
{
    Load();
    const int refreshes = data.Refreshes();
    vism.Answer(Reply("0", {{1, "srv^z"}}));
    global.Edit();
    EXPECT_EQ(journal, (Log{"OnEdit", "run EDIT", "D.Enabled", "D.Enabled", "K.Disabled"}));
    EXPECT_EQ(global.Estado(), esEdicao);
    EXPECT_EQ(global.Dados(), "srv^z");
    EXPECT_EQ(data.Refreshes(), refreshes);
    EXPECT_FALSE(global.Bloqueado());
}

TEST_F(TMGlobalRecord, EditAnsweredLockedDisablesDataAndKeepsStateAndRecord)
{
    Load();
    vism.Answer(Reply("1", {{1, "other"}}));
    global.Edit();
    EXPECT_EQ(journal, (Log{"OnEdit", "run EDIT", "D.Disabled", "K.Enabled", "K.Focus"}));
    EXPECT_EQ(global.Estado(), esNavegacao);
    EXPECT_EQ(global.Dados(), "x^y");
    EXPECT_TRUE(global.Bloqueado());
}

TEST_F(TMGlobalRecord, EditWithAnotherAnswerEnablesDataAndKeepsStateAndRecord)
{
    Load();
    vism.Answer(Reply("2", {{1, "other"}}));
    global.Edit();
    EXPECT_EQ(journal, (Log{"OnEdit", "run EDIT", "D.Enabled"}));
    EXPECT_EQ(global.Estado(), esNavegacao);
    EXPECT_EQ(global.Dados(), "x^y");
}

TEST_F(TMGlobalRecord, EditWhileEditingSendsNothingAndFiresNoEvent)
{
    StartEdit();
    global.Edit();
    EXPECT_TRUE(vism.Log().empty());
    EXPECT_TRUE(journal.empty());
}

TEST_F(TMGlobalRecord, EditWithAnEmptyKeyCancelsTheCurrentEditInstead)
{
    StartEdit();
    global.SetChave(1, "");
    vism.Answer({});
    vism.Answer({.result = "0", .registers = {{1, ""}}});
    global.Edit();
    // The cancel releases the node that was locked, not the emptied key's.
    EXPECT_EQ(vism.Runs(),
              (Log{R"($$CANCEL^%CSWWGLOB("^TGGCFG","1|A"))", R"($$REFRESH^%CSWWGLOB("^TGGCFG","1|"))"}));
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "OnEdit"), 0);
    EXPECT_EQ(global.Estado(), esNavegacao);
}

// --- the locked node follows the edit, not the keys ----------------------------------

TEST_F(TMGlobalRecord, KeyPushedIntoAnEditingGlobalCancelsTheEditedNodeThenReadsTheNewOne)
{
    // A control of another global is the editor of level 1: its refresh fixes the level
    // to its value, and this global's re-read cancels the edit first.
    TMGlobal other(nullptr);
    other.SetVisM(&vism);
    other.SetGlobal("^OUTRO");
    TestControl pusher("P", &journal);
    pusher.Bind(&other, tcPiece, 1);
    global.GlobalChaves()->Items(1)->SetControl(&pusher);
    StartEdit();

    vism.Answer({.result = "0", .registers = {{1, "B"}}});
    vism.Answer({});
    vism.Answer({.result = "0", .registers = {{1, "b^b"}}});
    other.Refresh();

    EXPECT_EQ(vism.Runs(), (Log{R"($$REFRESH^%CSWWGLOB("^OUTRO",""))", R"($$CANCEL^%CSWWGLOB("^TGGCFG","1|A"))",
                                R"($$REFRESH^%CSWWGLOB("^TGGCFG","1|B"))"}));
    EXPECT_EQ(global.Estado(), esNavegacao);
    EXPECT_EQ(global.Dados(), "b^b");
}

TEST_F(TMGlobalRecord, EveryReleaseNamesTheEditedNodeWhateverTheKeysSay)
{
    struct Case {
        const char* name;
        std::function<void(TMGlobal&)> release;
        Log runs; // after the key level 0 was changed to 2 while editing node 1|A
        Log answers = {"0", "0"};
    };
    const std::vector<Case> cases = {
        {"CancelarEdicao", [](TMGlobal& G) { G.CancelarEdicao(); },
         {R"($$CANCEL^%CSWWGLOB("^TGGCFG","1|A"))", R"($$REFRESH^%CSWWGLOB("^TGGCFG","2|A"))"}},
        {"Refresh", [](TMGlobal& G) { G.Refresh(); },
         {R"($$CANCEL^%CSWWGLOB("^TGGCFG","1|A"))", R"($$REFRESH^%CSWWGLOB("^TGGCFG","2|A"))"}},
        {"Append", [](TMGlobal& G) { G.Append(); },
         {R"($$CANCEL^%CSWWGLOB("^TGGCFG","1|A"))", R"($$REFRESH^%CSWWGLOB("^TGGCFG","2|A"))"}},
        {"Delete", [](TMGlobal& G) { G.Delete(); },
         {R"($$CANCEL^%CSWWGLOB("^TGGCFG","1|A"))", R"($$REFRESH^%CSWWGLOB("^TGGCFG","2|A"))",
          R"($$DELETE^%CSWWGLOB("^TGGCFG","2|A"))"},
         {"0", "0", "1"}},
        // The record goes where the keys say; the node that was locked is released apart.
        {"Post", [](TMGlobal& G) { G.Post(); },
         {R"($$POST^%CSWWGLOB("^TGGCFG","2|A",1))", R"($$CANCEL^%CSWWGLOB("^TGGCFG","1|A"))"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        global.SetChave(0, "1");
        StartEdit();
        global.SetChave(0, "2");
        for (const std::string& answer : c.answers)
            vism.Answer({.result = answer, .registers = {{1, "x^y"}}});
        c.release(global);
        EXPECT_EQ(vism.Runs(), c.runs);
        EXPECT_EQ(global.Estado(), esNavegacao);
        EXPECT_EQ(vism.PendingAnswers(), 0);
        vism.ClearLog();
    }
}

TEST_F(TMGlobalRecord, PostAtTheEditedNodeSendsNoCancel)
{
    StartEdit();
    vism.Answer({.result = "0"});
    global.Post();
    EXPECT_EQ(vism.Runs(), Log{R"($$POST^%CSWWGLOB("^TGGCFG","1|A",1))"});
}

TEST_F(TMGlobalRecord, PostAfterAppendSendsNoCancelForAnOldEdit)
{
    StartEdit();
    vism.Answer({});
    vism.Answer({.result = "0", .registers = {{1, "x^y"}}});
    global.Append();
    global.SetChave(0, "3");
    vism.ClearLog();
    vism.Answer({.result = "0"});
    global.Post();
    EXPECT_EQ(vism.Runs(), Log{R"($$POST^%CSWWGLOB("^TGGCFG","3|A",0))"});
}

TEST_F(TMGlobalRecord, TypingWhileBrowsingLocksAndReadsBeforeTheTypedRecordIsStored)
{
    Load();
    vism.Expect(R"($$EDIT^%CSWWGLOB("^TGGCFG","1|A"))", {.result = "0", .registers = {{1, "srv^z"}}});
    data.Type("new");
    EXPECT_EQ(global.Estado(), esEdicao);
    EXPECT_EQ(global.Dados(), "new^y");
    EXPECT_EQ(vism.Runs().size(), 1u);
}

TEST_F(TMGlobalRecord, ShowingARecordNeverStartsAnEdit)
{
    data.SetWritesBack(true);
    vism.Answer({.result = "0", .registers = {{1, "x^y"}}});
    global.Refresh();
    EXPECT_EQ(vism.Runs().size(), 1u);
    EXPECT_EQ(global.Estado(), esNavegacao);
}

// --- Append --------------------------------------------------------------------------

TEST_F(TMGlobalRecord, AppendClearsKeysToTheirInicioAndTheRecordWithoutAServerCall)
{
    Load();
    global.Append();
    EXPECT_TRUE(vism.Log().empty());
    EXPECT_EQ(journal, (Log{"OnAppend", "OnBeforeCancel", "OnAfterAppend", "D.Refresh", "K.Enabled", "K.Enabled",
                            "K.Focus"}));
    EXPECT_EQ(global.GetChaves(), "0|A");
    EXPECT_EQ(global.Dados(), "");
    EXPECT_EQ(global.Estado(), esNavegacao);
}

TEST_F(TMGlobalRecord, AppendKeepsTheLockFlag)
{
    vism.Answer({.result = "1", .registers = {{1, "x^y"}}});
    global.Refresh();
    global.Append();
    EXPECT_TRUE(global.Bloqueado());
    EXPECT_FALSE(data.Enabled());
}

TEST_F(TMGlobalRecord, AppendRefusedByOnAppendDoesNothing)
{
    Load();
    refuse.insert("OnAppend");
    global.Append();
    EXPECT_EQ(journal, Log{"OnAppend"});
    EXPECT_EQ(global.Dados(), "x^y");
}

TEST_F(TMGlobalRecord, AppendWhileEditingWithTheCancelRefusedSendsNothing)
{
    StartEdit();
    refuse.insert("OnBeforeCancel");
    global.Append();
    EXPECT_TRUE(vism.Log().empty());
    EXPECT_EQ(journal, (Log{"OnAppend", "OnBeforeCancel"}));
    EXPECT_EQ(global.Estado(), esEdicao);
    EXPECT_EQ(global.Dados(), "x^y");
}

TEST_F(TMGlobalRecord, AppendWhileEditingReleasesTheLockFirst)
{
    StartEdit();
    vism.Answer({});
    vism.Answer({.result = "0", .registers = {{1, "x^y"}}});
    global.Append();
    EXPECT_EQ(vism.Runs(),
              (Log{R"($$CANCEL^%CSWWGLOB("^TGGCFG","1|A"))", R"($$REFRESH^%CSWWGLOB("^TGGCFG","1|A"))"}));
    EXPECT_EQ(global.Dados(), "");
    EXPECT_EQ(global.Estado(), esNavegacao);
}

// --- Post ----------------------------------------------------------------------------

TEST_F(TMGlobalRecord, PostRightAfterAppendSendsEditFlagZero)
{
    Load();
    global.Append();
    vism.ClearLog();
    vism.Answer({.result = "0"});
    global.Post();
    EXPECT_EQ(vism.Log(), (Log{"P0=", R"(Code=$$POST^%CSWWGLOB("^TGGCFG","0|A",0))", "ExecFlag=1"}));
}

TEST_F(TMGlobalRecord, PostAfterAGrantedEditSendsEditFlagOne)
{
    StartEdit();
    vism.Answer({.result = "0"});
    global.Post();
    EXPECT_EQ(vism.Log(), (Log{"P0=x^y", R"(Code=$$POST^%CSWWGLOB("^TGGCFG","1|A",1))", "ExecFlag=1"}));
}

TEST_F(TMGlobalRecord, PostWrittenReturnsToBrowsingThenPostsSubGlobalsWritesMemosAndTellsAfterPost)
{
    Log subJournal;
    TestSubGlobal sub;
    sub.SetName("Sub");
    sub.SetVisM(&vism);
    sub.SetGlobal("^SUB");
    sub.OnPost = [&](TObject*, bool&) { journal.push_back("Sub.OnPost"); };
    sub.SetMGlobal(&global);
    TestMemoryGlobal memo("Memo", &journal);
    memo.SetMGlobal(&global);
    StartEdit();

    vism.Answer(Reply("0"));
    vism.Answer(Reply("0"));
    global.Post();
    EXPECT_EQ(journal, (Log{"OnPost", "run POST", "D.Enabled", "K.Enabled", "K.Enabled", "K.Focus", "Sub.OnPost",
                            "run POST", "Memo.Gravar", "OnAfterPost"}));
    EXPECT_EQ(vism.Runs().back(), R"($$POST^%CSWWGLOB("^SUB","",0))");
    EXPECT_EQ(global.Estado(), esNavegacao);
}

TEST_F(TMGlobalRecord, PostAnsweredLockedDisablesDataAndKeepsEditing)
{
    StartEdit();
    vism.Answer(Reply("1"));
    global.Post();
    EXPECT_EQ(journal, (Log{"OnPost", "run POST", "D.Disabled", "K.Enabled", "K.Focus"}));
    EXPECT_EQ(global.Estado(), esEdicao);
    EXPECT_TRUE(global.Bloqueado());
}

TEST_F(TMGlobalRecord, PostWithAnotherAnswerEnablesDataKeepsStateAndWritesNothingElse)
{
    TestSubGlobal sub;
    sub.SetVisM(&vism);
    sub.SetMGlobal(&global);
    TestMemoryGlobal memo("Memo", &journal);
    memo.SetMGlobal(&global);
    StartEdit();
    vism.Answer(Reply("2"));
    global.Post();
    EXPECT_EQ(journal, (Log{"OnPost", "run POST", "D.Enabled"}));
    EXPECT_EQ(vism.Runs().size(), 1u);
    EXPECT_EQ(global.Estado(), esEdicao);
}

TEST_F(TMGlobalRecord, PostWithAnEmptyKeySendsAndShowsNothingAfterOnPost)
{
    Load();
    global.SetChave(0, "");
    global.SetChecarObrigatorios(true);
    data.SetObrigatorio(true);
    global.Post();
    EXPECT_EQ(journal, Log{"OnPost"});
    EXPECT_TRUE(vism.Log().empty());
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(TMGlobalRecord, PostRefusedByOnPostSendsNothing)
{
    Load();
    refuse.insert("OnPost");
    global.Post();
    EXPECT_TRUE(vism.Log().empty());
}

struct TMGlobalRequired : TMGlobalRecord {
    TMGlobalRequired()
    {
        global.SetChecarObrigatorios(true);
        first.Bind(&global, tcPiece, 3);
        first.SetObrigatorio(true);
        second.Bind(&global, tcPiece, 4);
        second.SetObrigatorio(true);
        second.SetNomeCampo("Segundo");
    }

    TestControl first{"EdPrimeiro", &journal};
    TestControl second{"EdSegundo", &journal};
};

TEST_F(TMGlobalRequired, TwoEmptyRequiredPiecesShowOneMessageForTheFirstInLinkOrder)
{
    Load("x^y^^");
    global.Post();
    ASSERT_EQ(messages.Messages().size(), 1u);
    const TShownMessage shown = messages.Messages()[0];
    EXPECT_EQ(shown.Text, QString::fromUtf8("Informação Obrigatória: EdPrimeiro"));
    EXPECT_EQ(shown.Type, TMsgDlgType::mtError);
    EXPECT_EQ(shown.Buttons, static_cast<TMsgDlgButtons>(mbOK));
    EXPECT_TRUE(first.Focused());
    EXPECT_FALSE(second.Focused());
    EXPECT_TRUE(vism.Log().empty());
}

TEST_F(TMGlobalRequired, MessageNamesTheFieldByNomeCampoWhenSet)
{
    Load("x^y^3^");
    global.Post();
    EXPECT_EQ(messages.Texts(), std::vector<QString>{QString::fromUtf8("Informação Obrigatória: Segundo")});
    EXPECT_TRUE(second.Focused());
}

TEST_F(TMGlobalRequired, ControlThatCannotTakeTheFocusIsNotFocused)
{
    first.SetFocusable(false);
    Load("x^y^^");
    global.Post();
    EXPECT_EQ(messages.Messages().size(), 1u);
    EXPECT_FALSE(first.Focused());
}

TEST_F(TMGlobalRequired, RefusedPostStillShowsTheRequiredMessage)
{
    refuse.insert("OnPost");
    Load("x^y^^");
    global.Post();
    EXPECT_EQ(messages.Messages().size(), 1u);
    EXPECT_TRUE(vism.Log().empty());
}

TEST_F(TMGlobalRequired, KeyAndFieldControlsAndRequiredOffAreNotChecked)
{
    first.Bind(&global, tcChave, 1);
    second.SetObrigatorio(false);
    global.Campos()->Add();
    TestControl field("EdCampo");
    field.Bind(&global, tcCampo, 0);
    field.SetObrigatorio(true);
    Load("x^y^^");
    vism.Answer({.result = "0"});
    global.Post();
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(vism.Runs().size(), 1u);
}

TEST_F(TMGlobalRequired, ControlsOfOtherSubBindersArePassedOver)
{
    first.SetObrigatorio(false);
    second.SetObrigatorio(false);
    TestSubBinder subBinder;
    subBinder.SetMGlobal(&global);
    TestControl underSubBinder("EdSubPiece");
    underSubBinder.Bind(&subBinder, tcPiece, 1);
    underSubBinder.SetObrigatorio(true);
    Load("x^y^^");
    vism.Answer({.result = "0"});
    global.Post();
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(vism.Runs().size(), 1u);
}

TEST_F(TMGlobalRequired, FilledPiecesPass)
{
    Load("x^y^3^4");
    vism.Answer({.result = "0"});
    global.Post();
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(vism.Runs().size(), 1u);
}

TEST_F(TMGlobalRequired, SwitchedOffTheCheckDoesNotRun)
{
    global.SetChecarObrigatorios(false);
    Load("x^y^^");
    vism.Answer({.result = "0"});
    global.Post();
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(TMGlobalRequired, SubGlobalWithTheCheckOnIsCheckedThroughItsOwnControls)
{
    TestSubGlobal sub;
    sub.SetVisM(&vism);
    sub.SetMGlobal(&global);
    sub.SetChecarObrigatorios(true);
    TestControl subControl("EdSub");
    subControl.Bind(&sub, tcPiece, 1);
    subControl.SetObrigatorio(true);
    first.SetObrigatorio(false);
    second.SetObrigatorio(false);
    vism.Answer({.result = "0", .registers = {{1, "x^y^^"}}});
    vism.Answer({.result = "0", .registers = {{1, ""}}}); // the sub-global re-reads with its master
    global.Refresh();
    Forget();
    global.Post();
    EXPECT_EQ(messages.Texts(), std::vector<QString>{QString::fromUtf8("Informação Obrigatória: EdSub")});
    EXPECT_TRUE(vism.Log().empty());

    sub.SetChecarObrigatorios(false);
    EXPECT_FALSE(global.FaltaObrigatorio());
}

TEST_F(TMGlobalRecord, SubGlobalThatStopsIsSkippedSilently)
{
    TestSubGlobal sub;
    sub.SetVisM(&vism);
    sub.GlobalChaves()->Add(); // an empty key: its post stops
    sub.SetMGlobal(&global);
    StartEdit();
    vism.Answer({.result = "0"});
    global.Post();
    EXPECT_EQ(vism.Runs().size(), 1u);
    EXPECT_EQ(global.Estado(), esNavegacao);
}

// --- Delete --------------------------------------------------------------------------

TEST_F(TMGlobalRecord, DeleteWhileBrowsingAsksToCancelButSendsNoCancel)
{
    Load();
    vism.Answer(Reply("1"));
    global.Delete();
    EXPECT_EQ(journal, (Log{"OnDelete", "OnBeforeCancel", "run DELETE"}));
}

TEST_F(TMGlobalRecord, DeleteRefusedByOnDeleteDoesNothing)
{
    Load();
    refuse.insert("OnDelete");
    global.Delete();
    EXPECT_EQ(journal, Log{"OnDelete"});
    EXPECT_TRUE(vism.Log().empty());
}

TEST_F(TMGlobalRecord, DeletedNodeTellsAfterDeleteThenMovesToTheNext)
{
    Load();
    vism.Answer(Reply("0"));
    vism.Answer(Reply("1"));
    global.Delete();
    EXPECT_EQ(journal, (Log{"OnDelete", "OnBeforeCancel", "run DELETE", "OnAfterDelete", "run NEXT"}));
}

TEST_F(TMGlobalRecord, DeleteWhileEditingReleasesTheLockFirst)
{
    StartEdit();
    vism.Answer({});
    vism.Answer({.result = "0", .registers = {{1, "x^y"}}});
    vism.Answer({.result = "1"});
    global.Delete();
    EXPECT_EQ(vism.Runs(), (Log{R"($$CANCEL^%CSWWGLOB("^TGGCFG","1|A"))", R"($$REFRESH^%CSWWGLOB("^TGGCFG","1|A"))",
                                R"($$DELETE^%CSWWGLOB("^TGGCFG","1|A"))"}));
}

TEST_F(TMGlobalRecord, DeleteWhileEditingWithTheCancelRefusedDeletesNothing)
{
    // Deleting a node still locked for editing would let the Next that follows post the
    // record back: the delete stops instead.
    global.SetGlobalRotina("APAGA^ZZROT");
    StartEdit();
    refuse.insert("OnBeforeCancel");
    global.Delete();
    EXPECT_TRUE(vism.Log().empty());
    EXPECT_EQ(global.Estado(), esEdicao);
}

// --- CancelarEdicao ------------------------------------------------------------------

TEST_F(TMGlobalRecord, CancelarEdicaoWhileBrowsingOnlyAsksAndReturnsTheAnswer)
{
    Load();
    EXPECT_TRUE(global.CancelarEdicao());
    refuse.insert("OnBeforeCancel");
    EXPECT_FALSE(global.CancelarEdicao());
    EXPECT_TRUE(vism.Log().empty());
    EXPECT_EQ(journal, (Log{"OnBeforeCancel", "OnBeforeCancel"}));
}

TEST_F(TMGlobalRecord, CancelarEdicaoTellsCancelBeforeSendingIt)
{
    StartEdit();
    vism.Answer(Reply(TVariant()));
    vism.Answer(Reply("0", {{1, "x^y"}}));
    global.CancelarEdicao();
    ASSERT_GE(journal.size(), 3u);
    EXPECT_EQ((Log{journal[0], journal[1], journal[2]}), (Log{"OnBeforeCancel", "OnCancel", "run CANCEL"}));
}

// --- Next and Last -------------------------------------------------------------------

TEST_F(TMGlobalRecord, NextAnsweredNoneChangesNothingAndFiresNoEvent)
{
    Load();
    vism.Answer(Reply("1", {{0, "p"}, {1, "5|E"}}));
    global.Next();
    EXPECT_EQ(journal, Log{"run NEXT"});
    EXPECT_EQ(global.Dados(), "x^y");
    EXPECT_EQ(global.GetChaves(), "1|A");
    EXPECT_EQ(global.Estado(), esNavegacao);
}

TEST_F(TMGlobalRecord, NextTakesTheKeysRereadsPropagatesAndFocusesTheFirstKey)
{
    // A control of this global that edits another global's key, and a fixed level here.
    TMGlobal other(nullptr);
    other.SetVisM(&vism);
    other.SetGlobal("^OUT");
    other.GlobalChaves()->Add()->SetControl(&data);
    global.GlobalChaves()->Items(1)->SetFixo("F");
    Load();

    vism.Answer(Reply("0", {{0, "from^next"}, {1, "2|B"}}));
    vism.Answer(Reply("0", {{1, "read^again"}}));
    vism.Answer(Reply("0", {{1, "o"}}));
    vism.Answer(Reply("0", {{1, "o"}}));
    global.Next();

    EXPECT_EQ(global.GetChaves(), "2|F") << "a fixed level keeps its value";
    EXPECT_EQ(global.Dados(), "read^again");
    EXPECT_EQ(vism.Runs()[1], R"($$REFRESH^%CSWWGLOB("^TGGCFG","2|F"))");
    EXPECT_EQ(other.GetChave(0), "read");
    // D is the key control of the other global too: its re-reads enable D as a key
    // control. The other global is re-read once by the refresh's redraw and once by the
    // propagation of the keys.
    EXPECT_EQ(journal, (Log{"run NEXT", "run REFRESH", "OnMove", "D.Refresh", "D.Push(read)", "run REFRESH",
                            "D.Enabled", "D.Enabled", "K.Enabled", "OnAfterMove", "D.Push(read)", "run REFRESH",
                            "D.Enabled", "D.Enabled", "K.Enabled", "K.Focus"}));
}

TEST_F(TMGlobalRecord, NextReappliesTheLockThatTheRereadLeft)
{
    Load();
    vism.Answer({.result = "0", .registers = {{0, "p"}, {1, "2|B"}}});
    vism.Answer({.result = "1", .registers = {{1, "locked"}}});
    global.Next();
    EXPECT_TRUE(global.Bloqueado());
    EXPECT_FALSE(data.Enabled());
}

TEST_F(TMGlobalRecord, NextWhileEditingPostsFirstWithEditFlagOne)
{
    StartEdit();
    vism.Answer({.result = "0"});
    vism.Answer({.result = "1"});
    global.Next();
    EXPECT_EQ(vism.Runs(), (Log{R"($$POST^%CSWWGLOB("^TGGCFG","1|A",1))",
                                R"($$NEXT^%CSWWGLOB("^TGGCFG","1|A","0|A","9|Z"))"}));
}

TEST_F(TMGlobalRecord, NextWhileEditingStaysWhenThePostDidNotWrite)
{
    // Moving on would drop the typed record and leave the node locked on the server.
    StartEdit();
    vism.Answer({.result = "1"});
    global.Next();
    EXPECT_EQ(vism.Runs(), Log{R"($$POST^%CSWWGLOB("^TGGCFG","1|A",1))"});
    EXPECT_EQ(global.Estado(), esEdicao);
    EXPECT_EQ(global.Dados(), "x^y");

    vism.ClearLog();
    refuse.insert("OnPost");
    global.Last();
    EXPECT_TRUE(vism.Runs().empty());
    EXPECT_EQ(global.Estado(), esEdicao);
}

TEST_F(TMGlobalRecord, LastTakesRecordAndKeysWhateverTheAnswer)
{
    Load();
    vism.Answer({.result = "1", .registers = {{0, "last"}, {1, "9|Z"}}});
    vism.Answer({.result = "0", .registers = {{1, "last^read"}}});
    global.Last();
    EXPECT_EQ(global.GetChaves(), "9|Z");
    EXPECT_EQ(global.Dados(), "last^read");
    EXPECT_EQ(vism.Runs().size(), 2u);
}

// --- failed runs -----------------------------------------------------------------------
//
// A run that fails ends the operation where it stands: nothing after it runs, and the
// record, keys, state and lock flag stay as the steps before it left them. The runs before
// the failing one answer "0", so a stale answer would let the operation go on.

struct FailedRunCase {
    const char* name;
    bool editing;
    std::string rotina;
    std::function<void(TMGlobal&)> operation;
    // Answers of the runs before the failing one: "0", or "" for a run whose answer is
    // not read.
    Log answers;
    Log journal;
    TEstadoGlobal estado;
};

void PrintTo(const FailedRunCase& c, std::ostream* out) { *out << c.name << (c.editing ? " while editing" : ""); }

class TMGlobalFailedRun : public TMGlobalRecord, public ::testing::WithParamInterface<FailedRunCase> {};

TEST_P(TMGlobalFailedRun, EndsTheOperationWhereItStands)
{
    const FailedRunCase& c = GetParam();
    global.SetGlobalRotina(c.rotina);
    if (c.editing)
        StartEdit();
    else
        Load();
    for (const std::string& answer : c.answers)
        vism.Answer(Reply(answer.empty() ? TVariant() : TVariant(answer), {{0, "p0"}, {1, "2|B"}}));
    vism.Answer({.error = "%GTM-E-UNDEF", .during = [this] { journal.push_back("fail " + RoutineOf(vism.Code())); }});

    EXPECT_THROW(c.operation(global), EMRunFailed);

    EXPECT_EQ(journal, c.journal);
    EXPECT_EQ(vism.PendingAnswers(), 0);
    EXPECT_EQ(global.Estado(), c.estado);
    EXPECT_EQ(global.Dados(), "x^y");
    EXPECT_EQ(global.GetChaves(), "1|A");
    EXPECT_FALSE(global.Bloqueado());
}

INSTANTIATE_TEST_SUITE_P(
    Operations, TMGlobalFailedRun,
    ::testing::Values(
        FailedRunCase{"Post", true, "", [](TMGlobal& G) { G.Post(); }, {}, {"OnPost", "fail POST"}, esEdicao},
        FailedRunCase{"PostsUserRoutine",
                      true,
                      "R^ZZ",
                      [](TMGlobal& G) { G.Post(); },
                      {},
                      {"OnPost", "fail D R^ZZ"},
                      esEdicao},
        FailedRunCase{"Next", false, "", [](TMGlobal& G) { G.Next(); }, {}, {"fail NEXT"}, esNavegacao},
        FailedRunCase{"Last", false, "", [](TMGlobal& G) { G.Last(); }, {}, {"fail LAST"}, esNavegacao},
        FailedRunCase{"NextsPost", true, "", [](TMGlobal& G) { G.Next(); }, {}, {"OnPost", "fail POST"}, esEdicao},
        FailedRunCase{"Delete",
                      false,
                      "",
                      [](TMGlobal& G) { G.Delete(); },
                      {},
                      {"OnDelete", "OnBeforeCancel", "fail DELETE"},
                      esNavegacao},
        FailedRunCase{"DeletesUserRoutine",
                      false,
                      "R^ZZ",
                      [](TMGlobal& G) { G.Delete(); },
                      {},
                      {"OnDelete", "OnBeforeCancel", "fail D R^ZZ"},
                      esNavegacao},
        FailedRunCase{"Edit", false, "", [](TMGlobal& G) { G.Edit(); }, {}, {"OnEdit", "fail EDIT"}, esNavegacao},
        FailedRunCase{"Refresh", false, "", [](TMGlobal& G) { G.Refresh(); }, {}, {"fail REFRESH"}, esNavegacao},
        FailedRunCase{"Cancel",
                      true,
                      "",
                      [](TMGlobal& G) { G.Cancel(); },
                      {},
                      {"OnBeforeCancel", "OnCancel", "fail CANCEL"},
                      esEdicao},
        FailedRunCase{"CancelsReread",
                      true,
                      "",
                      [](TMGlobal& G) { G.Cancel(); },
                      {""},
                      {"OnBeforeCancel", "OnCancel", "run CANCEL", "fail REFRESH"},
                      esNavegacao}),
    NamedBy(&FailedRunCase::name));

TEST_F(TMGlobalRecord, FailedPostWritesNoSubGlobalAndNoMemo)
{
    TestSubGlobal sub;
    sub.SetVisM(&vism);
    sub.SetGlobal("^SUB");
    sub.OnPost = [&](TObject*, bool&) { journal.push_back("Sub.OnPost"); };
    sub.SetMGlobal(&global);
    TestMemoryGlobal memo("Memo", &journal);
    memo.SetMGlobal(&global);
    StartEdit();
    vism.Answer({.error = "%GTM-E-UNDEF"});
    EXPECT_THROW(global.Post(), EMRunFailed);
    EXPECT_EQ(journal, Log{"OnPost"});
    EXPECT_EQ(vism.Runs().size(), 1u);
}

TEST_F(TMGlobalRecord, FailedRunReachesTheUserOnlyThroughOnError)
{
    std::vector<std::string> errors;
    vism.OnError = [&](TObject*) { errors.push_back(vism.ErrorName()); };
    StartEdit();
    vism.Answer({.error = "%GTM-E-DIVZERO"});
    RunGuarded(&global, [this] { global.Post(); });
    EXPECT_EQ(global.Estado(), esEdicao);
    EXPECT_EQ(errors, Log{"%GTM-E-DIVZERO"});
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_TRUE(messages.Exceptions().empty());
}

// --- company holder ---------------------------------------------------------------------

TEST_F(TMGlobalRecord, CompanyChangeFixesTheCompanyLevelAndStartsANewRecord)
{
    UDllMan::Finalizar();
    UDllMan::Inicializar();
    {
        TMenuInfo holder(nullptr);
        global.GlobalChaves()->Items(0)->SetMenu_Info(&holder);
        Load();
        holder.SetCodEmp(5);
        EXPECT_EQ(global.GlobalChaves()->Items(0)->Fixo(), "5");
        EXPECT_EQ(global.GetChaves(), "5|A");
        ASSERT_FALSE(journal.empty());
        EXPECT_EQ(journal.front(), "OnAppend");
        EXPECT_EQ(global.Dados(), "");
    }
    UDllMan::Finalizar();
    UDllMan::Inicializar();
}

} // namespace
