#pragma once
// TEdMesAno: a masked edit for a month of a year, carrying the binding block.
//
// The screen shows MM/YYYY. The value is given in two forms: MesAno (month then year) and
// AnoMes (year then month, which sorts in time order), each with a four- or two-digit
// year by TipoAno; Tipo says which form the global stores. Typing H fills in the current
// month. The value is written to the global on exit.
//
// Two-digit years are widened by one rule: "0x" is 20x, any other 19xx; a missing year is
// the current year's last two digits, widened the same way.
#include <cstdint>
#include <string>

#include "mbind/BoundDateEdit.h"

enum TTipoAno : uint8_t { ta4digitos, ta2Digitos };
enum TTipo : uint8_t { ttAnoMes, ttMesAno };

class TEdMesAno : public TBoundDateEdit {
public:
    explicit TEdMesAno(TComponent* AOwner, QWidget* Parent = nullptr);
    ~TEdMesAno() override;

    // Published, in stored order (Variavel, Piece, Limpar, MGlobal, TipoCampo,
    // Obrigatorio and NomeCampo come from the binding block).
    // An empty control may be left (and is written as the empty text).
    bool Nulo() const { return nulo_; }
    void SetNulo(bool Value) { nulo_ = Value; }
    // MMYYYY or MMYY by TipoAno. Reading tidies the screen's text (see Normalise) and
    // shows it again; writing shows month/year of a value given month first.
    std::string MesAno();
    void SetMesAno(const std::string& Value);
    // YYYYMM or YYMM by TipoAno; reading tidies and shows the text as MesAno does.
    std::string AnoMes();
    void SetAnoMes(const std::string& Value);
    // Limits in the AnoMes form, compared as texts; empty means none.
    const std::string& AnoMesMin() const { return anoMesMin_; }
    void SetAnoMesMin(const std::string& Value) { anoMesMin_ = Value; }
    const std::string& AnoMesMax() const { return anoMesMax_; }
    void SetAnoMesMax(const std::string& Value) { anoMesMax_ = Value; }
    TTipoAno TipoAno() const { return tipoAno_; }
    void SetTipoAno(TTipoAno Value) { tipoAno_ = Value; }
    // The form stored in the global: AnoMes (ttAnoMes) or MesAno (ttMesAno).
    TTipo Tipo() const { return tipo_; }
    void SetTipo(TTipo Value) { tipo_ = Value; }
    // OnMaximo and OnMinimo (fired instead of the limit messages) come from the base.

    // The clean-up of a typed month/year: blanks removed, a lone "/" dropped, a one-digit
    // month and then a one-digit year given a leading "0" ("3/5" is "03/05").
    static std::string Normalise(const std::string& Text);

protected:
    std::string ControlValue() override { return tipo_ == ttAnoMes ? AnoMes() : MesAno(); }
    void ShowValue(const std::string& Value) override;

    // H fills in the current month and "/" tidies the text; then the mask's processing
    // (OnKeyPress), which consumes every character but Ctrl+C, Ctrl+V and Ctrl+X; only
    // those start the global's edit.
    void KeyPress(char& Key) override;

    // The text is tidied and shown with a full year; a month outside 1 to 12 ("Mes/Ano
    // Inválido", unless the control is empty and Nulo) or an AnoMes outside the limits
    // (the event or the message) keeps the focus; then the global's check when the user
    // changed the text, the write, the keys, and OnExit.
    void ValidateOnExit() override;

private:
    // The screen's text tidied, shown again and returned.
    std::string ShowNormalised();
    // Month and year shown as month/year, the year filled in and widened.
    void ShowMonthYear(const std::string& Month, const std::string& Year);

    bool nulo_ = false;
    std::string anoMesMin_;
    std::string anoMesMax_;
    TTipoAno tipoAno_ = ta4digitos;
    TTipo tipo_ = ttAnoMes;
};
