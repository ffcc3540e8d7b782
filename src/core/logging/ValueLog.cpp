#include "logging/ValueLog.h"

#include "common/LocalTime.h"
#include "text/Csv.h"
#include "text/NumberIo.h"

namespace morlo::logging {
namespace {

constexpr const char* kHostTimeHeader = "host_time";
constexpr const char* kElapsedHeader = "elapsed_ms";
constexpr int kElapsedDecimals = 3;

std::FILE* OpenForWriting(const std::filesystem::path& file) {
#ifdef _WIN32
    return _wfopen(file.c_str(), L"wb");
#else
    return std::fopen(file.c_str(), "wb");
#endif
}

}  // namespace

ValueLog::~ValueLog() = default;

bool ValueLog::Open(const std::filesystem::path& file, std::vector<LogColumn> columns,
                    Clock::time_point start, std::chrono::system_clock::time_point wallStart) {
    Close();
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) {
        return false;
    }
    file_.reset(OpenForWriting(file));
    if (!file_) {
        return false;
    }
    columns_ = std::move(columns);
    start_ = start;
    wallStart_ = wallStart;
    std::string header = std::string(kHostTimeHeader) + ',' + kElapsedHeader;
    for (const LogColumn& column : columns_) {
        header += ',' + CsvField(column.name + " [" + column.unit + "]");
    }
    header += '\n';
    if (std::fputs(header.c_str(), file_.get()) < 0 || std::fflush(file_.get()) != 0) {
        Close();
        return false;
    }
    return true;
}

void ValueLog::Close() {
    file_.reset();
}

bool ValueLog::WriteRow(Clock::time_point at,
                        const std::vector<std::optional<std::string>>& cells) {
    if (!file_) {
        return false;
    }
    std::string line = HostTime(at) + ',' + ElapsedMilliseconds(at);
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        line += ',';
        if (i < cells.size() && cells[i]) {
            line += CsvField(*cells[i]);
        }
    }
    line += '\n';
    if (std::fputs(line.c_str(), file_.get()) < 0 || std::fflush(file_.get()) != 0) {
        Close();
        return false;
    }
    return true;
}

std::string ValueLog::HostTime(Clock::time_point at) const {
    const auto wall =
        wallStart_ + std::chrono::duration_cast<std::chrono::system_clock::duration>(at - start_);
    return LocalTimeText(wall);
}

std::string ValueLog::ElapsedMilliseconds(Clock::time_point at) const {
    const std::chrono::duration<double, std::milli> elapsed = at - start_;
    return WriteFixed(elapsed.count(), kElapsedDecimals);
}

bool LogRowCollector::Add(std::size_t column, std::string value, ValueLog::Clock::time_point at) {
    if (column >= log_.Columns().size()) {
        return true;
    }
    cells_.resize(log_.Columns().size());
    bool written = true;
    if (cells_[column]) {
        written = Flush();
        cells_.resize(log_.Columns().size());
    }
    if (!any_) {
        first_ = at;
        any_ = true;
    }
    cells_[column] = std::move(value);
    return written;
}

bool LogRowCollector::Flush() {
    if (!any_) {
        return true;
    }
    const bool written = log_.WriteRow(first_, cells_);
    cells_.assign(cells_.size(), std::nullopt);
    any_ = false;
    return written;
}

}  // namespace morlo::logging
