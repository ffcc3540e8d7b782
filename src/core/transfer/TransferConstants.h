#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "common/ObjectKey.h"

// Objects, values, timings and texts of the drive-data runs, named once.
namespace morlo::transfer {

// ---- Drive objects -----------------------------------------------------------------------------

inline constexpr ObjectKey kStoreControlKey = MakeObjectKey(0x2FF0, 0x01);
inline constexpr ObjectKey kStoreMotorKey = MakeObjectKey(0x2FF0, 0x03);
inline constexpr ObjectKey kRestartKey = MakeObjectKey(0x2FFF, 0x00);
// The texts that say which drive a backup came from.
inline constexpr ObjectKey kDeviceNameKey = MakeObjectKey(0x1008, 0x00);
inline constexpr ObjectKey kHardwareVersionKey = MakeObjectKey(0x1009, 0x00);
inline constexpr ObjectKey kSoftwareVersionKey = MakeObjectKey(0x100A, 0x00);
// Asked until a restarted drive answers again: the statusword, which every drive has.
inline constexpr ObjectKey kProbeKey = MakeObjectKey(0x6041, 0x00);
inline constexpr std::int32_t kStoreValue = 1;
inline constexpr std::int32_t kInitialiseValue = 10;
inline constexpr std::int32_t kRestartValue = 0xAA55;

// ---- Drive-data keys (IIIISSLL) and files -------------------------------------------------------

inline constexpr int kKeySizeShift = 8;  // the ObjectKey is the key without its size byte
inline constexpr std::uint32_t kKeySizeMask = 0xFF;
// Pieces the readers take from a line (a longer line gives more pieces).
inline constexpr std::size_t kObjectListPiece = 23;
inline constexpr std::size_t kDriveDataPiece = 255;
inline constexpr const char* kLineEnd = "\r\n";
inline constexpr const char* kUnknownName = "? ? ? ?";
inline constexpr const char* kDriveDataExtension = "cdi";
inline constexpr const char* kTextExtension = "txt";
inline constexpr const char* kTemporarySuffix = ".tmp";
// The description beside a drive-data file: NAME.cdi.ini.
inline constexpr const char* kSidecarSuffix = ".ini";

// Row results as shown and saved.
inline constexpr const char* kResultTrue = "True";
inline constexpr const char* kResultAlarm = "Alarm";
inline constexpr const char* kResultFail = "Fail";

// ---- Timings -----------------------------------------------------------------------------------

// The store sequence: before the motor store, before the control store, before it ends.
inline constexpr std::chrono::milliseconds kStoreFirstWait{50};
inline constexpr std::chrono::milliseconds kStoreSecondWait{200};
inline constexpr std::chrono::milliseconds kStoreFinalWait{800};
// Longest wait for one answer: three tries of the link time-out, one exchange ahead of ours,
// and room to spare. A run whose answer does not come in this time ends as unanswered.
inline constexpr std::chrono::milliseconds kAnswerLimit{5000};
// While waiting for a restarting drive: how often it is asked, and for how long at most.
inline constexpr std::chrono::milliseconds kProbeInterval{700};
inline constexpr std::chrono::milliseconds kDriveBackLimit{15000};

// ---- Texts of the pages (the same in every language) -------------------------------------------

inline constexpr const char* kStatusIdle = "no process...";
inline constexpr const char* kStatusLoadStart = "Start export data...";
inline constexpr const char* kStatusLoadEnd = "Export data finish.";
inline constexpr const char* kStatusReadStart = "Start read data...";
inline constexpr const char* kStatusWriteStart = "Start write data...";
inline constexpr const char* kStatusSaveStart = "Start save data...";
inline constexpr const char* kStatusSaveEnd = "save finished.";
inline constexpr const char* kStatusStoreStart = "Driver save ...";
inline constexpr const char* kStatusStoreEnd = "Finish.";
inline constexpr const char* kMsgLinkNotOpen = "Comm port isn't Open!";
inline constexpr const char* kMsgOpenFileFailed = "open file failure!! \n";
// After the file's name: a file with no row that can be written or compared.
inline constexpr const char* kMsgNoUsableRow = " holds no usable row";

// File dialogs.
inline constexpr const char* kObjectListFilter = "Files(*.cdo)";
inline constexpr const char* kDriveDataFilter = "Files(*.cdi)";
inline constexpr const char* kTextFilter = "Files(*.txt)";
inline constexpr const char* kObjectListTitle = "Choosing upload file";
inline constexpr const char* kDriveDataTitle = "Choosing load data file";
inline constexpr const char* kSaveTitle = "write save file name without extend file name";
inline constexpr const char* kProposalName = "name";

}  // namespace morlo::transfer
