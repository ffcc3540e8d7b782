#pragma once

#include <array>
#include <chrono>
#include <cstdint>

#include "common/ObjectKey.h"

// Every object key, command value and timing of the simulated drive, named once.
namespace morlo::sim {

// ---- Time ------------------------------------------------------------------------------------

// The drive computes in ticks of its current loop period, 62.5 us.
inline constexpr std::chrono::nanoseconds kTickLength{62500};
inline constexpr std::int64_t kTicksPerSecond = 16000;
inline constexpr double kTickSeconds = 1.0 / kTicksPerSecond;
// When the drive falls further behind its clock than this, the rest is skipped, not computed.
inline constexpr std::int64_t kMaxCatchUpTicks = 60 * kTicksPerSecond;
inline constexpr std::chrono::milliseconds kDefaultRestartTime{1500};
// The file in the working folder's user/ where the built-in simulated drive of the program
// and of the command-line tool keeps its stored values from run to run.
inline constexpr const char* kBuiltInStateFileName = "simulated-drive.state";
// A triggered recording that sees no crossing triggers anyway after this sim time.
inline constexpr std::int64_t kTriggerGiveUpTicks = 5 * kTicksPerSecond;

// ---- Serial and pseudo-terminal --------------------------------------------------------------

inline constexpr std::chrono::milliseconds kPartialFrameTimeout{100};
inline constexpr std::chrono::milliseconds kServerIdleTick{100};
inline constexpr int kWireBitsPerByte = 10;         // start, 8 data, stop
inline constexpr int kWireBytesPerExchange = 20;    // request and answer frame
inline constexpr std::uint8_t kCorruptMask = 0xFF;  // XORed onto a byte to corrupt an answer
inline constexpr std::size_t kMaxStrayBytes = 3;    // line noise ahead of an answer: 1..3 bytes
// CAN noise ahead of an answer: the drive's own heartbeat identifier (0x700 + node).
inline constexpr std::uint32_t kCanHeartbeatBase = 0x700;
// ...or an answer of another node about the same object: its bytes from this one on differ.
inline constexpr int kCanStrayFirstChangedByte = 4;
inline constexpr std::uint32_t kMaxNodeId = 127;

// ---- Command values of special objects -------------------------------------------------------

inline constexpr std::uint32_t kStoreCommand = 1;
inline constexpr std::uint32_t kRestoreDefaultsCommand = 10;
inline constexpr std::uint32_t kRestartMagic = 0xAA55;
inline constexpr std::uint32_t kRecorderStop = 0;
inline constexpr std::uint32_t kRecorderStart = 1;

// ---- CiA 402 drive profile -------------------------------------------------------------------

inline constexpr ObjectKey kErrorRegister = MakeObjectKey(0x1001, 0x00);
inline constexpr ObjectKey kErrorCode = MakeObjectKey(0x603F, 0x00);
inline constexpr ObjectKey kControlword = MakeObjectKey(0x6040, 0x00);
inline constexpr ObjectKey kStatusword = MakeObjectKey(0x6041, 0x00);
inline constexpr ObjectKey kModesOfOperation = MakeObjectKey(0x6060, 0x00);
inline constexpr ObjectKey kModesDisplay = MakeObjectKey(0x6061, 0x00);
inline constexpr ObjectKey kPositionDemand = MakeObjectKey(0x6062, 0x00);
inline constexpr ObjectKey kPositionInternal = MakeObjectKey(0x6063, 0x00);
inline constexpr ObjectKey kPositionActual = MakeObjectKey(0x6064, 0x00);
inline constexpr ObjectKey kFollowingErrorWindow = MakeObjectKey(0x6065, 0x00);
inline constexpr ObjectKey kPositionWindow = MakeObjectKey(0x6067, 0x00);
inline constexpr ObjectKey kVelocityDemand = MakeObjectKey(0x606B, 0x00);
inline constexpr ObjectKey kVelocityActual = MakeObjectKey(0x606C, 0x00);
inline constexpr ObjectKey kVelocityWindow = MakeObjectKey(0x606D, 0x00);
inline constexpr ObjectKey kTargetTorque = MakeObjectKey(0x6071, 0x00);
inline constexpr ObjectKey kMaxTorque = MakeObjectKey(0x6072, 0x00);
inline constexpr ObjectKey kTorqueDemand = MakeObjectKey(0x6074, 0x00);
inline constexpr ObjectKey kTorqueActual = MakeObjectKey(0x6077, 0x00);
inline constexpr ObjectKey kCurrentActual = MakeObjectKey(0x6078, 0x00);
inline constexpr ObjectKey kDcLinkVoltage = MakeObjectKey(0x6079, 0x00);
inline constexpr ObjectKey kTargetPosition = MakeObjectKey(0x607A, 0x00);
inline constexpr ObjectKey kHomeOffset = MakeObjectKey(0x607C, 0x00);
inline constexpr ObjectKey kPolarity = MakeObjectKey(0x607E, 0x00);
inline constexpr ObjectKey kMaxProfileVelocity = MakeObjectKey(0x607F, 0x00);
inline constexpr ObjectKey kMaxMotorSpeed = MakeObjectKey(0x6080, 0x00);
inline constexpr ObjectKey kProfileVelocity = MakeObjectKey(0x6081, 0x00);
inline constexpr ObjectKey kProfileAcceleration = MakeObjectKey(0x6083, 0x00);
inline constexpr ObjectKey kProfileDeceleration = MakeObjectKey(0x6084, 0x00);
inline constexpr ObjectKey kQuickStopDeceleration = MakeObjectKey(0x6085, 0x00);
inline constexpr ObjectKey kFollowingErrorActual = MakeObjectKey(0x60F4, 0x00);
inline constexpr ObjectKey kDigitalInputs = MakeObjectKey(0x60FD, 0x00);
inline constexpr ObjectKey kTargetVelocity = MakeObjectKey(0x60FF, 0x00);

// Controlword bits and state commands (mask, value).
inline constexpr std::uint16_t kCwFaultReset = 0x0080;
inline constexpr std::uint16_t kCwHalt = 0x0100;
inline constexpr std::uint16_t kCwNewSetPoint = 0x0010;
inline constexpr std::uint16_t kCwRelative = 0x0040;
inline constexpr std::uint16_t kCwShutdownMask = 0x0087;
inline constexpr std::uint16_t kCwShutdown = 0x0006;
inline constexpr std::uint16_t kCwSwitchOnMask = 0x008F;
inline constexpr std::uint16_t kCwSwitchOn = 0x0007;
inline constexpr std::uint16_t kCwEnableOperation = 0x000F;
inline constexpr std::uint16_t kCwDisableVoltageMask = 0x0082;
inline constexpr std::uint16_t kCwDisableVoltage = 0x0000;
inline constexpr std::uint16_t kCwQuickStopMask = 0x0086;
inline constexpr std::uint16_t kCwQuickStop = 0x0002;

// Statusword: state patterns and flag bits.
inline constexpr std::uint16_t kSwNotReady = 0x0000;
inline constexpr std::uint16_t kSwSwitchOnDisabled = 0x0040;
inline constexpr std::uint16_t kSwReadyToSwitchOn = 0x0021;
inline constexpr std::uint16_t kSwSwitchedOn = 0x0023;
inline constexpr std::uint16_t kSwOperationEnabled = 0x0027;
inline constexpr std::uint16_t kSwQuickStopActive = 0x0007;
inline constexpr std::uint16_t kSwFault = 0x0008;
inline constexpr std::uint16_t kSwWarning = 0x0080;
inline constexpr std::uint16_t kSwRemote = 0x0200;
inline constexpr std::uint16_t kSwTargetReached = 0x0400;
inline constexpr std::uint16_t kSwInternalLimit = 0x0800;
inline constexpr std::uint16_t kSwModeBit12 = 0x1000;
inline constexpr std::uint16_t kSwModeBit13 = 0x2000;
inline constexpr std::uint16_t kSwHomeValid = 0x8000;
inline constexpr std::uint8_t kErrorRegisterGeneric = 0x01;
inline constexpr std::uint16_t kErrorCodeGeneric = 0x1000;

// Modes of operation.
inline constexpr int kModeProfilePosition = 1;
inline constexpr int kModeProfileVelocity = 3;
inline constexpr int kModeProfileTorque = 4;
inline constexpr int kModeHoming = 6;
inline constexpr int kModeCyclicPosition = 8;
inline constexpr int kModeCyclicVelocity = 9;
inline constexpr int kModeCyclicTorque = 10;

// Polarity 0x607E bits.
inline constexpr std::uint32_t kPolarityPosition = 0x80;
inline constexpr std::uint32_t kPolarityVelocity = 0x40;

// ---- Loops, motor and drive data -------------------------------------------------------------

inline constexpr ObjectKey kPositionGain = MakeObjectKey(0x2000, 0x01);
inline constexpr ObjectKey kFollowingErrorLimit = MakeObjectKey(0x2000, 0x05);
inline constexpr ObjectKey kInPositionWindow = MakeObjectKey(0x2000, 0x06);
inline constexpr ObjectKey kVelocityBandwidth = MakeObjectKey(0x2001, 0x01);
inline constexpr ObjectKey kVelocityIntegralTime = MakeObjectKey(0x2001, 0x02);
inline constexpr ObjectKey kVelocityFeedbackFilter = MakeObjectKey(0x2001, 0x05);
inline constexpr ObjectKey kVelocityLimit = MakeObjectKey(0x2001, 0x06);
inline constexpr ObjectKey kZeroSpeedLevel = MakeObjectKey(0x2001, 0x0A);
inline constexpr ObjectKey kPositiveCurrentLimit = MakeObjectKey(0x2002, 0x03);
inline constexpr ObjectKey kNegativeCurrentLimit = MakeObjectKey(0x2002, 0x04);
inline constexpr ObjectKey kCountsPerRevolution = MakeObjectKey(0x2030, 0x03);
inline constexpr ObjectKey kMotorRatedCurrent = MakeObjectKey(0x2030, 0x04);
inline constexpr ObjectKey kMotorPolePairs = MakeObjectKey(0x2030, 0x06);
inline constexpr ObjectKey kRotorInertia = MakeObjectKey(0x2030, 0x0A);
inline constexpr ObjectKey kMotorRatedTorque = MakeObjectKey(0x2030, 0x0B);
inline constexpr ObjectKey kMotorThermalTime = MakeObjectKey(0x2030, 0x10);
inline constexpr ObjectKey kOverloadWarningLevel = MakeObjectKey(0x2040, 0x12);
inline constexpr ObjectKey kOverTemperatureLevel = MakeObjectKey(0x2040, 0x17);
inline constexpr ObjectKey kHomingState = MakeObjectKey(0x2160, 0x03);
inline constexpr ObjectKey kInertiaRatio = MakeObjectKey(0x2170, 0x03);
inline constexpr ObjectKey kPulseInputCounter = MakeObjectKey(0x2120, 0x06);
inline constexpr std::int64_t kHomingStateIdle = 0;
inline constexpr std::int64_t kHomingStateComplete = 2;

// Monitoring values.
inline constexpr ObjectKey kMonVelocityCommand = MakeObjectKey(0x2050, 0x01);
inline constexpr ObjectKey kMonBusVoltage = MakeObjectKey(0x2050, 0x02);
inline constexpr ObjectKey kMonDriveTemperature = MakeObjectKey(0x2050, 0x03);
inline constexpr ObjectKey kMonMotorTemperature = MakeObjectKey(0x2050, 0x04);
inline constexpr ObjectKey kMonI2tLoad = MakeObjectKey(0x2050, 0x05);
inline constexpr ObjectKey kMonIqCommand = MakeObjectKey(0x2050, 0x07);
inline constexpr ObjectKey kMonIqActual = MakeObjectKey(0x2050, 0x08);
inline constexpr ObjectKey kMonIdActual = MakeObjectKey(0x2050, 0x09);
inline constexpr ObjectKey kMonPhaseCurrentU = MakeObjectKey(0x2050, 0x0A);
inline constexpr ObjectKey kMonPhaseCurrentV = MakeObjectKey(0x2050, 0x0B);
inline constexpr ObjectKey kMonSingleTurn = MakeObjectKey(0x2050, 0x0C);
inline constexpr ObjectKey kMonFollowingError16 = MakeObjectKey(0x2050, 0x0D);
inline constexpr ObjectKey kMonLogicSupply = MakeObjectKey(0x2050, 0x0E);
inline constexpr ObjectKey kMonHallState = MakeObjectKey(0x2050, 0x0F);
inline constexpr ObjectKey kMonElectricalAngle = MakeObjectKey(0x2050, 0x10);
inline constexpr ObjectKey kMonPoweredOnTime = MakeObjectKey(0x2050, 0x11);
inline constexpr ObjectKey kMonOutputPower = MakeObjectKey(0x2050, 0x13);

// ---- Digital and analog I/O ------------------------------------------------------------------

inline constexpr ObjectKey kInputPolarity = MakeObjectKey(0x2010, 0x01);
inline constexpr ObjectKey kInputSimulationFlags = MakeObjectKey(0x2010, 0x02);
inline constexpr ObjectKey kInputTerminals = MakeObjectKey(0x2010, 0x0A);
inline constexpr ObjectKey kInputEffective = MakeObjectKey(0x2010, 0x0B);
inline constexpr ObjectKey kOutputPolarity = MakeObjectKey(0x2010, 0x0D);
inline constexpr ObjectKey kOutputSimulationFlags = MakeObjectKey(0x2010, 0x0E);
inline constexpr ObjectKey kOutputStates = MakeObjectKey(0x2010, 0x14);
inline constexpr ObjectKey kInputSimulationValues = MakeObjectKey(0x2010, 0x15);
inline constexpr ObjectKey kOutputForcedValues = MakeObjectKey(0x2010, 0x16);
inline constexpr ObjectKey kInputRisingLatch = MakeObjectKey(0x2010, 0x19);
inline constexpr ObjectKey kTorqueReachedLevel = MakeObjectKey(0x2010, 0x1A);
// Function words of DIN1..DIN8 and DOUT1..DOUT7, in terminal order.
inline constexpr std::array<ObjectKey, 8> kInputFunctionWords{
    MakeObjectKey(0x2010, 0x03), MakeObjectKey(0x2010, 0x04), MakeObjectKey(0x2010, 0x05),
    MakeObjectKey(0x2010, 0x06), MakeObjectKey(0x2010, 0x07), MakeObjectKey(0x2010, 0x08),
    MakeObjectKey(0x2010, 0x09), MakeObjectKey(0x2010, 0x1D)};
inline constexpr std::array<ObjectKey, 7> kOutputFunctionWords{
    MakeObjectKey(0x2010, 0x0F), MakeObjectKey(0x2010, 0x10), MakeObjectKey(0x2010, 0x11),
    MakeObjectKey(0x2010, 0x12), MakeObjectKey(0x2010, 0x13), MakeObjectKey(0x2010, 0x1E),
    MakeObjectKey(0x2010, 0x1F)};
inline constexpr ObjectKey kAnalogInput1 = MakeObjectKey(0x2020, 0x01);
inline constexpr ObjectKey kAnalogInput2 = MakeObjectKey(0x2020, 0x02);
inline constexpr ObjectKey kAnalogOffset1 = MakeObjectKey(0x2020, 0x03);
inline constexpr ObjectKey kAnalogOffset2 = MakeObjectKey(0x2020, 0x04);
inline constexpr ObjectKey kAnalogGain1 = MakeObjectKey(0x2020, 0x05);
inline constexpr ObjectKey kAnalogGain2 = MakeObjectKey(0x2020, 0x06);
inline constexpr ObjectKey kAnalogProcessed1 = MakeObjectKey(0x2020, 0x0B);
inline constexpr ObjectKey kAnalogProcessed2 = MakeObjectKey(0x2020, 0x0C);

// Input functions (bits of the DIN function words).
inline constexpr std::uint16_t kInPositiveLimit = 0x0004;
inline constexpr std::uint16_t kInNegativeLimit = 0x0008;
inline constexpr std::uint16_t kInHomeSwitch = 0x0010;
inline constexpr std::uint16_t kInEmergencyStop = 0x0020;
// 0x60FD bits.
inline constexpr std::uint32_t kDiNegativeLimit = 0x1;
inline constexpr std::uint32_t kDiPositiveLimit = 0x2;
inline constexpr std::uint32_t kDiHomeSwitch = 0x4;

// Output functions (bits of the DOUT function words; bit 15 marks a function word).
inline constexpr std::uint16_t kOutFunctionBits = 0x7FFF;
inline constexpr std::uint16_t kOutServoReady = 0x0001;
inline constexpr std::uint16_t kOutAlarm = 0x0002;
inline constexpr std::uint16_t kOutInPosition = 0x0004;
inline constexpr std::uint16_t kOutZeroSpeed = 0x0008;
inline constexpr std::uint16_t kOutBrakeRelease = 0x0010;
inline constexpr std::uint16_t kOutVelocityReached = 0x0020;
inline constexpr std::uint16_t kOutTorqueLimit = 0x0040;
inline constexpr std::uint16_t kOutHomingComplete = 0x0080;
inline constexpr std::uint16_t kOutWarning = 0x0100;
inline constexpr std::uint16_t kOutServoEnabled = 0x0200;
inline constexpr std::uint16_t kOutSpeedLimit = 0x0400;
inline constexpr std::uint16_t kOutFollowingWarning = 0x0800;
inline constexpr std::uint16_t kOutOverloadWarning = 0x2000;
inline constexpr std::uint16_t kOutTorqueReached = 0x4000;

// The terminals: DIN1 (servo enable) stays closed, DIN7 blinks slowly, and two switches on the
// axis follow its position: the home cam (DIN5) around the middle of the demo's travel and the
// positive limit switch (DIN3) near its far end.
inline constexpr std::uint16_t kTerminalsAlwaysClosed = 0x0001;
inline constexpr std::uint16_t kTerminalBlink = 0x0040;
inline constexpr std::int64_t kTerminalBlinkTicks = 5 * kTicksPerSecond;
inline constexpr std::uint16_t kTerminalHomeCam = 0x0010;
inline constexpr double kHomeCamFrom = 150000;  // counts
inline constexpr double kHomeCamTo = 250000;
inline constexpr std::uint16_t kTerminalPositiveLimit = 0x0004;
inline constexpr double kPositiveLimitAt = 360000;  // counts

// ---- Errors and warnings ---------------------------------------------------------------------

inline constexpr ObjectKey kErrorMask = MakeObjectKey(0x2600, 0x00);
inline constexpr ObjectKey kErrorState = MakeObjectKey(0x2601, 0x00);
inline constexpr ObjectKey kWarningState = MakeObjectKey(0x2602, 0x00);
inline constexpr std::int32_t kErrorLogFirstIndex = 0x2610;  // record 0, the newest
inline constexpr int kErrorLogRecords = 8;
inline constexpr std::int32_t kErrorLogCode = 0x01;
inline constexpr std::int32_t kErrorLogBusVoltage = 0x02;
inline constexpr std::int32_t kErrorLogVelocity = 0x03;
inline constexpr std::int32_t kErrorLogCurrent = 0x04;
inline constexpr std::int32_t kErrorLogTemperature = 0x05;
inline constexpr std::int32_t kErrorLogStatusword = 0x06;
inline constexpr std::int32_t kErrorLogTimeStamp = 0x07;
inline constexpr std::int32_t kErrorLogLastSub = 0x07;
inline constexpr int kErrorBitCount = 16;
inline constexpr std::size_t kEmergenciesKept = 16;  // emergencies waiting for a front end
inline constexpr int kErrorOverTemperature = 4;      // bits of the error state
inline constexpr int kErrorFollowing = 9;
inline constexpr int kErrorI2t = 11;
// The I2T error trips at this load (1.0 = rated current for a long time).
inline constexpr double kI2tErrorLoad = 1.2;
inline constexpr std::uint16_t kWarnTemperature = 0x0002;
inline constexpr std::uint16_t kWarnFollowing = 0x0008;
inline constexpr std::uint16_t kWarnPositiveLimit = 0x0010;
inline constexpr std::uint16_t kWarnNegativeLimit = 0x0020;
inline constexpr std::uint16_t kWarnEmergencyStop = 0x0200;
inline constexpr std::uint16_t kWarnI2t = 0x0001;
// Temperature warning this far (0.1 degC) below the over-temperature level.
inline constexpr int kTemperatureWarningMargin = 50;

// ---- Recorder --------------------------------------------------------------------------------

inline constexpr ObjectKey kRecorderSlot1 = MakeObjectKey(0x2300, 0x01);
inline constexpr ObjectKey kRecorderSlot2 = MakeObjectKey(0x2300, 0x02);
inline constexpr ObjectKey kRecorderSlot3 = MakeObjectKey(0x2300, 0x03);
inline constexpr ObjectKey kRecorderSlot4 = MakeObjectKey(0x2300, 0x04);
inline constexpr ObjectKey kRecorderWideA = MakeObjectKey(0x2300, 0x05);
inline constexpr ObjectKey kRecorderWideB = MakeObjectKey(0x2300, 0x06);
inline constexpr ObjectKey kRecorderState = MakeObjectKey(0x2300, 0x07);
inline constexpr ObjectKey kRecorderPeriod = MakeObjectKey(0x2300, 0x08);
inline constexpr ObjectKey kRecorderPreTrigger = MakeObjectKey(0x2300, 0x09);
inline constexpr ObjectKey kRecorderSamples = MakeObjectKey(0x2300, 0x0A);
inline constexpr ObjectKey kRecorderEdge = MakeObjectKey(0x2300, 0x0B);
inline constexpr ObjectKey kRecorderTriggerObject = MakeObjectKey(0x2300, 0x0C);
inline constexpr ObjectKey kRecorderTriggerLevel = MakeObjectKey(0x2300, 0x0D);
inline constexpr ObjectKey kRecorderBytesPerSample = MakeObjectKey(0x2300, 0x0E);
inline constexpr ObjectKey kRecorderTriggerPosition = MakeObjectKey(0x2300, 0x0F);
inline constexpr ObjectKey kRecorderData = MakeObjectKey(0x2300, 0x10);
// The record's field order: slot 1, 2, wide A, 3, 4, wide B.
inline constexpr std::array<ObjectKey, 6> kRecorderFieldOrder{
    kRecorderSlot1, kRecorderSlot2, kRecorderWideA, kRecorderSlot3, kRecorderSlot4, kRecorderWideB};
inline constexpr std::uint32_t kMappingSizeMask = 0xFF;
inline constexpr std::uint32_t kMappingSignedBit = 0x01;
inline constexpr int kMappingKeyShift = 8;
// Read values of the recorder state.
inline constexpr std::uint32_t kRecorderIdle = 0;
inline constexpr std::uint32_t kRecorderArmed = 1;
inline constexpr std::uint32_t kRecorderTriggered = 2;
inline constexpr std::uint32_t kRecorderPreTriggerFill = 3;

// ---- Store and restart -----------------------------------------------------------------------

inline constexpr ObjectKey kStoreControl = MakeObjectKey(0x2FF0, 0x01);
inline constexpr ObjectKey kStoreCommunication = MakeObjectKey(0x2FF0, 0x02);
inline constexpr ObjectKey kStoreMotor = MakeObjectKey(0x2FF0, 0x03);
inline constexpr ObjectKey kRestart = MakeObjectKey(0x2FFF, 0x00);
// Initialising the control parameters leaves the motor data and the communication settings
// (the communication objects below the manufacturer range, node-ID and rates) as they are.
inline constexpr std::int32_t kFirstManufacturerIndex = 0x2000;
inline constexpr std::int32_t kMotorDataIndex = 0x2030;
inline constexpr std::array<ObjectKey, 3> kCommunicationSettings{
    MakeObjectKey(0x2040, 0x01), MakeObjectKey(0x2040, 0x02), MakeObjectKey(0x2040, 0x03)};

// ---- Front panel display ---------------------------------------------------------------------

// The item the display shows (0x2FF0:04) and the value it shows.
inline constexpr ObjectKey kPanelDisplayItem = MakeObjectKey(0x2FF0, 0x04);
inline constexpr ObjectKey kPanelDisplayValue = MakeObjectKey(0x2FF1, 0x04);
// The object of each item number.
inline constexpr std::array<ObjectKey, 16> kPanelDisplayItems{
    kVelocityActual,    kPositionActual, kFollowingErrorActual, kTorqueActual,
    kCurrentActual,     kMonBusVoltage,  kMonDriveTemperature,  kMonI2tLoad,
    kInputEffective,    kOutputStates,   kAnalogInput1,         kAnalogInput2,
    kPulseInputCounter, kErrorState,     kWarningState,         kModesDisplay};
// Writable objects that are commands rather than settings and are never stored.
inline constexpr std::array<ObjectKey, 6> kCommandObjects{
    kControlword, kRecorderState, kStoreControl, kStoreCommunication, kStoreMotor, kRestart};

// ---- Motion demo and model -------------------------------------------------------------------

inline constexpr std::int32_t kDemoVelocity = 100000;  // counts/s, 600 r/min at 10000 counts/rev
inline constexpr std::int64_t kDemoHalfPeriodTicks = 4 * kTicksPerSecond;

// The last stretch before a paced answer that is waited out by spinning, not sleeping.
inline constexpr std::chrono::microseconds kPacingSpin{150};

}  // namespace morlo::sim
