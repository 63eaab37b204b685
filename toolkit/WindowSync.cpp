#include "toolkit/WindowSync.h"

#include <utility>

#include "toolkit/Application.h"
#include "toolkit/MainThread.h"

TMessageWindow::TMessageWindow(TWndMethod Procedure) : procedure_(std::move(Procedure))
{
}

intptr_t TMessageWindow::Send(unsigned Msg, uintptr_t WParam, intptr_t LParam)
{
    TMessage message{Msg, WParam, LParam, 0};
    MainThread::Call([&] { Dispatch(message); });
    return message.Result;
}

void TMessageWindow::Dispatch(TMessage& Message)
{
    try {
        procedure_(Message);
    } catch (...) {
        Application::HandleCurrentException(nullptr);
    }
}

intptr_t DefWindowProc(TMessageWindow*, unsigned, uintptr_t, intptr_t)
{
    return 0;
}
