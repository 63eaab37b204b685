#pragma once
// A worker thread in the class library's manner: created suspended, started with Start,
// runs the virtual Execute. Synchronize runs a procedure on the user-interface thread
// while the worker waits. Nothing escapes the thread: an exception that leaves Execute is
// handed to the application's exception report on the user-interface thread.
#include <atomic>
#include <functional>
#include <thread>

#include "toolkit/Classes.h"

class TThread : public TObject {
public:
    // The thread does not run until Start.
    TThread();
    // Waits for the thread. A derived class whose Execute uses its own members must make
    // Execute end and call WaitFor in its own destructor, before those members go.
    ~TThread() override;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Start();
    // Blocks until Execute has ended (at once when it never started). On the
    // user-interface thread the synchronised calls of any worker are served meanwhile, so
    // waiting for a worker that is itself waiting on Synchronize cannot lock.
    void WaitFor();
    bool Finished() const { return finished_; }

protected:
    virtual void Execute() = 0;
    // Runs Procedure on the user-interface thread and returns when it has run; an
    // exception it raised is raised again here, on the worker.
    void Synchronize(const std::function<void()>& Procedure);

private:
    void Run();
    void ReportException(std::exception_ptr Error);

    std::thread thread_;
    std::atomic<bool> finished_{false};
};
