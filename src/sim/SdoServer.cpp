#include "SdoServer.h"

#include <algorithm>

#include "SdoAnswers.h"
#include "link/LinkConstants.h"
#include "link/SdoBlock.h"
#include "link/SdoFrame.h"

namespace morlo::sim {
namespace {

std::uint8_t ReadAnswerCommand(int bits) {
    switch (bits) {
        case 8:
            return link::kAnswer8;
        case 16:
            return link::kAnswer16;
        default:
            return link::kAnswer32;
    }
}

constexpr std::uint32_t kExpeditedBytes = 4;
// An expedited upload answer with the size indicated is the 4-byte answer with the number of
// unused bytes in bits 2-3.
constexpr int kUnusedBytesShift = 2;

link::SdoPayload ExpeditedTextAnswer(const link::SdoPayload& request, const std::string& data) {
    const auto unused = static_cast<std::uint8_t>(kExpeditedBytes - data.size());
    link::SdoPayload answer = EchoAnswer(
        request, static_cast<std::uint8_t>(link::kAnswer32 | unused << kUnusedBytesShift), 0);
    std::copy(data.begin(), data.end(), answer.begin() + 4);
    return answer;
}

int WidthOfWriteCommand(std::uint8_t command) {
    switch (command) {
        case link::kCmdWrite8:
            return 8;
        case link::kCmdWrite16:
            return 16;
        case link::kCmdWrite32:
            return 32;
        default:
            return 0;
    }
}

}  // namespace

std::optional<link::SdoPayload> SdoServer::Handle(const link::SdoPayload& request) {
    std::vector<link::SdoPayload> answers = HandleAll(request);
    if (answers.empty()) {
        return std::nullopt;
    }
    return answers.front();
}

std::vector<link::SdoPayload> SdoServer::HandleAll(const link::SdoPayload& request) {
    const std::uint8_t command = request[0];
    if (command == link::kCmdAbort) {
        upload_.End();
        block_.End();
        return {};
    }
    const std::uint8_t blockCommand = command & link::kBlockClientMask;
    if (dialect_ == SdoDialect::Standard && link::IsBlockUploadRequest(command)) {
        if (blockCommand == link::kCmdBlockUpload) {
            upload_.End();
            return {StartBlockUpload(request)};
        }
        if (block_.Active()) {
            return block_.Next(request);
        }
        return {AbortAnswer(request, link::AbortCode::CommandSpecifierInvalid)};
    }
    block_.End();
    if (std::optional<link::SdoPayload> answer = HandleOrdinary(request)) {
        return {*answer};
    }
    return {};
}

std::optional<link::SdoPayload> SdoServer::HandleOrdinary(const link::SdoPayload& request) {
    const std::uint8_t command = request[0];
    if (command == link::kCmdSegment || command == link::kCmdSegmentToggle) {
        return upload_.Next(request);
    }
    upload_.End();
    if (command == link::kCmdRead) {
        return Read(request);
    }
    if (int width = WidthOfWriteCommand(command); width != 0) {
        return Write(request, width);
    }
    return AbortAnswer(request, link::AbortCode::CommandSpecifierInvalid);
}

SimObject* SdoServer::Lookup(const link::SdoPayload& request, link::AbortCode& missing) {
    const ObjectKey key = link::PayloadKey(request);
    SimObject* object = objects_.Find(key);
    if (!object) {
        missing = objects_.HasIndex(IndexOf(key)) ? link::AbortCode::SubIndexDoesNotExist
                                                  : link::AbortCode::ObjectDoesNotExist;
    }
    return object;
}

std::string SdoServer::UploadBytes(const SimObject& object) {
    if (object.kind != ValueKind::Integer) {
        return hooks_.UploadData(object);
    }
    // The value's bytes, least significant first, as an expedited answer would carry them.
    std::string data;
    for (int shift = 0; shift < object.bits; shift += 8) {
        data.push_back(static_cast<char>((object.value >> shift) & 0xFF));
    }
    return data;
}

link::SdoPayload SdoServer::StartBlockUpload(const link::SdoPayload& request) {
    link::AbortCode missing{};
    SimObject* object = Lookup(request, missing);
    if (!object) {
        return AbortAnswer(request, missing);
    }
    const std::uint8_t blockSize = request[link::kBlockInitiateSizeByte];
    if (blockSize == 0 || blockSize > link::kMaxBlockSize) {
        return AbortAnswer(request, link::AbortCode::InvalidBlockSize);
    }
    std::string data = UploadBytes(*object);
    const std::uint8_t protocolSwitch = request[link::kBlockInitiateSwitchByte];
    if (protocolSwitch > 0 && data.size() <= protocolSwitch) {
        return Read(link::BuildPayload(object->key, link::kCmdRead, 0));
    }
    const bool crc = (request[0] & link::kBlockClientCrcBit) != 0;
    return block_.Start(object->key, std::move(data), blockSize, crc);
}

link::SdoPayload SdoServer::Read(const link::SdoPayload& request) {
    link::AbortCode missing{};
    SimObject* object = Lookup(request, missing);
    if (!object) {
        return AbortAnswer(request, missing);
    }
    if (object->kind != ValueKind::Integer) {
        std::string data = hooks_.UploadData(*object);
        const auto size = static_cast<std::uint32_t>(data.size());
        if (dialect_ == SdoDialect::Standard && size > 0 && size <= kExpeditedBytes) {
            return ExpeditedTextAnswer(request, data);
        }
        upload_.Start(object->key, std::move(data));
        return EchoAnswer(request, link::kAnswerSegmented, size);
    }
    if (segmentedNumbers_.contains(object->key)) {
        std::string data = UploadBytes(*object);
        const auto size = static_cast<std::uint32_t>(data.size());
        upload_.Start(object->key, std::move(data));
        return EchoAnswer(request, link::kAnswerSegmented, size);
    }
    return EchoAnswer(request, ReadAnswerCommand(object->bits), object->value);
}

std::optional<link::SdoPayload> SdoServer::Write(const link::SdoPayload& request, int width) {
    link::AbortCode missing{};
    SimObject* object = Lookup(request, missing);
    if (!object) {
        return AbortAnswer(request, missing);
    }
    if (!object->writable) {
        return AbortAnswer(request, link::AbortCode::WriteOfReadOnlyObject);
    }
    if (object->kind != ValueKind::Integer) {
        return AbortAnswer(request, link::AbortCode::UnsupportedAccess);
    }
    if (object->bits != width) {
        return AbortAnswer(request, link::AbortCode::DataTypeLengthMismatch);
    }
    const std::uint32_t raw = object->Encode(link::PayloadValue(request));
    const std::int64_t number = object->Decode(raw);
    if (number < object->min) {
        return AbortAnswer(request, link::AbortCode::ValueTooLow);
    }
    if (number > object->max) {
        return AbortAnswer(request, link::AbortCode::ValueTooHigh);
    }
    const WriteOutcome outcome = hooks_.Write(*object, raw);
    switch (outcome.kind) {
        case WriteOutcome::Kind::Refused:
            return AbortAnswer(request, outcome.code);
        case WriteOutcome::Kind::Silent:
            return std::nullopt;
        case WriteOutcome::Kind::Done:
            break;
    }
    return EchoAnswer(request, link::kAnswerWrite, dialect_ == SdoDialect::Standard ? 0 : raw);
}

}  // namespace morlo::sim
