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
    : TCollectionItem(Collection), link_(std::make_unique<TMControlLink>(this))
{
}

TMGlobalChave::~TMGlobalChave()
{
    // The key link leaves its control's list first; a holder that still names this level
    // forgets the registration this level made.
    link_.reset();
    SetMenu_Info(nullptr);
}

void TMGlobalChave::SetFixo(const std::string& Value)
{
    fixo_ = Value;
    inicio_ = Value;
    final_ = Value;
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

void TMGlobalChave::SetAtual(const std::string& Value)
{
    if (fixo_.empty())
        atual_ = Value;
}

std::string TMGlobalChave::GetAtual() const
{
    return fixo_.empty() ? atual_ : fixo_;
}

void TMGlobalChave::LimparAtual()
{
    atual_ = inicio_;
}

TMGlobalBase* TMGlobalChave::GetGlobal() const
{
    return dynamic_cast<TMGlobalBase*>(Collection()->Owner());
}

void TMGlobalChave::Assign(const TPersistent* Source)
{
    const auto* source = dynamic_cast<const TMGlobalChave*>(Source);
    if (source == nullptr) {
        TCollectionItem::Assign(Source);
        return;
    }
    Collection()->BeginUpdate();
    try {
        inicio_ = source->inicio_;
        final_ = source->final_;
        if (!source->fixo_.empty())
            SetFixo(source->fixo_);
        else
            fixo_.clear();
    } catch (...) {
        Collection()->EndUpdate();
        throw;
    }
    Collection()->EndUpdate();
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
