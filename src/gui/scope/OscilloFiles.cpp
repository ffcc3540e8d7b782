// The oscilloscope page's files: export of the curves (CSV), of the settings and curves (text
// data file) and of the page's picture (BMP, PNG), and import of a text data file.

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "AppContext.h"
#include "CDriverOscillo.h"
#include "FsPath.h"
#include "ScopeControls.h"
#include "ScopePlotWidget.h"
#include "scope/MappingValue.h"
#include "scope/ScaleText.h"
#include "scope/ScopeBitmap.h"
#include "scope/ScopeFiles.h"
#include "transfer/DriveDataFiles.h"

namespace morlo::gui {
namespace {

constexpr const char* kProposalName = "name";
constexpr const char* kExportTitle = "save data to file";
constexpr const char* kImportTitle = "Choose import to file";
constexpr const char* kFilterFormat = "File(*.%1)";
constexpr const char* kLinkTextPrefix = "Comm Status:";
constexpr const char* kPngFormat = "PNG";
constexpr const char* kCapturedFormat = "yyyy-MM-dd HH:mm:ss";

QString Filter(const char* extension) {
    return QString(kFilterFormat).arg(extension);
}

// "File(*.csv)" -> "csv".
QString FilterExtension(const QString& filter) {
    const int dot = filter.lastIndexOf('.');
    const int close = filter.lastIndexOf(')');
    return dot >= 0 && close > dot ? filter.mid(dot + 1, close - dot - 1) : QString();
}

scope::PixelImage PixelsOf(const QImage& picture) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    scope::PixelImage image{rgb.width(), rgb.height(), {}};
    image.pixels.reserve(static_cast<std::size_t>(rgb.width()) *
                         static_cast<std::size_t>(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
        image.pixels.insert(image.pixels.end(), line, line + rgb.width());
    }
    return image;
}

}  // namespace

// ---- the dialogs ----

QString CDriverOscillo::ChooseFile(bool save, QString* extension) {
    // <working folder>/user/name, as the other file dialogs propose.
    const QString proposal =
        (context_.userDir.isEmpty() ? context_.workDir + "/" : context_.userDir) + kProposalName;
    QStringList filters;
    if (save) {
        filters = {Filter(scope::kExtensionCsv), Filter(scope::kExtensionText),
                   Filter(scope::kExtensionBitmap), Filter(scope::kExtensionPng)};
    } else {
        filters = {Filter(scope::kExtensionText)};
    }
    const QString title = save ? kExportTitle : kImportTitle;
    QString chosen;
    QString filterExtension = FilterExtension(filters.first());
    if (context_.fileChooser) {
        chosen = context_.fileChooser(save, proposal, filters.join(";;"), title);
    } else {
        QFileDialog dialog(this, title, proposal);
        dialog.setNameFilters(filters);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(filterExtension);
        // A name typed without extension takes the type chosen in the dialog.
        connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
            dialog.setDefaultSuffix(FilterExtension(filter));
        });
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return QString();
        }
        chosen = dialog.selectedFiles().first();
        filterExtension = FilterExtension(dialog.selectedNameFilter());
    }
    if (extension) {
        // The type is the one the name carries; a name without one takes the dialog's.
        const std::string own = scope::ExtensionOf(chosen.toStdString());
        *extension = own.empty() ? filterExtension : QString::fromStdString(own);
    }
    return chosen;
}

void CDriverOscillo::Export() {
    QString extension;
    const QString chosen = ChooseFile(true, &extension);
    if (chosen.isEmpty()) {
        return;
    }
    exportButton_->setEnabled(false);
    ExportTo(chosen, extension);
    exportButton_->setEnabled(true);
}

void CDriverOscillo::Import() {
    const QString chosen = ChooseFile(false, nullptr);
    if (chosen.isEmpty()) {
        return;
    }
    importButton_->setEnabled(false);
    ImportFrom(chosen);
    importButton_->setEnabled(true);
}

// ---- export ----

bool CDriverOscillo::ExportTo(const QString& chosen, const QString& extension) {
    const scope::ExportTarget target =
        scope::ExportPathFor(chosen.toStdString(), extension.toStdString());
    std::string bytes;
    switch (target.kind) {
        case scope::ExportKind::Csv:
            bytes = scope::WriteScopeCsv(PlotCurves());
            break;
        case scope::ExportKind::Text:
            bytes = scope::WriteScopeText(FileData());
            break;
        case scope::ExportKind::Bitmap: {
            const int depth = screen() ? screen()->depth() : 32;
            bytes = scope::WriteBitmap(PixelsOf(PagePicture()), scope::BitmapBitCount(depth));
            break;
        }
        case scope::ExportKind::Png: {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            if (PagePicture().save(&buffer, kPngFormat)) {
                bytes = buffer.data().toStdString();
            }
            break;
        }
        case scope::ExportKind::Unknown:
            ShowMessage(
                tr("不支持的文件类型“%1”（可用csv、txt、bmp或png），未写入文件。").arg(extension),
                QMessageBox::Warning, this);
            return false;
    }
    if (bytes.empty() && target.kind != scope::ExportKind::Csv) {
        ShowMessage(scope::kMsgOpenFileFailure, QMessageBox::Warning, this);
        return false;
    }
    if (!transfer::WriteFileReplacing(std::filesystem::path(target.path), bytes)) {
        ShowMessage(scope::kMsgOpenFileFailure, QMessageBox::Warning, this);
        return false;
    }
    lastExportPath_ = QString::fromStdString(target.path);
    return true;
}

scope::Curves CDriverOscillo::PlotCurves() {
    scope::Curves curves;
    plot_.BeginRows();
    int mask = 0;
    std::array<double, scope::kChannelCount> values{};
    while (plot_.NextRow(mask, values)) {
        for (int n = 0; n < scope::kChannelCount; ++n) {
            if (mask & (1 << n)) {
                curves[static_cast<std::size_t>(n)].push_back(values[static_cast<std::size_t>(n)]);
            }
        }
    }
    return curves;
}

scope::ScopeFileData CDriverOscillo::FileData() {
    scope::ScopeFileData data;
    data.period = period_;
    data.pointerOffset = pointerOffset_;
    data.samples = samples_;
    data.triggerItem = triggerCombo_->currentIndex();
    data.triggerKey = triggerKey_;
    data.levelText = levelEdit_->text().toStdString();
    data.triggerUnit = triggerUnit_->currentIndex();
    data.continuous = continuousBox_->isChecked();
    for (int n = 0; n < scope::kChannelCount; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const ChannelControls& c = channels_[i];
        scope::ChannelFileBlock& block = data.channels[i];
        block.checked = c.check->isChecked();
        // After an import the file's object, else what the drive records for the channel.
        block.item = shownItem_[i] != 0 ? shownItem_[i] : capture_.ChannelMapping(n);
        block.scale = plot_.Scale(n);
        block.offset = plot_.Offset(n);
        block.coefficient = coefficient_[i];
        block.unit = c.unit->currentIndex();
        block.autoScale = c.autoScale->isChecked();
        block.name = c.item->currentText().toStdString();
        block.unitText = c.unit->currentText().toStdString();
    }
    data.curves = PlotCurves();
    data.description = description_;
    if (descriptionFromDrive_) {
        data.description.deviceName = identity_.DeviceName();
        data.description.softwareVersion = identity_.SoftwareVersion();
    }
    return data;
}

QImage CDriverOscillo::PagePicture() {
    return grab().toImage();
}

void CDriverOscillo::NoteCapture() {
    description_.captured = QDateTime::currentDateTime().toString(kCapturedFormat).toStdString();
    QString link = context_.preparedLinkText;
    if (link.startsWith(kLinkTextPrefix)) {
        link = link.mid(static_cast<int>(qstrlen(kLinkTextPrefix)));
    }
    description_.link = link.simplified().toStdString();
    description_.deviceName.clear();
    description_.softwareVersion.clear();
    descriptionFromDrive_ = true;
    for (int n = 0; n < scope::kChannelCount; ++n) {
        shownItem_[static_cast<std::size_t>(n)] = 0;
    }
}

// ---- import ----

std::optional<scope::ScopeReadResult> CDriverOscillo::ReadScopeFile(const QString& path) {
    std::string bytes;
    if (!transfer::ReadFileBytes(FsPath(path), bytes)) {
        ShowMessage(scope::kMsgOpenFileFailure, QMessageBox::Warning, this);
        return std::nullopt;
    }
    scope::ScopeReadResult read = scope::ReadScopeText(bytes);
    if (read.status != scope::ScopeReadStatus::Read) {
        ShowMessage(tr("%1不是示波器数据文件，未导入。").arg(path), QMessageBox::Warning, this);
        return std::nullopt;
    }
    return read;
}

bool CDriverOscillo::ImportFrom(const QString& path) {
    const std::optional<scope::ScopeReadResult> file = ReadScopeFile(path);
    if (!file) {
        return false;
    }
    const scope::ScopeReadResult& read = *file;
    ApplyFile(read.data);
    if (!read.warnings.empty()) {
        QString text = tr("%1中有无法读取的值：").arg(path);
        for (const std::string& warning : read.warnings) {
            text += "\n" + QString::fromStdString(warning);
        }
        ShowMessage(text, QMessageBox::Information, this);
    }
    return true;
}

void CDriverOscillo::ApplyFile(const scope::ScopeFileData& data) {
    showingImport_ = true;
    period_ = data.period;
    plot_.SetPeriod(data.period);
    if (const auto text = scope::PeriodText(data.period)) {
        periodTime_->setText(QString::fromStdString(*text));
    }
    pointerOffset_ = data.pointerOffset;
    samples_ = data.samples;
    if (data.triggerItem != 0) {
        ShowTriggerKey(data.triggerKey);
        levelText_ = QString::fromStdString(data.levelText);
        triggerUnit_->setCurrentIndex(data.triggerUnit);
    } else {
        ShowTriggerObject(0);
    }
    continuousBox_->setChecked(data.continuous);
    for (int n = 0; n < scope::kChannelCount; ++n) {
        channels_[static_cast<std::size_t>(n)].check->setChecked(
            data.channels[static_cast<std::size_t>(n)].checked);
    }

    plotWidget_->ClearZoomRectangle();
    plot_.ClearCurves();
    plot_.ResetRanges();
    for (int n = 0; n < scope::kChannelCount; ++n) {
        if (!data.channels[static_cast<std::size_t>(n)].checked) {
            continue;
        }
        for (double value : data.curves[static_cast<std::size_t>(n)]) {
            plot_.AddPoint(n, value);
        }
    }
    plot_.ResetZoom();
    plot_.Layout();
    viewHistory_.clear();
    backButton_->setEnabled(false);
    // The file's trigger: the sample after its pre-trigger samples, on the channel recording
    // the trigger object (the level is kept as text in its unit: no level line).
    scope::TriggerMark mark;
    mark.manual = data.triggerItem == 0;
    if (!mark.manual) {
        mark.sample = std::clamp(data.pointerOffset, 0, std::max(1, data.samples) - 1) + 1;
    }
    ShowTriggerMark(mark);

    for (int n = 0; n < scope::kChannelCount; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const scope::ChannelFileBlock& block = data.channels[i];
        ChannelControls& c = channels_[i];
        plot_.SetVisible(n, block.checked);
        if (!block.checked) {
            continue;
        }
        ShowChannelItem(n, block.item);
        shownItem_[i] = block.item;
        plot_.SetScale(n, block.scale);
        scaleText_[i] = QString::fromStdString(scope::FormatScaleText(block.scale));
        plot_.SetOffset(n, block.offset);
        offset_[i] = block.offset;
        coefficient_[i] = block.coefficient;
        plot_.SetCoefficient(n, block.coefficient);
        c.unit->setCurrentIndex(block.unit);
        c.autoScale->setChecked(block.autoScale);
        plot_.SetAuto(n, block.autoScale);
    }
    // Auto-scaled channels fit the whole capture in the file's units (the file's scale may
    // be that of a zoomed window); a channel with a scale of its own keeps it.
    plot_.AutoScale();
    description_ = data.description;
    descriptionFromDrive_ = false;
    RefreshScaleReadouts();
    Repaint();
    emit curvesChanged();
}

}  // namespace morlo::gui
