#include "LinkPageCommon.h"

namespace morlo::gui {

QString LinkButtonIcon(bool open) {
    return open ? ":/icons/icon204.svg" : ":/icons/icon203.svg";
}

}  // namespace morlo::gui
