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
// A value that holds a separator of the piece it is written to would shift the record's
// later pieces, so it never gets there. A control whose typed text goes into the record as
// it stands (TypedTextIsValue) refuses such a separator as the user types or pastes it
// (toolkit/InputRefusal.h); a value set by code is refused, with a beep, when it would be
// written: on a change the control shows the stored value again, on exit the exit stops
// as for a value the check refuses.
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
#include "toolkit/InputRefusal.h"

class TBoundControl : public IBoundControl, public IRefusedInput {
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

    // What the user may not type into the control: the separators of the piece it
    // writes, while its typed text is its value.
    std::vector<std::string> RefusedInput() const override;

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
    // True when the text the user types goes into the control value as it stands.
    virtual bool TypedTextIsValue() const { return false; }
    // What the control value may not hold: the separators of the piece the control
    // writes; nothing when it writes no piece or has no global.
    std::vector<std::string> PieceSeparators() const;

    // The stored value by TipoCampo: a piece, a Campos item's Resultado, or a key.
    std::string ReadFromGlobal() const;
    // Writes Value by TipoCampo (a piece or a key; nothing for tcCampo). Nothing without
    // a global.
    void WriteToGlobal(const std::string& Value);
    // The write of a control that writes on every change. MarkPiece: PieceAtual is the
    // control's piece during the write, so the global does not redraw the control that
    // is being typed in. A value holding a separator of its piece is refused with a beep,
    // and the control shows the stored value again.
    void WriteOnChangeToGlobal(const std::string& Value, bool MarkPiece);
    // The block's exit steps after the control's own checks: with Write, a control value
    // holding a separator of its piece is refused with a beep (False: the caller puts the
    // focus back and stops); when Modified and a global is assigned, the global's check of
    // the control value (its message is shown by the global), whose refusal also returns
    // False. Otherwise, with Write, the control value is written by TipoCampo; then every
    // key registered with the control receives the control value. Returns True.
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
