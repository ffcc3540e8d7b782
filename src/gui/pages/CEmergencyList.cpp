#include "CEmergencyList.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "canopen/NetworkMonitor.h"

namespace morlo::gui {
namespace {

constexpr int kRefreshMs = 250;

QString Hex(unsigned value, int digits) {
    return "0x" + QString::number(value, 16).toUpper().rightJustified(digits, '0');
}

}  // namespace

CEmergencyList::CEmergencyList(canopen::NetworkMonitor& network, QWidget* parent)
    : QWidget(parent), network_(network), table_(new QTableWidget(this)), timer_(new QTimer(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("紧急报文 (CAN)"), this));
    layout->addWidget(table_);
    table_->setObjectName("emergencyList");
    table_->setColumnCount(kColumns);
    table_->setHorizontalHeaderLabels(
        {tr("时间"), tr("节点"), tr("代码"), tr("含义"), tr("错误寄存器"), tr("数据")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);
    connect(timer_, &QTimer::timeout, this, &CEmergencyList::Refresh);
}

void CEmergencyList::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
    timer_->start(kRefreshMs);
}

void CEmergencyList::hideEvent(QHideEvent* event) {
    timer_->stop();
    QWidget::hideEvent(event);
}

void CEmergencyList::Refresh() {
    for (const canopen::NetworkEvent& event : network_.EventsAfter(seen_)) {
        seen_ = event.sequence;
        if (event.kind != canopen::NetworkEvent::Kind::Emergency) {
            continue;
        }
        const canopen::Emergency& e = event.emergency;
        const std::string_view meaning = canopen::EmergencyCodeText(e.code);
        QString data;
        for (std::uint8_t byte : e.data) {
            data += QString::number(byte, 16).toUpper().rightJustified(2, '0') + ' ';
        }
        const QString cells[kColumns] = {
            QString::fromStdString(canopen::HostTimeText(event.hostTime)),
            QString::number(e.node),
            Hex(e.code, 4),
            QString::fromUtf8(meaning.data(), static_cast<qsizetype>(meaning.size())),
            Hex(e.errorRegister, 2),
            data.trimmed()};
        table_->insertRow(0);
        for (int column = 0; column < kColumns; ++column) {
            table_->setItem(0, column, new QTableWidgetItem(cells[column]));
        }
    }
    while (table_->rowCount() > static_cast<int>(canopen::kNetworkEventsKept)) {
        table_->removeRow(table_->rowCount() - 1);
    }
}

}  // namespace morlo::gui
