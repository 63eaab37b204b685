// The bound grid's server routine $$LE^%CSWWCGRID on a real GT.M server, driven through a
// TVisM control exactly as the grid drives it: P0 to P7 and an empty ResultValue written
// before every run, the first run of a load at the first values (P7 1), every later one
// sending the keys of the row just delivered (P7 0).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "VisMFixture.h"

namespace {

using Rows = std::vector<std::pair<std::string, std::string>>; // keys, content

// A value between the double quotes of an M string literal.
std::string Literal(const std::string& Value)
{
    std::string out = "\"";
    for (char c : Value)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

struct Request {
    std::string global = "^X";
    std::string inicios = {};
    std::string finais = {};
    std::string pieces = "1";
    std::string subGlobais = {};
    std::string filtro = {};
};

class CGridRoutine : public VisMFixture {
protected:
    void SetUp() override
    {
        VisMFixture::SetUp();
        ws_ = &Control();
    }

    void Store(const std::string& Node, const std::string& Value) { ASSERT_EQ(Run(*ws_, "S " + Node + "=" + Literal(Value)), ""); }

    // One run with the key list Keys, starting at Keys itself (a load's first run) or
    // after it; returns ResultValue.
    std::string Le(const Request& R, const std::string& Keys, bool StartsAtKeys = false)
    {
        ws_->SetResultValue(TVariant());
        ws_->SetP(0, R.global);
        ws_->SetP(1, Keys);
        ws_->SetP(2, R.inicios);
        ws_->SetP(3, R.finais);
        ws_->SetP(4, R.pieces);
        ws_->SetP(5, R.subGlobais);
        ws_->SetP(6, R.filtro);
        ws_->SetP(7, StartsAtKeys ? "1" : "0");
        const std::string error = Run(*ws_, "$$LE^%CSWWCGRID");
        EXPECT_EQ(error, "");
        return ws_->ResultValue().AsString();
    }

    // A whole load, as the grid runs it from the first values. Between runs, Meddle may
    // write what it likes into the registers, as code of the application can.
    Rows Load(const Request& R, const std::function<void()>& Meddle = nullptr)
    {
        Rows rows;
        std::string keys = R.inicios;
        while (Le(R, keys, rows.empty()) == "0" && rows.size() < 50) {
            if (Meddle)
                Meddle();
            keys = ws_->P1().AsString();
            rows.emplace_back(keys, ws_->P4().AsString());
        }
        return rows;
    }

    TVisM& Ws() { return *ws_; }

private:
    TVisM* ws_ = nullptr;
};

TEST_F(CGridRoutine, Load_WalksTheRecordsInCollationOrderWithinTheRanges_ThenAnswers1)
{
    Store("^X(1,\"B\")", "1b");
    Store("^X(1,\"A\")", "1a");
    Store("^X(2,\"A\")", "2a");
    Store("^X(2,\"C\",\"deeper\")", "below a node without a value");
    Store("^X(3,\"A\")", "3a");
    Store("^X(10,\"A\")", "10a");
    Store("^X(\"Z\",\"A\")", "Za");

    struct Case {
        const char* inicios;
        const char* finais;
        Rows expected;
    };
    const std::vector<Case> cases = {
        {"|", "|", {{"1|A", "1a"}, {"1|B", "1b"}, {"2|A", "2a"}, {"3|A", "3a"}, {"10|A", "10a"}, {"Z|A", "Za"}}},
        {"2|", "3|", {{"2|A", "2a"}, {"3|A", "3a"}}},
        {"|B", "|", {{"1|B", "1b"}}},
        {"10|", "|", {{"10|A", "10a"}, {"Z|A", "Za"}}},
        {"4|", "9|", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Load({.inicios = c.inicios, .finais = c.finais}), c.expected) << c.inicios << " to " << c.finais;
}

TEST_F(CGridRoutine, Load_StartingExactlyAtAnExistingNode_DeliversItOnceAndGoesOn)
{
    Store("^X(5)", "five");
    Store("^X(6)", "six");
    EXPECT_EQ(Load({.inicios = "5"}), (Rows{{"5", "five"}, {"6", "six"}}));
    // A fixed level: first and last value alike, one row.
    EXPECT_EQ(Load({.inicios = "5", .finais = "5"}), (Rows{{"5", "five"}}));
    Store("^X(7,1)", "seven");
    EXPECT_EQ(Load({.inicios = "7|1", .finais = "7|1"}), (Rows{{"7|1", "seven"}}));
}

// A load that stopped on its first row (a failing handler, a paint that needed one row)
// leaves nothing on the server: the next load lists that row again.
TEST_F(CGridRoutine, NewLoad_AfterALoadThatStoppedOnItsFirstRow_ListsThatRowAgain)
{
    Store("^X(5)", "five");
    Store("^X(6)", "six");
    ASSERT_EQ(Le({.inicios = "5"}, "5", true), "0");
    ASSERT_EQ(Ws().P1().AsString(), "5");
    EXPECT_EQ(Load({.inicios = "5"}), (Rows{{"5", "five"}, {"6", "six"}}));
}

// Going on from a row never gives that row again, also when it lies at the first values.
TEST_F(CGridRoutine, Continuation_FromARowAtTheFirstValues_GoesOnAfterIt)
{
    Store("^X(5)", "five");
    Store("^X(6)", "six");
    EXPECT_EQ(Le({.inicios = "5"}, "5"), "0");
    EXPECT_EQ(Ws().P1().AsString(), "6");
    EXPECT_EQ(Le({.inicios = "5", .finais = "5"}, "5"), "1");
}

// The first run starts at the node of its keys only when that node is a record within
// the ranges at every level; otherwise it goes on to the first record after it.
TEST_F(CGridRoutine, FirstRun_StartsAtItsKeysOnlyWhenTheyNameARecordWithinTheRanges)
{
    Store("^X(5)", "five");
    Store("^X(5,1)", "below five");
    Store("^X(6,2)", "six two");
    struct Case {
        const char* keys;
        const char* inicios;
        const char* finais;
        const char* delivered; // keys of the row, or "" for none
    };
    const std::vector<Case> cases = {
        {"5", "5", "", "5"},        // one level: the record itself
        {"5", "5|", "|", "5|1"},    // two levels: 5 alone is no row of them
        {"5|1", "5|1", "|", "5|1"}, // the record at both levels
        {"5|1", "5|2", "|", "6|2"}, // keys before the first value of level 2
        {"6|1", "|", "5|", ""},     // keys after the last value of level 1
        {"", "", "", "5"},          // no key: the first record
    };
    for (const Case& c : cases) {
        const std::string answer = Le({.inicios = c.inicios, .finais = c.finais}, c.keys, true);
        EXPECT_EQ(answer == "0" ? Ws().P1().AsString() : std::string(), c.delivered)
            << c.keys << " in " << c.inicios << " to " << c.finais;
    }
}

// Code of the application that runs on the same control between the runs of a load (an
// OnLoad handler) may leave anything in the registers it does not write: the load lists
// the same rows, each once.
TEST_F(CGridRoutine, RegistersWrittenBetweenRuns_ChangeNothingInTheRowsListed)
{
    Store("^X(5)", "five");
    Store("^X(6)", "six");
    Store("^X(7)", "seven");
    const Rows all = {{"5", "five"}, {"6", "six"}, {"7", "seven"}};
    struct Meddling {
        int index;
        std::string value;
    };
    const std::vector<Meddling> meddlings = {
        {9, ""}, {9, std::string("^X\x01") + "5"}, {9, "5"}, {8, "1"}};
    for (const Meddling& m : meddlings) {
        SCOPED_TRACE("P" + std::to_string(m.index) + " = " + m.value);
        EXPECT_EQ(Load({.inicios = "5"}, [&] { Ws().SetP(m.index, m.value); }), all) << "between the runs";
        Ws().SetP(m.index, m.value);
        EXPECT_EQ(Load({.inicios = "5"}), all) << "left before the load";
    }
}

TEST_F(CGridRoutine, NoRowLeft_LeavesTheKeysAndContentRegistersAsWritten)
{
    Store("^X(1)", "one");
    EXPECT_EQ(Le({}, "1"), "1");
    EXPECT_EQ(Le({.inicios = "1", .finais = "1"}, "1"), "1") << "going on after the only row";
    EXPECT_EQ(Ws().P1().AsString(), "1");
    EXPECT_EQ(Ws().P4().AsString(), "1");
    EXPECT_EQ(Ws().P0().AsString(), "^X");
}

TEST_F(CGridRoutine, Content_HoldsThePiecesTheColumnsShow_SubGlobalPiecesAfterABar)
{
    Store("^X(1,2)", "a^b^c^d^e");
    Store("^Y(1,2)", "s1^s2^s3");
    struct Case {
        const char* pieces;
        const char* subGlobais;
        const char* content;
    };
    const std::vector<Case> cases = {
        {"1", "", "a"},
        {"2^^4", "||", "^b^^d"},
        {"0", "", "a"},
        {"1^3", "|^Y", "a|^^s3"},
        {"2^2", "^Y|", "^b|^s2"},
        {"5^1", "|^NOTHING", "^^^^e|"},
    };
    for (const Case& c : cases) {
        const Rows rows = Load({.inicios = "1|2", .finais = "1|2", .pieces = c.pieces, .subGlobais = c.subGlobais});
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].second, c.content) << c.pieces << " / " << c.subGlobais;
    }
}

TEST_F(CGridRoutine, Filter_ListsTheRowsItsStoredExpressionAccepts)
{
    Store("^X(1)", "A^active");
    Store("^X(2)", "I^inactive");
    Store("^X(3)", "A^active too");
    Store("^CSWWFILT(\"ATIVOS\")", "$P(R,\"^\")=\"A\"");
    Store("^CSWWFILT(\"ODD\")", "K#2");
    EXPECT_EQ(Load({.filtro = "ATIVOS"}), (Rows{{"1", "A"}, {"3", "A"}}));
    EXPECT_EQ(Load({.inicios = "2", .filtro = "ODD"}), (Rows{{"3", "A"}}));
    EXPECT_EQ(Load({.filtro = "NO SUCH FILTER"}).size(), 3u);
}

TEST_F(CGridRoutine, Filter_RejectingEveryRow_Answers1AndRestoresTheRegisters)
{
    Store("^X(1)", "x");
    Store("^CSWWFILT(\"NONE\")", "0");
    EXPECT_EQ(Le({.filtro = "NONE"}, ""), "1");
    EXPECT_EQ(Ws().P0().AsString(), "^X");
    EXPECT_EQ(Ws().P1().AsString(), "");
}

TEST_F(CGridRoutine, ClientTexts_AreDataNeverCode)
{
    Store("^X(\"a\"\"b\",\"^\")", "x");
    Store("^X(\"q\"\"\",1)", "y");
    // Would set ^RAN if a register's text ran.
    const std::string code = "S ^RAN=1";
    EXPECT_EQ(Load({.inicios = "|", .finais = "|", .filtro = code}),
              (Rows{{"a\"b|^", "x"}, {"q\"|1", "y"}}));
    EXPECT_EQ(Run(Ws(), "S P1=$D(^RAN)"), "");
    EXPECT_EQ(Ws().P1().AsString(), "0");
}

TEST_F(CGridRoutine, GlobalName_OtherThanAName_IsAServerError)
{
    Ws().SetP(0, "^X(1)");
    Ws().SetP(1, "");
    EXPECT_NE(Run(Ws(), "$$LE^%CSWWCGRID").find("GVINVALID"), std::string::npos);
}

} // namespace
