#include "CCommRs232.h"

#include <QComboBox>
#include <QFormLayout>
#include <QIcon>
#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>

#include "AppConstants.h"
#include "AppContext.h"
#include "CMainFrame.h"
#include "FileProblems.h"
#include "FsPath.h"
#include "LinkPageCommon.h"
#include "TextFit.h"
#include "profile/Profile.h"

namespace morlo::gui {
namespace {

constexpr std::size_t kTypedPortsBuffer = 512;
constexpr int kTypedPortsKept = 8;
constexpr char kTypedPortSeparator = ';';

}  // namespace

const int CCommRs232::kBaudRates[8] = {4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200};

CCommRs232::CCommRs232(AppContext& context, QWidget* parent) : CLinkSettingsPage(context, parent) {
    ports_ = new QComboBox(this);
    // Any device path can be typed (a USB adapter with an unusual name, a pseudo-terminal);
    // the list keeps the paths typed before.
    ports_->setEditable(true);
    ports_->setInsertPolicy(QComboBox::NoInsert);
    bauds_ = new QComboBox(this);
    driverId_ = new QLineEdit(this);
    driverId_->setValidator(new QIntValidator(0, 127, driverId_));
    auto* form = new QFormLayout(this);
    form->addRow(tr("端口"), ports_);
    form->addRow(tr("波特率"), bauds_);
    form->addRow(tr("驱动器ID"), driverId_);
    form->addRow(button_);

    // Every port the system knows, also those another program holds open.
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        ports_->addItem(info.systemLocation());
    }
    for (const QString& typed : TypedPorts()) {
        if (ports_->findText(typed) < 0) {
            ports_->addItem(typed);
        }
    }
    for (int rate : kBaudRates) {
        bauds_->addItem(QString::number(rate));
    }
    const std::filesystem::path sysIni = FsPath(context_.sysIniPath);
    const QString port =
        QString::fromStdString(Profile::ReadString(sysIni, "com", "comid", kLinkSettingBuffer));
    const QString baud =
        QString::fromStdString(Profile::ReadString(sysIni, "com", "buadrate", kLinkSettingBuffer));
    if (!port.isEmpty() && ports_->findText(port) < 0) {
        ports_->addItem(port);  // a port given in sys.ini that the system does not list
    }
    ports_->setCurrentIndex(ports_->findText(port));
    ports_->setMinimumWidth(ComboWidthFor(*ports_));
    bauds_->setCurrentIndex(bauds_->findText(baud));
    int id = Profile::ReadInt(sysIni, "com", "driverid", kLinkSettingBuffer);
    driverId_->setText(QString::number(id != 0 ? id : kDefaultDriverId));
    context_.Link().SetNodeId(driverId_->text().toInt());
    SetIcon(context_.Link().LinkState() == engine::kLinkStateOpen);

    connect(button_, &QPushButton::clicked, this, &CCommRs232::PressOpenClose);
    connect(ports_, &QComboBox::currentIndexChanged, this, &CCommRs232::OnSelectionChanged);
    connect(bauds_, &QComboBox::currentIndexChanged, this, &CCommRs232::OnSelectionChanged);
}

void CCommRs232::PressOpenClose() {
    engine::ControlLink& link = context_.Link();
    link.SetNodeId(driverId_->text().toInt());
    if (PortName().isEmpty() || bauds_->currentIndex() < 0 || context_.linkOpenPending) {
        return;
    }
    if (link.LinkState() == engine::kLinkStateOpen) {
        CloseFromPage();
    } else {
        link.SelectLinkType(link::kLinkTypeSerial);
        Open();
    }
    WriteSettings();
}

void CCommRs232::Open() {
    engine::ControlLink& link = context_.Link();
    link::LinkSettings settings;
    const QString port = PortName();
    settings.portName = port.toStdString();
    settings.nodeId = driverId_->text().toInt();
    settings.rate = kBaudRates[bauds_->currentIndex()];
    if (link.OpenLink(settings) != 0) {
        FailOpen(msg::kSerialPageOpenFailed);
        return;
    }
    RememberTypedPort(port);
    context_.lastSerialOpen = {true, port, settings.rate, settings.nodeId};
    ConfirmOpen(QString("Comm Status: Open  %1  %2").arg(port).arg(settings.rate));
}

QString CCommRs232::PortName() const {
    return ports_->currentText().trimmed();
}

QStringList CCommRs232::TypedPorts() const {
    const std::string text =
        Profile::ReadString(FsPath(context_.sysIniPath), "com", "ports", kTypedPortsBuffer);
    return QString::fromStdString(text).split(kTypedPortSeparator, Qt::SkipEmptyParts);
}

void CCommRs232::RememberTypedPort(const QString& port) {
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (info.systemLocation() == port) {
            return;  // the system lists it anyway
        }
    }
    QStringList typed = TypedPorts();
    typed.removeAll(port);
    typed.prepend(port);
    while (typed.size() > kTypedPortsKept) {
        typed.removeLast();
    }
    const std::filesystem::path sysIni = FsPath(context_.sysIniPath);
    if (!Profile::WriteString(sysIni, "com", "ports",
                              typed.join(kTypedPortSeparator).toStdString())) {
        ShowMessage(NotWrittenMessage(sysIni, kSettingNotSaved));
    }
    if (ports_->findText(port) < 0) {
        ports_->addItem(port);
    }
}

void CCommRs232::WriteSettings() {
    const std::filesystem::path sysIni = FsPath(context_.sysIniPath);
    bool saved = Profile::WriteString(sysIni, "com", "comid", PortName().toStdString());
    saved = Profile::WriteString(sysIni, "com", "buadrate", bauds_->currentText().toStdString()) &&
            saved;
    if (int id = driverId_->text().toInt(); id != 0) {
        saved = Profile::WriteString(sysIni, "com", "driverid", std::to_string(id)) && saved;
    }
    if (!saved) {
        ShowMessage(NotWrittenMessage(sysIni, kSettingNotSaved));
    }
}

void CCommRs232::OnSelectionChanged() {
    if (context_.Link().LinkState() == engine::kLinkStateOpen) {
        CloseFromPage();
    }
}

}  // namespace morlo::gui
