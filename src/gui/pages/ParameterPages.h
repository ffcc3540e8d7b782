#pragma once

#include "PageTable.h"
#include "ParameterPage.h"

namespace morlo::gui {

// The members of the page family. Most differ only by their page name and number.
#define MORLO_FAMILY_PAGE(Class, Name, Id)                                        \
    class Class final : public ParameterPage {                                    \
      public:                                                                     \
        explicit Class(AppContext& context) : ParameterPage(context, Name, Id) {} \
    }

MORLO_FAMILY_PAGE(CBaseOperate, "BasicOperate", 2);
MORLO_FAMILY_PAGE(CPositCircle, "PositionLoop", 3);
MORLO_FAMILY_PAGE(CSpeedCircle, "VelocityLoop", 4);
MORLO_FAMILY_PAGE(CCurrentCircle, "CurrentLoop", 5);
MORLO_FAMILY_PAGE(CAnalogInput, "AnalogInput", 7);
MORLO_FAMILY_PAGE(CSpeedMode, "AnalogVelocityMode", 9);
MORLO_FAMILY_PAGE(CSpeedPhaseMode, "multiVelocityMode", 10);
MORLO_FAMILY_PAGE(CTorqueMode, "AnalogTorqueMode", 11);
MORLO_FAMILY_PAGE(CPulseMode, "PulseMode", 12);
MORLO_FAMILY_PAGE(CAutoSeverseMode, "AutoReverse", 13);
MORLO_FAMILY_PAGE(CPositionMode, "MultiPositionMode", 14);
MORLO_FAMILY_PAGE(CHomingMode, "HomingMode", 15);
MORLO_FAMILY_PAGE(CAutoJudgeMode, "AutoTuning", 16);
MORLO_FAMILY_PAGE(CDrvCfg, "DriverConfig", 17);

#undef MORLO_FAMILY_PAGE

// Input function configuration: never takes its rows from an opened project.
class CFuncConfig final : public ParameterPage {
  public:
    explicit CFuncConfig(AppContext& context);
};

// Error history: a fixed list of the drive's error log.
class CErrorGroup final : public ParameterPage {
  public:
    explicit CErrorGroup(AppContext& context);
};

// Motor configuration: deleting leaves the numbers of the remaining rows as they are.
class CMotorParam final : public ParameterPage {
  public:
    explicit CMotorParam(AppContext& context);
};

// Control panel pages with a fixed list numbered from 0; CDrvPanelF002 serves the panel F002
// and the CAN process-data pages under the name the main frame gives it.
class CDrvPanelF000 final : public ParameterPage {
  public:
    explicit CDrvPanelF000(AppContext& context);
};
class CDrvPanelF002 final : public ParameterPage {
  public:
    explicit CDrvPanelF002(AppContext& context);
};
class CDrvPanelF003 final : public ParameterPage {
  public:
    explicit CDrvPanelF003(AppContext& context);
};
class CDrvPanelF004 final : public ParameterPage {
  public:
    explicit CDrvPanelF004(AppContext& context);
};
class CDrvPanelF005 final : public ParameterPage {
  public:
    explicit CDrvPanelF005(AppContext& context);
};

// The page of a page kind of the family, or null for other kinds.
CPageView* MakeParameterPage(const PageKind& kind, AppContext& context);

}  // namespace morlo::gui
