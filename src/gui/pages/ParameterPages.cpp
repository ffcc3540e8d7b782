#include "ParameterPages.h"

#include <QLayout>

#include "AppContext.h"
#include "CDriverProterty.h"
#include "CEmergencyList.h"

namespace morlo::gui {
namespace {

PageBehaviour FixedPanel() {
    PageBehaviour b;
    b.fixedList = true;
    b.numberFromZero = true;
    b.savesRows = false;
    return b;
}

PageBehaviour ErrorHistory() {
    PageBehaviour b;
    b.fixedList = true;
    b.savesRows = false;
    b.readsOnlyWhenOpen = true;
    b.helpWithoutSelection = true;
    return b;
}

PageBehaviour NoProjectRows() {
    PageBehaviour b;
    b.loadsProjectRows = false;
    return b;
}

PageBehaviour Motor() {
    PageBehaviour b;
    b.readsOnlyWhenOpen = true;
    b.renumbersOnDelete = false;
    return b;
}

PageBehaviour PanelF002() {
    PageBehaviour b = FixedPanel();
    b.panelPageId = true;
    return b;
}

}  // namespace

CFuncConfig::CFuncConfig(AppContext& context)
    : ParameterPage(context, "DinFunctionConfig", 8, NoProjectRows()) {}
CErrorGroup::CErrorGroup(AppContext& context)
    : ParameterPage(context, "ErrorHistory", 20, ErrorHistory()) {
    // Below the drive's error log: the emergency messages of the CAN network.
    layout()->addWidget(new CEmergencyList(context.Network(), this));
}
CMotorParam::CMotorParam(AppContext& context)
    : ParameterPage(context, "MotorConfig", 46, Motor()) {}
CDrvPanelF000::CDrvPanelF000(AppContext& context)
    : ParameterPage(context, "F000", 38, FixedPanel()) {}
CDrvPanelF002::CDrvPanelF002(AppContext& context)
    : ParameterPage(context, context.currentPanelName, context.currentPanelPageId, PanelF002()) {}
CDrvPanelF003::CDrvPanelF003(AppContext& context)
    : ParameterPage(context, "F003", 41, FixedPanel()) {}
CDrvPanelF004::CDrvPanelF004(AppContext& context)
    : ParameterPage(context, "F004", 42, FixedPanel()) {}
CDrvPanelF005::CDrvPanelF005(AppContext& context)
    : ParameterPage(context, "F005", 43, FixedPanel()) {}

CPageView* MakeParameterPage(const PageKind& kind, AppContext& context) {
    switch (kind.slot) {
        case 2:
            return new CBaseOperate(context);
        case 3:
            return new CPositCircle(context);
        case 4:
            return new CSpeedCircle(context);
        case 5:
            return new CCurrentCircle(context);
        case 7:
            return new CAnalogInput(context);
        case 8:
            return new CFuncConfig(context);
        case 9:
            return new CSpeedMode(context);
        case 10:
            return new CSpeedPhaseMode(context);
        case 11:
            return new CTorqueMode(context);
        case 12:
            return new CPulseMode(context);
        case 13:
            return new CAutoSeverseMode(context);
        case 14:
            return new CPositionMode(context);
        case 15:
            return new CHomingMode(context);
        case 16:
            return new CAutoJudgeMode(context);
        case 17:
            return new CDrvCfg(context);
        case slot::kErrorHistory:
            return new CErrorGroup(context);
        case 38:
            return new CDrvPanelF000(context);
        case 41:
            return new CDrvPanelF003(context);
        case 42:
            return new CDrvPanelF004(context);
        case 43:
            return new CDrvPanelF005(context);
        case 45:
            return new CDriverProterty(context);
        case 46:
            return new CMotorParam(context);
        default:
            if (kind.slot >= slot::kPdoOther &&
                (kind.slot <= 37 || kind.slot == slot::kPanelF002)) {
                return new CDrvPanelF002(context);
            }
            return nullptr;
    }
}

}  // namespace morlo::gui
