#include "mbind/MSubPiece.h"

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
    TMGlobalBase::SetData(Value);
    if (TMGlobalBase* master = MGlobal())
        master->SetValor(tipoCampo_, piece_, Dados());
}
