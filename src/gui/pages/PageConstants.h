#pragma once

#include <QColor>
#include <array>
#include <cstdint>

#include "common/ObjectKey.h"

// Objects, icons, colours and texts of the pages that are not lists of objects: the digital
// I/O form, the real-time errors, the display item (F001) and the error log (F007).
namespace morlo::gui::page {

// ---- Digital I/O (index 0x2010) ------------------------------------------------------------

inline constexpr int kInputCount = 8;
inline constexpr int kOutputCount = 7;
inline constexpr int kDataInOutPageId = 6;

inline constexpr ObjectKey kInputPolarity = MakeObjectKey(0x2010, 0x01);
inline constexpr ObjectKey kInputSimulation = MakeObjectKey(0x2010, 0x02);
inline constexpr ObjectKey kInputStates = MakeObjectKey(0x2010, 0x0A);
inline constexpr ObjectKey kVirtualInputStates = MakeObjectKey(0x2010, 0x0B);
inline constexpr ObjectKey kOutputPolarity = MakeObjectKey(0x2010, 0x0D);
inline constexpr ObjectKey kOutputSimulation = MakeObjectKey(0x2010, 0x0E);
inline constexpr ObjectKey kOutputStates = MakeObjectKey(0x2010, 0x14);
// Function words of DIN1..DIN8 and DOUT1..DOUT7.
inline constexpr std::array<ObjectKey, kInputCount> kInputFunctions{
    MakeObjectKey(0x2010, 0x03), MakeObjectKey(0x2010, 0x04), MakeObjectKey(0x2010, 0x05),
    MakeObjectKey(0x2010, 0x06), MakeObjectKey(0x2010, 0x07), MakeObjectKey(0x2010, 0x08),
    MakeObjectKey(0x2010, 0x09), MakeObjectKey(0x2010, 0x1D)};
inline constexpr std::array<ObjectKey, kOutputCount> kOutputFunctions{
    MakeObjectKey(0x2010, 0x0F), MakeObjectKey(0x2010, 0x10), MakeObjectKey(0x2010, 0x11),
    MakeObjectKey(0x2010, 0x12), MakeObjectKey(0x2010, 0x13), MakeObjectKey(0x2010, 0x1E),
    MakeObjectKey(0x2010, 0x1F)};
// The order of the page's read sequence (22 reads).
inline constexpr std::array<ObjectKey, 22> kDataInOutReadOrder{
    kInputStates,        kVirtualInputStates, kInputPolarity,      kInputSimulation,
    kInputFunctions[0],  kInputFunctions[1],  kInputFunctions[2],  kInputFunctions[3],
    kInputFunctions[4],  kInputFunctions[5],  kInputFunctions[6],  kInputFunctions[7],
    kOutputStates,       kOutputPolarity,     kOutputSimulation,   kOutputFunctions[0],
    kOutputFunctions[1], kOutputFunctions[2], kOutputFunctions[3], kOutputFunctions[4],
    kOutputFunctions[5], kOutputFunctions[6]};

// A function word: input-type functions in bits 0..14, or this bit plus output-type ones.
inline constexpr std::uint16_t kOutputFunctionFlag = 0x8000;
inline constexpr std::uint16_t kFunctionBits = 0x7FFF;
inline constexpr int kFunctionBitCount = 15;

// The function name file (data folder) and its sections; keys are the language prefix and
// the code in four hexadecimal digits.
inline constexpr const char* kFunctionNameFile = "DataInOut.ini";
inline constexpr const char* kFunctionSectionIn = "in";
inline constexpr const char* kFunctionSectionOut = "out";
inline constexpr const char* kFunctionPrefixChinese = "ch";
inline constexpr const char* kFunctionPrefixEnglish = "en";
inline constexpr std::size_t kFunctionNameBuffer = 256;
// The tip of a function text.
inline const QColor kFunctionTipBackground{250, 250, 210};

// ---- Real-time errors ------------------------------------------------------------------------

inline constexpr ObjectKey kErrorMask = MakeObjectKey(0x2600, 0x00);
inline constexpr ObjectKey kErrorState = MakeObjectKey(0x2601, 0x00);
inline constexpr int kErrorBitCount = 16;

// ---- Display item (F001) ---------------------------------------------------------------------

inline constexpr int kPanelF001PageId = 39;
inline constexpr ObjectKey kDisplayItem = MakeObjectKey(0x2FF0, 0x04);
inline constexpr const char* kDisplayItemSection = "F001";
inline constexpr std::size_t kDisplayItemBuffer = 32;
inline constexpr std::uint32_t kSignLimit8 = 0x80;
inline constexpr std::uint32_t kSignModulus8 = 0x100;
inline constexpr std::uint32_t kSignLimit16 = 0x8000;
inline constexpr std::uint32_t kSignModulus16 = 0x10000;

// ---- Error log (F007) ------------------------------------------------------------------------

inline constexpr std::int32_t kErrorLogFirstIndex = 0x2610;  // record 0, the newest
inline constexpr int kErrorLogRecords = 8;
inline constexpr std::int32_t kErrorLogCode = 0x01;
inline constexpr std::int32_t kErrorLogTime = 0x07;

// ---- Icons (resources/icons) -----------------------------------------------------------------

inline constexpr int kIconLampOff = 205;
inline constexpr int kIconFlagSet = 206;
inline constexpr int kIconFlagClear = 207;
inline constexpr int kIconLampFault = 210;
inline constexpr int kIconLampOn = 211;

// ---- Texts -----------------------------------------------------------------------------------

inline constexpr const char* kMsgSettingWrong = "Your setting is wrong!!";
inline constexpr const char* kDisplayValuePlaceholder = "Value...";

}  // namespace morlo::gui::page
