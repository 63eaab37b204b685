#include "toolkit/Memo.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <algorithm>

#include "toolkit/Dialogs.h"
#include "toolkit/InputRefusal.h"
#include "toolkit/Win1252.h"

namespace {

// The memo's text form of a document's raw text, or of a text about to be put into it:
// paragraph and line separators, and CR LF, a lone CR or LF of an inserted text, are line
// breaks, CR LF.
std::string MemoText(QString Raw)
{
    Raw.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Raw.replace(QChar('\r'), QChar('\n'));
    Raw.replace(QChar::ParagraphSeparator, QChar('\n'));
    Raw.replace(QChar::LineSeparator, QChar('\n'));
    Raw.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return FromScreen(Raw);
}

} // namespace

TCustomMemo::TCustomMemo(TComponent* AOwner, QWidget* Parent) : QPlainTextEdit(Parent), TComponent(AOwner)
{
    resize(185, 89);
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] { RunGuarded(this, [this] { Change(); }); });
}

std::string TCustomMemo::Text() const
{
    // The raw text keeps non-breaking spaces, which the plain text turns into spaces.
    return MemoText(document()->toRawText());
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
        const QString inserted = Typed == kCharEnter                          ? QStringLiteral("\n")
                                 : static_cast<unsigned char>(Typed) >= 32 ? Event->text()
                                                                           : QString();
        if (!RefusesInsert(inserted))
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
    else if (Key == kCharEnter && !RefusesInsert(QStringLiteral("\n")))
        insertPlainText(QStringLiteral("\n"));
    else if (static_cast<unsigned char>(Key) >= 32 && !RefusesInsert(ToScreen(std::string(1, Key))))
        insertPlainText(ToScreen(std::string(1, Key)));
}

bool TCustomMemo::RefusesInsert(const QString& Inserted) const
{
    const auto* owner = dynamic_cast<const IRefusedInput*>(this);
    if (owner == nullptr || Inserted.isEmpty())
        return false;
    const std::vector<std::string> refused = owner->RefusedInput();
    if (refused.empty())
        return false;
    const QTextCursor cursor = textCursor();
    QString after = document()->toRawText();
    after.replace(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart(), Inserted);
    if (!AddsAnyOf(Text(), MemoText(after), refused))
        return false;
    MessageBeep();
    return true;
}

void TCustomMemo::insertFromMimeData(const QMimeData* Source)
{
    if (Source != nullptr && Source->hasText() && RefusesInsert(Source->text()))
        return;
    QPlainTextEdit::insertFromMimeData(Source);
}

void TCustomMemo::inputMethodEvent(QInputMethodEvent* Event)
{
    if (RefusesInsert(Event->commitString())) {
        Event->accept();
        return;
    }
    QPlainTextEdit::inputMethodEvent(Event);
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
