#include "PageFactory.h"

#include "CCommCan.h"
#include "CCommMode.h"
#include "CCommRs232.h"
#include "CDriverOscillo.h"
#include "CPageView.h"
#include "CSdoList.h"
#include "ParameterPages.h"

namespace morlo::gui {

CPageView* MakeDefaultPage(const PageKind& kind, AppContext& context) {
    switch (kind.slot) {
        case slot::kLinkType:
            return new CCommMode(context);
        case slot::kSerialSettings:
            return new CCommRs232(context);
        case slot::kCanSettings:
            return new CCommCan(context);
        case slot::kDataDictionary:
            return new CSdoList(context);
        case slot::kOscilloscope:
            return new CDriverOscillo(context);
        default:
            if (CPageView* page = MakeParameterPage(kind, context)) {
                return page;
            }
            return new CPlaceholderPage(context);
    }
}

}  // namespace morlo::gui
