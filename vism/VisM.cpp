#include "vism/VisM.h"

#include "vism/MCodeDialect.h"
#include "vism/MCodeLiterals.h"
#include "vism/MServerConnection.h"
#include "vism/MServerError.h"
#include "vism/MServerStart.h"

TVisM::TVisM(TComponent* AOwner) : TComponent(AOwner), serverSettings_(TMServerSettings::FromEnvironment())
{
}

TVisM::~TVisM() = default;

void TVisM::SetCode(const std::string& Value)
{
    code_ = Value;
}

void TVisM::SetExecFlag(int Value)
{
    execFlag_ = Value;
    if (Value != 1)
        return;
    runFailed_ = false;
    Execute();
}

void TVisM::SetNameSpace(const std::string& Value)
{
    if (Value != nameSpace_)
        connection_.reset();
    nameSpace_ = Value;
}

const TVariant& TVisM::P(int Index) const
{
    return registers_.at(static_cast<size_t>(Index));
}

void TVisM::SetP(int Index, const TVariant& Value)
{
    registers_.at(static_cast<size_t>(Index)) = Value;
}

void TVisM::SetResultValue(const TVariant& Value)
{
    resultValue_ = Value;
}

void TVisM::SetServerSettings(const TMServerSettings& Value)
{
    connection_.reset();
    serverSettings_ = Value;
}

int TVisM::ServerProcessId() const
{
    return connection_ ? connection_->ProcessId() : 0;
}

void TVisM::StoreRegister(int Index, TVariant Value)
{
    registers_.at(static_cast<size_t>(Index)) = std::move(Value);
}

void TVisM::ReportError(const std::string& Name)
{
    runFailed_ = true;
    resultValue_ = TVariant();
    errorName_ = Name;
    if (OnError)
        OnError(this);
}

void TVisM::Execute()
{
    errorName_.clear();
    TMRequest request;
    request.Function = code_.rfind("$$", 0) == 0;
    auto code = LiftLongLiterals(WithoutSpacesAroundEquals(code_), MaxCodeLength);
    bool fits = code.has_value();
    if (code) {
        request.Code = std::move(code->Code);
        request.Literals = std::move(code->Literals);
    }
    for (const auto& literal : request.Literals)
        fits = fits && literal.size() <= MaxMStringLength;
    for (size_t i = 0; i < request.Registers.size(); ++i) {
        request.Registers[i] = registers_[i].AsString();
        fits = fits && request.Registers[i].size() <= MaxMStringLength;
    }
    if (!fits) {
        ReportError(Format("Code or a register is too long for the M server: a register or a string in the code "
                           "holds at most %zu bytes, and the code at most %zu bytes besides its strings",
                           MaxMStringLength, MaxCodeLength));
        return;
    }

    TMAnswer answer;
    try {
        if (!connection_)
            connection_ = StartMServer(serverSettings_, nameSpace_);
        answer = connection_->Run(request);
    } catch (const EMServer& E) {
        // A lost server is finished; the next run starts a fresh one.
        connection_.reset();
        ReportError(E.Message());
        return;
    }
    for (size_t i = 0; i < answer.Registers.size(); ++i)
        StoreRegister(static_cast<int>(i), answer.Registers[i] ? TVariant(*answer.Registers[i]) : TVariant());
    if (answer.Failed) {
        ReportError(answer.ErrorText);
        return;
    }
    if (request.Function)
        StoreResult(answer.Result ? TVariant(*answer.Result) : TVariant());
    if (OnExecuted)
        OnExecuted(this);
}
