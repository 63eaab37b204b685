#pragma once
// Hidden message windows: a window is a procedure that runs on the user-interface thread.
// Send hands a message to it from any thread and returns after the procedure has handled
// it; a worker's message is also served while the user-interface thread waits for that
// worker (TThread::WaitFor). An exception that leaves the procedure goes to the
// application's exception report and not to the sender.
#include <cstdint>
#include <functional>

struct TMessage {
    unsigned Msg;
    uintptr_t WParam;
    intptr_t LParam;
    intptr_t Result;
};

constexpr unsigned WM_USER = 0x400;

using TWndMethod = std::function<void(TMessage& Message)>;

class TMessageWindow {
public:
    explicit TMessageWindow(TWndMethod Procedure);
    TMessageWindow(const TMessageWindow&) = delete;
    TMessageWindow& operator=(const TMessageWindow&) = delete;

    // Runs the procedure with the message on the user-interface thread; its Result.
    intptr_t Send(unsigned Msg, uintptr_t WParam, intptr_t LParam);

private:
    void Dispatch(TMessage& Message);

    TWndMethod procedure_;
};

// The default handling of a message no procedure handles: nothing, result 0.
intptr_t DefWindowProc(TMessageWindow* Window, unsigned Msg, uintptr_t WParam, intptr_t LParam);
