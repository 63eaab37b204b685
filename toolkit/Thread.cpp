#include "toolkit/Thread.h"

#include "toolkit/Application.h"
#include "toolkit/MainThread.h"

TThread::TThread() = default;

TThread::~TThread()
{
    WaitFor();
}

void TThread::Start()
{
    if (!thread_.joinable())
        thread_ = std::thread([this] { Run(); });
}

void TThread::WaitFor()
{
    if (!thread_.joinable())
        return;
    MainThread::WaitServing([this] { return finished_.load(); });
    thread_.join();
}

void TThread::Synchronize(const std::function<void()>& Procedure)
{
    MainThread::Call(Procedure);
}

void TThread::Run()
{
    try {
        Execute();
    } catch (...) {
        ReportException(std::current_exception());
    }
    MainThread::Update([this] { finished_ = true; });
}

void TThread::ReportException(std::exception_ptr Error)
{
    try {
        MainThread::Call([&] {
            try {
                std::rethrow_exception(Error);
            } catch (...) {
                Application::HandleCurrentException(this);
            }
        });
    } catch (...) {
        // The report itself failed; there is nowhere left to send it.
    }
}
