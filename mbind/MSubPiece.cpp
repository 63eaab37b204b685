#include "mbind/MSubPiece.h"

#include "toolkit/Dialogs.h"
#include "toolkit/InputRefusal.h"

TMSubPiece::TMSubPiece(TComponent* AOwner)
    : TMGlobalBase(AOwner), link_(std::make_unique<TMGlobalLink>(this, [this] { RefreshFromGlobal(); }))
{
}

TMSubPiece::~TMSubPiece()
{
    link_.reset();
}

void TMSubPiece::RefreshFromGlobal()
{
    TMGlobalBase* master = MGlobal();
    if (master == nullptr)
        return;
    {
        const TEdicaoBracket bracket(master);
        SetData(master->GetValor(tipoCampo_, piece_));
    }
    NotificarLinks();
}

void TMSubPiece::SetData(const std::string& Value)
{
    if (!Refreshing() && HoldsAnyOf(Value, RecordSeparators())) {
        MessageBeep();
        return;
    }
    TMGlobalBase::SetData(Value);
    if (TMGlobalBase* master = MGlobal())
        master->SetValor(tipoCampo_, piece_, Dados());
}

std::vector<std::string> TMSubPiece::RecordSeparators() const
{
    TMGlobalBase* master = MGlobal();
    if (master == nullptr || tipoCampo_ != tcPiece)
        return {};
    return master->PieceSeparators();
}

bool TMSubPiece::Refreshing() const
{
    return TMGlobalBase::Refreshing() || (MGlobal() != nullptr && MGlobal()->Refreshing());
}
