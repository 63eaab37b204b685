#pragma once
// TMRadioGroup: the library's radio group carrying the binding block. Its value is the
// selected button's code from Codigos, a list parallel to the buttons, or the decimal text
// of the selected index (TipoValor). It checks and writes its value at every exit (the
// group has no modified flag).
#include <cstdint>
#include <memory>
#include <string>

#include "mbind/BoundControl.h"
#include "toolkit/RadioGroup.h"
#include "toolkit/StringList.h"

// What the control value is.
enum TMRadioGroupTipoValor : uint8_t {
    trvCodigo, // the selected button's code; empty while none is selected
    trvIndece, // the decimal text of the selected index; "-1" while none is selected
};

// Stored with the form; nothing reads it.
enum TMRadioGroupEstilo : uint8_t { treValor, treValorCodigo, treCodigoValor };

class TMRadioGroup : public TCustomRadioGroup, public TBoundControl {
public:
    explicit TMRadioGroup(TComponent* AOwner, QWidget* Parent = nullptr);
    ~TMRadioGroup() override;

    using TBoundControl::CanFocus;

    // Published, in stored order: Piece, Variavel, Limpar (binding block), TipoValor,
    // MGlobal, TipoCampo (binding block), Separador, Estilo, Codigos, Obrigatorio,
    // NomeCampo (binding block).
    TMRadioGroupTipoValor TipoValor() const { return tipoValor_; }
    void SetTipoValor(TMRadioGroupTipoValor Value) { tipoValor_ = Value; }
    // Stored with the form; nothing reads them.
    const std::string& Separador() const { return separador_; }
    void SetSeparador(const std::string& Value) { separador_ = Value; }
    TMRadioGroupEstilo Estilo() const { return estilo_; }
    void SetEstilo(TMRadioGroupEstilo Value) { estilo_ = Value; }
    // Codigos[i] is the code of button i.
    TStringList* Codigos() const { return codigos_.get(); }
    // Copies Value into the owned list.
    void SetCodigos(const TStringList* Value) { codigos_->Assign(Value); }

    // The focus goes to the tab-stop button: the selected one, else the first.
    void SetFocus() override { TCustomRadioGroup::SetFocus(); }

protected:
    // With trvCodigo, Codigos[ItemIndex] (a selection beyond Codigos raises the list's
    // index error).
    std::string ControlValue() override;
    // trvCodigo: the first code equal to Value without regard to letter case; trvIndece:
    // Value as a decimal integer. Anything else selects nothing.
    void ShowValue(const std::string& Value) override;

    void DoEnter() override { EnterStep(); }
    void DoExit() override { ValidateOnExit(); }

    // OnEnter, then the focus goes to the tab-stop button (unless a click brought it).
    void EnterStep();
    // The global's check of the value: a refusal keeps the focus in the group, and OnExit
    // does not fire. Then the value is written by TipoCampo, every key registered with the
    // group receives it, and OnExit fires.
    void ValidateOnExit();

private:
    TMRadioGroupTipoValor tipoValor_ = trvCodigo;
    std::string separador_;
    TMRadioGroupEstilo estilo_ = treValor;
    std::unique_ptr<TStringList> codigos_;
};
