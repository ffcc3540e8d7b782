#include "CRealtimeError.h"

#include <QCheckBox>
#include <QIcon>
#include <QLabel>

#include "AppContext.h"
#include "ErrorBitLabels.h"
#include "link/LinkConstants.h"
#include "text/NumberIo.h"

namespace morlo::gui {
namespace {

constexpr int kStandardDpi = 96;
constexpr int kBitsPerGroup = 4;
// Where the lamps sit: in the form at 96 dpi, and where they are moved to at any other
// resolution (35 pixels square, 38 apart, groups of four 150 apart).
constexpr int kLampX = 86;
constexpr int kLampTop96 = 8;
constexpr int kLampStep96 = 28;
constexpr int kGroupStep96 = 124;
constexpr int kLampSize96 = 24;
constexpr int kLampTopOther = 16;
constexpr int kLampStepOther = 38;
constexpr int kGroupStepOther = 150;
constexpr int kLampSizeOther = 35;
constexpr int kBoxX = 10;
constexpr int kBoxWidth = 70;
constexpr int kLabelGap = 8;
constexpr int kLabelWidth96 = 180;
constexpr int kLabelWidthOther = 200;

QString BitText(int bit) {
    std::string digits = WriteHex(1u << bit);
    digits.insert(0, 4 - digits.size(), '0');
    return QString::fromStdString(digits);
}

}  // namespace

QRect CRealtimeError::LampRect(int bit, int dpi) {
    const int row = bit % kBitsPerGroup;
    const int group = bit / kBitsPerGroup;
    if (dpi == kStandardDpi) {
        return {kLampX, kLampTop96 + kLampStep96 * row + kGroupStep96 * group, kLampSize96,
                kLampSize96};
    }
    return {kLampX, kLampTopOther + kLampStepOther * row + kGroupStepOther * group, kLampSizeOther,
            kLampSizeOther};
}

CRealtimeError::CRealtimeError(AppContext& context, QWidget* parent) : CPageView(context, parent) {
    BuildControls();
    context_.Link().AddCyclic(Id(), page::kErrorState, engine::kCyclicReadOnly);
    context_.Link().AddCyclic(Id(), page::kErrorMask, engine::kCyclicReadOnly);
    for (int bit = 0; bit < page::kErrorBitCount; ++bit) {
        SetLamp(bit, page::kIconLampOn);
    }
    readStep_ = 1;
    NextStartupRead();
}

void CRealtimeError::BuildControls() {
    const bool standard = context_.dpiX == kStandardDpi;
    const int labelWidth = standard ? kLabelWidth96 : kLabelWidthOther;
    for (int bit = 0; bit < page::kErrorBitCount; ++bit) {
        const QRect lamp = LampRect(bit, context_.dpiX);
        auto* box = new QCheckBox(BitText(bit), this);
        box->setGeometry(kBoxX, lamp.y(), kBoxWidth, lamp.height());
        // All checked as for a mask of 0xFFFF, but not to be changed before the drive's mask
        // is known: a click would write guessed bits.
        box->setChecked(true);
        box->setEnabled(false);
        connect(box, &QCheckBox::clicked, this, &CRealtimeError::OnBoxClicked);
        boxes_[static_cast<std::size_t>(bit)] = box;

        auto* icon = new QLabel(this);
        icon->setGeometry(lamp);
        lamps_[static_cast<std::size_t>(bit)] = icon;

        auto* label = new QLabel(ErrorBitLabel(bit), this);
        label->setGeometry(lamp.right() + 1 + kLabelGap, lamp.y(), labelWidth, lamp.height());
        label->setWordWrap(true);
        labels_[static_cast<std::size_t>(bit)] = label;
    }
}

void CRealtimeError::SetLamp(int bit, int icon) {
    int& shown = lampIcons_[static_cast<std::size_t>(bit)];
    if (shown == icon) {
        return;
    }
    shown = icon;
    QLabel* lamp = Lamp(bit);
    lamp->setPixmap(
        QIcon(QString(":/icons/icon%1.svg").arg(icon)).pixmap(lamp->width(), lamp->height()));
}

void CRealtimeError::NextStartupRead() {
    if (readStep_ == 1) {
        context_.Link().SubmitRequest(Id(), link::kCmdRead, page::kErrorMask, 0);
        readStep_ = 2;
    } else if (readStep_ == 2) {
        context_.Link().SubmitRequest(Id(), link::kCmdRead, page::kErrorState, 0);
        readStep_ = 3;
    } else {
        readStep_ = 0;
    }
}

void CRealtimeError::OnResult(const engine::Delivery& d) {
    if (d.message != engine::kMsgValue) {
        return;  // a refused read or write is not shown; the next mask read corrects
    }
    if (d.lParam == page::kErrorMask) {
        ShowMask(static_cast<std::uint16_t>(d.wParam));
    } else if (d.lParam == page::kErrorState) {
        ShowState(static_cast<std::uint16_t>(d.wParam));
    } else {
        return;
    }
    if (readStep_ != 0) {
        NextStartupRead();
    }
}

void CRealtimeError::ShowMask(std::uint16_t mask) {
    maskValue_ = mask;
    for (int bit = 0; bit < page::kErrorBitCount; ++bit) {
        Box(bit)->setEnabled(true);
        Box(bit)->setChecked((mask & (1u << bit)) != 0);
    }
}

void CRealtimeError::ShowState(std::uint16_t state) {
    for (int bit = 0; bit < page::kErrorBitCount; ++bit) {
        SetLamp(bit, (state & (1u << bit)) != 0 ? page::kIconLampFault : page::kIconLampOn);
    }
}

void CRealtimeError::OnBoxClicked() {
    if (context_.Link().LinkState() != engine::kLinkStateOpen) {
        ShowMask(maskValue_);  // nothing can be written: the boxes keep the drive's mask
        return;
    }
    // The boxes show the drive's last mask plus the user's clicks since: that is the mask
    // written, so a click before the drive answered the last one does not undo it.
    std::uint16_t mask = 0;
    for (int i = 0; i < page::kErrorBitCount; ++i) {
        if (Box(i)->isChecked()) {
            mask = static_cast<std::uint16_t>(mask | (1u << i));
        }
    }
    pendingMask_ = mask;
    context_.Link().SubmitRequest(Id(), link::kCmdWrite16, page::kErrorMask, pendingMask_);
}

}  // namespace morlo::gui
