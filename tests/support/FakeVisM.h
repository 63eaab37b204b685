#pragma once
// A recording stand-in for the M server control. It logs every property write in order
// and answers each run (a write of 1 to ExecFlag) from a script instead of a server.
//
//   FakeVisM vism;
//   vism.Expect(R"($$EDIT^%CSWWGLOB("^X","7"))", {.result = "0", .registers = {{1, "a^b"}}});
//   vism.Answer({.error = "<UNDEFINED>"});      // the run after that fails through OnError
//   ... code under test ...
//   EXPECT_EQ(vism.Log(), (std::vector<std::string>{"Code=...", "ExecFlag=1", ...}));
//
// Runs without a queued answer leave registers and ResultValue as they are. A failed run
// behaves as the control's: RunFailed, ResultValue empty, then OnError.
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "vism/VisM.h"

struct FakeAnswer {
    // ResultValue after the run; unchanged when absent. A failed run has none.
    std::optional<TVariant> result = std::nullopt;
    // Registers the run leaves (index 0 to 9).
    std::map<int, TVariant> registers = {};
    // When not empty the run fails: the registers above are stored, ResultValue is
    // emptied, ErrorName becomes this and OnError fires.
    std::string error = {};
    // Runs inside the execution, before the answer is stored (re-entrance, side effects).
    std::function<void()> during = nullptr;
};

class FakeVisM : public TVisM {
public:
    explicit FakeVisM(TComponent* AOwner = nullptr) : TVisM(AOwner) {}

    // Queues the answer of the next run that has none yet.
    FakeVisM& Answer(FakeAnswer Answer);
    // Same, and that run must execute exactly Code; a different Code fails the test.
    FakeVisM& Expect(const std::string& Code, FakeAnswer Answer = {});

    // Property writes and failures in order: "P0=...", "Code=...", "ExecFlag=1",
    // "NameSpace=...", "ResultValue=...", "Error=...". Register values read as text.
    const std::vector<std::string>& Log() const { return log_; }
    // The Code of every run, in order.
    const std::vector<std::string>& Runs() const { return runs_; }
    // Queued answers no run has used.
    int PendingAnswers() const { return static_cast<int>(script_.size()); }
    void ClearLog();

    void SetCode(const std::string& Value) override;
    void SetExecFlag(int Value) override;
    void SetNameSpace(const std::string& Value) override;
    void SetP(int Index, const TVariant& Value) override;
    void SetResultValue(const TVariant& Value) override;

protected:
    void Execute() override;

private:
    struct Scripted {
        std::optional<std::string> code;
        FakeAnswer answer;
    };

    std::deque<Scripted> script_;
    std::vector<std::string> log_;
    std::vector<std::string> runs_;
};
