#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <optional>
#include <vector>

#include "scope/ScopeConstants.h"
#include "scope/ScopeSpectrum.h"

class QComboBox;
class QLabel;

namespace morlo::gui {

class SpectrumPlot;

// The magnitude spectrum of one channel of the oscilloscope, in a window of its own: the
// channel and dB or linear are chosen above the plot; a click or drag in the plot places the
// frequency cursor; the strongest peak is marked and named.
class SpectrumView final : public QDialog {
    Q_OBJECT
  public:
    // What the page gives: per channel its samples in the display unit (empty: not shown),
    // its unit, and the sampling rate.
    struct Input {
        std::array<std::vector<double>, scope::kChannelCount> values;
        std::array<QString, scope::kChannelCount> units;
        double sampleRateHertz = 0;
    };

    explicit SpectrumView(QWidget* parent = nullptr);

    void SetInput(Input input);
    // 0-based channel; false when it has no samples.
    bool ChooseChannel(int channel);
    void SetDecibels(bool on);
    bool Decibels() const;
    // Places the frequency cursor on the bin nearest to the frequency.
    void SetCursorHertz(double hertz);

    const std::optional<scope::Spectrum>& Spectrum() const { return spectrum_; }
    int Channel() const { return channel_; }
    std::size_t CursorBin() const { return cursorBin_; }
    QString PeakText() const;
    QString CursorText() const;

  private:
    void Recompute();
    void Refresh();
    QString AmplitudeText(std::size_t bin) const;

    Input input_;
    int channel_ = -1;
    std::optional<scope::Spectrum> spectrum_;
    std::size_t cursorBin_ = 0;
    QComboBox* channelCombo_;
    QComboBox* scaleCombo_;
    SpectrumPlot* plot_;
    QLabel* peakLabel_;
    QLabel* cursorLabel_;
    QLabel* note_;
};

}  // namespace morlo::gui
