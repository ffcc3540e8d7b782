#include "CSdoList.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <utility>
#include <vector>

#include "AppConstants.h"
#include "AppContext.h"
#include "EditListCtrl.h"

namespace morlo::gui {
namespace {

constexpr int kLoadPollMs = 200;

QString HexText(int value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 16, QChar('0')).toUpper();
}

// The access text of an attribute: W writable, L read cyclically.
QString AccessText(const DictionaryEntry& entry) {
    if (!entry.IsWritable() && !entry.IsCyclic()) {
        return QStringLiteral("only readable");
    }
    QString text;
    if (entry.IsWritable()) {
        text += QStringLiteral("writeable  ");
    }
    if (entry.IsCyclic()) {
        text += QStringLiteral("real-update");
    }
    return text;
}

}  // namespace

QString DescribeEntry(const DictionaryEntry& entry) {
    QString help = QString::fromStdString(entry.help);
    help.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    help.replace(QStringLiteral("。"), QStringLiteral("。\r\n"));
    return QStringLiteral("\r\n\r\nIndex: 0x") + HexText(entry.index, 4) +
           QStringLiteral("\r\nSub Index: 0x") + HexText(entry.subIndex, 2) +
           QStringLiteral("\r\nName: ") + QString::fromStdString(entry.name) +
           QStringLiteral("\r\nData Type: ") + QString::fromStdString(entry.dataType) +
           QStringLiteral("\r\nAttribute: ") + AccessText(entry) +
           QStringLiteral("\r\nOperator Help:\r\n") + help;
}

CSdoList::CSdoList(AppContext& context, QWidget* parent) : CPageView(context, parent) {
    list_ = new EditListCtrl(this);
    list_->setColumnCount(3);
    list_->setHorizontalHeaderLabels({"index", "sub", "name"});
    const bool standardDpi = context_.dpiX == 96;
    list_->setColumnWidth(kColumnIndex, standardDpi ? 60 : 80);
    list_->setColumnWidth(kColumnSub, standardDpi ? 40 : 60);
    list_->setColumnWidth(kColumnName, 300);
    for (int column : {kColumnIndex, kColumnSub, kColumnName}) {
        list_->SetReadOnlyColumn(column, true);
    }

    descriptionBox_ = new QPlainTextEdit(this);
    descriptionBox_->setReadOnly(true);
    sortCombo_ = new QComboBox(this);
    sortCombo_->addItem(tr("对象索引"));
    sortCombo_->addItem(tr("对象名字"));
    searchEdit_ = new QLineEdit(this);
    searchButton_ = new QPushButton(tr("查找下一个"), this);

    auto* sortLabel = new QLabel(tr("排列方式"), this);
    sortLabel->setBuddy(sortCombo_);
    auto* searchLabel = new QLabel(tr("查找条件"), this);
    searchLabel->setBuddy(searchEdit_);
    auto* controls = new QHBoxLayout;
    controls->addWidget(sortLabel);
    controls->addWidget(sortCombo_);
    controls->addSpacing(24);
    controls->addWidget(searchLabel);
    controls->addWidget(searchEdit_, 1);
    controls->addWidget(searchButton_);
    auto* body = new QHBoxLayout;
    body->addWidget(list_, 3);
    body->addWidget(descriptionBox_, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(body, 1);

    FillRows();
    sortCombo_->setCurrentIndex(kSortByIndex);
    Describe(0);

    connect(list_, &QTableWidget::itemSelectionChanged, this, &CSdoList::OnSelectionChanged);
    connect(list_, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { ChooseRow(row); });
    // Choosing the shown entry again still sorts while the rows are in dictionary order.
    auto sortChosen = [this](int by) {
        if (by != sortApplied_) {
            SortRows(by);
        }
    };
    connect(sortCombo_, &QComboBox::currentIndexChanged, this, sortChosen);
    connect(sortCombo_, &QComboBox::activated, this, sortChosen);
    connect(searchButton_, &QPushButton::clicked, this, &CSdoList::Search);
    connect(searchEdit_, &QLineEdit::returnPressed, this, &CSdoList::Search);

    // The dictionary loads on a thread: keep adding rows until it has ended.
    loadPoll_ = new QTimer(this);
    loadPoll_->setInterval(kLoadPollMs);
    connect(loadPoll_, &QTimer::timeout, this, &CSdoList::PollLoad);
    if (!context_.Dictionary().IsLoaded()) {
        loadPoll_->start();
    }
}

void CSdoList::PageNotify(int code) {
    if (code == notify::kShown) {
        RefillIfGrown();
    }
}

void CSdoList::showEvent(QShowEvent* event) {
    RefillIfGrown();  // the main frame shows this tool page again without a notification
    CPageView::showEvent(event);
}

void CSdoList::PollLoad() {
    const bool loaded = context_.Dictionary().IsLoaded();
    RefillIfGrown();
    if (loaded) {
        loadPoll_->stop();
    }
}

void CSdoList::FillRows() {
    const ObjectDictionary& dictionary = context_.Dictionary();
    const int count = dictionary.GetCount();
    list_->setRowCount(0);
    list_->setRowCount(count);
    DictionaryEntry entry;
    for (int row = 0; row < count; ++row) {
        if (!dictionary.GetAt(row, entry)) {
            list_->setRowCount(row);
            break;
        }
        list_->SetText(row, kColumnIndex, HexText(entry.index, 4));
        list_->SetText(row, kColumnSub, HexText(entry.subIndex, 2));
        list_->SetText(row, kColumnName, QString::fromStdString(entry.name));
    }
}

void CSdoList::RefillIfGrown() {
    if (context_.Dictionary().GetCount() <= list_->rowCount()) {
        return;
    }
    FillRows();
    if (sortApplied_ >= 0) {
        SortRows(sortApplied_);
    }
    lastMatch_ = -1;
    Describe(0);
}

ObjectKey CSdoList::RowKey(int row) const {
    return (list_->Text(row, kColumnIndex) + list_->Text(row, kColumnSub)).toInt(nullptr, 16);
}

void CSdoList::Describe(int row) {
    describedRow_ = row;
    DictionaryEntry entry;
    if (row < 0 || row >= list_->rowCount() ||
        !context_.Dictionary().FindByKey(RowKey(row), entry)) {
        return;
    }
    description_ = DescribeEntry(entry);
    QString shown = description_;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    descriptionBox_->setPlainText(shown);
}

void CSdoList::OnSelectionChanged() {
    const std::vector<int> rows = list_->SelectedRowList();
    if (!rows.empty() && rows.front() != describedRow_) {
        Describe(rows.front());
    }
}

void CSdoList::SortRows(int by) {
    if (by != kSortByIndex && by != kSortByName) {
        return;
    }
    sortApplied_ = by;
    struct Row {
        QString index;
        QString sub;
        QString name;
        QString order;
    };
    const int count = list_->rowCount();
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row) {
        Row r{list_->Text(row, kColumnIndex),
              list_->Text(row, kColumnSub),
              list_->Text(row, kColumnName),
              {}};
        r.order = by == kSortByIndex ? r.index + r.sub : r.name;
        rows.push_back(std::move(r));
    }
    // Selection sort: a later row replaces the candidate only when strictly smaller.
    for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
        std::size_t smallest = i;
        for (std::size_t j = i + 1; j < rows.size(); ++j) {
            if (QString::compare(rows[j].order, rows[smallest].order, Qt::CaseSensitive) < 0) {
                smallest = j;
            }
        }
        if (smallest != i) {
            std::swap(rows[i], rows[smallest]);
        }
    }
    for (int row = 0; row < count; ++row) {
        const Row& r = rows[static_cast<std::size_t>(row)];
        list_->SetText(row, kColumnIndex, r.index);
        list_->SetText(row, kColumnSub, r.sub);
        list_->SetText(row, kColumnName, r.name);
    }
}

void CSdoList::Search() {
    const QString text = searchEdit_->text();
    if (text.isEmpty()) {
        searchText_.clear();
        return;
    }
    if (text != searchText_) {
        searchText_ = text;
        lastMatch_ = -1;
    }
    const QString wanted = text.toLower();
    const int count = list_->rowCount();
    auto matches = [&](int row) {
        return list_->Text(row, kColumnName).toLower().contains(wanted);
    };
    const int start = lastMatch_ + 1;
    int found = -1;
    for (int row = start; row < count && found < 0; ++row) {
        if (matches(row)) {
            found = row;
        }
    }
    if (found < 0 && lastMatch_ >= 0) {
        for (int row = 0; row < start && row < count && found < 0; ++row) {
            if (matches(row)) {
                found = row;
            }
        }
    }
    if (found < 0) {
        ShowMessage(QStringLiteral("Not Found!!"), QMessageBox::Warning, this);
        return;
    }
    lastMatch_ = found;
    const QModelIndex index = list_->model()->index(found, kColumnIndex);
    list_->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->scrollTo(index);
    list_->setFocus();
}

void CSdoList::ChooseRow(int row) {
    if (row < 0 || row >= list_->rowCount()) {
        return;
    }
    const ObjectKey key = RowKey(row);
    if (auto* page = qobject_cast<CPageView*>(context_.objectRequester.data())) {
        page->ObjectChosen(key);
    }
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* window = qobject_cast<QMdiSubWindow*>(w)) {
            window->close();  // the main frame only hides the browser
            break;
        }
    }
}

}  // namespace morlo::gui
