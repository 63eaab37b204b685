#include "mbind/MGlobalLinks.h"

#include <algorithm>

#include "mbind/MGlobal.h"

TMGlobalLink::TMGlobalLink(TComponent* Dono, std::function<void()> OnMudaDados)
    : OnMudaDados(std::move(OnMudaDados)), dono_(Dono)
{
}

TMGlobalLink::~TMGlobalLink()
{
    SetGlobal(nullptr);
}

void TMGlobalLink::SetGlobal(TMGlobalBase* Value)
{
    if (Value == global_)
        return;
    if (global_ != nullptr)
        global_->RemoveLink(this);
    if (Value != nullptr)
        Value->AddLink(this);
}

TMControlLink::TMControlLink(TMGlobalChave* Chave) : chave_(Chave)
{
}

TMControlLink::~TMControlLink()
{
    SetControl(nullptr);
}

void TMControlLink::SetControl(TComponent* Value)
{
    if (Value == control_)
        return;
    if (auto* current = dynamic_cast<IBoundControl*>(control_))
        current->ListaControls()->Remover(this);
    if (auto* bound = dynamic_cast<IBoundControl*>(Value))
        bound->ListaControls()->Registrar(this, [bound](TMGlobalChave* Chave) { bound->PushKeyValue(Chave); });
}

TMGlobalBase* TMControlLink::GetGlobal() const
{
    return chave_->GetGlobal();
}

TListaControls::~TListaControls()
{
    while (!lista_.empty())
        Remover(lista_.back());
}

void TListaControls::Registrar(TMControlLink* Link, TOnMudaChave Callback)
{
    lista_.push_back(Link);
    Link->control_ = dono_;
    Link->OnMudaChave = std::move(Callback);
}

void TListaControls::Remover(TMControlLink* Link)
{
    Link->control_ = nullptr;
    lista_.erase(std::remove(lista_.begin(), lista_.end(), Link), lista_.end());
}

void TListaControls::Notificar(TMGlobalBase* Except)
{
    // Callbacks re-enter the core and may change the list: walk the links present at the
    // start, and stop early rather than read past a shortened list.
    const size_t count = lista_.size();
    for (size_t i = 0; i < count && i < lista_.size(); ++i) {
        TMControlLink* link = lista_[i];
        if (link->GetGlobal() != Except && link->OnMudaChave)
            link->OnMudaChave(link->Chave());
    }
}
