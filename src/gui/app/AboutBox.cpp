#include "AboutBox.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace morlo::gui {

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("关于 TARNEX Servo"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(":/icons/product.svg").pixmap(48, 48));
    auto* text = new QLabel(tr("TARNEX Servo 1.00 版"), this);
    auto* ok = new QPushButton(tr("确定"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

}  // namespace morlo::gui
