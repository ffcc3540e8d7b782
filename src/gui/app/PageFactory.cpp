#include "PageFactory.h"

#include "CCommCan.h"
#include "CCommMode.h"
#include "CCommRs232.h"
#include "CDataInOut.h"
#include "CDrvPanelF001.h"
#include "CDrvPanelF007.h"
#include "CDriverOscillo.h"
#include "CExportDrvData.h"
#include "CImportDrvData.h"
#include "CPageView.h"
#include "CRealtimeError.h"
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
        case slot::kDataInOut:
            return new CDataInOut(context);
        case slot::kRealtimeError:
            return new CRealtimeError(context);
        case slot::kPanelF001:
            return new CDrvPanelF001(context);
        case slot::kPanelF007:
            return new CDrvPanelF007(context);
        case slot::kOscilloscope:
            return new CDriverOscillo(context);
        case slot::kExportDriveData:
            return new CExportDrvData(context);
        case slot::kImportDriveData:
            return new CImportDrvData(context);
        default:
            if (CPageView* page = MakeParameterPage(kind, context)) {
                return page;
            }
            return new CPlaceholderPage(context);
    }
}

}  // namespace morlo::gui
