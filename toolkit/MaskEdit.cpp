#include "toolkit/MaskEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QKeySequence>
#include <QScopedValueRollback>
#include <algorithm>

#include "toolkit/Dialogs.h"
#include "toolkit/Win1252.h"

const char* const kMaskEditErrorMessage = "Invalid input value. Use escape key to abandon changes";

namespace {

QChar ScreenChar(char C)
{
    return ToScreen(std::string(1, C)).at(0);
}

char ByteOf(QChar C)
{
    return FromScreen(QString(C)).at(0);
}

// C in the case Converted gives, or C itself when that letter has no Windows-1252 byte
// (upper-case "µ" is a Greek letter).
char InCase(char C, QChar Converted)
{
    return ScreenChar(ByteOf(Converted)) == Converted ? ByteOf(Converted) : C;
}

bool IsInputChar(char C)
{
    switch (C) {
    case '0': case '9': case '#': case 'L': case 'l': case 'A': case 'a': case 'C': case 'c': return true;
    default: return false;
    }
}

bool IsRequiredChar(char C)
{
    return C == '0' || C == 'L' || C == 'A' || C == 'C';
}

// Position of the ";" that ends the mask field ("\;" is a literal), or npos.
size_t MaskFieldEnd(const std::string& EditMask)
{
    for (size_t i = 0; i < EditMask.size(); ++i) {
        if (EditMask[i] == '\\')
            ++i;
        else if (EditMask[i] == ';')
            return i;
    }
    return std::string::npos;
}

// End of the run of input places that starts at Pos.
int RunEnd(const TMaskLayout& Mask, int Pos)
{
    while (Mask.IsInput(Pos))
        ++Pos;
    return Pos;
}

// EditText with the selection's input places emptied. A text shorter than the mask (set
// through the line edit's own interface, e.g. cleared) is first completed from the empty
// mask, so every place of the mask can be written.
std::string Cleared(const TMaskLayout& Mask, std::string EditText, int SelStart, int SelLength)
{
    if (static_cast<int>(EditText.size()) < Mask.Length())
        EditText += Mask.EmptyEditText().substr(EditText.size());
    const int end = std::min(SelStart + SelLength, Mask.Length());
    for (int pos = std::max(SelStart, 0); pos < end; ++pos)
        if (Mask.IsInput(pos))
            EditText[static_cast<size_t>(pos)] = Mask.Blank();
    return EditText;
}

// True when literals stand right before Pos (one of them C, when C is given).
bool SkippedLiteral(const TMaskLayout& Mask, int Pos, char C = '\0')
{
    for (int pos = Pos - 1; pos >= 0 && pos < Mask.Length() && !Mask.IsInput(pos); --pos)
        if (C == '\0' || Mask.Slot(pos).Char == C)
            return true;
    return false;
}

} // namespace

TMaskLayout::TMaskLayout(const std::string& EditMask)
{
    const size_t fieldEnd = MaskFieldEnd(EditMask);
    const std::string mask = EditMask.substr(0, fieldEnd);
    if (fieldEnd != std::string::npos) {
        const std::string rest = EditMask.substr(fieldEnd + 1);
        const size_t separator = rest.find(';');
        saveLiterals_ = rest.substr(0, separator) != "0";
        if (separator != std::string::npos && separator + 1 < rest.size())
            blank_ = rest[separator + 1];
    }

    TCase current = TCase::None;
    for (size_t i = 0; i < mask.size(); ++i) {
        const char c = mask[i];
        const char next = i + 1 < mask.size() ? mask[i + 1] : '\0';
        if (c == '\\' && i + 1 < mask.size()) {
            slots_.push_back({false, next, TCase::None});
            ++i;
        } else if (c == '!') {
            leadingBlanks_ = true;
        } else if ((c == '<' && next == '>') || (c == '>' && next == '<')) {
            current = TCase::None;
            ++i;
        } else if (c == '>') {
            current = TCase::Upper;
        } else if (c == '<') {
            current = TCase::Lower;
        } else if (IsInputChar(c)) {
            slots_.push_back({true, c, current});
        } else {
            slots_.push_back({false, c == '_' ? ' ' : c, TCase::None});
        }
    }
}

bool TMaskLayout::IsRequired(int Pos) const
{
    return IsInput(Pos) && IsRequiredChar(Slot(Pos).Char);
}

char TMaskLayout::Accept(int Pos, char C) const
{
    if (!IsInput(Pos) || static_cast<unsigned char>(C) < 32)
        return 0;
    const QChar ch = ScreenChar(C);
    bool takes = false;
    switch (Slot(Pos).Char) {
    case '0': case '9': takes = C >= '0' && C <= '9'; break;
    case '#': takes = (C >= '0' && C <= '9') || C == '+' || C == '-'; break;
    case 'L': case 'l': takes = ch.isLetter(); break;
    case 'A': case 'a': takes = ch.isLetter() || (C >= '0' && C <= '9'); break;
    default: takes = true; break; // C, c
    }
    if (!takes)
        return 0;
    switch (Slot(Pos).Case) {
    case TCase::Upper: return InCase(C, ch.toUpper());
    case TCase::Lower: return InCase(C, ch.toLower());
    case TCase::None: break;
    }
    return C;
}

int TMaskLayout::NextInput(int Pos) const
{
    for (int pos = std::max(Pos, 0); pos < Length(); ++pos)
        if (Slot(pos).Input)
            return pos;
    return -1;
}

int TMaskLayout::PreviousInput(int Pos) const
{
    for (int pos = std::min(Pos, Length()) - 1; pos >= 0; --pos)
        if (Slot(pos).Input)
            return pos;
    return -1;
}

int TMaskLayout::FindLiteral(int Pos, char C) const
{
    for (int pos = std::max(Pos, 0); pos < Length(); ++pos)
        if (!Slot(pos).Input && Slot(pos).Char == C)
            return pos;
    return -1;
}

std::string TMaskLayout::EmptyEditText() const
{
    std::string text;
    for (const TSlot& slot : slots_)
        text.push_back(slot.Input ? blank_ : slot.Char);
    return text;
}

std::string TMaskLayout::FormatText(const std::string& Value) const
{
    std::string text;
    size_t next = 0;
    int pos = 0;
    while (pos < Length()) {
        if (!Slot(pos).Input) {
            text.push_back(Slot(pos).Char);
            if (next < Value.size() && Value[next] == Slot(pos).Char)
                ++next;
            ++pos;
            continue;
        }
        const int end = RunEnd(*this, pos);
        const bool terminated = end < Length();
        std::string run;
        while (static_cast<int>(run.size()) < end - pos && next < Value.size() &&
               !(terminated && Value[next] == Slot(end).Char))
            run.push_back(Value[next++]);
        const std::string padding(static_cast<size_t>(end - pos) - run.size(), blank_);
        run = leadingBlanks_ ? padding + run : run + padding;
        for (int place = pos; place < end; ++place) {
            const char c = run[static_cast<size_t>(place - pos)];
            const char accepted = c == ' ' || c == blank_ ? 0 : Accept(place, c);
            text.push_back(accepted != 0 ? accepted : blank_);
        }
        pos = end;
    }
    return text;
}

std::string TMaskLayout::TextOf(const std::string& EditText) const
{
    auto at = [&EditText, this](int Pos) {
        return Pos < static_cast<int>(EditText.size()) ? EditText[static_cast<size_t>(Pos)] : blank_;
    };
    std::string text;
    int pos = 0;
    while (pos < Length()) {
        if (!Slot(pos).Input) {
            if (saveLiterals_)
                text.push_back(Slot(pos).Char);
            ++pos;
            continue;
        }
        const int end = RunEnd(*this, pos);
        std::string typed;
        for (int place = pos; place < end; ++place)
            if (at(place) != blank_)
                typed.push_back(at(place));
        const std::string blanks(static_cast<size_t>(end - pos) - typed.size(), ' ');
        text += leadingBlanks_ ? blanks + typed : typed + blanks;
        pos = end;
    }
    return text;
}

int TMaskLayout::FirstMissing(const std::string& EditText) const
{
    for (int pos = 0; pos < Length(); ++pos)
        if (IsRequired(pos) && (pos >= static_cast<int>(EditText.size()) || EditText[static_cast<size_t>(pos)] == blank_))
            return pos;
    return -1;
}

namespace MaskEditing {

TMaskEditResult TypeChar(const TMaskLayout& Mask, const std::string& EditText, int SelStart, int SelLength,
                         char C, bool AfterSkip)
{
    std::string text = Cleared(Mask, EditText, SelStart, SelLength);
    const int pos = SelStart;
    if (AfterSkip && SelLength == 0 && SkippedLiteral(Mask, pos, C))
        return {true, text, pos};
    if (pos < Mask.Length() && !Mask.IsInput(pos) && Mask.Slot(pos).Char == C)
        return {true, text, pos + 1};
    const int place = Mask.NextInput(pos);
    if (const char accepted = place >= 0 ? Mask.Accept(place, C) : 0; accepted != 0) {
        text[static_cast<size_t>(place)] = accepted;
        const int following = Mask.NextInput(place + 1);
        const int cursor = following >= 0 ? following : Mask.Length();
        return {true, text, cursor, SkippedLiteral(Mask, cursor)};
    }
    if (const int literal = Mask.FindLiteral(pos, C); literal >= 0)
        return {true, text, literal + 1};
    return {false, EditText, SelStart};
}

TMaskEditResult Backspace(const TMaskLayout& Mask, const std::string& EditText, int SelStart, int SelLength)
{
    if (SelLength > 0)
        return {true, Cleared(Mask, EditText, SelStart, SelLength), SelStart};
    const int place = Mask.PreviousInput(SelStart);
    if (place < 0)
        return {false, EditText, SelStart};
    return {true, Cleared(Mask, EditText, place, 1), place};
}

TMaskEditResult Delete(const TMaskLayout& Mask, const std::string& EditText, int SelStart, int SelLength)
{
    if (SelLength > 0)
        return {true, Cleared(Mask, EditText, SelStart, SelLength), SelStart};
    const int place = Mask.NextInput(SelStart);
    if (place < 0)
        return {false, EditText, SelStart};
    return {true, Cleared(Mask, EditText, place, 1), SelStart};
}

TMaskEditResult Paste(const TMaskLayout& Mask, const std::string& EditText, int SelStart, int SelLength,
                      const std::string& Value, bool AfterSkip)
{
    TMaskEditResult result{true, Cleared(Mask, EditText, SelStart, SelLength), SelStart,
                           AfterSkip && SelLength == 0};
    for (char c : Value) {
        const TMaskEditResult typed = TypeChar(Mask, result.EditText, result.Cursor, 0, c, result.SkippedLiterals);
        if (typed.Accepted)
            result = typed;
    }
    return result;
}

} // namespace MaskEditing

TCustomMaskEdit::TCustomMaskEdit(TComponent* AOwner, QWidget* Parent) : TCustomEdit(AOwner, Parent)
{
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (!applying_ && IsMasked())
            FitUserEdit();
    });
}

void TCustomMaskEdit::SetEditMask(const std::string& Value)
{
    const std::string text = Text();
    editMask_ = Value;
    layout_ = TMaskLayout(Value);
    if (IsMasked()) {
        ApplyMaxLength(layout_.Length());
        ShowEditText(layout_.FormatText(text));
    } else {
        TCustomEdit::SetText(text);
    }
}

std::string TCustomMaskEdit::EditText() const
{
    return TCustomEdit::Text();
}

void TCustomMaskEdit::SetEditText(const std::string& Value)
{
    if (!IsMasked()) {
        TCustomEdit::SetText(Value);
        return;
    }
    // EditText is positional: each place keeps what stands at it, when the place takes it.
    std::string text = layout_.EmptyEditText();
    for (int pos = 0; pos < layout_.Length() && pos < static_cast<int>(Value.size()); ++pos) {
        const char c = Value[static_cast<size_t>(pos)];
        if (layout_.IsInput(pos) && c != layout_.Blank() && layout_.Accept(pos, c) != 0)
            text[static_cast<size_t>(pos)] = layout_.Accept(pos, c);
    }
    ShowEditText(text);
}

std::string TCustomMaskEdit::Text() const
{
    return IsMasked() ? layout_.TextOf(EditText()) : TCustomEdit::Text();
}

void TCustomMaskEdit::SetText(const std::string& Value)
{
    if (!IsMasked()) {
        TCustomEdit::SetText(Value);
        return;
    }
    // The text already shown is no write, although its EditText may differ from the
    // formatted one: with "!" a run typed from its left holds its blanks at the end, and
    // re-showing it as formatted would move what was typed under the cursor.
    if (Value != Text())
        ShowEditText(layout_.FormatText(Value));
}

void TCustomMaskEdit::ShowEditText(const std::string& Value)
{
    const QString text = ToScreen(Value);
    if (text != this->text())
        setText(text);
}

void TCustomMaskEdit::ValidateEdit()
{
    if (!IsMasked() || !Modified())
        return;
    const int missing = layout_.FirstMissing(EditText());
    if (missing < 0)
        return;
    setFocus(Qt::OtherFocusReason);
    setCursorPosition(missing);
    MessageBeep();
    throw EDBEditError(kMaskEditErrorMessage);
}

void TCustomMaskEdit::DoEnter()
{
    oldValue_ = EditText();
    TCustomEdit::DoEnter();
}

void TCustomMaskEdit::ExitProcessing()
{
    ValidateEdit();
    TCustomEdit::ExitProcessing();
}

void TCustomMaskEdit::KeyDown(int& Key, Qt::KeyboardModifiers Shift)
{
    TCustomEdit::KeyDown(Key, Shift);
    if (Key == Qt::Key_Escape && IsMasked() && Modified()) {
        SetEditText(oldValue_);
        SetModified(false);
        Key = 0;
    }
}

void TCustomMaskEdit::KeyPress(char& Key)
{
    TCustomEdit::KeyPress(Key);
    if (!IsMasked() || Key == 0 || Key == kCharCopy || Key == kCharPaste || Key == kCharCut)
        return;
    TypeMasked(Key);
    Key = 0;
}

void TCustomMaskEdit::TypeMasked(char Key)
{
    if (ReadOnly())
        return;
    if (Key == kCharBackspace) {
        ApplyTyping(MaskEditing::Backspace(layout_, EditText(), SelStart(), SelLength()));
        return;
    }
    if (static_cast<unsigned char>(Key) < 32)
        return;
    const TMaskEditResult result =
        MaskEditing::TypeChar(layout_, EditText(), SelStart(), SelLength(), Key, AfterSkip());
    if (!result.Accepted)
        MessageBeep();
    ApplyTyping(result);
}

bool TCustomMaskEdit::AfterSkip() const
{
    return skippedTo_ >= 0 && SelStart() == skippedTo_ && SelLength() == 0 && EditText() == skippedText_;
}

void TCustomMaskEdit::HandleKey(QKeyEvent* Event)
{
    if (!IsMasked()) {
        TCustomEdit::HandleKey(Event);
        return;
    }
    if (Event->matches(QKeySequence::Delete)) {
        if (!ReadOnly())
            ApplyTyping(MaskEditing::Delete(layout_, EditText(), SelStart(), SelLength()));
    } else if (Event->matches(QKeySequence::Paste)) {
        PasteMasked();
    } else if (Event->matches(QKeySequence::Cut)) {
        CutMasked();
    } else if (Event->matches(QKeySequence::DeleteEndOfWord) || Event->matches(QKeySequence::DeleteStartOfWord) ||
               Event->matches(QKeySequence::DeleteEndOfLine) || Event->matches(QKeySequence::DeleteCompleteLine) ||
               Event->matches(QKeySequence::Undo) || Event->matches(QKeySequence::Redo) ||
               Event->matches(QKeySequence::Backspace)) {
        // Edits of Qt's own that would break the mask.
    } else {
        TCustomEdit::HandleKey(Event);
    }
}

void TCustomMaskEdit::HandleChar(QKeyEvent* Event, char Key, char Typed)
{
    if (!IsMasked() || Key == 0) {
        TCustomEdit::HandleChar(Event, Key, Typed);
        return;
    }
    if (Key == kCharCopy)
        copy();
    else if (Key == kCharPaste)
        PasteMasked();
    else if (Key == kCharCut)
        CutMasked();
}

void TCustomMaskEdit::PasteMasked()
{
    if (ReadOnly())
        return;
    const std::string value = FromScreen(QApplication::clipboard()->text());
    ApplyTyping(MaskEditing::Paste(layout_, EditText(), SelStart(), SelLength(), value, AfterSkip()));
}

void TCustomMaskEdit::CutMasked()
{
    if (SelLength() == 0)
        return;
    copy();
    if (!ReadOnly())
        ApplyTyping(MaskEditing::Delete(layout_, EditText(), SelStart(), SelLength()));
}

void TCustomMaskEdit::ApplyTyping(const TMaskEditResult& Result)
{
    if (!Result.Accepted)
        return;
    if (Result.EditText != EditText()) {
        const QScopedValueRollback<bool> applying(applying_, true);
        const int start = SelStart();
        const int length = SelLength();
        selectAll();
        insert(ToScreen(Result.EditText));
        if (EditText() != Result.EditText) {
            // Refused (toolkit/InputRefusal.h): the text stands, and so does the selection.
            setSelection(start, length);
            return;
        }
    }
    setCursorPosition(Result.Cursor);
    skippedTo_ = Result.SkippedLiterals ? Result.Cursor : -1;
    skippedText_ = Result.SkippedLiterals ? Result.EditText : std::string();
}

void TCustomMaskEdit::FitUserEdit()
{
    const int cursor = cursorPosition();
    const std::string fitted = layout_.FormatText(EditText());
    ApplyTyping({true, fitted, std::min(cursor, layout_.Length())});
}
