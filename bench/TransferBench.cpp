// Backs up the default object list (user/all-parameters.cdo) from
// `morloservo-sim --serial --baud 115200` with the drive-data run and the control link, and
// reports the time of the run as a ratio to rows x the wire time of one exchange (20 bytes of
// 10 bits). The receivers' thread waits for results as the command-line tool does. Each
// iteration also times the same reads through the control link alone, right after the run,
// so that ratio_to_bare_link (the run's mean over the bare link's mean, goal <= 1.03) holds
// on a busy machine too.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <algorithm>
#include <optional>

#include "ChildProcess.h"
#include "QtLinkFactories.h"
#include "QtWorkerThread.h"
#include "engine/HandlerDispatcher.h"
#include "link/LinkConstants.h"
#include "transfer/DriveDataKey.h"
#include "transfer/DriveDataRun.h"

namespace {

using namespace morlo;
using namespace std::chrono_literals;

constexpr int kBaud = 115200;
constexpr double kWireSecondsPerExchange = 200.0 / kBaud;
constexpr engine::ReceiverId kReceiver = 2;
constexpr engine::ReceiverId kBareReceiver = 3;

struct BenchFace final : transfer::TransferTimer, transfer::TransferEvents {
    void Start(std::chrono::milliseconds delay) override {
        deadline = std::chrono::steady_clock::now() + delay;
    }
    void Stop() override { deadline.reset(); }
    void RowChanged(int) override {}
    void RunFinished(transfer::RunKind, const transfer::RunCounts& c, bool noAnswer) override {
        finished = true;
        counts = c;
        unanswered = noAnswer;
    }
    std::optional<std::chrono::steady_clock::time_point> deadline;
    bool finished = false;
    bool unanswered = false;
    transfer::RunCounts counts;
};

void BM_BackupAllParameters(benchmark::State& state) {
    test::ChildProcess sim(MORLO_SIM_PATH, {"--serial", "--baud", std::to_string(kBaud)});
    auto first = sim.ReadLine(10s);
    if (!first || first->rfind("serial ", 0) != 0) {
        state.SkipWithError("simulator not reachable");
        return;
    }
    const std::filesystem::path work = MORLO_BUILT_RUNTIME_DIR;
    ObjectDictionary dictionary;
    std::string list;
    if (!dictionary.LoadFile(work / "data" / "TARNEX.dat", 2) ||
        !transfer::ReadFileBytes(work / "user" / "all-parameters.cdo", list)) {
        state.SkipWithError("no working folder");
        return;
    }
    link::LinkLibrary library;
    link::RegisterQtLinkFactories(library, "virtualcan:can0");
    engine::HandlerDispatcher dispatcher;
    engine::ControlLink::Options options;
    options.launcher = link::QtThreadLauncher();
    engine::ControlLink control(library, dispatcher, options);
    control.Start();
    control.SelectLinkType(link::kLinkTypeSerial);
    link::LinkSettings settings;
    settings.portName = first->substr(7);
    settings.rate = kBaud;
    if (control.OpenLink(settings) != 0) {
        state.SkipWithError("serial link did not open");
        return;
    }
    control.SetLinkState(engine::kLinkStateOpen);

    BenchFace face;
    transfer::ControlLinkTransfer link(control, kReceiver);
    transfer::DriveDataRun run(dictionary, link, face, face);
    dispatcher.Register(kReceiver, [&](const engine::Delivery& d) { run.OnResult(d); });
    // The same reads without the run: submit, wait for the answer, next.
    long answered = 0;
    dispatcher.Register(kBareReceiver, [&](const engine::Delivery&) { ++answered; });
    run.SetObjectList(transfer::ReadObjectList(list));
    const auto rows = static_cast<double>(run.Rows().size());
    double seconds = 0;
    double totalSeconds = 0;
    double bareSeconds = 0;
    for (auto _ : state) {
        face.finished = false;
        const auto start = std::chrono::steady_clock::now();
        run.Start(transfer::RunKind::Backup);
        while (!face.finished) {
            control.RunPendingDeliveries(20ms);
            if (face.deadline && std::chrono::steady_clock::now() >= *face.deadline) {
                face.deadline.reset();
                run.OnTimer();
            }
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        totalSeconds += seconds;

        const auto bareStart = std::chrono::steady_clock::now();
        for (const transfer::TransferRow& row : run.Rows()) {
            const long before = answered;
            control.SubmitRequest(kBareReceiver, link::kCmdRead, transfer::ObjectKeyOf(row.key), 0);
            while (answered == before) {
                control.RunPendingDeliveries(20ms);
            }
        }
        bareSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - bareStart).count();
    }
    const auto iterations = static_cast<double>(state.iterations());
    seconds = totalSeconds / iterations;  // the mean run
    bareSeconds /= iterations;
    control.SetLinkState(engine::kLinkStateClosed);
    control.CloseLink();
    control.Stop();
    if (face.unanswered || face.counts.errors != 0) {
        state.SkipWithError("the backup did not read every row");
        return;
    }
    state.counters["rows"] = rows;
    state.counters["ms_run"] = seconds * 1e3;
    state.counters["ms_wire"] = rows * kWireSecondsPerExchange * 1e3;
    state.counters["ratio_to_wire"] = seconds / (rows * kWireSecondsPerExchange);
    state.counters["bare_link_ratio_to_wire"] = bareSeconds / (rows * kWireSecondsPerExchange);
    state.counters["ratio_to_bare_link"] = seconds / bareSeconds;
}
BENCHMARK(BM_BackupAllParameters)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
