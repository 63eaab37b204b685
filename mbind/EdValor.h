#pragma once
// TEdValor: a single-line edit for a decimal number, carrying the binding block.
//
// The number is held as a fixed-point value scaled by 10000 (Valor). The screen always
// shows "," before the decimals and, with Edita, "." between thousands, whatever the
// locale; the locale's decimal separator is used only in the number texts inside the
// conversions. The server gets ValorM: the digits with DecimaisM implied decimals and no
// separator (12,5 with three implied decimals is "12500").
//
// The screen text is what counts: reading Valor (and so ValorM, the exit check and key
// pushes) re-reads the text, cut to Decimais decimals; an unreadable text keeps the value
// held before. The value is written to the global on exit.
//
// The conversions work on at most 255 characters: longer texts are cut there.
#include <cstdint>
#include <string>

#include "mbind/BoundControl.h"
#include "toolkit/Edit.h"
#include "toolkit/Graphics.h"

class TEdValor : public TCustomEdit, public TBoundControl {
public:
    explicit TEdValor(TComponent* AOwner, QWidget* Parent = nullptr);
    ~TEdValor() override;

    using TBoundControl::CanFocus;
    using TBoundControl::SetFocus;

    // Published, in stored order (Variavel, Piece, Limpar, MGlobal, TipoCampo,
    // Obrigatorio and NomeCampo come from the binding block).
    // The number times 10000; reading re-reads the screen text.
    int64_t Valor();
    void SetValor(int64_t Value);
    // Limits times 10000; 0 means no limit.
    int64_t ValorMin() const { return valorMin_; }
    void SetValorMin(int64_t Value) { valorMin_ = Value; }
    int64_t ValorMax() const { return valorMax_; }
    void SetValorMax(int64_t Value) { valorMax_ = Value; }
    // Decimals shown on the screen.
    uint8_t Decimais() const { return decimais_; }
    void SetDecimais(uint8_t Value) { decimais_ = Value; }
    // Decimals implied in ValorM.
    uint8_t DecimaisM() const { return decimaisM_; }
    void SetDecimaisM(uint8_t Value) { decimaisM_ = Value; }
    // The M form: the digits (and a leading "-") of the screen's value written with
    // DecimaisM decimals; writing it converts it with DecimaisM and shows it.
    std::string ValorM();
    void SetValorM(const std::string& Value);
    // Group the integer digits by three with ".".
    bool Edita() const { return edita_; }
    void SetEdita(bool Value) { edita_ = Value; }
    // taLeftJustify, the default, puts the number at the right; taRightJustify at the left.
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment Value);
    // Fired instead of the limit messages.
    TNotifyEvent OnMaximo;
    TNotifyEvent OnMinimo;

    // Number text in the process's notation to screen text with N decimals: the fraction
    // is padded with "0" to N, never cut; no "," and no fraction with N = 0.
    std::string FormatDisplay(const std::string& S, uint8_t N) const;
    // Screen text to number text in the process's notation with exactly Decimais
    // decimals (cut, not rounded); the first "," is the decimal point, "." and every other
    // character but "-" and digits are dropped.
    std::string ParseDisplay(const std::string& S) const;

protected:
    std::string ControlValue() override { return ValorM(); }
    void ShowValue(const std::string& Value) override { SetValorM(Value); }

    void DoExit() override { ValidateOnExit(); }
    void KeyPress(char& Key) override { FilterKey(Key); }

    // OnExit first; then the value is shown again formatted, checked against the limits
    // (a failure fires OnMinimo / OnMaximo or shows the message and keeps the focus),
    // checked by the global when the user changed it, written and pushed to the keys.
    void ValidateOnExit();
    // OnKeyPress first; then only backspace, ",", "-", "." and digits get through.
    void FilterKey(char& Key);

private:
    // The screen text of a value: its number text formatted with Decimais.
    std::string DisplayOf(int64_t Value) const;
    // The limit check: the event or the message, and the focus back. False on failure.
    bool WithinLimits();

    int64_t valor_ = 0;
    int64_t valorMin_ = 0;
    int64_t valorMax_ = 0;
    uint8_t decimais_ = 0;
    uint8_t decimaisM_ = 0;
    bool edita_ = true;
    TAlignment alignment_ = taLeftJustify;
};
