#include "link/AbortCode.h"

namespace morlo::link {

std::string_view AbortCodeText(std::uint32_t code) {
    switch (static_cast<AbortCode>(code)) {
        case AbortCode::ToggleBitNotAlternated:
            return "toggle bit not alternated";
        case AbortCode::SdoProtocolTimedOut:
            return "SDO protocol timed out";
        case AbortCode::CommandSpecifierInvalid:
            return "command specifier not valid or unknown";
        case AbortCode::InvalidBlockSize:
            return "invalid block size";
        case AbortCode::InvalidSequenceNumber:
            return "invalid sequence number";
        case AbortCode::CrcError:
            return "CRC error";
        case AbortCode::OutOfMemory:
            return "out of memory";
        case AbortCode::UnsupportedAccess:
            return "unsupported access to an object";
        case AbortCode::ReadOfWriteOnlyObject:
            return "attempt to read a write-only object";
        case AbortCode::WriteOfReadOnlyObject:
            return "attempt to write a read-only object";
        case AbortCode::ObjectDoesNotExist:
            return "object does not exist in the object dictionary";
        case AbortCode::ObjectCannotBeMapped:
            return "object cannot be mapped to the PDO";
        case AbortCode::PdoLengthExceeded:
            return "number and length of mapped objects exceed the PDO length";
        case AbortCode::GeneralParameterIncompatibility:
            return "general parameter incompatibility";
        case AbortCode::GeneralInternalIncompatibility:
            return "general internal incompatibility in the device";
        case AbortCode::HardwareError:
            return "access failed due to a hardware error";
        case AbortCode::DataTypeLengthMismatch:
            return "data type does not match, length of service parameter does not match";
        case AbortCode::DataTypeLengthTooHigh:
            return "data type does not match, length of service parameter too high";
        case AbortCode::DataTypeLengthTooLow:
            return "data type does not match, length of service parameter too low";
        case AbortCode::SubIndexDoesNotExist:
            return "subindex does not exist";
        case AbortCode::InvalidValue:
            return "invalid value for parameter";
        case AbortCode::ValueTooHigh:
            return "value of parameter written too high";
        case AbortCode::ValueTooLow:
            return "value of parameter written too low";
        case AbortCode::MaxBelowMin:
            return "maximum value is less than minimum value";
        case AbortCode::ResourceNotAvailable:
            return "resource not available: SDO connection";
        case AbortCode::GeneralError:
            return "general error";
        case AbortCode::CannotTransferOrStore:
            return "data cannot be transferred or stored to the application";
        case AbortCode::CannotTransferLocalControl:
            return "data cannot be transferred or stored because of local control";
        case AbortCode::CannotTransferDeviceState:
            return "data cannot be transferred or stored because of the present device state";
        case AbortCode::NoObjectDictionary:
            return "no object dictionary is present";
        case AbortCode::NoDataAvailable:
            return "no data available";
    }
    return "unknown abort code";
}

}  // namespace morlo::link
