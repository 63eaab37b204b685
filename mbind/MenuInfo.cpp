#include "mbind/MenuInfo.h"

#include <algorithm>

#include "mbind/MGlobal.h"
#include "mbind/UDllMan.h"
#include "vism/VisM.h"

TMenuInfo::TMenuInfo(TComponent* AOwner) : TComponent(AOwner)
{
    if (InfoMenu != nullptr) {
        codEmp_ = InfoMenu->CodEmp;
        defCODEMP_ = 1;
        defCODIMP_ = 300;
    }
}

// The registered components are not told: each was told through the mutual free
// notification that TComponent's destructor sends after this.
TMenuInfo::~TMenuInfo() = default;

int TMenuInfo::GetCodEmp() const
{
    return codEmp_ != 0 ? codEmp_ : defCODEMP_;
}

void TMenuInfo::SetCodEmp(int Value)
{
    codEmp_ = Value;
    PublicarEmpresa();
    if (OnMudaCodEmp)
        OnMudaCodEmp(this);
    NotificarEmpresa();
}

void TMenuInfo::PublicarEmpresa()
{
    if (InfoMenu == nullptr)
        return;
    InfoMenu->CodEmp = codEmp_;
    if (QWidget* window = InfoMenu->JanelaAviso)
        SendWindowMessage(window, WM_MUDAEMPRESA, 0, 0);
}

void TMenuInfo::NotificarEmpresa()
{
    // Entries registered by a handler during the walk wait for the next change; entries
    // that leave during it end the walk early instead of being read past the end.
    const size_t count = lista_.size();
    for (size_t i = 0; i < count && i < lista_.size(); ++i) {
        TComponent* entry = lista_[i];
        if (auto* global = dynamic_cast<TMGlobal*>(entry)) {
            // A global being edited holds the server's lock on its current node: release
            // it while the keys still name that node. Re-fixing first would send the
            // cancel to the new company's node and leave the old one locked; and with the
            // cancel refused, a later post would write the edited record into the new
            // company's node. A refused cancel keeps the global on its company.
            if (global->Estado() == esEdicao && !global->CancelarEdicao())
                continue;
            global->AplicarEmpresa();
            global->Append();
        } else if (auto* grid = dynamic_cast<TCompanyGrid*>(entry)) {
            grid->AplicarEmpresa();
            grid->Reload();
        }
    }
    FocarCampo();
}

void TMenuInfo::FocarCampo()
{
    QWidget* field = campoFoco_;
    if (field != nullptr && field->isVisible() && field->isEnabled())
        field->setFocus();
}

void TMenuInfo::Registrar(TComponent* Component)
{
    lista_.push_back(Component);
    FreeNotification(Component);
}

void TMenuInfo::Remover(TComponent* Component)
{
    const auto found = std::find(lista_.begin(), lista_.end(), Component);
    if (found == lista_.end())
        return;
    lista_.erase(found);
    StopWatchingIfUnused(Component);
}

void TMenuInfo::SetVisM(TVisM* Value)
{
    if (Value == visM_)
        return;
    TComponent* old = visM_;
    visM_ = Value;
    if (old != nullptr)
        StopWatchingIfUnused(old);
    if (Value != nullptr)
        FreeNotification(Value);
}

void TMenuInfo::StopWatchingIfUnused(TComponent* Component)
{
    const bool listed = std::find(lista_.begin(), lista_.end(), Component) != lista_.end();
    if (!listed && Component != visM_)
        RemoveFreeNotification(Component);
}

void TMenuInfo::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove)
        return;
    lista_.erase(std::remove(lista_.begin(), lista_.end(), AComponent), lista_.end());
    if (AComponent == visM_)
        visM_ = nullptr;
}
