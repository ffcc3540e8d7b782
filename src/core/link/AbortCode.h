#pragma once

#include <cstdint>
#include <string_view>

namespace morlo::link {

// Why a drive refused a request (CiA 301 SDO abort codes).
enum class AbortCode : std::uint32_t {
    ToggleBitNotAlternated = 0x05030000,
    SdoProtocolTimedOut = 0x05040000,
    CommandSpecifierInvalid = 0x05040001,
    InvalidBlockSize = 0x05040002,
    InvalidSequenceNumber = 0x05040003,
    CrcError = 0x05040004,
    OutOfMemory = 0x05040005,
    UnsupportedAccess = 0x06010000,
    ReadOfWriteOnlyObject = 0x06010001,
    WriteOfReadOnlyObject = 0x06010002,
    ObjectDoesNotExist = 0x06020000,
    ObjectCannotBeMapped = 0x06040041,
    PdoLengthExceeded = 0x06040042,
    GeneralParameterIncompatibility = 0x06040043,
    GeneralInternalIncompatibility = 0x06040047,
    HardwareError = 0x06060000,
    DataTypeLengthMismatch = 0x06070010,
    DataTypeLengthTooHigh = 0x06070012,
    DataTypeLengthTooLow = 0x06070013,
    SubIndexDoesNotExist = 0x06090011,
    InvalidValue = 0x06090030,
    ValueTooHigh = 0x06090031,
    ValueTooLow = 0x06090032,
    MaxBelowMin = 0x06090036,
    ResourceNotAvailable = 0x060A0023,
    GeneralError = 0x08000000,
    CannotTransferOrStore = 0x08000020,
    CannotTransferLocalControl = 0x08000021,
    CannotTransferDeviceState = 0x08000022,
    NoObjectDictionary = 0x08000023,
    NoDataAvailable = 0x08000024,
};

// A readable text for an abort code; codes outside the standard give "unknown abort code".
std::string_view AbortCodeText(std::uint32_t code);

}  // namespace morlo::link
