// Object lists (.cdo) and drive-data files (.cdi): reading any text, writing the rows back,
// and reading what was written.

#include <cstdint>
#include <string>

#include "transfer/DriveDataFiles.h"
#include "transfer/DriveDataKey.h"
#include "transfer/DriveDataSidecar.h"
#include "transfer/DriveValueText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morlo::transfer;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<TransferRow> rows;
    for (std::uint32_t key : ReadObjectList(text)) {
        TransferRow row;
        row.key = key;
        row.value = ReadDriveValue(key, 0, FormatOfKey(key)).text;
        row.result = RowResult::True;
        rows.push_back(row);
    }
    // Every key written reads back as the same key.
    const auto back = ReadDriveDataLines(WriteDriveDataText(rows));
    if (back.size() != rows.size()) {
        __builtin_trap();
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (ParseDriveDataKey(back[i].keyText) != rows[i].key) {
            __builtin_trap();
        }
    }
    for (const DriveDataLine& line : ReadDriveDataLines(text)) {
        const std::uint32_t key = ParseDriveDataKey(line.keyText);
        for (const ValueFormat& format :
             {FormatOfKey(key), FormatOfType("I16"), FormatOfType("U32")}) {
            const LoadValue value = LoadValueToRaw(line.loadValue, format);
            // Nothing that does not fit the format's width is ever sent.
            if (value.raw && format.bits < 32 && (*value.raw >> format.bits) != 0) {
                __builtin_trap();
            }
        }
    }
    HasUsableLine(ReadDriveDataLines(text));
    // A description of a backup reads back as it was written.
    if (auto sidecar = ReadSidecarText(text)) {
        const auto again = ReadSidecarText(WriteSidecarText(*sidecar));
        if (!again || again->rows.size() != sidecar->rows.size()) {
            __builtin_trap();
        }
    }
    SavePathFor(text.substr(0, 64), text.substr(0, 3));
    return 0;
}
