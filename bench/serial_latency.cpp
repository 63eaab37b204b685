// Serial receive figures on a pseudo-terminal, through the real comm layer and the
// port's event thread:
//  - latency from a write on the master to OnRxChar running on the UI thread (median, p99);
//  - wake-ups per second of the whole process with the port open and the line idle;
//  - bytes lost over a 10-second stream at the pace of 115200 bit/s read by OnRxChar.
#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchStats.h"
#include "platform/CommWait.h"
#include "serial/CPort.h"
#include "tests/support/PtyPair.h"

using namespace std::chrono;
using namespace bench;

namespace {

// Context switches of every thread of this process but the caller.
long long OtherThreadsContextSwitches()
{
    const std::string self = std::to_string(gettid());
    long long total = 0;
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr)
        return -1;
    while (dirent* entry = readdir(tasks)) {
        const std::string tid = entry->d_name;
        if (tid == "." || tid == ".." || tid == self)
            continue;
        std::ifstream status("/proc/self/task/" + tid + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.starts_with("voluntary_ctxt_switches:") || line.starts_with("nonvoluntary_ctxt_switches:"))
                total += std::stoll(line.substr(line.find(':') + 1));
    }
    closedir(tasks);
    return total;
}

void MeasureLatency(TComPort& Port, const TPtyPair& Pty)
{
    constexpr int kSamples = 2000;
    std::vector<double> micros;
    micros.reserve(kSamples);
    TClock::time_point sent;
    bool arrived = false;
    Port.OnRxChar = [&](TObject*, int Count) {
        const auto now = TClock::now();
        std::string text;
        Port.ReadText(text, Count);
        micros.push_back(duration<double, std::micro>(now - sent).count());
        arrived = true;
    };
    for (int i = 0; i < kSamples; ++i) {
        arrived = false;
        sent = TClock::now();
        Pty.Write("x");
        if (!RunEventsUntil([&] { return arrived; }, seconds(2))) {
            std::printf("latency: byte %d never arrived\n", i);
            return;
        }
    }
    std::printf("latency write -> OnRxChar on UI thread (%d samples): %s\n", kSamples,
                LatencySummary(micros).c_str());
}

void MeasureIdleWakeups(TComPort& Port)
{
    Port.OnRxChar = [](TObject*, int) {};
    constexpr auto kWindow = seconds(3);
    long long before = 0;
    long long after = 0;
    unsigned long long layerWakeupsBefore = 0;
    unsigned long long layerWakeupsAfter = 0;
    QEventLoop loop;
    // A helper thread takes both readings, so the UI thread stays asleep in its event
    // loop for the whole window; it is woken only after the second reading.
    std::thread meter([&] {
        std::this_thread::sleep_for(milliseconds(200)); // let the loop go to sleep
        before = OtherThreadsContextSwitches();
        layerWakeupsBefore = WinComm::WaitWakeups();
        std::this_thread::sleep_for(kWindow);
        after = OtherThreadsContextSwitches();
        layerWakeupsAfter = WinComm::WaitWakeups();
        QMetaObject::invokeMethod(&loop, [&] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    meter.join();
    const double seconds = duration<double>(kWindow).count();
    std::printf("idle line, port open: %.2f context switches/s in the other threads, %.2f comm-layer wake-ups/s\n",
                static_cast<double>(after - before) / seconds,
                static_cast<double>(layerWakeupsAfter - layerWakeupsBefore) / seconds);
}

void MeasureStreamLoss(TComPort& Port, const TPtyPair& Pty)
{
    constexpr int kBytesPerSecond = 115200 / 10; // start, 8 data bits, stop
    constexpr auto kDuration = seconds(10);
    const size_t total = static_cast<size_t>(kBytesPerSecond) * 10;
    size_t received = 0;
    size_t wrong = 0;
    int events = 0;
    Port.OnRxChar = [&](TObject*, int Count) {
        std::vector<unsigned char> buffer(static_cast<size_t>(Count));
        const int n = Port.ReadBytes(buffer.data(), Count);
        for (int i = 0; i < n; ++i)
            if (buffer[static_cast<size_t>(i)] != static_cast<unsigned char>((received + static_cast<size_t>(i)) % 251))
                ++wrong;
        received += static_cast<size_t>(n);
        ++events;
    };
    std::atomic<size_t> sent{0};
    std::thread writer([&] {
        const auto start = TClock::now();
        while (sent < total) {
            const auto due = static_cast<size_t>(duration<double>(TClock::now() - start).count() * kBytesPerSecond);
            std::string chunk;
            for (size_t i = sent; i < std::min(due, total); ++i)
                chunk.push_back(static_cast<char>(i % 251));
            if (!chunk.empty()) {
                Pty.Write(chunk);
                sent += chunk.size();
            }
            std::this_thread::sleep_for(milliseconds(1));
        }
    });
    RunEventsUntil([&] { return sent == total && received >= total; }, kDuration + seconds(5));
    writer.join();
    std::printf("stream at 115200 bit/s for 10 s: %zu bytes sent, %zu received, %zu lost, %zu wrong, %d receive events\n",
                total, received, total - std::min(received, total), wrong, events);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TPtyPair pty;
    TComPort port(nullptr);
    port.SetPort(pty.SlavePath());
    port.SetBaudRate(br115200);
    port.OpenPort();
    MeasureLatency(port, pty);
    MeasureIdleWakeups(port);
    MeasureStreamLoss(port, pty);
    port.ClosePort();
    return 0;
}
