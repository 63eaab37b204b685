// The main window's weighing path end to end: a pseudo-terminal plays the scale on the
// port named by mirtal.ini, the real window reads it, and its server control stores each
// weight in ^PESAGEM on a real GT.M server.
//  - latency from the write of a record's last byte to the end of the server run that
//    stores its weight (median, p99, max);
//  - records stored per second over a sustained stream at the pace of 115200 bit/s
//    (eleven-byte frames: a ten-byte record and a carriage return), each with its own
//    weight, checking that every record was stored, in order, and that the node holds
//    the last one;
//  - the same as fast as the pseudo-terminal takes the frames, for the headroom above
//    the line's pace.
// Runs in a temporary working and data directory of its own.
#include <QApplication>
#include <QLineEdit>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/FrmTrevask.h"
#include "bench/BenchStats.h"
#include "tests/support/PtyPair.h"
#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"
#include "toolkit/FormatSettings.h"
#include "vism/VisM.h"

using namespace std::chrono;
using namespace bench;

namespace {

// The real control, noting when each store has been run by the server and what it stored.
class TimedVisM : public TVisM {
public:
    using TVisM::TVisM;

    std::vector<TClock::time_point> StoredAt;
    std::vector<long long> StoredValues;

    void ForgetStores()
    {
        StoredAt.clear();
        StoredValues.clear();
    }

    void SetExecFlag(int Value) override
    {
        const bool store = Code() == "set ^PESAGEM(P0,P1)=P2 ";
        TVisM::SetExecFlag(Value);
        if (store) {
            StoredAt.push_back(TClock::now());
            StoredValues.push_back(std::stoll(P2().AsString()));
        }
    }
};

// What the server stored of a run that sent records First, First + 1, ... from Start.
struct TStoreTally {
    long long Stored;
    long long OutOfOrder; // stored values that are not their place's record
    double PerSecond;
};

TStoreTally Tally(const TimedVisM& Server, long long First, TClock::time_point Start)
{
    TStoreTally tally{static_cast<long long>(Server.StoredAt.size()), 0, 0.0};
    for (size_t i = 0; i < Server.StoredValues.size(); ++i)
        if (Server.StoredValues[i] != (First + static_cast<long long>(i)) * 10)
            ++tally.OutOfOrder;
    const double elapsed = tally.Stored > 0 ? duration<double>(Server.StoredAt.back() - Start).count() : 0;
    tally.PerSecond = elapsed > 0 ? tally.Stored / elapsed : 0.0;
    return tally;
}

// A frame of record number N: the stability character, the weight N/100 with two decimals
// in seven characters, "kg", and a carriage return. Stored with three decimals: N * 10.
std::string Frame(long long N)
{
    char weight[16];
    std::snprintf(weight, sizeof weight, "%7s", (std::to_string(N / 100) + "," + std::to_string(100 + N % 100).substr(1)).c_str());
    return std::string("2") + weight + "kg\r";
}

void MeasureLatency(TimedVisM& Server, const TPtyPair& Pty)
{
    constexpr int kSamples = 2000;
    std::vector<double> micros;
    micros.reserve(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        const size_t before = Server.StoredAt.size();
        const std::string frame = Frame(1000 + i);
        // The record's last byte is the frame's tenth; the carriage return after it only
        // goes out with the next record, as a scale sends it.
        const auto sent = TClock::now();
        Pty.Write(frame.substr(0, 10));
        if (!RunEventsUntil([&] { return Server.StoredAt.size() > before; }, seconds(3))) {
            std::printf("latency: record %d was never stored\n", i);
            return;
        }
        micros.push_back(duration<double, std::micro>(Server.StoredAt.back() - sent).count());
        Pty.Write("\r");
    }
    std::printf("last byte written -> weight stored on the server (%d records): %s\n", kSamples,
                LatencySummary(micros).c_str());
}

void MeasureStream(TimedVisM& Server, const TPtyPair& Pty, TVisM& Reader)
{
    constexpr int kBytesPerSecond = 115200 / 10; // start bit, eight data bits, stop bit
    constexpr int kFrameBytes = 11;
    constexpr int kSeconds = 10;
    constexpr long long kRecords = static_cast<long long>(kBytesPerSecond) * kSeconds / kFrameBytes;
    constexpr long long kFirst = 100000;

    Server.ForgetStores();
    std::atomic<long long> sent{0};
    TClock::time_point start = TClock::now();
    std::thread writer([&] {
        start = TClock::now();
        while (sent < kRecords) {
            const auto due = static_cast<long long>(duration<double>(TClock::now() - start).count() * kBytesPerSecond /
                                                    kFrameBytes);
            std::string chunk;
            long long next = sent;
            for (; next < std::min(due, kRecords); ++next)
                chunk += Frame(kFirst + next);
            if (!chunk.empty()) {
                Pty.Write(chunk);
                sent = next;
            }
            std::this_thread::sleep_for(milliseconds(1));
        }
    });
    RunEventsUntil([&] { return sent == kRecords && static_cast<long long>(Server.StoredAt.size()) >= kRecords; },
                   seconds(kSeconds + 10));
    writer.join();
    const TStoreTally tally = Tally(Server, kFirst, start);

    Reader.SetP0(1);
    Reader.SetP1(std::string("T01"));
    Reader.SetCode("S P2=$G(^PESAGEM(P0,P1))");
    Reader.SetExecFlag(1);

    std::printf("stream at 115200 bit/s (%d-byte frames, %d s): %lld records sent, %lld stored, %lld missed, "
                "%lld out of order; %.0f records stored/s; node holds %s (last sent %lld)\n",
                kFrameBytes, kSeconds, kRecords, tally.Stored, kRecords - std::min(tally.Stored, kRecords),
                tally.OutOfOrder, tally.PerSecond, Reader.P2().AsString().c_str(), (kFirst + kRecords - 1) * 10);
}

void MeasureCapacity(TimedVisM& Server, const TPtyPair& Pty)
{
    constexpr long long kRecords = 20000;
    constexpr long long kFirst = 200000;
    Server.ForgetStores();
    std::atomic<bool> written{false};
    const auto start = TClock::now();
    std::thread writer([&] {
        for (long long i = 0; i < kRecords; i += 100) {
            std::string chunk;
            for (long long n = i; n < std::min(i + 100, kRecords); ++n)
                chunk += Frame(kFirst + n);
            Pty.Write(chunk); // blocks while the pseudo-terminal's queue is full
        }
        written = true;
    });
    RunEventsUntil([&] { return written && static_cast<long long>(Server.StoredAt.size()) >= kRecords; }, seconds(60));
    writer.join();
    const TStoreTally tally = Tally(Server, kFirst, start);
    std::printf("unpaced burst of %lld frames: %lld stored, %lld missed, %lld out of order; %.0f records stored/s\n",
                kRecords, tally.Stored, kRecords - std::min(tally.Stored, kRecords), tally.OutOfOrder, tally.PerSecond);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    char pattern[] = "/tmp/app-store-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::filesystem::path dir = pattern;
    std::filesystem::current_path(dir);

    QApplication app(argc, argv);
    SetDecimalSeparator(',');
    int problems = 0;
    SetMessageHook([&](const TShownMessage& Shown) {
        std::printf("message: %s\n", Shown.Text.toUtf8().constData());
        ++problems;
        return static_cast<int>(mrOk);
    });
    Application::SetExceptionHook([&](TObject*, const std::exception& E) {
        std::printf("exception: %s\n", E.what());
        ++problems;
    });

    TMServerSettings settings = TMServerSettings::FromEnvironment();
    settings.DataDir = dir / "m";
    settings.SettingsFile = dir / "vism.conf";
    settings.ObjectDir = dir / "m-objects";

    TPtyPair pty;
    std::ofstream("mirtal.ini") << "[Balanca]\nPorta=" << pty.SlavePath()
                                << "\nBaudRate=115200\nByteSize=8\nStopBits=1\nNrRegistro=10\nSepDecimal=,\n"
                                   "PosPesoBruto=2\nNrCrPesBruto=7\nQtdeDecBalanca=2\nQtdeDecGrava=3\n"
                                   "ChEstabiliz=2\nTpChEstabiliz=ASCII\n[Terminal]\nTerminal=T01\n"
                                   "[Namespace]\nNamespace=SISTEMAS\n[Empresa]\nEmpresa=1\n";
    {
        TimedVisM* server = nullptr;
        TFormTrevaskParts parts;
        parts.CreateVisM = [&](TComponent* Owner) {
            server = new TimedVisM(Owner);
            server->SetServerSettings(settings);
            return server;
        };
        TFormTrevask form(parts);
        TVisM reader(nullptr);
        reader.SetServerSettings(settings);
        reader.SetNameSpace("SISTEMAS");
        if (problems == 0) {
            MeasureLatency(*server, pty);
            MeasureStream(*server, pty, reader);
            MeasureCapacity(*server, pty);
        }
    }
    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir);
    return problems == 0 ? 0 : 1;
}
