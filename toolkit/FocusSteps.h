#pragma once
// The library's enter and exit of a control, told from Qt's focus events:
// - switching to another window or opening a popup is neither an exit nor an enter;
// - an exit runs only for a control that was entered;
// - a control that takes the focus back from inside its exit step never left, so no
//   enter runs for it;
// - a control disabled by code while it has the focus was not left by the user (a bound
//   global disables its key controls when it starts an edit), so no exit step runs in
//   the middle of that code; it is entered again when it next gets the focus.
// A control with focusable children (a radio group) counts a move between its own
// widgets as no exit and no enter; its caller tells FocusOut so.
#include <QFocusEvent>
#include <QWidget>
#include <functional>

class TFocusSteps {
public:
    // Control: the widget whose enter and exit these are.
    explicit TFocusSteps(const QWidget* Control) : control_(Control) {}

    // The focus arrived. Returns True when this is the library's enter.
    bool FocusIn();
    // The focus left. Runs Exit (which must not throw: callers guard their steps) when
    // this is the library's exit; StaysInside: the focus went to another widget of the
    // same control.
    void FocusOut(const QFocusEvent* Event, bool StaysInside, const std::function<void()>& Exit);

private:
    const QWidget* control_;
    bool entered_ = false;
    bool exiting_ = false;
};
