#include "CFunctionDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "MessageBox.h"
#include "PageConstants.h"

namespace morlo::gui {
namespace {

constexpr int kColumnCheck = 0;
constexpr int kColumnNumber = 1;
constexpr int kColumnItem = 2;

}  // namespace

CFunctionDialog::CFunctionDialog(const FunctionNameFile& names, bool outputs, bool standardDpi,
                                 ChoiceHandler handler, QWidget* parent)
    : QDialog(parent),
      list_(new QTableWidget(this)),
      ok_(new QPushButton(tr("确定"), this)),
      handler_(std::move(handler)) {
    setWindowTitle(tr("列表"));
    list_->setColumnCount(3);
    list_->setHorizontalHeaderLabels({"", "ID", "Item"});
    list_->verticalHeader()->hide();
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setColumnWidth(kColumnCheck, standardDpi ? 30 : 40);
    list_->setColumnWidth(kColumnNumber, standardDpi ? 60 : 80);
    list_->setColumnWidth(kColumnItem, standardDpi ? 350 : 420);
    FillRows(names, outputs);

    auto* quit = new QPushButton(tr("退出"), this);
    connect(ok_, &QPushButton::clicked, this, &CFunctionDialog::Accept);
    connect(quit, &QPushButton::clicked, this, &QDialog::hide);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(quit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
    int columns = 0;
    for (int column = 0; column < list_->columnCount(); ++column) {
        columns += list_->columnWidth(column);
    }
    const int width = columns + list_->verticalScrollBar()->sizeHint().width() +
                      2 * list_->frameWidth() + 2 * layout->contentsMargins().left();
    resize(width, standardDpi ? 420 : 520);
}

void CFunctionDialog::FillRows(const FunctionNameFile& names, bool outputs) {
    for (std::uint16_t code : FunctionDialogCodes(outputs)) {
        const QString name = names.Name(code);
        if (name.isEmpty()) {
            continue;
        }
        const int row = list_->rowCount();
        list_->insertRow(row);
        auto* check = new QTableWidgetItem;
        check->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        check->setCheckState(Qt::Unchecked);
        list_->setItem(row, kColumnCheck, check);
        list_->setItem(row, kColumnNumber, new QTableWidgetItem(QString::number(row + 1)));
        list_->setItem(row, kColumnItem, new QTableWidgetItem(name));
        codes_.push_back(code);
    }
}

void CFunctionDialog::SetTarget(ObjectKey key, std::uint16_t word) {
    key_ = key;
    word_ = word;
    CheckRowsOfWord();
}

void CFunctionDialog::showEvent(QShowEvent* event) {
    CheckRowsOfWord();
    QDialog::showEvent(event);
}

void CFunctionDialog::CheckRowsOfWord() {
    for (int row = 0; row < list_->rowCount(); ++row) {
        SetRowChecked(row, FunctionCodeChecked(word_, CodeOfRow(row)));
    }
}

void CFunctionDialog::SetRowChecked(int row, bool checked) {
    list_->item(row, kColumnCheck)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

bool CFunctionDialog::RowChecked(int row) const {
    return list_->item(row, kColumnCheck)->checkState() == Qt::Checked;
}

void CFunctionDialog::Accept() {
    std::vector<std::uint16_t> checked;
    for (int row = 0; row < list_->rowCount(); ++row) {
        if (RowChecked(row)) {
            checked.push_back(CodeOfRow(row));
        }
    }
    const std::optional<std::uint16_t> word = FunctionWordOfCodes(checked);
    if (!word) {
        ShowMessage(page::kMsgSettingWrong, QMessageBox::Warning, this);
        return;
    }
    hide();
    if (handler_) {
        handler_(*word, key_);
    }
}

}  // namespace morlo::gui
