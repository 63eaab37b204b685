// Executions per second through TVisM on a real GT.M server, with the median and 99th
// percentile time of one run. Runs in a temporary data directory of its own.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "vism/VisM.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double PerSecond;
    double MedianMicros;
    double P99Micros;
};

// Runs Code Count times after a warm-up, with Prepare setting the registers of run i.
template <typename PrepareRun>
Figures Measure(TVisM& Vism, const std::string& Code, int Count, PrepareRun Prepare)
{
    Vism.SetCode(Code);
    for (int i = 0; i < 1000; ++i) {
        Prepare(i);
        Vism.SetExecFlag(1);
    }
    std::vector<double> micros;
    micros.reserve(static_cast<size_t>(Count));
    const auto start = Clock::now();
    for (int i = 0; i < Count; ++i) {
        Prepare(i);
        const auto before = Clock::now();
        Vism.SetExecFlag(1);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - before).count());
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::sort(micros.begin(), micros.end());
    return {Count / seconds, micros[micros.size() / 2], micros[micros.size() * 99 / 100]};
}

void Print(const char* What, const Figures& F)
{
    std::printf("%-44s %9.0f runs/s   median %7.1f us   p99 %7.1f us\n", What, F.PerSecond, F.MedianMicros,
                F.P99Micros);
}

} // namespace

int main()
{
    char pattern[] = "/tmp/vism-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::filesystem::path dir = pattern;
    int failures = 0;
    {
        TVisM vism(nullptr);
        TMServerSettings settings = vism.ServerSettings();
        settings.DataDir = dir / "m";
        settings.SettingsFile = dir / "vism.conf";
        settings.ObjectDir = dir / "m-objects";
        vism.SetServerSettings(settings);
        vism.SetNameSpace("BENCH");
        vism.OnError = [&](TObject*) {
            if (failures++ == 0)
                std::fprintf(stderr, "error: %s\n", vism.ErrorName().c_str());
        };
        constexpr int Count = 20000;
        Print("\"S P1 = $h\"", Measure(vism, "S P1 = $h", Count, [](int) {}));
        const std::string record = std::string(199, 'r') + "^";
        vism.SetP2(record);
        Print("\"S ^BENCH(P1)=P2\" (200-byte record)",
              Measure(vism, "S ^BENCH(P1)=P2", Count, [&](int i) { vism.SetP1(i); }));
        // Codes longer than GT.M compiles at once: their strings travel apart from them.
        Print("\"S ^BENCH(P1)=\"<9000 bytes>\"\"",
              Measure(vism, "S ^BENCH(P1)=\"" + std::string(9000, 'r') + "\"", Count / 4,
                      [&](int i) { vism.SetP1(i); }));
        Print("\"S ^BENCH(P1)=\"<1 MiB>\"\"",
              Measure(vism, "S ^BENCH(P1)=\"" + std::string(1048576, 'r') + "\"", 500,
                      [&](int i) { vism.SetP1(i % 10); }));
    }
    std::filesystem::remove_all(dir);
    return failures == 0 ? 0 : 1;
}
