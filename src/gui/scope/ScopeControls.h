#pragma once

#include <array>

// The controls of the oscilloscope page, by their numbers (also their object names).
namespace morlo::gui::ctl {

inline constexpr int kPeriod = 1146;
inline constexpr int kPeriodTime = 1179;
inline constexpr int kPointerOffset = 1147;
inline constexpr int kSamples = 1148;
inline constexpr int kTrigger = 1153;
inline constexpr int kTriggerPick = 1094;
inline constexpr int kEdge = 1171;
inline constexpr int kLevel = 1150;
inline constexpr int kTriggerUnit = 1138;
inline constexpr std::array<int, 4> kChannelCheck{1109, 1110, 1111, 1112};
inline constexpr std::array<int, 4> kChannelItem{1149, 1165, 1159, 1163};
inline constexpr std::array<int, 4> kChannelPick{1095, 1096, 1097, 1098};
inline constexpr std::array<int, 4> kScale{1154, 1156, 1160, 1164};
inline constexpr std::array<int, 4> kScaleSpin{1187, 1190, 1191, 1194};
inline constexpr std::array<int, 4> kOffset{1167, 1168, 1169, 1170};
inline constexpr std::array<int, 4> kOffsetSpin{1195, 1196, 1197, 1198};
inline constexpr std::array<int, 4> kUnit{1152, 1158, 1162, 1166};
inline constexpr std::array<int, 4> kAuto{1119, 1120, 1184, 1151};
inline constexpr int kStart = 1090;
inline constexpr int kReRead = 1099;
inline constexpr int kContinuous = 1199;
inline constexpr int kStatus = 1172;
inline constexpr int kImport = 1092;
inline constexpr int kExport = 1093;
inline constexpr int kRefreshCurves = 1091;
inline constexpr int kCursor2Slider = 1173;
inline constexpr int kCursor1Slider = 1174;
inline constexpr std::array<int, 3> kCursorMode{1175, 1176, 1177};
inline constexpr int kCursorChannel = 1180;
inline constexpr int kTimeHeader = 1182;
inline constexpr int kDataHeader = 1183;
inline constexpr int kCursor1Time = 1181;
inline constexpr int kCursor1Value = 1185;
inline constexpr int kCursor2Time = 1188;
inline constexpr int kCursor2Value = 1189;
inline constexpr int kTimeDifference = 1192;
inline constexpr int kValueDifference = 1193;

// Beyond the drive family's page: trigger marks, measurements, references, spectrum, view.
inline constexpr int kTimeFromTrigger = 2001;
inline constexpr int kKeepReference = 2002;
inline constexpr int kImportReference = 2003;
inline constexpr int kRemoveReference = 2004;
inline constexpr int kReferenceList = 2005;
inline constexpr int kViewBack = 2006;
inline constexpr int kViewReset = 2007;
inline constexpr int kSpectrum = 2008;
inline constexpr int kExportTable = 2009;
inline constexpr int kMeasurements = 2010;
inline constexpr int kCopyMeasurements = 2011;
inline constexpr int kMeasuredSpan = 2012;

}  // namespace morlo::gui::ctl
