#pragma once
// The common ground of the date and month/year edits (TEDData, TEdMesAno): a masked edit
// carrying the binding block, whose exit runs the control's own checks of its value and
// limits, then the block's check and write.
#include <string>

#include "mbind/BoundControl.h"
#include "toolkit/MaskEdit.h"

class TBoundDateEdit : public TCustomMaskEdit, public TBoundControl {
public:
    using TBoundControl::CanFocus;
    using TBoundControl::SetFocus;

    // Fired instead of the limit messages.
    TNotifyEvent OnMaximo;
    TNotifyEvent OnMinimo;

protected:
    TBoundDateEdit(TComponent* AOwner, QWidget* Parent);

    // While designed only the toolkit's exit processing; otherwise ValidateOnExit.
    void DoExit() override;
    // The control's own checks (each refusal keeps the focus and stops), then
    // CheckWriteAndExit.
    virtual void ValidateOnExit() = 0;

    // The event when assigned, else the error message; the focus goes back.
    void Refuse(const TNotifyEvent& Event, const char* Message);
    // Value against the limits, compared as texts, character by character (an empty
    // limit is none; a value equal to a limit passes): below Min refused by OnMinimo or
    // BelowMessage, above Max by OnMaximo or AboveMessage. False when refused.
    bool WithinLimits(const std::string& Value, const std::string& Min, const std::string& Max,
                      const char* BelowMessage, const char* AboveMessage);
    // The block's check when the user changed the text, the write, the keys and OnExit; a
    // refusal by the global keeps the focus with the text selected.
    void CheckWriteAndExit();
};
