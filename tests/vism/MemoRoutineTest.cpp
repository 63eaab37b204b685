// The server routine %CSWWMEM on a real GT.M database: the memory global's sequences
// (MAT and one SET per line plus the closing one; GETs until the answer is not 0) run in
// one long-lived mumps process under the exclusive NEW of the registers, as a
// workstation's server runs them; the nodes are read back by a process of the test's own.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/MDirect.h"
#include "support/ParamNames.h"

namespace {

using mdirect::MDatabase;
using mdirect::MError;
using mdirect::MSession;

// A value between the double quotes of a client text.
std::string Quoted(const std::string& Value)
{
    std::string out = "\"";
    for (const char c : Value)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// Every byte of Value as an M expression, so any byte can be put in a register.
std::string Bytes(const std::string& Value)
{
    std::string expr = "\"\"";
    for (const unsigned char c : Value)
        expr += "_$C(" + std::to_string(c) + ")";
    return expr;
}

std::string Node(const std::string& Global, const std::string& Keys)
{
    return Quoted(Global) + "," + Quoted(Keys);
}

// One workstation's server process driven as the memory global drives it.
class Workstation {
public:
    explicit Workstation(const MDatabase& Db) : session_(Db) { session_.Execute("S (P0,P1)=\"stale\""); }

    std::string Call(const std::string& Text)
    {
        return session_.Execute("N (P0,P1,P2,P3,P4,P5,P6,P7,P8,P9) W " + Text);
    }
    std::string Register(int Index) { return session_.Execute("W P" + std::to_string(Index)); }
    void SetRegister(int Index, const std::string& Expression)
    {
        session_.Execute("S P" + std::to_string(Index) + "=" + Expression);
    }

    // MAT, then SET for lines 1 to n and the closing empty line n + 1.
    void Write(const std::string& Global, const std::string& Keys, const std::vector<std::string>& Lines)
    {
        Call("$$MAT^%CSWWMEM(" + Node(Global, Keys) + ")");
        std::vector<std::string> all = Lines;
        all.emplace_back();
        for (size_t i = 0; i < all.size(); ++i) {
            SetRegister(1, std::to_string(i + 1));
            SetRegister(0, Bytes(all[i]));
            Call("$$SET^%CSWWMEM(" + Node(Global, Keys) + ")");
        }
    }

    // GET from the empty subscript, then from each answer's P1 while the answer is 0.
    // The lines found; Gets counts the runs.
    std::vector<std::string> Read(const std::string& Global, const std::string& Keys, int* Gets = nullptr)
    {
        std::vector<std::string> lines;
        std::string sub;
        int runs = 0;
        while (runs < 100) {
            ++runs;
            if (Call("$$GET^%CSWWMEM(" + Node(Global, Keys) + "," + Quoted(sub) + ")") != "0")
                break;
            lines.push_back(Register(0));
            sub = Register(1);
        }
        if (Gets != nullptr)
            *Gets = runs;
        return lines;
    }

private:
    MSession session_;
};

class MemoRoutine : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        db = std::make_unique<MDatabase>();
        admin = std::make_unique<MSession>(*db);
    }
    static void TearDownTestSuite()
    {
        admin.reset();
        db.reset();
    }
    void SetUp() override { admin->Execute("K ^X"); }

    static std::string Admin(const std::string& Line) { return admin->Execute(Line); }

    static inline std::unique_ptr<MDatabase> db;
    static inline std::unique_ptr<MSession> admin;
};

using Lines = std::vector<std::string>;

struct RoundTrip {
    const char* name;
    Lines lines;
    // ZWRITE of the stored lines.
    const char* stored;
};

void PrintTo(const RoundTrip& c, std::ostream* out)
{
    const char* between = "";
    for (const std::string& line : c.lines) {
        *out << between << Printable(line);
        between = " ";
    }
}

class MemoRoutineRoundTrip : public MemoRoutine, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(MemoRoutineRoundTrip, WrittenLinesReadBackExactly_WithOneGetMoreThanLines)
{
    const RoundTrip& c = GetParam();
    Workstation ws(*db);
    ws.Write("^X", "7|A", c.lines);
    EXPECT_EQ(Admin("ZWRITE ^X"), c.stored);
    int gets = 0;
    EXPECT_EQ(ws.Read("^X", "7|A", &gets), c.lines);
    EXPECT_EQ(gets, static_cast<int>(c.lines.size()) + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MemoRoutineRoundTrip,
    ::testing::Values(
        // The empty text is one empty line.
        RoundTrip{"Empty", {""}, "^X(7,\"A\",\"%CSWWMEM\",1)=\"\"\n^X(7,\"A\",\"%CSWWMEM\",2)=\"\"\n"},
        RoundTrip{"TwoLines",
                  {"first", "second"},
                  "^X(7,\"A\",\"%CSWWMEM\",1)=\"first\"\n^X(7,\"A\",\"%CSWWMEM\",2)=\"second\"\n"
                  "^X(7,\"A\",\"%CSWWMEM\",3)=\"\"\n"},
        RoundTrip{"EmptyLineInside",
                  {"a", "", "b"},
                  "^X(7,\"A\",\"%CSWWMEM\",1)=\"a\"\n^X(7,\"A\",\"%CSWWMEM\",2)=\"\"\n"
                  "^X(7,\"A\",\"%CSWWMEM\",3)=\"b\"\n^X(7,\"A\",\"%CSWWMEM\",4)=\"\"\n"},
        RoundTrip{"EmptyLastLineIsKept",
                  {"a", ""},
                  "^X(7,\"A\",\"%CSWWMEM\",1)=\"a\"\n^X(7,\"A\",\"%CSWWMEM\",2)=\"\"\n"
                  "^X(7,\"A\",\"%CSWWMEM\",3)=\"\"\n"},
        RoundTrip{"QuotesBarsAndHighBytesAreData",
                  {"say \"hi\"|\"\"", "a\xE7\xE3o"},
                  "^X(7,\"A\",\"%CSWWMEM\",1)=\"say \"\"hi\"\"|\"\"\"\"\"\n"
                  "^X(7,\"A\",\"%CSWWMEM\",2)=\"a\xE7\xE3o\"\n^X(7,\"A\",\"%CSWWMEM\",3)=\"\"\n"}),
    NamedBy(&RoundTrip::name));

TEST_F(MemoRoutine, NoLineStored_FirstGetAnswers1WithEmptyRegisters)
{
    Workstation ws(*db);
    EXPECT_EQ(ws.Call("$$GET^%CSWWMEM(\"^X\",\"7|A\",\"\")"), "1");
    EXPECT_EQ(ws.Register(0), "");
    EXPECT_EQ(ws.Register(1), "");
}

TEST_F(MemoRoutine, Get_GivesTheLineNumberAsItsSubscript)
{
    Admin("S ^X(7,\"%CSWWMEM\",1)=\"one\",^X(7,\"%CSWWMEM\",2)=\"two\"");
    Workstation ws(*db);
    EXPECT_EQ(ws.Call("$$GET^%CSWWMEM(\"^X\",\"7\",\"\")"), "0");
    EXPECT_EQ(ws.Register(0), "one");
    EXPECT_EQ(ws.Register(1), "1");
    EXPECT_EQ(ws.Call("$$GET^%CSWWMEM(\"^X\",\"7\",\"1\")"), "0");
    EXPECT_EQ(ws.Register(0), "two");
    EXPECT_EQ(ws.Register(1), "2");
    EXPECT_EQ(ws.Call("$$GET^%CSWWMEM(\"^X\",\"7\",\"2\")"), "1");
}

TEST_F(MemoRoutine, Mat_RemovesALongerEarlierText)
{
    Workstation ws(*db);
    ws.Write("^X", "7", {"a", "b", "c", "d"});
    ws.Write("^X", "7", {"z"});
    EXPECT_EQ(ws.Read("^X", "7"), Lines{"z"});
    EXPECT_EQ(Admin("W $D(^X(7,\"%CSWWMEM\",3))"), "0");
}

TEST_F(MemoRoutine, LinesLieBeneathTheRecord_WhichKeepsItsValueAndTakesThemWhenDeleted)
{
    Admin("S ^X(7)=\"rec\"");
    Workstation ws(*db);
    ws.Write("^X", "7", {"memo"});
    EXPECT_EQ(ws.Call("$$REFRESH^%CSWWGLOB(\"^X\",\"7\")"), "0");
    EXPECT_EQ(ws.Register(1), "rec");
    EXPECT_EQ(ws.Call("$$DELETE^%CSWWGLOB(\"^X\",\"7\")"), "0");
    EXPECT_EQ(Admin("W $D(^X)"), "0");
}

TEST_F(MemoRoutine, LinesAreNoRecordsToTheWalkOfADetailGlobal)
{
    Admin("S ^X(7)=\"master\",^X(7,1)=\"detail 1\",^X(7,2)=\"detail 2\"");
    Workstation ws(*db);
    ws.Write("^X", "7", {"memo"});
    EXPECT_EQ(ws.Call("$$NEXT^%CSWWGLOB(\"^X\",\"7|2\",\"7|\",\"7|\")"), "1");
    EXPECT_EQ(ws.Call("$$LAST^%CSWWGLOB(\"^X\",\"7|\",\"7|\",\"7|\")"), "0");
    EXPECT_EQ(ws.Register(1), "7|2");
}

TEST_F(MemoRoutine, GlobalWithoutKeyLevels_KeepsItsLinesBeneathTheRoot)
{
    Workstation ws(*db);
    ws.Write("^X", "", {"a", "b"});
    EXPECT_EQ(Admin("W $D(^X(\"%CSWWMEM\",2))"), "1");
    EXPECT_EQ(ws.Read("^X", ""), (Lines{"a", "b"}));
}

TEST_F(MemoRoutine, KeyTextWithAnEmptyValue_ReadsNothingAndWritesNothing)
{
    Workstation ws(*db);
    EXPECT_EQ(ws.Call("$$MAT^%CSWWMEM(\"^X\",\"7|\")"), "1");
    ws.SetRegister(1, "1");
    ws.SetRegister(0, "\"x\"");
    EXPECT_EQ(ws.Call("$$SET^%CSWWMEM(\"^X\",\"7|\")"), "1");
    EXPECT_EQ(ws.Call("$$GET^%CSWWMEM(\"^X\",\"7|\",\"\")"), "1");
    EXPECT_EQ(Admin("W $D(^X)"), "0");
}

TEST_F(MemoRoutine, SetWithoutAValidLineNumber_StoresNothing)
{
    Workstation ws(*db);
    for (const char* number : {"\"\"", "0", "\"x\"", "-1", "1.5", "\"1E2\""}) {
        ws.SetRegister(1, number);
        ws.SetRegister(0, "\"x\"");
        EXPECT_EQ(ws.Call("$$SET^%CSWWMEM(\"^X\",\"7\")"), "1") << number;
    }
    EXPECT_EQ(Admin("W $D(^X)"), "0");
}

TEST_F(MemoRoutine, GlobalNameWithCode_IsRefusedWithoutRunningIt)
{
    Workstation ws(*db);
    for (const char* name : {"^X(1)", "^X\"_$$X^ZZ()_\"", "X"}) {
        EXPECT_THROW(ws.Call("$$GET^%CSWWMEM(" + Quoted(name) + ",\"7\",\"\")"), MError) << name;
        EXPECT_THROW(ws.Call("$$MAT^%CSWWMEM(" + Quoted(name) + ",\"7\")"), MError) << name;
    }
}

TEST_F(MemoRoutine, KeysWithQuotesAndCarets_NameOneRecord)
{
    const std::string keys = "a\"b^c|\"\"";
    Workstation ws(*db);
    ws.Write("^X", keys, {"x"});
    EXPECT_EQ(Admin("W ^X(\"a\"\"b^c\",\"\"\"\"\"\",\"%CSWWMEM\",1)"), "x");
    EXPECT_EQ(ws.Read("^X", keys), Lines{"x"});
}

}  // namespace
