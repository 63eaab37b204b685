#include <gtest/gtest.h>

#include <QThread>
#include <QCoreApplication>
#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>

#include "support/EventLoop.h"
#include "support/Recorders.h"
#include "toolkit/Application.h"
#include "toolkit/Thread.h"
#include "toolkit/WindowSync.h"

namespace {

bool OnUiThread()
{
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

class TLambdaThread : public TThread {
public:
    explicit TLambdaThread(std::function<void(TLambdaThread&)> Body) : body_(std::move(Body)) {}
    ~TLambdaThread() override { WaitFor(); }
    using TThread::Synchronize;

protected:
    void Execute() override { body_(*this); }

private:
    std::function<void(TLambdaThread&)> body_;
};

} // namespace

TEST(TThread, DoesNotRunUntilStarted)
{
    std::atomic<bool> ran{false};
    {
        TLambdaThread thread([&](TLambdaThread&) { ran = true; });
        ProcessEventsFor(std::chrono::milliseconds(20));
        EXPECT_FALSE(ran);
    }
    EXPECT_FALSE(ran);
}

TEST(TThread, SynchronizeRunsOnUiThreadWhileWorkerWaits)
{
    std::atomic<bool> ranOnUi{false};
    std::atomic<bool> workerPassedSync{false};
    std::atomic<bool> passedBeforeProcedureEnded{false};
    TLambdaThread thread([&](TLambdaThread& Self) {
        Self.Synchronize([&] {
            ranOnUi = OnUiThread();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            passedBeforeProcedureEnded = workerPassedSync.load();
        });
        workerPassedSync = true;
    });
    thread.Start();
    ASSERT_TRUE(ProcessEventsUntil([&] { return thread.Finished(); }));
    EXPECT_TRUE(ranOnUi);
    EXPECT_TRUE(workerPassedSync);
    EXPECT_FALSE(passedBeforeProcedureEnded);
}

TEST(TThread, SynchronizeRaisesTheProcedureExceptionAgainOnTheWorker)
{
    std::string caught;
    TLambdaThread thread([&](TLambdaThread& Self) {
        try {
            Self.Synchronize([] { throw Exception("from the UI"); });
        } catch (const Exception& e) {
            caught = e.Message();
        }
    });
    thread.Start();
    ASSERT_TRUE(ProcessEventsUntil([&] { return thread.Finished(); }));
    EXPECT_EQ(caught, "from the UI");
}

TEST(TThread, WaitForServesSynchronisedCallsWithoutTheEventLoop)
{
    std::atomic<int> served{0};
    TLambdaThread thread([&](TLambdaThread& Self) {
        for (int i = 0; i < 3; ++i)
            Self.Synchronize([&] { served += OnUiThread() ? 1 : 100; });
    });
    thread.Start();
    thread.WaitFor(); // no processEvents anywhere: only the wait can serve the calls
    EXPECT_EQ(served, 3);
    EXPECT_TRUE(thread.Finished());
}

TEST(TThread, ExceptionLeavingExecuteIsReportedOnTheUiThread)
{
    std::vector<std::string> reports;
    bool reportedOnUi = false;
    auto previous = Application::SetExceptionHook([&](TObject*, const std::exception& E) {
        reports.push_back(E.what());
        reportedOnUi = OnUiThread();
    });
    {
        TLambdaThread thread([](TLambdaThread&) { throw Exception("worker failed"); });
        thread.Start();
        thread.WaitFor();
    }
    Application::SetExceptionHook(previous);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], "worker failed");
    EXPECT_TRUE(reportedOnUi);
}

TEST(TMessageWindow, SendFromWorkerRunsProcedureOnUiThreadAndReturnsItsResult)
{
    bool ranOnUi = false;
    TMessageWindow window([&](TMessage& Message) {
        ranOnUi = OnUiThread();
        Message.Result = static_cast<intptr_t>(Message.WParam * 2 + Message.LParam);
    });
    intptr_t result = 0;
    TLambdaThread thread([&](TLambdaThread&) { result = window.Send(WM_USER + 1, 20, 2); });
    thread.Start();
    ASSERT_TRUE(ProcessEventsUntil([&] { return thread.Finished(); }));
    EXPECT_EQ(result, 42);
    EXPECT_TRUE(ranOnUi);
}

TEST(TMessageWindow, SendIsServedByTheClosingWait)
{
    int handled = 0;
    TMessageWindow window([&](TMessage&) { ++handled; });
    TLambdaThread thread([&](TLambdaThread&) {
        window.Send(WM_USER, 0, 0);
        window.Send(WM_USER, 0, 0);
    });
    thread.Start();
    thread.WaitFor();
    EXPECT_EQ(handled, 2);
}

TEST(TMessageWindow, ExceptionInProcedureGoesToTheReportNotToTheSender)
{
    MessageRecorder recorder;
    TMessageWindow window([](TMessage&) { throw Exception("window failed"); });
    bool senderSawException = false;
    TLambdaThread thread([&](TLambdaThread&) {
        try {
            window.Send(WM_USER, 0, 0);
        } catch (...) {
            senderSawException = true;
        }
    });
    thread.Start();
    thread.WaitFor();
    EXPECT_FALSE(senderSawException);
    EXPECT_EQ(recorder.Exceptions(), std::vector<std::string>{"window failed"});
}
