#include "JsonLines.h"

#include <nlohmann/json.hpp>

#include "values/ValueConversion.h"

namespace morlo::cli {

void WriteJsonLine(std::ostream& out, const ResultLine& line) {
    nlohmann::ordered_json object;
    object["command"] = line.command;
    auto put = [&](const char* name, const std::optional<std::string>& text) {
        if (text) {
            object[name] = *text;
        }
    };
    put("key", line.key);
    put("name", line.name);
    put("value", line.value);
    put("unit", line.unit);
    if (line.raw) {
        object["raw"] = *line.raw;
    }
    put("result", line.result);
    for (const auto& [name, text] : line.texts) {
        object[name] = text;
    }
    for (const auto& [name, number] : line.numbers) {
        object[name] = number;
    }
    out << object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
        << std::endl;
}

std::optional<std::int64_t> RawNumber(std::string_view dataType, std::uint32_t raw) {
    // The same number a page converts into its unit, so that raw and value agree.
    const std::optional<double> number = ValueConversion::RawToNumber(dataType, raw);
    if (!number) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(*number);
}

}  // namespace morlo::cli
