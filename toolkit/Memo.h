#pragma once
// The class library's multi-line memo on a Qt plain text edit: 8-bit Text with its lines
// joined by CR LF, the modified flag, WantReturns, and the steps that controls extend
// (change, enter, exit, key-down, key-press) as overridable operations that fire the
// events. Enter and exit follow the library as the edits do (toolkit/FocusSteps.h), and
// exceptions raised by the steps go to the application's exception report.
//
// A memo whose object implements IRefusedInput (toolkit/InputRefusal.h) refuses what the
// user would type, paste or drop into its text of the texts it names.
//
// Tab moves the focus on, as in the library's memo; it types no tab character.
// A lone CR or LF in a text set by code breaks the line too, so it reads back as CR LF.
#include <QPlainTextEdit>
#include <string>

#include "toolkit/Classes.h"
#include "toolkit/Edit.h"
#include "toolkit/FocusSteps.h"

class TCustomMemo : public QPlainTextEdit, public TComponent {
public:
    // AOwner frees the memo (as does Qt's Parent); either may be null. The memo starts 185
    // by 89 pixels, the library's size for a new memo.
    explicit TCustomMemo(TComponent* AOwner, QWidget* Parent = nullptr);

    // The lines joined by CR LF.
    std::string Text() const;
    // Replaces the text and clears the modified flag; the same text again does nothing.
    // The cursor keeps its place, within the new text, so a text shown again while the
    // user types does not throw the cursor to the start.
    void SetText(const std::string& Value);
    // True when the user changed the text since code last set it.
    bool Modified() const;
    void SetModified(bool Value);
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool Value) { setReadOnly(Value); }
    // False: the key-press step drops Enter, which then reaches the window (its default
    // button) instead of breaking the line.
    bool WantReturns() const { return wantReturns_; }
    void SetWantReturns(bool Value) { wantReturns_ = Value; }
    void SelectAll() { selectAll(); }

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
    // A character was typed: fires OnKeyPress with it, then drops Enter unless
    // WantReturns.
    virtual void KeyPress(char& Key);

    void keyPressEvent(QKeyEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    // Pasting and dropping.
    void insertFromMimeData(const QMimeData* Source) override;
    void inputMethodEvent(QInputMethodEvent* Event) override;

private:
    // What the memo does with a character once KeyPress has let it through; Typed is the
    // character the key carried before KeyPress.
    void HandleChar(QKeyEvent* Event, char Key, char Typed);
    // True, after the beep, when putting Inserted in place of the selection would bring a
    // text that the memo refuses into it.
    bool RefusesInsert(const QString& Inserted) const;

    TFocusSteps focusSteps_{this};
    bool wantReturns_ = true;
};
