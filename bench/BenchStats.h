#pragma once
// What the benchmark programs share: running the UI thread's event loop until a condition,
// and the latency summary they print.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace bench {

using TClock = std::chrono::steady_clock;

// Runs the UI thread's event loop, sleeping between events, until Done or the deadline.
inline bool RunEventsUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout)
{
    const auto deadline = TClock::now() + Timeout;
    QTimer watchdog; // wakes the loop so the deadline is seen even when nothing arrives
    watchdog.start(100);
    while (!Done()) {
        if (TClock::now() >= deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// "median M us, p99 P us, max X us" of samples in microseconds; Micros must not be empty.
inline std::string LatencySummary(std::vector<double> Micros)
{
    std::sort(Micros.begin(), Micros.end());
    char text[96];
    std::snprintf(text, sizeof text, "median %.1f us, p99 %.1f us, max %.1f us", Micros[Micros.size() / 2],
                  Micros[Micros.size() * 99 / 100], Micros.back());
    return text;
}

} // namespace bench
