#include "PageTable.h"

#include <QtGlobal>

#include "AppConstants.h"

namespace morlo::gui {
namespace {

constexpr int kListX = 50;
constexpr int kListY = 20;

PageKind ListPage(int command, int pageId, const char* title, const char* pageName) {
    return {command, pageId, title, pageName, PageGeometry::List, kListX, kListY, {}, {}};
}

std::vector<PageKind> MakeKinds() {
    std::vector<PageKind> kinds = {
        ListPage(cmd::kBaseOperate, 2, QT_TRANSLATE_NOOP("PageTitle", "基本操作"), "BasicOperate"),
        ListPage(cmd::kPositionLoop, 3, QT_TRANSLATE_NOOP("PageTitle", "位置环"), "PositionLoop"),
        ListPage(cmd::kVelocityLoop, 4, QT_TRANSLATE_NOOP("PageTitle", "速度环"), "VelocityLoop"),
        ListPage(cmd::kCurrentLoop, 5, QT_TRANSLATE_NOOP("PageTitle", "电流环"), "CurrentLoop"),
        {cmd::kDataInOut,
         slot::kDataInOut,
         QT_TRANSLATE_NOOP("PageTitle", "I/O口"),
         "DataInOut",
         PageGeometry::Fixed,
         50,
         20,
         {450, 590},
         {550, 724}},
        ListPage(cmd::kAnalogInput, 7, QT_TRANSLATE_NOOP("PageTitle", "模拟输入"), "AnalogInput"),
        ListPage(cmd::kFunctionConfig, 8, QT_TRANSLATE_NOOP("PageTitle", "输入功能配置"),
                 "DinFunctionConfig"),
        ListPage(cmd::kAnalogVelocityMode, 9, QT_TRANSLATE_NOOP("PageTitle", "模拟速度模式"),
                 "AnalogVelocityMode"),
        ListPage(cmd::kVelocityPhaseMode, 10, QT_TRANSLATE_NOOP("PageTitle", "速度段模式"),
                 "multiVelocityMode"),
        ListPage(cmd::kAnalogTorqueMode, 11, QT_TRANSLATE_NOOP("PageTitle", "模拟力矩模式"),
                 "AnalogTorqueMode"),
        ListPage(cmd::kPulseMode, 12, QT_TRANSLATE_NOOP("PageTitle", "脉冲模式"), "PulseMode"),
        ListPage(cmd::kAutoReverse, 13, QT_TRANSLATE_NOOP("PageTitle", "自动翻转"), "AutoReverse"),
        ListPage(cmd::kPositionMode, 14, QT_TRANSLATE_NOOP("PageTitle", "位置段模式"),
                 "MultiPositionMode"),
        ListPage(cmd::kHomingMode, 15, QT_TRANSLATE_NOOP("PageTitle", "原点模式"), "HomingMode"),
        ListPage(cmd::kAutoTuning, 16, QT_TRANSLATE_NOOP("PageTitle", "自整定"), "AutoTuning"),
        ListPage(cmd::kDriverConfig, 17, QT_TRANSLATE_NOOP("PageTitle", "驱动器配置"),
                 "DriverConfig"),
        {cmd::kOscilloscope,
         slot::kOscilloscope,
         QT_TRANSLATE_NOOP("PageTitle", "示波器"),
         "",
         PageGeometry::Oscilloscope,
         0,
         0,
         {912, 615},
         {1164, 780}},
        {cmd::kRealtimeError,
         slot::kRealtimeError,
         QT_TRANSLATE_NOOP("PageTitle", "实时错误"),
         "",
         PageGeometry::Fixed,
         50,
         20,
         {310, 540},
         {345, 650}},
        ListPage(cmd::kErrorHistory, slot::kErrorHistory,
                 QT_TRANSLATE_NOOP("PageTitle", "历史错误"), "ErrorHistory"),
        ListPage(cmd::kPdoOther, slot::kPdoOther, QT_TRANSLATE_NOOP("PageTitle", "其它"),
                 "PdoOther"),
    };
    static const char* const kRpdoTitles[] = {"RPDO1", "RPDO2", "RPDO3", "RPDO4",
                                              "RPDO5", "RPDO6", "RPDO7", "RPDO8"};
    static const char* const kTpdoTitles[] = {"TPDO1", "TPDO2", "TPDO3", "TPDO4",
                                              "TPDO5", "TPDO6", "TPDO7", "TPDO8"};
    for (int i = 0; i < 8; ++i) {
        kinds.push_back(ListPage(cmd::kRpdoFirst + i, 22 + i, kRpdoTitles[i], kRpdoTitles[i]));
    }
    for (int i = 0; i < 8; ++i) {
        kinds.push_back(ListPage(cmd::kTpdoFirst + i, 30 + i, kTpdoTitles[i], kTpdoTitles[i]));
    }
    const std::vector<PageKind> rest = {
        ListPage(cmd::kPanelF000, 38, "F000", "F000"),
        {cmd::kPanelF001,
         slot::kPanelF001,
         "F001",
         "",
         PageGeometry::Fixed,
         100,
         120,
         {380, 120},
         {460, 130}},
        ListPage(cmd::kPanelF002, slot::kPanelF002, "F002", "F002"),
        ListPage(cmd::kPanelF003, 41, "F003", "F003"),
        ListPage(cmd::kPanelF004, 42, "F004", "F004"),
        ListPage(cmd::kPanelF005, 43, "F005", "F005"),
        {cmd::kPanelF007,
         slot::kPanelF007,
         "F007",
         "",
         PageGeometry::Fixed,
         50,
         20,
         {420, 270},  // wide enough for the texts of the error bits
         {490, 330}},
        {cmd::kDriverProperty,
         45,
         QT_TRANSLATE_NOOP("PageTitle", "驱动器属性"),
         "DriverProperty",
         PageGeometry::Fixed,
         50,
         20,
         {570, 240},
         {710, 280}},
        ListPage(cmd::kMotorConfig, 46, QT_TRANSLATE_NOOP("PageTitle", "电机配置"), "MotorConfig"),
        {cmd::kDataDictionary,
         slot::kDataDictionary,
         QT_TRANSLATE_NOOP("PageTitle", "数据字典"),
         "",
         PageGeometry::FixedPlace,
         50,
         20,
         {800, 460},
         {890, 580}},
        {cmd::kExportDriveData,
         slot::kExportDriveData,
         QT_TRANSLATE_NOOP("PageTitle", "读驱动器配置"),
         "",
         PageGeometry::FixedPlace,
         80,
         30,
         {530, 490},
         {650, 610}},
        {cmd::kImportDriveData,
         slot::kImportDriveData,
         QT_TRANSLATE_NOOP("PageTitle", "写驱动器配置"),
         "",
         PageGeometry::FixedPlace,
         50,
         20,
         {680, 530},
         {850, 660}},
        {cmd::kLinkType,
         slot::kLinkType,
         QT_TRANSLATE_NOOP("PageTitle", "通讯方式"),
         "",
         PageGeometry::FixedPlace,
         50,
         20,
         {300, 260},
         {370, 315}},
        {cmd::kLinkSettings,
         slot::kSerialSettings,
         QT_TRANSLATE_NOOP("PageTitle", "属性"),
         "",
         PageGeometry::FixedPlace,
         50,
         20,
         {300, 260},
         {360, 320}},
        {cmd::kLinkSettings,
         slot::kCanSettings,
         QT_TRANSLATE_NOOP("PageTitle", "属性"),
         "",
         PageGeometry::FixedPlace,
         50,
         20,
         {300, 260},
         {360, 320}},
    };
    kinds.insert(kinds.end(), rest.begin(), rest.end());
    return kinds;
}

}  // namespace

const std::vector<PageKind>& PageKinds() {
    static const std::vector<PageKind> kinds = MakeKinds();
    return kinds;
}

const PageKind* PageKindOfCommand(int command) {
    for (const auto& kind : PageKinds()) {
        if (kind.command == command) {
            return &kind;
        }
    }
    return nullptr;
}

const PageKind* PageKindOfSlot(int slotId) {
    for (const auto& kind : PageKinds()) {
        if (kind.slot == slotId) {
            return &kind;
        }
    }
    return nullptr;
}

bool IsPanelF002Slot(int slotId) {
    return (slotId >= slot::kPdoOther && slotId <= slot::kLastPanelF002Page) ||
           slotId == slot::kPanelF002;
}

}  // namespace morlo::gui
