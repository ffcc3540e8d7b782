// Exchanges per second through the codec against `morloservo-sim --serial --baud 115200`,
// as a ratio to what the wire allows: one exchange is 20 bytes of 10 bits.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <memory>

#include "ChildProcess.h"
#include "QtLinkFactories.h"
#include "link/LinkCodec.h"

namespace {

using namespace morlo;
using namespace std::chrono_literals;

constexpr int kBaud = 115200;
constexpr double kBitsPerExchange = 2 * link::kSerialFrameSize * 10;
constexpr double kWireExchangesPerSecond = kBaud / kBitsPerExchange;  // 576

// The simulator and an open codec, shared by the benchmarks of one run.
struct Rig {
    Rig()
        : sim(MORLO_SIM_PATH, {"--serial", "--baud", std::to_string(kBaud)}),
          codec(library, retry) {
        auto first = sim.ReadLine(10s);
        if (!first || first->rfind("serial ", 0) != 0) {
            return;
        }
        link::RegisterQtLinkFactories(library, "virtualcan:can0");
        library.Load(link::kLinkTypeSerial);
        link::LinkSettings settings;
        settings.portName = first->substr(7);
        settings.rate = kBaud;
        ready = library.Open(settings) == 0;
        codec.SetLinkType(link::kLinkTypeSerial);
        codec.SetNodeId(1);
    }
    bool Exchange(ObjectKey key, std::uint8_t command, std::int32_t value, std::int32_t& out) {
        link::ResultKind kind;
        return codec.Exchange(key, command, value) == link::kExchangeAnswered &&
               codec.Decode(kind, out);
    }
    test::ChildProcess sim;
    std::atomic<bool> retry{true};
    link::LinkLibrary library;
    link::LinkCodec codec;
    bool ready = false;
};

Rig& TheRig() {
    static Rig rig;
    return rig;
}

void Report(benchmark::State& state, double exchanges) {
    state.counters["exchanges_per_s"] = benchmark::Counter(exchanges, benchmark::Counter::kIsRate);
    state.counters["wire_limit_per_s"] = kWireExchangesPerSecond;
    state.counters["ratio_to_wire"] =
        benchmark::Counter(exchanges / kWireExchangesPerSecond, benchmark::Counter::kIsRate);
}

void BM_ExpeditedReads(benchmark::State& state) {
    Rig& rig = TheRig();
    if (!rig.ready) {
        state.SkipWithError("simulator not reachable");
        return;
    }
    double exchanges = 0;
    for (auto _ : state) {
        std::int32_t value = 0;
        if (!rig.Exchange(0x604100, link::kCmdRead, 0, value)) {
            state.SkipWithError("exchange failed");
            return;
        }
        ++exchanges;
    }
    Report(state, exchanges);
}
BENCHMARK(BM_ExpeditedReads)->Iterations(2000)->UseRealTime();

// One 8192-byte record of the recorder (two 16-bit channels, 2048 samples) uploaded in
// 7-byte segments.
void BM_SegmentedUpload8192(benchmark::State& state) {
    Rig& rig = TheRig();
    if (!rig.ready) {
        state.SkipWithError("simulator not reachable");
        return;
    }
    std::int32_t value = 0;
    const std::pair<ObjectKey, std::int32_t> setup[] = {
        {0x230001, 0x60410010}, {0x230002, 0x60770010}, {0x230003, 0}, {0x230004, 0},
        {0x230005, 0},          {0x230006, 0},          {0x23000C, 0}};
    for (auto [key, mapping] : setup) {
        rig.Exchange(key, link::kCmdWrite32, mapping, value);
    }
    rig.Exchange(0x230008, link::kCmdWrite16, 1, value);
    rig.Exchange(0x23000A, link::kCmdWrite16, 2048, value);
    double exchanges = 0;
    double bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rig.Exchange(0x230007, link::kCmdWrite8, 1, value);
        do {
            rig.Exchange(0x230007, link::kCmdRead, 0, value);
        } while (value != 0);
        state.ResumeTiming();
        rig.Exchange(0x230010, link::kCmdRead, 0, value);
        std::uint8_t toggle = link::kCmdSegment;
        while (true) {
            if (!rig.Exchange(0, toggle, 0, value)) {
                state.SkipWithError("segment failed");
                return;
            }
            const std::uint8_t* data = nullptr;
            int count = 0;
            bool last = false;
            rig.codec.GetSegmentData(data, count, last);
            ++exchanges;
            bytes += count;
            if (last) {
                break;
            }
            toggle = toggle == link::kCmdSegment ? link::kCmdSegmentToggle : link::kCmdSegment;
        }
    }
    Report(state, exchanges);
    state.counters["record_bytes"] = bytes / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SegmentedUpload8192)->Iterations(2)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
