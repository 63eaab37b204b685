#include "toolkit/Memo.h"

#include <QKeyEvent>
#include <algorithm>

#include "toolkit/Win1252.h"

TCustomMemo::TCustomMemo(TComponent* AOwner, QWidget* Parent) : QPlainTextEdit(Parent), TComponent(AOwner)
{
    resize(185, 89);
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { RunGuarded(this, [this] { Change(); }); });
}

std::string TCustomMemo::Text() const
{
    // The raw text keeps non-breaking spaces, which the plain text turns into spaces; its
    // paragraph and line separators are the memo's line breaks.
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return FromScreen(text);
}

void TCustomMemo::SetText(const std::string& Value)
{
    if (Text() == Value)
        return; // the same text again is no write: the modified flag stays
    const int position = textCursor().position();
    setPlainText(ToScreen(Value));
    document()->setModified(false);
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::min(position, document()->characterCount() - 1));
    setTextCursor(cursor);
}

bool TCustomMemo::Modified() const
{
    return document()->isModified();
}

void TCustomMemo::SetModified(bool Value)
{
    document()->setModified(Value);
}

void TCustomMemo::Change()
{
    if (OnChange)
        OnChange(this);
}

void TCustomMemo::DoEnter()
{
    if (OnEnter)
        OnEnter(this);
}

void TCustomMemo::DoExit()
{
    ExitProcessing();
}

void TCustomMemo::ExitProcessing()
{
    if (OnExit)
        OnExit(this);
}

void TCustomMemo::KeyDown(int& Key, Qt::KeyboardModifiers Shift)
{
    if (OnKeyDown)
        OnKeyDown(this, Key, Shift);
}

void TCustomMemo::KeyPress(char& Key)
{
    if (OnKeyPress)
        OnKeyPress(this, Key);
    if (Key == kCharEnter && !wantReturns_)
        Key = 0;
}

void TCustomMemo::HandleChar(QKeyEvent* Event, char Key, char Typed)
{
    if (Key == Typed) {
        QPlainTextEdit::keyPressEvent(Event);
        return;
    }
    if (Key == 0) {
        // A dropped Enter still reaches the window (its default button); anything else
        // dropped ends here.
        if (Typed == kCharEnter)
            Event->ignore();
        return;
    }
    if (isReadOnly())
        return;
    if (Key == kCharBackspace)
        textCursor().deletePreviousChar();
    else if (Key == kCharEnter)
        insertPlainText(QStringLiteral("\n"));
    else if (static_cast<unsigned char>(Key) >= 32)
        insertPlainText(ToScreen(std::string(1, Key)));
}

void TCustomMemo::keyPressEvent(QKeyEvent* Event)
{
    Event->accept();
    RunGuarded(this, [this, Event] {
        int key = Event->key();
        KeyDown(key, Event->modifiers());
        if (key == 0)
            return;
        const char typed = KeyChar(Event);
        if (typed == 0) {
            QPlainTextEdit::keyPressEvent(Event);
            return;
        }
        char character = typed;
        KeyPress(character);
        HandleChar(Event, character, typed);
    });
}

void TCustomMemo::focusInEvent(QFocusEvent* Event)
{
    QPlainTextEdit::focusInEvent(Event);
    if (focusSteps_.FocusIn())
        RunGuarded(this, [this] { DoEnter(); });
}

void TCustomMemo::focusOutEvent(QFocusEvent* Event)
{
    QPlainTextEdit::focusOutEvent(Event);
    focusSteps_.FocusOut(Event, false, [this] { RunGuarded(this, [this] { DoExit(); }); });
}
