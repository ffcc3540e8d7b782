#include "transfer/TransferRow.h"

#include "text/NumberIo.h"
#include "transfer/TransferConstants.h"

namespace morlo::transfer {

std::string_view ResultText(RowResult result) {
    switch (result) {
        case RowResult::True:
            return kResultTrue;
        case RowResult::Alarm:
            return kResultAlarm;
        case RowResult::Fail:
            return kResultFail;
        case RowResult::None:
            break;
    }
    return "";
}

std::string_view NoteText(RowNote note) {
    switch (note) {
        case RowNote::BadSize:
            return "size not 8/16/32 bits";
        case RowNote::EmptyValue:
            return "no value";
        case RowNote::UnreadableValue:
            return "not a number";
        case RowNote::OutOfRange:
            return "out of range";
        case RowNote::NoAnswer:
            return "no answer";
        case RowNote::None:
            break;
    }
    return "";
}

std::string ShownValue(const TransferRow& row) {
    return row.note == RowNote::None ? row.value : std::string(NoteText(row.note));
}

std::string FinishText(RunKind kind, const RunCounts& counts) {
    if (kind == RunKind::Backup) {
        return "Finish: Total:" + WriteInteger(counts.total) +
               "  Error:" + WriteInteger(counts.errors) + " ";
    }
    return "Finish: Total:" + WriteInteger(counts.total) +
           "  Alarm:" + WriteInteger(counts.alarms) + "  Error:" + WriteInteger(counts.errors);
}

}  // namespace morlo::transfer
