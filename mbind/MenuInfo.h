#pragma once
// The company holder of a window: answers the current company code, takes a new one,
// publishes it process-wide (InfoMenu) and re-applies it to every bound global and grid
// whose company key levels name this holder.
//
// Registration contract with the key levels (TMGlobalChave, the grid's key levels):
// - the `Menu_Info` writer calls Remover(global or grid) on the old holder and
//   Registrar(global or grid) on the new one, once per level, so duplicates are kept;
// - Registrar makes the holder and the component watch each other (FreeNotification):
//   a destroyed component leaves the holder's list by itself, and a destroyed holder
//   sends the component Notification(holder, opRemove). The component must then clear
//   every `Menu_Info` that names the holder directly, without calling Remover: the holder
//   is already half destroyed at that point.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/Classes.h"

class TVisM;

// What the holder needs of a bound grid on a company change; the grid implements it.
// A registered component that is a TMGlobal gets AplicarEmpresa and Append instead.
class TCompanyGrid {
public:
    // Fixes every key level that names a holder to that holder's company code.
    virtual void AplicarEmpresa() = 0;
    // Loads the rows again under the new company.
    virtual void Reload() = 0;

protected:
    ~TCompanyGrid() = default;
};

class TMenuInfo : public TComponent {
public:
    explicit TMenuInfo(TComponent* AOwner);
    ~TMenuInfo() override;

    // The code set last, or DefCODEMP while it is 0.
    int GetCodEmp() const;
    // Stores and publishes the code, fires OnMudaCodEmp and re-applies it to every
    // registered component, then focuses CampoFoco. The same code again notifies again.
    // A registered TMGlobal being edited first cancels its edit on its current node; when
    // the cancel is refused it keeps its company until the next change.
    void SetCodEmp(int Value);

    // Appends the component to the list (duplicates kept).
    void Registrar(TComponent* Component);
    // Deletes the first entry that holds the component.
    void Remover(TComponent* Component);
    // The registered components, in registration order.
    const std::vector<TComponent*>& Lista() const { return lista_; }

    // Published, in stored order.
    std::function<void(TObject* Sender)> OnMudaCodEmp;
    QWidget* CampoFoco() const { return campoFoco_; }
    void SetCampoFoco(QWidget* Value) { campoFoco_ = Value; }
    int DefCODEMP() const { return defCODEMP_; }
    void SetDefCODEMP(int Value) { defCODEMP_ = Value; }
    int DefCODIMP() const { return defCODIMP_; }
    void SetDefCODIMP(int Value) { defCODIMP_ = Value; }
    const std::string& ArquivoPadrao() const { return arquivoPadrao_; }
    void SetArquivoPadrao(const std::string& Value) { arquivoPadrao_ = Value; }
    const std::string& DefCONTA() const { return defCONTA_; }
    void SetDefCONTA(const std::string& Value) { defCONTA_ = Value; }
    // Not owned and not used by the holder; cleared when the control goes.
    TVisM* VisM() const { return visM_; }
    void SetVisM(TVisM* Value);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void PublicarEmpresa();
    void NotificarEmpresa();
    void FocarCampo();
    void StopWatchingIfUnused(TComponent* Component);

    int codEmp_ = 0;
    std::vector<TComponent*> lista_;
    QPointer<QWidget> campoFoco_;
    int defCODEMP_ = 0;
    int defCODIMP_ = 0;
    std::string defCONTA_;
    std::string arquivoPadrao_;
    TVisM* visM_ = nullptr;
};
