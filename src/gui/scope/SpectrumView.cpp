#include "SpectrumView.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "SpectrumPlot.h"
#include "TextFit.h"
#include "text/NumberIo.h"

namespace morlo::gui {
namespace {

constexpr int kSpacing = 6;
constexpr int kHertzDecimals = 3;
constexpr int kDecibelDecimals = 2;
constexpr int kAmplitudeDecimals = 6;
constexpr int kScaleDecibels = 0;  // entries of the scale combo
constexpr int kScaleLinear = 1;
constexpr int kInitialWidth = 760;
constexpr int kInitialHeight = 420;

QString Fixed(double value, int decimals) {
    return QString::fromStdString(WriteFixed(value, decimals));
}

}  // namespace

SpectrumView::SpectrumView(QWidget* parent)
    : QDialog(parent),
      channelCombo_(new QComboBox(this)),
      scaleCombo_(new QComboBox(this)),
      plot_(new SpectrumPlot(this)),
      peakLabel_(new QLabel(this)),
      cursorLabel_(new QLabel(this)),
      note_(new QLabel(this)) {
    setWindowTitle(tr("频谱"));
    setObjectName("spectrum");
    channelCombo_->setObjectName("spectrumChannel");
    scaleCombo_->setObjectName("spectrumScale");
    peakLabel_->setObjectName("spectrumPeak");
    cursorLabel_->setObjectName("spectrumCursor");
    scaleCombo_->addItems({tr("dB"), tr("线性")});
    scaleCombo_->setFixedWidth(ComboWidthFor(*scaleCombo_));
    note_->setText(tr("汉宁窗，去除平均值；范围同测量表"));

    auto* top = new QHBoxLayout;
    top->setSpacing(kSpacing);
    top->addWidget(new QLabel(tr("通道"), this));
    top->addWidget(channelCombo_);
    top->addWidget(new QLabel(tr("刻度"), this));
    top->addWidget(scaleCombo_);
    top->addSpacing(2 * kSpacing);
    top->addWidget(note_);
    top->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(4 * kSpacing);
    bottom->addWidget(peakLabel_);
    bottom->addWidget(cursorLabel_);
    bottom->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(kSpacing);
    layout->addLayout(top);
    layout->addWidget(plot_, 1);
    layout->addLayout(bottom);
    resize(kInitialWidth, kInitialHeight);

    connect(channelCombo_, &QComboBox::activated, this, [this] {
        channel_ = channelCombo_->currentData().toInt();
        Recompute();
    });
    connect(scaleCombo_, &QComboBox::activated, this, [this] { Refresh(); });
    connect(plot_, &SpectrumPlot::cursorMoved, this, &SpectrumView::SetCursorHertz);
}

void SpectrumView::SetInput(Input input) {
    input_ = std::move(input);
    channelCombo_->clear();
    for (int n = 0; n < scope::kChannelCount; ++n) {
        if (!input_.values[static_cast<std::size_t>(n)].empty()) {
            channelCombo_->addItem(QString::number(n + 1), n);
        }
    }
    channelCombo_->setFixedWidth(
        ComboWidthFor(*channelCombo_, channelCombo_->minimumSizeHint().width()));
    const int index = channelCombo_->findData(channel_);
    channelCombo_->setCurrentIndex(index >= 0 ? index : 0);
    channel_ = channelCombo_->currentIndex() >= 0 ? channelCombo_->currentData().toInt() : -1;
    Recompute();
}

bool SpectrumView::ChooseChannel(int channel) {
    const int index = channelCombo_->findData(channel);
    if (index < 0) {
        return false;
    }
    channelCombo_->setCurrentIndex(index);
    channel_ = channel;
    Recompute();
    return true;
}

void SpectrumView::SetDecibels(bool on) {
    scaleCombo_->setCurrentIndex(on ? kScaleDecibels : kScaleLinear);
    Refresh();
}

bool SpectrumView::Decibels() const {
    return scaleCombo_->currentIndex() == kScaleDecibels;
}

void SpectrumView::SetCursorHertz(double hertz) {
    if (spectrum_) {
        cursorBin_ = scope::BinOf(*spectrum_, hertz);
    }
    Refresh();
}

void SpectrumView::Recompute() {
    spectrum_.reset();
    if (channel_ >= 0) {
        spectrum_ = scope::ComputeSpectrum(input_.values[static_cast<std::size_t>(channel_)],
                                           input_.sampleRateHertz);
    }
    if (spectrum_) {
        cursorBin_ = std::min(cursorBin_ == 0 ? spectrum_->peakBin : cursorBin_,
                              spectrum_->amplitude.size() - 1);
    } else {
        cursorBin_ = 0;
    }
    Refresh();
}

QString SpectrumView::AmplitudeText(std::size_t bin) const {
    const double amplitude = spectrum_->amplitude[bin];
    if (Decibels()) {
        return Fixed(scope::AmplitudeDecibels(amplitude), kDecibelDecimals) + " dB";
    }
    const QString unit = input_.units[static_cast<std::size_t>(channel_)];
    return Fixed(amplitude, kAmplitudeDecimals) + (unit.isEmpty() ? QString() : " " + unit);
}

QString SpectrumView::PeakText() const {
    if (!spectrum_) {
        return tr("数据不足，无法计算频谱");
    }
    return tr("峰值：%1 Hz，%2")
        .arg(Fixed(spectrum_->PeakHertz(), kHertzDecimals), AmplitudeText(spectrum_->peakBin));
}

QString SpectrumView::CursorText() const {
    if (!spectrum_) {
        return QString();
    }
    return tr("游标：%1 Hz，%2")
        .arg(Fixed(spectrum_->binHertz * static_cast<double>(cursorBin_), kHertzDecimals),
             AmplitudeText(cursorBin_));
}

void SpectrumView::Refresh() {
    peakLabel_->setText(PeakText());
    cursorLabel_->setText(CursorText());
    const QString peakName =
        spectrum_ ? tr("峰值 %1 Hz").arg(Fixed(spectrum_->PeakHertz(), kHertzDecimals)) : QString();
    plot_->SetSpectrum(spectrum_ ? &*spectrum_ : nullptr, Decibels(), cursorBin_, peakName);
}

}  // namespace morlo::gui
