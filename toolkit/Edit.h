#pragma once
// The class library's single-line edit on a Qt line edit. It keeps the library's shape:
// 8-bit Text, the modified flag, MaxLength, and the steps that controls extend (change,
// enter, exit, key-down, key-press) as overridable operations that fire the events.
//
// Enter and exit follow the library, not Qt's raw focus events (toolkit/FocusSteps.h): an
// exit is only run for a control that was entered, so a control that takes the focus back
// from inside its exit step does not make the control that was about to be entered run an
// exit.
//
// Exceptions raised by these steps are handed to the application's exception report, as
// the library's message loop does; they never cross Qt's event handlers.
//
// An edit whose object implements IRefusedInput (toolkit/InputRefusal.h) refuses what the
// user would put into its text of the texts it names; the edit's validator does this, so
// none other can be set.
#include <QLineEdit>
#include <functional>
#include <string>

#include "toolkit/Classes.h"
#include "toolkit/FocusSteps.h"

using TNotifyEvent = std::function<void(TObject* Sender)>;
// Key is the 8-bit character; setting it to 0 drops it.
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
// Key is the Qt key code; setting it to 0 drops the key.
using TKeyEvent = std::function<void(TObject* Sender, int& Key, Qt::KeyboardModifiers Shift)>;

// Character codes of the keys the library's edits treat as characters.
constexpr char kCharBackspace = 8;
constexpr char kCharEnter = 13;
constexpr char kCharEscape = 27;
constexpr char kCharCopy = 3;   // Ctrl+C
constexpr char kCharPaste = 22; // Ctrl+V
constexpr char kCharCut = 24;   // Ctrl+X

class TCustomEdit : public QLineEdit, public TComponent {
public:
    // AOwner frees the edit (as does Qt's Parent); either may be null. The edit starts
    // 121 by 25 pixels, the library's size for a new edit.
    explicit TCustomEdit(TComponent* AOwner, QWidget* Parent = nullptr);

    virtual std::string Text() const;
    // Replaces the text; the modified flag is cleared, as for every write by code that
    // changes the text (writing the same text again does nothing).
    virtual void SetText(const std::string& Value);
    // True when the user changed the text since code last set it.
    bool Modified() const { return isModified(); }
    void SetModified(bool Value) { setModified(Value); }
    // 0: no limit.
    int MaxLength() const { return maxLength_; }
    virtual void SetMaxLength(int Value);
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool Value) { setReadOnly(Value); }
    void SelectAll() { selectAll(); }
    int SelStart() const;
    int SelLength() const;
    void SetSelLength(int Value);
    // The 3D border: Qt's frame.
    bool Ctl3D() const { return hasFrame(); }
    void SetCtl3D(bool Value) { setFrame(Value); }

    TNotifyEvent OnChange;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;

protected:
    // The text changed (typed or set by code): fires OnChange.
    virtual void Change();
    // The focus arrived: fires OnEnter.
    virtual void DoEnter();
    // The focus is leaving. The base runs ExitProcessing; controls that check their value
    // override it and run ExitProcessing only when the value is accepted.
    virtual void DoExit();
    // The library's own exit processing: fires OnExit.
    virtual void ExitProcessing();
    // A key went down: fires OnKeyDown.
    virtual void KeyDown(int& Key, Qt::KeyboardModifiers Shift);
    // A character was typed: fires OnKeyPress with it.
    virtual void KeyPress(char& Key);

    // What the edit does with a key once KeyDown has let it through (Key not 0).
    virtual void HandleKey(QKeyEvent* Event);
    // What the edit does with a character once KeyPress has let it through; Typed is
    // the character the key carried before KeyPress.
    virtual void HandleChar(QKeyEvent* Event, char Key, char Typed);

    void keyPressEvent(QKeyEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;

    // Qt's limit for Value: MaxLength, widened to a longer text set by code so that such a
    // text is kept whole (the library limits only what is typed).
    void ApplyMaxLength(int TextLength);
    // True when something else than MaxLength bounds the text (an edit mask).
    virtual bool IgnoresMaxLength() const { return false; }

private:
    int maxLength_ = 0;
    TFocusSteps focusSteps_{this};
};

// Runs Step, handing any exception to the application's exception report (the library's
// message loop does this for every event handler).
void RunGuarded(TObject* Sender, const std::function<void()>& Step);

// The character a key event carries, as the library sees it (0 when none): Ctrl with a
// letter gives its control code, Enter 13, Backspace 8, Escape 27.
char KeyChar(const QKeyEvent* Event);
