#include "vism/VisM.h"

#include <stdexcept>

#include "vism/MServerConnection.h"

TVisM::TVisM(TComponent* AOwner) : TComponent(AOwner)
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
    if (Value == 1)
        Execute();
}

void TVisM::SetNameSpace(const std::string& Value)
{
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

void TVisM::StoreRegister(int Index, TVariant Value)
{
    registers_.at(static_cast<size_t>(Index)) = std::move(Value);
}

void TVisM::ReportError(const std::string& Name)
{
    errorName_ = Name;
    if (OnError)
        OnError(this);
}

void TVisM::Execute()
{
    // Placeholder until the server connection lands: every run fails visibly.
    ReportError("no M server connection");
}
