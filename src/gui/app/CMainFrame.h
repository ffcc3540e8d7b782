#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <optional>

#include "GuiDispatcher.h"
#include "PageTable.h"

class QLabel;
class QToolBar;
class QAction;

namespace morlo::gui {

class AppContext;
class CChildFrame;

// The link pane's rate text of a CAN bit-timing code ("Open 500 KBit/s", or "Closed").
QString CanRateText(int code);
class CMdiBackground;
class CNetworkPane;
class CPageView;

// The program's one main window: menu, toolbar, status bar with the link state, and one
// page window per page kind, created on first use and afterwards only hidden and shown.
class CMainFrame final : public QMainWindow, public ResultReceiver {
    Q_OBJECT
  public:
    // Makes the view of a page kind (link pages, parameter pages, ...).
    using PageFactory = std::function<CPageView*(const PageKind& kind, AppContext& context)>;

    explicit CMainFrame(AppContext& context);
    ~CMainFrame() override;

    void SetPageFactory(PageFactory factory) { factory_ = std::move(factory); }

    // Shows the window where it stood when last closed (sys.ini), the first time over the
    // whole available screen area.
    void ShowAtStartPlace();
    // Runs a menu or toolbar command.
    void RunCommand(int command);
    // Reads every row of the active page again (F5, View / Refresh).
    void RefreshActivePage();
    // Opens a page window, or shows the existing one again.
    void OpenPage(int command);
    void OpenKind(const PageKind& kind);
    CChildFrame* Slot(int slot) const;
    CPageView* PageOf(int slot) const;
    void HideAllPages();
    void BroadcastToPages(int code);

    // Link on/off from the toolbar.
    void ToggleLink();
    bool OpenLinkFromFrame();

    // Notifications from other windows.
    void OnOpenToolPage(int which);  // 0 serial, 1 CAN settings; 2 data dictionary
    void OnLinkStateReport(int confirmed);
    void OnTransferClosed();
    void OnLinkOpened();
    void OnResult(const engine::Delivery& delivery) override;

    // Toolbar state icon lists: 205 neutral, 211 normal, 210 fault.
    void SelectImageList(int id);
    int ImageList() const { return imageList_; }
    int DriveFaultState() const { return driveFaultState_; }
    QString LinkPaneText() const;
    void OnBlinkTick();

    // Project restore: where the next created page goes.
    void SetRestoreRequest(std::optional<QPoint> position) { restore_ = position; }

    // Child frames ask what closing them means; true: close (destroy) the window.
    bool HandleChildClose(CChildFrame* child);
    bool HoldsPage(const CChildFrame* child) const;
    int SlotOf(const CChildFrame* child) const;
    QRect GeometryFor(const PageKind& kind) const;
    CMdiBackground* MdiArea() const { return mdi_; }
    QAction* Action(int command) const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void SavePlace();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void OnValueArrived(std::int32_t value, ObjectKey key);
    // Asks the drive for every object the dictionary's unit formulas refer to.
    void RequestUnitConstants();
    void ActivateAndNotify(int slot, int code);
    void ShowAbout();
    void ShowLanguageDialog();
    QAction* AddCommand(QMenu* menu, int command, const QString& text);

    AppContext& context_;
    engine::ReceiverId id_;
    CMdiBackground* mdi_;
    QToolBar* toolbar_ = nullptr;
    QLabel* linkPane_ = nullptr;
    CNetworkPane* networkPane_ = nullptr;
    std::map<int, QAction*> actions_;
    std::map<int, QPointer<CChildFrame>> slots_;
    PageFactory factory_;
    std::optional<QPoint> restore_;
    // The place the window started from when it was to cover the screen, and the geometry
    // that covered it: saved as the first, so that each start covers the screen again.
    QRect startNormal_;
    QRect coveredNormal_;
    int imageList_ = 0;
    int driveFaultState_ = -1;
    bool blinkOn_ = false;
};

}  // namespace morlo::gui
