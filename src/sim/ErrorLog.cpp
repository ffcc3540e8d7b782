#include "ErrorLog.h"

#include "SimConstants.h"

namespace morlo::sim {

bool ErrorLog::IsLogObject(ObjectKey key) {
    const std::int32_t index = IndexOf(key);
    const std::int32_t sub = SubIndexOf(key);
    return index >= kErrorLogFirstIndex && index < kErrorLogFirstIndex + kErrorLogRecords &&
           sub >= kErrorLogCode && sub <= kErrorLogLastSub;
}

void ErrorLog::Append(std::uint16_t code, const ErrorSnapshot& s) {
    for (int record = kErrorLogRecords - 1; record > 0; --record) {
        for (std::int32_t sub = kErrorLogCode; sub <= kErrorLogLastSub; ++sub) {
            const SimObject* older =
                objects_.Find(MakeObjectKey(kErrorLogFirstIndex + record - 1, sub));
            SimObject* target = objects_.Find(MakeObjectKey(kErrorLogFirstIndex + record, sub));
            if (target && older) {
                target->value = target->Encode(older->Number());
            }
        }
    }
    auto put = [&](std::int32_t sub, std::int64_t value) {
        objects_.Put(MakeObjectKey(kErrorLogFirstIndex, sub), value);
    };
    put(kErrorLogCode, code);
    put(kErrorLogBusVoltage, s.busDeciVolt);
    put(kErrorLogVelocity, s.velocity);
    put(kErrorLogCurrent, s.currentMa);
    put(kErrorLogTemperature, s.temperatureDeciC);
    put(kErrorLogStatusword, s.statusword);
    put(kErrorLogTimeStamp, s.timeSeconds);
}

}  // namespace morlo::sim
