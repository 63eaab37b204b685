#include "toolkit/MainThread.h"

#include <QCoreApplication>
#include <QThread>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

namespace MainThread {

namespace {

struct TPendingCall {
    const std::function<void()>* Procedure;
    std::exception_ptr Error;
    bool Done = false;
};

std::mutex queueMutex;
std::condition_variable uiWake;   // a call was queued, or a waited-for state changed
std::condition_variable callDone; // a queued call has run
std::deque<TPendingCall*> pending;

// Runs every queued call; Lock is held on entry and on return, released while a call runs.
void RunQueued(std::unique_lock<std::mutex>& Lock)
{
    while (!pending.empty()) {
        TPendingCall* call = pending.front();
        pending.pop_front();
        Lock.unlock();
        try {
            (*call->Procedure)();
        } catch (...) {
            call->Error = std::current_exception();
        }
        Lock.lock();
        call->Done = true;
        callDone.notify_all();
    }
}

void RunPending()
{
    std::unique_lock lock(queueMutex);
    RunQueued(lock);
}

} // namespace

bool IsMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

void Call(const std::function<void()>& Procedure)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || IsMainThread()) {
        Procedure();
        return;
    }
    TPendingCall call{&Procedure, nullptr};
    {
        std::lock_guard lock(queueMutex);
        pending.push_back(&call);
        uiWake.notify_all();
    }
    QMetaObject::invokeMethod(app, &RunPending, Qt::QueuedConnection);
    {
        std::unique_lock lock(queueMutex);
        callDone.wait(lock, [&] { return call.Done; });
    }
    if (call.Error)
        std::rethrow_exception(call.Error);
}

void WaitServing(const std::function<bool()>& Done)
{
    const bool serve = IsMainThread();
    std::unique_lock lock(queueMutex);
    for (;;) {
        if (serve)
            RunQueued(lock);
        if (Done())
            return;
        uiWake.wait(lock, [&] { return (serve && !pending.empty()) || Done(); });
    }
}

void Update(const std::function<void()>& Change)
{
    std::lock_guard lock(queueMutex);
    Change();
    uiWake.notify_all();
}

} // namespace MainThread
