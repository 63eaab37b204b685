#pragma once
// TMMemo: the library's memo carrying the binding block. Its lines are stored as one M
// value with the lines joined by Separador (";" unless set), and it writes that value to
// the global on every change of the text, typed or set by code (a refresh's write-back is
// dropped by the global's Edicao bracket).
//
// Bound to a memory global (TMGloMem) on a piece that holds the whole text, with
// Separador equal to the master's, the memo edits a text of server line nodes.
//
// Every key reaches the memo as typed: it raises no OnKeyPress and keeps Enter whatever
// WantReturns says.
#include <string>

#include "mbind/BoundControl.h"
#include "toolkit/Memo.h"

class TMMemo : public TCustomMemo, public TBoundControl {
public:
    explicit TMMemo(TComponent* AOwner, QWidget* Parent = nullptr);
    ~TMMemo() override;

    // Published, in stored order: Variavel, Piece, Limpar, MGlobal, TipoCampo (binding
    // block), Separador, Obrigatorio, NomeCampo (binding block).
    // The text that stands for a line break in the stored value.
    const std::string& Separador() const { return separador_; }
    void SetSeparador(const std::string& Value) { separador_ = Value; }

    // Stored value to memo text: every Separador becomes CR LF (an empty Separador
    // changes nothing).
    std::string MToText(const std::string& Value) const;
    // Memo text to stored value: every CR LF becomes Separador (an empty Separador
    // removes the line breaks).
    std::string TextToM(const std::string& Text) const;

    // The key callback: a key of another global takes the memo's value as its Fixo only,
    // a key of the memo's own global as its current value only; then the key's global
    // re-reads.
    void PushKeyValue(TMGlobalChave* Chave) override;
    // The separators of the memo's piece, typed or brought in by a line break, which
    // becomes Separador: a line break is refused while Separador holds one of them.
    std::vector<std::string> RefusedInput() const override;

protected:
    std::string ControlValue() override { return TextToM(Text()); }
    void ShowValue(const std::string& Value) override { SetText(MToText(Value)); }
    bool TypedTextIsValue() const override { return true; }

    void Change() override { WriteOnChange(); }
    void DoExit() override { ValidateOnExit(); }
    void KeyPress(char& Key) override { FilterKey(Key); }

    // The stored form of the text goes to the global by TipoCampo, then the memo's change
    // processing (OnChange).
    void WriteOnChange();
    // The global's check when the user changed the text: a refusal keeps the focus and
    // selects the text, and OnExit does not fire (the refused text stays written). Then
    // every key registered with the memo receives the value, and OnExit fires.
    void ValidateOnExit();
    // Lets every key through unchanged, OnKeyPress unraised.
    void FilterKey(char& Key);

private:
    std::string separador_ = ";";
};
