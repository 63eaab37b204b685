// The server routines %CSWWGLOB and CCTTGA955 on a real GT.M database: first with
// plain mumps processes (each Workstation is one long-lived process, as each control's
// server is, running the client's texts under the same exclusive NEW of the registers),
// then through TVisM controls on their own servers.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/MDirect.h"
#include "support/ParamNames.h"
#include "vism/MServerSettings.h"
#include "vism/VisM.h"

namespace {

using mdirect::MDatabase;
using mdirect::MError;
using mdirect::MSession;

// An M expression whose value is exactly the given bytes.
std::string MLiteral(const std::string& bytes)
{
    std::string expr;
    std::string run;
    auto flush = [&] {
        if (!expr.empty())
            expr += "_";
        expr += "\"" + run + "\"";
        run.clear();
    };
    bool any = false;
    for (unsigned char c : bytes) {
        if (c >= 32 && c < 127) {
            run += c == '"' ? std::string("\"\"") : std::string(1, static_cast<char>(c));
            continue;
        }
        if (!run.empty() || !any)
            flush();
        expr += "_$C(" + std::to_string(c) + ")";
        any = true;
    }
    if (!run.empty() || expr.empty())
        flush();
    return expr;
}

// A value as the client puts it between the double quotes of its texts.
std::string Quoted(const std::string& value)
{
    std::string out = "\"";
    for (char c : value)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string Refresh(const std::string& global, const std::string& keys)
{
    return "$$REFRESH^%CSWWGLOB(" + Quoted(global) + "," + Quoted(keys) + ")";
}
std::string Edit(const std::string& global, const std::string& keys)
{
    return "$$EDIT^%CSWWGLOB(" + Quoted(global) + "," + Quoted(keys) + ")";
}
std::string Post(const std::string& global, const std::string& keys, bool editing)
{
    return "$$POST^%CSWWGLOB(" + Quoted(global) + "," + Quoted(keys) + "," + (editing ? "1" : "0") + ")";
}
std::string Delete(const std::string& global, const std::string& keys)
{
    return "$$DELETE^%CSWWGLOB(" + Quoted(global) + "," + Quoted(keys) + ")";
}
std::string Cancel(const std::string& global, const std::string& keys)
{
    return "$$CANCEL^%CSWWGLOB(" + Quoted(global) + "," + Quoted(keys) + ")";
}
std::string Next(const std::string& global, const std::string& keys, const std::string& inicios,
                 const std::string& finais)
{
    return "$$NEXT^%CSWWGLOB(" + Quoted(global) + "," + Quoted(keys) + "," + Quoted(inicios) + "," +
           Quoted(finais) + ")";
}
std::string Last(const std::string& global, const std::string& keys, const std::string& inicios,
                 const std::string& finais)
{
    return "$$LAST^%CSWWGLOB(" + Quoted(global) + "," + Quoted(keys) + "," + Quoted(inicios) + "," +
           Quoted(finais) + ")";
}
std::string Check(const std::string& code, const std::string& record, const std::string& keys,
                  const std::string& value)
{
    return "$$CHECK^%CSWWGLOB(" + Quoted(code) + "," + Quoted(record) + "," + Quoted(keys) + "," +
           Quoted(value) + ")";
}

// One workstation's server process, driven as the control drives it.
class Workstation {
public:
    explicit Workstation(const MDatabase& db) : session_(db)
    {
        session_.Execute(R"(F %I=0:1:9 S @("P"_%I)="")");
        session_.Execute("K %I");
    }

    // One execution of an extrinsic-function text; returns its value (ResultValue).
    std::string Call(const std::string& text)
    {
        return session_.Execute("N (P0,P1,P2,P3,P4,P5,P6,P7,P8,P9) W " + text);
    }
    void Set(int index, const std::string& value)
    {
        session_.Execute("S P" + std::to_string(index) + "=" + MLiteral(value));
    }
    std::string Get(int index) { return session_.Execute("W P" + std::to_string(index)); }
    void Die() { session_.Kill(); }

private:
    MSession session_;
};

// One database and one administrator's session for every suite below, made when the
// first of them runs and ended with the test program.
struct SharedDatabase : ::testing::Environment {
    static std::unique_ptr<MDatabase> db;
    static std::unique_ptr<MSession> admin;

    static void Open()
    {
        if (db)
            return;
        db = std::make_unique<MDatabase>();
        admin = std::make_unique<MSession>(*db);
    }
    void TearDown() override
    {
        admin.reset();
        db.reset();
    }
};

std::unique_ptr<MDatabase> SharedDatabase::db;
std::unique_ptr<MSession> SharedDatabase::admin;
::testing::Environment* const sharedDatabase = ::testing::AddGlobalTestEnvironment(new SharedDatabase);

class MRoutines : public ::testing::Test {
protected:
    static void SetUpTestSuite() { SharedDatabase::Open(); }
    void SetUp() override { Admin("K ^X,^Y,^CSWWCHK,^CCTTGA955"); }

    static const MDatabase& Db() { return *SharedDatabase::db; }
    // The value of an M expression, read by a process of its own.
    static std::string Read(const std::string& expression) { return SharedDatabase::admin->Execute("W " + expression); }
    static void Store(const std::string& node, const std::string& value)
    {
        Admin("S " + node + "=" + MLiteral(value));
    }
    static void Admin(const std::string& line) { SharedDatabase::admin->Execute(line); }
};

// --- Reading, writing and deleting a node --------------------------------------------

TEST_F(MRoutines, Refresh_ReadsTheRecordIntoP1_AndAnswers0WhenNotLocked)
{
    Store("^X(7,\"A\")", "a^b^c");
    Workstation ws(Db());
    EXPECT_EQ(ws.Call(Refresh("^X", "7|A")), "0");
    EXPECT_EQ(ws.Get(1), "a^b^c");
}

TEST_F(MRoutines, Refresh_OfAMissingNode_GivesAnEmptyRecord)
{
    Workstation ws(Db());
    ws.Set(1, "stale");
    EXPECT_EQ(ws.Call(Refresh("^X", "7|A")), "0");
    EXPECT_EQ(ws.Get(1), "");
}

TEST_F(MRoutines, Refresh_WithAKeyStillEmpty_GivesAnEmptyRecordWithoutTouchingTheGlobal)
{
    Store("^X(5)", "parent");
    Workstation ws(Db());
    EXPECT_EQ(ws.Call(Refresh("^X", "5|")), "0");
    EXPECT_EQ(ws.Get(1), "");
    EXPECT_EQ(ws.Call(Refresh("^X", "|7")), "0");
    EXPECT_EQ(ws.Get(1), "");
}

TEST_F(MRoutines, GlobalWithoutKeyLevels_ReadsAndWritesTheRootNode)
{
    Workstation ws(Db());
    ws.Set(0, "root record");
    EXPECT_EQ(ws.Call(Post("^X", "", false)), "0");
    EXPECT_EQ(Read("^X"), "root record");
    EXPECT_EQ(ws.Call(Refresh("^X", "")), "0");
    EXPECT_EQ(ws.Get(1), "root record");
}

TEST_F(MRoutines, Post_WritesP0AtTheKeys_AndTheRecordReadsBackWithM)
{
    Workstation ws(Db());
    ws.Set(0, "12^kg^");
    EXPECT_EQ(ws.Call(Post("^X", "1|10|A", false)), "0");
    EXPECT_EQ(Db().Output("W ^X(1,10,\"A\")"), "12^kg^") << "read by a fresh process";
}

struct RoundTrip {
    const char* name;
    std::string keys;       // as the client joins them
    std::string reference;  // the node M must hold
    std::string record;
};

void PrintTo(const RoundTrip& c, std::ostream* out)
{
    *out << "keys " << Printable(c.keys) << ", record " << Printable(c.record);
}

class MRoutinesRoundTrip : public MRoutines, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(MRoutinesRoundTrip, KeysAndRecords_RoundTripExactly)
{
    const RoundTrip& c = GetParam();
    Workstation ws(Db());
    ws.Set(0, c.record);
    ASSERT_EQ(ws.Call(Post("^X", c.keys, false)), "0");
    EXPECT_EQ(Read("$D(" + c.reference + ")"), "1");
    EXPECT_EQ(Read(c.reference), c.record);

    ws.Set(1, "");
    EXPECT_EQ(ws.Call(Refresh("^X", c.keys)), "0");
    EXPECT_EQ(ws.Get(1), c.record);
    EXPECT_EQ(ws.Call(Edit("^X", c.keys)), "0");
    EXPECT_EQ(ws.Get(1), c.record);
    EXPECT_EQ(ws.Call(Cancel("^X", c.keys)), "0");

    const std::string open(static_cast<size_t>(std::count(c.keys.begin(), c.keys.end(), '|')), '|');
    EXPECT_EQ(ws.Call(Next("^X", open, open, open)), "0");
    EXPECT_EQ(ws.Get(0), c.record);
    EXPECT_EQ(ws.Get(1), c.keys);
    EXPECT_EQ(ws.Call(Last("^X", open, open, open)), "0");
    EXPECT_EQ(ws.Get(1), c.keys);
}

INSTANTIATE_TEST_SUITE_P(
    Values, MRoutinesRoundTrip,
    ::testing::Values(
        RoundTrip{"QuoteInKeyAndRecord", "a\"b|1", R"(^X("a""b",1))", "say \"hi\"^\"\""},
        RoundTrip{"CaretInKey", "x^y|2", R"(^X("x^y",2))", "p1^p2"},
        RoundTrip{"PipeInRecord", "k", R"(^X("k"))", "a|b||c"},
        RoundTrip{"QuoteCommaParenInKey", "\"),(\"", R"(^X("""),("""))", "v"},
        RoundTrip{"EightBitBytes", "a\xE7\xE3o", "^X(\"a\"_$C(231,227)_\"o\")", "Balan\xE7" "a^\xFF"},
        RoundTrip{"CodeLookingKey", "\") K ^Y S x=(\"", R"(^X(""") K ^Y S x=("""))", "1"},
        RoundTrip{"BlankKeyAndRecord", " |  ", R"(^X(" ","  "))", "   "}),
    NamedBy(&RoundTrip::name));

TEST_F(MRoutines, NumericKeys_CanonicalNumbersAreNumbers_OtherTextsStayStrings)
{
    Workstation ws(Db());
    for (const char* key : {"10", "2", "007", "A", "-1.5", "1.50"}) {
        ws.Set(0, std::string("r") + key);
        ASSERT_EQ(ws.Call(Post("^X", key, false)), "0") << key;
    }
    EXPECT_EQ(Read("^X(10)"), "r10");
    EXPECT_EQ(Read("^X(-1.5)"), "r-1.5");
    EXPECT_EQ(Read("^X(\"007\")"), "r007");
    EXPECT_EQ(Read("$D(^X(7))"), "0");
    EXPECT_EQ(Read("^X(\"1.50\")"), "r1.50");

    // Numbers first in numeric order, then strings in byte order.
    std::vector<std::string> order;
    std::string keys;
    while (ws.Call(Next("^X", keys, "", "")) == "0") {
        keys = ws.Get(1);
        order.push_back(keys);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"-1.5", "2", "10", "007", "1.50", "A"}));
}

TEST_F(MRoutines, Delete_RemovesTheNodeAndEverythingBeneathIt_AndAnswers0)
{
    Store("^X(1)", "rec");
    Store("^X(1,1)", "memo line");
    Store("^X(2)", "other");
    Workstation ws(Db());
    EXPECT_EQ(ws.Call(Delete("^X", "1")), "0");
    EXPECT_EQ(Read("$D(^X(1))"), "0");
    EXPECT_EQ(Read("^X(2)"), "other");
    EXPECT_EQ(ws.Call(Delete("^X", "1")), "0") << "deleting a missing node";
}

TEST_F(MRoutines, Delete_WithAnEmptyKeyText_RefusesAndKeepsTheWholeGlobal)
{
    Store("^X", "root");
    Store("^X(1)", "rec");
    Workstation ws(Db());
    EXPECT_EQ(ws.Call(Delete("^X", "")), "1");
    EXPECT_EQ(ws.Call(Delete("^X", "1|")), "1");
    EXPECT_EQ(Read("^X"), "root");
    EXPECT_EQ(Read("^X(1)"), "rec");
}

// --- Locks between workstations -------------------------------------------------------

TEST_F(MRoutines, Edit_GrantsTheLockAndReadsTheRecord_ASecondWorkstationGets1)
{
    Store("^X(1)", "rec");
    Workstation first(Db());
    Workstation second(Db());
    second.Set(1, "untouched");

    EXPECT_EQ(first.Call(Edit("^X", "1")), "0");
    EXPECT_EQ(first.Get(1), "rec");
    EXPECT_EQ(second.Call(Edit("^X", "1")), "1");
    EXPECT_EQ(second.Get(1), "untouched");
}

TEST_F(MRoutines, Refresh_Answers1ToOtherWorkstationsWhileTheNodeIsEdited_0ToTheEditor)
{
    Store("^X(1)", "rec");
    Workstation first(Db());
    Workstation second(Db());
    ASSERT_EQ(first.Call(Edit("^X", "1")), "0");

    EXPECT_EQ(second.Call(Refresh("^X", "1")), "1");
    EXPECT_EQ(second.Get(1), "rec") << "the record is read even while locked";
    EXPECT_EQ(first.Call(Refresh("^X", "1")), "0");
    EXPECT_EQ(second.Call(Refresh("^X", "2")), "0") << "a sibling is free";
}

TEST_F(MRoutines, Post_ByAnotherWorkstationWhileLocked_Answers1AndWritesNothing)
{
    Store("^X(1)", "rec");
    Workstation first(Db());
    Workstation second(Db());
    ASSERT_EQ(first.Call(Edit("^X", "1")), "0");

    second.Set(0, "theirs");
    EXPECT_EQ(second.Call(Post("^X", "1", false)), "1");
    EXPECT_EQ(Read("^X(1)"), "rec");
    EXPECT_EQ(second.Call(Delete("^X", "1")), "1");
    EXPECT_EQ(Read("^X(1)"), "rec");
}

TEST_F(MRoutines, Post_WritesAndReleasesTheEditorsLock)
{
    Store("^X(1)", "rec");
    Workstation first(Db());
    Workstation second(Db());
    ASSERT_EQ(first.Call(Edit("^X", "1")), "0");

    first.Set(0, "changed");
    EXPECT_EQ(first.Call(Post("^X", "1", true)), "0");
    EXPECT_EQ(Read("^X(1)"), "changed");
    EXPECT_EQ(second.Call(Refresh("^X", "1")), "0");
    EXPECT_EQ(second.Call(Edit("^X", "1")), "0");
    EXPECT_EQ(second.Get(1), "changed");
}

TEST_F(MRoutines, Cancel_ReleasesTheLockWithoutWriting)
{
    Store("^X(1)", "rec");
    Workstation first(Db());
    Workstation second(Db());
    ASSERT_EQ(first.Call(Edit("^X", "1")), "0");
    EXPECT_EQ(first.Call(Cancel("^X", "1")), "0");
    EXPECT_EQ(Read("^X(1)"), "rec");
    EXPECT_EQ(second.Call(Edit("^X", "1")), "0");
}

TEST_F(MRoutines, Edit_AskedTwiceByOneWorkstation_DoesNotStackTheLock)
{
    Store("^X(1)", "rec");
    Workstation first(Db());
    Workstation second(Db());
    ASSERT_EQ(first.Call(Edit("^X", "1")), "0");
    ASSERT_EQ(first.Call(Edit("^X", "1")), "0");
    ASSERT_EQ(first.Call(Refresh("^X", "1")), "0");
    EXPECT_EQ(first.Call(Cancel("^X", "1")), "0");
    EXPECT_EQ(second.Call(Edit("^X", "1")), "0") << "one CANCEL released the lock";
}

TEST_F(MRoutines, Lock_IsReleasedWhenTheEditingWorkstationDies)
{
    Workstation first(Db());
    Workstation second(Db());
    ASSERT_EQ(first.Call(Edit("^X", "1")), "0");
    ASSERT_EQ(second.Call(Edit("^X", "1")), "1");
    first.Die();
    EXPECT_EQ(second.Call(Refresh("^X", "1")), "0");
    EXPECT_EQ(second.Call(Edit("^X", "1")), "0");
}

TEST_F(MRoutines, Lock_OnAMasterRecord_AlsoHoldsItsDetailRecords)
{
    Workstation first(Db());
    Workstation second(Db());
    ASSERT_EQ(first.Call(Edit("^X", "1")), "0");
    EXPECT_EQ(second.Call(Edit("^X", "1|5")), "1");
    EXPECT_EQ(second.Call(Edit("^X", "2|5")), "0");
}

TEST_F(MRoutines, Lock_KeepsTheWorkstationsOtherLocks)
{
    Workstation first(Db());
    Workstation second(Db());
    ASSERT_EQ(first.Call(Edit("^X", "1")), "0");
    ASSERT_EQ(first.Call(Edit("^Y", "2")), "0");
    first.Set(0, "r");
    ASSERT_EQ(first.Call(Post("^Y", "2", true)), "0");
    EXPECT_EQ(second.Call(Edit("^X", "1")), "1") << "posting ^Y(2) kept the lock on ^X(1)";
}

// --- Stepping through nodes -------------------------------------------------------------

class MRoutinesWalk : public MRoutines {
protected:
    void SetUp() override
    {
        MRoutines::SetUp();
        for (const char* node : {"^X(1,\"A\")", "^X(1,\"B\")", "^X(2,\"A\")", "^X(2,\"C\")", "^X(3,\"A\")",
                                 "^X(10,\"Z\")"})
            Store(node, std::string("rec ") + node);
        Store("^X(2)", "level-one value, not a record of two levels");
        Store("^X(2,\"B\",1)", "deeper node only: ^X(2,\"B\") holds no value");
    }

    // Every key text that NEXT delivers from keys, until it answers 1.
    std::vector<std::string> Walk(Workstation& ws, std::string keys, const std::string& inicios,
                                  const std::string& finais)
    {
        std::vector<std::string> seen;
        while (ws.Call(Next("^X", keys, inicios, finais)) == "0") {
            EXPECT_EQ(ws.Get(0), "rec ^X(" + Subscripts(ws.Get(1)) + ")");
            keys = ws.Get(1);
            seen.push_back(keys);
            if (seen.size() > 20)
                break;
        }
        return seen;
    }

    static std::string Subscripts(const std::string& keys)
    {
        const size_t bar = keys.find('|');
        return keys.substr(0, bar) + ",\"" + keys.substr(bar + 1) + "\"";
    }
};

TEST_F(MRoutinesWalk, Next_FromEmptyKeys_WalksEveryRecordInCollationOrder)
{
    Workstation ws(Db());
    EXPECT_EQ(Walk(ws, "|", "|", "|"),
              (std::vector<std::string>{"1|A", "1|B", "2|A", "2|C", "3|A", "10|Z"}));
}

TEST_F(MRoutinesWalk, Next_FromACurrentNode_StepsToTheFollowingOne)
{
    Workstation ws(Db());
    EXPECT_EQ(ws.Call(Next("^X", "2|A", "|", "|")), "0");
    EXPECT_EQ(ws.Get(1), "2|C");
    EXPECT_EQ(ws.Call(Next("^X", "2|C", "|", "|")), "0");
    EXPECT_EQ(ws.Get(1), "3|A");
    EXPECT_EQ(ws.Call(Next("^X", "1|AA", "|", "|")), "0") << "from keys that name no node";
    EXPECT_EQ(ws.Get(1), "1|B");
}

TEST_F(MRoutinesWalk, Next_WithAFixedFirstLevel_StaysWithinIt)
{
    Workstation ws(Db());
    EXPECT_EQ(Walk(ws, "2|", "2|", "2|"), (std::vector<std::string>{"2|A", "2|C"}));
}

TEST_F(MRoutinesWalk, Next_KeepsEveryLevelWithinItsRange_EmptyBoundsOpen)
{
    Workstation ws(Db());
    EXPECT_EQ(Walk(ws, "|", "2|A", "3|B"), (std::vector<std::string>{"2|A", "3|A"}));
    EXPECT_EQ(Walk(ws, "|", "|B", "|"), (std::vector<std::string>{"1|B", "2|C", "10|Z"}));
    EXPECT_EQ(Walk(ws, "|", "3|", "|"), (std::vector<std::string>{"3|A", "10|Z"}));
    EXPECT_EQ(Walk(ws, "|", "|", "2|"), (std::vector<std::string>{"1|A", "1|B", "2|A", "2|C"}));
}

TEST_F(MRoutinesWalk, Next_AfterTheLastRecord_Answers1AndLeavesTheRegisters)
{
    Workstation ws(Db());
    ws.Set(0, "kept record");
    ws.Set(1, "kept keys");
    EXPECT_EQ(ws.Call(Next("^X", "10|Z", "|", "|")), "1");
    EXPECT_EQ(ws.Get(0), "kept record");
    EXPECT_EQ(ws.Get(1), "kept keys");
    EXPECT_EQ(ws.Call(Next("^X", "4|", "4|", "4|")), "1") << "a fixed level without records";
}

TEST_F(MRoutinesWalk, Last_GivesTheLastRecordWithinTheRanges)
{
    Workstation ws(Db());
    EXPECT_EQ(ws.Call(Last("^X", "1|A", "|", "|")), "0");
    EXPECT_EQ(ws.Get(0), "rec ^X(10,\"Z\")");
    EXPECT_EQ(ws.Get(1), "10|Z");
    EXPECT_EQ(ws.Call(Last("^X", "|", "2|", "2|")), "0");
    EXPECT_EQ(ws.Get(1), "2|C");
    EXPECT_EQ(ws.Call(Last("^X", "|", "1|", "3|B")), "0");
    EXPECT_EQ(ws.Get(1), "3|A");
    EXPECT_EQ(ws.Call(Last("^X", "|", "|", "2|B")), "0");
    EXPECT_EQ(ws.Get(1), "2|A");
}

TEST_F(MRoutinesWalk, Last_WithNoRecordInTheRanges_Answers1AndStaysAtTheKeys)
{
    Workstation ws(Db());
    EXPECT_EQ(ws.Call(Last("^X", "4|Q", "4|", "4|")), "1");
    EXPECT_EQ(ws.Get(0), "");
    EXPECT_EQ(ws.Get(1), "4|Q");
}

TEST_F(MRoutines, Next_OnOneLevel_FromTheEmptyKeyText_GivesTheFirstRecord)
{
    Store("^X(\"B\")", "b");
    Store("^X(\"A\")", "a");
    Workstation ws(Db());
    EXPECT_EQ(ws.Call(Next("^X", "", "", "")), "0");
    EXPECT_EQ(ws.Get(0), "a");
    EXPECT_EQ(ws.Get(1), "A");
}

// --- Global names ------------------------------------------------------------------------

class MRoutinesBadName : public MRoutines, public ::testing::WithParamInterface<const char*> {};

TEST_P(MRoutinesBadName, IsRefusedWithGvinvalid_AndNothingRuns)
{
    const std::string name = GetParam();
    Store("^Y", "intact");
    Workstation ws(Db());
    ws.Set(0, "r");
    for (const std::string& text :
         {Refresh(name, "1"), Edit(name, "1"), Post(name, "1", false), Delete(name, "1"), Cancel(name, "1"),
          Next(name, "", "", ""), Last(name, "", "", "")}) {
        try {
            ws.Call(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const MError& e) {
            EXPECT_NE(std::string(e.what()).find("GVINVALID"), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(Read("^Y"), "intact");
    EXPECT_EQ(Read("$D(^X)"), "0");
}

INSTANTIATE_TEST_SUITE_P(Names, MRoutinesBadName,
                         ::testing::Values("X", "^X(1)", "^", "^1X", "^X Y", "^X,^Y", "^|\"a.gld\"|X",
                                           "^Y K ^Y", "^ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEF", ""),
                         [](const auto& Info) { return TestNameOf(Info.param); });

TEST_F(MRoutines, GlobalName_WithPercentAndDigits_IsAccepted)
{
    Workstation ws(Db());
    ws.Set(0, "r");
    EXPECT_EQ(ws.Call(Post("^%Z1", "1", false)), "0");
    EXPECT_EQ(Read("^%Z1(1)"), "r");
    Admin("K ^%Z1");
}

// --- Value checks --------------------------------------------------------------------------

TEST_F(MRoutines, Check_WithoutAStoredRule_Accepts)
{
    Workstation ws(Db());
    EXPECT_EQ(ws.Call(Check("NONE", "a^b", "7", "X")), "0");
}

struct CheckCase {
    const char* name;
    std::string rule;
    std::string value;
    std::string answer;
};

void PrintTo(const CheckCase& c, std::ostream* out)
{
    *out << Printable(c.rule) << " on " << Printable(c.value) << " is " << c.answer;
}

class MRoutinesCheck : public MRoutines, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(MRoutinesCheck, AnswersTheStoredRule)
{
    const CheckCase& c = GetParam();
    Store("^CSWWCHK(\"CLI\")", c.rule);
    Workstation ws(Db());
    EXPECT_EQ(ws.Call(Check("CLI", "a^b", "7|Q", c.value)), c.answer);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, MRoutinesCheck,
    ::testing::Values(
        CheckCase{"ValidValue", "$S(V'?1.N:1,V>999:2,1:0)", "12", "0"},
        CheckCase{"FirstMessage", "$S(V'?1.N:1,V>999:2,1:0)", "1x", "1"},
        CheckCase{"SecondMessage", "$S(V'?1.N:1,V>999:2,1:0)", "1000", "2"},
        CheckCase{"SeesTheRecord", "$P(R,\"^\",2)'=\"b\"", "", "0"},
        CheckCase{"SeesTheKeys", "$P(K,\"|\",2)'=\"Q\"", "", "0"},
        CheckCase{"FractionCut", "2.7", "", "2"},
        CheckCase{"NegativeRefuses", "-3", "", "1"},
        CheckCase{"TextIsZero", "\"abc\"", "", "0"},
        CheckCase{"RegistersHidden", "$D(P0)+$D(P1)", "", "0"},
        CheckCase{"ValueIsData", "V=\"\"\") S ^Y=1 W (\"\"\"", "\") S ^Y=1 W (\"", "1"}),
    NamedBy(&CheckCase::name));

TEST_F(MRoutines, Check_NeverRunsTheCallersText)
{
    Store("^CSWWCHK(\"CLI\")", "V'=\"\"");
    Store("^X(1)", "kept");
    Workstation ws(Db());
    EXPECT_EQ(ws.Call(Check("CLI", "\") K ^X S x=(\"", "\" K ^X S x=\"", "$$X^Y() K ^X")), "1");
    EXPECT_EQ(ws.Call(Check("CLI\") K ^X S x=(\"", "r", "k", "v")), "0");
    EXPECT_EQ(Read("^X(1)"), "kept");
    EXPECT_EQ(Read("$D(^Y)"), "0");
}

// --- Terminals ------------------------------------------------------------------------------

// ConfTerminal's loop: P0 the company, P1 and P2 empty, then runs until the answer is not 0.
std::vector<std::string> ListTerminals(Workstation& ws, const std::string& company)
{
    ws.Set(0, company);
    ws.Set(1, "");
    ws.Set(2, "");
    std::vector<std::string> items;
    while (ws.Call("$$TERMCRU^CCTTGA955") == "0") {
        items.push_back(ws.Get(1) + " - " + ws.Get(2));
        if (items.size() > 20)
            break;
    }
    return items;
}

TEST_F(MRoutines, Termcru_ListsOneCompanysTerminalsInOrder_ThenAnswers1)
{
    Store("^CCTTGA955(1,\"BAL02\")", "Expedi\xE7\xE3o");
    Store("^CCTTGA955(1,\"BAL01\")", "Recep\xE7\xE3o");
    Store("^CCTTGA955(1,7)", "Sete");
    Store("^CCTTGA955(2,\"OUT\")", "other company");
    Workstation ws(Db());
    EXPECT_EQ(ListTerminals(ws, "1"), (std::vector<std::string>{"7 - Sete", "BAL01 - Recep\xE7\xE3o",
                                                                 "BAL02 - Expedi\xE7\xE3o"}));
    EXPECT_EQ(ws.Call("$$TERMCRU^CCTTGA955"), "1") << "asked again after the end";
}

TEST_F(MRoutines, Termcru_ForACompanyWithoutTerminals_EndsAtTheFirstRun)
{
    Store("^CCTTGA955(1,\"BAL01\")", "x");
    Workstation ws(Db());
    EXPECT_TRUE(ListTerminals(ws, "3").empty());
    EXPECT_TRUE(ListTerminals(ws, "").empty());
}

}  // namespace

// --- Through TVisM: each control on its own server process, as the program runs them ---

namespace {

class MRoutinesOnVisM : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        settings_ = TMServerSettings::FromEnvironment();
        settings_.DataDir = Path("m");
        settings_.SettingsFile = Path("vism.conf");
        settings_.ObjectDir = Path("m-objects");
        settings_.RoutineDirs = {};
    }

    void TearDown() override
    {
        m_.reset();
        controls_.clear();
    }

    // A workstation's control in the namespace "SISTEMAS"; owned by the fixture.
    TVisM& Control()
    {
        controls_.push_back(std::make_unique<TVisM>(nullptr));
        TVisM& control = *controls_.back();
        control.SetServerSettings(settings_);
        control.SetNameSpace("SISTEMAS");
        control.OnError = [this](TObject* Sender) { errors_.push_back(static_cast<TVisM*>(Sender)->ErrorName()); };
        return control;
    }

    void Destroy(TVisM& control)
    {
        std::erase_if(controls_, [&](const auto& owned) { return owned.get() == &control; });
    }

    // One execution: Code, then ExecFlag := 1; returns ResultValue as text. A server
    // error fails the test.
    std::string Run(TVisM& control, const std::string& code)
    {
        const size_t before = errors_.size();
        control.SetCode(code);
        control.SetExecFlag(1);
        EXPECT_EQ(errors_.size(), before) << code << ": " << (errors_.empty() ? "" : errors_.back());
        return control.ResultValue().AsString();
    }

    // The namespace's database, read and written by M processes of the test's own.
    const mdirect::MDatabase& M()
    {
        if (!m_) {
            TVisM& any = Control();
            Run(any, "S P0=1");  // the first run creates the namespace's database
            m_ = std::make_unique<mdirect::MDatabase>(
                LocateNamespace(settings_, "SISTEMAS").GlobalDirectory.string());
        }
        return *m_;
    }

private:
    std::filesystem::path Path(const char* name) const { return std::filesystem::path(dir_.path().toStdString()) / name; }

    QTemporaryDir dir_;
    TMServerSettings settings_;
    std::vector<std::unique_ptr<TVisM>> controls_;
    std::vector<std::string> errors_;
    std::unique_ptr<mdirect::MDatabase> m_;
};

TEST_F(MRoutinesOnVisM, RecordLife_AppendPostNextLastEditCancelDelete_ReadBackWithM)
{
    TVisM& ws = Control();
    // Append: keys cleared to their starts, record empty; Post of a new node (flag 0).
    for (const auto& [keys, record] : {std::pair<std::string, std::string>{"1|A", "first^10"}, {"1|B", "second^20"},
                                       {"2|A", "other company^30"}}) {
        ws.SetP0(record);
        EXPECT_EQ(Run(ws, Post("^X", keys, false)), "0");
    }
    EXPECT_EQ(M().Output("ZWRITE ^X"),
              "^X(1,\"A\")=\"first^10\"\n^X(1,\"B\")=\"second^20\"\n^X(2,\"A\")=\"other company^30\"\n");

    // Next from the cleared keys of a global whose company level is fixed at 1.
    EXPECT_EQ(Run(ws, Next("^X", "1|", "1|", "1|")), "0");
    EXPECT_EQ(ws.P0().AsString(), "first^10");
    EXPECT_EQ(ws.P1().AsString(), "1|A");
    EXPECT_EQ(Run(ws, Next("^X", "1|A", "1|", "1|")), "0");
    EXPECT_EQ(ws.P1().AsString(), "1|B");
    EXPECT_EQ(Run(ws, Next("^X", "1|B", "1|", "1|")), "1");
    EXPECT_EQ(Run(ws, Last("^X", "1|A", "1|", "1|")), "0");
    EXPECT_EQ(ws.P0().AsString(), "second^20");
    EXPECT_EQ(ws.P1().AsString(), "1|B");

    // Refresh, Edit, a changed record, then Cancel: nothing written, lock gone.
    EXPECT_EQ(Run(ws, Refresh("^X", "1|B")), "0");
    EXPECT_EQ(ws.P1().AsString(), "second^20");
    EXPECT_EQ(Run(ws, Edit("^X", "1|B")), "0");
    EXPECT_EQ(ws.P1().AsString(), "second^20");
    EXPECT_EQ(M().Output("L +^X(1,\"B\"):0 W $T"), "0") << "locked while edited";
    EXPECT_EQ(Run(ws, Cancel("^X", "1|B")), "0");
    EXPECT_EQ(M().Output("L +^X(1,\"B\"):0 W $T"), "1") << "released by CANCEL";
    EXPECT_EQ(M().Output("W ^X(1,\"B\")"), "second^20");

    // Edit and Post (flag 1): written and released.
    EXPECT_EQ(Run(ws, Edit("^X", "1|B")), "0");
    ws.SetP0(std::string("second^25"));
    EXPECT_EQ(Run(ws, Post("^X", "1|B", true)), "0");
    EXPECT_EQ(M().Output("W ^X(1,\"B\")"), "second^25");
    EXPECT_EQ(M().Output("L +^X(1,\"B\"):0 W $T"), "1") << "released by POST";

    // Delete, then the Next that follows it.
    EXPECT_EQ(Run(ws, Delete("^X", "1|A")), "0");
    EXPECT_EQ(M().Output("W $D(^X(1,\"A\"))"), "0");
    EXPECT_EQ(Run(ws, Next("^X", "1|A", "1|", "1|")), "0");
    EXPECT_EQ(ws.P1().AsString(), "1|B");
}

TEST_F(MRoutinesOnVisM, TwoWorkstations_ContendForOneRecordsLock)
{
    M().Output("S ^X(7)=\"rec\"");
    TVisM& first = Control();
    TVisM& second = Control();

    EXPECT_EQ(Run(first, Edit("^X", "7")), "0");
    EXPECT_EQ(Run(second, Edit("^X", "7")), "1");
    EXPECT_EQ(Run(second, Refresh("^X", "7")), "1");
    EXPECT_EQ(second.P1().AsString(), "rec");
    second.SetP0(std::string("theirs"));
    EXPECT_EQ(Run(second, Post("^X", "7", false)), "1");

    first.SetP0(std::string("mine"));
    EXPECT_EQ(Run(first, Post("^X", "7", true)), "0");
    EXPECT_EQ(Run(second, Refresh("^X", "7")), "0") << "released after POST";
    EXPECT_EQ(second.P1().AsString(), "mine");

    EXPECT_EQ(Run(first, Edit("^X", "7")), "0");
    EXPECT_EQ(Run(second, Edit("^X", "7")), "1");
    EXPECT_EQ(Run(first, Cancel("^X", "7")), "0");
    EXPECT_EQ(Run(second, Edit("^X", "7")), "0") << "released after CANCEL";
    EXPECT_EQ(Run(first, Edit("^X", "7")), "1");
    EXPECT_EQ(Run(second, Cancel("^X", "7")), "0");

    EXPECT_EQ(Run(first, Edit("^X", "7")), "0");
    Destroy(first);
    EXPECT_EQ(Run(second, Refresh("^X", "7")), "0") << "released when the control went";
    EXPECT_EQ(Run(second, Edit("^X", "7")), "0");
}

TEST_F(MRoutinesOnVisM, QuotesCaretsAndPipes_RoundTripExactly)
{
    const std::string keys = "a\"b^c|\"\"|^";
    const std::string record = "say \"hi\"^x|y^\"\"|";
    TVisM& ws = Control();
    ws.SetP0(record);
    EXPECT_EQ(Run(ws, Post("^X", keys, false)), "0");
    EXPECT_EQ(M().Output("W $D(^X(\"a\"\"b^c\",\"\"\"\"\"\",\"^\"))"), "1");
    EXPECT_EQ(M().Output("W ^X(\"a\"\"b^c\",\"\"\"\"\"\",\"^\")"), record);

    EXPECT_EQ(Run(ws, Refresh("^X", keys)), "0");
    EXPECT_EQ(ws.P1().AsString(), record);
    EXPECT_EQ(Run(ws, Next("^X", "||", "||", "||")), "0");
    EXPECT_EQ(ws.P0().AsString(), record);
    EXPECT_EQ(ws.P1().AsString(), keys);
    EXPECT_EQ(Run(ws, Last("^X", "||", "||", "||")), "0");
    EXPECT_EQ(ws.P1().AsString(), keys);
    EXPECT_EQ(Run(ws, Edit("^X", keys)), "0");
    EXPECT_EQ(ws.P1().AsString(), record);
    EXPECT_EQ(Run(ws, Cancel("^X", keys)), "0");
    EXPECT_EQ(Run(ws, Delete("^X", keys)), "0");
    EXPECT_EQ(M().Output("W $D(^X)"), "0");
}

TEST_F(MRoutinesOnVisM, Check_AnswersTheRuleForTheClientsText)
{
    M().Output("S ^CSWWCHK(\"CLI\")=\"$S(V'?1.N:1,$P(R,\"\"^\"\",2)'=\"\"b\"\":2,1:0)\"");
    TVisM& ws = Control();
    EXPECT_EQ(Run(ws, R"($$CHECK^%CSWWGLOB("CLI","a^b","7","X"))"), "1");
    EXPECT_EQ(Run(ws, R"($$CHECK^%CSWWGLOB("CLI","a^b","7","12"))"), "0");
    EXPECT_EQ(Run(ws, R"($$CHECK^%CSWWGLOB("CLI","a^c","7","12"))"), "2");
    EXPECT_EQ(Run(ws, R"($$CHECK^%CSWWGLOB("NONE","a^b","7","X"))"), "0");
}

TEST_F(MRoutinesOnVisM, Termcru_ListsOneCompanysTerminalsInOrder_ThenSignalsTheEnd)
{
    M().Output("S ^CCTTGA955(1,\"BAL02\")=\"Expedi\"_$C(231,227)_\"o\",^CCTTGA955(1,\"BAL01\")=\"Recep\"_$C(231,227)_\"o\"\n"
               "S ^CCTTGA955(1,3)=\"Tr\"_$C(234)_\"s\",^CCTTGA955(2,\"OUT\")=\"other company\"");
    TVisM& ws = Control();
    // ConfTerminal's sequence: P0 the company as an integer, P1 and P2 empty, one
    // Code, then ExecFlag := 1 again while ResultValue is the number 0.
    ws.SetP0(1);
    ws.SetP1(std::string());
    ws.SetP2(std::string());
    Run(ws, "$$TERMCRU^CCTTGA955");
    std::vector<std::string> items;
    while (ws.ResultValue().AsInteger() == 0 && items.size() < 10) {
        items.push_back(ws.P1().AsString() + " - " + ws.P2().AsString());
        ws.SetExecFlag(1);
    }
    EXPECT_EQ(items, (std::vector<std::string>{"3 - Tr\xEAs", "BAL01 - Recep\xE7\xE3o", "BAL02 - Expedi\xE7\xE3o"}));
    EXPECT_EQ(ws.ResultValue().AsString(), "1");
}

}  // namespace
