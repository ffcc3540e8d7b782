#include "CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include "AboutBox.h"
#include "AppConstants.h"
#include "AppContext.h"
#include "CChildFrame.h"
#include "CMdiBackground.h"
#include "CNetworkPane.h"
#include "CPageView.h"
#include "CStoreDialog.h"
#include "FileProblems.h"
#include "FsPath.h"
#include "LanguageDialog.h"
#include "MainWindowPlace.h"
#include "ProjectFile.h"
#include "Resources.h"
#include "link/CanBitTiming.h"
#include "profile/Profile.h"

namespace morlo::gui {
namespace {

constexpr int kListBorder96 = 86;
constexpr int kListBorderOther = 110;
constexpr int kStandardDpi = 96;
constexpr std::size_t kSettingBuffer = 16;
constexpr std::size_t kPlaceBuffer = 64;
constexpr const char* kPlaceSection = "window";
constexpr const char* kPlaceKey = "geometry";
// The area assumed when no screen can be asked.
constexpr QRect kScreenUnknown(0, 0, 1024, 768);
constexpr const char* kLinkPaneWidthText = "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa";

// Pages that hide on HideAllPages, in that order.
constexpr int kHideOrder[] = {slot::kSerialSettings,
                              slot::kCanSettings,
                              2,
                              3,
                              4,
                              5,
                              6,
                              7,
                              8,
                              9,
                              10,
                              11,
                              12,
                              13,
                              14,
                              15,
                              16,
                              17,
                              18,
                              19,
                              20,
                              38,
                              39,
                              40,
                              41,
                              42,
                              43,
                              44,
                              45,
                              46};

}  // namespace

QString CanRateText(int code) {
    if (auto timing = link::FindCanBitTiming(code); timing && code != 0x672F && code != 0x7F7F) {
        return QString("Open %1").arg(
            QString::fromUtf8(timing->text.data(), static_cast<qsizetype>(timing->text.size())));
    }
    return "Closed";
}

CMainFrame::CMainFrame(AppContext& context)
    : context_(context),
      id_(context.Dispatcher().Register(this)),
      mdi_((InitResources(), new CMdiBackground(this))) {
    setWindowTitle(tr("TARNEX Servo"));
    setWindowIcon(QIcon(":/icons/product.svg"));
    setCentralWidget(mdi_);
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    context_.captionHeight = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    context_.SetMainWindowId(id_);
    context_.Link().AddCyclic(id_, kStatuswordKey, engine::kCyclicReadOnly);
    linkPane_->setText(msg::kLinkClosedPane);
    auto* blink = new QTimer(this);
    connect(blink, &QTimer::timeout, this, &CMainFrame::OnBlinkTick);
    blink->start(kBlinkPeriodMs);
}

CMainFrame::~CMainFrame() {
    context_.Link().Stop();
    context_.Dispatcher().Unregister(id_);
}

QAction* CMainFrame::AddCommand(QMenu* menu, int command, const QString& text) {
    QAction* action = menu->addAction(text);
    connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
    actions_[command] = action;
    return action;
}

QAction* CMainFrame::Action(int command) const {
    auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::CreateMenus() {
    QMenu* file = menuBar()->addMenu(tr("文件(&F)"));
    AddCommand(file, cmd::kFileNew, tr("新建"));
    AddCommand(file, cmd::kFileOpen, tr("打开"));
    AddCommand(file, cmd::kFileSave, tr("保存"));
    file->addSeparator();
    AddCommand(file, cmd::kExit, tr("退出"));

    QMenu* computer = menuBar()->addMenu(tr("计算机(&C)"));
    AddCommand(computer, cmd::kLinkType, tr("通讯方式"));
    AddCommand(computer, cmd::kLinkSettings, tr("属性"));

    QMenu* drive = menuBar()->addMenu(tr("驱动器(&D)"));
    AddCommand(drive, cmd::kBaseOperate, tr("基本操作"));
    QMenu* loops = drive->addMenu(tr("控制环"));
    AddCommand(loops, cmd::kPositionLoop, tr("位置环"));
    AddCommand(loops, cmd::kVelocityLoop, tr("速度环"));
    AddCommand(loops, cmd::kCurrentLoop, tr("电流环"));
    AddCommand(drive, cmd::kDataInOut, tr("I／O口"));
    QMenu* modes = drive->addMenu(tr("工作模式"));
    AddCommand(modes, cmd::kPulseMode, tr("脉冲模式"));
    AddCommand(modes, cmd::kAnalogVelocityMode, tr("模拟速度模式"));
    AddCommand(modes, cmd::kAnalogTorqueMode, tr("模拟力矩模式"));
    AddCommand(modes, cmd::kPositionMode, tr("位置段模式"));
    AddCommand(modes, cmd::kVelocityPhaseMode, tr("速度段模式"));
    AddCommand(modes, cmd::kHomingMode, tr("原点模式"));
    AddCommand(modes, cmd::kAutoTuning, tr("自整定"));
    AddCommand(modes, cmd::kAutoReverse, tr("自动翻转"));
    AddCommand(drive, cmd::kDataDictionary, tr("数据字典"));
    AddCommand(drive, cmd::kDriverConfig, tr("驱动器配置"));
    QMenu* ecan = drive->addMenu("ECAN");
    QMenu* rpdo = ecan->addMenu("RPDO");
    QMenu* tpdo = ecan->addMenu("TPDO");
    for (int i = 0; i < 8; ++i) {
        AddCommand(rpdo, cmd::kRpdoFirst + i, QString("RPDO%1").arg(i + 1));
        AddCommand(tpdo, cmd::kTpdoFirst + i, QString("TPDO%1").arg(i + 1));
    }
    AddCommand(ecan, cmd::kPdoOther, tr("其它"));
    AddCommand(drive, cmd::kOscilloscope, tr("示波器"));
    AddCommand(drive, cmd::kRealtimeError, tr("实时错误"));
    AddCommand(drive, cmd::kErrorHistory, tr("历史错误"));
    QMenu* panels = drive->addMenu(tr("控制面板"));
    AddCommand(panels, cmd::kPanelF000, "F000");
    AddCommand(panels, cmd::kPanelF001, "F001");
    AddCommand(panels, cmd::kPanelF002, "F002");
    AddCommand(panels, cmd::kPanelF003, "F003");
    AddCommand(panels, cmd::kPanelF004, "F004");
    AddCommand(panels, cmd::kPanelF005, "F005");
    AddCommand(panels, cmd::kPanelF007, "F007");
    AddCommand(drive, cmd::kStoreDialog, tr("初始化/保存"));
    AddCommand(drive, cmd::kDriverProperty, tr("驱动器属性"));

    QMenu* motor = menuBar()->addMenu(tr("电机(&M)"));
    AddCommand(motor, cmd::kMotorConfig, tr("电机配置"));

    QMenu* extra = menuBar()->addMenu(tr("扩展功能(&E)"));
    AddCommand(extra, cmd::kLanguage, tr("语言切换"));
    AddCommand(extra, cmd::kExportDriveData, tr("读驱动器配置"));
    AddCommand(extra, cmd::kImportDriveData, tr("写驱动器配置"));

    QMenu* view = menuBar()->addMenu(tr("查看(&V)"));
    QAction* toolbarToggle = view->addAction(tr("工具栏"));
    toolbarToggle->setCheckable(true);
    toolbarToggle->setChecked(true);
    actions_[cmd::kViewToolbar] = toolbarToggle;
    connect(toolbarToggle, &QAction::toggled, this, [this](bool on) { toolbar_->setVisible(on); });
    QAction* statusToggle = view->addAction(tr("状态栏"));
    statusToggle->setCheckable(true);
    statusToggle->setChecked(true);
    actions_[cmd::kViewStatusBar] = statusToggle;
    connect(statusToggle, &QAction::toggled, this,
            [this](bool on) { statusBar()->setVisible(on); });
    view->addSeparator();
    QAction* refresh = AddCommand(view, cmd::kViewRefresh, tr("刷新"));
    refresh->setShortcut(QKeySequence(Qt::Key_F5));
    refresh->setShortcutContext(Qt::ApplicationShortcut);

    QMenu* help = menuBar()->addMenu(tr("帮助(&H)"));
    AddCommand(help, cmd::kAbout, tr("关于 TARNEX Servo"));
}

void CMainFrame::CreateToolBar() {
    toolbar_ = addToolBar(tr("工具栏"));
    toolbar_->setObjectName("toolbar");
    toolbar_->setIconSize(QSize(kToolbarImageSize, kToolbarImageSize));
    toolbar_->setStyleSheet(
        "QToolBar { border-image: url(:/backgrounds/background202.svg) 0 0 0 0 stretch stretch; }");
    struct Entry {
        int command;
        const char* icon;
        const char* tip;
    };
    const Entry entries[] = {
        {cmd::kToolOpenProject, "icon214", QT_TR_NOOP("打开")},
        {cmd::kToolSaveProject, "icon215", QT_TR_NOOP("保存")},
        {cmd::kToolSeparator, nullptr, nullptr},
        {cmd::kToolLink, "icon217", QT_TR_NOOP("通讯开关")},
        {cmd::kToolOscilloscope, "icon216", QT_TR_NOOP("示波器")},
        {cmd::kToolDataInOut, "icon220", QT_TR_NOOP("I／O口")},
        {cmd::kToolRealtimeError, "icon205", QT_TR_NOOP("实时错误")},
        {cmd::kToolSeparator, nullptr, nullptr},
        {cmd::kToolExportDriveData, "icon218", QT_TR_NOOP("读驱动器配置")},
        {cmd::kToolImportDriveData, "icon219", QT_TR_NOOP("写驱动器配置")},
        {cmd::kToolSeparator, nullptr, nullptr},
        {cmd::kToolCascade, "icon221", QT_TR_NOOP("层叠")},
        {cmd::kToolTile, "icon222", QT_TR_NOOP("平铺")},
    };
    for (const Entry& entry : entries) {
        if (entry.command == cmd::kToolSeparator) {
            toolbar_->addSeparator();
            continue;
        }
        QAction* action =
            toolbar_->addAction(QIcon(QString(":/icons/%1.svg").arg(entry.icon)), tr(entry.tip));
        int command = entry.command;
        connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
        actions_[command] = action;
    }
    SelectImageList(kImageListNeutral);
}

void CMainFrame::CreateStatusBar() {
    linkPane_ = new QLabel(this);
    linkPane_->setObjectName("linkPane");
    linkPane_->setMinimumWidth(linkPane_->fontMetrics().horizontalAdvance(kLinkPaneWidthText));
    statusBar()->addPermanentWidget(linkPane_);
    networkPane_ = new CNetworkPane(context_, this);
    statusBar()->addPermanentWidget(networkPane_);
}

QString CMainFrame::LinkPaneText() const {
    return linkPane_->text();
}

void CMainFrame::SelectImageList(int id) {
    if (id != kImageListNeutral && id != kImageListNormal && id != kImageListFault) {
        ShowMessage(msg::kToolbarUpdateError);
        QCoreApplication::exit(1);
        return;
    }
    imageList_ = id;
    if (QAction* errors = Action(cmd::kToolRealtimeError)) {
        errors->setIcon(QIcon(QString(":/icons/icon%1.svg").arg(id)));
    }
}

void CMainFrame::OnBlinkTick() {
    if (context_.Link().LinkState() == engine::kLinkStateOpen) {
        blinkOn_ = !blinkOn_;
        if (blinkOn_) {
            SelectImageList(kImageListNeutral);
        } else {
            SelectImageList(driveFaultState_ == 1 ? kImageListFault : kImageListNormal);
        }
    } else {
        SelectImageList(kImageListNeutral);
    }
}

// ---- commands and pages ----

void CMainFrame::RunCommand(int command) {
    switch (command) {
        case cmd::kFileNew:
        case cmd::kLinkType:
            HideAllPages();
            OpenPage(cmd::kLinkType);
            return;
        case cmd::kLinkSettings:
            if (context_.linkType == link::kLinkTypeSerial) {
                OpenKind(*PageKindOfSlot(slot::kSerialSettings));
            } else if (context_.linkType == link::kLinkTypeCan) {
                OpenKind(*PageKindOfSlot(slot::kCanSettings));
            } else if (context_.linkType == link::kLinkTypeSimulated) {
                ShowMessage(msg::kSimulatedMode, QMessageBox::Information);
            } else {
                ShowMessage(msg::kOffline);
            }
            return;
        case cmd::kExit:
            close();
            return;
        case cmd::kAbout:
            ShowAbout();
            return;
        case cmd::kLanguage:
            ShowLanguageDialog();
            return;
        case cmd::kToolLink:
            ToggleLink();
            return;
        case cmd::kToolOscilloscope:
            OpenPage(cmd::kOscilloscope);
            return;
        case cmd::kToolDataInOut:
            OpenPage(cmd::kDataInOut);
            return;
        case cmd::kToolRealtimeError:
            OpenPage(cmd::kRealtimeError);
            return;
        case cmd::kToolImportDriveData:
            OpenPage(cmd::kImportDriveData);
            return;
        case cmd::kToolExportDriveData:
            OpenPage(cmd::kExportDriveData);
            return;
        case cmd::kToolCascade:
            mdi_->CascadeInside();
            return;
        case cmd::kToolTile:
            mdi_->TileInside();
            return;
        case cmd::kFileOpen:
        case cmd::kToolOpenProject:
            OpenProject(*this, context_);
            return;
        case cmd::kFileSave:
        case cmd::kToolSaveProject:
            SaveProject(*this, context_);
            return;
        case cmd::kStoreDialog: {
            CStoreDialog dialog(context_, this);
            dialog.exec();
            return;
        }
        case cmd::kFileSaveShortcut:
            return;
        case cmd::kViewRefresh:
            RefreshActivePage();
            return;
        default:
            OpenPage(command);
    }
}

QRect CMainFrame::GeometryFor(const PageKind& kind) const {
    const bool standard = context_.dpiX == kStandardDpi;
    QPoint place(kind.x, kind.y);
    if (restore_ && kind.geometry != PageGeometry::FixedPlace) {
        place = *restore_;
    }
    QSize size = standard ? kind.size96 : kind.sizeOther;
    if (kind.geometry == PageGeometry::List) {
        const auto& w = context_.columnWidth;
        const int border = standard ? kListBorder96 : kListBorderOther;
        size = QSize(border + w[0] + w[1] + w[2] + static_cast<int>(0.05 * w[4]),
                     border + w[3] + static_cast<int>(0.03 * w[4]));
    } else if (kind.geometry == PageGeometry::Oscilloscope &&
               context_.language.load() != kLanguageChinese) {
        size = standard ? QSize(1010, 640) : QSize(1255, 790);
    }
    return QRect(place, size);
}

void CMainFrame::OpenPage(int command) {
    if (const PageKind* kind = PageKindOfCommand(command)) {
        OpenKind(*kind);
    }
}

void CMainFrame::OpenKind(const PageKind& pageKind) {
    const PageKind* kind = &pageKind;
    const int slotId = kind->slot;
    if (CChildFrame* existing = Slot(slotId)) {
        existing->show();
        existing->showNormal();
        mdi_->setActiveSubWindow(existing);
        const bool tool = slotId == slot::kDataDictionary || slotId == slot::kLinkType ||
                          slotId == slot::kSerialSettings || slotId == slot::kCanSettings;
        if (!tool) {
            if (IsPanelF002Slot(slotId)) {
                context_.currentPanelPageId = slotId;
            }
            existing->View()->PageNotify(notify::kShown);
        }
        return;
    }
    if (IsPanelF002Slot(slotId)) {
        context_.currentPanelName = kind->pageName;
        context_.currentPanelPageId = slotId;
    }
    CPageView* view = factory_ ? factory_(*kind, context_) : nullptr;
    if (!view) {
        view = new CPlaceholderPage(context_);
    }
    auto* child =
        new CChildFrame(*this, view, QCoreApplication::translate(kPageTitleContext, kind->title),
                        GeometryFor(*kind));
    mdi_->addSubWindow(child);
    child->setGeometry(GeometryFor(*kind));  // placed where the table says, not cascaded
    slots_[slotId] = child;
    child->hide();
    child->show();
    mdi_->KeepInside(child);  // as near to its place as leaves the whole page in view
    mdi_->setActiveSubWindow(child);
    if (slotId == slot::kPanelF007 || slotId == slot::kExportDriveData ||
        slotId == slot::kImportDriveData) {
        view->PageNotify(notify::kShown);
    }
}

CChildFrame* CMainFrame::Slot(int slotId) const {
    auto it = slots_.find(slotId);
    return it == slots_.end() ? nullptr : it->second.data();
}

CPageView* CMainFrame::PageOf(int slotId) const {
    CChildFrame* child = Slot(slotId);
    return child ? child->View() : nullptr;
}

int CMainFrame::SlotOf(const CChildFrame* child) const {
    for (const auto& [slotId, frame] : slots_) {
        if (frame == child) {
            return slotId;
        }
    }
    return 0;
}

bool CMainFrame::HoldsPage(const CChildFrame* child) const {
    int slotId = SlotOf(child);
    return slotId >= slot::kFirstPageId && slotId <= slot::kLastPageId;
}

bool CMainFrame::HandleChildClose(CChildFrame* child) {
    const int slotId = SlotOf(child);
    if (slotId == 0) {
        return true;
    }
    if (slotId == slot::kLinkType) {
        slots_.erase(slotId);
        child->deleteLater();  // the link-type page ends with its window
        return true;
    }
    const bool tool = slotId == slot::kSerialSettings || slotId == slot::kCanSettings ||
                      slotId == slot::kDataDictionary;
    if (!tool) {
        if (IsPanelF002Slot(slotId)) {
            context_.currentPanelPageId = slotId;
        }
        child->View()->PageNotify(notify::kHidden);
    }
    child->hide();
    mdi_->activateNextSubWindow();
    return false;
}

void CMainFrame::HideAllPages() {
    for (int slotId : kHideOrder) {
        if (CChildFrame* child = Slot(slotId)) {
            if (child->isVisible()) {
                mdi_->setActiveSubWindow(child);
                child->close();
            }
        }
    }
}

void CMainFrame::ActivateAndNotify(int slotId, int code) {
    CChildFrame* child = Slot(slotId);
    if (!child) {
        return;
    }
    if (IsPanelF002Slot(slotId)) {
        context_.currentPanelPageId = slotId;
    }
    // Told without being brought to the front: the page the user works in stays active.
    child->View()->PageNotify(code);
}

void CMainFrame::RefreshActivePage() {
    QMdiSubWindow* active = mdi_->activeSubWindow();
    const int slotId = SlotOf(qobject_cast<CChildFrame*>(active));
    if (slotId < slot::kFirstPageId || slotId > slot::kLastPageId) {
        return;  // the link and tool pages have nothing to read
    }
    ActivateAndNotify(slotId, notify::kRefresh);
}

void CMainFrame::BroadcastToPages(int code) {
    static constexpr int kOrder[] = {2,  3,  4,  5,  6,  7,  8,  18, 9,  10, 11, 12, 13, 14, 15,
                                     16, 17, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
                                     32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46};
    for (int slotId : kOrder) {
        ActivateAndNotify(slotId, code);
    }
}

// ---- the link ----

void CMainFrame::ToggleLink() {
    if (context_.linkOpenPending) {
        return;
    }
    engine::ControlLink& link = context_.Link();
    if (link.LinkState() == engine::kLinkStateOpen) {
        link.SetLinkState(engine::kLinkStateClosed);
        OnLinkStateReport(0);
        link.CloseLink();
        return;
    }
    if (OpenLinkFromFrame()) {
        link.SetLinkState(engine::kLinkStateOpen);
        context_.linkOpenPending = true;
    } else {
        link.CloseLink();
        link.SetLinkState(engine::kLinkStateClosed);
        OnLinkStateReport(0);
    }
}

bool CMainFrame::OpenLinkFromFrame() {
    engine::ControlLink& link = context_.Link();
    const auto sysIni = FsPath(context_.sysIniPath);
    link::LinkSettings settings;
    switch (context_.linkType) {
        case link::kLinkTypeSerial: {
            link.SelectLinkType(link::kLinkTypeSerial);
            QString port;
            if (Slot(slot::kSerialSettings) && context_.lastSerialOpen.valid) {
                port = context_.lastSerialOpen.port;
                settings.rate = context_.lastSerialOpen.rate;
                settings.nodeId = context_.lastSerialOpen.nodeId;
            } else {
                port = QString::fromStdString(
                    Profile::ReadString(sysIni, "com", "comid", kSettingBuffer));
                settings.rate = Profile::ReadInt(sysIni, "com", "buadrate", kSettingBuffer);
                settings.nodeId = Profile::ReadInt(sysIni, "com", "driverid", kSettingBuffer);
            }
            settings.portName = port.toStdString();
            link.SetNodeId(settings.nodeId);
            if (link.OpenLink(settings) != 0) {
                ShowMessage(msg::kOpenComFailed);
                return false;
            }
            context_.preparedLinkText =
                QString("Comm Status: Open  %1  %2").arg(port).arg(settings.rate);
            SelectImageList(kImageListNormal);
            return true;
        }
        case link::kLinkTypeCan: {
            if (link.SelectLinkType(link::kLinkTypeCan) != 1) {
                context_.linkType = link::kLinkTypeOffline;
                link.SelectLinkType(link::kLinkTypeOffline);
                ShowMessage(msg::kOffline);
                return false;
            }
            if (Slot(slot::kCanSettings) && context_.lastCanOpen.valid) {
                settings.rate = context_.lastCanOpen.rate;
                settings.nodeId = context_.lastCanOpen.nodeId;
            } else {
                settings.rate = Profile::ReadInt(sysIni, "can", "buadrate", kSettingBuffer);
                settings.nodeId = Profile::ReadInt(sysIni, "can", "driverid", kSettingBuffer);
            }
            link.SetNodeId(settings.nodeId);
            if (link.OpenLink(settings) != 0) {
                ShowMessage(msg::kOpenCanFailed);
                return false;
            }
            context_.preparedLinkText = QString("Comm Status: %1").arg(CanRateText(settings.rate));
            SelectImageList(kImageListNormal);
            return true;
        }
        case link::kLinkTypeSimulated: {
            link.SelectLinkType(link::kLinkTypeSimulated);
            settings.nodeId = 1;
            link.SetNodeId(settings.nodeId);
            if (link.OpenLink(settings) != 0) {
                ShowMessage(msg::kOpenComFailed);
                return false;
            }
            context_.preparedLinkText = tr("Comm Status: Open  simulated drive");
            SelectImageList(kImageListNormal);
            return true;
        }
        default:
            ShowMessage(msg::kOffline);
            return false;
    }
}

void CMainFrame::OnResult(const engine::Delivery& delivery) {
    // Only what happened to a request of the present opening counts: an answer delivered while
    // or after the link closes, or left over from an earlier opening, neither confirms nor
    // refreshes, and a failure of an earlier opening does not close this one.
    engine::ControlLink& link = context_.Link();
    if (delivery.linkGeneration != link.LinkGeneration() ||
        link.LinkState() != engine::kLinkStateOpen) {
        return;
    }
    if (delivery.message == engine::kMsgLinkState) {
        OnLinkStateReport(delivery.wParam);
        return;
    }
    if (delivery.message == engine::kMsgValue) {
        OnValueArrived(delivery.wParam, delivery.lParam);
    } else if (delivery.message == engine::kMsgAbort || delivery.message == engine::kMsgLinkFault) {
        context_.Formulas().ConstantRefused(delivery.lParam);  // no value will come
    }
}

void CMainFrame::OnValueArrived(std::int32_t value, ObjectKey key) {
    context_.linkOpenPending = false;
    if (key == kStatuswordKey) {
        if (driveFaultState_ == -1) {
            OnLinkStateReport(1);
        }
        if (value & kStatuswordFaultBit) {
            if (driveFaultState_ != 1) {
                SelectImageList(kImageListFault);
            }
            driveFaultState_ = 1;
        } else {
            if (driveFaultState_ != 0) {
                SelectImageList(kImageListNormal);
            }
            driveFaultState_ = 0;
        }
        return;
    }
    // Any other value is a constant of the unit formulas that the frame asked for; a newer
    // answer keeps the table current.
    context_.Formulas().ConstantArrived(key, value);
}

void CMainFrame::RequestUnitConstants() {
    FormulaEvaluator& formulas = context_.Formulas();
    for (ObjectKey key : context_.Conversion().ConstantsOfUnits()) {
        formulas.RequestConstant(key);
    }
}

void CMainFrame::OnLinkStateReport(int confirmed) {
    engine::ControlLink& link = context_.Link();
    if (confirmed != 0) {
        link.SetLinkState(engine::kLinkStateOpen);
        linkPane_->setText(context_.preparedLinkText);
        networkPane_->LinkConfirmed();
    } else {
        networkPane_->LinkClosed();
        context_.Formulas().DropPending();  // their reads went with the link
        driveFaultState_ = -1;
        SelectImageList(kImageListNeutral);
        link.SetLinkState(engine::kLinkStateClosed);
        linkPane_->setText(msg::kLinkClosedPane);
        link.CloseLink();
    }
    for (int slotId : {slot::kSerialSettings, slot::kCanSettings}) {
        if (CChildFrame* child = Slot(slotId)) {
            child->View()->PageNotify(notify::kLinkStateChanged);
        }
    }
    if (context_.linkOpenPending) {
        context_.linkOpenPending = false;
        ShowMessage(msg::kNotFindDriver);
    }
    if (confirmed != 0) {
        // The constants of the unit formulas first, so that the pages' first fill finds them.
        RequestUnitConstants();
        BroadcastToPages(notify::kRefresh);
    }
}

void CMainFrame::OnOpenToolPage(int which) {
    if (which == 2) {
        OpenPage(cmd::kDataDictionary);
    } else {
        RunCommand(cmd::kLinkSettings);
    }
}

void CMainFrame::OnTransferClosed() {
    BroadcastToPages(notify::kRefresh);
}

void CMainFrame::OnLinkOpened() {
    SelectImageList(kImageListNormal);
}

void CMainFrame::ShowAbout() {
    CAboutBox box(this);
    box.exec();
}

void CMainFrame::ShowLanguageDialog() {
    CLanguageDialog dialog(context_, this);
    dialog.exec();
}

void CMainFrame::ShowAtStartPlace() {
    const QString saved = QString::fromStdString(
        Profile::ReadString(FsPath(context_.sysIniPath), kPlaceSection, kPlaceKey, kPlaceBuffer));
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : kScreenUnknown;
    const MainWindowPlace place = StartPlace(ParseMainWindowPlace(saved), available);
    setGeometry(place.normal);
    showNormal();
    if (place.maximised) {
        // The frame over the whole area even where no window manager maximises (Xvfb); a
        // window manager maximises it as its own.
        const QRect frame = frameGeometry();
        const QRect inner = geometry();
        setGeometry(place.normal.adjusted(inner.left() - frame.left(), inner.top() - frame.top(),
                                          inner.right() - frame.right(),
                                          inner.bottom() - frame.bottom()));
        startNormal_ = place.normal;
        coveredNormal_ = geometry();
        showMaximized();
    }
}

void CMainFrame::SavePlace() {
    QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    if (normal == coveredNormal_) {
        normal = startNormal_;  // not the frame's inside, or each start would shrink it
    }
    const auto sysIni = FsPath(context_.sysIniPath);
    if (!Profile::WriteString(sysIni, kPlaceSection, kPlaceKey,
                              FormatMainWindowPlace({normal, isMaximized()}).toStdString())) {
        ShowMessage(NotWrittenMessage(sysIni, kSettingNotSaved));
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    SavePlace();
    // The control-link thread stops before the windows it reports to go away.
    context_.Link().Stop();
    QMainWindow::closeEvent(event);
}

}  // namespace morlo::gui
