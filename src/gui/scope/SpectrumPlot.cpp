#include "SpectrumPlot.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "text/NumberIo.h"

namespace morlo::gui {
namespace {

constexpr int kMarginLeft = 64;
constexpr int kMarginRight = 16;
constexpr int kMarginTop = 10;
constexpr int kMarginBottom = 26;
constexpr int kGridDivisions = 5;
constexpr double kDecibelRange = 100;  // shown below the strongest bin
constexpr double kDecibelStep = 10;
constexpr double kLinearHeadroom = 1.1;
const QColor kBackground(255, 255, 255);
const QColor kFrame(54, 54, 54);
const QColor kGrid(150, 140, 140);
const QColor kCurve(0, 0, 255);
const QColor kCursor(255, 0, 255);
const QColor kPeak(220, 20, 60);

QString Number(double value) {
    const double magnitude = std::fabs(value);
    if (magnitude == 0) {
        return "0";
    }
    const int decimals = magnitude >= 100 ? 0 : magnitude >= 10 ? 1 : magnitude >= 1 ? 2 : 4;
    return QString::fromStdString(WriteFixed(value, decimals));
}

}  // namespace

SpectrumPlot::SpectrumPlot(QWidget* parent) : QWidget(parent) {
    setMinimumSize(480, 260);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
}

void SpectrumPlot::SetSpectrum(const scope::Spectrum* spectrum, bool decibels,
                               std::size_t cursorBin, const QString& peakLabel) {
    spectrum_ = spectrum;
    decibels_ = decibels;
    cursorBin_ = cursorBin;
    peakLabel_ = peakLabel;
    update();
}

QRect SpectrumPlot::Frame() const {
    return rect().adjusted(kMarginLeft, kMarginTop, -kMarginRight, -kMarginBottom);
}

int SpectrumPlot::XOf(double hertz) const {
    const QRect f = Frame();
    if (!spectrum_ || spectrum_->amplitude.size() < 2) {
        return f.left();
    }
    const double top = spectrum_->binHertz * static_cast<double>(spectrum_->amplitude.size() - 1);
    return f.left() + static_cast<int>(std::lround(hertz / top * f.width()));
}

double SpectrumPlot::HertzAt(int x) const {
    const QRect f = Frame();
    if (!spectrum_ || spectrum_->amplitude.size() < 2 || f.width() <= 0) {
        return 0;
    }
    const double top = spectrum_->binHertz * static_cast<double>(spectrum_->amplitude.size() - 1);
    return std::clamp(static_cast<double>(x - f.left()) / f.width(), 0.0, 1.0) * top;
}

double SpectrumPlot::Value(std::size_t bin) const {
    const double amplitude = spectrum_->amplitude[bin];
    return decibels_ ? scope::AmplitudeDecibels(amplitude) : amplitude;
}

int SpectrumPlot::YOf(double value, double low, double high) const {
    const QRect f = Frame();
    const double share = high > low ? (value - low) / (high - low) : 0;
    return f.bottom() - static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * f.height()));
}

void SpectrumPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QRect f = Frame();
    painter.fillRect(f, kBackground);
    painter.setPen(QPen(kFrame, 1));
    painter.drawRect(f);
    if (!spectrum_ || spectrum_->amplitude.size() < 2) {
        return;
    }
    // dB: the range below the strongest bin above 0 Hz, in whole steps; linear: from 0 to a
    // little above it.
    const double strongest = Value(spectrum_->peakBin);
    const double high = decibels_ ? std::ceil(strongest / kDecibelStep) * kDecibelStep
                                  : (strongest > 0 ? strongest * kLinearHeadroom : 1);
    const double low = decibels_ ? high - kDecibelRange : 0;

    // Grid and its labels: frequency below, amplitude at the left.
    const double topHertz =
        spectrum_->binHertz * static_cast<double>(spectrum_->amplitude.size() - 1);
    for (int i = 0; i <= kGridDivisions; ++i) {
        const int x = f.left() + i * f.width() / kGridDivisions;
        const int y = f.bottom() - i * f.height() / kGridDivisions;
        painter.setPen(QPen(kGrid, 1, Qt::DotLine));
        painter.drawLine(x, f.top(), x, f.bottom());
        painter.drawLine(f.left(), y, f.right(), y);
        painter.setPen(kFrame);
        const QString hertz = Number(topHertz * i / kGridDivisions);
        painter.drawText(QRect(x - 50, f.bottom() + 2, 100, kMarginBottom - 2),
                         Qt::AlignHCenter | Qt::AlignTop, hertz);
        const QString value = Number(low + (high - low) * i / kGridDivisions);
        painter.drawText(QRect(0, y - 10, kMarginLeft - 4, 20), Qt::AlignRight | Qt::AlignVCenter,
                         value);
    }
    painter.drawText(QRect(f.right() - 40, f.bottom() + 2, 40 + kMarginRight, kMarginBottom - 2),
                     Qt::AlignRight | Qt::AlignBottom, "Hz");

    QPainterPath path;
    for (std::size_t bin = 0; bin < spectrum_->amplitude.size(); ++bin) {
        const QPointF point(XOf(spectrum_->binHertz * static_cast<double>(bin)),
                            YOf(Value(bin), low, high));
        if (bin == 0) {
            path.moveTo(point);
        } else {
            path.lineTo(point);
        }
    }
    painter.setClipRect(f.adjusted(1, 1, 0, 0));
    painter.setPen(QPen(kCurve, 1));
    painter.drawPath(path);

    // The peak: a small triangle over it and its name.
    const int peakX = XOf(spectrum_->PeakHertz());
    const int peakY = YOf(Value(spectrum_->peakBin), low, high);
    painter.setPen(kPeak);
    painter.setBrush(kPeak);
    const QPoint triangle[] = {{peakX, peakY - 2}, {peakX - 4, peakY - 9}, {peakX + 4, peakY - 9}};
    painter.drawPolygon(triangle, 3);
    const int textWidth = fontMetrics().horizontalAdvance(peakLabel_) + 4;
    const int textLeft = std::clamp(peakX + 6, f.left() + 2, f.right() - textWidth - 2);
    painter.drawText(QRect(textLeft, std::max(f.top() + 2, peakY - 26), textWidth, 18),
                     Qt::AlignLeft | Qt::AlignVCenter, peakLabel_);
    painter.setBrush(Qt::NoBrush);

    // The frequency cursor.
    painter.setPen(QPen(kCursor, 1, Qt::DashLine));
    const int cursorX = XOf(spectrum_->binHertz * static_cast<double>(cursorBin_));
    painter.drawLine(cursorX, f.top(), cursorX, f.bottom());
}

void SpectrumPlot::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit cursorMoved(HertzAt(event->position().toPoint().x()));
    }
}

void SpectrumPlot::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        emit cursorMoved(HertzAt(event->position().toPoint().x()));
    }
}

}  // namespace morlo::gui
