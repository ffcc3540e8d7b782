#pragma once

#include <QSize>
#include <optional>
#include <vector>

namespace morlo::gui {

// Slots of the main frame that hold pages without a PageId.
namespace slot {
inline constexpr int kDataDictionary = -1;
inline constexpr int kExportDriveData = -2;
inline constexpr int kImportDriveData = -3;
inline constexpr int kLinkType = -4;
inline constexpr int kSerialSettings = -5;
inline constexpr int kCanSettings = -6;
inline constexpr int kDataInOut = 6;
inline constexpr int kOscilloscope = 18;
inline constexpr int kRealtimeError = 19;
inline constexpr int kErrorHistory = 20;
inline constexpr int kPdoOther = 21;
inline constexpr int kLastPanelF002Page = 37;  // TPDO8
inline constexpr int kPanelF001 = 39;
inline constexpr int kPanelF002 = 40;
inline constexpr int kPanelF007 = 44;
inline constexpr int kFirstPageId = 2;
inline constexpr int kLastPageId = 46;
}  // namespace slot

// How a page window takes its place and size.
enum class PageGeometry {
    List,        // the list-page rule, from the column widths
    Fixed,       // fixed size, at the restore position when one is set
    FixedPlace,  // fixed size and place
    Oscilloscope,
};

// One kind of page window of the main frame.
struct PageKind {
    int command;           // the menu command that opens it
    int slot;              // its PageId (2..46), or one of slot::k*
    const char* title;     // Chinese title; the English one comes from the translation
    const char* pageName;  // the default object list of a list page ("" for the others)
    PageGeometry geometry;
    int x;
    int y;
    QSize size96;     // at 96 dpi
    QSize sizeOther;  // at any other resolution
};

// Every page kind, in the order of the PageIds.
const std::vector<PageKind>& PageKinds();
const PageKind* PageKindOfCommand(int command);
const PageKind* PageKindOfSlot(int slot);
// The CAN process-data pages and F002: one page class under names the main frame gives.
bool IsPanelF002Slot(int slot);

// The title context used for translating page titles.
inline constexpr const char* kPageTitleContext = "PageTitle";

}  // namespace morlo::gui
