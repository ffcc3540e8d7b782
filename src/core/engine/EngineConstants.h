#pragma once

#include <chrono>
#include <cstdint>

namespace morlo::engine {

// Identifies a receiver of results (a page window, the main frame, a command-line reader).
// 0 is nobody.
using ReceiverId = std::uint32_t;
inline constexpr ReceiverId kNoReceiver = 0;

// Messages the control link sends to receivers (the numbers of the window messages).
inline constexpr int kWmUser = 0x400;
inline constexpr int kMsgValue = kWmUser + 1;         // wParam value, lParam key
inline constexpr int kMsgOpenToolPage = kWmUser + 2;  // to the main frame
inline constexpr int kMsgPageNotify = kWmUser + 3;    // page state command
inline constexpr int kMsgLinkState = kWmUser + 4;     // wParam 1 confirmed, 0 lost or closed
inline constexpr int kMsgObjectChosen = kWmUser + 5;  // lParam key
inline constexpr int kMsgSegment = kWmUser + 6;       // lParam key
inline constexpr int kMsgAbort = kWmUser + 7;         // wParam abort code, lParam key
inline constexpr int kMsgCellEdited = kWmUser + 8;    // wParam row, lParam column
inline constexpr int kMsgRestoreMove = kWmUser + 9;
inline constexpr int kMsgTransferClosed = kWmUser + 10;
inline constexpr int kMsgLinkOpened = kWmUser + 11;
// A read was answered with the start of a segmented upload: the receiver asks for the
// segments (wParam the announced size or 0, lParam key).
inline constexpr int kMsgUploadStart = kWmUser + 12;
// The link failed while serving a request (no answer, only invalid answers, a segmented
// upload that lost its segments): there is no value for the key (lParam). A failure that
// closes the link is reported to the main frame as well.
inline constexpr int kMsgLinkFault = kWmUser + 13;

// LinkState values.
inline constexpr int kLinkStateNone = 0;
inline constexpr int kLinkStateOpen = 1;
inline constexpr int kLinkStateClosed = 2;

// Cyclic read modes: read-only objects, writable objects.
inline constexpr std::uint8_t kCyclicReadOnly = 1;
inline constexpr std::uint8_t kCyclicWritable = 2;

// Pauses of the control-link thread.
inline constexpr std::chrono::milliseconds kPauseLinkClosed{50};
inline constexpr std::chrono::milliseconds kPauseLastQueued{5};
inline constexpr std::chrono::milliseconds kPauseCyclicTurn{10};
inline constexpr std::chrono::milliseconds kPauseCyclicPass{30};
// Longest idle wait when there is nothing to do; any new work ends it early.
inline constexpr std::chrono::milliseconds kPauseIdle{50};
// With a CAN link open and nothing to do, the worker listens to the bus this long at a time.
inline constexpr std::chrono::milliseconds kBusListenSlice{10};

// Message texts.
inline constexpr const char* kMsgCyclicNoMemory = "Loop: No Free Memory!!\n";
inline constexpr const char* kMsgThreadCreateFailed = "Control link, create thread fail!!\n";

}  // namespace morlo::engine
