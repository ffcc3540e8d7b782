#include "canopen/Emergency.h"

#include <algorithm>
#include <cstdio>

namespace morlo::canopen {
namespace {

struct CodeText {
    std::uint16_t code;
    std::string_view text;
};

// Error codes of the communication profile and of the drive profile, and the drive family's
// own codes. Looked up exactly, then by the code's group (xx00) and class (x000).
constexpr CodeText kCodes[] = {
    {0x0000, "error reset or no error"},
    {0x1000, "generic error"},
    {0x2000, "current"},
    {0x2100, "current, device input side"},
    {0x2110, "short circuit or earth leakage (input)"},
    {0x2120, "earth leakage (input)"},
    {0x2130, "short circuit (input)"},
    {0x2200, "current inside the device"},
    {0x2220, "continuous over current (device internal)"},
    {0x2230, "short circuit or earth leakage (device internal)"},
    {0x2300, "current, device output side"},
    {0x2310, "continuous over current (I2t overload)"},
    {0x2320, "short circuit or earth leakage (motor side)"},
    {0x2330, "earth leakage (motor side)"},
    {0x2340, "short circuit (motor side)"},
    {0x3000, "voltage"},
    {0x3100, "mains voltage"},
    {0x3110, "mains over-voltage"},
    {0x3120, "mains under-voltage"},
    {0x3130, "phase failure"},
    {0x3200, "voltage inside the device"},
    {0x3210, "DC link over-voltage"},
    {0x3220, "DC link under-voltage"},
    {0x3230, "load error"},
    {0x3300, "output voltage"},
    {0x3310, "output over-voltage"},
    {0x4000, "temperature"},
    {0x4100, "ambient temperature"},
    {0x4110, "excess ambient temperature"},
    {0x4120, "too low ambient temperature"},
    {0x4200, "device temperature"},
    {0x4210, "excess temperature (device)"},
    {0x4220, "too low temperature (device)"},
    {0x4300, "drive temperature"},
    {0x4310, "excess temperature (drive)"},
    {0x4320, "too low temperature (drive)"},
    {0x4400, "supply temperature"},
    {0x4410, "excess temperature (supply)"},
    {0x5000, "device hardware"},
    {0x5100, "supply"},
    {0x5111, "supply +/-15 V"},
    {0x5112, "supply +24 V (logic voltage too low)"},
    {0x5113, "supply +5 V"},
    {0x5200, "control"},
    {0x5210, "measurement circuit"},
    {0x5220, "computing circuit"},
    {0x5300, "operating unit"},
    {0x5400, "power section"},
    {0x5410, "output stages"},
    {0x5420, "chopper"},
    {0x5430, "input stages"},
    {0x5500, "data storage"},
    {0x5510, "working memory"},
    {0x5520, "program memory"},
    {0x5530, "non-volatile data memory (EEPROM)"},
    {0x6000, "device software"},
    {0x6010, "software reset (watchdog)"},
    {0x6100, "internal software"},
    {0x6200, "user software"},
    {0x6300, "data set"},
    {0x6310, "loss of parameters"},
    {0x6320, "parameter error"},
    {0x7000, "additional modules"},
    {0x7100, "power"},
    {0x7110, "brake chopper (braking resistor)"},
    {0x7120, "motor"},
    {0x7121, "motor blocked"},
    {0x7122, "motor error or commutation malfunction"},
    {0x7300, "sensor"},
    {0x7303, "resolver 1 fault"},
    {0x7305, "incremental sensor 1 fault (encoder A/B/N)"},
    {0x7310, "speed"},
    {0x7320, "position"},
    {0x8000, "monitoring"},
    {0x8100, "communication"},
    {0x8110, "CAN overrun (objects lost)"},
    {0x8120, "CAN in error passive mode"},
    {0x8130, "life guard or heartbeat error"},
    {0x8140, "recovered from bus off"},
    {0x8150, "CAN-ID collision"},
    {0x8200, "protocol error"},
    {0x8210, "PDO not processed due to length error"},
    {0x8220, "PDO length exceeded"},
    {0x8230, "DAM MPDO not processed, destination object not available"},
    {0x8240, "unexpected SYNC data length"},
    {0x8250, "RPDO timeout"},
    {0x8300, "torque control"},
    {0x8311, "excess torque"},
    {0x8400, "velocity speed controller"},
    {0x8500, "position controller"},
    {0x8600, "positioning controller"},
    {0x8611, "following error too large"},
    {0x8612, "reference limit"},
    {0x9000, "external error"},
    {0xF000, "additional functions"},
    {0xFF00, "drive family: drive internal error"},
    {0xFF02, "drive family: encoder U/V/W signal error"},
    {0xFF03, "drive family: encoder count error"},
    {0xFF0C, "drive family: input pulse frequency too high"},
    {0xFF0D, "drive family: reserved error bit 13"},
    {0xFF0E, "drive family: motor search failed"},
};
constexpr std::uint16_t kGroupMask = 0xFF00;
constexpr std::uint16_t kClassMask = 0xF000;
constexpr std::uint16_t kFamilyCodes = 0xFF00;

// The family's error state bits, bit 0 first: a code of the profiles where one fits, else
// the family's own code 0xFF00 + bit.
constexpr std::array<std::uint16_t, 16> kErrorBitCodes = {
    0xFF00,  // drive internal error
    0x7305,  // encoder A/B/N signals
    0xFF02,  // encoder U/V/W signals
    0xFF03,  // encoder count
    0x4210,  // drive temperature too high
    0x3210,  // DC bus voltage too high
    0x3220,  // DC bus voltage too low
    0x2320,  // output short circuit
    0x7110,  // braking resistor
    0x8611,  // following error
    0x5112,  // logic voltage too low
    0x2310,  // I2t
    0xFF0C,  // input pulse frequency too high
    0xFF0D,  // reserved
    0xFF0E,  // motor search
    0x5530,  // EEPROM
};

std::optional<std::string_view> Find(std::uint16_t code) {
    const auto* it = std::find_if(std::begin(kCodes), std::end(kCodes),
                                  [code](const CodeText& entry) { return entry.code == code; });
    if (it == std::end(kCodes)) {
        return std::nullopt;
    }
    return it->text;
}

}  // namespace

std::optional<Emergency> DecodeEmergency(const link::CanMessage& message) {
    const int node = static_cast<int>(message.id - kEmergencyBase);
    if (message.id <= kEmergencyBase || node > kLastNode || message.length < kEmergencyMinLength) {
        return std::nullopt;
    }
    Emergency emergency;
    emergency.node = node;
    emergency.code = static_cast<std::uint16_t>(message.data[0] | (message.data[1] << 8));
    emergency.errorRegister = message.data[2];
    for (std::size_t i = 0; i < kEmergencyDataBytes; ++i) {
        const std::size_t at = kEmergencyMinLength + i;
        emergency.data[i] = at < message.length ? message.data[at] : 0;
    }
    return emergency;
}

link::CanMessage BuildEmergency(int node, std::uint16_t code, std::uint8_t errorRegister,
                                const std::array<std::uint8_t, kEmergencyDataBytes>& data) {
    link::CanMessage message;
    message.id = kEmergencyBase + (static_cast<std::uint32_t>(node) & kNodeMask);
    message.length = static_cast<std::uint8_t>(kEmergencyMinLength + kEmergencyDataBytes);
    message.data[0] = static_cast<std::uint8_t>(code);
    message.data[1] = static_cast<std::uint8_t>(code >> 8);
    message.data[2] = errorRegister;
    std::copy(data.begin(), data.end(), message.data.begin() + kEmergencyMinLength);
    return message;
}

std::string_view EmergencyCodeText(std::uint16_t code) {
    if (auto text = Find(code)) {
        return *text;
    }
    if ((code & kGroupMask) == kFamilyCodes) {
        return "drive family: device specific error";
    }
    if (auto group = Find(code & kGroupMask)) {
        return *group;
    }
    if (auto cls = Find(code & kClassMask)) {
        return *cls;
    }
    return "unknown error code";
}

std::string DescribeEmergency(const Emergency& e) {
    char head[32];
    std::snprintf(head, sizeof head, "0x%04X ", e.code);
    std::string text = head + std::string(EmergencyCodeText(e.code));
    char tail[64];
    std::snprintf(tail, sizeof tail, ", error register 0x%02X, data %02X %02X %02X %02X %02X",
                  e.errorRegister, e.data[0], e.data[1], e.data[2], e.data[3], e.data[4]);
    return text + tail;
}

std::uint16_t EmergencyCodeOfErrorBit(int bit) {
    if (bit < 0 || bit >= static_cast<int>(kErrorBitCodes.size())) {
        return kErrorBitCodes[0];
    }
    return kErrorBitCodes[static_cast<std::size_t>(bit)];
}

}  // namespace morlo::canopen
