#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "common/ObjectKey.h"
#include "logging/ValueLog.h"

namespace morlo::gui {

// Records the values of a page's cyclic rows into a CSV file while the page shows them: one
// line per round of reads with the host's time, every line written through at once. A value
// shown in another unit than the column's is left out rather than written under the wrong
// unit.
class PageRecorder {
  public:
    struct Column {
        ObjectKey key = 0;
        QString name;
        QString unit;
    };

    // False when the file cannot be written.
    bool Start(const QString& path, std::vector<Column> columns);
    void Stop();
    bool Recording() const { return log_.IsOpen(); }
    const QString& Path() const { return path_; }

    // A value the page showed for a row; false when the line could not be written (the
    // recording has then stopped).
    bool Add(ObjectKey key, const QString& value, const QString& unit);
    // Ends the round being collected (the page was hidden).
    bool Flush();

  private:
    logging::ValueLog log_;
    std::unique_ptr<logging::LogRowCollector> collector_;
    std::vector<Column> columns_;
    QString path_;
};

}  // namespace morlo::gui
