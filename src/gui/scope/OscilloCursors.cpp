// The oscilloscope page's cursors, cursor read-outs and scale read-outs.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <cmath>

#include "CDriverOscillo.h"
#include "ScopePlotWidget.h"
#include "SpectrumView.h"
#include "scope/ScaleText.h"
#include "text/NumberIo.h"
#include "values/FormulaMath.h"
#include "values/UnitTable.h"

namespace morlo::gui {
namespace {

constexpr double kMicrosecondsPerMillisecond = 1e3;
constexpr double kMicrosecondsPerSecond = 1e6;
constexpr int kReadoutDecimals = 2;

// The raw value under a cursor as the drive's 32-bit pattern.
std::int32_t Truncated(double value) {
    const double t = std::trunc(value);
    if (!(t > -9.3e18 && t < 9.3e18)) {
        return 0;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::int64_t>(t)));
}

}  // namespace

void CDriverOscillo::Repaint() {
    plotWidget_->update();
    RefreshCursorReadouts();  // what lies under the cursors follows every change of the plot
    RefreshMeasurements();
    if (spectrum_ && spectrum_->isVisible()) {
        RefreshSpectrum();
    }
}

void CDriverOscillo::SetCursorMode(int mode) {
    plot_.SetCursorMode(mode);
    cursor1Slider_->setEnabled(mode >= 1);
    cursor2Slider_->setEnabled(mode == 2);
    if (mode >= 1) {
        cursor1Slider_->setValue(plot_.CursorPosition(1));
    }
    if (mode == 2) {
        cursor2Slider_->setValue(plot_.CursorPosition(2));
    }
    Repaint();
}

void CDriverOscillo::OnCursorSlider(int cursor, int position) {
    if (!slidersReady_ || position == plot_.CursorPosition(cursor)) {
        return;
    }
    const int mode = plot_.CursorMode();
    if ((cursor == 1 && mode >= 1) || (cursor == 2 && mode == 2)) {
        plot_.MoveCursor(cursor, position);
        Repaint();
    }
}

void CDriverOscillo::RefreshCursorReadouts() {
    const int channel = cursorChannel_->currentIndex();
    const int mode = plot_.CursorMode();
    if (channel < 0 || mode == 0) {
        return;
    }
    for (QLineEdit* edit : readouts_) {
        edit->setText("0");
    }
    dataHeader_->setText(tr("数据(%1)").arg(kUnitDec));
    const double usPerSample = period_ * scope::kPeriodUnitMicroseconds;
    const auto n = static_cast<std::size_t>(channel);
    QComboBox* unit = channels_[n].unit;
    if (!channels_[n].check->isChecked() || unit->currentIndex() < 0) {
        ReloadForm();
        return;
    }
    dataHeader_->setText(tr("数据(%1)").arg(unit->currentText()));
    const ObjectKey key = channelKey_[n];
    auto time = [](double us, double divisor) {
        return QString::fromStdString(WriteFixed(us / divisor, kReadoutDecimals));
    };

    scope::SampleUnder first;
    double divisor = 1;
    if (plot_.CursorPosition(1) != 0) {
        first = plot_.SampleAt(channel, plot_.CursorPosition(1)).value_or(first);
        // On the time axis shown: from the first sample, or from the trigger.
        const double us = (first.sample - plot_.TimeZero()) * usPerSample;
        QString timeUnit = "us";
        if (std::fabs(us) > kMicrosecondsPerSecond) {
            timeUnit = "s";
            divisor = kMicrosecondsPerSecond;
        } else if (std::fabs(us) >= kMicrosecondsPerMillisecond) {
            timeUnit = "ms";
            divisor = kMicrosecondsPerMillisecond;
        }
        timeHeader_->setText(tr("时间(%1)").arg(timeUnit));
        readouts_[0]->setText(time(us, divisor));
        readouts_[1]->setText(DisplayInCombo(unit, key, Truncated(first.value)));
    }
    if (mode == 2) {
        scope::SampleUnder second;
        second = plot_.SampleAt(channel, plot_.CursorPosition(2)).value_or(second);
        readouts_[2]->setText(time((second.sample - plot_.TimeZero()) * usPerSample, divisor));
        readouts_[3]->setText(DisplayInCombo(unit, key, Truncated(second.value)));
        readouts_[4]->setText(time(std::fabs(first.sample - second.sample) * usPerSample, divisor));
        // The later value less the earlier one, with its sign whatever the channel's type.
        const double difference =
            first.sample > second.sample ? first.value - second.value : second.value - first.value;
        readouts_[5]->setText(QString::fromStdString(scope::DifferenceForm(
            Units(), key, TruncateToInt64(difference), unit->currentText().toStdString())));
    }
    ReloadForm();
}

void CDriverOscillo::RefreshScaleReadouts() {
    for (int channel = 0; channel < scope::kChannelCount; ++channel) {
        const auto n = static_cast<std::size_t>(channel);
        offset_[n] = plot_.Offset(channel);
        if (channels_[n].check->isChecked()) {
            scaleText_[n] = QString::fromStdString(scope::FormatScaleText(plot_.Scale(channel)));
        }
    }
    NormaliseOffsets();
}

}  // namespace morlo::gui
