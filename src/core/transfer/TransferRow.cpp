#include "transfer/TransferRow.h"

#include "link/AbortCode.h"
#include "text/NumberIo.h"
#include "transfer/DriveDataKey.h"
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

std::string NoteText(const TransferRow& row) {
    const std::string keyBits = WriteInteger(KeySizeBits(row.key));
    switch (row.note) {
        case RowNote::BadSize:
            return "size not 8/16/32 bits";
        case RowNote::KeySizeDiffers:
            return "listed as " + keyBits + " bits, the object is " + row.noteArg;
        case RowNote::EmptyValue:
            return "no value";
        case RowNote::UnreadableValue:
            return "not a number";
        case RowNote::DoesNotFit:
            return "value does not fit " + row.noteArg;
        case RowNote::AnswerSizeDiffers:
            return "the drive answered " + row.noteArg + " bits, listed as " + keyBits;
        case RowNote::DriveValueDoesNotFit:
            return "the drive's value does not fit " + row.noteArg;
        case RowNote::Refused:
            return "refused: " + std::string(link::AbortCodeText(row.abortCode));
        case RowNote::NoAnswer:
            return "no answer";
        case RowNote::None:
            break;
    }
    return "";
}

std::string ShownValue(const TransferRow& row) {
    return row.value.empty() ? NoteText(row) : row.value;
}

std::string FinishText(RunKind kind, const RunCounts& counts) {
    if (kind == RunKind::Backup) {
        const std::string alarms =
            counts.alarms == 0 ? "" : "  Alarm:" + WriteInteger(counts.alarms);
        return "Finish: Total:" + WriteInteger(counts.total) + alarms +
               "  Error:" + WriteInteger(counts.errors) + " ";
    }
    return "Finish: Total:" + WriteInteger(counts.total) +
           "  Alarm:" + WriteInteger(counts.alarms) + "  Error:" + WriteInteger(counts.errors);
}

}  // namespace morlo::transfer
