#pragma once
// The class library's masked edit: an edit whose text follows an edit mask.
//
// An edit mask has up to three fields separated by ";": the mask itself, whether the
// literals are saved in Text ("0": not saved; anything else or no field: saved) and the
// blank character shown for a position not yet typed ("_" when absent).
// In the mask:
//   0 digit, required      9 digit, optional      # digit, "+" or "-", optional
//   L letter, required     l letter, optional
//   A letter or digit, required                   a letter or digit, optional
//   C any character, required                     c any character, optional
//   >  what follows is turned to upper case, <  to lower case, <> neither
//   \  the next character stands as a literal
//   !  unfilled optional places stand in Text as leading blanks (else trailing)
//   _  a literal blank
//   any other character is a literal that stands in the text as it is.
//
// EditText is what the screen shows: literals and typed characters, the blank character
// where nothing is typed. Text is EditText with blanks for the blank character and, when
// the literals are not saved, without the literals.
#include <string>
#include <vector>

#include "toolkit/Edit.h"

// The mask's check on exit failed: a required place is empty.
class EDBEditError : public Exception {
public:
    using Exception::Exception;
};

// A parsed edit mask: one slot per character of EditText.
class TMaskLayout {
public:
    enum class TCase { None, Upper, Lower };
    struct TSlot {
        bool Input;   // a place for a typed character, else a literal
        char Char;    // the mask character of an input place, or the literal
        TCase Case;   // conversion of what is typed here
    };

    explicit TMaskLayout(const std::string& EditMask = "");

    bool IsMasked() const { return !slots_.empty(); }
    bool SaveLiterals() const { return saveLiterals_; }
    char Blank() const { return blank_; }
    bool LeadingBlanks() const { return leadingBlanks_; }
    int Length() const { return static_cast<int>(slots_.size()); }
    const TSlot& Slot(int Pos) const { return slots_.at(static_cast<size_t>(Pos)); }
    bool IsInput(int Pos) const { return Pos >= 0 && Pos < Length() && Slot(Pos).Input; }
    bool IsRequired(int Pos) const;

    // The character as it stands once typed at Pos (case applied), or 0 when Pos takes no
    // such character.
    char Accept(int Pos, char C) const;
    // First input place at or after Pos, or -1.
    int NextInput(int Pos) const;
    // Last input place before Pos, or -1.
    int PreviousInput(int Pos) const;
    // First literal C at or after Pos, or -1.
    int FindLiteral(int Pos, char C) const;

    // EditText with nothing typed.
    std::string EmptyEditText() const;
    // Fits a text (with or without the literals) into the mask: each run of input places
    // takes characters up to the literal that ends it; a run given fewer characters than
    // it has places is padded with blanks, before the characters with "!", after them
    // without. A blank or the blank character stands for an empty place; a character the
    // place does not take leaves it empty.
    std::string FormatText(const std::string& Value) const;
    // Text of an EditText (see the header comment; blanks of each run moved to its start
    // with "!", to its end without).
    std::string TextOf(const std::string& EditText) const;
    // First required place left empty, or -1.
    int FirstMissing(const std::string& EditText) const;

private:
    std::vector<TSlot> slots_;
    bool saveLiterals_ = true;
    char blank_ = '_';
    bool leadingBlanks_ = false;
};

// What a typing operation on EditText leaves: the new text and the cursor.
struct TMaskEditResult {
    bool Accepted;
    std::string EditText;
    int Cursor;
    // The cursor went on past literals after the typed place by itself.
    bool SkippedLiterals = false;
};

// The mask's editing rules, on EditText with the selection [SelStart, SelStart + SelLength).
// Typing overwrites; a selection is emptied first.
namespace MaskEditing {
// Types C: at the next input place that takes it (the cursor then moves past the literals
// that follow), or, when C is a literal ahead, the cursor jumps past that literal. Not
// accepted when neither applies (nothing changes). AfterSkip: the cursor stands where the
// last typing skipped literals to; one of those literals typed now is already in place
// and does nothing more ("15/7" under "99/99" is 15 and 7, as "1/7" is 1 and 7).
TMaskEditResult TypeChar(const TMaskLayout& Mask, const std::string& EditText, int SelStart, int SelLength,
                         char C, bool AfterSkip = false);
// Empties the selection, or the input place before the cursor.
TMaskEditResult Backspace(const TMaskLayout& Mask, const std::string& EditText, int SelStart, int SelLength);
// Empties the selection, or the input place at or after the cursor.
TMaskEditResult Delete(const TMaskLayout& Mask, const std::string& EditText, int SelStart, int SelLength);
// Types each character of Value in turn; characters that fit nowhere are skipped.
TMaskEditResult Paste(const TMaskLayout& Mask, const std::string& EditText, int SelStart, int SelLength,
                      const std::string& Value, bool AfterSkip = false);
} // namespace MaskEditing

class TCustomMaskEdit : public TCustomEdit {
public:
    explicit TCustomMaskEdit(TComponent* AOwner, QWidget* Parent = nullptr);

    const std::string& EditMask() const { return editMask_; }
    // The current Text is fitted into the new mask (or kept as it is without a mask).
    // Writes by code of the text that is already shown do nothing, as for the plain edit.
    void SetEditMask(const std::string& Value);
    bool IsMasked() const { return layout_.IsMasked(); }
    const TMaskLayout& Layout() const { return layout_; }

    // What the screen shows.
    std::string EditText() const;
    void SetEditText(const std::string& Value);
    // With a mask, Text follows the mask's rules (see TMaskLayout). Writing the Text that
    // is already shown changes nothing (the screen and the modified flag stay).
    std::string Text() const override;
    void SetText(const std::string& Value) override;
    // Checks the mask: focus back, cursor on the first empty required place, a beep and
    // EDBEditError when one is empty. Only a masked edit whose text the user changed.
    void ValidateEdit();

protected:
    // Remembers the text for Escape.
    void DoEnter() override;
    // ValidateEdit, then OnExit.
    void ExitProcessing() override;
    // Escape on a changed masked text puts back the text it had when the focus arrived.
    void KeyDown(int& Key, Qt::KeyboardModifiers Shift) override;
    // OnKeyPress, then the mask takes every character but Ctrl+C, Ctrl+V and Ctrl+X.
    void KeyPress(char& Key) override;
    void HandleKey(QKeyEvent* Event) override;
    void HandleChar(QKeyEvent* Event, char Key, char Typed) override;
    bool IgnoresMaxLength() const override { return IsMasked(); }

private:
    void TypeMasked(char Key);
    // The cursor stands where the last typing skipped literals to, with nothing changed since.
    bool AfterSkip() const;
    void PasteMasked();
    void CutMasked();
    // A write by code: nothing when the screen shows Value already.
    void ShowEditText(const std::string& Value);
    // Puts a typing result on the screen as the user's change (modified flag set).
    void ApplyTyping(const TMaskEditResult& Result);
    // Edits made by Qt itself (context menu, drag and drop) are fitted into the mask.
    void FitUserEdit();

    std::string editMask_;
    TMaskLayout layout_;
    std::string oldValue_;
    bool applying_ = false;
    // Where the last typing left the cursor past literals, and the text it left: -1 when
    // it skipped none.
    int skippedTo_ = -1;
    std::string skippedText_;
};

// The library's message for a masked text left incomplete.
extern const char* const kMaskEditErrorMessage;
