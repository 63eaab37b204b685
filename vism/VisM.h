#pragma once
// The M server control: registers P0-P9, the M text in Code, and a write of 1 to ExecFlag
// that runs the text on the control's own server process in the control's namespace.
//
// The one execution sequence every caller follows:
//   1. write the input registers, 2. write Code, 3. SetExecFlag(1) (returns when the
//   server has finished), 4. read registers and ResultValue.
// Running the same text again is step 3 alone.
//
// Each control has its own GT.M server process, started at its first run and ended with
// the control (or when NameSpace or ServerSettings change). A Code beginning with "$$"
// is an extrinsic function whose value becomes ResultValue (a command line leaves
// ResultValue alone); spaces around "=" are taken as Caché takes them ("S P1 = $h").
// The registers are the code's locals P0 to P9 (an empty register is the empty text)
// and come back as the run left them, as text (a number as its canonical M text), or
// empty when the code killed them. No other local survives a run; M LOCKs do, until
// released or the server ends. An M error, or a server that died, fires OnError with
// ErrorName set (GT.M's mnemonic and text, e.g. "%GTM-E-UNDEF, Undefined local variable:
// X"); either way the next run works (on a fresh server if needed).
//
// A failed run gives no answer: RunFailed is True and ResultValue empty (already when
// OnError fires), and the registers hold no answer either (after an M error what the code
// left in them, after a lost server what was written). A caller that reads an answer
// asks RunFailed first; the binding library's runs raise EMRunFailed (mbind/MText.h).
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "toolkit/Classes.h"
#include "toolkit/Variant.h"
#include "vism/MServerSettings.h"

class TMServerConnection;

class TVisM : public TComponent {
public:
    explicit TVisM(TComponent* AOwner);
    ~TVisM() override;

    static constexpr int RegisterCount = 10;

    // Property writes are virtual so a test double can record them in order.
    const std::string& Code() const { return code_; }
    virtual void SetCode(const std::string& Value);
    int ExecFlag() const { return execFlag_; }
    virtual void SetExecFlag(int Value);
    const std::string& NameSpace() const { return nameSpace_; }
    virtual void SetNameSpace(const std::string& Value);
    const std::string& ErrorName() const { return errorName_; }
    const TVariant& P(int Index) const;
    virtual void SetP(int Index, const TVariant& Value);
    const TVariant& ResultValue() const { return resultValue_; }
    virtual void SetResultValue(const TVariant& Value);
    // True when the last run failed; the next run clears it.
    bool RunFailed() const { return runFailed_; }

    const TVariant& P0() const { return P(0); }
    const TVariant& P1() const { return P(1); }
    const TVariant& P2() const { return P(2); }
    const TVariant& P3() const { return P(3); }
    const TVariant& P4() const { return P(4); }
    const TVariant& P5() const { return P(5); }
    const TVariant& P6() const { return P(6); }
    const TVariant& P7() const { return P(7); }
    const TVariant& P8() const { return P(8); }
    const TVariant& P9() const { return P(9); }
    void SetP0(const TVariant& V) { SetP(0, V); }
    void SetP1(const TVariant& V) { SetP(1, V); }
    void SetP2(const TVariant& V) { SetP(2, V); }
    void SetP3(const TVariant& V) { SetP(3, V); }
    void SetP4(const TVariant& V) { SetP(4, V); }
    void SetP5(const TVariant& V) { SetP(5, V); }
    void SetP6(const TVariant& V) { SetP(6, V); }
    void SetP7(const TVariant& V) { SetP(7, V); }
    void SetP8(const TVariant& V) { SetP(8, V); }
    void SetP9(const TVariant& V) { SetP(9, V); }

    // Where the server finds GT.M, databases, the settings file and routines: from the
    // environment at construction (see TMServerSettings); tests point it at their own.
    const TMServerSettings& ServerSettings() const { return serverSettings_; }
    void SetServerSettings(const TMServerSettings& Value);
    // The running server's process id, 0 while none runs.
    int ServerProcessId() const;

    std::function<void(TObject* Sender)> OnExecuted;
    std::function<void(TObject* Sender)> OnError;

protected:
    // Runs Code on the server with the registers; fills registers, ResultValue and, on
    // failure, ErrorName before firing OnError. The test double answers from a script.
    virtual void Execute();

    // For Execute and its overrides: store results without counting as property writes.
    void StoreRegister(int Index, TVariant Value);
    void StoreResult(TVariant Value) { resultValue_ = std::move(Value); }
    // The run failed: no answer, then ErrorName := Name and OnError.
    void ReportError(const std::string& Name);

private:
    std::string code_;
    int execFlag_ = 0;
    std::string nameSpace_;
    std::string errorName_;
    std::array<TVariant, RegisterCount> registers_{};
    TVariant resultValue_;
    bool runFailed_ = false;
    TMServerSettings serverSettings_;
    std::unique_ptr<TMServerConnection> connection_;
};
