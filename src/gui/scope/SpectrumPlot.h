#pragma once

#include <QWidget>
#include <functional>
#include <optional>

#include "scope/ScopeSpectrum.h"

namespace morlo::gui {

// Draws a spectrum with a frequency grid, its peak and the frequency cursor; a click or a drag
// reports the frequency under the mouse.
class SpectrumPlot final : public QWidget {
    Q_OBJECT
  public:
    explicit SpectrumPlot(QWidget* parent = nullptr);

    void SetSpectrum(const scope::Spectrum* spectrum, bool decibels, std::size_t cursorBin,
                     const QString& peakLabel);
    // The x of a frequency and the frequency at an x, inside the plot's frame.
    int XOf(double hertz) const;
    double HertzAt(int x) const;
    QRect Frame() const;

  signals:
    void cursorMoved(double hertz);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    double Value(std::size_t bin) const;
    int YOf(double value, double low, double high) const;

    const scope::Spectrum* spectrum_ = nullptr;
    bool decibels_ = true;
    std::size_t cursorBin_ = 0;
    QString peakLabel_;
};

}  // namespace morlo::gui
