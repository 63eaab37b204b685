#include "toolkit/FocusSteps.h"

bool TFocusSteps::FocusIn()
{
    if (entered_)
        return false; // back from another window or a popup, or a move inside the control
    entered_ = true;
    return !exiting_; // the exit step took the focus back: the control never left
}

void TFocusSteps::FocusOut(const QFocusEvent* Event, bool StaysInside, const std::function<void()>& Exit)
{
    const Qt::FocusReason reason = Event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || StaysInside || !entered_)
        return;
    entered_ = false;
    if (!control_->isEnabled())
        return;
    exiting_ = true;
    Exit();
    exiting_ = false;
}
