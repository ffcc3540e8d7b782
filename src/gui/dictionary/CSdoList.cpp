#include "CSdoList.h"

namespace morlo::gui {

CSdoList::CSdoList(AppContext& context, QWidget* parent) : CPageView(context, parent) {}

}  // namespace morlo::gui
