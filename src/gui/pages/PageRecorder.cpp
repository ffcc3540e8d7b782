#include "PageRecorder.h"

#include "FsPath.h"

namespace morlo::gui {

bool PageRecorder::Start(const QString& path, std::vector<Column> columns) {
    Stop();
    std::vector<logging::LogColumn> header;
    for (const Column& column : columns) {
        header.push_back({column.name.toStdString(), column.unit.toStdString()});
    }
    if (!log_.Open(FsPath(path), std::move(header))) {
        return false;
    }
    columns_ = std::move(columns);
    path_ = path;
    collector_ = std::make_unique<logging::LogRowCollector>(log_);
    return true;
}

void PageRecorder::Stop() {
    if (collector_) {
        collector_->Flush();
    }
    collector_.reset();
    log_.Close();
    columns_.clear();
}

bool PageRecorder::Add(ObjectKey key, const QString& value, const QString& unit) {
    if (!collector_) {
        return true;
    }
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (columns_[i].key == key && columns_[i].unit == unit) {
            if (!collector_->Add(i, value.toStdString(), logging::ValueLog::Clock::now())) {
                collector_.reset();
                log_.Close();
                return false;
            }
            return true;
        }
    }
    return true;
}

bool PageRecorder::Flush() {
    if (!collector_) {
        return true;
    }
    if (!collector_->Flush()) {
        collector_.reset();
        log_.Close();
        return false;
    }
    return true;
}

}  // namespace morlo::gui
