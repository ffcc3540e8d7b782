#include "CDriverOscillo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include "AppContext.h"
#include "FsPath.h"
#include "MeasurementTable.h"
#include "ScopeControls.h"
#include "ScopePlotWidget.h"
#include "ScopeWidgets.h"
#include "TextFit.h"
#include "TipWindow.h"
#include "scope/ScaleText.h"
#include "values/UnitTable.h"

namespace morlo::gui {
namespace {

constexpr int kStandardDpi = 96;
constexpr int kSpacing = 3;
constexpr int kItemWidth = 136;
constexpr int kPickWidth = 24;
constexpr int kScaleWidth = 48;
constexpr int kOffsetWidth = 80;
constexpr int kUnitWidth = 76;
constexpr int kNumberWidth = 60;
constexpr int kReadoutWidth = 76;
constexpr int kButtonWidth = 84;
constexpr const char* kItemFile = "/sys/Oscilloscope.ini";
constexpr const char* kTriggerSection = "trigger";
constexpr const char* kChannelSection = "channel";
constexpr const char* kMicroseconds = "us";

struct AreaChoice {
    scope::PlotRect plot;
    QRect mouse;
};

// The plot and mouse areas by screen resolution and language.
AreaChoice AreasFor(bool standardDpi, bool chinese) {
    if (standardDpi) {
        return chinese ? AreaChoice{{0, 18, 902, 368}, QRect(QPoint(10, 22), QPoint(890, 366))}
                       : AreaChoice{{0, 18, 1002, 368}, QRect(QPoint(10, 22), QPoint(990, 366))};
    }
    return chinese ? AreaChoice{{0, 24, 1154, 480}, QRect(QPoint(10, 26), QPoint(1004, 468))}
                   : AreaChoice{{0, 20, 1250, 460}, QRect(QPoint(10, 26), QPoint(1100, 368))};
}

template <typename T>
T* Named(T* widget, int id) {
    widget->setObjectName(QString::number(id));
    return widget;
}

QLineEdit* ReadOnlyEdit(int id, int width, QWidget* parent) {
    auto* edit = Named(new QLineEdit(parent), id);
    edit->setReadOnly(true);
    edit->setFixedWidth(width);
    return edit;
}

}  // namespace

CDriverOscillo::CDriverOscillo(AppContext& context, QWidget* parent)
    : CPageView(context, parent),
      link_(context.Link(), Id()),
      plot_({}, &context.Messages()),
      capture_(link_, *this, *this),
      identity_(link_) {
    QRect mouseArea;
    plot_.SetArea(PlotAreaFor(mouseArea));
    for (auto& text : scaleText_) {
        text = scope::kSmallestScaleText;
    }

    pollTimer_ = new QTimer(this);
    restartTimer_ = new QTimer(this);
    linkWatchTimer_ = new QTimer(this);
    connect(pollTimer_, &QTimer::timeout, this, [this] { FireTimer(scope::kPollTimer); });
    connect(restartTimer_, &QTimer::timeout, this, [this] { FireTimer(scope::kRestartTimer); });
    connect(linkWatchTimer_, &QTimer::timeout, this, [this] { FireTimer(scope::kLinkWatchTimer); });
    // Every pixel of the page is painted, also where no control lies.
    setAutoFillBackground(true);

    plotWidget_ = new ScopePlotWidget(plot_, mouseArea, this);
    plotWidget_->setToolTip(
        tr("滚轮：缩放时间轴；Ctrl+滚轮：缩放游标通道的数值轴；"
           "中键（或Ctrl+左键）拖动：平移"));
    CreateControls();
    tips_ = new TipWindow(this);
    tips_->SetOwner(this);
    ConnectControls();

    triggerCombo_->addItem(tr("手动触发"));
    LoadItemLists();
    // Wide enough for the longest object name of the lists, in either language.
    for (QComboBox* combo : {channels_[0].item, channels_[1].item, channels_[2].item,
                             channels_[3].item, triggerCombo_}) {
        combo->setFixedWidth(ComboWidthFor(*combo, kItemWidth));
    }
    timeHeader_->setText(tr("时间(%1)").arg(kMicroseconds));
    dataHeader_->setText(tr("数据(%1)").arg(kUnitDec));
    for (auto& channel : channels_) {
        channel.autoScale->setChecked(true);
    }
    statusLine_->setText(tr("处理完毕"));
    const int last = plot_.Geometry().width - 4;
    for (QSlider* slider : {cursor1Slider_, cursor2Slider_}) {
        slider->setPageStep(0);
        slider->setRange(1, last);
        slider->setEnabled(false);
    }
    cursor1Slider_->setValue(scope::kCursorStart1);
    cursor2Slider_->setValue(scope::kCursorStart2);
    cursorMode_[0]->setChecked(true);
    plot_.SetCursorMode(0);
    slidersReady_ = true;
    backButton_->setEnabled(false);
    context_.Link().SetPriorityWindow(Id());
    shown_ = true;
    ReloadForm();
    capture_.StartReadBack();
}

CDriverOscillo::~CDriverOscillo() {
    pollTimer_->stop();
    restartTimer_->stop();
    linkWatchTimer_->stop();
    if (capture_.CaptureRunning()) {
        capture_.Stop();
    }
    if (context_.Link().PriorityWindow() == Id()) {
        context_.Link().SetPriorityWindow(engine::kNoReceiver);
    }
}

bool CDriverOscillo::event(QEvent* event) {
    const bool handled = CPageView::event(event);
    if (event->type() == QEvent::LayoutRequest) {
        FitFrame();
    }
    return handled;
}

scope::PlotRect CDriverOscillo::PlotAreaFor(QRect& mouseArea) const {
    const AreaChoice choice =
        AreasFor(context_.dpiX == kStandardDpi, context_.language.load() == kLanguageChinese);
    mouseArea = choice.mouse;
    return choice.plot;
}

void CDriverOscillo::LoadItemLists() {
    const auto file = FsPath(context_.workDir + kItemFile);
    for (ObjectKey key : scope::ReadItemKeys(file, kTriggerSection)) {
        if (auto item = scope::MakeTriggerItem(context_.Dictionary(), context_.Units(), key)) {
            triggerCombo_->insertItem(1, QString::fromStdString(item->name));
            triggerItems_.Add(std::move(*item));
        }
    }
    for (ObjectKey key : scope::ReadItemKeys(file, kChannelSection)) {
        if (auto item = scope::MakeChannelItem(context_.Dictionary(), context_.Units(), key)) {
            for (auto& channel : channels_) {
                channel.item->addItem(QString::fromStdString(item->name));
            }
            channelItems_.AddShared(std::move(*item));
        }
    }
}

// ---- building ----

void CDriverOscillo::CreateControls() {
    const scope::PlotGeometry g = plot_.Geometry();
    const scope::PlotRect area = plot_.Area();
    // Cursor 1 above the plot, cursor 2 below it, lined up with the plot's columns.
    cursor1Slider_ = Named(new QSlider(Qt::Horizontal, this), ctl::kCursor1Slider);
    cursor1Slider_->setGeometry(g.left, 0, g.width - 2, area.top);
    cursor2Slider_ = Named(new QSlider(Qt::Horizontal, this), ctl::kCursor2Slider);
    cursor2Slider_->setGeometry(g.left, area.bottom + 1, g.width - 2, area.top);
    for (QSlider* slider : {cursor1Slider_, cursor2Slider_}) {
        slider->setAutoFillBackground(true);  // a moved handle leaves nothing behind
    }

    auto* panel = new QWidget(this);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(kSpacing, 0, kSpacing, kSpacing);
    panelLayout->setSpacing(3 * kSpacing);
    auto* left = new QVBoxLayout;
    left->setSpacing(kSpacing);
    left->addWidget(CreateChannelGrid());
    left->addWidget(CreateCursorRow());
    left->addStretch();
    panelLayout->addLayout(left);
    // The recorder's settings and the actions, the measurements under them.
    auto* settings = new QHBoxLayout;
    settings->setSpacing(3 * kSpacing);
    settings->addWidget(CreateSettingsGrid(), 0, Qt::AlignTop);
    settings->addWidget(CreateActions(), 0, Qt::AlignTop);
    settings->addStretch();
    measurements_ = Named(new MeasurementTable(this), ctl::kMeasurements);
    auto* right = new QVBoxLayout;
    right->setSpacing(kSpacing);
    right->addLayout(settings);
    right->addWidget(measurements_, 0, Qt::AlignLeft);
    right->addStretch();
    panelLayout->addLayout(right);
    panelLayout->addStretch();

    // Beside the plot: references and the view; the plot itself is placed, not laid out.
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, kSpacing, 0);
    top->setSpacing(2 * kSpacing);
    top->addItem(new QSpacerItem(plotWidget_->width(), area.bottom + 1 + area.top,
                                 QSizePolicy::Fixed, QSizePolicy::Fixed));
    top->addWidget(CreateAnalysisColumn(), 0, Qt::AlignTop);
    top->addStretch();
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addLayout(top);
    page->addWidget(panel);
}

QWidget* CDriverOscillo::CreateChannelGrid() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(kSpacing);
    grid->setVerticalSpacing(1);
    const QString headers[] = {tr("通道"), tr("对象"), QString(),  tr("比例"), QString(),
                               tr("偏移"), QString(),  tr("单位"), tr("自动")};
    for (int column = 0; column < 9; ++column) {
        grid->addWidget(new QLabel(headers[column], box), 0, column);
    }
    for (std::size_t n = 0; n < channels_.size(); ++n) {
        ChannelControls& c = channels_[n];
        const int row = static_cast<int>(n) + 1;
        c.check = Named(new QCheckBox(QString(" &%1").arg(n + 1), box), ctl::kChannelCheck[n]);
        QPalette palette = c.check->palette();
        palette.setColor(QPalette::WindowText, ChannelColours()[n]);
        palette.setColor(QPalette::ButtonText, ChannelColours()[n]);
        c.check->setPalette(palette);
        c.item = Named(new QComboBox(box), ctl::kChannelItem[n]);
        c.item->setFixedWidth(kItemWidth);
        c.pick = Named(new QPushButton("...", box), ctl::kChannelPick[n]);
        c.pick->setFixedWidth(kPickWidth);
        c.scale = Named(new QLineEdit(box), ctl::kScale[n]);
        c.scale->setFixedWidth(kScaleWidth);
        c.scaleSpin = Named(new UpDownButtons(box), ctl::kScaleSpin[n]);
        c.offset = Named(new QLineEdit(box), ctl::kOffset[n]);
        c.offset->setFixedWidth(kOffsetWidth);
        c.offsetSpin = Named(new UpDownButtons(box), ctl::kOffsetSpin[n]);
        c.unit = Named(new QComboBox(box), ctl::kUnit[n]);
        c.unit->setFixedWidth(kUnitWidth);
        c.autoScale = Named(new QCheckBox(box), ctl::kAuto[n]);
        QWidget* cells[] = {c.check,  c.item,       c.pick, c.scale,    c.scaleSpin,
                            c.offset, c.offsetSpin, c.unit, c.autoScale};
        for (int column = 0; column < 9; ++column) {
            grid->addWidget(cells[column], row, column);
        }
    }
    return box;
}

QWidget* CDriverOscillo::CreateSettingsGrid() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(kSpacing);
    grid->setVerticalSpacing(1);
    periodEdit_ = Named(new QLineEdit(box), ctl::kPeriod);
    periodEdit_->setFixedWidth(kNumberWidth);
    periodTime_ = ReadOnlyEdit(ctl::kPeriodTime, kNumberWidth + 10, box);
    periodTime_->setText("0 us");
    pointerOffsetEdit_ = Named(new QLineEdit(box), ctl::kPointerOffset);
    pointerOffsetEdit_->setFixedWidth(kNumberWidth);
    samplesEdit_ = Named(new QLineEdit(box), ctl::kSamples);
    samplesEdit_->setFixedWidth(kNumberWidth);
    grid->addWidget(new QLabel(tr("采集周期(ms)"), box), 0, 0);
    grid->addWidget(periodEdit_, 0, 1);
    grid->addWidget(periodTime_, 0, 2);
    grid->addWidget(new QLabel(tr("指针偏移"), box), 1, 0);
    grid->addWidget(pointerOffsetEdit_, 1, 1);
    grid->addWidget(new QLabel(tr("采集个数"), box), 2, 0);
    grid->addWidget(samplesEdit_, 2, 1);

    triggerCombo_ = Named(new QComboBox(box), ctl::kTrigger);
    triggerCombo_->setFixedWidth(kItemWidth);
    triggerPick_ = Named(new QPushButton("...", box), ctl::kTriggerPick);
    triggerPick_->setFixedWidth(kPickWidth);
    auto* triggerRow = new QHBoxLayout;
    triggerRow->setSpacing(kSpacing);
    triggerRow->addWidget(triggerCombo_);
    triggerRow->addWidget(triggerPick_);
    grid->addWidget(new QLabel(tr("触发"), box), 3, 0);
    grid->addLayout(triggerRow, 3, 1, 1, 2);

    edgeIcon_ = Named(new EdgeIcon(box), ctl::kEdge);
    levelEdit_ = Named(new QLineEdit(box), ctl::kLevel);
    levelEdit_->setFixedWidth(kNumberWidth);
    triggerUnit_ = Named(new QComboBox(box), ctl::kTriggerUnit);
    triggerUnit_->setFixedWidth(kUnitWidth);
    auto* levelRow = new QHBoxLayout;
    levelRow->setSpacing(kSpacing);
    levelRow->addWidget(levelEdit_);
    levelRow->addWidget(triggerUnit_);
    grid->addWidget(edgeIcon_, 4, 0, Qt::AlignRight);
    grid->addLayout(levelRow, 4, 1, 1, 2);
    return box;
}

QWidget* CDriverOscillo::CreateActions() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(kSpacing);
    startButton_ = Named(new QPushButton(tr("开始采集"), box), ctl::kStart);
    reReadButton_ = Named(new QPushButton(tr("重读数据"), box), ctl::kReRead);
    continuousBox_ = Named(new QCheckBox(tr("连续采集"), box), ctl::kContinuous);
    importButton_ = Named(new QPushButton(tr("导入"), box), ctl::kImport);
    exportButton_ = Named(new QPushButton(tr("导出"), box), ctl::kExport);
    auto* refresh = Named(new QPushButton(tr("刷新曲线"), box), ctl::kRefreshCurves);
    refresh->hide();
    statusLine_ = ReadOnlyEdit(ctl::kStatus, 2 * kButtonWidth + kSpacing, box);
    for (QPushButton* button : {startButton_, reReadButton_, importButton_, exportButton_}) {
        button->setFixedWidth(kButtonWidth);
    }
    grid->addWidget(startButton_, 0, 0);
    grid->addWidget(reReadButton_, 0, 1);
    grid->addWidget(continuousBox_, 1, 0, 1, 2);
    grid->addWidget(importButton_, 2, 0);
    grid->addWidget(exportButton_, 2, 1);
    grid->addWidget(statusLine_, 3, 0, 1, 2);
    return box;
}

QWidget* CDriverOscillo::CreateCursorRow() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(kSpacing);
    grid->setVerticalSpacing(1);
    const QString modes[] = {tr(" &0 - 游标"), tr(" &1 - 游标"), tr(" &2 - 游标")};
    for (std::size_t i = 0; i < cursorMode_.size(); ++i) {
        cursorMode_[i] = Named(new QRadioButton(modes[i], box), ctl::kCursorMode[i]);
        grid->addWidget(cursorMode_[i], static_cast<int>(i) < 2 ? 0 : 1,
                        static_cast<int>(i) < 2 ? static_cast<int>(i) : 0);
    }
    cursorChannel_ = Named(new QComboBox(box), ctl::kCursorChannel);
    cursorChannel_->addItems({"1", "2", "3", "4"});
    grid->addWidget(cursorChannel_, 1, 1);
    timeHeader_ = ReadOnlyEdit(ctl::kTimeHeader, kReadoutWidth, box);
    dataHeader_ = ReadOnlyEdit(ctl::kDataHeader, kReadoutWidth, box);
    grid->addWidget(timeHeader_, 0, 2);
    grid->addWidget(dataHeader_, 1, 2);
    constexpr int kReadoutIds[] = {ctl::kCursor1Time,  ctl::kCursor1Value,   ctl::kCursor2Time,
                                   ctl::kCursor2Value, ctl::kTimeDifference, ctl::kValueDifference};
    for (std::size_t i = 0; i < readouts_.size(); ++i) {
        readouts_[i] = ReadOnlyEdit(kReadoutIds[i], kReadoutWidth, box);
        // Time in the first row, value in the second; cursor 1, cursor 2, difference.
        grid->addWidget(readouts_[i], static_cast<int>(i % 2), 3 + static_cast<int>(i / 2));
    }
    grid->setColumnStretch(6, 1);
    return box;
}

QWidget* CDriverOscillo::CreateAnalysisColumn() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, kSpacing, 0, 0);
    grid->setSpacing(kSpacing);
    keepReference_ = Named(new QPushButton(tr("保留"), box), ctl::kKeepReference);
    importReference_ = Named(new QPushButton(tr("导入…"), box), ctl::kImportReference);
    removeReference_ = Named(new QPushButton(tr("删除"), box), ctl::kRemoveReference);
    keepReference_->setToolTip(tr("保留当前曲线作为参考"));
    importReference_->setToolTip(tr("导入示波器数据文件作为参考"));
    referenceList_ = Named(new QListWidget(box), ctl::kReferenceList);
    referenceList_->setToolTip(tr("勾选的参考曲线以虚线画在曲线之后"));
    const int lineHeight = referenceList_->fontMetrics().height() + 2;
    referenceList_->setFixedHeight(static_cast<int>(scope::kReferenceLimit) * lineHeight +
                                   2 * referenceList_->frameWidth() + 2);
    timeFromTrigger_ = Named(new QCheckBox(tr("时间以触发点为零"), box), ctl::kTimeFromTrigger);
    backButton_ = Named(new QPushButton(tr("后退"), box), ctl::kViewBack);
    resetButton_ = Named(new QPushButton(tr("复位"), box), ctl::kViewReset);
    spectrumButton_ = Named(new QPushButton(tr("频谱…"), box), ctl::kSpectrum);
    tableButton_ = Named(new QPushButton(tr("导出表格…"), box), ctl::kExportTable);
    backButton_->setToolTip(tr("回到上一次缩放或平移之前"));
    resetButton_->setToolTip(tr("整个记录，自动比例"));
    tableButton_->setToolTip(tr("CSV：时间(ms)和各通道在显示单位中的值"));
    measuredSpan_ = Named(new QLabel(box), ctl::kMeasuredSpan);
    // Room for its three lines from the start: the column never grows under the plot.
    measuredSpan_->setFixedHeight(3 * measuredSpan_->fontMetrics().lineSpacing() + 2);
    measuredSpan_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    copyMeasurements_ = Named(new QPushButton(tr("复制测量值"), box), ctl::kCopyMeasurements);
    grid->addWidget(new QLabel(tr("参考曲线"), box), 0, 0, 1, 3);
    grid->addWidget(keepReference_, 1, 0);
    grid->addWidget(importReference_, 1, 1);
    grid->addWidget(removeReference_, 1, 2);
    grid->addWidget(referenceList_, 2, 0, 1, 3);
    grid->addWidget(timeFromTrigger_, 3, 0, 1, 3);
    grid->addWidget(backButton_, 4, 0);
    grid->addWidget(resetButton_, 4, 1);
    grid->addWidget(spectrumButton_, 4, 2);
    grid->addWidget(tableButton_, 5, 0, 1, 2);
    grid->addWidget(copyMeasurements_, 5, 2);
    grid->addWidget(measuredSpan_, 6, 0, 1, 3);
    return box;
}

void CDriverOscillo::ConnectControls() {
    connect(startButton_, &QPushButton::clicked, this, &CDriverOscillo::StartOrCancel);
    connect(reReadButton_, &QPushButton::clicked, this, &CDriverOscillo::ReRead);
    connect(exportButton_, &QPushButton::clicked, this, &CDriverOscillo::Export);
    connect(importButton_, &QPushButton::clicked, this, &CDriverOscillo::Import);
    connect(edgeIcon_, &EdgeIcon::clicked, this, [this] { capture_.ToggleEdge(); });
    connect(triggerCombo_, &QComboBox::activated, this, &CDriverOscillo::OnTriggerSelected);
    connect(triggerUnit_, &QComboBox::activated, this, &CDriverOscillo::OnTriggerUnitSelected);
    connect(triggerPick_, &QPushButton::clicked, this, [this] { AskForObject(0); });
    for (QLineEdit* edit : {periodEdit_, pointerOffsetEdit_, samplesEdit_, levelEdit_}) {
        connect(edit, &QLineEdit::returnPressed, this,
                [this, edit] { OnEnter(edit->objectName().toInt()); });
    }
    for (int n = 0; n < scope::kChannelCount; ++n) {
        ChannelControls& c = channels_[static_cast<std::size_t>(n)];
        connect(c.check, &QCheckBox::clicked, this, [this, n] { OnChannelChecked(n); });
        connect(c.item, &QComboBox::activated, this, [this, n] { OnChannelItemSelected(n); });
        connect(c.unit, &QComboBox::activated, this, [this, n] { OnChannelUnitSelected(n); });
        connect(c.autoScale, &QCheckBox::clicked, this, [this, n] { OnAutoClicked(n); });
        connect(c.pick, &QPushButton::clicked, this, [this, n] { AskForObject(n + 1); });
        connect(c.scaleSpin, &UpDownButtons::stepped, this,
                [this, n](bool up) { OnScaleStep(n, up); });
        connect(c.offsetSpin, &UpDownButtons::stepped, this,
                [this, n](bool up) { OnOffsetStep(n, up); });
        connect(c.offset, &QLineEdit::returnPressed, this,
                [this, n] { OnEnter(ctl::kOffset[static_cast<std::size_t>(n)]); });
    }
    for (std::size_t i = 0; i < cursorMode_.size(); ++i) {
        connect(cursorMode_[i], &QRadioButton::clicked, this,
                [this, i] { SetCursorMode(static_cast<int>(i)); });
    }
    connect(cursorChannel_, &QComboBox::activated, this, [this] { RefreshCursorReadouts(); });
    connect(cursor1Slider_, &QSlider::valueChanged, this,
            [this](int position) { OnCursorSlider(1, position); });
    connect(cursor2Slider_, &QSlider::valueChanged, this,
            [this](int position) { OnCursorSlider(2, position); });
    connect(plotWidget_, &ScopePlotWidget::zoomed, this, [this] {
        SyncViewControls();
        Repaint();
    });
    ConnectAnalysis();
}

}  // namespace morlo::gui
