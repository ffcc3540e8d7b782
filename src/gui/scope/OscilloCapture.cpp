// The oscilloscope page as the face of the capture cycle: results, timers, page commands.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "AppConstants.h"
#include "AppContext.h"
#include "CDriverOscillo.h"
#include "MessageBox.h"
#include "PagePlacement.h"
#include "PageTable.h"
#include "ScopePlotWidget.h"
#include "ScopeWidgets.h"
#include "TipWindow.h"
#include "scope/MappingValue.h"
#include "scope/ScaleText.h"
#include "scope/ScopeConstants.h"

namespace morlo::gui {
namespace {

QString WaitingText(int counter) {
    switch (counter / scope::kWaitingTextEvery) {
        case 0:
            return CDriverOscillo::tr("等待采集数据 .");
        case 1:
            return CDriverOscillo::tr("等待采集数据 ..");
        case 2:
            return CDriverOscillo::tr("等待采集数据 ...");
        case 3:
            return CDriverOscillo::tr("等待采集数据 ....");
        default:
            return CDriverOscillo::tr("等待采集数据 .....");
    }
}

QString ReadingText(int counter) {
    switch (counter / scope::kReadingTextEvery) {
        case 0:
            return CDriverOscillo::tr("读取数据 .");
        case 1:
            return CDriverOscillo::tr("读取数据 ..");
        case 2:
            return CDriverOscillo::tr("读取数据 ...");
        case 3:
            return CDriverOscillo::tr("读取数据 ....");
        default:
            return CDriverOscillo::tr("读取数据 .....");
    }
}

}  // namespace

void CDriverOscillo::OnResult(const engine::Delivery& d) {
    // The drive's identity is read after a capture; its answers are not the recorder's.
    switch (d.message) {
        case engine::kMsgValue:
            if (!identity_.OnValue(d.wParam, d.lParam)) {
                capture_.OnValue(d.wParam, d.lParam);
            }
            break;
        case engine::kMsgSegment:
            if (!identity_.OnSegment()) {
                capture_.OnSegment();
            }
            break;
        case engine::kMsgAbort:
            if (!identity_.OnAbort(d.lParam)) {
                capture_.OnAbort(static_cast<std::uint32_t>(d.wParam), d.lParam);
            }
            break;
        case engine::kMsgUploadStart:
            if (!identity_.OnUploadStart(d.lParam)) {
                capture_.OnUploadStart(d.lParam);
            }
            break;
        case engine::kMsgLinkFault:
            if (!identity_.OnLinkFault(d.lParam)) {
                capture_.OnLinkFault(d.lParam);
            }
            break;
        default:
            break;
    }
}

void CDriverOscillo::PageNotify(int code) {
    switch (code) {
        case notify::kShown:
            shown_ = true;
            capture_.StartReadBack();
            break;
        case notify::kHidden:
            shown_ = false;
            identity_.Cancel();
            capture_.Stop();
            break;
        case notify::kRefresh:
            if (!shown_) {
                break;
            }
            // The link was opened anew (a capture that was running on the old one has lost
            // its requests and ends), or another window let go of it (what waited goes on).
            identity_.Cancel();
            capture_.CheckLink();
            if (context_.Link().LinkState() == engine::kLinkStateOpen) {
                capture_.StartReadBack();
            }
            break;
        case notify::kSaveProject:
            WritePlacement();
            break;
        default:
            break;
    }
}

void CDriverOscillo::WritePlacement() {
    WritePagePlacement(context_, this, slot::kOscilloscope, shown_);
}

// ---- commands ----

void CDriverOscillo::StartOrCancel() {
    if (capture_.CaptureRunning()) {
        capture_.Cancel();
        return;
    }
    // After an imported capture the recorder's settings are read first, so that the new
    // capture is drawn with the drive's period, objects and units.
    if (capture_.Start(showingImport_) == scope::ScopeCapture::StartResult::LinkClosed) {
        ShowMessage(scope::kMsgLinkNotOpen, QMessageBox::Warning, this);
    }
}

void CDriverOscillo::ReRead() {
    if (capture_.ReRead() == scope::ScopeCapture::StartResult::LinkClosed) {
        ShowMessage(scope::kMsgLinkNotOpen, QMessageBox::Warning, this);
    }
}

// ---- timers ----

QTimer* CDriverOscillo::Timer(int id) const {
    switch (id) {
        case scope::kPollTimer:
            return pollTimer_;
        case scope::kRestartTimer:
            return restartTimer_;
        default:
            return linkWatchTimer_;
    }
}

void CDriverOscillo::StartTimer(int id, std::chrono::milliseconds period) {
    Timer(id)->start(period);
}

void CDriverOscillo::KillTimer(int id) {
    Timer(id)->stop();
}

bool CDriverOscillo::TimerActive(int id) const {
    return Timer(id)->isActive();
}

void CDriverOscillo::FireTimer(int id) {
    capture_.OnTimer(id);
}

// ---- the capture cycle's face ----

void CDriverOscillo::SettingReported(ObjectKey key, std::int32_t value) {
    if (const int slot = scope::SlotIndexOf(key); slot >= 0) {
        ShowSlotValue(slot, static_cast<std::uint32_t>(value));
        return;
    }
    switch (key) {
        case scope::kRecorderPeriod:
            period_ = value;
            plot_.SetPeriod(value);
            if (const auto text = scope::PeriodText(value)) {
                periodTime_->setText(QString::fromStdString(*text));
            }
            break;
        case scope::kRecorderPointerOffset:
            pointerOffset_ = value;
            break;
        case scope::kRecorderSamples:
            samples_ = value;
            statusLine_->setText(tr("处理完毕"));
            break;
        case scope::kRecorderEdge:
            edgeIcon_->SetRising(value != 0);
            break;
        case scope::kRecorderTriggerObject:
            ShowTriggerObject(static_cast<std::uint32_t>(value));
            if (triggerCombo_->currentIndex() > 0) {
                RefreshTip(triggerCombo_);
            } else {
                tips_->RemoveTip(triggerCombo_);
                tips_->RemoveTip(triggerUnit_);
            }
            break;
        case scope::kRecorderTriggerLevel:
            levelText_ = QString::fromStdString(
                scope::LevelForm(Units(), triggerKey_, value, ChosenUnit(triggerUnit_)));
            NormaliseOffsets();
            if (triggerCombo_->currentIndex() >= 1) {
                RefreshTip(triggerUnit_);
            }
            break;
        default:
            break;
    }
}

void CDriverOscillo::OtherValue(ObjectKey key, std::int32_t value) {
    if (key == scope::kRecorderTriggerPosition) {
        if (triggerIndexPending_ && plot_.Trigger()) {
            triggerIndexPending_ = false;
            ShowTriggerMark(
                scope::AtDriveTriggerIndex(*plot_.Trigger(), value, plot_.SampleCount()));
            Repaint();
        }
        return;
    }
    if (lastUnitChangeTrigger_) {
        capture_.ReadTriggerLevel();
        return;
    }
    for (int n = 0; n < scope::kChannelCount; ++n) {
        if (channelKey_[static_cast<std::size_t>(n)] == key) {
            UpdateCoefficient(n, true);
        }
    }
}

void CDriverOscillo::SettingRefused(ObjectKey key, std::uint32_t) {
    if (key == scope::kRecorderTriggerPosition) {
        triggerIndexPending_ = false;  // the mark stays after the pre-trigger samples
        return;
    }
    if (key == scope::kRecorderTriggerObject) {
        ShowTriggerObject(0);
    }
}

void CDriverOscillo::ReadBackClosed() {
    ++readBackClosings_;
    NormaliseOffsets();
    for (auto& channel : channels_) {
        if (channel.item->currentIndex() >= 0) {
            RefreshTip(channel.item);
        }
    }
    if (triggerCombo_->currentIndex() > 0) {
        RefreshTip(triggerCombo_);
    }
}

void CDriverOscillo::StatusChanged(scope::ScopeStatus status) {
    switch (status.kind) {
        case scope::ScopeStatusKind::Finish:
            // After a record: whether the drive triggered or the capture was started by hand.
            statusLine_->setText(!recordManual_   ? tr("处理完毕")
                                 : *recordManual_ ? tr("处理完毕，手动开始")
                                                  : tr("处理完毕，已触发"));
            recordManual_.reset();
            break;
        case scope::ScopeStatusKind::Waiting:
            statusLine_->setText(WaitingText(status.counter));
            break;
        case scope::ScopeStatusKind::Reading:
            statusLine_->setText(ReadingText(status.counter));
            NormaliseOffsets();
            break;
        case scope::ScopeStatusKind::Failed:
            statusLine_->setText(tr("读取数据失败"));
            break;
        case scope::ScopeStatusKind::LinkBusy:
            statusLine_->setText(tr("等待其他窗口释放通信口"));
            break;
        case scope::ScopeStatusKind::PartialRecord:
            statusLine_->setText(tr("记录末尾%1字节不足一个采样（%2字节），已舍弃")
                                     .arg(status.dropped)
                                     .arg(status.sampleBytes));
            break;
    }
}

void CDriverOscillo::CaptureStateChanged() {
    const bool idle = capture_.Idle();
    const bool running = capture_.CaptureRunning();
    startButton_->setText(idle ? tr("开始采集") : tr("取消采集"));
    reReadButton_->setEnabled(!running);
    startButton_->setEnabled(!(idle && running));  // a re-read runs to its end
}

void CDriverOscillo::BeforeCapture(scope::CaptureStart kind) {
    identity_.Cancel();  // the record's segments are the capture's
    recordManual_.reset();
    triggerIndexPending_ = false;
    if (kind == scope::CaptureStart::Start) {
        plotWidget_->ClearZoomRectangle();
        plot_.ResetRanges();
    } else if (kind == scope::CaptureStart::ReRead) {
        plotWidget_->ClearZoomRectangle();
        plot_.ClearCurves();
    }
    ApplyDisplaySettings();
}

void CDriverOscillo::RecordDecoded(const scope::Curves& curves) {
    NoteCapture();
    showingImport_ = false;
    const scope::TriggerMark mark = capture_.RecordedTrigger();
    ShowTriggerMark(mark);
    recordManual_ = mark.manual;
    viewHistory_.clear();
    backButton_->setEnabled(false);
    plot_.ClearCurves();
    for (int n = 0; n < scope::kChannelCount; ++n) {
        for (double value : curves[static_cast<std::size_t>(n)]) {
            plot_.AddPoint(n, value);
        }
    }
    plot_.ResetZoom();
    plot_.Recompute();
    RefreshScaleReadouts();
    Repaint();
    if (!mark.manual) {
        // Where the drive triggered: earlier than the pre-trigger samples when the trigger
        // came before they were complete.
        triggerIndexPending_ = true;
        capture_.Submit(link::kCmdRead, scope::kRecorderTriggerPosition, 0);
    }
    if (!continuousBox_->isChecked()) {
        identity_.Start();  // which drive made the record, for its files
    }
    emit curvesChanged();
}

bool CDriverOscillo::ContinuousCapture() {
    return continuousBox_->isChecked();
}

std::optional<bool> CDriverOscillo::ObjectSigned(ObjectKey key) {
    DictionaryEntry entry;
    if (!context_.Dictionary().FindByKey(key, entry)) {
        return std::nullopt;
    }
    const auto sizeCode = scope::SizeCodeOf(entry.dataType);
    if (!sizeCode) {
        return std::nullopt;
    }
    return (*sizeCode & 1) != 0;
}

}  // namespace morlo::gui
