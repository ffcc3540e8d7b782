#include "CCommCan.h"

#include <QComboBox>
#include <QFormLayout>
#include <QIcon>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "AppConstants.h"
#include "AppContext.h"
#include "CMainFrame.h"
#include "FileProblems.h"
#include "FsPath.h"
#include "LinkPageCommon.h"
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
