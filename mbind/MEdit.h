#pragma once
// TMEdit: the library's masked edit carrying the binding block, showing and giving its
// value as Text. It writes its value to the global on every change of the text, typed or
// set by code (a refresh's write-back is dropped by the global's Edicao bracket).
#include <string>

#include "mbind/BoundControl.h"
#include "toolkit/MaskEdit.h"

// A masked edit with the binding block that writes on every change: the shared part of
// TMEdit and TEDButton (which are otherwise unrelated classes).
class TBoundMaskEdit : public TCustomMaskEdit, public TBoundControl {
public:
    using TBoundControl::SetFocus;

protected:
    TBoundMaskEdit(TComponent* AOwner, QWidget* Parent);

    std::string ControlValue() override { return Text(); }
    void ShowValue(const std::string& Value) override { SetText(Value); }
    bool TypedTextIsValue() const override { return true; }

    void Change() override { WriteOnChange(); }
    void DoExit() override { ValidateOnExit(); }
    void KeyPress(char& Key) override { FilterKey(Key); }

    // The text goes to the global by TipoCampo, then the toolkit's change processing
    // (OnChange).
    virtual void WriteOnChange();
    // The global's check when the user changed the text: a refusal keeps the focus and
    // selects the text, and OnExit does not fire. Then every key registered with the
    // edit receives the text, and the toolkit's exit processing runs (mask check, OnExit).
    void ValidateOnExit();
    // Enter becomes character 0 (inserts nothing); then the masked edit's key processing
    // (OnKeyPress with the changed character).
    void FilterKey(char& Key);
};

class TMEdit : public TBoundMaskEdit {
public:
    explicit TMEdit(TComponent* AOwner, QWidget* Parent = nullptr);
    ~TMEdit() override;
};
