// The whole engine path: submit -> worker -> codec -> in-process simulated drive ->
// dispatcher -> handler. Prints exchanges per second and the engine's own cost per exchange
// (the whole path minus a bare codec exchange with the same drive).

#include <benchmark/benchmark.h>

#include <memory>

#include "SimulatedLinkObject.h"
#include "dictionary/DictionarySource.h"
#include "engine/ControlLink.h"
#include "engine/HandlerDispatcher.h"

namespace {

using namespace morlo;

constexpr double kWireSecondsPerExchange = 200.0 / 115200.0;

std::shared_ptr<sim::SimulatedDrive> MakeDrive() {
    static DictionarySource source = LoadDictionarySource(MORLO_DICTIONARY_SOURCE_DIR);
    return std::make_shared<sim::SimulatedDrive>(source);
}

void BM_CodecOnly(benchmark::State& state) {
    auto drive = MakeDrive();
    std::atomic<bool> retry{true};
    link::LinkLibrary library;
    library.RegisterFactory(link::kLinkTypeSimulated,
                            [drive] { return std::make_unique<sim::SimulatedLinkObject>(drive); });
    library.Load(link::kLinkTypeSimulated);
    library.Open(link::LinkSettings{});
    link::LinkCodec codec(library, retry);
    codec.SetLinkType(link::kLinkTypeSimulated);
    for (auto _ : state) {
        codec.Exchange(0x604100, link::kCmdRead, 0);
        link::ResultKind kind;
        std::int32_t value = 0;
        benchmark::DoNotOptimize(codec.Decode(kind, value));
    }
    state.counters["exchanges_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CodecOnly)->UseRealTime();

void BM_WholePath(benchmark::State& state) {
    auto drive = MakeDrive();
    link::LinkLibrary library;
    library.RegisterFactory(link::kLinkTypeSimulated,
                            [drive] { return std::make_unique<sim::SimulatedLinkObject>(drive); });
    engine::HandlerDispatcher dispatcher;
    engine::ControlLink control(library, dispatcher, {});
    control.SetCyclicReadSwitch(false);
    control.Start();
    control.SelectLinkType(link::kLinkTypeSimulated);
    control.OpenLink(link::LinkSettings{});
    control.SetLinkState(engine::kLinkStateOpen);
    constexpr engine::ReceiverId kPage = 5;
    long answered = 0;
    dispatcher.Register(kPage, [&](const engine::Delivery&) { ++answered; });
    for (auto _ : state) {
        long before = answered;
        control.SubmitRequest(kPage, link::kCmdRead, 0x604100, 0);
        while (answered == before) {
            control.RunPendingDeliveries(std::chrono::milliseconds(100));
        }
    }
    control.Stop();
    state.counters["exchanges_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WholePath)->UseRealTime();

// Engine cost per exchange in microseconds, and as a share of one exchange on a 115200 line.
class OverheadReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            double perExchange = run.GetAdjustedRealTime() / 1e3;  // ns -> us
            if (run.benchmark_name().find("CodecOnly") != std::string::npos) {
                codecUs_ = perExchange;
            } else if (run.benchmark_name().find("WholePath") != std::string::npos) {
                wholeUs_ = perExchange;
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (codecUs_ > 0 && wholeUs_ > 0) {
            double overhead = wholeUs_ - codecUs_;
            std::printf(
                "engine overhead per exchange: %.2f us (%.3f%% of a 115200 baud exchange)\n",
                overhead, 100.0 * overhead * 1e-6 / kWireSecondsPerExchange);
        }
    }

  private:
    double codecUs_ = 0;
    double wholeUs_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    OverheadReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
