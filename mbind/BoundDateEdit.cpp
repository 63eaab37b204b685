#include "mbind/BoundDateEdit.h"

#include <QString>

#include "toolkit/Dialogs.h"

TBoundDateEdit::TBoundDateEdit(TComponent* AOwner, QWidget* Parent)
    : TCustomMaskEdit(AOwner, Parent), TBoundControl(this, this)
{
}

void TBoundDateEdit::DoExit()
{
    if (Designing())
        ExitProcessing();
    else
        ValidateOnExit();
}

void TBoundDateEdit::Refuse(const TNotifyEvent& Event, const char* Message)
{
    if (Event)
        Event(this);
    else
        MessageDlg(QString::fromUtf8(Message), TMsgDlgType::mtError, mbOK);
    SetFocus();
}

bool TBoundDateEdit::WithinLimits(const std::string& Value, const std::string& Min, const std::string& Max,
                                  const char* BelowMessage, const char* AboveMessage)
{
    if (!Min.empty() && Value < Min) {
        Refuse(OnMinimo, BelowMessage);
        return false;
    }
    if (!Max.empty() && Value > Max) {
        Refuse(OnMaximo, AboveMessage);
        return false;
    }
    return true;
}

void TBoundDateEdit::CheckWriteAndExit()
{
    if (!CheckAndWrite(Modified(), true)) {
        SetFocus();
        SelectAll();
        return;
    }
    ExitProcessing();
}
