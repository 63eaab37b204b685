// The binding library against real GT.M: a TMGlobal with TMEdit controls on its keys and
// pieces, on the real server control (one server process per workstation), typed into as
// a user does. Nodes, locks and check rules are seeded and read back by M processes of
// the test's own on the same database. The record's life and the locks between workstations
// are also run on a database served to the workstations over GT.CM.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <signal.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mbind/GtmServer.h"
#include "mbind/MEdit.h"
#include "mbind/MGlobal.h"
#include "mbind/MText.h"
#include "support/ActiveWindow.h"
#include "support/KillServer.h"
#include "support/MDirect.h"
#include "support/ParamNames.h"
#include "support/Recorders.h"
#include "support/SharedDatabase.h"
#include "support/TempWorkingDir.h"
#include "toolkit/Win1252.h"
#include "vism/VisM.h"

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// Routines of the tests' own: X would mark that a value ran as M code; LOG is the user
// routine that a global may call before the server's POST and DELETE, ERR one that fails.
constexpr const char* TestRoutine =
    "ZZBIND ; routines of the binding tests\n"
    " Q\n"
    "X() S ^RAN=$G(^RAN)+1 Q \"\"\n"
    "LOG(op,keys,rec) S ^LOG(op)=keys_\"~\"_rec Q\n"
    "ERR(op,keys,rec) S ^LOG(op)=1/0 Q\n";

// Values that would run as code if they were spliced into an M string literal unescaped.
// A key may hold "^", so its code calls X^ZZBIND, which marks ^RAN; a piece cannot (it is
// the separator), so its code calls a label that is nowhere, which would be a server error.
const std::string kCodeInKey = R"("_$$X^ZZBIND()_")";
const std::string kCodeInPiece = R"("_$$X()_")";
// Would change the value it sits in if it ran.
const std::string kExpressionInPiece = R"("_$C(88)_")";

// One workstation: its server control (so its own server process), a TMGlobal on "^CLI"
// with two key levels and three pieces joined by "^", and a shown window with a TMEdit on
// each key and each piece, plus a plain edit to move the focus to.
class Workstation {
public:
    explicit Workstation(const TMServerSettings& Settings)
    {
        UseTestNamespace(vism, Settings, errors);
        global.SetVisM(&vism);
        global.SetGlobal("^CLI");
        for (int i = 0; i < 2; ++i) {
            keys[i] = NewEdit(tcChave, static_cast<uint8_t>(i));
            global.GlobalChaves()->Add()->SetControl(keys[i]);
        }
        for (int n = 1; n <= 3; ++n)
            pieces[n - 1] = NewEdit(tcPiece, static_cast<uint8_t>(n));
        ShowActive(window, {keys[0], keys[1], pieces[0], pieces[1], pieces[2], elsewhere});
    }

    // Declared in this order so that the edits leave the global before it goes, and the
    // global before its control.
    TVisM vism{nullptr};
    TMGlobal global{nullptr};
    QWidget window;
    std::array<TMEdit*, 2> keys{};
    std::array<TMEdit*, 3> pieces{};
    QLineEdit* elsewhere = new QLineEdit(&window);
    Strings errors;

    TMEdit* Key(int Level) const { return keys[static_cast<size_t>(Level)]; }
    TMEdit* Piece(int N) const { return pieces[static_cast<size_t>(N - 1)]; }

    // Focuses Edit (the control that had the focus runs its exit check) and types Text
    // over its content.
    void Type(TMEdit* Edit, const std::string& Text)
    {
        Edit->setFocus(Qt::TabFocusReason);
        Edit->selectAll();
        for (const QChar c : ToScreen(Text)) {
            if (c.unicode() < 128) {
                QTest::keyClick(Edit, c.toLatin1());
            } else { // QTest knows no key of its own for letters beyond ASCII
                QTest::sendKeyEvent(QTest::KeyAction::Click, Edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
            }
        }
    }
    void Leave() { elsewhere->setFocus(Qt::TabFocusReason); }

    void Activate()
    {
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 2000));
    }

    // What the edits show: the two keys, then pieces 1 to 3.
    Strings Shown() const
    {
        return {keys[0]->Text(), keys[1]->Text(), pieces[0]->Text(), pieces[1]->Text(), pieces[2]->Text()};
    }
    bool PiecesEnabled() const { return pieces[0]->isEnabled() && pieces[1]->isEnabled() && pieces[2]->isEnabled(); }
    bool PiecesDisabled() const { return !pieces[0]->isEnabled() && !pieces[1]->isEnabled() && !pieces[2]->isEnabled(); }
    bool KeysEnabled() const { return keys[0]->isEnabled() && keys[1]->isEnabled(); }

    // Moves to the node of Keys ("1|A") as the program does after a key is given.
    void Browse(const std::string& Keys)
    {
        global.SetChaves(Keys);
        global.Refresh();
    }

private:
    TMEdit* NewEdit(TTipoDeCampo Kind, uint8_t Index)
    {
        auto* edit = new TMEdit(nullptr, &window);
        edit->SetTipoCampo(Kind);
        edit->SetPiece(Index);
        edit->SetMGlobal(&global);
        return edit;
    }
};

// Compiled server routines, shared by the tests of the run: they hold no data, and
// compiling them for every test costs time.
class SharedObjectDir : public ::testing::Environment {
public:
    static fs::path Path() { return fs::path(Dir().path().toStdString()); }
    void TearDown() override { dir_.reset(); }

private:
    static QTemporaryDir& Dir()
    {
        if (!dir_)
            dir_ = std::make_unique<QTemporaryDir>();
        return *dir_;
    }
    static inline std::unique_ptr<QTemporaryDir> dir_;
};

::testing::Environment* const sharedObjectDir = ::testing::AddGlobalTestEnvironment(new SharedObjectDir);

class BindingGtm : public TestDatabaseGtm {
protected:
    void SetUp() override
    {
        TestDatabaseGtm::SetUp();
        if (Stopped())
            return;
        const fs::path root = Root();
        if (Served()) {
            // The database machine's side in a folder of its own, served over GT.CM; the
            // workstations' settings file names it, as the script writes it.
            served_ = std::make_unique<shareddb::TServedDatabase>(root / "server");
            served_->AddWorkstation(root);
            db_ = std::make_unique<mdirect::MDatabase>(served_->GlobalDirectory().string());
            settings_ = SettingsUnder(root, SharedObjectDir::Path());
        } else {
            // The namespace is the test's database, which its own M processes also open.
            settings_ = SettingsOnDatabase(*db_, root, SharedObjectDir::Path());
        }
        m_ = std::make_unique<mdirect::MSession>(*db_);
        fs::create_directories(root / "routines");
        WriteFileBytes((root / "routines" / "ZZBIND.m").string(), TestRoutine);
        settings_.RoutineDirs = {root / "routines"};
    }

    void TearDown() override
    {
        for (const auto& ws : workstations_)
            EXPECT_TRUE(ws->errors.empty()) << "server error: " << ws->errors.front();
        workstations_.clear();
        if (m_) {
            EXPECT_EQ(M("W $D(^RAN)"), "0") << "a typed value ran as M code";
        }
        m_.reset();
        db_.reset();
        served_.reset();
    }

    // True for a database served to the workstations over GT.CM, false for one on their
    // own machine.
    virtual bool Served() const { return false; }

    Workstation& NewWorkstation()
    {
        workstations_.push_back(std::make_unique<Workstation>(settings_));
        return *workstations_.back();
    }

    // The workstation ends: its window, global and control, and with it its server.
    void Close(Workstation& Ws)
    {
        EXPECT_TRUE(Ws.errors.empty()) << "server error: " << Ws.errors.front();
        std::erase_if(workstations_, [&](const auto& owned) { return owned.get() == &Ws; });
    }

    // Runs a line of M in a process of the test's own on the namespace's database; returns
    // what it wrote.
    std::string M(const std::string& Code) { return m_->Execute(Code); }

    // True when a process other than the workstations' servers can lock Node.
    bool Free(const std::string& Node) { return M("L +" + Node + ":0 W $T L:$T -" + Node) == "1"; }

    MessageRecorder messages_;

private:
    TMServerSettings settings_;
    std::unique_ptr<shareddb::TServedDatabase> served_;
    std::unique_ptr<mdirect::MSession> m_;
    std::vector<std::unique_ptr<Workstation>> workstations_;
};

// A record's life and two workstations' locks hold alike on a database of the workstations'
// own machine and on one served to them over GT.CM.
enum class DatabaseKind { Own, Served };

const char* DatabaseKindText(DatabaseKind Kind) { return Kind == DatabaseKind::Own ? "Own" : "Served"; }

void PrintTo(DatabaseKind Kind, std::ostream* Out) { *Out << DatabaseKindText(Kind); }

class BindingGtmAnyDatabase : public BindingGtm, public ::testing::WithParamInterface<DatabaseKind> {
protected:
    bool Served() const override { return GetParam() == DatabaseKind::Served; }
};

INSTANTIATE_TEST_SUITE_P(Database, BindingGtmAnyDatabase, ::testing::Values(DatabaseKind::Own, DatabaseKind::Served),
                         [](const auto& Info) { return std::string(DatabaseKindText(Info.param)); });

// --- a record's life -------------------------------------------------------------------------

TEST_P(BindingGtmAnyDatabase, RecordLife_TypedAppendPostsTheNode_NextLastWalk_CancelKeeps_PostChanges_DeleteRemoves)
{
    M(R"(S ^CLI(1,"A")="alpha^10^x",^CLI(1,"C")="gamma^30^z",^CLI(2,"A")="delta^20^d",^CLI(2,"Z")="zeta^40^w")");
    Workstation& ws = NewWorkstation();

    // Append, then the keys and pieces as a user types them.
    ws.global.Append();
    EXPECT_EQ(ws.Shown(), (Strings{"", "", "", "", ""}));
    EXPECT_TRUE(ws.Key(0)->hasFocus());
    ws.Type(ws.Key(0), "1");
    ws.Type(ws.Key(1), "B");
    ws.Type(ws.Piece(1), "beta");
    EXPECT_EQ(ws.global.Estado(), esEdicao) << "the first typed character locks the new node";
    EXPECT_FALSE(Free(R"(^CLI(1,"B"))"));
    EXPECT_FALSE(ws.KeysEnabled());
    ws.Type(ws.Piece(2), "20");
    ws.Type(ws.Piece(3), "y");
    ws.global.Post();
    EXPECT_EQ(ws.global.Estado(), esNavegacao);
    EXPECT_EQ(M(R"(W ^CLI(1,"B"))"), "beta^20^y");
    EXPECT_TRUE(Free(R"(^CLI(1,"B"))"));
    EXPECT_TRUE(ws.KeysEnabled());
    EXPECT_TRUE(ws.Key(0)->hasFocus());

    // Next walks in M order from the posted node; at the end it stays; Last jumps.
    ws.global.Next();
    EXPECT_EQ(ws.Shown(), (Strings{"1", "C", "gamma", "30", "z"}));
    ws.global.Next();
    EXPECT_EQ(ws.Shown(), (Strings{"2", "A", "delta", "20", "d"}));
    ws.global.Next();
    EXPECT_EQ(ws.Shown(), (Strings{"2", "Z", "zeta", "40", "w"}));
    ws.global.Next();
    EXPECT_EQ(ws.Shown(), (Strings{"2", "Z", "zeta", "40", "w"})) << "no node after the last";
    ws.Type(ws.Key(0), "1");
    ws.Type(ws.Key(1), "A");
    ws.Leave();
    EXPECT_EQ(ws.Shown(), (Strings{"1", "A", "alpha", "10", "x"})) << "typed keys read their node";
    ws.global.Last();
    EXPECT_EQ(ws.Shown(), (Strings{"2", "Z", "zeta", "40", "w"}));

    // Edit, a changed piece, Cancel: the server's node and lock are as before.
    ws.global.Edit();
    EXPECT_EQ(ws.global.Estado(), esEdicao);
    EXPECT_FALSE(Free(R"(^CLI(2,"Z"))"));
    ws.Type(ws.Piece(2), "99");
    EXPECT_EQ(ws.global.Dados(), "zeta^99^w");
    ws.global.Cancel();
    EXPECT_EQ(ws.global.Estado(), esNavegacao);
    EXPECT_EQ(ws.Shown(), (Strings{"2", "Z", "zeta", "40", "w"}));
    EXPECT_EQ(M(R"(W ^CLI(2,"Z"))"), "zeta^40^w");
    EXPECT_TRUE(Free(R"(^CLI(2,"Z"))"));

    // Edit and Post: written, lock released.
    ws.global.Edit();
    ws.Type(ws.Piece(2), "41");
    ws.global.Post();
    EXPECT_EQ(M(R"(W ^CLI(2,"Z"))"), "zeta^41^w");
    EXPECT_TRUE(Free(R"(^CLI(2,"Z"))"));

    // Delete removes the node and moves to the next one.
    ws.Type(ws.Key(1), "A");
    ws.Leave();
    EXPECT_EQ(ws.Shown(), (Strings{"2", "A", "delta", "20", "d"}));
    ws.global.Delete();
    EXPECT_EQ(M(R"(W $D(^CLI(2,"A")))"), "0");
    EXPECT_EQ(ws.Shown(), (Strings{"2", "Z", "zeta", "41", "w"}));
    EXPECT_EQ(M(R"(ZWRITE ^CLI)"), "^CLI(1,\"A\")=\"alpha^10^x\"\n^CLI(1,\"B\")=\"beta^20^y\"\n"
                                   "^CLI(1,\"C\")=\"gamma^30^z\"\n^CLI(2,\"Z\")=\"zeta^41^w\"\n");
    EXPECT_TRUE(messages_.Messages().empty());
}

// Edit disables the key edits; the first of them has the focus after a move, and losing it
// that way must not push the key, whose re-read would cancel the edit just granted.
TEST_F(BindingGtm, EditWhileTheFirstKeyHasTheFocusKeepsTheEditAndItsLock)
{
    M(R"(S ^CLI(1,"A")="alpha^10^x")");
    Workstation& ws = NewWorkstation();
    ws.global.Append();
    ws.global.Next();
    ASSERT_TRUE(ws.Key(0)->hasFocus());
    ws.global.Edit();
    EXPECT_EQ(ws.global.Estado(), esEdicao);
    EXPECT_FALSE(ws.KeysEnabled());
    EXPECT_FALSE(Free(R"(^CLI(1,"A"))"));
    ws.Type(ws.Piece(2), "11");
    ws.global.Post();
    EXPECT_EQ(M(R"(W ^CLI(1,"A"))"), "alpha^11^x");
}

// --- two workstations on one node --------------------------------------------------------------

TEST_P(BindingGtmAnyDatabase, TwoWorkstations_SecondEditIsRefusedWhileTheFirstEditsAndGrantedAfterItsPost)
{
    M(R"(S ^CLI(1,"A")="alpha^10^x")");
    Workstation& first = NewWorkstation();
    Workstation& second = NewWorkstation();
    first.Browse("1|A");
    second.Browse("1|A");
    int secondEdits = 0;
    second.global.OnEdit = [&](TObject*) { ++secondEdits; };

    first.global.Edit();
    ASSERT_EQ(first.global.Estado(), esEdicao);

    // Refused: OnEdit has fired, browsing goes on with the record as it was, the data
    // edits are disabled and the focus is on the first key.
    second.global.Edit();
    EXPECT_EQ(secondEdits, 1);
    EXPECT_EQ(second.global.Estado(), esNavegacao);
    EXPECT_TRUE(second.global.Bloqueado());
    EXPECT_EQ(second.global.Dados(), "alpha^10^x");
    EXPECT_TRUE(second.PiecesDisabled());
    EXPECT_TRUE(second.KeysEnabled());
    EXPECT_TRUE(second.Key(0)->hasFocus());

    // Its re-read sees the lock too.
    second.global.Refresh();
    EXPECT_TRUE(second.global.Bloqueado());
    EXPECT_TRUE(second.PiecesDisabled());
    EXPECT_EQ(second.Shown(), (Strings{"1", "A", "alpha", "10", "x"}));

    // A record written by code in spite of the lock: its edit and its post are refused.
    second.global.SetPiece(2, "99");
    EXPECT_EQ(secondEdits, 2);
    second.global.Post();
    EXPECT_TRUE(second.global.Bloqueado());
    EXPECT_EQ(M(R"(W ^CLI(1,"A"))"), "alpha^10^x");

    // The first posts: the second re-reads the new record unlocked and may edit.
    first.Activate();
    first.Type(first.Piece(2), "11");
    first.global.Post();
    EXPECT_EQ(M(R"(W ^CLI(1,"A"))"), "alpha^11^x");
    second.global.Refresh();
    EXPECT_FALSE(second.global.Bloqueado());
    EXPECT_TRUE(second.PiecesEnabled());
    EXPECT_EQ(second.Shown(), (Strings{"1", "A", "alpha", "11", "x"}));
    second.global.Edit();
    EXPECT_EQ(second.global.Estado(), esEdicao);
    EXPECT_FALSE(second.global.Bloqueado());

    // Now the first one is refused.
    first.global.Edit();
    EXPECT_EQ(first.global.Estado(), esNavegacao);
    EXPECT_TRUE(first.global.Bloqueado());
    EXPECT_TRUE(first.PiecesDisabled());
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_P(BindingGtmAnyDatabase, TwoWorkstations_LockOfAClosedWorkstationIsGone)
{
    M(R"(S ^CLI(1,"A")="alpha^10^x")");
    Workstation& first = NewWorkstation();
    Workstation& second = NewWorkstation();
    first.Browse("1|A");
    second.Browse("1|A");
    first.global.Edit();
    first.global.SetPiece(1, "never posted");
    second.global.Edit();
    ASSERT_TRUE(second.global.Bloqueado());

    Close(first);
    second.global.Edit();
    EXPECT_EQ(second.global.Estado(), esEdicao);
    EXPECT_FALSE(second.global.Bloqueado());
    EXPECT_TRUE(second.PiecesEnabled());
    EXPECT_EQ(second.global.Dados(), "alpha^10^x");
}

TEST_P(BindingGtmAnyDatabase, TwoWorkstations_LockOfAWorkstationWhoseServerDiedIsGone)
{
    const std::string node = R"(^CLI(1,"A"))";
    M("S " + node + "=\"alpha^10^x\"");
    Workstation& first = NewWorkstation();
    Workstation& second = NewWorkstation();
    first.Browse("1|A");
    second.Browse("1|A");
    first.global.Edit();
    ASSERT_EQ(first.global.Estado(), esEdicao);
    ASSERT_FALSE(Free(node));

    // The server dies; its control reaps it at once (GT.M takes an unreaped process for a
    // live owner of its local locks).
    const pid_t server = first.vism.ServerProcessId();
    ASSERT_EQ(kill(server, SIGKILL), 0);
    // Over GT.CM the lock goes when the GT.CM server sees the connection close.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Free(node) && std::chrono::steady_clock::now() < deadline)
        QTest::qWait(10);
    second.global.Edit();
    EXPECT_EQ(second.global.Estado(), esEdicao);
    EXPECT_FALSE(second.global.Bloqueado());
    EXPECT_TRUE(second.PiecesEnabled());
    EXPECT_EQ(second.global.Dados(), "alpha^10^x");
}

// The first workstation edits ^CLI(1,"A"), its keys change during the edit, and the edit
// ends: the lock goes with it, so the second workstation may edit the node.
TEST_P(BindingGtmAnyDatabase, TwoWorkstations_EditEndedAfterItsKeysChangedReleasesTheEditedNode)
{
    struct Case {
        const char* name;
        std::function<void(Workstation&)> changeAndEnd;
        const char* stored; // ^CLI(1,"B") afterwards
    };
    // A global on ^SEL whose edit is the editor of the first workstation's second key:
    // showing its record fixes that key, and the first workstation re-reads its node.
    TMGlobal selector(nullptr);
    const std::vector<Case> cases = {
        {"a key emptied, then Edit", [](Workstation& Ws) {
             Ws.global.SetChave(1, "");
             Ws.global.Edit();
         }, "beta^20^y"},
        {"a key pushed by a control of another global", [&](Workstation& Ws) {
             selector.SetVisM(&Ws.vism);
             selector.SetGlobal("^SEL");
             auto* edit = new TMEdit(nullptr, &Ws.window);
             edit->SetMGlobal(&selector);
             edit->SetPiece(1);
             Ws.global.GlobalChaves()->Items(1)->SetControl(edit);
             M(R"(S ^SEL="B")");
             selector.Refresh();
             EXPECT_EQ(Ws.Shown(), (Strings{"1", "B", "beta", "20", "y"})) << "the pushed node is shown";
         }, "beta^20^y"},
        {"a key changed, then Post", [](Workstation& Ws) {
             Ws.global.SetChave(1, "B");
             Ws.global.Post();
         }, "alpha^11^x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        M(R"(K ^CLI S ^CLI(1,"A")="alpha^10^x",^CLI(1,"B")="beta^20^y")");
        Workstation& first = NewWorkstation();
        Workstation& second = NewWorkstation();
        first.Browse("1|A");
        second.Browse("1|A");
        first.global.Edit();
        ASSERT_EQ(first.global.Estado(), esEdicao);
        first.global.SetPiece(2, "11");
        ASSERT_FALSE(Free(R"(^CLI(1,"A"))"));

        c.changeAndEnd(first);

        EXPECT_EQ(first.global.Estado(), esNavegacao);
        EXPECT_TRUE(Free(R"(^CLI(1,"A"))"));
        EXPECT_TRUE(Free(R"(^CLI(1,"B"))"));
        EXPECT_EQ(M(R"(W ^CLI(1,"A"))"), "alpha^10^x");
        EXPECT_EQ(M(R"(W ^CLI(1,"B"))"), c.stored);
        second.global.Edit();
        EXPECT_EQ(second.global.Estado(), esEdicao);
        EXPECT_FALSE(second.global.Bloqueado());
        // Released before the workstations close: a served database frees a closed
        // workstation's locks only when it notices the connection is gone.
        second.global.Cancel();
        Close(second);
        Close(first);
    }
    EXPECT_TRUE(messages_.Messages().empty());
}

// --- quotes and carets -----------------------------------------------------------------------

// The separator typed into a piece is refused: the record that is posted keeps its pieces
// where they were.
TEST_F(BindingGtm, TypedSeparatorIsRefused_ThePostedRecordKeepsItsPieces)
{
    M(R"(S ^CLI(1,"A")="alpha^10^x")");
    Workstation& ws = NewWorkstation();
    ws.Browse("1|A");
    ws.Type(ws.Piece(1), "a^b");
    ws.Leave();
    EXPECT_EQ(ws.Shown(), (Strings{"1", "A", "ab", "10", "x"}));
    EXPECT_EQ(messages_.Beeps(), 1);
    ws.global.Post();
    EXPECT_EQ(M(R"(W ^CLI(1,"A"))"), "ab^10^x");
}

// A piece cannot hold the separator "^" and a key cannot hold "|" (the client joins and
// splits at them); everything else is data: quotes, commas, parentheses, M code, "^" in a
// key, Windows-1252 letters.
TEST_F(BindingGtm, QuotesAndCodeInPiecesAndKeysRoundTripExactlyAndNeverRun)
{
    const std::string key = R"(A"B^C,$D(X))";
    const std::string node = R"m(^CLI(1,"A""B^C,$D(X)"))m";
    const Strings typed = {R"(say "hi")", kCodeInPiece, kExpressionInPiece + "\"\xE7"};
    Workstation& ws = NewWorkstation();
    ws.global.SetGlobalRotina("LOG^ZZBIND");
    ws.global.Append();
    ws.Type(ws.Key(0), "1");
    ws.Type(ws.Key(1), key);
    for (int n = 1; n <= 3; ++n)
        ws.Type(ws.Piece(n), typed[static_cast<size_t>(n - 1)]);
    ASSERT_EQ(ws.global.Estado(), esEdicao);
    EXPECT_FALSE(Free(node)) << "the edit locks the node of the quoted key";
    ws.global.Post();

    const std::string record = typed[0] + "^" + typed[1] + "^" + typed[2];
    EXPECT_EQ(M("W " + node), record);
    EXPECT_EQ(M(R"(W $D(^CLI(1,"A")))"), "0");
    EXPECT_TRUE(Free(node));
    EXPECT_EQ(M(R"(W ^LOG("POST"))"), "1|" + key + "~" + record) << "the user routine gets the values as data";

    // Read by another workstation, found by its typed keys and by walking to it.
    Workstation& other = NewWorkstation();
    other.Type(other.Key(0), "1");
    other.Type(other.Key(1), key);
    other.Leave();
    EXPECT_EQ(other.global.Dados(), record);
    EXPECT_EQ(other.Shown(), (Strings{"1", key, typed[0], typed[1], typed[2]}));
    other.global.Append();
    other.global.Next();
    EXPECT_EQ(other.Shown(), (Strings{"1", key, typed[0], typed[1], typed[2]}));

    // Edit, Post and Delete reach the same node.
    other.global.Edit();
    other.Type(other.Piece(1), "\"");
    other.global.Post();
    const std::string edited = "\"^" + typed[1] + "^" + typed[2];
    EXPECT_EQ(M("W " + node), edited);
    ws.global.Refresh();
    EXPECT_EQ(ws.Shown(), (Strings{"1", key, "\"", typed[1], typed[2]}));
    ws.global.Delete();
    EXPECT_EQ(M(R"(W $D(^CLI))"), "0");
    EXPECT_EQ(M(R"(W ^LOG("DELETE"))"), "1|" + key + "~" + edited);
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(BindingGtm, KeyThatIsMCodeIsASubscriptLikeAnyOther)
{
    Workstation& ws = NewWorkstation();
    ws.global.Append();
    ws.Type(ws.Key(0), kCodeInKey);
    ws.Type(ws.Key(1), "\"");
    ws.Type(ws.Piece(1), "v");
    ws.global.Post();
    EXPECT_EQ(M(R"(ZWRITE ^CLI)"), R"(^CLI("""_$$X^ZZBIND()_""","""")="v")" "\n");
    ws.global.Append();
    ws.global.Last();
    EXPECT_EQ(ws.Shown(), (Strings{kCodeInKey, "\"", "v", "", ""}));
}

// --- check rules -------------------------------------------------------------------------------

struct RefusedValue {
    std::string typed;
    int messageLine;  // -1: a beep, no line
};

void PrintTo(const RefusedValue& c, std::ostream* out)
{
    *out << Printable(c.typed);
    if (c.messageLine >= 0)
        *out << " shows message " << c.messageLine;
    else
        *out << " beeps";
}

const Strings kQtdLines = {"Quantidade deve ser num\xE9rica", "Quantidade acima de 999"};

class BindingGtmRule : public BindingGtm {
protected:
    // Piece 2 is checked by the rule "QTD": a number up to 999 other than 0.
    Workstation& CheckedWorkstation()
    {
        M(R"m(S ^CSWWCHK("QTD")="$S(V'?1.N:1,V>999:2,V=0:3,1:0)",^CLI(1,"A")="alpha^10^x")m");
        Workstation& ws = NewWorkstation();
        TGloChek* rule = ws.global.PieceCheck()->Add();
        rule->SetPiece(2);
        rule->SetMCode("QTD");
        rule->SetMensagens(kQtdLines);
        ws.Browse("1|A");
        return ws;
    }
};

class BindingGtmRefused : public BindingGtmRule, public ::testing::WithParamInterface<RefusedValue> {};

TEST_P(BindingGtmRefused, RefusedValueKeepsTheFocusWithTheRulesMessageAndIsNotPosted)
{
    Workstation& ws = CheckedWorkstation();
    ws.Type(ws.Piece(2), GetParam().typed);
    ws.Leave();
    EXPECT_TRUE(ws.Piece(2)->hasFocus());
    EXPECT_EQ(ws.Piece(2)->selectedText(), ToScreen(GetParam().typed));
    if (GetParam().messageLine >= 0) {
        EXPECT_EQ(messages_.Texts(), (std::vector<QString>{ToScreen(kQtdLines[static_cast<size_t>(GetParam().messageLine)])}));
        EXPECT_EQ(messages_.Beeps(), 0);
    } else {
        EXPECT_TRUE(messages_.Texts().empty());
        EXPECT_EQ(messages_.Beeps(), 1);
    }
    ws.global.Cancel();
    EXPECT_EQ(M(R"(W ^CLI(1,"A"))"), "alpha^10^x");
}

INSTANTIATE_TEST_SUITE_P(QTD, BindingGtmRefused,
                         ::testing::Values(RefusedValue{"abc", 0}, RefusedValue{"1000", 1},
                                           RefusedValue{kCodeInPiece, 0}, RefusedValue{"0", -1}),
                         [](const auto& Info) { return TestNameOf(Info.param.typed); });

TEST_F(BindingGtmRule, AcceptedValueLeavesTheEditAndIsPosted)
{
    Workstation& ws = CheckedWorkstation();
    ws.Type(ws.Piece(2), "abc");
    ws.Leave();
    ASSERT_TRUE(ws.Piece(2)->hasFocus());
    ws.Type(ws.Piece(2), "12");
    ws.Leave();
    EXPECT_TRUE(ws.elsewhere->hasFocus());
    EXPECT_EQ(messages_.Texts().size(), 1u) << "only the refusal was told";
    ws.global.Post();
    EXPECT_EQ(M(R"(W ^CLI(1,"A"))"), "alpha^12^x");
}

// The rule sees the record and the keys as they are, quotes included.
TEST_F(BindingGtm, RuleSeesTheRecordAndKeysWithTheirQuotes)
{
    M(R"m(S ^CSWWCHK("OUTRO")="$S(V=$P(R,""^"",1):1,V=$P(K,""|"",2):2,1:0)")m");
    M(R"(S ^CLI(1,"A""B")="x""y^^")");
    Workstation& ws = NewWorkstation();
    TGloChek* rule = ws.global.PieceCheck()->Add();
    rule->SetPiece(3);
    rule->SetMCode("OUTRO");
    rule->SetMensagens({"Igual ao nome", "Igual ao c\xF3" "digo"});
    ws.Browse("1|A\"B");

    for (const std::string& refused : {std::string("x\"y"), std::string("A\"B")}) {
        ws.Type(ws.Piece(3), refused);
        ws.Leave();
        EXPECT_TRUE(ws.Piece(3)->hasFocus()) << refused;
    }
    EXPECT_EQ(messages_.Texts(), (std::vector<QString>{QStringLiteral("Igual ao nome"), QStringLiteral("Igual ao código")}));
    ws.Type(ws.Piece(3), "ok");
    ws.Leave();
    EXPECT_TRUE(ws.elsewhere->hasFocus());
    ws.global.Post();
    EXPECT_EQ(M(R"(W ^CLI(1,"A""B"))"), "x\"y^^ok");
}

// A key's own check code: a refused key keeps the focus and reads no node.
TEST_F(BindingGtm, RefusedKeyKeepsTheFocusAndReadsNoNode)
{
    M(R"m(S ^CSWWCHK("COD")="$S(V'?1U.U:1,1:0)",^CLI(1,"B")="beta^20^y")m");
    Workstation& ws = NewWorkstation();
    TMGlobalChave* level = ws.global.GlobalChaves()->Items(1);
    level->SetCheckCode("COD");
    level->SetMensagens({"C\xF3" "digo em mai\xFA" "sculas"});
    ws.global.Append();
    ws.Type(ws.Key(0), "1");
    ws.Type(ws.Key(1), "b");
    ws.Leave();
    EXPECT_TRUE(ws.Key(1)->hasFocus());
    EXPECT_EQ(messages_.Texts(), (std::vector<QString>{QStringLiteral("Código em maiúsculas")}));
    EXPECT_EQ(ws.Shown(), (Strings{"1", "b", "", "", ""}));
    ws.Type(ws.Key(1), "B");
    ws.Leave();
    EXPECT_EQ(ws.Shown(), (Strings{"1", "B", "beta", "20", "y"}));
}

// --- failed runs -------------------------------------------------------------------------------
//
// A run that fails, because the workstation's server is killed or the code raises an M
// error, ends the operation where it stands: nothing of it is taken as an answer.

class BindingGtmFailure : public BindingGtm, public ::testing::WithParamInterface<RunFailure> {
protected:
    // The one error the workstation's failed run reported (then forgotten, so the
    // workstation ends clean).
    void ExpectOneFailure(Workstation& Ws)
    {
        ASSERT_EQ(Ws.errors.size(), 1u);
        const char* expected = GetParam() == RunFailure::ServerKilled ? "M server process ended" : "%GTM-E-";
        EXPECT_NE(Ws.errors[0].find(expected), std::string::npos) << Ws.errors[0];
        Ws.errors.clear();
        EXPECT_TRUE(messages_.Messages().empty());
        EXPECT_TRUE(messages_.Exceptions().empty());
    }
};

INSTANTIATE_TEST_SUITE_P(Failures, BindingGtmFailure, ::testing::Values(RunFailure::ServerKilled, RunFailure::MError),
                         RunFailureName);

TEST_P(BindingGtmFailure, PostAfterEdit_KeepsTheEditWritesNothingAndTellsNoAfterPost)
{
    M(R"(S ^CLI(1,"A")="alpha^10^x")");
    Workstation& ws = NewWorkstation();
    int afterPost = 0;
    ws.global.OnAfterPost = [&](TObject*) { ++afterPost; };
    ws.Browse("1|A");
    ws.Type(ws.Piece(2), "11");
    ASSERT_EQ(ws.global.Estado(), esEdicao);
    if (GetParam() == RunFailure::ServerKilled) {
        ASSERT_TRUE(KillServer(ws.vism));
    } else {
        ws.global.SetGlobalRotina("ERR^ZZBIND");
    }

    EXPECT_THROW(ws.global.Post(), EMRunFailed);

    ExpectOneFailure(ws);
    EXPECT_EQ(afterPost, 0);
    EXPECT_EQ(ws.global.Estado(), esEdicao);
    EXPECT_EQ(ws.global.Dados(), "alpha^11^x");
    EXPECT_FALSE(ws.KeysEnabled());
    EXPECT_EQ(M(R"(W ^CLI(1,"A"))"), "alpha^10^x");

    // The edit is still there to be posted once the server answers again.
    ws.global.SetGlobalRotina("");
    ws.global.Post();
    EXPECT_EQ(afterPost, 1);
    EXPECT_EQ(M(R"(W ^CLI(1,"A"))"), "alpha^11^x");
    EXPECT_TRUE(Free(R"(^CLI(1,"A"))"));
}

TEST_P(BindingGtmFailure, NextAfterRefresh_KeepsRecordKeysAndState_SoALaterPostWritesNoStrayNode)
{
    M(R"(S ^CLI(1,"A")="alpha^10^x",^CLI(1,"B")="beta^20^y")");
    Workstation& ws = NewWorkstation();
    ws.Browse("1|A");
    if (GetParam() == RunFailure::ServerKilled) {
        ASSERT_TRUE(KillServer(ws.vism));
    } else {
        ws.global.SetGlobal("^CLI(1)"); // a name the server refuses
    }

    EXPECT_THROW(ws.global.Next(), EMRunFailed);

    ExpectOneFailure(ws);
    ws.global.SetGlobal("^CLI");
    EXPECT_EQ(ws.global.GetChaves(), "1|A");
    EXPECT_EQ(ws.global.Dados(), "alpha^10^x");
    EXPECT_EQ(ws.global.Estado(), esNavegacao);
    EXPECT_EQ(ws.Shown(), (Strings{"1", "A", "alpha", "10", "x"}));

    ws.global.Post();
    EXPECT_EQ(M("ZWRITE ^CLI"), "^CLI(1,\"A\")=\"alpha^10^x\"\n^CLI(1,\"B\")=\"beta^20^y\"\n");
}

TEST_P(BindingGtmFailure, KeyCheckThatFails_AcceptsNothingAndReadsNoNode)
{
    M(R"(S ^CLI(1,"A")="alpha^10^x",^CLI(1,"B")="beta^20^y")");
    M(GetParam() == RunFailure::ServerKilled ? R"(S ^CSWWCHK("COD")="0")" : R"(S ^CSWWCHK("COD")="1/0")");
    Workstation& ws = NewWorkstation();
    TMGlobalChave* level = ws.global.GlobalChaves()->Items(1);
    level->SetCheckCode("COD");
    level->SetMensagens({"C\xF3" "digo recusado"});
    ws.Browse("1|A");
    ws.Type(ws.Key(1), "B");
    if (GetParam() == RunFailure::ServerKilled) {
        ASSERT_TRUE(KillServer(ws.vism));
    }

    ws.Leave();

    ExpectOneFailure(ws);
    EXPECT_EQ(ws.Shown(), (Strings{"1", "B", "alpha", "10", "x"})) << "the typed key read its node";
}

}  // namespace
