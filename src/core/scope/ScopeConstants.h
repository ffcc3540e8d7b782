#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "common/ObjectKey.h"

// The drive's signal recorder (object 0x2300) and the oscilloscope built on it, named once.
namespace morlo::scope {

inline constexpr int kChannelCount = 4;
inline constexpr int kSlotCount = 6;  // 01-04 one per channel, 05 and 06 one per pair

// ---- Recorder object ---------------------------------------------------------------------------

inline constexpr std::int32_t kRecorderIndex = 0x2300;
inline constexpr ObjectKey kRecorderSlot1 = MakeObjectKey(kRecorderIndex, 0x01);
inline constexpr ObjectKey kRecorderSlot2 = MakeObjectKey(kRecorderIndex, 0x02);
inline constexpr ObjectKey kRecorderSlot3 = MakeObjectKey(kRecorderIndex, 0x03);
inline constexpr ObjectKey kRecorderSlot4 = MakeObjectKey(kRecorderIndex, 0x04);
inline constexpr ObjectKey kRecorderWideA = MakeObjectKey(kRecorderIndex, 0x05);  // channel 1 or 2
inline constexpr ObjectKey kRecorderWideB = MakeObjectKey(kRecorderIndex, 0x06);  // channel 3 or 4
inline constexpr ObjectKey kRecorderState = MakeObjectKey(kRecorderIndex, 0x07);
inline constexpr ObjectKey kRecorderPeriod = MakeObjectKey(kRecorderIndex, 0x08);
inline constexpr ObjectKey kRecorderPointerOffset = MakeObjectKey(kRecorderIndex, 0x09);
inline constexpr ObjectKey kRecorderSamples = MakeObjectKey(kRecorderIndex, 0x0A);
inline constexpr ObjectKey kRecorderEdge = MakeObjectKey(kRecorderIndex, 0x0B);
inline constexpr ObjectKey kRecorderTriggerObject = MakeObjectKey(kRecorderIndex, 0x0C);
inline constexpr ObjectKey kRecorderTriggerLevel = MakeObjectKey(kRecorderIndex, 0x0D);
// Index (from 0) of the sample the record triggered at, once the record is complete: below
// the pointer offset when the trigger came before the pre-trigger samples were complete.
inline constexpr ObjectKey kRecorderTriggerPosition = MakeObjectKey(kRecorderIndex, 0x0F);
inline constexpr ObjectKey kRecorderRecord = MakeObjectKey(kRecorderIndex, 0x10);

// Slot n (0-based) is subindex n + 1.
inline constexpr std::array<ObjectKey, kSlotCount> kRecorderSlots{
    kRecorderSlot1, kRecorderSlot2, kRecorderSlot3, kRecorderSlot4, kRecorderWideA, kRecorderWideB};
inline constexpr int kWideSlotA = 4;  // slot indices of the wide slots
inline constexpr int kWideSlotB = 5;

// The reads of the read-back sequence, steps 1 to 13.
inline constexpr std::array<ObjectKey, 13> kReadBackOrder{
    kRecorderPeriod,        kRecorderPointerOffset, kRecorderSamples, kRecorderEdge,
    kRecorderTriggerObject, kRecorderTriggerLevel,  kRecorderSlot1,   kRecorderSlot2,
    kRecorderSlot3,         kRecorderSlot4,         kRecorderWideA,   kRecorderWideB,
    kRecorderSamples};
inline constexpr int kReadBackFirstStep = 1;
inline constexpr int kReadBackSlotsStep = 7;     // after a channel was switched on
inline constexpr int kReadBackSamplesStep = 13;  // after the number of samples was written
inline constexpr int kReadBackClosed = 14;

// Recorder state: written 1 to start; read 0 when the record is complete, 1-3 while capturing.
inline constexpr std::int32_t kRecorderStartValue = 1;
inline constexpr std::int32_t kRecorderComplete = 0;
inline constexpr std::int32_t kRecorderBusyFirst = 1;
inline constexpr std::int32_t kRecorderBusyLast = 3;

// ---- MappingValue: key << 8 | size code (bit width, plus 1 when signed) -------------------------

inline constexpr int kMappingKeyShift = 8;
inline constexpr std::uint32_t kSizeCodeMask = 0xFF;
inline constexpr std::uint32_t kSignedBit = 0x01;
inline constexpr int kWideBits = 32;

// ---- Capture cycle ----------------------------------------------------------------------------

inline constexpr int kPollTimer = 1;
inline constexpr int kRestartTimer = 2;
// Watches the link while a capture runs or requests wait for it: a link that closed (or was
// opened anew) ends the capture, a link another window held is used again once it is free.
inline constexpr int kLinkWatchTimer = 3;
inline constexpr std::chrono::milliseconds kPollPeriod{1000};
inline constexpr std::chrono::milliseconds kRestartPeriod{1000};
inline constexpr std::chrono::milliseconds kLinkWatchPeriod{1000};

inline constexpr std::size_t kSegmentBytes = 7;
// A record this short may come in the read's answer itself (expedited).
inline constexpr std::size_t kExpeditedBytes = 4;
// The record buffer starts at the drive family's 8192 bytes and grows up to this.
inline constexpr std::size_t kRecordBufferInitial = 8192;
inline constexpr std::size_t kRecordBufferLimit = 1024 * 1024;
// A drive that refuses the read of the number of samples is asked this often again.
inline constexpr int kSamplesReReadLimit = 3;

// Status animations: the waiting counter grows per poll, the reading counter per segment.
inline constexpr int kWaitingStep = 10;
inline constexpr int kWaitingWrap = 100;
inline constexpr int kWaitingTextEvery = 20;
inline constexpr int kReadingWrap = 150;
inline constexpr int kReadingTextEvery = 30;

// ---- Time ---------------------------------------------------------------------------------------

inline constexpr double kPeriodUnitMicroseconds = 62.5;
inline constexpr std::int32_t kPeriodMicrosecondsUpTo = 15;  // up to 15 units: "us"
inline constexpr std::int32_t kPeriodSecondsFrom = 16000;    // from 1 s on: "s", else "ms"

// ---- Files --------------------------------------------------------------------------------------

// Types of the export dialog, by extension (compared exactly).
inline constexpr const char* kExtensionCsv = "csv";
inline constexpr const char* kExtensionText = "txt";
inline constexpr const char* kExtensionBitmap = "bmp";
inline constexpr const char* kExtensionPng = "png";

// The text data file: one section, the keys in the order they are written.
inline constexpr const char* kFileSection = "oscilloscope";
inline constexpr const char* kKeyTime = "time";
inline constexpr const char* kKeyOffset = "offset";
inline constexpr const char* kKeyNumber = "number";
inline constexpr const char* kKeyTriggerItem = "trigger item";
inline constexpr const char* kKeyTriggerItemValue = "trigger item value";
inline constexpr const char* kKeyTriggerLevel = "trigger collect value";
inline constexpr const char* kKeyTriggerUnit = "trigger collect unit";
inline constexpr const char* kKeyContinuous = "continue";
// Channel keys are "ch<n> " + one of these.
inline constexpr const char* kKeyCheck = "check";
inline constexpr const char* kKeyItem = "item";
inline constexpr const char* kKeyScale = "scale";
inline constexpr const char* kKeyChannelOffset = "offset";
inline constexpr const char* kKeyCoefficient = "unit coef";
inline constexpr const char* kKeyUnit = "unit";
inline constexpr const char* kKeyAuto = "auto";
// Written after those, so that a capture describes itself; import does not need them.
inline constexpr const char* kKeyCaptured = "captured";
inline constexpr const char* kKeyDeviceName = "device name";
inline constexpr const char* kKeySoftwareVersion = "software version";
inline constexpr const char* kKeyLink = "link";
inline constexpr const char* kKeyName = "name";
inline constexpr const char* kKeyUnitText = "unit text";
inline constexpr int kFileDecimals = 6;
// An import never makes more samples per channel than the largest record holds.
inline constexpr std::size_t kImportSamplesLimit = kRecordBufferLimit / 2;

// The drive's identity, read after a capture for its description (texts).
inline constexpr ObjectKey kDeviceNameKey = MakeObjectKey(0x1008, 0x00);
inline constexpr ObjectKey kSoftwareVersionKey = MakeObjectKey(0x100A, 0x00);

// Bitmaps: 14-byte file header, 40-byte info header, no palette for 24 and 32 bits.
inline constexpr std::uint16_t kBitmapType = 0x4D42;  // "BM"
inline constexpr std::uint32_t kBitmapFileHeaderBytes = 14;
inline constexpr std::uint32_t kBitmapInfoHeaderBytes = 40;

// ---- Message texts ------------------------------------------------------------------------------

inline constexpr const char* kMsgChannelItemNoMemory = "[Channel Item]No Free Memory!!\n";
inline constexpr const char* kMsgTriggerItemNoMemory = "[Triggger condition]No Free Memory!!\n";
inline constexpr const char* kMsgAreaRectNull = "m_pAreaRect is null! \n";
inline constexpr const char* kMsgCurveNoMemory = "[Curve line] Alloc memory failure!!! \n";
inline constexpr const char* kMsgOpenFileFailure = "open file failure!! \n";
inline constexpr const char* kMsgLinkNotOpen = "Comm port isn't Open!";

}  // namespace morlo::scope
