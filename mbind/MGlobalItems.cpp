#include "mbind/MGlobalItems.h"

#include "mbind/MGlobal.h"
#include "mbind/MenuInfo.h"

void TGloCpo::Assign(const TPersistent* Source)
{
    const auto* source = dynamic_cast<const TGloCpo*>(Source);
    if (source == nullptr) {
        TCollectionItem::Assign(Source);
        return;
    }
    mCode_ = source->mCode_;
    resultado_ = source->resultado_;
    nome_ = source->nome_;
}

void TGloChek::Assign(const TPersistent* Source)
{
    const auto* source = dynamic_cast<const TGloChek*>(Source);
    if (source == nullptr) {
        TCollectionItem::Assign(Source);
        return;
    }
    piece_ = source->piece_;
    mCode_ = source->mCode_;
    nome_ = source->nome_;
    mensagens_ = source->mensagens_;
}

TMGlobalChave::TMGlobalChave(TCollection* Collection)
    : TKeyLevel(Collection), link_(std::make_unique<TMControlLink>(this))
{
}

TMGlobalChave::~TMGlobalChave()
{
    // The key link leaves its control's list first; a holder that still names this level
    // forgets the registration this level made.
    link_.reset();
    SetMenu_Info(nullptr);
}

TComponent* TMGlobalChave::Control() const
{
    return link_->Control();
}

void TMGlobalChave::SetControl(TComponent* Value)
{
    link_->SetControl(Value);
}

void TMGlobalChave::SetMenu_Info(TMenuInfo* Value)
{
    if (Value == menuInfo_)
        return;
    TMGlobalBase* global = GetGlobal();
    if (menuInfo_ != nullptr)
        menuInfo_->Remover(global);
    menuInfo_ = Value;
    if (Value != nullptr)
        Value->Registrar(global);
}

std::string TMGlobalChave::GetAtual() const
{
    return Fixo().empty() ? Atual() : Fixo();
}

TMGlobalBase* TMGlobalChave::GetGlobal() const
{
    return dynamic_cast<TMGlobalBase*>(Collection()->Owner());
}

void TMGlobalChave::Assign(const TPersistent* Source)
{
    if (const auto* source = dynamic_cast<const TMGlobalChave*>(Source))
        CopyLevel(*source);
    else
        TKeyLevel::Assign(Source);
}

TMGlobalCpos::TMGlobalCpos(TMGlobalBase* Owner) : TCollectionOf<TGloCpo>(Owner)
{
}

TMGlobalChecks::TMGlobalChecks(TMGlobalBase* Owner) : TCollectionOf<TGloChek>(Owner)
{
}

TMGlobalChaves::TMGlobalChaves(TMGlobalBase* Owner) : TCollectionOf<TMGlobalChave>(Owner)
{
}
