// What one run does cannot change what later runs rely on: a code behaves the same whether
// its long strings travel apart from it or not, every run starts in the namespace with the
// server's routine path, devices and error handling, and reading the principal
// device gives nothing without ending the server.
#include <chrono>
#include <filesystem>

#include "VisMFixture.h"
#include "support/MDirect.h"
#include "support/ParamNames.h"

namespace fs = std::filesystem;

namespace {

// A short value leaves the code as it is; a long one is taken out of it on the way.
constexpr size_t ShortSize = 60;
constexpr size_t LongSize = 9000;

struct IsolationCase {
    const char* What;
    std::string Code;  // "@" stands for the literal
    std::string Check; // run after it, when not empty
    // The run's answer: the error's mnemonic or "", then P1, P2, P3 and the result, with
    // the literal's value as "@" and its length as "#".
    std::string Expected;
};

void PrintTo(const IsolationCase& Case, std::ostream* Out)
{
    *Out << Case.What << ": " << Printable(Case.Code);
}

class VisMLiftedCode : public VisMFixture, public ::testing::WithParamInterface<IsolationCase> {
protected:
    void SetUp() override
    {
        VisMFixture::SetUp();
        // Calls that undo the locals of whoever called them, and a function that does.
        WriteFile(RoutineDir() / "TVISMISO.m", "TVISMISO ;\nKALL K  Q\nNALL N  Q\nF(X) K (X) Q X\n");
    }

    // The answer of Code with the value as its literal, in the Expected form.
    std::string Answer(TVisM& Vism, const std::string& Value)
    {
        Vism.SetP1("");
        Vism.SetP2("two");
        Vism.SetP3("");
        Vism.SetResultValue(TVariant());
        std::string code;
        for (const char c : GetParam().Code)
            code += c == '@' ? MStringLiteral(Value) : std::string(1, c);
        std::string error = Run(Vism, code);
        if (error.empty() && !GetParam().Check.empty())
            error = Run(Vism, GetParam().Check);
        std::string answer = error.substr(0, error.find(','));
        for (const TVariant* value : {&Vism.P1(), &Vism.P2(), &Vism.P3(), &Vism.ResultValue()}) {
            const std::string text = value->AsString();
            answer += "|" + (text == Value ? "@" : text == std::to_string(Value.size()) ? "#" : text);
        }
        return answer;
    }
};

TEST_P(VisMLiftedCode, AnswersAsTheSameCodeWithAShortLiteral)
{
    TVisM& vism = Control();
    ASSERT_EQ(Run(vism, "K ^TVISMISO"), "");
    const std::string shortAnswer = Answer(vism, EveryByte(ShortSize));
    ASSERT_EQ(Run(vism, "K ^TVISMISO"), "");
    const std::string longAnswer = Answer(vism, EveryByte(LongSize));
    EXPECT_EQ(shortAnswer, GetParam().Expected);
    EXPECT_EQ(longAnswer, shortAnswer);
}

INSTANTIATE_TEST_SUITE_P(
    Constructs, VisMLiftedCode,
    ::testing::Values(
        IsolationCase{"KillAll", "K  S P1=@", "", "|@|||"},
        IsolationCase{"KillAllButOne", "K (P2) S P1=@,P3=P2", "", "|@|two|two|"},
        IsolationCase{"ExclusiveNew", "N (P1) S P1=@", "", "|@|two||"},
        IsolationCase{"NewAll", "N  S ^TVISMISO=@", "S P1=^TVISMISO", "|@|two||"},
        IsolationCase{"RoutineKillsAllFirst", "D KALL^TVISMISO S P1=@", "", "|@|||"},
        IsolationCase{"RoutineNewsAllFirst", "D NALL^TVISMISO S P1=@", "", "|@|two||"},
        IsolationCase{"FunctionKillsAll", "$$F^TVISMISO(@)", "", "||||@"},
        IsolationCase{"NoLocalOfTheServer", "S P1=$D(%TRVLIT)_$D(%TRVRV),P3=$L(@)", "", "|00|two|#|"},
        IsolationCase{"OwnLocalsOfAnyName", "S %TRVLIT(1)=\"mine\",P1=@", "", "|@|two||"},
        IsolationCase{"TabFormatWithTheLiteral", "W ?($L(@)#7) S P1=$X>0", "", "|1|two||"},
        IsolationCase{"NakedReferenceAfterIt", "S ^TVISMISO(1)=1 S P1=@,^(2)=P1,P3=$D(^TVISMISO(2))", "",
                      "|@|two|1|"},
        IsolationCase{"TestAfterIt", "I 1 S P1=@ I  S P3=$T", "", "|@|two|1|"},
        IsolationCase{"DeviceStateAfterIt",
                      "O \"p\":(COMMAND=\"true\":READONLY)::\"PIPE\" U \"p\" R X:1 S P3=$ZEOF,P1=@,P3=P3_$ZEOF "
                      "U $P C \"p\"",
                      "", "|@|two|11|"},
        IsolationCase{"ErrorAfterIt", "S P1=@ S X=1/0", "", "%GTM-E-DIVZERO|@|two||"}),
    NamedBy(&IsolationCase::What));

class VisMRunIsolation : public VisMFixture {};

// Another global directory and its database, as code might switch to.
class OtherDatabase {
public:
    std::string GlobalDirectory() const { return db_.GlobalDirectory(); }
    std::string Read(const std::string& Global) const { return db_.Output("W $D(" + Global + ")"); }

private:
    mdirect::MDatabase db_;
};

TEST_F(VisMRunIsolation, GlobalDirectoryChangedByARun_IsTheNamespacesAgainInTheNext)
{
    const OtherDatabase other;
    TVisM& vism = Control();
    // A run that fails after switching, and one that succeeds.
    EXPECT_NE(Run(vism, "S $ZGBLDIR=\"" + other.GlobalDirectory() + "\" S X=1/0"), "");
    ASSERT_EQ(Run(vism, "S ^WHERE=\"weight\""), "");
    ASSERT_EQ(Run(vism, "S $ZGBLDIR=\"" + other.GlobalDirectory() + "\",^THERE=1"), "");
    ASSERT_EQ(Run(vism, "S ^WHERE(2)=\"weight\",P1=$D(^THERE)"), "");
    EXPECT_EQ(vism.P1().AsString(), "0");
    EXPECT_EQ(other.Read("^WHERE"), "0");
    EXPECT_EQ(other.Read("^THERE"), "1");

    TVisM& another = Control();
    ASSERT_EQ(Run(another, "S P1=$G(^WHERE)_\"/\"_$G(^WHERE(2))"), "");
    EXPECT_EQ(another.P1().AsString(), "weight/weight");
}

TEST_F(VisMRunIsolation, RoutinePathAndErrorHandlingChangedByARun_AreTheServersAgainInTheNext)
{
    WriteFile(RoutineDir() / "TVISMWHO.m", "TVISMWHO ;\nV() Q \"mine\"\n");
    TVisM& vism = Control();
    EXPECT_EQ(Run(vism, "S $ZROUTINES=\"\",$ZTRAP=\"S P2=\"\"trapped\"\" Q\""), "");
    EXPECT_EQ(Run(vism, "S P1=$$V^TVISMWHO"), "");
    EXPECT_EQ(vism.P1().AsString(), "mine");
    // The code's trap of the run before does not take this run's error.
    vism.SetP2("");
    const std::string error = Run(vism, "S X=1/0");
    EXPECT_NE(error.find("DIVZERO"), std::string::npos) << error;
    EXPECT_EQ(vism.P2().AsString(), "");
}

// Each read of the principal device gives nothing at once; the server, with the locks it
// holds for the workstation, goes on.
struct PrincipalReadCase {
    const char* What;
    std::string Code;
};

void PrintTo(const PrincipalReadCase& Case, std::ostream* Out)
{
    *Out << Case.What << ": " << Case.Code;
}

class VisMPrincipalRead : public VisMFixture, public ::testing::WithParamInterface<PrincipalReadCase> {};

TEST_P(VisMPrincipalRead, ReadsNothingAndTheServerGoesOnWithItsLocks)
{
    TVisM& vism = Control();
    TVisM& otherWorkstation = Control();
    ASSERT_EQ(Run(vism, "L +^HELD:0 S P1=$J"), "");
    const std::string server = vism.P1().AsString();
    const auto start = std::chrono::steady_clock::now();
    for (int run = 1; run <= 3; ++run) {
        vism.SetP2("before");
        EXPECT_EQ(Run(vism, GetParam().Code + " S P2=X"), "") << "run " << run;
        EXPECT_EQ(vism.P2().AsString(), "") << "run " << run;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ASSERT_EQ(Run(vism, "S P1=$J"), "");
    EXPECT_EQ(vism.P1().AsString(), server);
    ASSERT_EQ(Run(otherWorkstation, "L +^HELD:0 S P1=$T"), "");
    EXPECT_EQ(otherWorkstation.P1().AsString(), "0");
}

INSTANTIATE_TEST_SUITE_P(Reads, VisMPrincipalRead,
                         ::testing::Values(PrincipalReadCase{"Timed", "R X:0"},
                                           PrincipalReadCase{"TwoTimed", "R X:0 R Y:0"},
                                           PrincipalReadCase{"TimedTimesOut", "R X:1 S:$T X=\"in time\""},
                                           PrincipalReadCase{"Untimed", "R X R Y"},
                                           PrincipalReadCase{"FixedLength", "R X#5"},
                                           PrincipalReadCase{"OneCharacter", "R *Y S X=$S(Y<0:\"\",1:Y)"},
                                           PrincipalReadCase{"PrincipalNamed", "U $P R X U $P R X"},
                                           PrincipalReadCase{"ShellCommandReadingItsInput",
                                                             "ZSYSTEM \"cat\" S X=\"\""}),
                         NamedBy(&PrincipalReadCase::What));

} // namespace
