#include "ParameterPage.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QPointer>
#include <QVBoxLayout>

#include "AppConstants.h"
#include "AppContext.h"
#include "CMainFrame.h"
#include "EditListCtrl.h"
#include "FileProblems.h"
#include "FsPath.h"
#include "PagePlacement.h"
#include "ProjectFile.h"
#include "link/AbortCode.h"
#include "link/LinkConstants.h"
#include "profile/Profile.h"
#include "text/Encoding.h"
#include "text/NumberIo.h"
#include "text/NumberText.h"
#include "values/ValueInput.h"

namespace morlo::gui {
namespace {

constexpr int kNumberColumnWidth = 50;
constexpr std::size_t kListValueBuffer = 32;
constexpr std::size_t kProjectRowBuffer = 256;
constexpr const char* kVisibleString = "VISIBLE STRING";
constexpr const char* kRefusedText = "????";
// Why an edit did not reach the drive: "<name>: <text> was not written, <reason>!!".
constexpr const char* kNotWritten = "%1: %2 was not written, %3!!";
constexpr const char* kUnitNotChanged = "%1: the unit stays %2, %3!!";
constexpr const char* kLinkClosed = "the link is closed";
constexpr const char* kLinkHeld = "another window holds the link";
constexpr const char* kNoAnswer = "%1: the drive did not answer, %2 may not have been written!!";

// The values of one INI section, read once: keys compare without case, a value is cut as a
// character buffer of the given size would cut it.
class SectionValues {
  public:
    explicit SectionValues(const std::vector<std::pair<std::string, std::string>>& pairs) {
        for (const auto& [key, value] : pairs) {
            values_.try_emplace(QString::fromStdString(key).toLower(), value);  // first wins
        }
    }
    std::string Get(const std::string& key, std::size_t bufferChars) const {
        auto it = values_.find(QString::fromStdString(key).toLower());
        if (it == values_.end()) {
            return {};
        }
        return TruncateUtf16Units(it->second, bufferChars - 1);
    }

  private:
    std::map<QString, std::string> values_;
};

// The cells of an object's row; the row number is written by renumbering.
QStringList RowTexts(ObjectKey key, const DictionaryEntry& entry, const QString& value,
                     const QString& unit) {
    QStringList texts(kColumnCount);
    texts[kColumnKey] = QString::number(key);
    texts[kColumnName] = QString::fromStdString(entry.name);
    texts[kColumnDataType] = QString::fromStdString(entry.dataType);
    texts[kColumnValue] = value;
    texts[kColumnAttribute] = QString::fromStdString(entry.attribute);
    texts[kColumnUnit] = unit;
    return texts;
}

bool IsTextObject(const DictionaryEntry& entry) {
    return QString::fromStdString(entry.dataType).toUpper() == kVisibleString;
}

QString SectionOf(int number) {
    return QString("%1%2").arg(ObjectDictionary::kProjectSectionPrefix).arg(number);
}

}  // namespace

ParameterPage::ParameterPage(AppContext& context, const QString& pageName, int pageId,
                             PageBehaviour behaviour, QWidget* parent)
    : CPageView(context, parent),
      pageName_(pageName),
      pageId_(pageId),
      behaviour_(behaviour),
      list_(new EditListCtrl(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(list_);
    CreateColumns();
    list_->SetChoiceProvider([this](int row) {
        QStringList choices;
        if (list_->Text(row, kColumnDataType).toUpper() == kVisibleString) {
            return choices;  // a text has no unit to choose
        }
        ObjectKey key = ParseDecimalLoose(list_->CellText(row, kColumnKey));
        for (const std::string& unit : context_.Units().ChoiceList(key)) {
            choices << QString::fromStdString(unit);
        }
        return choices;
    });
    connect(list_, &EditListCtrl::cellEdited, this, &ParameterPage::OnCellEdited);
    connect(list_, &EditListCtrl::contextMenuAt, this, &ParameterPage::OnContextMenu);
    connect(list_, &EditListCtrl::widened, this, &ParameterPage::FitFrame);

    if (behaviour_.loadsProjectRows && !behaviour_.fixedList && !context_.projectStamp.isEmpty()) {
        LoadProjectRows();
    }
    if (list_->RowCount() == 0) {
        FillFromDefaultList();
    }
    active_ = true;
    if (readCursor_ == 0 && ReadsAtCreation()) {
        StartReadPass();
    }
}

bool ParameterPage::ReadsAtCreation() const {
    return !behaviour_.readsOnlyWhenOpen || context_.Link().LinkState() == engine::kLinkStateOpen;
}

void ParameterPage::CreateColumns() {
    list_->setColumnCount(kColumnCount);
    const auto& caption = context_.columnCaption;
    list_->setHorizontalHeaderLabels(
        {"", "ID", caption[0], "DataType", caption[1], "Attribute", caption[2]});
    list_->ArrangeColumns([this] {
        list_->setColumnWidth(kColumnNumber, kNumberColumnWidth);
        SetColumnWidths(context_.columnWidth[0], context_.columnWidth[1], context_.columnWidth[2]);
        for (int hidden : {kColumnKey, kColumnDataType, kColumnAttribute}) {
            list_->setColumnHidden(hidden, true);
        }
    });
    list_->FitColumns();
    for (int readOnly : {kColumnNumber, kColumnKey, kColumnName}) {
        list_->SetReadOnlyColumn(readOnly, true);
    }
    list_->SetChoiceColumn(kColumnUnit, true);
}

void ParameterPage::SetColumnWidths(int name, int value, int unit) {
    list_->ArrangeColumns([&] {
        list_->setColumnWidth(kColumnName, name);
        list_->setColumnWidth(kColumnValue, value);
        list_->setColumnWidth(kColumnUnit, unit);
    });
    list_->FitColumns();  // the widths given are the least; every text stays whole
}

int ParameterPage::PageIdForRecords() const {
    return behaviour_.panelPageId ? context_.currentPanelPageId : pageId_;
}

// ---- filling ----

void ParameterPage::FillFromDefaultList() {
    const auto file = FsPath(context_.workDir + "/sys/" + pageName_ + ".ini");
    const FileProblem problem = Profile::Problem(file);
    if (IsBroken(problem)) {
        ShowMessage(FileProblemMessage(file, problem, kPageWithoutList));
        return;
    }
    const auto pairs = Profile::ReadSection(file, pageName_.toStdString());
    const SectionValues values(pairs);
    const std::string countText = values.Get("num", kListValueBuffer);
    const int count = Profile::NumberOf(countText);
    if (problem == FileProblem::None && (countText.empty() || count < 0)) {
        ShowMessage(NoObjectListMessage(file));  // empty, cut before "num", or foreign
        return;
    }
    int missing = 0;
    for (int i = 1; i <= count; ++i) {
        const std::string entry = values.Get(WriteInteger(i), kListValueBuffer);
        missing += entry.empty() ? 1 : 0;
        ObjectKey key = ParseHexLoose(entry);
        // The read pass reads every row, one after the other; it starts with the first row,
        // so that its exchange runs while the rest of the page is built.
        if (InsertObject(key, list_->RowCount(), true, false) && readCursor_ == 0 &&
            ReadsAtCreation()) {
            StartReadPass();
        }
    }
    if (missing > 0) {
        ShowMessage(MissingListEntriesMessage(file, count, missing));
    }
}

bool ParameterPage::LoadProjectRows() {
    const std::filesystem::path file = context_.Dictionary().ProjectReadPath();
    const std::string section = SectionOf(pageId_).toStdString();
    const SectionValues values(Profile::ReadSection(file, section));
    const int count = Profile::NumberOf(values.Get("num", kProjectRowBuffer));
    if (count == 0) {
        return false;
    }
    list_->setRowCount(0);
    QStringList skipped;
    for (int b = 0; b < count; ++b) {
        const QString text = QString::fromStdString(values.Get(WriteInteger(b), kProjectRowBuffer));
        if (!LoadProjectRow(text)) {
            // Reported below, once for the page; the rows after it still load.
            skipped << QString("%1 \"%2\"").arg(b).arg(text);
        }
    }
    Renumber(0);
    if (!skipped.isEmpty()) {
        ShowMessage(SkippedRowsMessage(pageName_, skipped));
    }
    return true;
}

bool ParameterPage::LoadProjectRow(const QString& text) {
    const std::optional<ProjectRow> row = ParseProjectRow(text);
    if (!row) {
        return false;
    }
    const std::optional<std::int64_t> number = ReadInteger(row->key.toStdString());
    DictionaryEntry entry;
    if (!number || *number < 0 || *number > 0xFFFFFF ||
        !context_.Dictionary().FindByKey(static_cast<ObjectKey>(*number), entry) ||
        RowOfKey(entry.key) >= 0) {
        return false;  // not a key, an object the dictionary does not know, or listed twice
    }
    const ObjectKey key = entry.key;
    std::string defaultUnit = kUnitDec;
    context_.Units().AddUnits(key, entry.unitSpec, defaultUnit);
    const std::string unit = row->unit.toStdString();
    const std::vector<std::string> units = context_.Units().ChoiceList(key);
    const bool knownUnit = unit == kUnitDec || unit == kUnitHex || unit == kUnitAscii ||
                           (unit.empty() && IsTextObject(entry)) ||
                           std::find(units.begin(), units.end(), unit) != units.end();
    if (!knownUnit) {
        return false;  // its values could not be shown, and the read pass would stop there
    }
    RegisterCyclic(key, entry.attribute);
    list_->InsertRowAt(list_->RowCount(), RowTexts(key, entry, row->value, row->unit));
    return true;
}

void ParameterPage::RegisterCyclic(ObjectKey key, const std::string& attribute) {
    if (attribute.find('L') == std::string::npos) {
        return;
    }
    const bool writable = attribute.find('W') != std::string::npos;
    context_.Link().AddCyclic(Id(), key,
                              writable ? engine::kCyclicWritable : engine::kCyclicReadOnly);
}

bool ParameterPage::InsertObject(ObjectKey key, int row, bool allowStrings, bool readAtOnce) {
    if (RowOfKey(key) >= 0) {
        return false;
    }
    DictionaryEntry entry;
    if (!context_.Dictionary().FindByKey(key, entry)) {
        return false;
    }
    if (!allowStrings && QString::fromStdString(entry.dataType).toUpper() == kVisibleString) {
        return false;
    }
    RegisterCyclic(key, entry.attribute);
    std::string unit = kUnitDec;
    context_.Units().AddUnits(key, entry.unitSpec, unit);
    if (IsTextObject(entry)) {
        unit.clear();  // a text has no unit
    }
    list_->InsertRowAt(row, RowTexts(key, entry, QString(), QString::fromStdString(unit)));
    if (readAtOnce && context_.Link().LinkState() == engine::kLinkStateOpen) {
        context_.Link().SubmitRequest(Id(), link::kCmdRead, key, 0);
    }
    Renumber(row);
    return true;
}

void ParameterPage::Renumber(int fromRow) {
    const int base = behaviour_.numberFromZero ? 0 : 1;
    for (int row = std::max(fromRow, 0); row < list_->RowCount(); ++row) {
        const bool writable = list_->Text(row, kColumnAttribute).contains('W');
        list_->SetText(row, kColumnNumber, QString::number(row + base) + (writable ? "" : "*"));
        list_->ApplyRowColours(row);
    }
}

int ParameterPage::RowOfKey(ObjectKey key) const {
    return ValueConversion::FindRow(*list_, key).row;
}

// ---- reading ----

void ParameterPage::StartReadPass() {
    readCursor_ = 1;
    ReadNextRow();
}

void ParameterPage::ReadNextRow() {
    if (readCursor_ > list_->RowCount()) {
        readCursor_ = 0;
        return;
    }
    if (readCursor_ <= 0) {
        return;
    }
    const ObjectKey key = ParseDecimalLoose(list_->CellText(readCursor_ - 1, kColumnKey));
    ++readCursor_;
    context_.Link().SubmitRequest(Id(), link::kCmdRead, key, 0);
}

void ParameterPage::ContinueReadPass() {
    if (readCursor_ != 0) {
        ReadNextRow();
    }
}

void ParameterPage::OnResult(const engine::Delivery& d) {
    QString refusal;
    if ((d.message == engine::kMsgValue || d.message == engine::kMsgAbort ||
         d.message == engine::kMsgLinkFault) &&
        WriteAnswered(d, refusal)) {
        return;
    }
    HandleResult(d);
    if (!refusal.isEmpty()) {
        ShowMessage(refusal);
    }
}

void ParameterPage::HandleResult(const engine::Delivery& d) {
    switch (d.message) {
        case engine::kMsgValue:
            if (ShowValue(d.wParam, d.lParam)) {
                ContinueReadPass();
            }
            break;
        case engine::kMsgAbort:
        case engine::kMsgLinkFault:
            // Refused, or no valid answer at all: the row shows it and the pass goes on.
            if (upload_.Running() && upload_.Key() == d.lParam) {
                upload_.Stop();
            }
            ShowNoValue(d.lParam);
            break;
        case engine::kMsgUploadStart:
            OnUploadStart(d.lParam);
            break;
        case engine::kMsgSegment:
            OnSegment(d.lParam);
            break;
        default:
            break;
    }
}

bool ParameterPage::ShowValue(std::int32_t value, ObjectKey key) {
    const auto facts = ValueConversion::FindRow(*list_, key);
    const ValueConversion::Shown shown = context_.Conversion().ShowRaw(
        Id(), key, facts.unit, facts.dataType, static_cast<std::uint32_t>(value));
    switch (shown.status) {
        case ValueConversion::Shown::Status::Failed:
            return false;
        case ValueConversion::Shown::Status::WaitingForConstant:
            WaitForConstant(shown.missingConstant, key, value);
            return true;  // the pass goes on; this row is shown when the constant is here
        case ValueConversion::Shown::Status::Shown:
            break;
    }
    waitingValues_.erase(key);  // an older value that still waits must not overwrite this one
    if (facts.row >= 0) {
        list_->SetValueRead(facts.row, QString::fromStdString(shown.text));
        RecordShown(facts.row, key);
    }
    return true;
}

// ---- recording to a file ----

void ParameterPage::ChooseRecordingFile() {
    const QString proposal =
        (context_.userDir.isEmpty() ? context_.workDir + "/" : context_.userDir) + pageName_ +
        ".csv";
    const QString title = tr("记录到文件");
    const QString filter = "CSV (*.csv)";
    const QString chosen = context_.fileChooser
                               ? context_.fileChooser(true, proposal, filter, title)
                               : QFileDialog::getSaveFileName(this, title, proposal, filter);
    if (!chosen.isEmpty()) {
        StartRecording(chosen);
    }
}

bool ParameterPage::StartRecording(const QString& path) {
    std::vector<PageRecorder::Column> columns;
    for (int row = 0; row < list_->RowCount(); ++row) {
        if (!list_->Text(row, kColumnAttribute).contains('L')) {
            continue;
        }
        columns.push_back({ParseDecimalLoose(list_->CellText(row, kColumnKey)),
                           list_->Text(row, kColumnName), list_->Text(row, kColumnUnit)});
    }
    if (columns.empty()) {
        ShowMessage(tr("本页没有周期读取的对象，无可记录。"));
        return false;
    }
    if (!recorder_.Start(path, std::move(columns))) {
        ShowMessage(tr("无法写入%1。").arg(path));
        return false;
    }
    return true;
}

void ParameterPage::StopRecording() {
    recorder_.Stop();
}

void ParameterPage::RecordShown(int row, ObjectKey key) {
    if (!recorder_.Recording() || !active_) {
        return;
    }
    if (!recorder_.Add(key, list_->Text(row, kColumnValue), list_->Text(row, kColumnUnit))) {
        ShowMessage(tr("无法写入%1，记录已停止。").arg(recorder_.Path()));
    }
}

void ParameterPage::WaitForConstant(ObjectKey constant, ObjectKey key, std::int32_t value) {
    const bool parked = waitingValues_.count(key) != 0;
    waitingValues_[key] = value;  // the newest answer is the one shown
    if (parked) {
        return;
    }
    QPointer<ParameterPage> self(this);
    context_.Formulas().StorePending(
        constant,
        [self, key] {
            if (!self) {
                return;
            }
            auto it = self->waitingValues_.find(key);
            if (it == self->waitingValues_.end()) {
                return;  // shown meanwhile
            }
            const std::int32_t newest = it->second;
            self->waitingValues_.erase(it);
            self->ShowValue(newest, key);
        },
        [self, key] {
            if (self) {
                self->waitingValues_.erase(key);
            }
        });
}

void ParameterPage::ShowNoValue(ObjectKey key) {
    if (int row = RowOfKey(key); row >= 0) {
        list_->SetText(row, kColumnValue, kRefusedText);
    }
    ContinueReadPass();
}

void ParameterPage::OnUploadStart(ObjectKey key) {
    if (RowOfKey(key) < 0) {
        ContinueReadPass();
        return;
    }
    // A new start (also the drive's restart of a broken upload) begins the data anew.
    context_.Link().SubmitRequest(Id(), upload_.Start(key), key, 0);
}

void ParameterPage::OnSegment(ObjectKey) {
    if (!upload_.Running()) {
        return;  // a late segment of an upload this page gave up
    }
    const ObjectKey key = upload_.Key();
    std::array<std::uint8_t, link::kSegmentDataBytes> data{};
    int count = 0;
    bool last = false;
    context_.Link().GetSegmentData(data, count, last);
    const auto bytes = static_cast<std::size_t>(std::clamp(count, 0, int(data.size())));
    switch (upload_.Add({data.data(), bytes}, last)) {
        case link::UploadReader::Step::Next:
            context_.Link().SubmitRequest(Id(), upload_.NextCommand(), key, 0);
            return;
        case link::UploadReader::Step::TooLong:
            context_.Link().SubmitRequest(Id(), link::kCmdAbort, key,
                                          static_cast<std::int32_t>(link::AbortCode::OutOfMemory));
            ShowNoValue(key);
            return;
        case link::UploadReader::Step::Done:
            ShowUploaded(key);
            return;
    }
}

void ParameterPage::ShowUploaded(ObjectKey key) {
    const int row = RowOfKey(key);
    if (row >= 0 && list_->Text(row, kColumnDataType).toUpper() == kVisibleString) {
        list_->SetText(row, kColumnValue, QString::fromStdString(Gb18030ToUtf8(upload_.Data())));
        ContinueReadPass();
        return;
    }
    // A number the drive chose to send in segments: its bytes are the value.
    const std::optional<std::uint32_t> number = upload_.AsNumber();
    if (!number) {
        ShowNoValue(key);
        return;
    }
    if (ShowValue(static_cast<std::int32_t>(*number), key)) {
        ContinueReadPass();
    }
}

// ---- editing and the pop-up menu ----

QString ParameterPage::LinkRefusal() const {
    const engine::ControlLink& link = context_.Link();
    if (link.LinkState() != engine::kLinkStateOpen) {
        return kLinkClosed;
    }
    const engine::ReceiverId owner = link.ExclusiveWindow();
    if (link.IsExclusive() && owner != engine::kNoReceiver && owner != Id()) {
        return kLinkHeld;
    }
    return {};
}

void ParameterPage::OnCellEdited(int row, int column) {
    if (column != kColumnUnit && column != kColumnValue) {
        return;
    }
    const ObjectKey key = ParseDecimalLoose(list_->CellText(row, kColumnKey));
    const QString name = list_->Text(row, kColumnName);
    const QString typed = list_->Text(row, column);
    // Nothing can be sent: the cell shows what it showed before, and the user is told.
    if (const QString refusal = LinkRefusal(); !refusal.isEmpty()) {
        list_->RestoreCell(row, column);
        ShowMessage(column == kColumnValue
                        ? QString(kNotWritten).arg(name, typed, refusal)
                        : QString(kUnitNotChanged).arg(name, list_->Text(row, column), refusal));
        return;
    }
    if (column == kColumnUnit) {
        context_.Link().SubmitRequest(Id(), link::kCmdRead, key, 0);
        return;
    }
    // A text that is not a value of the unit, or does not fit the object, sends nothing:
    // the user is told why and the cell shows the last value read again.
    QPointer<ParameterPage> self(this);
    const auto result = context_.Conversion().WriteRow(
        Id(), *list_, row, [self, key, typed](const std::string& text) {
            if (!self) {
                return;
            }
            // A write that waited for a constant and was refused then goes out of the count.
            if (auto it = self->pendingWrites_.find(key); it != self->pendingWrites_.end()) {
                auto& writes = it->second;
                auto last = std::find_if(writes.rbegin(), writes.rend(),
                                         [&](const PendingWrite& w) { return w.text == typed; });
                if (last != writes.rend()) {
                    writes.erase(std::next(last).base());
                }
                if (writes.empty()) {
                    self->pendingWrites_.erase(it);
                }
            }
            if (const int at = self->RowOfKey(key); at >= 0) {
                self->list_->RestoreValueRead(at);
            }
            ShowMessage(QString::fromStdString(text));
        });
    if (result != ValueConversion::WriteResult::Refused) {
        pendingWrites_[key].push_back({typed, context_.Link().LinkGeneration()});
    }
}

bool ParameterPage::WriteAnswered(const engine::Delivery& d, QString& refusal) {
    const ObjectKey key = d.lParam;
    if ((d.command & link::kWriteMask) != link::kWriteClass) {
        return false;  // a read's answer, also one that came before the write was served
    }
    auto pending = pendingWrites_.find(key);
    if (pending == pendingWrites_.end()) {
        return false;
    }
    // Writes of an earlier opening of the link were never answered and never will be.
    std::deque<PendingWrite>& writes = pending->second;
    while (!writes.empty() && writes.front().linkGeneration != d.linkGeneration) {
        writes.pop_front();
    }
    if (writes.empty()) {
        pendingWrites_.erase(pending);
        return false;
    }
    const QString typed = writes.front().text;
    writes.pop_front();
    if (writes.empty()) {
        pendingWrites_.erase(pending);
    }
    const int row = RowOfKey(key);
    if (row < 0) {
        return false;
    }
    const QString name = list_->Text(row, kColumnName);
    if (d.message == engine::kMsgValue) {
        // The write's echo, or, when the drive refused it, the object read back: shown as any
        // value, the refusal told once it is.
        if (d.writeRefusal != 0) {
            refusal = QString::fromStdString(
                DriveRefusalText(name.toStdString(), typed.toStdString(), d.writeRefusal));
        }
        return false;
    }
    list_->RestoreValueRead(row);
    if (d.message == engine::kMsgAbort) {
        ShowMessage(QString::fromStdString(DriveRefusalText(name.toStdString(), typed.toStdString(),
                                                            static_cast<std::uint32_t>(d.wParam))));
    } else {
        ShowMessage(QString(kNoAnswer).arg(name, typed));
        // What the drive holds is shown once it answers again.
        context_.Link().SubmitRequest(Id(), link::kCmdRead, key, 0);
    }
    ContinueReadPass();
    return true;
}

QMenu* ParameterPage::MakeContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    QAction* add = menu->addAction(tr("add"));
    QAction* del = menu->addAction(tr("del"));
    QAction* help = menu->addAction(tr("help"));
    menu->addSeparator();
    if (recorder_.Recording()) {
        QAction* stop = menu->addAction(tr("停止记录"));
        connect(stop, &QAction::triggered, this, &ParameterPage::StopRecording);
    } else {
        QAction* record = menu->addAction(tr("记录到文件…"));
        connect(record, &QAction::triggered, this, &ParameterPage::ChooseRecordingFile);
    }
    const bool selected = !list_->SelectedRowList().empty();
    del->setEnabled(selected);
    help->setEnabled(selected || behaviour_.helpWithoutSelection);
    connect(add, &QAction::triggered, this, &ParameterPage::AddObject);
    connect(del, &QAction::triggered, this, &ParameterPage::DeleteSelected);
    connect(help, &QAction::triggered, this, &ParameterPage::ShowHelp);
    return menu;
}

void ParameterPage::OnContextMenu(const QPoint& globalPos) {
    std::unique_ptr<QMenu> menu(MakeContextMenu(nullptr));
    menu->exec(globalPos);
}

void ParameterPage::AddObject() {
    context_.objectRequester = this;
    if (CMainFrame* frame = context_.mainWindow) {
        frame->OnOpenToolPage(2);
    }
}

void ParameterPage::ObjectChosen(ObjectKey key) {
    const int focused = list_->FocusedSelectedRow();
    list_->ClearSelectionAndFocus();
    InsertObject(key, focused >= 0 ? focused : list_->RowCount(), false);
}

void ParameterPage::DeleteSelected() {
    while (true) {
        const std::vector<int> rows = list_->SelectedRowList();
        if (rows.empty()) {
            break;
        }
        list_->removeRow(rows.front());
        if (behaviour_.renumbersOnDelete) {
            Renumber(rows.front());
        }
    }
}

void ParameterPage::ShowHelp() {
    const int row = list_->FocusedSelectedRow();
    if (row < 0) {
        return;
    }
    list_->ClearSelectionAndFocus();
    context_.Conversion().ShowObjectHelp(ParseDecimalLoose(list_->CellText(row, kColumnKey)));
}

// ---- page state and the project ----

void ParameterPage::PageNotify(int code) {
    engine::ControlLink& link = context_.Link();
    const bool open = link.LinkState() == engine::kLinkStateOpen;
    switch (code) {
        case notify::kShown:
            if (open) {
                StartReadPass();
            } else {
                readCursor_ = 0;
            }
            link.ActivateWindow(Id());
            active_ = true;
            break;
        case notify::kHidden:
            readCursor_ = 0;
            active_ = false;
            if (!recorder_.Flush()) {  // the round under way ends with the page shown
                ShowMessage(tr("无法写入%1，记录已停止。").arg(recorder_.Path()));
            }
            link.DeactivateWindow(Id());
            break;
        case notify::kRefresh:
            if (active_) {
                if (open) {
                    StartReadPass();
                } else {
                    readCursor_ = 0;
                }
            }
            break;
        case notify::kSaveProject:
            if (behaviour_.savesRows && !behaviour_.fixedList) {
                SaveToProject();
            }
            WritePlacement();
            break;
        default:
            break;
    }
}

void ParameterPage::SaveToProject() {
    const std::filesystem::path file = context_.Dictionary().ProjectWritePath();
    const std::string section = SectionOf(PageIdForRecords()).toStdString();
    bool written = Profile::WriteString(file, section, "num", WriteInteger(list_->RowCount()));
    for (int row = 0; row < list_->RowCount(); ++row) {
        const QString text =
            FormatProjectRow({list_->Text(row, kColumnKey), list_->Text(row, kColumnValue),
                              list_->Text(row, kColumnUnit)});
        written =
            Profile::WriteString(file, section, WriteInteger(row), text.toStdString()) && written;
    }
    if (!written) {
        context_.projectWriteFailed = true;  // the save keeps the old project
    }
}

void ParameterPage::WritePlacement() {
    WritePagePlacement(context_, this, PageIdForRecords(), active_);
}

}  // namespace morlo::gui
