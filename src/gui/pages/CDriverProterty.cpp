#include "CDriverProterty.h"

#include "AppContext.h"
#include "EditListCtrl.h"
#include "link/LinkConstants.h"
#include "text/Encoding.h"

namespace morlo::gui {
namespace {

constexpr int kPageId = 45;
constexpr int kStandardDpi = 96;
constexpr const char* kVisibleString = "VISIBLE STRING";

PageBehaviour Behaviour() {
    PageBehaviour b;
    b.fixedList = true;  // its rows come from its list file, never from a project
    b.savesRows = false;
    return b;
}

}  // namespace

CDriverProterty::CDriverProterty(AppContext& context)
    : ParameterPage(context, "DriverProperty", kPageId, Behaviour()) {
    if (context.dpiX == kStandardDpi) {
        SetColumnWidths(150, 260, 80);
    } else {
        SetColumnWidths(200, 320, 90);
    }
}

bool CDriverProterty::ShowValue(std::int32_t value, ObjectKey key) {
    const auto facts = ValueConversion::FindRow(*List(), key);
    if (QString::fromStdString(facts.dataType).toUpper() != kVisibleString) {
        return ParameterPage::ShowValue(value, key);
    }
    // The start of a segmented upload: fetch the text before the pass goes on.
    segmentText_.clear();
    segmentToggle_ = link::kCmdSegment;
    context_.Link().SubmitRequest(Id(), segmentToggle_, key, 0);
    return false;
}

void CDriverProterty::OnSegment(ObjectKey key) {
    std::array<std::uint8_t, 7> data{};
    int count = 0;
    bool last = false;
    context_.Link().GetSegmentData(data, count, last);
    count = std::clamp(count, 0, static_cast<int>(data.size()));
    segmentText_.append(reinterpret_cast<const char*>(data.data()),
                        static_cast<std::size_t>(count));
    if (!last) {
        segmentToggle_ =
            segmentToggle_ == link::kCmdSegment ? link::kCmdSegmentToggle : link::kCmdSegment;
        context_.Link().SubmitRequest(Id(), segmentToggle_, key, 0);
        return;
    }
    if (int row = RowOfKey(key); row >= 0) {
        List()->SetText(row, kColumnValue, QString::fromStdString(Gb18030ToUtf8(segmentText_)));
    }
    ContinueReadPass();
}

}  // namespace morlo::gui
