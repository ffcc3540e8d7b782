#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>

#include "transfer/DriveDataRun.h"
#include "transfer/TransferLink.h"
#include "transfer/TransferRow.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;
class QWidget;

namespace morlo::gui {

class AppContext;

// A drive-data run's timer on the user-interface thread.
class QtTransferTimer final : public transfer::TransferTimer {
  public:
    QtTransferTimer(QWidget* owner, std::function<void()> fire);
    void Start(std::chrono::milliseconds delay) override;
    void Stop() override;
    bool Pending() const;

  private:
    QTimer* timer_;
};

// A timer that, while it runs, calls lost() as soon as the link is no longer open (closed
// from the toolbar, or failed): a run then ends at once instead of waiting for its answer.
QTimer* MakeLinkWatch(QWidget* owner, const engine::ControlLink& link, std::function<void()> lost);
void WatchLink(QTimer* watch, bool on);

// One column of a drive-data list: caption and width at 96 dpi and at any other.
struct TransferColumn {
    const char* caption;
    int width96;
    int widthOther;
};

// The list of a drive-data page: report view with grid lines and full-row selection.
QTableWidget* MakeTransferList(QWidget* parent, const std::vector<TransferColumn>& columns,
                               int dpi);
// Writes the cells of a row (creating it when needed): a failed row is drawn red, one that
// differs yellow; the row's note is the tip of every cell, so that it shows wherever the list
// is scrolled.
void ShowTransferRow(QTableWidget* list, int row, const QStringList& cells,
                     transfer::RowResult result, const QString& note = QString());
// The value column of a row as the pages show it: the value, or the translated note of a row
// that was not asked or not answered.
QString ShownValueText(const transfer::TransferRow& row);
// The translated note of a row ("" for none): why it is not "True" or was not asked.
QString NoteTextOf(const transfer::TransferRow& row);
// The note column's caption and widths, the last column of both pages.
extern const TransferColumn kNoteColumn;

// Whether a run started; a closed link says so in a message (a busy run says nothing: its
// own status line shows it).
bool RunStarted(transfer::StartResult result);

// Asks the user a yes/no question (over the main window; tests answer through the context).
bool AskQuestion(const QString& text);

// The link a backup was read through, as its description names it, and the drive's node.
struct LinkDescription {
    std::string text;
    int node = 0;
};
LinkDescription DescribeLink(AppContext& context);
// "YYYY-MM-DD hh:mm:ss", local time.
std::string NowText();
// The status lines start with "no process...".
QLabel* MakeStatusLabel(QWidget* parent);
QPushButton* MakeButton(QWidget* parent, const QString& text, const char* objectName);

// Asks for a file to open or to save (the context's chooser in tests). Empty when cancelled.
// filterExtension gets the extension of the chosen filter ("cdi" or "txt").
QString ChooseTransferFile(AppContext& context, bool save, const QStringList& filters,
                           const QString& title, QString* filterExtension = nullptr);
// Asks for a file to open and reads it whole: nothing when cancelled, and "open file
// failure!!" shown when it cannot be read.
// chosenPath, when given, gets the chosen file's name.
std::optional<std::string> ReadChosenTransferFile(AppContext& context, const QString& filter,
                                                  const QString& title,
                                                  QString* chosenPath = nullptr);

}  // namespace morlo::gui
