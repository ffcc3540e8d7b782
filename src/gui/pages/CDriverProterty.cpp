#include "CDriverProterty.h"

#include "AppContext.h"
#include "EditListCtrl.h"
#include "link/UploadReader.h"
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
    const std::string text = link::ExpeditedText(static_cast<std::uint32_t>(value));
    if (facts.row >= 0) {
        List()->SetText(facts.row, kColumnValue, QString::fromStdString(Gb18030ToUtf8(text)));
    }
    return true;
}

}  // namespace morlo::gui
