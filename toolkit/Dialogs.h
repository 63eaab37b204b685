#pragma once
// Message boxes and the system beep. Every box goes through one hook so tests can read
// what would be shown and answer it; without a hook a real modal box is shown.
#include <QString>
#include <functional>

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons are bits so a set is an OR of them.
enum TMsgDlgBtn : unsigned {
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
};
using TMsgDlgButtons = unsigned;

// Modal results, as the class library numbers them.
enum TModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
};

// What a box shows: the kind tells which call made it.
struct TShownMessage {
    enum class Kind { Dialog, Plain, Exception };
    Kind kind;
    QString Text;
    TMsgDlgType Type;
    TMsgDlgButtons Buttons;
};

// A box with a type icon and buttons; returns the modal result of the button pressed.
int MessageDlg(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx = 0);
// A plain box with the text and an OK button.
void ShowMessage(const QString& Msg);
// The application's exception report box.
void ShowExceptionMessage(const QString& Msg);
// The system beep.
void MessageBeep();

using TMessageHook = std::function<int(const TShownMessage&)>;
using TBeepHook = std::function<void()>;
// Replaces the real boxes (an empty hook restores them); returns the previous hook.
TMessageHook SetMessageHook(TMessageHook Hook);
TBeepHook SetBeepHook(TBeepHook Hook);
