// The weighing store (the kill and the set of ^PESAGEM(company,terminal) that the main
// window runs for each stored weight, two executions) through TVisM on a namespace's own
// database and on a database served over GT.CM on loopback, set up with
// scripts/shared-database. Prints the median, 99th percentile and longest store of each.
// Runs in a temporary directory of its own; the GT.CM server is stopped at the end.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchStats.h"
#include "support/SharedDatabase.h"
#include "vism/VisM.h"

namespace {

// Stores Count weights after a warm-up; the time of each store in microseconds.
std::vector<double> Stores(TVisM& Vism, int Count)
{
    std::vector<double> micros;
    Vism.SetP0(1);
    Vism.SetP1(std::string("T01"));
    for (int i = -500; i < Count; ++i) {
        const auto before = bench::TClock::now();
        Vism.SetCode("K ^PESAGEM(P0,P1)");
        Vism.SetExecFlag(1);
        Vism.SetP2(std::to_string(10000 + i));
        Vism.SetCode("set ^PESAGEM(P0,P1)=P2 ");
        Vism.SetExecFlag(1);
        if (i >= 0)
            micros.push_back(std::chrono::duration<double, std::micro>(bench::TClock::now() - before).count());
    }
    return micros;
}

} // namespace

int main()
{
    char pattern[] = "/tmp/shared-database-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::filesystem::path dir = pattern;
    int failures = 0;
    try {
        shareddb::TServedDatabase served(dir / "server");
        served.AddWorkstation(dir / "workstation");
        constexpr int Count = 5000;
        for (const bool overGtcm : {false, true}) {
            TVisM vism(nullptr);
            TMServerSettings settings = vism.ServerSettings();
            const std::filesystem::path data = dir / (overGtcm ? "workstation" : "own");
            settings.DataDir = data / "m";
            settings.SettingsFile = data / "vism.conf";
            settings.ObjectDir = dir / "m-objects";
            vism.SetServerSettings(settings);
            vism.SetNameSpace("SISTEMAS");
            vism.OnError = [&](TObject*) {
                if (failures++ == 0)
                    std::fprintf(stderr, "error: %s\n", vism.ErrorName().c_str());
            };
            const std::vector<double> micros = Stores(vism, Count);
            const char* what = overGtcm ? "store over GT.CM on loopback:" : "store on the namespace's own database:";
            std::printf("%-44s %s\n", what, bench::LatencySummary(micros).c_str());
        }
    } catch (const std::exception& E) {
        std::fprintf(stderr, "%s\n", E.what());
        ++failures;
    }
    std::filesystem::remove_all(dir);
    return failures == 0 ? 0 : 1;
}
