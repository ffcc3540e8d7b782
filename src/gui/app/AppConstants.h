#pragma once

namespace morlo::gui {

// The application's title, the caption of every message box.
inline constexpr const char* kAppTitle = "MorloServo";
inline constexpr const char* kMainFrameTitle = "TARNEX Servo";

// Commands of the main menu and the toolbar.
namespace cmd {
inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
inline constexpr int kFileSaveShortcut = 57603;
inline constexpr int kFileSave = 57604;
inline constexpr int kAbout = 57664;
inline constexpr int kExit = 57665;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;
inline constexpr int kViewRefresh = 57662;  // F5
inline constexpr int kLinkType = 1212;
inline constexpr int kLinkSettings = 1213;
inline constexpr int kPositionLoop = 1215;
inline constexpr int kVelocityLoop = 1217;
inline constexpr int kDataInOut = 1218;
inline constexpr int kAnalogInput = 1219;
inline constexpr int kAnalogVelocityMode = 1220;
inline constexpr int kVelocityPhaseMode = 1221;
inline constexpr int kAnalogTorqueMode = 1222;
inline constexpr int kPulseMode = 1223;
inline constexpr int kAutoReverse = 1224;
inline constexpr int kPositionMode = 1225;
inline constexpr int kAutoTuning = 1226;
inline constexpr int kBaseOperate = 1227;
inline constexpr int kErrorHistory = 1228;
inline constexpr int kMotorConfig = 1229;
inline constexpr int kDriverConfig = 1233;
inline constexpr int kDriverProperty = 1234;
inline constexpr int kRealtimeError = 1235;
inline constexpr int kLanguage = 1236;
inline constexpr int kPanelF001 = 1237;
inline constexpr int kPanelF003 = 1238;
inline constexpr int kPanelF004 = 1239;
inline constexpr int kPanelF005 = 1240;
inline constexpr int kPanelF007 = 1241;
inline constexpr int kPanelF002 = 1242;
inline constexpr int kExportDriveData = 1243;
inline constexpr int kImportDriveData = 1244;
inline constexpr int kFunctionConfig = 1245;
inline constexpr int kStoreDialog = 1246;
inline constexpr int kOscilloscope = 1247;
inline constexpr int kCurrentLoop = 1248;
inline constexpr int kPanelF000 = 1249;
inline constexpr int kDataDictionary = 1250;
inline constexpr int kHomingMode = 1253;
inline constexpr int kPdoOther = 1255;
inline constexpr int kRpdoFirst = 1256;  // .. 1263
inline constexpr int kTpdoFirst = 1264;  // .. 1271
// Toolbar.
inline constexpr int kToolOpenProject = 1125;
inline constexpr int kToolSaveProject = 1126;
inline constexpr int kToolOscilloscope = 1127;
inline constexpr int kToolLink = 1128;
inline constexpr int kToolDataInOut = 1129;
inline constexpr int kToolRealtimeError = 1130;
inline constexpr int kToolImportDriveData = 1131;
inline constexpr int kToolExportDriveData = 1132;
inline constexpr int kToolCascade = 1133;
inline constexpr int kToolTile = 1134;
inline constexpr int kToolSeparator = 1124;
}  // namespace cmd

// Page state commands (PageNotify).
namespace notify {
inline constexpr int kShown = 0;
inline constexpr int kHidden = 1;
inline constexpr int kRefresh = 2;
inline constexpr int kSaveProject = 3;
inline constexpr int kLinkStateChanged = 6;
}  // namespace notify

// The project file's section of page placements (after its section prefix).
inline constexpr int kPlacementSection = 1;

// Image lists of the toolbar: the state icon of the real-time error button.
inline constexpr int kImageListNeutral = 205;
inline constexpr int kImageListFault = 210;
inline constexpr int kImageListNormal = 211;

inline constexpr int kBlinkPeriodMs = 1200;
inline constexpr int kToolbarImageSize = 25;
inline constexpr int kStatusLinkPaneId = 59140;

// The drive's statusword, read cyclically by the main frame.
inline constexpr int kStatuswordKey = 0x604100;
inline constexpr int kStatuswordFaultBit = 0x8;

// Message texts.
namespace msg {
inline constexpr const char* kOffline = "The connecting mode is Offline!!";
inline constexpr const char* kSimulatedMode =
    "The connecting mode is the simulated drive: it needs no settings.";
inline constexpr const char* kOpenComFailed = "open COM port failure! comm setting might wrong! \n";
inline constexpr const char* kOpenCanFailed = "open CAN port failure! comm setting might wrong! \n";
inline constexpr const char* kNotFindDriver = "Not Find Driver! Please Check...";
inline constexpr const char* kToolbarUpdateError = "Toolbar Update is Error!!";
inline constexpr const char* kLoadEnglishFailed = "Load EN.dll resource failure!\n  System exit!\n";
inline constexpr const char* kChineseUnsupported =
    "Your computer OS doesn't support the Chinese version. \r\n Seting is non-effective!!";
inline constexpr const char* kLinkClosedPane = "Comm Status: Closed";
inline constexpr const char* kSerialPageOpenFailed = "open COM port failure!! \n";
inline constexpr const char* kPcanLoadFailed = "Open PCAN_USB failure!!";
inline constexpr const char* kNoPcanDriver = "Your PC doesn't have Peak CAN-USB driver!! ";
}  // namespace msg

}  // namespace morlo::gui
