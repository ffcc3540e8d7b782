#include "CDrvPanelF001.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>

#include "AppConstants.h"
#include "AppContext.h"
#include "FileProblems.h"
#include "FsPath.h"
#include "PageConstants.h"
#include "PagePlacement.h"
#include "link/LinkConstants.h"
#include "profile/Profile.h"
#include "text/NumberIo.h"
#include "text/NumberText.h"
#include "values/ValueConversion.h"

namespace morlo::gui {
namespace {

constexpr int kEntryKeyShift = 8;         // entries are object keys shifted left by 8
constexpr int kLargestItemNumber = 0xFF;  // the item object holds one byte

}  // namespace

CDrvPanelF001::CDrvPanelF001(AppContext& context, QWidget* parent)
    : CPageView(context, parent), items_(new QComboBox(this)), value_(new QLineEdit(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(items_, 3);
    layout->addWidget(value_, 2);
    value_->setReadOnly(true);
    value_->setText(page::kDisplayValuePlaceholder);
    FillItems();
    connect(items_, &QComboBox::activated, this, &CDrvPanelF001::OnItemChosen);
    active_ = true;
    context_.Link().SubmitRequest(Id(), link::kCmdRead, page::kDisplayItem, 0);
}

void CDrvPanelF001::FillItems() {
    const std::filesystem::path file =
        FsPath(context_.workDir + "/sys/") / (std::string(page::kDisplayItemSection) + ".ini");
    const std::string section = page::kDisplayItemSection;
    if (const FileProblem problem = Profile::Problem(file); IsBroken(problem)) {
        ShowMessage(FileProblemMessage(file, problem, kPageWithoutList));
        return;
    }
    const int count = Profile::ReadInt(file, section, "num", page::kDisplayItemBuffer);
    for (int n = 1; n <= count; ++n) {
        const auto value = static_cast<std::uint32_t>(ParseHexLoose(
            Profile::ReadString(file, section, std::to_string(n), page::kDisplayItemBuffer)));
        const auto key = static_cast<ObjectKey>(value >> kEntryKeyShift);
        DictionaryEntry entry;
        if (value == 0 || n - 1 > kLargestItemNumber ||
            !context_.Dictionary().FindByKey(key, entry)) {
            continue;
        }
        items_->addItem(QString::fromStdString(entry.name) + "(" +
                        QString::fromStdString(WriteInteger(n - 1)) + ")");
        entries_.push_back({n - 1, key});
    }
}

int CDrvPanelF001::EntryOfNumber(int number) const {
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].number == number) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// ---- answers ----

void CDrvPanelF001::OnResult(const engine::Delivery& d) {
    if (d.message == engine::kMsgAbort) {
        if (d.lParam == page::kDisplayItem && itemWritePending_) {
            // The drive kept its item: show the one it displays again.
            itemWritePending_ = false;
            context_.Link().SubmitRequest(Id(), link::kCmdRead, page::kDisplayItem, 0);
        }
        return;
    }
    if (d.message != engine::kMsgValue) {
        return;
    }
    if (d.lParam == page::kDisplayItem) {
        itemWritePending_ = false;
        ShowDisplayedItem(static_cast<std::uint32_t>(d.wParam));
    } else if (d.lParam == selectedKey_ && selectedKey_ != 0) {
        ShowValue(d.wParam);
    }
}

void CDrvPanelF001::ShowDisplayedItem(std::uint32_t number) {
    const int entry = number <= kLargestItemNumber ? EntryOfNumber(static_cast<int>(number)) : -1;
    if (entry < 0) {
        // An item this list does not offer: nothing of it is shown as if it were known.
        items_->setCurrentIndex(-1);
        shownEntry_ = -1;
        selectedKey_ = 0;
        return;
    }
    items_->setCurrentIndex(entry);
    shownEntry_ = entry;
    const ObjectKey key = entries_[static_cast<std::size_t>(entry)].key;
    if (key != selectedKey_) {
        selectedKey_ = key;
        value_->setText(page::kDisplayValuePlaceholder);
        if (active_) {
            FollowItem(key);
        }
    }
    signLimit_ = 0;
    signModulus_ = 0;
    unsigned32_ = false;
    DictionaryEntry object;
    if (context_.Dictionary().FindByKey(key, object)) {
        const int width = ValueConversion::WidthOf(object.dataType);
        const bool isSigned = !object.dataType.empty() &&
                              (object.dataType.front() == 'I' || object.dataType.front() == 'i');
        if (isSigned && width == 8) {
            signLimit_ = page::kSignLimit8;
            signModulus_ = page::kSignModulus8;
        } else if (isSigned && width == 16) {
            signLimit_ = page::kSignLimit16;
            signModulus_ = page::kSignModulus16;
        }
        unsigned32_ = !isSigned && width == 32;
    }
    context_.Link().SubmitRequest(Id(), link::kCmdRead, key, 0);
}

void CDrvPanelF001::ShowValue(std::int32_t raw) {
    const auto bits = static_cast<std::uint32_t>(raw);
    std::string text;
    if (signLimit_ != 0 && bits >= signLimit_) {
        text = WriteInteger(static_cast<std::int64_t>(bits) - signModulus_);
    } else if (unsigned32_) {
        text = WriteUnsigned(bits);
    } else {
        text = WriteInteger(raw);
    }
    value_->setText(QString::fromStdString(text));
}

// Only the chosen item's own cyclic entry reads; the page's others rest.
void CDrvPanelF001::FollowItem(ObjectKey key) {
    engine::ControlLink& link = context_.Link();
    link.DeactivateWindow(Id());
    if (link.ActivateKey(Id(), key) == 0) {
        link.AddCyclic(Id(), key, engine::kCyclicReadOnly);
    }
}

// ---- the user's choice ----

void CDrvPanelF001::OnItemChosen(int entry) {
    if (entry < 0 || entry >= static_cast<int>(entries_.size())) {
        return;
    }
    if (context_.Link().LinkState() != engine::kLinkStateOpen) {
        // Nothing can be written: the list keeps showing what the drive displays.
        items_->setCurrentIndex(shownEntry_);
        return;
    }
    const Item& item = entries_[static_cast<std::size_t>(entry)];
    itemWritePending_ = true;
    context_.Link().SubmitRequest(Id(), link::kCmdWrite8, page::kDisplayItem, item.number);
    FollowItem(item.key);
}

// ---- page state ----

void CDrvPanelF001::PageNotify(int code) {
    switch (code) {
        case notify::kShown:
            active_ = true;
            if (selectedKey_ != 0) {
                FollowItem(selectedKey_);
            }
            break;
        case notify::kHidden:
            active_ = false;
            context_.Link().DeactivateWindow(Id());
            break;
        case notify::kRefresh:
            context_.Link().SubmitRequest(Id(), link::kCmdRead, page::kDisplayItem, 0);
            break;
        case notify::kSaveProject:
            WritePagePlacement(context_, this, page::kPanelF001PageId, active_);
            break;
        default:
            break;
    }
}

}  // namespace morlo::gui
