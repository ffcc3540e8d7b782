#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace morlo::logging {

// One column of a value log: an object's name and the unit its values are written in.
struct LogColumn {
    std::string name;
    std::string unit;
};

// A CSV log of values read from the drive, written while it is being recorded: a header
// "host_time,elapsed_ms,NAME [UNIT],...", then one line per row. Each row carries the host's
// local time and the milliseconds since the log began, both from one monotonic clock (the
// wall clock is read once, at the start), so times never go back. Every line is written
// through at once: the file can be read while the log runs.
class ValueLog {
  public:
    using Clock = std::chrono::steady_clock;

    ValueLog() = default;
    ~ValueLog();
    ValueLog(const ValueLog&) = delete;
    ValueLog& operator=(const ValueLog&) = delete;

    // Creates (or empties) the file and writes the header; false when it cannot be written.
    bool Open(const std::filesystem::path& file, std::vector<LogColumn> columns,
              Clock::time_point start = Clock::now(),
              std::chrono::system_clock::time_point wallStart = std::chrono::system_clock::now());
    bool IsOpen() const { return file_ != nullptr; }
    void Close();
    const std::vector<LogColumn>& Columns() const { return columns_; }
    Clock::time_point Start() const { return start_; }

    // One row at the instant given; a cell without a value stays empty. False when the
    // line could not be written (the log is then closed).
    bool WriteRow(Clock::time_point at, const std::vector<std::optional<std::string>>& cells);

    // The texts of a row, for tests and the faces: "2026-05-01 09:30:00.125", "12.500".
    std::string HostTime(Clock::time_point at) const;
    std::string ElapsedMilliseconds(Clock::time_point at) const;

  private:
    struct FileClose {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileClose> file_;
    std::vector<LogColumn> columns_;
    Clock::time_point start_{};
    std::chrono::system_clock::time_point wallStart_{};
};

// Collects the values of a log's columns as they arrive one by one (a page's cyclic reads):
// a value for a column that already holds one in the row being collected ends that row,
// which is then written with the instant its first value arrived.
class LogRowCollector {
  public:
    explicit LogRowCollector(ValueLog& log) : log_(log) {}
    // False when a row could not be written.
    bool Add(std::size_t column, std::string value, ValueLog::Clock::time_point at);
    // Writes the row being collected, if it holds anything.
    bool Flush();

  private:
    ValueLog& log_;
    std::vector<std::optional<std::string>> cells_;
    ValueLog::Clock::time_point first_{};
    bool any_ = false;
};

}  // namespace morlo::logging
