#include "values/UnitTable.h"

#include "text/Encoding.h"

namespace morlo {

const UnitRecord* UnitTable::FindRecord(ObjectKey key) const {
    for (const auto& record : records_) {
        if (record.key == key) {
            return &record;
        }
    }
    return nullptr;
}

bool UnitTable::AddUnits(ObjectKey key, std::string_view unitSpec, std::string& defaultUnit) {
    if (const UnitRecord* existing = FindRecord(key)) {
        // Listed again (another page, a project): nothing is added, so nothing can fail. An
        // object without units is shown in DEC, as the first time.
        if (!existing->units.empty()) {
            defaultUnit = existing->units.front().DisplayName();
        } else if (Utf16Length(unitSpec) <= 2) {
            defaultUnit = kUnitDec;
        }
        return true;
    }
    UnitRecord record{key, ParseUnitSpec(unitSpec)};
    if (Utf16Length(unitSpec) <= 2) {
        defaultUnit = kUnitDec;
    } else if (record.units.empty()) {
        if (messages_) {
            messages_->ShowMessage(kMsgDefaultUnitFailure);
        }
    } else {
        defaultUnit = record.units.front().DisplayName();
    }
    records_.push_back(std::move(record));
    return true;
}

bool UnitTable::Find(ObjectKey key, UnitRecord& out) const {
    const UnitRecord* record = FindRecord(key);
    if (!record) {
        return false;
    }
    out = *record;
    return true;
}

std::vector<std::string> UnitTable::ChoiceList(ObjectKey key) const {
    const UnitRecord* record = FindRecord(key);
    if (!record) {
        return {kUnitDec};
    }
    std::vector<std::string> choices;
    bool dec = false;
    for (const auto& unit : record->units) {
        if (!unit.label.empty()) {
            if (unit.label == kUnitDec) {
                dec = true;
            } else {
                choices.push_back(unit.label);
            }
        } else {
            choices.push_back(unit.name);
        }
    }
    if (dec || choices.empty()) {
        choices.push_back(kUnitDec);  // an object without units is still shown in DEC
    }
    return choices;
}

}  // namespace morlo
