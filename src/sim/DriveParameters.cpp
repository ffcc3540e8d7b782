#include "DriveParameters.h"

#include <algorithm>
#include <cmath>

#include "SimConstants.h"

namespace morlo::sim {
namespace {

// Values for objects the dictionary lacks, in the dictionary's raw units.
constexpr std::int64_t kFallbackProfileVelocity = 100000;
constexpr std::int64_t kFallbackAcceleration = 500000;
constexpr std::int64_t kFallbackQuickStop = 2000000;
constexpr std::int64_t kFallbackVelocityLimit = 1000000;
constexpr std::int64_t kFallbackVelocityWindow = 5000;
constexpr std::int64_t kFallbackPositionWindow = 10;
constexpr std::int64_t kFallbackPositionGain = 400;   // 0.1 1/s
constexpr std::int64_t kFallbackBandwidth = 400;      // 0.1 Hz
constexpr std::int64_t kFallbackIntegralTime = 200;   // 0.1 ms
constexpr std::int64_t kFallbackFeedbackFilter = 2;   // 0.1 ms
constexpr std::int64_t kFallbackMaxTorque = 3000;     // 0.1 %
constexpr std::int64_t kFallbackCurrentLimit = 8400;  // mA
constexpr std::int64_t kFallbackRatedCurrent = 2800;  // mA
constexpr std::int64_t kFallbackCounts = 10000;
constexpr std::int64_t kFallbackPolePairs = 4;
constexpr std::int64_t kFallbackRatedTorque = 127;   // 0.01 Nm
constexpr std::int64_t kFallbackRotorInertia = 340;  // 0.001 kg cm^2
constexpr std::int64_t kFallbackInertiaRatio = 100;  // %
constexpr std::int64_t kFallbackThermalTime = 900;   // s
constexpr double kTenth = 0.1;
constexpr double kTenthMillisecond = 1e-4;
constexpr double kHundredth = 0.01;
constexpr double kInertiaUnit = 1e-7;  // 0.001 kg cm^2 in kg m^2
constexpr double kPercent = 0.01;
constexpr double kPermille = 1000.0;

double Positive(double value, double fallback) {
    return value > 0 ? value : fallback;
}

}  // namespace

DriveParameters ReadParameters(const ObjectStore& o) {
    DriveParameters p;
    p.mode = static_cast<int>(o.Number(kModesOfOperation, kModeProfileVelocity));
    p.controlword = static_cast<std::uint16_t>(o.Number(kControlword));
    p.targetVelocity = static_cast<double>(o.Number(kTargetVelocity));
    p.targetPosition = static_cast<double>(o.Number(kTargetPosition));
    p.targetTorque = static_cast<double>(o.Number(kTargetTorque));
    p.profileVelocity = static_cast<double>(o.Number(kProfileVelocity, kFallbackProfileVelocity));
    p.acceleration =
        Positive(static_cast<double>(o.Number(kProfileAcceleration)), kFallbackAcceleration);
    p.deceleration =
        Positive(static_cast<double>(o.Number(kProfileDeceleration)), kFallbackAcceleration);
    p.quickStopDeceleration =
        Positive(static_cast<double>(o.Number(kQuickStopDeceleration)), kFallbackQuickStop);
    const double loopLimit = static_cast<double>(o.Number(kVelocityLimit, kFallbackVelocityLimit));
    const double motorLimit = static_cast<double>(o.Number(kMaxMotorSpeed, kFallbackVelocityLimit));
    p.velocityLimit = Positive(std::min(loopLimit, motorLimit), kFallbackVelocityLimit);
    p.velocityWindow = static_cast<double>(o.Number(kVelocityWindow, kFallbackVelocityWindow));
    p.positionWindow = static_cast<double>(o.Number(kPositionWindow, kFallbackPositionWindow));
    p.followingErrorLimit = static_cast<double>(o.Number(kFollowingErrorLimit));
    p.followingErrorWindow = static_cast<double>(o.Number(kFollowingErrorWindow));
    p.homeOffset = static_cast<double>(o.Number(kHomeOffset));
    p.positionGain = kTenth * static_cast<double>(o.Number(kPositionGain, kFallbackPositionGain));
    p.velocityBandwidth =
        kTenth * Positive(static_cast<double>(o.Number(kVelocityBandwidth)), kFallbackBandwidth);
    p.integralTime =
        kTenthMillisecond *
        Positive(static_cast<double>(o.Number(kVelocityIntegralTime)), kFallbackIntegralTime);
    p.feedbackFilter = kTenthMillisecond * static_cast<double>(o.Number(kVelocityFeedbackFilter,
                                                                        kFallbackFeedbackFilter));

    p.ratedCurrentMa =
        Positive(static_cast<double>(o.Number(kMotorRatedCurrent)), kFallbackRatedCurrent);
    const double maxTorque = static_cast<double>(o.Number(kMaxTorque, kFallbackMaxTorque));
    auto currentLimit = [&](ObjectKey key) {
        const double ma = static_cast<double>(o.Number(key, kFallbackCurrentLimit));
        return std::min(maxTorque, ma * kPermille / p.ratedCurrentMa);
    };
    p.torqueLimitPositive = currentLimit(kPositiveCurrentLimit);
    p.torqueLimitNegative = currentLimit(kNegativeCurrentLimit);

    p.countsPerRevolution =
        Positive(static_cast<double>(o.Number(kCountsPerRevolution)), kFallbackCounts);
    p.polePairs =
        static_cast<int>(std::max<std::int64_t>(1, o.Number(kMotorPolePairs, kFallbackPolePairs)));
    p.ratedTorqueNm = kHundredth * Positive(static_cast<double>(o.Number(kMotorRatedTorque)),
                                            kFallbackRatedTorque);
    p.rotorInertia = kInertiaUnit *
                     Positive(static_cast<double>(o.Number(kRotorInertia)), kFallbackRotorInertia);
    p.configuredInertiaRatio =
        kPercent * static_cast<double>(o.Number(kInertiaRatio, kFallbackInertiaRatio));
    p.motorThermalTime =
        Positive(static_cast<double>(o.Number(kMotorThermalTime)), kFallbackThermalTime);
    const auto polarity = static_cast<std::uint32_t>(o.Number(kPolarity));
    p.positionSign = (polarity & kPolarityPosition) != 0 ? -1 : 1;
    p.velocitySign = (polarity & kPolarityVelocity) != 0 ? -1 : 1;
    return p;
}

}  // namespace morlo::sim
