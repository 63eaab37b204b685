#include "mbind/MEdit.h"

TBoundMaskEdit::TBoundMaskEdit(TComponent* AOwner, QWidget* Parent)
    : TCustomMaskEdit(AOwner, Parent), TBoundControl(this, this)
{
}

void TBoundMaskEdit::WriteOnChange()
{
    WriteOnChangeToGlobal(Text(), false);
    TCustomMaskEdit::Change();
}

void TBoundMaskEdit::ValidateOnExit()
{
    if (!CheckAndWrite(Modified(), false)) {
        SetFocus();
        SelectAll();
        return;
    }
    ExitProcessing();
}

void TBoundMaskEdit::FilterKey(char& Key)
{
    if (Key == kCharEnter)
        Key = 0;
    TCustomMaskEdit::KeyPress(Key);
}

TMEdit::TMEdit(TComponent* AOwner, QWidget* Parent) : TBoundMaskEdit(AOwner, Parent) {}

TMEdit::~TMEdit() = default;
