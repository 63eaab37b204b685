#include "toolkit/Edit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <algorithm>

#include "toolkit/Application.h"
#include "toolkit/InputRefusal.h"
#include "toolkit/Win1252.h"

namespace {

constexpr int kQtUnlimited = 32767;

} // namespace

void RunGuarded(TObject* Sender, const std::function<void()>& Step)
{
    try {
        Step();
    } catch (...) {
        Application::HandleCurrentException(Sender);
    }
}

char KeyChar(const QKeyEvent* Event)
{
    const int key = Event->key();
    const auto modifiers = Event->modifiers();
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier))
        return key >= Qt::Key_A && key <= Qt::Key_Z ? static_cast<char>(key - Qt::Key_A + 1) : 0;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return kCharEnter;
    case Qt::Key_Backspace: return kCharBackspace;
    case Qt::Key_Escape: return kCharEscape;
    default: break;
    }
    const QString text = Event->text();
    if (text.size() != 1 || text.at(0).unicode() < 32 || text.at(0).unicode() == 127)
        return 0;
    return FromScreen(text).at(0);
}

TCustomEdit::TCustomEdit(TComponent* AOwner, QWidget* Parent) : QLineEdit(Parent), TComponent(AOwner)
{
    resize(121, 25);
    setMaxLength(kQtUnlimited);
    setValidator(new TRefusedInputValidator(this, this));
    connect(this, &QLineEdit::textChanged, this, [this] { RunGuarded(this, [this] { Change(); }); });
}

std::string TCustomEdit::Text() const
{
    return FromScreen(text());
}

void TCustomEdit::SetText(const std::string& Value)
{
    if (text() == ToScreen(Value))
        return; // the same text again is no write: the modified flag stays
    ApplyMaxLength(static_cast<int>(Value.size()));
    setText(ToScreen(Value));
}

void TCustomEdit::SetMaxLength(int Value)
{
    maxLength_ = std::max(Value, 0);
    ApplyMaxLength(static_cast<int>(text().size()));
}

void TCustomEdit::ApplyMaxLength(int TextLength)
{
    if (maxLength_ == 0 || IgnoresMaxLength())
        setMaxLength(kQtUnlimited);
    else
        setMaxLength(std::max(maxLength_, TextLength));
}

int TCustomEdit::SelStart() const
{
    return hasSelectedText() ? selectionStart() : cursorPosition();
}

int TCustomEdit::SelLength() const
{
    return hasSelectedText() ? static_cast<int>(selectedText().size()) : 0;
}

void TCustomEdit::SetSelLength(int Value)
{
    const int start = SelStart();
    if (Value <= 0)
        setCursorPosition(start);
    else
        setSelection(start, Value);
}

void TCustomEdit::Change()
{
    if (OnChange)
        OnChange(this);
}

void TCustomEdit::DoEnter()
{
    if (OnEnter)
        OnEnter(this);
}

void TCustomEdit::DoExit()
{
    ExitProcessing();
}

void TCustomEdit::ExitProcessing()
{
    if (OnExit)
        OnExit(this);
}

void TCustomEdit::KeyDown(int& Key, Qt::KeyboardModifiers Shift)
{
    if (OnKeyDown)
        OnKeyDown(this, Key, Shift);
}

void TCustomEdit::KeyPress(char& Key)
{
    if (OnKeyPress)
        OnKeyPress(this, Key);
}

void TCustomEdit::HandleKey(QKeyEvent* Event)
{
    QLineEdit::keyPressEvent(Event);
}

void TCustomEdit::HandleChar(QKeyEvent* Event, char Key, char Typed)
{
    if (Key == Typed) {
        QLineEdit::keyPressEvent(Event);
        return;
    }
    if (Key == 0) {
        // A dropped Enter still reaches the window (its default button), as it would
        // have before the edit saw it; anything else dropped ends here.
        if (Typed == kCharEnter)
            Event->ignore();
        return;
    }
    if (isReadOnly())
        return;
    if (Key == kCharBackspace)
        backspace();
    else if (static_cast<unsigned char>(Key) >= 32)
        insert(ToScreen(std::string(1, Key)));
}

void TCustomEdit::keyPressEvent(QKeyEvent* Event)
{
    Event->accept();
    RunGuarded(this, [this, Event] {
        int key = Event->key();
        KeyDown(key, Event->modifiers());
        if (key == 0)
            return;
        const char typed = KeyChar(Event);
        if (typed == 0) {
            HandleKey(Event);
            return;
        }
        char character = typed;
        KeyPress(character);
        HandleChar(Event, character, typed);
    });
}

void TCustomEdit::focusInEvent(QFocusEvent* Event)
{
    QLineEdit::focusInEvent(Event);
    if (focusSteps_.FocusIn())
        RunGuarded(this, [this] { DoEnter(); });
}

void TCustomEdit::focusOutEvent(QFocusEvent* Event)
{
    QLineEdit::focusOutEvent(Event);
    focusSteps_.FocusOut(Event, false, [this] { RunGuarded(this, [this] { DoExit(); }); });
}
