#pragma once
// The binding block that every bound control carries (TMEdit, TEDButton, TEdValor,
// TEDData, TEdMesAno, TMComboBox, TMRadioGroup, TMMemo): the block's published
// properties, the owned data link to the global and the owned list of key links, the
// refresh from the global, the key push and the shared steps of the exit check.
//
// A bound control derives from its toolkit widget and from this class, this class second:
//   class TMEdit : public TCustomMaskEdit, public TBoundControl { ... };
// constructs it with itself twice (TBoundControl(this, this)), and gives the block its
// conversions: ControlValue (what it gives to the global, the check and the keys) and
// ShowValue (how it shows a stored value); KeyValue when keys get something else
// (TMComboBox), PushKeyValue when the push itself differs (TMMemo). RefreshFromGlobal is
// virtual and the link calls the most derived one.
//
// The control's exit step is built from the block's steps:
//   own checks (message or event, focus back, stop);
//   if (!CheckAndWrite(modified, writesOnExit)) { focus back [+ select all]; stop; }
//   the toolkit's exit processing (OnExit).
// Controls that write on every change call WriteOnChangeToGlobal from their change step
// and pass writesOnExit = false; a control without a modified flag passes True.
//
// Destruction: the link leaves its global first, then the key links registered with the
// control forget it (last to first); the widget goes after that, as the control's
// toolkit base is destroyed after this class.
//
// The published properties below keep the block's own order; each control stores them
// in its own order, which matters to nothing here.
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "mbind/MGlobal.h"

class TBoundControl : public IBoundControl {
public:
    TBoundControl(const TBoundControl&) = delete;
    TBoundControl& operator=(const TBoundControl&) = delete;

    // Published block. Writing MGlobal moves the link to the new global and shows
    // nothing; the control shows the global's value at its next notification.
    TMGlobalBase* MGlobal() const { return link_->Global(); }
    void SetMGlobal(TMGlobalBase* Value) { link_->SetGlobal(Value); }
    TTipoDeCampo TipoCampo() const override { return tipoCampo_; }
    void SetTipoCampo(TTipoDeCampo Value) { tipoCampo_ = Value; }
    uint8_t Piece() const override { return piece_; }
    void SetPiece(uint8_t Value) { piece_ = Value; }
    bool Obrigatorio() const override { return obrigatorio_; }
    void SetObrigatorio(bool Value) { obrigatorio_ = Value; }
    const std::string& NomeCampo() const override { return nomeCampo_; }
    void SetNomeCampo(const std::string& Value) { nomeCampo_ = Value; }
    // Stored with the form; nothing in the library reads them.
    const std::string& Variavel() const { return variavel_; }
    void SetVariavel(const std::string& Value) { variavel_ = Value; }
    bool Limpar() const { return limpar_; }
    void SetLimpar(bool Value) { limpar_ = Value; }

    TListaControls* ListaControls() override { return listaControls_.get(); }
    TMGlobalLink* Link() const { return link_.get(); }

    // The link callback: shows the global's value inside the global's Edicao bracket
    // (so the control's own write-back changes nothing), then gives it to the keys of
    // other globals registered with the control.
    virtual void RefreshFromGlobal();
    // The key callback: Chave takes KeyValue as its current value, and as its Fixo
    // when it belongs to another global; then Chave's global re-reads.
    void PushKeyValue(TMGlobalChave* Chave) override;

    bool CanFocus() const override;
    void SetFocus() override;
    void SetEnabled(bool Value) override;

protected:
    // Control: the control as a component (owner of the links); Widget: the control as
    // a screen control (focus and enabling).
    TBoundControl(TComponent* Control, QWidget* Widget);
    ~TBoundControl();

    // The control value: what the control gives to the global, its check and its keys.
    virtual std::string ControlValue() = 0;
    // Shows a stored value.
    virtual void ShowValue(const std::string& Value) = 0;
    // The value pushed to keys; the control value unless the control says otherwise.
    virtual std::string KeyValue() { return ControlValue(); }

    // The stored value by TipoCampo: a piece, a Campos item's Resultado, or a key.
    std::string ReadFromGlobal() const;
    // Writes Value by TipoCampo (a piece or a key; nothing for tcCampo). Nothing without
    // a global.
    void WriteToGlobal(const std::string& Value);
    // The write of a control that writes on every change. MarkPiece: PieceAtual is the
    // control's piece during the write, so the global does not redraw the control that
    // is being typed in.
    void WriteOnChangeToGlobal(const std::string& Value, bool MarkPiece);
    // The block's exit steps after the control's own checks: when Modified and a global
    // is assigned, the global's check of the control value (its message is shown by the
    // global); a refusal returns False, and the caller puts the focus back and stops.
    // Otherwise, with Write, the control value is written by TipoCampo; then every key
    // registered with the control receives the control value. Returns True.
    bool CheckAndWrite(bool Modified, bool Write);

private:
    QPointer<QWidget> widget_;
    // Declared in this order so that the link goes first on destruction.
    std::unique_ptr<TListaControls> listaControls_;
    std::unique_ptr<TMGlobalLink> link_;
    TTipoDeCampo tipoCampo_ = tcPiece;
    uint8_t piece_ = 0;
    bool obrigatorio_ = false;
    std::string nomeCampo_;
    std::string variavel_;
    bool limpar_ = true;
};
