#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

#include "SimClock.h"
#include "SimulatedDrive.h"
#include "dictionary/DictionarySource.h"
#include "link/SdoFrame.h"

namespace morlo::sim::test {

// One object of an inline test dictionary.
struct TestObject {
    const char* key;  // "IIII:SS"
    const char* type;
    const char* access;
    const char* defaultText = "";
    const char* min = "";
    const char* max = "";
};

inline DictionarySource MakeSource(std::initializer_list<TestObject> objects) {
    std::string text;
    for (const TestObject& o : objects) {
        text += std::string("[") + o.key + "]\nname-zh = t\nname-en = t\ntype = " + o.type +
                "\naccess = " + o.access + "\nhelp-zh = t\nhelp-en = t\n";
        if (*o.defaultText)
            text += std::string("default = ") + o.defaultText + "\n";
        if (*o.min)
            text += std::string("min = ") + o.min + "\n";
        if (*o.max)
            text += std::string("max = ") + o.max + "\n";
    }
    DictionarySource source = ParseDictionarySource(text, "test.txt");
    EXPECT_TRUE(source.issues.empty());
    return source;
}

// The objects most drive tests need: the drive profile core, errors, recorder, store, restart,
// and a few plain test objects in 0x3000.
inline DictionarySource BaseSource() {
    return MakeSource({
        {"1008:00", "VISIBLE STRING", "R", "Test Drive"},
        {"6040:00", "U16", "RW"},
        {"6041:00", "U16", "R"},
        {"6060:00", "I8", "RW", "3", "-6", "10"},
        {"6061:00", "I8", "R"},
        {"6064:00", "I32", "R"},
        {"606C:00", "I32", "R"},
        {"6077:00", "I16", "R"},
        {"6078:00", "I16", "R"},
        {"6083:00", "U32", "RW", "500000", "1"},
        {"6084:00", "U32", "RW", "500000", "1"},
        {"60FF:00", "I32", "RW"},
        {"2300:01", "U32", "RW"},
        {"2300:02", "U32", "RW"},
        {"2300:03", "U32", "RW"},
        {"2300:04", "U32", "RW"},
        {"2300:05", "U32", "RW"},
        {"2300:06", "U32", "RW"},
        {"2300:07", "U8", "RW", "0", "0", "3"},
        {"2300:08", "U16", "RW", "16", "1", "16000"},
        {"2300:09", "U16", "RW", "0"},
        {"2300:0A", "U16", "RW", "10", "1", "4000"},
        {"2300:0B", "U8", "RW", "1"},
        {"2300:0C", "U32", "RW"},
        {"2300:0D", "I32", "RW"},
        {"2300:0E", "U16", "R"},
        {"2300:0F", "U16", "R"},
        {"2300:10", "DOMAIN", "R"},
        {"2600:00", "U16", "RW", "0xFFFF"},
        {"2601:00", "U16", "R"},
        {"2610:01", "U16", "R"},
        {"2610:07", "U32", "R"},
        {"2611:01", "U16", "R"},
        {"2611:07", "U32", "R"},
        {"2FF0:01", "U8", "RW", "0", "0", "10"},
        {"2FF0:03", "U8", "RW", "0", "0", "1"},
        {"2FF0:04", "U8", "RW", "0", "0", "15"},
        {"2FFF:00", "U16", "RW"},
        {"3000:01", "U8", "RW", "200"},
        {"3000:02", "I8", "RW", "-3"},
        {"3000:03", "U16", "RW", "100", "10", "1000"},
        {"3000:04", "I16", "RW", "-300", "-500", "500"},
        {"3000:05", "U32", "RW", "0xFFFFFFF0"},
        {"3000:06", "I32", "RW", "-100000"},
        {"3000:07", "U16", "R", "7"},
        {"3000:08", "VISIBLE STRING", "R", "0123456789"},
        {"3000:09", "VISIBLE STRING", "R", "ABCDEFGHIJKLMN"},
    });
}

// Starts switch-on-disabled instead of running the demo.
inline DriveOptions IdleOptions() {
    DriveOptions options;
    options.startEnabled = false;
    return options;
}

inline link::SdoPayload Request(std::uint8_t command, std::int32_t index, std::int32_t sub,
                                std::uint32_t value = 0) {
    return link::BuildPayload(MakeObjectKey(index, sub), command, static_cast<std::int32_t>(value));
}

// A drive on a manual clock.
struct TestDrive {
    explicit TestDrive(const DictionarySource& source, DriveOptions options = {})
        : clock(std::make_shared<ManualSimClock>()),
          drive(std::make_shared<SimulatedDrive>(source, std::move(options), clock)) {}

    link::SdoPayload Ask(const link::SdoPayload& request) {
        auto answer = drive->HandleRequest(request);
        EXPECT_TRUE(answer.has_value());
        return answer.value_or(link::SdoPayload{});
    }
    link::SdoPayload Read(std::int32_t index, std::int32_t sub) {
        return Ask(Request(link::kCmdRead, index, sub));
    }
    link::SdoPayload Write(std::uint8_t command, std::int32_t index, std::int32_t sub,
                           std::uint32_t value) {
        return Ask(Request(command, index, sub, value));
    }
    void Run(std::chrono::nanoseconds time) {
        clock->Advance(time);
        drive->Tick();
    }

    std::shared_ptr<ManualSimClock> clock;
    std::shared_ptr<SimulatedDrive> drive;
};

inline std::uint32_t AbortCodeOf(const link::SdoPayload& answer) {
    return answer[0] == link::kCmdAbort ? link::PayloadValue(answer) : 0;
}

inline std::uint32_t Code(link::AbortCode code) {
    return static_cast<std::uint32_t>(code);
}

}  // namespace morlo::sim::test
