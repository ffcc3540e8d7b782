// The oscilloscope page against `morloservo-sim --serial --baud 115200`: an 8192-byte record
// from the drive's announcement to decoded curves, as a ratio to 1171 x the wire time of one
// exchange (20 bytes of 10 bits); the longest stretch the GUI thread is busy meanwhile; and
// painting four curves of 2000 points; the measurements and a spectrum of four channels of
// 4000 samples (goal: below 5 ms together), and a paint with four references behind four
// curves of 4000 points (goal: below 8 ms).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "AppConstants.h"
#include "AppContext.h"
#include "CDriverOscillo.h"
#include "CMainFrame.h"
#include "ChildProcess.h"
#include "ScopeControls.h"
#include "ScopePlotWidget.h"
#include "Startup.h"
#include "TempFolder.h"
#include "profile/Profile.h"
#include "scope/ScopeMeasure.h"
#include "scope/ScopeSpectrum.h"

namespace {

using namespace morlo;
using namespace std::chrono_literals;

constexpr int kBaud = 115200;
constexpr double kWireSecondsPerExchange = 200.0 / kBaud;
constexpr int kRecordBytes = 8192;
constexpr int kSamples = kRecordBytes / 8;  // four 16-bit channels
constexpr double kSegmentExchanges = 1171;  // 8192 / 7 rounded up

// Times every event the GUI thread handles while asked to.
class TimedApplication final : public QApplication {
  public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        if (!measuring || depth_ > 0) {
            return QApplication::notify(receiver, event);
        }
        ++depth_;
        QElapsedTimer timer;
        timer.start();
        const bool result = QApplication::notify(receiver, event);
        longestNs = std::max(longestNs, timer.nsecsElapsed());
        --depth_;
        return result;
    }
    bool measuring = false;
    qint64 longestNs = 0;

  private:
    int depth_ = 0;
};

TimedApplication* App() {
    return static_cast<TimedApplication*>(QCoreApplication::instance());
}

// Runs events as the program's own loop would, sleeping until the next one arrives.
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

void Enter(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    emit edit->returnPressed();
}

void BM_UploadThroughThePage(benchmark::State& state) {
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
    if (!WaitUntil([&] { return !context.linkOpenPending; }, 5000) ||
        context.Link().LinkState() != engine::kLinkStateOpen) {
        state.SkipWithError("link did not open");
        return;
    }
    frame->RunCommand(gui::cmd::kToolOscilloscope);
    auto* page = qobject_cast<gui::CDriverOscillo*>(frame->PageOf(gui::slot::kOscilloscope));
    WaitUntil([&] { return page->ReadBackClosings() > 0; }, 10000);
    // Channel 4 records a fourth 16-bit object; 1024 samples of 8 bytes at 62.5 us.
    auto* item = page->Control<QComboBox>(gui::ctl::kChannelItem[3]);
    item->setCurrentIndex(item->findText("Torque demand"));
    emit item->activated(item->currentIndex());
    page->Control<QCheckBox>(gui::ctl::kChannelCheck[3])->click();
    Enter(page->Control<QLineEdit>(gui::ctl::kPeriod), "1");
    Enter(page->Control<QLineEdit>(gui::ctl::kSamples), QString::number(kSamples));
    const int before = page->ReadBackClosings();
    WaitUntil([&] { return page->ReadBackClosings() > before + 2; }, 10000);

    QElapsedTimer clock;
    double seconds = 0;
    qint64 longestNs = 0;
    std::size_t points = 0;
    QObject::connect(page, &gui::CDriverOscillo::uploadStarted, [&] {
        clock.start();
        App()->longestNs = 0;
        App()->measuring = true;
    });
    QObject::connect(page, &gui::CDriverOscillo::curvesChanged, [&] {
        seconds = clock.nsecsElapsed() / 1e9;
        App()->measuring = false;
        longestNs = App()->longestNs;
    });
    for (auto _ : state) {
        seconds = 0;
        page->StartOrCancel();
        if (!WaitUntil([&] { return seconds > 0 && page->Capture().Idle(); }, 30000)) {
            state.SkipWithError("capture did not end");
            break;
        }
        state.SetIterationTime(seconds);
        points = page->Plot().Curve(3).points.size();
    }
    state.counters["record_bytes"] = static_cast<double>(page->Capture().BytesReceived());
    state.counters["samples_per_channel"] = static_cast<double>(points);
    state.counters["ms_upload_and_decode"] = seconds * 1e3;
    state.counters["ratio_to_wire"] = seconds / (kSegmentExchanges * kWireSecondsPerExchange);
    state.counters["ms_longest_gui_busy"] = static_cast<double>(longestNs) / 1e6;
    frame->ToggleLink();
}
BENCHMARK(BM_UploadThroughThePage)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

// Paints the plot once per iteration and reports the longest paint against the 8 ms goal.
void TimePaints(benchmark::State& state, gui::ScopePlotWidget& widget, QImage& image) {
    double longest = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        QPainter painter(&image);
        widget.PaintPlot(painter);
        painter.end();
        longest = std::max(longest, timer.nsecsElapsed() / 1e6);
    }
    state.counters["ms_longest_paint"] = longest;
    state.counters["ratio_to_8ms"] = longest / 8.0;
}

void BM_PaintFourCurvesOf2000Points(benchmark::State& state) {
    scope::ScopePlot plot({0, 18, 1002, 368});
    for (int channel = 0; channel < 4; ++channel) {
        double value = 0;
        for (int i = 0; i < 2000; ++i) {
            value += std::sin(i * 0.01 * (channel + 1)) * 50 + ((i * 7919 + channel) % 13) - 6;
            plot.AddPoint(channel, value);
        }
        plot.SetCoefficient(channel, 1);
    }
    plot.ResetZoom();
    plot.Recompute();
    gui::ScopePlotWidget widget(plot, QRect(QPoint(10, 22), QPoint(990, 366)));
    QImage image(widget.size(), QImage::Format_RGB32);
    TimePaints(state, widget, image);
}
BENCHMARK(BM_PaintFourCurvesOf2000Points)->Iterations(50)->Unit(benchmark::kMillisecond);

// Four channels of 4000 samples, made like the curves of the paint above: a slow swing with
// a little noise.
scope::ScopePlot PlotOf4000() {
    scope::ScopePlot plot({0, 18, 1002, 368});
    for (int channel = 0; channel < 4; ++channel) {
        double value = 0;
        for (int i = 0; i < 4000; ++i) {
            value += std::sin(i * 0.005 * (channel + 1)) * 50 + ((i * 7919 + channel) % 13) - 6;
            plot.AddPoint(channel, value);
        }
        plot.SetCoefficient(channel, 0.1);
    }
    plot.SetPeriod(16);
    plot.ResetZoom();
    plot.Recompute();
    return plot;
}

void BM_MeasurementsAndSpectrumOfFourChannelsOf4000(benchmark::State& state) {
    const scope::ScopePlot plot = PlotOf4000();
    double longest = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        for (int channel = 0; channel < 4; ++channel) {
            const auto values =
                scope::SamplesIn(plot.Curve(channel), scope::MeasuredRange(plot, channel));
            benchmark::DoNotOptimize(scope::Measure(values, 0.1));
        }
        // The spectrum of one chosen channel, in its unit, as the spectrum window computes it.
        std::vector<double> shown;
        for (double raw : scope::SamplesIn(plot.Curve(0), scope::MeasuredRange(plot, 0))) {
            shown.push_back(raw * 0.1);
        }
        benchmark::DoNotOptimize(scope::ComputeSpectrum(shown, 1000));
        longest = std::max(longest, timer.nsecsElapsed() / 1e6);
    }
    state.counters["ms_longest"] = longest;
    state.counters["ratio_to_5ms"] = longest / 5.0;
}
BENCHMARK(BM_MeasurementsAndSpectrumOfFourChannelsOf4000)
    ->Iterations(50)
    ->Unit(benchmark::kMillisecond);

void BM_PaintWithFourReferences(benchmark::State& state) {
    scope::ScopePlot plot = PlotOf4000();
    for (int r = 0; r < 4; ++r) {
        scope::ReferenceCurve reference;
        reference.name = "reference " + std::to_string(r + 1);
        for (int channel = 0; channel < 4; ++channel) {
            for (const auto& point : plot.Curve(channel).points) {
                reference.values[static_cast<std::size_t>(channel)].push_back(point.value *
                                                                              (1 + 0.05 * r));
            }
            reference.coefficient[static_cast<std::size_t>(channel)] = 0.1;
        }
        plot.AddReference(std::move(reference));
    }
    plot.SetTrigger(scope::TriggerMark{400, false, 0, 500});
    gui::ScopePlotWidget widget(plot, QRect(QPoint(10, 22), QPoint(990, 366)));
    QImage image(widget.size(), QImage::Format_RGB32);
    {
        // The first paint of the process fills the font's glyph cache: not timed.
        QPainter warm(&image);
        widget.PaintPlot(warm);
    }
    TimePaints(state, widget, image);
}
BENCHMARK(BM_PaintWithFourReferences)->Iterations(50)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TimedApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
