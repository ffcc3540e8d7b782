#include "CNetworkPane.h"

#include <QTimer>

#include "AppContext.h"
#include "canopen/Emergency.h"
#include "canopen/NetworkConstants.h"
#include "link/LinkConstants.h"

namespace morlo::gui {
namespace {

constexpr int kRefreshMs = 250;
// The heartbeat time is read again this often, in case it was changed on a page.
constexpr int kPeriodRereadRefreshes = 20;

QString StateText(canopen::NmtState state) {
    switch (state) {
        case canopen::NmtState::BootUp:
            return CNetworkPane::tr("启动报文");
        case canopen::NmtState::Stopped:
            return CNetworkPane::tr("停止");
        case canopen::NmtState::Operational:
            return CNetworkPane::tr("运行");
        case canopen::NmtState::PreOperational:
            return CNetworkPane::tr("预运行");
    }
    return {};
}

}  // namespace

CNetworkPane::CNetworkPane(AppContext& context, QWidget* parent)
    : QLabel(parent),
      context_(context),
      id_(context.Dispatcher().Register(this)),
      timer_(new QTimer(this)) {
    setObjectName("networkPane");
    connect(timer_, &QTimer::timeout, this, &CNetworkPane::Refresh);
    hide();
}

CNetworkPane::~CNetworkPane() {
    context_.Dispatcher().Unregister(id_);
}

void CNetworkPane::LinkConfirmed() {
    if (context_.linkType != link::kLinkTypeCan) {
        return;
    }
    node_ = context_.Link().NodeId();
    seenEvents_ = context_.Network().LastSequence();
    emergency_.clear();
    context_.Link().SubmitRequest(id_, link::kCmdRead, canopen::kHeartbeatTimeKey, 0);
    timer_->start(kRefreshMs);
    Refresh();
    show();
}

void CNetworkPane::LinkClosed() {
    node_ = 0;
    timer_->stop();
    context_.Network().ForgetNodes();
    clear();
    hide();
}

void CNetworkPane::OnResult(const engine::Delivery& delivery) {
    if (node_ != 0 && delivery.message == engine::kMsgValue &&
        delivery.lParam == canopen::kHeartbeatTimeKey &&
        delivery.linkGeneration == context_.Link().LinkGeneration()) {
        const auto period = static_cast<std::uint16_t>(delivery.wParam);
        context_.Network().WatchHeartbeat(node_, std::chrono::milliseconds(period),
                                          std::chrono::steady_clock::now());
        Refresh();
    }
}

void CNetworkPane::Refresh() {
    if (node_ == 0) {
        return;
    }
    if (++refreshes_ % kPeriodRereadRefreshes == 0) {
        context_.Link().SubmitRequest(id_, link::kCmdRead, canopen::kHeartbeatTimeKey, 0);
    }
    canopen::NetworkMonitor& network = context_.Network();
    for (const canopen::NetworkEvent& event : network.EventsAfter(seenEvents_)) {
        seenEvents_ = event.sequence;
        if (event.kind == canopen::NetworkEvent::Kind::Emergency && event.node == node_) {
            const std::string_view meaning = canopen::EmergencyCodeText(event.emergency.code);
            emergency_ =
                QString("EMCY 0x%1 %2")
                    .arg(QString::number(event.emergency.code, 16).toUpper().rightJustified(4, '0'))
                    .arg(QString::fromUtf8(meaning.data(), static_cast<qsizetype>(meaning.size())));
        }
    }
    const canopen::NodeStatus status = network.Status(node_, std::chrono::steady_clock::now());
    QString text = tr("节点%1").arg(node_);
    if (status.lost) {
        text += ": " + tr("心跳丢失");
    } else if (status.state) {
        text += ": " + StateText(*status.state);
    }
    if (!emergency_.isEmpty()) {
        text += "  " + emergency_;
    }
    setText(text);
}

}  // namespace morlo::gui
