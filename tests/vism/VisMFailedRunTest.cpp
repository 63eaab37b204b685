// A failed run gives no answer: whether the code raised an M error or the server was lost,
// ResultValue is empty and RunFailed is set when OnError fires, and the next good run
// answers again.
#include <functional>

#include "VisMFixture.h"
#include "support/KillServer.h"
#include "support/ParamNames.h"

namespace {

struct FailureCase {
    const char* name;
    // Makes the next run of the control fail.
    std::function<void(TVisM&)> prepare;
    const char* code;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name << ": " << Printable(c.code); }

class VisMFailedRun : public VisMFixture, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(VisMFailedRun, LeavesNoAnswerBehindAndTheNextRunAnswersAgain)
{
    WriteFile(RoutineDir() / "ZZFAIL.m", "ZZFAIL ; answers of the failed-run tests\n Q\nZERO() Q 0\n"
                                         "KILLED() ZSYSTEM \"kill -9 \"_$J H 5 Q 0\n");
    TVisM& vism = Control();
    ASSERT_EQ(Run(vism, "$$ZERO^ZZFAIL()"), "");
    ASSERT_EQ(vism.ResultValue().AsString(), "0");
    ASSERT_FALSE(vism.RunFailed());

    bool failedWhenTold = false;
    bool emptyWhenTold = false;
    vism.OnError = [&](TObject*) {
        failedWhenTold = vism.RunFailed();
        emptyWhenTold = vism.ResultValue().IsEmpty();
    };
    GetParam().prepare(vism);
    vism.SetCode(GetParam().code);
    vism.SetExecFlag(1);

    EXPECT_TRUE(vism.RunFailed());
    EXPECT_TRUE(vism.ResultValue().IsEmpty());
    EXPECT_TRUE(failedWhenTold);
    EXPECT_TRUE(emptyWhenTold);

    vism.SetCode("$$ZERO^ZZFAIL()");
    vism.SetExecFlag(1);
    EXPECT_FALSE(vism.RunFailed());
    EXPECT_EQ(vism.ResultValue().AsString(), "0");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, VisMFailedRun,
    ::testing::Values(FailureCase{"MErrorInAFunction", [](TVisM&) {}, "$$FUNC^%DH(1/0)"},
                      FailureCase{"MErrorInACommand", [](TVisM&) {}, "S P1=1/0"},
                      FailureCase{"ServerKilledBefore",
                                  [](TVisM& VisM) { ASSERT_TRUE(KillServer(VisM)); },
                                  "$$ZERO^ZZFAIL()"},
                      FailureCase{"ServerKilledWhileRunning", [](TVisM&) {}, "$$KILLED^ZZFAIL()"}),
    NamedBy(&FailureCase::name));

} // namespace
