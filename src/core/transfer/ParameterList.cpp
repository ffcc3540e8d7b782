#include "transfer/ParameterList.h"

#include <algorithm>
#include <map>
#include <set>

#include "transfer/DriveDataKey.h"
#include "transfer/DriveValueText.h"

namespace morlo::transfer {
namespace {

// Writable objects that start something rather than hold a setting.
constexpr ObjectKey kCommandObjects[] = {
    MakeObjectKey(0x6040, 0x00),  // controlword
    MakeObjectKey(0x6071, 0x00),  // target torque
    MakeObjectKey(0x607A, 0x00),  // target position
    MakeObjectKey(0x60FF, 0x00),  // target velocity
    MakeObjectKey(0x60FE, 0x01),  // digital outputs set by the master
    MakeObjectKey(0x2002, 0x0C),  // current sensor calibration
    MakeObjectKey(0x2020, 0x0D),  // analog offset calibration
    MakeObjectKey(0x2120, 0x08),  // clear the pulse counter
    MakeObjectKey(0x2170, 0x05),  // start autotuning
    MakeObjectKey(0x2FF0, 0x01),  // store control parameters
    MakeObjectKey(0x2FF0, 0x02),  // store communication parameters
    MakeObjectKey(0x2FF0, 0x03),  // store motor parameters
    MakeObjectKey(0x2FFF, 0x00),  // restart
};
// The recorder is set up by the oscilloscope for each capture.
constexpr std::int32_t kRecorderIndex = 0x2300;

}  // namespace

bool IsBackupParameter(const DictionaryEntry& entry) {
    if (!entry.IsWritable() || entry.IsCyclic() || !FormatOfType(entry.dataType).Usable()) {
        return false;
    }
    if (IndexOf(entry.key) == kRecorderIndex) {
        return false;
    }
    return std::find(std::begin(kCommandObjects), std::end(kCommandObjects), entry.key) ==
           std::end(kCommandObjects);
}

std::vector<std::uint32_t> BuildParameterList(const std::vector<std::vector<ObjectKey>>& pageLists,
                                              const std::vector<DictionaryEntry>& entries) {
    std::map<ObjectKey, const DictionaryEntry*> parameters;
    for (const DictionaryEntry& entry : entries) {
        if (IsBackupParameter(entry) && parameters.count(entry.key) == 0) {
            parameters[entry.key] = &entry;
        }
    }
    std::vector<std::uint32_t> list;
    std::set<ObjectKey> listed;
    auto add = [&](ObjectKey key) {
        auto it = parameters.find(key);
        if (it != parameters.end() && listed.insert(key).second) {
            list.push_back(MakeDriveDataKey(key, FormatOfType(it->second->dataType).bits));
        }
    };
    for (const auto& page : pageLists) {
        for (ObjectKey key : page) {
            add(key);
        }
    }
    for (const DictionaryEntry& entry : entries) {
        add(entry.key);
    }
    return list;
}

}  // namespace morlo::transfer
