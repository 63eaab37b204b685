#include "toolkit/Dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <mutex>
#include <utility>

namespace {

std::mutex hookMutex;
TMessageHook messageHook;
TBeepHook beepHook;

QMessageBox::Icon IconFor(const TShownMessage& Shown)
{
    if (Shown.kind == TShownMessage::Kind::Exception)
        return QMessageBox::Critical;
    if (Shown.kind == TShownMessage::Kind::Plain)
        return QMessageBox::NoIcon;
    switch (Shown.Type) {
    case TMsgDlgType::mtWarning: return QMessageBox::Warning;
    case TMsgDlgType::mtError: return QMessageBox::Critical;
    case TMsgDlgType::mtInformation: return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation: return QMessageBox::Question;
    case TMsgDlgType::mtCustom: return QMessageBox::NoIcon;
    }
    return QMessageBox::NoIcon;
}

QString TitleFor(const TShownMessage& Shown)
{
    if (Shown.kind != TShownMessage::Kind::Dialog)
        return QApplication::applicationName();
    switch (Shown.Type) {
    case TMsgDlgType::mtWarning: return QStringLiteral("Aviso");
    case TMsgDlgType::mtError: return QStringLiteral("Erro");
    case TMsgDlgType::mtInformation: return QStringLiteral("Informação");
    case TMsgDlgType::mtConfirmation: return QStringLiteral("Confirmação");
    case TMsgDlgType::mtCustom: return QApplication::applicationName();
    }
    return {};
}

int ShowReal(const TShownMessage& Shown)
{
    static const std::pair<TMsgDlgBtn, std::pair<QMessageBox::StandardButton, int>> kButtons[] = {
        {mbYes, {QMessageBox::Yes, mrYes}},       {mbNo, {QMessageBox::No, mrNo}},
        {mbOK, {QMessageBox::Ok, mrOk}},          {mbCancel, {QMessageBox::Cancel, mrCancel}},
        {mbAbort, {QMessageBox::Abort, mrAbort}}, {mbRetry, {QMessageBox::Retry, mrRetry}},
        {mbIgnore, {QMessageBox::Ignore, mrIgnore}},
    };
    QMessageBox box(IconFor(Shown), TitleFor(Shown), Shown.Text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    for (const auto& [bit, pair] : kButtons)
        if (Shown.Buttons & bit)
            box.addButton(pair.first);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const auto& [bit, pair] : kButtons)
        if (pair.first == pressed)
            return pair.second;
    return mrCancel;
}

int Show(const TShownMessage& Shown)
{
    TMessageHook hook;
    {
        std::lock_guard lock(hookMutex);
        hook = messageHook;
    }
    return hook ? hook(Shown) : ShowReal(Shown);
}

} // namespace

int MessageDlg(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int /*HelpCtx*/)
{
    return Show({TShownMessage::Kind::Dialog, Msg, DlgType, Buttons});
}

void ShowMessage(const QString& Msg)
{
    Show({TShownMessage::Kind::Plain, Msg, TMsgDlgType::mtCustom, mbOK});
}

void ShowExceptionMessage(const QString& Msg)
{
    Show({TShownMessage::Kind::Exception, Msg, TMsgDlgType::mtError, mbOK});
}

void MessageBeep()
{
    TBeepHook hook;
    {
        std::lock_guard lock(hookMutex);
        hook = beepHook;
    }
    if (hook)
        hook();
    else
        QApplication::beep();
}

TMessageHook SetMessageHook(TMessageHook Hook)
{
    std::lock_guard lock(hookMutex);
    return std::exchange(messageHook, std::move(Hook));
}

TBeepHook SetBeepHook(TBeepHook Hook)
{
    std::lock_guard lock(hookMutex);
    return std::exchange(beepHook, std::move(Hook));
}
