#include "CCommCan.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include "AppConstants.h"
#include "AppContext.h"
#include "CMainFrame.h"
#include "FileProblems.h"
#include "FsPath.h"
#include "LinkPageCommon.h"
#include "canopen/BusScan.h"
#include "canopen/Nmt.h"
#include "link/CanBitTiming.h"
#include "profile/Profile.h"

namespace morlo::gui {
namespace {
// Stored rates restored at start: the first seven of the list.
constexpr int kRestorableRates = 7;
}  // namespace

CCommCan::CCommCan(AppContext& context, QWidget* parent) : CLinkSettingsPage(context, parent) {
    rates_ = new QComboBox(this);
    driverId_ = new QLineEdit(this);
    driverId_->setValidator(new QIntValidator(0, 127, driverId_));
    auto* details = new QPushButton(tr("详细"), this);
    version_ = new QLabel("CAN Ver :", this);
    auto* form = new QFormLayout(this);
    form->addRow(tr("波特率"), rates_);
    form->addRow(tr("驱动器ID"), driverId_);
    form->addRow(button_);
    form->addRow(version_, details);

    auto* scan = new QPushButton(tr("扫描"), this);
    scan->setObjectName("scanButton");
    auto* nmt = new QPushButton("NMT", this);
    nmt->setObjectName("nmtButton");
    nmtMenu_ = new QMenu(nmt);
    AddNmtActions(nmtMenu_, false);
    AddNmtActions(nmtMenu_->addMenu(tr("全部节点")), true);
    nmt->setMenu(nmtMenu_);
    auto* network = new QHBoxLayout;
    network->addWidget(scan);
    network->addWidget(nmt);
    form->addRow(network);
    nodes_ = new QListWidget(this);
    nodes_->setObjectName("nodeList");
    form->addRow(nodes_);
    connect(scan, &QPushButton::clicked, this, &CCommCan::Scan);
    connect(nodes_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (item->data(Qt::UserRole).isValid()) {
            driverId_->setText(QString::number(item->data(Qt::UserRole).toInt()));
        }
    });

    for (const auto& timing : link::kCanBitTimings) {
        rates_->addItem(
            QString::fromUtf8(timing.text.data(), static_cast<qsizetype>(timing.text.size())),
            timing.code);
    }
    rates_->setCurrentIndex(-1);
    const std::filesystem::path sysIni = FsPath(context_.sysIniPath);
    const int stored = Profile::ReadInt(sysIni, "can", "buadrate", kLinkSettingBuffer);
    int id = kDefaultDriverId;
    for (int i = 0; i < kRestorableRates; ++i) {
        if (link::kCanBitTimings[i].code == stored) {
            rates_->setCurrentIndex(i);
            int storedId = Profile::ReadInt(sysIni, "can", "driverid", kLinkSettingBuffer);
            id = storedId != 0 ? storedId : kDefaultDriverId;
        }
    }
    driverId_->setText(QString::number(id));
    context_.Link().SelectLinkType(link::kLinkTypeCan);
    context_.Link().SetNodeId(id);
    ReadVersion();
    SetIcon(context_.Link().LinkState() == engine::kLinkStateOpen);

    connect(button_, &QPushButton::clicked, this, &CCommCan::PressOpenClose);
    connect(details, &QPushButton::clicked, this, &CCommCan::ShowVersionDetails);
    connect(rates_, &QComboBox::currentIndexChanged, this, [this] {
        if (context_.Link().LinkState() == engine::kLinkStateOpen) {
            CloseFromPage();
        }
    });
}

bool CCommCan::ReadVersion() {
    std::string text;
    if (!context_.Link().ReadAdapterVersion(text)) {
        ShowMessage(msg::kNoPcanDriver);
        return false;
    }
    auto colon = text.rfind(':');
    version_->setText("CAN Ver" + QString::fromStdString(
                                      colon == std::string::npos ? text : text.substr(colon + 1)));
    versionRead_ = true;
    return true;
}

void CCommCan::ShowVersionDetails() {
    std::string text;
    if (context_.Link().ReadAdapterVersion(text)) {
        ShowMessage(QString::fromStdString(text), QMessageBox::Information);
    }
}

void CCommCan::PressOpenClose() {
    engine::ControlLink& link = context_.Link();
    link.SetNodeId(driverId_->text().toInt());
    if (rates_->currentIndex() < 0 || context_.linkOpenPending) {
        return;
    }
    if (link.LinkState() == engine::kLinkStateOpen) {
        CloseFromPage();
    } else {
        link.SelectLinkType(link::kLinkTypeCan);
        Open();
        if (!versionRead_) {
            ReadVersion();
        }
    }
    WriteSettings();
}

void CCommCan::Open() {
    engine::ControlLink& link = context_.Link();
    link::LinkSettings settings;
    settings.nodeId = driverId_->text().toInt();
    settings.rate = rates_->currentData().toInt();
    // A CAN link that cannot open stays closed (the adapter or interface is missing).
    if (link.OpenLink(settings) != 0) {
        FailOpen(msg::kOpenCanFailed);
        return;
    }
    context_.lastCanOpen = {true, QString(), settings.rate, settings.nodeId};
    ConfirmOpen(QString("Comm Status: Open %1").arg(rates_->currentText()));
}

void CCommCan::AddNmtActions(QMenu* menu, bool allNodes) {
    const std::pair<canopen::NmtCommand, QString> commands[] = {
        {canopen::NmtCommand::Start, tr("启动")},
        {canopen::NmtCommand::Stop, tr("停止")},
        {canopen::NmtCommand::PreOperational, tr("预运行")},
        {canopen::NmtCommand::ResetNode, tr("复位节点")},
        {canopen::NmtCommand::ResetCommunication, tr("复位通讯")},
    };
    for (const auto& [command, text] : commands) {
        menu->addAction(text, this, [this, command, allNodes] { SendNmt(command, allNodes); });
    }
}

bool CCommCan::WithBus(const std::function<void(link::CanPort&)>& operation) {
    engine::ControlLink& link = context_.Link();
    if (link.LinkState() == engine::kLinkStateOpen) {
        return link.UseCanBus(operation);
    }
    if (rates_->currentIndex() < 0 || context_.linkOpenPending) {
        return false;
    }
    // Only the adapter opens: the link state stays closed, so nothing else is asked.
    link.SelectLinkType(link::kLinkTypeCan);
    link::LinkSettings settings;
    settings.nodeId = driverId_->text().toInt();
    settings.rate = rates_->currentData().toInt();
    if (link.OpenLink(settings) != 0) {
        link.CloseLink();
        ShowMessage(msg::kOpenCanFailed);
        return false;
    }
    const bool used = link.UseCanBus(operation);
    link.CloseLink();
    return used;
}

void CCommCan::Scan() {
    std::vector<canopen::ScannedNode> found;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool scanned = WithBus([&](link::CanPort& port) {
        found = canopen::ScanBus(port, canopen::kFirstNode, canopen::kLastNode);
    });
    QApplication::restoreOverrideCursor();
    if (!scanned) {
        return;
    }
    nodes_->clear();
    for (const canopen::ScannedNode& node : found) {
        const QString type =
            node.deviceType
                ? "0x" + QString::number(*node.deviceType, 16).toUpper().rightJustified(8, '0')
                : tr("拒绝");
        auto* item =
            new QListWidgetItem(QString("%1  %2  %3  %4")
                                    .arg(node.node)
                                    .arg(type, QString::fromStdString(node.name.value_or("-")),
                                         QString::fromStdString(node.version.value_or("-"))),
                                nodes_);
        item->setData(Qt::UserRole, node.node);
    }
    if (found.empty()) {
        auto* none = new QListWidgetItem(tr("没有节点应答"), nodes_);
        none->setFlags(Qt::NoItemFlags);
    }
}

void CCommCan::SendNmt(canopen::NmtCommand command, bool allNodes) {
    const int node = allNodes ? canopen::kAllNodes : driverId_->text().toInt();
    if (!allNodes && (node < canopen::kFirstNode || node > canopen::kLastNode)) {
        // An empty box would read as 0, which addresses every node.
        ShowMessage(tr("驱动器ID须为1到127"));
        return;
    }
    WithBus([&](link::CanPort& port) { port.Send(canopen::BuildNmtCommand(command, node)); });
}

void CCommCan::WriteSettings() {
    const std::filesystem::path sysIni = FsPath(context_.sysIniPath);
    bool saved = Profile::WriteString(sysIni, "can", "buadrate",
                                      std::to_string(rates_->currentData().toInt()));
    if (int id = driverId_->text().toInt(); id != 0) {
        saved = Profile::WriteString(sysIni, "can", "driverid", std::to_string(id)) && saved;
    }
    if (!saved) {
        ShowMessage(NotWrittenMessage(sysIni, kSettingNotSaved));
    }
}

}  // namespace morlo::gui
