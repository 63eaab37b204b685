#pragma once
// TMComboBox: the library's combo box carrying the binding block, with a second list,
// Codigos, parallel to the items: item i shows a text and Codigos[i] holds the code that
// stands for it. The value goes to the global on exit, as the item text, the item index
// or the item's code (TipoValor).
//
// Codigos[i] stays the code of item i only while items are added through AddItem and
// removed through ClearItems.
#include <cstdint>
#include <memory>
#include <string>

#include "mbind/BoundControl.h"
#include "toolkit/ComboBox.h"
#include "toolkit/StringList.h"

// What the control value is.
enum TMComboBoxTipoValor : uint8_t {
    tvConteudo, // the combo's text
    tvIndece,   // the decimal text of the selected item's index
    tvCodigo,   // the selected item's code
};

// How AddItem builds an item's text from a value and a code.
enum TMComboBoxEstilo : uint8_t {
    teValor,       // the value
    teValorCodigo, // value, Separador, code
    teCodigoValor, // code, Separador, value
};

class TMComboBox : public TCustomComboBox, public TBoundControl {
public:
    explicit TMComboBox(TComponent* AOwner, QWidget* Parent = nullptr);
    ~TMComboBox() override;

    using TBoundControl::CanFocus;
    using TBoundControl::SetFocus;

    // Published, in stored order (Piece, Variavel, Limpar, MGlobal, TipoCampo, Obrigatorio
    // and NomeCampo come from the binding block).
    // The exit check runs only while it is set; only the form or the application sets it.
    bool Modified() const { return modified_; }
    void SetModified(bool Value) { modified_ = Value; }
    TMComboBoxTipoValor TipoValor() const { return tipoValor_; }
    void SetTipoValor(TMComboBoxTipoValor Value) { tipoValor_ = Value; }
    const std::string& Separador() const { return separador_; }
    void SetSeparador(const std::string& Value) { separador_ = Value; }
    TMComboBoxEstilo Estilo() const { return estilo_; }
    void SetEstilo(TMComboBoxEstilo Value) { estilo_ = Value; }
    TStringList* Codigos() const { return codigos_.get(); }
    // Copies Value into the owned list.
    void SetCodigos(const TStringList* Value) { codigos_->Assign(Value); }

    // Appends an item whose text is built by Estilo, and Codigo to Codigos. Nothing is
    // selected or written.
    void AddItem(const std::string& Valor, const std::string& Codigo);
    // The selected item's code; empty when nothing is selected.
    std::string SelectedCode() const;
    // Empties Codigos, then the items.
    virtual void ClearItems();
    // Index of the first code equal to Codigo without regard to letter case, or -1.
    int IndexOfCode(const std::string& Codigo) const;

protected:
    // The value checked and written on exit: with tvConteudo the text, also a typed one.
    std::string ControlValue() override;
    // The value pushed to keys: with tvConteudo empty while no item is selected.
    std::string KeyValue() override;
    void ShowValue(const std::string& Value) override;
    // With tvConteudo the typed text is the value.
    bool TypedTextIsValue() const override { return tipoValor_ == tvConteudo; }

    void DoExit() override { ValidateOnExit(); }
    // The global's check while Modified: a refusal keeps the focus and selects the text,
    // and OnExit does not fire. Then the value is written by TipoCampo, every key
    // registered with the combo receives it, and OnExit fires.
    void ValidateOnExit();

private:
    bool modified_ = false;
    TMComboBoxTipoValor tipoValor_ = tvConteudo;
    std::string separador_;
    TMComboBoxEstilo estilo_ = teValor;
    std::unique_ptr<TStringList> codigos_;
};
