// The oscilloscope page's channel and trigger settings: items, units, writes to the recorder.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "AppContext.h"
#include "CDriverOscillo.h"
#include "CMainFrame.h"
#include "ScopeControls.h"
#include "ScopePlotWidget.h"
#include "TipWindow.h"
#include "link/LinkConstants.h"
#include "scope/MappingValue.h"
#include "scope/ScaleText.h"
#include "text/NumberIo.h"

namespace morlo::gui {
namespace {

const QColor kTipBackground(250, 250, 210);
constexpr int kOffsetDecimals = 3;
constexpr int kOddOffsetLength = 10;  // longer offset texts are reset to 0

bool OddOffsetText(const QString& text) {
    return text == "-0" || text == "-0." || text.size() > kOddOffsetLength;
}

QString Address(ObjectKey key) {
    return QString("%1:%2")
        .arg(IndexOf(key), 4, 16, QChar('0'))
        .arg(SubIndexOf(key), 2, 16, QChar('0'))
        .toUpper();
}

// An item for an object the drive reports but the tool cannot list by name.
scope::ScopeItem UnlistedItem(std::uint32_t mapping) {
    return {0, mapping, Address(scope::MappingKey(mapping)).toStdString()};
}

}  // namespace

scope::ScopeUnits CDriverOscillo::Units() {
    return {context_.Dictionary(), context_.Units(), context_.Formulas(), Id()};
}

const scope::ScopeItem* CDriverOscillo::SelectedItem(int channel) const {
    return channelItems_.At(channel,
                            channels_[static_cast<std::size_t>(channel)].item->currentIndex());
}

void CDriverOscillo::RefreshTip(QComboBox* combo) {
    const QString text = combo->currentText();
    if (combo->count() == 0 || text.isEmpty()) {
        tips_->RemoveTip(combo);
        return;
    }
    tips_->AddTip(combo, {text}, 0, kTipBackground, Qt::black);
}

// ---- what the drive reports ----

void CDriverOscillo::ShowSlotValue(int slotIndex, std::uint32_t value) {
    const int channel = capture_.ChannelOfSlot(slotIndex);
    const auto n = static_cast<std::size_t>(channel);
    ChannelControls& c = channels_[n];
    if (value == 0) {
        // The box shows whether the drive records anything for the channel, through its own
        // slot or through the wide slot it owns: it is unticked when neither holds an object.
        if (capture_.ChannelMapping(channel) == 0) {
            c.check->setChecked(false);
            channelKey_[n] = 0;
        }
        return;
    }
    ShowChannelItem(channel, value, liveUnit_[n]);
    liveUnit_[n] = c.unit->currentText();
}

void CDriverOscillo::ShowChannelItem(int channel, std::uint32_t value, const QString& unit) {
    const auto n = static_cast<std::size_t>(channel);
    ChannelControls& c = channels_[n];
    if (value == 0) {
        c.check->setChecked(false);
        channelKey_[n] = 0;
        return;
    }
    const ObjectKey shownKey = channelKey_[n];
    const QString shownUnit = c.unit->currentText();
    const double shownCoefficient = coefficient_[n];
    int index = channelItems_.IndexOfMapping(channel, value);
    if (index < 0) {
        const ObjectKey key = scope::MappingKey(value);
        auto item = scope::MakeChannelItem(context_.Dictionary(), context_.Units(), key);
        const scope::ScopeItem added = item ? *item : UnlistedItem(value);
        c.item->insertItem(0, QString::fromStdString(added.name));
        channelItems_.AddPrivate(channel, added);
        index = 0;
    }
    c.check->setChecked(true);
    c.item->setCurrentIndex(index);
    FillUnitCombo(c.unit, scope::MappingKey(value));
    if (const int kept = c.unit->findText(unit); !unit.isEmpty() && kept >= 0) {
        c.unit->setCurrentIndex(kept);
    }
    channelKey_[n] = scope::MappingKey(value);
    if (channelKey_[n] != shownKey || c.unit->currentText() != shownUnit) {
        FollowUnit(channel, shownCoefficient);
    }
}

void CDriverOscillo::FollowUnit(int channel, double oldCoefficient) {
    const auto n = static_cast<std::size_t>(channel);
    UpdateCoefficient(channel, false);
    const double now = coefficient_[n];
    if (!plot_.Curve(channel).autoScale && oldCoefficient != 0 && now != 0) {
        // A scale of its own keeps the curve where it was, in a 1-2-5 step of the new unit.
        const double ratio = now / oldCoefficient;
        plot_.SetScale(channel, scope::RoundUpOneTwoFive(plot_.Scale(channel) * std::fabs(ratio)));
        plot_.SetOffset(channel, plot_.Offset(channel) * ratio);
    }
    plot_.AutoScale();
    RefreshScaleReadouts();
    Repaint();
}

void CDriverOscillo::ShowTriggerObject(std::uint32_t value) {
    if (value == 0) {
        triggerCombo_->setCurrentIndex(0);
        levelEdit_->setEnabled(false);
        triggerUnit_->setEnabled(false);
        return;
    }
    levelEdit_->setEnabled(true);
    triggerUnit_->setEnabled(true);
    triggerKey_ = scope::MappingKey(value);
    int position = triggerItems_.PositionOfMapping(value);
    if (position < 0) {
        auto item = scope::MakeTriggerItem(context_.Dictionary(), context_.Units(), triggerKey_);
        const scope::ScopeItem added = item ? *item : UnlistedItem(value);
        triggerCombo_->insertItem(1, QString::fromStdString(added.name));
        triggerItems_.Add(added);
        position = 0;
    }
    triggerCombo_->setCurrentIndex(position + 1);
    FillUnitCombo(triggerUnit_, scope::MappingKey(triggerItems_.At(position)->mapping));
}

void CDriverOscillo::ShowTriggerKey(ObjectKey key) {
    levelEdit_->setEnabled(true);
    triggerUnit_->setEnabled(true);
    triggerKey_ = key;
    int position = triggerItems_.PositionOfKey(key);
    if (position < 0) {
        auto item = scope::MakeTriggerItem(context_.Dictionary(), context_.Units(), key);
        const scope::ScopeItem added = item ? *item : UnlistedItem(scope::MakeMapping(key, 0));
        triggerCombo_->insertItem(1, QString::fromStdString(added.name));
        triggerItems_.Add(added);
        position = 0;
    }
    triggerCombo_->setCurrentIndex(position + 1);
    FillUnitCombo(triggerUnit_, key);
}

void CDriverOscillo::FillUnitCombo(QComboBox* combo, ObjectKey key) {
    combo->clear();
    // The object's units in their order, "DEC" last where it has one; "DEC" alone when it
    // has none. The last entry is where the choice starts.
    for (const std::string& unit : context_.Units().ChoiceList(key)) {
        combo->addItem(QString::fromStdString(unit));
    }
    combo->setCurrentIndex(combo->count() - 1);
}

std::string CDriverOscillo::ChosenUnit(QComboBox* combo) {
    if (combo->count() == 0) {
        combo->insertItem(0, kUnitDec);
        combo->setCurrentIndex(0);
    }
    if (combo->currentIndex() < 0) {
        const int dec = combo->findText(kUnitDec);
        combo->setCurrentIndex(dec >= 0 ? dec : 0);
    }
    return combo->currentText().toStdString();
}

QString CDriverOscillo::DisplayInCombo(QComboBox* combo, ObjectKey key, std::int32_t value) {
    return QString::fromStdString(scope::DisplayForm(Units(), key, value, ChosenUnit(combo)));
}

void CDriverOscillo::UpdateCoefficient(int channel, bool repaint) {
    const auto n = static_cast<std::size_t>(channel);
    coefficient_[n] = scope::UnitCoefficient(Units(), channelKey_[n],
                                             channels_[n].unit->currentText().toStdString());
    plot_.SetCoefficient(channel, coefficient_[n]);
    if (repaint) {
        plot_.AutoScale();
        RefreshScaleReadouts();
        Repaint();
    }
}

// ---- the form and the page state ----

void CDriverOscillo::ReadEdits() {
    auto integer = [](QLineEdit* edit, std::int32_t& into) {
        const auto value = ReadInteger(edit->text().toStdString());
        if (value && *value >= INT32_MIN && *value <= INT32_MAX) {
            into = static_cast<std::int32_t>(*value);
        }
    };
    integer(periodEdit_, period_);
    integer(pointerOffsetEdit_, pointerOffset_);
    integer(samplesEdit_, samples_);
    levelText_ = levelEdit_->text();
    for (std::size_t n = 0; n < channels_.size(); ++n) {
        scaleText_[n] = channels_[n].scale->text();
        if (const auto offset = ReadNumber(channels_[n].offset->text().toStdString())) {
            offset_[n] = *offset;
        }
    }
}

void CDriverOscillo::ReloadForm() {
    // An edit the user is typing in keeps the typing; every other one shows the page state.
    auto show = [](QLineEdit* edit, const QString& text) {
        if (!(edit->hasFocus() && edit->isModified())) {
            edit->setText(text);
        }
    };
    show(periodEdit_, QString::number(period_));
    show(pointerOffsetEdit_, QString::number(pointerOffset_));
    show(samplesEdit_, QString::number(samples_));
    show(levelEdit_, levelText_);
    for (std::size_t n = 0; n < channels_.size(); ++n) {
        show(channels_[n].scale, scaleText_[n]);
        show(channels_[n].offset, QString::fromStdString(WriteFixed(offset_[n], kOffsetDecimals)));
    }
}

void CDriverOscillo::NormaliseOffsets() {
    for (std::size_t n = 0; n < channels_.size(); ++n) {
        if (OddOffsetText(channels_[n].offset->text())) {
            offset_[n] = 0;
        }
    }
    ReloadForm();
}

void CDriverOscillo::ApplyDisplaySettings() {
    for (std::size_t n = 0; n < channels_.size(); ++n) {
        if (OddOffsetText(channels_[n].offset->text())) {
            offset_[n] = 0;
            channels_[n].offset->setText("0");
        }
    }
    ReadEdits();
    for (int channel = 0; channel < scope::kChannelCount; ++channel) {
        const auto n = static_cast<std::size_t>(channel);
        const ChannelControls& c = channels_[n];
        plot_.SetVisible(channel, c.check->isChecked());
        if (!c.check->isChecked()) {
            continue;
        }
        if (c.autoScale->isChecked()) {
            plot_.SetAuto(channel, true);
        } else {
            plot_.SetAuto(channel, false);
            plot_.SetScale(channel, scope::ParseScaleText(scaleText_[n].toStdString()));
            plot_.SetOffset(channel, offset_[n]);
        }
        UpdateCoefficient(channel, false);
    }
}

// ---- writing settings ----

std::optional<std::int32_t> CDriverOscillo::EnteredSetting(QLineEdit* edit, ObjectKey key) {
    DictionaryEntry entry;
    context_.Dictionary().FindByKey(key, entry);
    const auto sizeCode = scope::SizeCodeOf(entry.dataType).value_or(16);
    const int width = sizeCode & ~1;
    const bool isSigned = (sizeCode & 1) != 0;
    const std::int64_t minimum = isSigned ? -(std::int64_t{1} << (width - 1)) : 0;
    const std::int64_t maximum =
        isSigned ? (std::int64_t{1} << (width - 1)) - 1 : (std::int64_t{1} << width) - 1;
    const auto value = ReadInteger(edit->text().toStdString());
    if (!value || *value < minimum || *value > maximum) {
        ShowMessage(tr("%1：“%2”不是%3到%4之间的整数，未写入驱动器。")
                        .arg(QString::fromStdString(entry.name), edit->text())
                        .arg(minimum)
                        .arg(maximum),
                    QMessageBox::Warning, this);
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*value);
}

void CDriverOscillo::OnEnter(int id) {
    if (auto* entered = Control<QLineEdit>(id)) {
        entered->setModified(false);  // entered: the drive's answer may show in it again
    }
    if (id == ctl::kLevel) {
        ReadEdits();
        EnterTriggerLevel();
        return;
    }
    for (std::size_t n = 0; n < channels_.size(); ++n) {
        if (id == ctl::kOffset[n]) {
            const auto offset = ReadNumber(channels_[n].offset->text().toStdString());
            if (!offset) {
                ShowMessage(tr("偏移：“%1”不是数值。").arg(channels_[n].offset->text()),
                            QMessageBox::Warning, this);
                return;
            }
            offset_[n] = *offset;
            plot_.SetOffset(static_cast<int>(n), *offset);
            Repaint();
            return;
        }
    }
    const std::pair<QLineEdit*, ObjectKey> settings[] = {
        {periodEdit_, scope::kRecorderPeriod},
        {pointerOffsetEdit_, scope::kRecorderPointerOffset},
        {samplesEdit_, scope::kRecorderSamples}};
    for (const auto& [edit, key] : settings) {
        if (edit->objectName().toInt() != id) {
            continue;
        }
        const auto value = EnteredSetting(edit, key);
        if (!value) {
            return;
        }
        ReadEdits();
        if (key == scope::kRecorderPeriod) {
            capture_.WritePeriod(*value);
        } else if (key == scope::kRecorderPointerOffset) {
            capture_.WritePointerOffset(*value);
        } else {
            capture_.WriteSamples(*value);
        }
        return;
    }
}

void CDriverOscillo::EnterTriggerLevel() {
    QString unit = triggerUnit_->currentText();
    if (triggerUnit_->count() == 0 || triggerUnit_->currentIndex() < 0) {
        unit = kUnitDec;
    }
    const QString text = levelEdit_->text().trimmed();
    const scope::LevelConversion level =
        scope::TriggerLevelToRaw(Units(), triggerKey_, text.toStdString(), unit.toStdString());
    switch (level.outcome) {
        case scope::LevelOutcome::Raw:
            capture_.WriteTriggerLevel(level.raw);
            return;
        case scope::LevelOutcome::Parked:
            return;  // written once the drive value the unit needs has arrived
        case scope::LevelOutcome::NotANumber:
            ShowMessage(tr("触发电平：“%1”不是%2单位的数值，未写入驱动器。").arg(text, unit),
                        QMessageBox::Warning, this);
            return;
        case scope::LevelOutcome::OutOfRange:
            ShowMessage(tr("触发电平：“%1”超出触发对象的范围（%2到%3），未写入驱动器。")
                            .arg(text)
                            .arg(level.minimum)
                            .arg(level.maximum),
                        QMessageBox::Warning, this);
            return;
        case scope::LevelOutcome::UnknownUnit:
            ShowMessage(tr("触发电平：触发对象没有单位%1，未写入驱动器。").arg(unit),
                        QMessageBox::Warning, this);
            return;
    }
}

void CDriverOscillo::OnTriggerSelected(int index) {
    if (index <= 0) {
        capture_.WriteTriggerObject(0);
        return;
    }
    const scope::ScopeItem* item = triggerItems_.At(index - 1);
    if (!item) {
        return;
    }
    triggerKey_ = scope::MappingKey(item->mapping);
    capture_.WriteTriggerObject(item->mapping);
}

void CDriverOscillo::OnTriggerUnitSelected() {
    lastUnitChangeTrigger_ = true;
    capture_.ReadTriggerLevel();
}

void CDriverOscillo::OnChannelChecked(int channel) {
    ChannelControls& c = channels_[static_cast<std::size_t>(channel)];
    const scope::ScopeItem* item = SelectedItem(channel);
    if (!item) {
        c.check->setChecked(false);
        return;
    }
    if (c.check->isChecked()) {
        capture_.SwitchChannelOn(channel, item->mapping);
        plot_.SetVisible(channel, true);
    } else {
        plot_.SetVisible(channel, false);
        capture_.SwitchChannelOff(channel);
    }
    Repaint();
}

void CDriverOscillo::OnChannelItemSelected(int channel) {
    ChannelControls& c = channels_[static_cast<std::size_t>(channel)];
    if (const scope::ScopeItem* item = SelectedItem(channel)) {
        FillUnitCombo(c.unit, scope::MappingKey(item->mapping));
        if (!showingImport_) {
            liveUnit_[static_cast<std::size_t>(channel)] = c.unit->currentText();
        }
    }
    c.check->setChecked(false);  // the drive records the previous object until ticked again
    RefreshTip(c.item);
}

void CDriverOscillo::OnChannelUnitSelected(int channel) {
    lastUnitChangeTrigger_ = false;
    if (!showingImport_) {
        liveUnit_[static_cast<std::size_t>(channel)] =
            channels_[static_cast<std::size_t>(channel)].unit->currentText();
    }
    UpdateCoefficient(channel, true);
    RefreshTip(channels_[static_cast<std::size_t>(channel)].unit);
}

void CDriverOscillo::OnAutoClicked(int channel) {
    plot_.SetAuto(channel, channels_[static_cast<std::size_t>(channel)].autoScale->isChecked());
    plot_.AutoScale();
    RefreshScaleReadouts();
    Repaint();
}

void CDriverOscillo::OnScaleStep(int channel, bool up) {
    const auto n = static_cast<std::size_t>(channel);
    if (!channels_[n].check->isChecked()) {
        return;
    }
    scaleText_[n] = QString::fromStdString(scope::StepScaleText(scaleText_[n].toStdString(), up));
    plot_.SetScale(channel, scope::ParseScaleText(scaleText_[n].toStdString()));
    ReloadForm();
    Repaint();
}

void CDriverOscillo::OnOffsetStep(int channel, bool up) {
    const auto n = static_cast<std::size_t>(channel);
    if (!channels_[n].check->isChecked()) {
        return;
    }
    plot_.StepOffset(channel, up);
    offset_[n] = plot_.Offset(channel);
    channels_[n].offset->setText(QString::fromStdString(WriteFixed(offset_[n], kOffsetDecimals)));
    Repaint();
}

// ---- the object picker ----

void CDriverOscillo::AskForObject(int target) {
    pickTarget_ = target;
    context_.objectRequester = this;
    if (CMainFrame* frame = context_.mainWindow) {
        frame->OnOpenToolPage(2);
    }
}

void CDriverOscillo::ObjectChosen(ObjectKey key) {
    if (pickTarget_ == 0) {
        int position = triggerItems_.PositionOfKey(key);
        if (position < 0) {
            auto item = scope::MakeTriggerItem(context_.Dictionary(), context_.Units(), key);
            if (!item) {
                ShowMessage(tr("触发对象必须是8位、16位或32位的数值对象。"), QMessageBox::Warning,
                            this);
                return;
            }
            triggerCombo_->insertItem(1, QString::fromStdString(item->name));
            triggerItems_.Add(std::move(*item));
            position = 0;
        }
        triggerCombo_->setCurrentIndex(position + 1);
        OnTriggerSelected(position + 1);
        return;
    }
    const int channel = pickTarget_ - 1;
    ChannelControls& c = channels_[static_cast<std::size_t>(channel)];
    int index = channelItems_.IndexOfKey(channel, key);
    if (index < 0) {
        auto item = scope::MakeChannelItem(context_.Dictionary(), context_.Units(), key);
        if (!item) {
            ShowMessage(tr("通道只能记录16位或32位的数值对象。"), QMessageBox::Warning, this);
            return;
        }
        c.item->insertItem(0, QString::fromStdString(item->name));
        channelItems_.AddPrivate(channel, std::move(*item));
        index = 0;
    }
    c.item->setCurrentIndex(index);
    FillUnitCombo(c.unit, key);
    if (!showingImport_) {
        liveUnit_[static_cast<std::size_t>(channel)] = c.unit->currentText();
    }
    OnChannelChecked(channel);
}

}  // namespace morlo::gui
