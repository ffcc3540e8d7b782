// The oscilloscope's text data file: reading any bytes (as they are, and as UTF-8 text turned
// into the file's UTF-16), writing what was read, and reading that again.

#include <cstdint>
#include <string>

#include "scope/ScopeFiles.h"
#include "text/Encoding.h"

namespace {

void ReadWriteRead(const std::string& bytes) {
    using namespace morlo::scope;
    const ScopeReadResult first = ReadScopeText(bytes);
    if (first.status != ScopeReadStatus::Read) {
        return;
    }
    for (const auto& curve : first.data.curves) {
        if (curve.size() > kImportSamplesLimit) {
            __builtin_trap();
        }
    }
    const ScopeReadResult second = ReadScopeText(WriteScopeText(first.data));
    if (second.status != ScopeReadStatus::Read || second.data.period != first.data.period ||
        second.data.samples != first.data.samples ||
        second.data.triggerKey != first.data.triggerKey) {
        __builtin_trap();
    }
    for (std::size_t n = 0; n < first.data.channels.size(); ++n) {
        if (second.data.channels[n].checked != first.data.channels[n].checked ||
            second.data.channels[n].item != first.data.channels[n].item ||
            second.data.curves[n].size() != first.data.curves[n].size()) {
            __builtin_trap();
        }
    }
    WriteScopeCsv(first.data.curves);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ReadWriteRead(bytes);
    ReadWriteRead(morlo::Utf8ToUtf16Le(bytes));
    morlo::scope::ExportPathFor(bytes.substr(0, 64), bytes.substr(0, 3));
    return 0;
}
