#pragma once

#include "PageTable.h"

namespace morlo::gui {

class AppContext;
class CPageView;

// The view of a page kind: the link pages here; every page that is not built yet shows
// an empty window of its title and size.
CPageView* MakeDefaultPage(const PageKind& kind, AppContext& context);

}  // namespace morlo::gui
