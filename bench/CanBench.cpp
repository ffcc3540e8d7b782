// The CAN link against `morloservo-sim --can --standard` on a private virtual bus: the
// recorder's 8192-byte record by block upload and by segmented upload in the same run, with
// their ratio (the goal: block at least 5 times faster), and a scan of all 127 node ids with
// three drives on the bus (the goal: under a second).

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>

#include "ChildProcess.h"
#include "QtLinkFactories.h"
#include "canopen/BusScan.h"
#include "link/CanBitTiming.h"
#include "link/LinkCodec.h"

namespace {

using namespace morlo;
using namespace std::chrono_literals;

const std::string kBus = "virtualcan:tcp://127.0.0.1:44090/can0";
constexpr ObjectKey kRecord = MakeObjectKey(0x2300, 0x10);
constexpr double kRecordBytes = 8192;
constexpr int kBitRate1M = 1000000;

struct Rig {
    Rig()
        : sim(MORLO_SIM_PATH,
              {"--can", kBus, "--standard", "--node", "1", "--node", "5", "--node", "127"}),
          codec(library, retry) {
        if (sim.ReadLine(10s) != "can " + kBus) {
            return;
        }
        link::RegisterQtLinkFactories(library, kBus);
        library.Load(link::kLinkTypeCan);
        link::LinkSettings settings;
        for (const auto& timing : link::kCanBitTimings) {
            if (timing.bitRate == kBitRate1M) {
                settings.rate = timing.code;
            }
        }
        ready = library.Open(settings) == 0;
        codec.SetLinkType(link::kLinkTypeCan);
        codec.SetNodeId(1);
        ready = ready && Record();
    }
    bool Exchange(ObjectKey key, std::uint8_t command, std::int32_t value, std::int32_t& out) {
        link::ResultKind kind;
        return codec.Exchange(key, command, value) == link::kExchangeAnswered &&
               codec.Decode(kind, out);
    }
    // Two 16-bit channels of 2048 samples: 8192 bytes.
    bool Record() {
        std::int32_t value = 0;
        const std::pair<ObjectKey, std::int32_t> setup[] = {
            {0x230001, 0x60410010}, {0x230002, 0x60770010}, {0x230003, 0}, {0x230004, 0},
            {0x230005, 0},          {0x230006, 0},          {0x23000C, 0}};
        for (auto [key, mapping] : setup) {
            Exchange(key, link::kCmdWrite32, mapping, value);
        }
        Exchange(0x230008, link::kCmdWrite16, 1, value);
        Exchange(0x23000A, link::kCmdWrite16, 2048, value);
        Exchange(0x230007, link::kCmdWrite8, 1, value);
        do {
            if (!Exchange(0x230007, link::kCmdRead, 0, value)) {
                return false;
            }
        } while (value != 0);
        return true;
    }
    // Reads the record as the oscilloscope does: the upload start, then segment after segment
    // (from the wire, or from the data a block upload brought). The bytes read; 0 on failure.
    std::size_t ReadRecord() {
        std::int32_t size = 0;
        if (!Exchange(kRecord, link::kCmdRead, 0, size)) {
            return 0;
        }
        std::size_t bytes = 0;
        std::uint8_t toggle = link::kCmdSegment;
        while (true) {
            std::int32_t value = 0;
            if (!Exchange(0, toggle, 0, value)) {
                return 0;
            }
            const std::uint8_t* data = nullptr;
            int count = 0;
            bool last = false;
            codec.GetSegmentData(data, count, last);
            bytes += static_cast<std::size_t>(count);
            if (last) {
                return bytes;
            }
            toggle = toggle == link::kCmdSegment ? link::kCmdSegmentToggle : link::kCmdSegment;
        }
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

// Milliseconds per record of each way, for the ratio printed at the end.
double g_blockMs = 0;
double g_segmentedMs = 0;

void UploadRecord(benchmark::State& state, bool byBlocks, double& msPerRecord) {
    Rig& rig = TheRig();
    if (!rig.ready) {
        state.SkipWithError("simulator not reachable");
        return;
    }
    rig.codec.SetBlockUploadObjects(
        byBlocks ? link::LinkCodec::ObjectFilter([](ObjectKey key) { return key == kRecord; })
                 : link::LinkCodec::ObjectFilter());
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (rig.ReadRecord() != static_cast<std::size_t>(kRecordBytes)) {
            state.SkipWithError("the record did not arrive whole");
            return;
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    msPerRecord = 1000 * seconds / static_cast<double>(state.iterations());
    state.counters["ms_per_record"] = msPerRecord;
    state.counters["bytes_per_s"] = benchmark::Counter(
        kRecordBytes * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_RecordBySegmentedUpload(benchmark::State& state) {
    UploadRecord(state, false, g_segmentedMs);
}
BENCHMARK(BM_RecordBySegmentedUpload)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_RecordByBlockUpload(benchmark::State& state) {
    UploadRecord(state, true, g_blockMs);
}
BENCHMARK(BM_RecordByBlockUpload)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

// All 127 node ids asked at once; nodes 1, 5 and 127 answer and give their texts.
void BM_ScanOf127NodeIds(benchmark::State& state) {
    Rig& rig = TheRig();
    if (!rig.ready) {
        state.SkipWithError("simulator not reachable");
        return;
    }
    for (auto _ : state) {
        std::vector<canopen::ScannedNode> found;
        rig.codec.UseCanBus([&](link::CanPort& port) { found = canopen::ScanBus(port, 1, 127); });
        if (found.size() != 3) {
            state.SkipWithError("the scan did not find the three drives");
            return;
        }
    }
}
BENCHMARK(BM_ScanOf127NodeIds)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_blockMs > 0 && g_segmentedMs > 0) {
        std::printf(
            "8192-byte record: block upload %.1f ms, segmented upload %.1f ms, "
            "block %.1f times faster (goal: at least 5)\n",
            g_blockMs, g_segmentedMs, g_segmentedMs / g_blockMs);
    }
    return 0;
}
