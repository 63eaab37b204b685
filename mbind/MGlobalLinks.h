#pragma once
// The links between bound globals and the components around them:
// - a data link (TMGlobalLink) is owned by a bound control or sub-binder and registered
//   with its global, which calls it back whenever its record changes;
// - a key link (TMControlLink) is owned by a key level and registered with the
//   TListaControls of the control that edits that key, which pushes its value through it.
// Either side may be destroyed first; both sides unregister, so nothing dangles.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/Classes.h"

class TMGlobalBase;
class TMGlobalChave;
class TListaControls;

// Where a bound control's value lives in its global.
enum TTipoDeCampo : uint8_t {
    tcPiece, // a piece of the record (Piece counted from 1)
    tcCampo, // the Resultado of Campos item Piece (from 0)
    tcChave, // key level Piece (from 0)
};

// What the binding core needs of a bound control (TMEdit, TEDButton, TEDData, TEdMesAno,
// TEdValor, TMComboBox, TMRadioGroup, TMMemo). A bound control is a TComponent that
// implements this; the core finds it with dynamic_cast from the component.
class IBoundControl {
public:
    // The binding block's properties.
    virtual TTipoDeCampo TipoCampo() const = 0;
    virtual uint8_t Piece() const = 0;
    virtual bool Obrigatorio() const = 0;
    // The name in the required-field message; the core uses the component's Name when empty.
    virtual const std::string& NomeCampo() const = 0;
    // The key links registered with this control.
    virtual TListaControls* ListaControls() = 0;
    // The key callback: the control's value becomes the value of Chave (and its Fixo when
    // Chave belongs to another global), then Chave's global re-reads.
    virtual void PushKeyValue(TMGlobalChave* Chave) = 0;

    // The control as a screen control.
    virtual bool CanFocus() const = 0;
    virtual void SetFocus() = 0;
    virtual void SetEnabled(bool Value) = 0;

protected:
    ~IBoundControl() = default;
};

// Data link of a bound control or sub-binder (its Dono) to a global.
class TMGlobalLink : public TPersistent {
public:
    // OnMudaDados: the owner's refresh from the global.
    TMGlobalLink(TComponent* Dono, std::function<void()> OnMudaDados);
    // Leaves its global.
    ~TMGlobalLink() override;
    TMGlobalLink(const TMGlobalLink&) = delete;
    TMGlobalLink& operator=(const TMGlobalLink&) = delete;

    TMGlobalBase* Global() const { return global_; }
    // Leaves the current global's links and joins Value's; nothing when unchanged.
    void SetGlobal(TMGlobalBase* Value);
    TComponent* Dono() const { return dono_; }

    std::function<void()> OnMudaDados;

private:
    friend class TMGlobalBase; // AddLink / RemoveLink keep Global in step
    TMGlobalBase* global_ = nullptr;
    TComponent* dono_;
};

using TOnMudaChave = std::function<void(TMGlobalChave* Chave)>;

// Key link of a key level (its Chave) to the control that edits it.
class TMControlLink : public TPersistent {
public:
    explicit TMControlLink(TMGlobalChave* Chave);
    // Leaves its control's list.
    ~TMControlLink() override;
    TMControlLink(const TMControlLink&) = delete;
    TMControlLink& operator=(const TMControlLink&) = delete;

    TMGlobalChave* Chave() const { return chave_; }
    TComponent* Control() const { return control_; }
    // Moves the link to Value's list; a component that is not a bound control is not
    // registered and Control stays empty.
    void SetControl(TComponent* Value);
    // The global of the link's key level.
    TMGlobalBase* GetGlobal() const;

    TOnMudaChave OnMudaChave;

private:
    friend class TListaControls; // Registrar / Remover keep Control in step
    TMGlobalChave* chave_;
    TComponent* control_ = nullptr;
};

// A bound control's list of the key links registered with it; owned by the control.
class TListaControls : public TPersistent {
public:
    explicit TListaControls(TComponent* Dono) : dono_(Dono) {}
    // Removes its links from the last to the first; each forgets the control.
    ~TListaControls() override;
    TListaControls(const TListaControls&) = delete;
    TListaControls& operator=(const TListaControls&) = delete;

    TComponent* Dono() const { return dono_; }
    const std::vector<TMControlLink*>& Lista() const { return lista_; }

    // Appends Link; its Control becomes Dono and its OnMudaChave Callback.
    void Registrar(TMControlLink* Link, TOnMudaChave Callback);
    // Link's Control becomes empty and it leaves the list.
    void Remover(TMControlLink* Link);
    // Calls every registered key link whose level's global is not Except (every one when
    // Except is null), over the links present when the walk starts.
    void Notificar(TMGlobalBase* Except);

private:
    TComponent* dono_;
    std::vector<TMControlLink*> lista_;
};
