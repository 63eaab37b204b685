#pragma once
// Calls handed to the user-interface thread, the thread of the Qt application object.
// A worker queues a call and waits until it has run. The queue is drained from the Qt
// event loop, and also by the user-interface thread while it waits for a worker
// (WaitServing), so a UI thread that waits for a worker never locks against a call that
// worker is waiting on.
#include <functional>

namespace MainThread {

// True on the thread of the Qt application object.
bool IsMainThread();

// Runs Procedure on the user-interface thread and returns after it has run; an exception
// it raised is raised again in the caller. On the UI thread itself, or when there is no
// application object, Procedure runs at once on the caller.
void Call(const std::function<void()>& Procedure);

// Blocks until Done() is true. On the UI thread the calls queued meanwhile are run while
// waiting. Done is evaluated under the queue's lock, so whatever makes it true must be
// changed through Update.
void WaitServing(const std::function<bool()>& Done);

// Runs Change under the queue's lock and wakes every WaitServing.
void Update(const std::function<void()>& Change);

} // namespace MainThread
