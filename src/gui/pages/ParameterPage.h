#pragma once

#include <QString>
#include <deque>
#include <map>

class QMenu;

#include "CPageView.h"
#include "PageRecorder.h"
#include "link/UploadReader.h"

namespace morlo::gui {

class EditListCtrl;

// Where the members of the page family differ from the family's behaviour.
struct PageBehaviour {
    bool loadsProjectRows = true;       // at creation, rows come from an opened project
    bool fixedList = false;             // rows always come from the default list file
    bool numberFromZero = false;        // row numbers start at 0
    bool savesRows = true;              // the project gets the rows, not only the placement
    bool readsOnlyWhenOpen = false;     // the first read pass starts only with the link open
    bool renumbersOnDelete = true;      // deleting renumbers the rows that remain
    bool helpWithoutSelection = false;  // "help" stays enabled with no row selected
    bool panelPageId = false;           // the page id comes from the main frame (panel pages)
};

// A page of drive objects: fills its list from the project or its default list, reads the
// values row by row, keeps cyclic values fresh while shown, writes edited values in their
// unit, and lets the user add objects from the browser, delete them and read their help.
class ParameterPage : public CPageView {
    Q_OBJECT
  public:
    ParameterPage(AppContext& context, const QString& pageName, int pageId,
                  PageBehaviour behaviour = {}, QWidget* parent = nullptr);

    void PageNotify(int code) override;
    void OnResult(const engine::Delivery& delivery) override;
    void ObjectChosen(ObjectKey key) override;

    EditListCtrl* List() const { return list_; }
    const QString& PageName() const { return pageName_; }
    int PageIdForRecords() const;
    int ReadCursor() const { return readCursor_; }
    bool Active() const { return active_; }

    // The pop-up menu of the list: "add", "del" and "help", enabled by the selection, then
    // "Record to file…" (or "Stop recording" while recording).
    QMenu* MakeContextMenu(QWidget* parent);
    // Records the values of the page's cyclic rows into a CSV file while the page shows them;
    // false, after a message, when the page has no cyclic row or the file cannot be written.
    bool StartRecording(const QString& path);
    void StopRecording();
    const PageRecorder& Recorder() const { return recorder_; }
    // Pop-up menu commands.
    void AddObject();
    void DeleteSelected();
    void ShowHelp();
    // Inserts the object at the row; false when it is listed, unknown, or a refused text.
    // With the link open the new row is read at once unless the read pass will read it.
    bool InsertObject(ObjectKey key, int row, bool allowStrings, bool readAtOnce = true);

  protected:
    // Handles a value; false when it could not be shown (the read pass then stops).
    virtual bool ShowValue(std::int32_t value, ObjectKey key);
    // A segmented upload of the row's object: started by the drive's answer, fed segment by
    // segment; texts are shown as they are, numbers as values.
    void OnUploadStart(ObjectKey key);
    void OnSegment(ObjectKey key);
    void ShowUploaded(ObjectKey key);
    // The row has no value to show ("????"); the read pass goes on.
    void ShowNoValue(ObjectKey key);
    void ContinueReadPass();
    void StartReadPass();
    int RowOfKey(ObjectKey key) const;
    void Renumber(int fromRow);
    void SetColumnWidths(int name, int value, int unit);

  private:
    void CreateColumns();
    // The read pass starts when the page is made (some pages wait for an open link).
    bool ReadsAtCreation() const;
    void FillFromDefaultList();
    bool LoadProjectRows();
    // Inserts one project row at the end; false when it cannot be used.
    bool LoadProjectRow(const QString& text);
    void ReadNextRow();
    void OnCellEdited(int row, int column);
    // Why an edit cannot reach the drive now (link closed, held by another window); empty
    // when it can.
    QString LinkRefusal() const;
    // The answer to a write of this page, if one waits for it. A value answering a refused
    // write (the object read back) sets the refusal to tell once the value is shown; a failed
    // exchange puts the last value read back and says why (true: nothing more to do).
    bool WriteAnswered(const engine::Delivery& delivery, QString& refusal);
    void HandleResult(const engine::Delivery& delivery);
    void OnContextMenu(const QPoint& globalPos);
    void SaveToProject();
    void WritePlacement();
    void RegisterCyclic(ObjectKey key, const std::string& attribute);
    // Shows the value once the unit formula's constant has arrived.
    void WaitForConstant(ObjectKey constant, ObjectKey key, std::int32_t value);

    QString pageName_;
    int pageId_;
    PageBehaviour behaviour_;
    EditListCtrl* list_;
    int readCursor_ = 0;
    bool active_ = false;
    std::map<ObjectKey, std::int32_t> waitingValues_;  // newest raw value per waiting row
    // The writes sent and not yet answered, by object, in the order sent (the drive answers
    // the writes of one object in that order), with the opening of the link they went on.
    struct PendingWrite {
        QString text;
        std::uint32_t linkGeneration;
    };
    std::map<ObjectKey, std::deque<PendingWrite>> pendingWrites_;
    link::UploadReader upload_;
    PageRecorder recorder_;
    void ChooseRecordingFile();
    void RecordShown(int row, ObjectKey key);
};

}  // namespace morlo::gui
