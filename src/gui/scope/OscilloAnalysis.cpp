// The oscilloscope page beyond the drive: trigger marks, the measurement table, references,
// the spectrum, the view history and the engineering table.

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTime>

#include "AppContext.h"
#include "CDriverOscillo.h"
#include "FsPath.h"
#include "MeasurementTable.h"
#include "ScopeControls.h"
#include "ScopePlotWidget.h"
#include "SpectrumView.h"
#include "scope/MappingValue.h"
#include "scope/ScopeFiles.h"
#include "scope/ScopeMeasure.h"
#include "scope/ScopeTable.h"
#include "transfer/DriveDataFiles.h"
#include "values/UnitTable.h"

namespace morlo::gui {
namespace {

constexpr std::size_t kViewHistoryLimit = 64;
constexpr double kMicrosecondsPerSecond = 1e6;
constexpr int kBitsPerHexDigit = 4;
constexpr const char* kTableFilter = "CSV (*.csv)";
constexpr const char* kReferenceTimeFormat = "HH:mm:ss";

}  // namespace

void CDriverOscillo::ConnectAnalysis() {
    connect(timeFromTrigger_, &QCheckBox::clicked, this,
            [this](bool on) { SetTimeFromTrigger(on); });
    connect(keepReference_, &QPushButton::clicked, this, [this] { KeepAsReference(); });
    connect(importReference_, &QPushButton::clicked, this, &CDriverOscillo::ImportReference);
    connect(removeReference_, &QPushButton::clicked, this,
            [this] { RemoveReference(referenceList_->currentRow()); });
    connect(referenceList_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        SetReferenceShown(referenceList_->row(item), item->checkState() == Qt::Checked);
    });
    connect(backButton_, &QPushButton::clicked, this, &CDriverOscillo::ViewBack);
    connect(resetButton_, &QPushButton::clicked, this, &CDriverOscillo::ViewReset);
    connect(spectrumButton_, &QPushButton::clicked, this, [this] { ShowSpectrum(); });
    connect(tableButton_, &QPushButton::clicked, this, &CDriverOscillo::ExportTable);
    connect(copyMeasurements_, &QPushButton::clicked, this,
            [this] { measurements_->CopyToClipboard(); });
    connect(measurements_, &MeasurementTable::spanChanged, measuredSpan_, &QLabel::setText);
    measuredSpan_->setText(measurements_->SpanText());
    connect(plotWidget_, &ScopePlotWidget::viewAboutToChange, this, &CDriverOscillo::PushView);
    connect(cursorChannel_, &QComboBox::currentIndexChanged, this,
            [this](int index) { plotWidget_->SetValueChannel(std::max(0, index)); });
    RefreshReferenceList();
}

// ---- trigger marks ----

void CDriverOscillo::ShowTriggerMark(const scope::TriggerMark& mark) {
    plot_.SetTrigger(mark);
    plot_.SetTimeZero(timeFromTrigger_->isChecked() ? mark.sample : 0);
}

void CDriverOscillo::SetTimeFromTrigger(bool on) {
    timeFromTrigger_->setChecked(on);
    const auto& mark = plot_.Trigger();
    plot_.SetTimeZero(on && mark ? mark->sample : 0);
    Repaint();
}

// ---- measurements ----

void CDriverOscillo::RefreshMeasurements() {
    std::vector<MeasurementTable::Row> rows;
    int spanChannel = -1;
    for (int n = 0; n < scope::kChannelCount; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const scope::ChannelCurve& curve = plot_.Curve(n);
        if (curve.points.empty() || !curve.visible) {
            continue;
        }
        MeasurementTable::Row row;
        row.channel = n;
        // "HEX" shows raw values, written as decimal numbers.
        const QString unit = channels_[i].unit->currentText();
        row.unit = unit == kUnitHex ? QString(kUnitDec) : unit;
        row.figures = scope::Measure(scope::SamplesIn(curve, scope::MeasuredRange(plot_, n)),
                                     coefficient_[i]);
        rows.push_back(row);
        if (spanChannel < 0 || n == cursorChannel_->currentIndex()) {
            spanChannel = n;
        }
    }
    const auto span = spanChannel >= 0 ? scope::CursorSpanOf(plot_, spanChannel) : std::nullopt;
    measurements_->SetRows(rows, span, plot_.CursorMode() == 2);
}

// ---- the spectrum ----

SpectrumView* CDriverOscillo::ShowSpectrum() {
    if (!spectrum_) {
        spectrum_ = new SpectrumView(this);
        spectrum_->setWindowFlag(Qt::Window);
    }
    RefreshSpectrum();
    spectrum_->show();
    spectrum_->raise();
    return spectrum_;
}

void CDriverOscillo::RefreshSpectrum() {
    if (!spectrum_) {
        return;
    }
    SpectrumView::Input input;
    for (int n = 0; n < scope::kChannelCount; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const scope::ChannelCurve& curve = plot_.Curve(n);
        if (curve.points.empty() || !curve.visible) {
            continue;
        }
        for (double raw : scope::SamplesIn(curve, scope::MeasuredRange(plot_, n))) {
            input.values[i].push_back(raw * coefficient_[i]);
        }
        const QString unit = channels_[i].unit->currentText();
        input.units[i] = unit == kUnitHex ? QString(kUnitDec) : unit;
    }
    const double secondsPerSample =
        period_ * scope::kPeriodUnitMicroseconds / kMicrosecondsPerSecond;
    input.sampleRateHertz = secondsPerSample > 0 ? 1 / secondsPerSample : 0;
    spectrum_->SetInput(std::move(input));
}

// ---- references ----

bool CDriverOscillo::RoomForAReference() {
    if (plot_.References().size() < scope::kReferenceLimit) {
        return true;
    }
    ShowMessage(tr("最多保留%1条参考曲线，请先删除一条。").arg(scope::kReferenceLimit),
                QMessageBox::Information, this);
    return false;
}

bool CDriverOscillo::KeepAsReference() {
    if (!RoomForAReference()) {
        return false;
    }
    scope::ReferenceCurve reference;
    bool any = false;
    for (int n = 0; n < scope::kChannelCount; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const scope::ChannelCurve& curve = plot_.Curve(n);
        if (curve.points.empty() || !curve.visible) {
            continue;
        }
        for (const scope::CurvePoint& point : curve.points) {
            reference.values[i].push_back(point.value);
        }
        reference.coefficient[i] = coefficient_[i];
        reference.scale[i] = curve.scale;
        reference.offset[i] = curve.offset;
        any = true;
    }
    if (!any) {
        ShowMessage(tr("没有可保留的曲线。"), QMessageBox::Information, this);
        return false;
    }
    reference.period = period_;
    reference.name =
        tr("采集 %1").arg(QTime::currentTime().toString(kReferenceTimeFormat)).toStdString();
    plot_.AddReference(std::move(reference));
    RefreshReferenceList();
    Repaint();
    return true;
}

void CDriverOscillo::ImportReference() {
    const QString chosen = ChooseFile(false, nullptr);
    if (!chosen.isEmpty()) {
        ImportReferenceFrom(chosen);
    }
}

bool CDriverOscillo::ImportReferenceFrom(const QString& path) {
    if (!RoomForAReference()) {
        return false;
    }
    const std::optional<scope::ScopeReadResult> file = ReadScopeFile(path);
    if (!file) {
        return false;
    }
    const scope::ScopeReadResult& read = *file;
    scope::ReferenceCurve reference;
    bool any = false;
    for (std::size_t i = 0; i < read.data.channels.size(); ++i) {
        const scope::ChannelFileBlock& block = read.data.channels[i];
        if (!block.checked || read.data.curves[i].empty()) {
            continue;
        }
        reference.values[i] = read.data.curves[i];
        reference.coefficient[i] = block.coefficient;
        reference.scale[i] = block.scale;
        reference.offset[i] = block.offset;
        any = true;
    }
    if (!any) {
        ShowMessage(tr("%1中没有曲线，未导入。").arg(path), QMessageBox::Warning, this);
        return false;
    }
    reference.period = read.data.period;
    reference.name = QFileInfo(path).completeBaseName().toStdString();
    plot_.AddReference(std::move(reference));
    if (plot_.SampleCount() == 0) {  // nothing live: the window spans the reference
        plot_.ResetZoom();
        plot_.Recompute();
    }
    RefreshReferenceList();
    Repaint();
    return true;
}

void CDriverOscillo::RemoveReference(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= plot_.References().size()) {
        return;
    }
    plot_.RemoveReference(static_cast<std::size_t>(index));
    RefreshReferenceList();
    Repaint();
}

void CDriverOscillo::SetReferenceShown(int index, bool shown) {
    if (index < 0 || static_cast<std::size_t>(index) >= plot_.References().size()) {
        return;
    }
    plot_.SetReferenceHidden(static_cast<std::size_t>(index), !shown);
    if (QListWidgetItem* item = referenceList_->item(index)) {
        const QSignalBlocker quiet(referenceList_);
        item->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
    }
    Repaint();
}

void CDriverOscillo::RefreshReferenceList() {
    const QSignalBlocker quiet(referenceList_);
    referenceList_->clear();
    const auto& references = plot_.References();
    for (std::size_t r = 0; r < references.size(); ++r) {
        auto* item = new QListWidgetItem(
            QString("%1  %2").arg(r + 1).arg(QString::fromStdString(references[r].name)),
            referenceList_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(references[r].hidden ? Qt::Unchecked : Qt::Checked);
    }
    keepReference_->setEnabled(references.size() < scope::kReferenceLimit);
    importReference_->setEnabled(references.size() < scope::kReferenceLimit);
    removeReference_->setEnabled(!references.empty());
    if (!references.empty()) {
        referenceList_->setCurrentRow(static_cast<int>(references.size()) - 1);
    }
}

// ---- the view ----

void CDriverOscillo::PushView() {
    viewHistory_.push_back(plot_.View());
    if (viewHistory_.size() > kViewHistoryLimit) {
        viewHistory_.erase(viewHistory_.begin());
    }
    backButton_->setEnabled(true);
}

void CDriverOscillo::ViewBack() {
    if (viewHistory_.empty()) {
        return;
    }
    plot_.SetView(viewHistory_.back());
    viewHistory_.pop_back();
    SyncViewControls();
    Repaint();
}

void CDriverOscillo::ViewReset() {
    viewHistory_.clear();
    plotWidget_->ClearZoomRectangle();
    plot_.ResetZoom();
    for (int n = 0; n < scope::kChannelCount; ++n) {
        plot_.SetAuto(n, true);
    }
    plot_.Recompute();
    SyncViewControls();
    Repaint();
}

void CDriverOscillo::SyncViewControls() {
    for (int n = 0; n < scope::kChannelCount; ++n) {
        channels_[static_cast<std::size_t>(n)].autoScale->setChecked(plot_.Curve(n).autoScale);
    }
    backButton_->setEnabled(!viewHistory_.empty());
    RefreshScaleReadouts();
}

// ---- the engineering table ----

void CDriverOscillo::ExportTable() {
    const QString proposal =
        (context_.userDir.isEmpty() ? context_.workDir + "/" : context_.userDir) + "table.csv";
    const QString title = tr("导出表格");
    QString chosen;
    if (context_.fileChooser) {
        chosen = context_.fileChooser(true, proposal, kTableFilter, title);
    } else {
        chosen = QFileDialog::getSaveFileName(this, title, proposal, kTableFilter);
    }
    if (!chosen.isEmpty()) {
        ExportTableTo(chosen);
    }
}

bool CDriverOscillo::ExportTableTo(const QString& path) {
    std::array<scope::TableChannel, scope::kChannelCount> table{};
    bool any = false;
    for (int n = 0; n < scope::kChannelCount; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const scope::ChannelCurve& curve = plot_.Curve(n);
        if (curve.points.empty() || !curve.visible) {
            continue;
        }
        scope::TableChannel& channel = table[i];
        channel.shown = true;
        channel.name = channels_[i].item->currentText().toStdString();
        channel.unit = channels_[i].unit->currentText().toStdString();
        channel.coefficient = coefficient_[i];
        if (channel.unit == kUnitHex) {
            DictionaryEntry entry;
            const ObjectKey key = channelKey_[i];
            const auto sizeCode = context_.Dictionary().FindByKey(key, entry)
                                      ? scope::SizeCodeOf(entry.dataType)
                                      : std::nullopt;
            channel.hexDigits =
                static_cast<int>((sizeCode.value_or(scope::kWideBits) & ~1u) / kBitsPerHexDigit);
        }
        any = true;
    }
    if (!any) {
        ShowMessage(tr("没有可导出的曲线。"), QMessageBox::Information, this);
        return false;
    }
    const std::string bytes =
        scope::WriteScopeTable(PlotCurves(), table, period_, plot_.TimeZero());
    if (!transfer::WriteFileReplacing(FsPath(path), bytes)) {
        ShowMessage(scope::kMsgOpenFileFailure, QMessageBox::Warning, this);
        return false;
    }
    lastExportPath_ = path;
    return true;
}

}  // namespace morlo::gui
