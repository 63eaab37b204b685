#include "support/EventLoop.h"

#include <QCoreApplication>
#include <thread>

bool ProcessEventsUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (Done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void ProcessEventsFor(std::chrono::milliseconds Duration)
{
    ProcessEventsUntil([] { return false; }, Duration);
}
