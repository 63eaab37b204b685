#include "mbind/MRadioGroup.h"

#include "toolkit/SysUtils.h"

TMRadioGroup::TMRadioGroup(TComponent* AOwner, QWidget* Parent)
    : TCustomRadioGroup(AOwner, Parent), TBoundControl(this, this), codigos_(std::make_unique<TStringList>())
{
}

TMRadioGroup::~TMRadioGroup() = default;

std::string TMRadioGroup::ControlValue()
{
    if (tipoValor_ == trvIndece)
        return std::to_string(ItemIndex());
    return ItemIndex() == -1 ? std::string() : codigos_->Strings(ItemIndex());
}

void TMRadioGroup::ShowValue(const std::string& Value)
{
    SetItemIndex(tipoValor_ == trvIndece ? StrToIntDef(Value, -1) : codigos_->IndexOf(Value));
}

void TMRadioGroup::EnterStep()
{
    TCustomRadioGroup::DoEnter();
    FocusTabStop();
}

void TMRadioGroup::ValidateOnExit()
{
    if (!CheckAndWrite(true, true)) {
        SetFocus();
        return;
    }
    ExitProcessing();
}
