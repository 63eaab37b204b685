#pragma once
// TEDData: a masked edit for a date, carrying the binding block.
//
// The screen shows the date under a date mask in the order of the short date format
// (day/month/year, month/day/year or year/month/day), always with a four-digit year and
// "/", and reads it back in that order, so that showing a stored date and leaving the
// field never changes it; the global, its check and the keys get DataM, the date as an M
// day number (1 January 2000 is "58074"). An empty date is shown by Tipo: an empty mask
// (tdNormal), "Início" (tdInicio, a range start, given as the empty text) or "Final"
// (tdFinal, a range end, given as "999999"). Typing H fills in today. The value is
// written to the global on exit.
//
// The screen text is what counts: reading DataM (and so the exit check, the write and key
// pushes) re-reads the text and shows the date again in its normal form.
#include <cstdint>
#include <string>

#include "mbind/BoundDateEdit.h"

enum TEDTipoData : uint8_t { tdNormal, tdInicio, tdFinal };

class TEDData : public TBoundDateEdit {
public:
    explicit TEDData(TComponent* AOwner, QWidget* Parent = nullptr);
    ~TEDData() override;

    // Published, in stored order (Variavel, Piece, Limpar, MGlobal, TipoCampo,
    // Obrigatorio and NomeCampo come from the binding block).
    // With tdNormal, an empty date reads as the empty text instead of "0".
    bool Nulo() const { return nulo_; }
    void SetNulo(bool Value) { nulo_ = Value; }
    // Day first (dd/mm/yyyy) whatever the short date format. Writing it sets the date mask
    // again.
    bool Century() const { return century_; }
    void SetCentury(bool Value);
    TEDTipoData Tipo() const { return tipo_; }
    void SetTipo(TEDTipoData Value) { tipo_ = Value; }
    // The day number of the screen's date: "0" for a text that is no date, and for an
    // empty date the empty form of Tipo ("", "0" or "999999"). Reading shows the date
    // again; writing shows the day number's date, or the empty form of Tipo for "", "0"
    // and "999999".
    std::string DataM();
    void SetDataM(const std::string& Value);
    // Limits as day number texts, compared as texts; empty means none.
    const std::string& DataMin() const { return dataMin_; }
    void SetDataMin(const std::string& Value) { dataMin_ = Value; }
    const std::string& DataMax() const { return dataMax_; }
    void SetDataMax(const std::string& Value) { dataMax_ = Value; }
    // OnMaximo and OnMinimo (fired instead of the limit messages) come from the base.

protected:
    std::string ControlValue() override { return DataM(); }
    void ShowValue(const std::string& Value) override { SetDataM(Value); }

    // The date is shown again in its normal form, then OnEnter.
    void DoEnter() override;
    // Nothing at all while read-only. "Início" and "Final" give way to the date mask; H
    // fills in today; any other key starts the global's edit. Then the mask's processing
    // (OnKeyPress).
    void KeyPress(char& Key) override;

    // A text that is no date ("Data Inválida") or a day number outside the limits (the
    // event or the message) keeps the focus; then the global's check when the user
    // changed the text, the write, the keys, and OnExit.
    void ValidateOnExit() override;

private:
    // The date mask of the edit's order ("!99/99/9999;1;_", or "!9999/99/99;1;_" year first).
    void SetDateMask();
    // Today as the edit writes it.
    std::string Today() const;
    // Reads the screen's date text in the edit's order, blanks removed: a missing month (or
    // month 0) is this month, a missing year this year, a two-digit year is widened.
    // False when it is no date.
    bool ReadDate(const std::string& Text, int64_t& DayNumber) const;

    bool nulo_ = false;
    bool century_ = false;
    TEDTipoData tipo_ = tdNormal;
    std::string dataM_;
    std::string dataMin_;
    std::string dataMax_;
};
