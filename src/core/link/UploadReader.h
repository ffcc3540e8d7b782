#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/ObjectKey.h"

namespace morlo::link {

// The receiving side of a segmented upload: which segment to ask for next, the bytes so far,
// and when the upload has ended. Pages and the command-line tool read texts (and numbers a
// drive chose to send in segments) through it.
class UploadReader {
  public:
    enum class Step { Next, Done, TooLong };

    static constexpr std::size_t kDefaultLimit = 64 * 1024;

    explicit UploadReader(std::size_t limit = kDefaultLimit) : limit_(limit) {}

    // Starts (or starts again) the upload of the key; returns the first segment command.
    std::uint8_t Start(ObjectKey key);
    void Stop() { running_ = false; }
    bool Running() const { return running_; }
    ObjectKey Key() const { return key_; }

    // Takes the data of one segment answer. Next: ask for NextCommand(); Done: Data() is
    // complete; TooLong: the data would pass the limit and the upload is to be aborted.
    Step Add(std::span<const std::uint8_t> data, bool last);
    std::uint8_t NextCommand() const { return toggle_; }
    const std::string& Data() const { return data_; }

    // The data as a little-endian number, when it has 1 to 4 bytes.
    std::optional<std::uint32_t> AsNumber() const;

  private:
    std::size_t limit_;
    bool running_ = false;
    ObjectKey key_ = 0;
    std::uint8_t toggle_ = 0;
    std::string data_;
};

// A text of up to four bytes sent in the answer itself: its bytes up to the first NUL.
std::string ExpeditedText(std::uint32_t value);

}  // namespace morlo::link
