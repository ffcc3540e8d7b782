#pragma once

#include <QImage>
#include <QString>
#include <array>
#include <memory>
#include <optional>

#include "CPageView.h"
#include "scope/DriveIdentity.h"
#include "scope/ScopeCapture.h"
#include "scope/ScopeFiles.h"
#include "scope/ScopeItems.h"
#include "scope/ScopePlot.h"
#include "scope/ScopeValues.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QListWidget;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;

namespace morlo::gui {

class EdgeIcon;
class MeasurementTable;
class SpectrumView;
class ScopePlotWidget;
class TipWindow;
class UpDownButtons;

// The oscilloscope page: configures the drive's recorder, captures, uploads and shows the
// record with per-channel scale, offset and unit, zoom and cursors. The capture cycle itself
// is the core's ScopeCapture; this page is its face.
class CDriverOscillo final : public CPageView,
                             private scope::ScopeCaptureHost,
                             private scope::ScopeTimers {
    Q_OBJECT
  public:
    explicit CDriverOscillo(AppContext& context, QWidget* parent = nullptr);
    ~CDriverOscillo() override;

    void PageNotify(int code) override;
    void ObjectChosen(ObjectKey key) override;
    void OnResult(const engine::Delivery& delivery) override;

    // The page's parts, for tests and the picture of the page.
    scope::ScopeCapture& Capture() { return capture_; }
    scope::ScopePlot& Plot() { return plot_; }
    ScopePlotWidget* PlotWidget() const { return plotWidget_; }
    template <typename T>
    T* Control(int id) const {
        return findChild<T*>(QString::number(id));
    }
    bool TimerActive(int id) const;
    // What a tick of timer 1 (poll), 2 (continuous restart) or 3 (link watch) does.
    void FireTimer(int id);
    bool Shown() const { return shown_; }
    // How often the read-back sequence has found nothing left to read.
    int ReadBackClosings() const { return readBackClosings_; }

    // Commands (the buttons call them).
    void StartOrCancel();
    void ReRead();
    void Export();
    void Import();

    // Files (OscilloFiles.cpp). Export to the chosen path as the type of the extension (the
    // file name is cut at its first '.'); false, after a message, when nothing was written.
    bool ExportTo(const QString& chosen, const QString& extension);
    // Import of a text data file; false, after a message, when nothing changed.
    bool ImportFrom(const QString& path);
    QString LastExportPath() const { return lastExportPath_; }
    // Whether the drive's identity is being read for the description of the last capture.
    bool IdentityReading() const { return identity_.Active(); }
    // The page as it is drawn, for the picture files.
    QImage PagePicture();

    // Analysis beyond the drive (OscilloAnalysis.cpp).
    // Keeps the shown capture as a reference; false (after a message) when there are
    // already four or nothing is shown.
    bool KeepAsReference();
    // A text data file as a reference; false, after a message, when nothing was added.
    bool ImportReferenceFrom(const QString& path);
    void RemoveReference(int index);
    void SetReferenceShown(int index, bool shown);
    // The engineering table (time and values in the display units) of the shown curves.
    bool ExportTableTo(const QString& path);
    // Opens (or raises) the spectrum of the measured stretch.
    SpectrumView* ShowSpectrum();
    SpectrumView* Spectrum() const { return spectrum_; }
    MeasurementTable* Measurements() const { return measurements_; }
    // The view as it was before the last zoom or pan; the whole record auto-scaled.
    void ViewBack();
    void ViewReset();
    std::size_t ViewHistoryDepth() const { return viewHistory_.size(); }
    void SetTimeFromTrigger(bool on);

  signals:
    // The drive announced a record and its upload begins.
    void uploadStarted();
    // New curves were decoded or imported and laid out.
    void curvesChanged();

  protected:
    // A layout that needs more room (longer texts after a capture) widens the page's frame.
    bool event(QEvent* event) override;

  private:
    // Whether another reference may be kept; says why not in a message.
    bool RoomForAReference();
    // A text data file read whole; nothing, after a message, when it cannot be read or is no
    // oscilloscope data file.
    std::optional<scope::ScopeReadResult> ReadScopeFile(const QString& path);
    struct ChannelControls {
        QCheckBox* check = nullptr;
        QComboBox* item = nullptr;
        QPushButton* pick = nullptr;
        QLineEdit* scale = nullptr;
        UpDownButtons* scaleSpin = nullptr;
        QLineEdit* offset = nullptr;
        UpDownButtons* offsetSpin = nullptr;
        QComboBox* unit = nullptr;
        QCheckBox* autoScale = nullptr;
    };

    // Building (CDriverOscillo.cpp).
    void CreateControls();
    QWidget* CreateChannelGrid();
    QWidget* CreateSettingsGrid();
    QWidget* CreateActions();
    QWidget* CreateCursorRow();
    QWidget* CreateAnalysisColumn();
    void ConnectControls();
    void LoadItemLists();
    scope::PlotRect PlotAreaFor(QRect& mouseArea) const;

    // The capture cycle's face (OscilloCapture.cpp).
    void SettingReported(ObjectKey key, std::int32_t value) override;
    void OtherValue(ObjectKey key, std::int32_t value) override;
    void SettingRefused(ObjectKey key, std::uint32_t code) override;
    void ReadBackClosed() override;
    void StatusChanged(scope::ScopeStatus status) override;
    void CaptureStateChanged() override;
    void BeforeCapture(scope::CaptureStart kind) override;
    void UploadStarted() override { emit uploadStarted(); }
    void RecordDecoded(const scope::Curves& curves) override;
    bool ContinuousCapture() override;
    std::optional<bool> ObjectSigned(ObjectKey key) override;
    void StartTimer(int id, std::chrono::milliseconds period) override;
    void KillTimer(int id) override;
    QTimer* Timer(int id) const;
    void WritePlacement();

    // Channel and trigger settings (OscilloSettings.cpp).
    scope::ScopeUnits Units();
    void ShowSlotValue(int slotIndex, std::uint32_t value);
    void ShowTriggerObject(std::uint32_t value);
    void ShowTriggerKey(ObjectKey key);
    // Shows the object on the channel; its unit box lists the object's units with `unit`
    // selected where the object offers it, else the last entry.
    void ShowChannelItem(int channel, std::uint32_t value, const QString& unit = QString());
    // The channel's unit changed other than by the user's choice: the plot follows it.
    void FollowUnit(int channel, double oldCoefficient);
    void FillUnitCombo(QComboBox* combo, ObjectKey key);
    // The combo's unit; an empty combo gets "DEC", one without a selection its "DEC" entry
    // (else its first).
    std::string ChosenUnit(QComboBox* combo);
    QString DisplayInCombo(QComboBox* combo, ObjectKey key, std::int32_t value);
    void UpdateCoefficient(int channel, bool repaint);
    void ApplyDisplaySettings();
    void ReadEdits();
    void ReloadForm();
    void NormaliseOffsets();
    std::optional<std::int32_t> EnteredSetting(QLineEdit* edit, ObjectKey key);
    void OnEnter(int id);
    void EnterTriggerLevel();
    void OnTriggerSelected(int index);
    void OnTriggerUnitSelected();
    void OnChannelChecked(int channel);
    void OnChannelItemSelected(int channel);
    void OnChannelUnitSelected(int channel);
    void OnAutoClicked(int channel);
    void OnScaleStep(int channel, bool up);
    void OnOffsetStep(int channel, bool up);
    void AskForObject(int target);
    void RefreshTip(QComboBox* combo);
    const scope::ScopeItem* SelectedItem(int channel) const;

    // Files (OscilloFiles.cpp).
    QString ChooseFile(bool save, QString* extension);
    scope::Curves PlotCurves();
    scope::ScopeFileData FileData();
    void ApplyFile(const scope::ScopeFileData& data);
    void NoteCapture();

    // Cursors and read-outs (OscilloCursors.cpp).
    void SetCursorMode(int mode);
    void OnCursorSlider(int cursor, int position);
    void RefreshCursorReadouts();
    void RefreshScaleReadouts();
    void Repaint();

    // Analysis (OscilloAnalysis.cpp).
    void ConnectAnalysis();
    void RefreshMeasurements();
    void RefreshSpectrum();
    void RefreshReferenceList();
    void ShowTriggerMark(const scope::TriggerMark& mark);
    void PushView();
    // The auto boxes and the scale read-outs follow a view changed by wheel, drag or Back.
    void SyncViewControls();
    void ExportTable();
    void ImportReference();

    scope::ControlLinkScopeLink link_;
    scope::ScopePlot plot_;
    scope::ScopeCapture capture_;
    scope::DriveIdentityReader identity_;
    scope::ChannelItems channelItems_;
    scope::TriggerItems triggerItems_;

    // Page state.
    std::int32_t period_ = 0;
    std::int32_t pointerOffset_ = 0;
    std::int32_t samples_ = 0;
    QString levelText_;
    ObjectKey triggerKey_ = 0;
    std::array<ObjectKey, 4> channelKey_{};
    std::array<QString, 4> scaleText_;
    std::array<double, 4> offset_{};
    std::array<double, 4> coefficient_{};
    bool lastUnitChangeTrigger_ = false;
    int pickTarget_ = 0;
    bool shown_ = false;
    bool slidersReady_ = false;
    // The plot shows an imported capture: the next start reads the recorder's settings first.
    bool showingImport_ = false;
    // Per channel the unit chosen for what the drive records (an import does not change it).
    std::array<QString, 4> liveUnit_;
    int readBackClosings_ = 0;
    scope::CaptureDescription description_;
    bool descriptionFromDrive_ = false;         // else from an imported file
    std::array<std::uint32_t, 4> shownItem_{};  // the object an imported file named
    QString lastExportPath_;
    std::vector<scope::PlotView> viewHistory_;
    // Set when a record was decoded, until the status line has said how it started.
    std::optional<bool> recordManual_;
    // The drive's trigger index of the record shown is being read.
    bool triggerIndexPending_ = false;

    // Controls.
    ScopePlotWidget* plotWidget_ = nullptr;
    QLineEdit* periodEdit_ = nullptr;
    QLineEdit* periodTime_ = nullptr;
    QLineEdit* pointerOffsetEdit_ = nullptr;
    QLineEdit* samplesEdit_ = nullptr;
    QComboBox* triggerCombo_ = nullptr;
    QPushButton* triggerPick_ = nullptr;
    EdgeIcon* edgeIcon_ = nullptr;
    QLineEdit* levelEdit_ = nullptr;
    QComboBox* triggerUnit_ = nullptr;
    std::array<ChannelControls, 4> channels_{};
    QPushButton* startButton_ = nullptr;
    QPushButton* reReadButton_ = nullptr;
    QCheckBox* continuousBox_ = nullptr;
    QLineEdit* statusLine_ = nullptr;
    QPushButton* importButton_ = nullptr;
    QPushButton* exportButton_ = nullptr;
    QSlider* cursor1Slider_ = nullptr;
    QSlider* cursor2Slider_ = nullptr;
    std::array<QRadioButton*, 3> cursorMode_{};
    QComboBox* cursorChannel_ = nullptr;
    QLineEdit* timeHeader_ = nullptr;
    QLineEdit* dataHeader_ = nullptr;
    std::array<QLineEdit*, 6> readouts_{};  // 1181, 1185, 1188, 1189, 1192, 1193
    TipWindow* tips_ = nullptr;
    QCheckBox* timeFromTrigger_ = nullptr;
    QPushButton* keepReference_ = nullptr;
    QPushButton* importReference_ = nullptr;
    QPushButton* removeReference_ = nullptr;
    QListWidget* referenceList_ = nullptr;
    QPushButton* backButton_ = nullptr;
    QPushButton* resetButton_ = nullptr;
    QPushButton* spectrumButton_ = nullptr;
    QPushButton* tableButton_ = nullptr;
    QLabel* measuredSpan_ = nullptr;
    QPushButton* copyMeasurements_ = nullptr;
    MeasurementTable* measurements_ = nullptr;
    SpectrumView* spectrum_ = nullptr;
    QTimer* pollTimer_ = nullptr;
    QTimer* restartTimer_ = nullptr;
    QTimer* linkWatchTimer_ = nullptr;
};

}  // namespace morlo::gui
