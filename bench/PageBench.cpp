// Opens the largest parameter page against `morloservo-sim --serial --baud 115200` once the
// link is up, and reports the time until every row has its value, as a ratio to rows x the
// wire time of one exchange (20 bytes of 10 bits).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "AppConstants.h"
#include "AppContext.h"
#include "CMainFrame.h"
#include "ChildProcess.h"
#include "EditListCtrl.h"
#include "ParameterPage.h"
#include "Startup.h"
#include "TempFolder.h"
#include "profile/Profile.h"

namespace {

using namespace morlo;
using namespace std::chrono_literals;

constexpr int kBaud = 115200;
constexpr double kWireSecondsPerExchange = 200.0 / kBaud;

// Runs events as the program's own loop would: sleeping until the next one arrives, so that
// the measurement does not take a core away from the link.
bool WaitUntil(const std::function<bool()>& condition, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    QTimer tick;
    tick.start(5);
    while (!condition()) {
        if (timer.elapsed() > limitMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void BM_OpenBasicOperatePage(benchmark::State& state) {
    test::ChildProcess sim(MORLO_SIM_PATH, {"--serial", "--baud", std::to_string(kBaud)});
    auto first = sim.ReadLine(10s);
    if (!first || first->rfind("serial ", 0) != 0) {
        state.SkipWithError("simulator not reachable");
        return;
    }
    test::TempFolder folder;
    const std::filesystem::path built = MORLO_BUILT_RUNTIME_DIR;
    for (const char* sub : {"sys", "data"}) {
        std::filesystem::copy(built / sub, folder.Path() / sub,
                              std::filesystem::copy_options::recursive);
    }
    const auto sysIni = folder.Path() / "sys" / "sys.ini";
    Profile::WriteString(sysIni, "sys", "comm", "2");
    Profile::WriteString(sysIni, "com", "comid", first->substr(7));
    Profile::WriteString(sysIni, "com", "buadrate", std::to_string(kBaud));

    gui::AppContextOptions options;
    options.workDir = QString::fromStdString(folder.Path().string());
    options.chineseSystem = false;
    gui::AppContext context(options);
    context.messageInterceptor = [](const QString&, QMessageBox::Icon) {};
    std::unique_ptr<gui::CMainFrame> frame(gui::CreateMainFrame(context));
    context.Dictionary().WaitUntilLoaded(10s);
    frame->ToggleLink();
    // The link is up once it is confirmed and the constants of the unit formulas, read at the
    // confirmation, have arrived; the page's fill is measured from then on.
    auto settled = [&] {
        for (ObjectKey key : context.Conversion().ConstantsOfUnits()) {
            if (!context.Formulas().HasConstant(key) || context.Formulas().IsRequested(key)) {
                return false;
            }
        }
        return !context.linkOpenPending;
    };
    if (!WaitUntil(settled, 5000) || context.Link().LinkState() != engine::kLinkStateOpen) {
        state.SkipWithError("link did not open");
        return;
    }
    int rows = 0;
    double seconds = 0;
    double creationMs = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        frame->OpenPage(gui::cmd::kBaseOperate);
        creationMs = timer.nsecsElapsed() / 1e6;
        auto* page = qobject_cast<gui::ParameterPage*>(frame->PageOf(2));
        gui::EditListCtrl* list = page->List();
        rows = list->RowCount();
        WaitUntil(
            [&] {
                for (int row = 0; row < list->RowCount(); ++row) {
                    if (list->Text(row, kColumnValue).isEmpty()) {
                        return false;
                    }
                }
                return true;
            },
            20000);
        seconds = timer.nsecsElapsed() / 1e9;
        state.SetIterationTime(seconds);
    }
    state.counters["rows"] = rows;
    state.counters["ms_until_filled"] = seconds * 1e3;
    state.counters["ms_creating_page"] = creationMs;
    state.counters["ratio_fill_only"] =
        (seconds - creationMs / 1e3) / (rows * kWireSecondsPerExchange);
    state.counters["ratio_to_wire"] = seconds / (rows * kWireSecondsPerExchange);
    frame->ToggleLink();
}
BENCHMARK(BM_OpenBasicOperatePage)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
