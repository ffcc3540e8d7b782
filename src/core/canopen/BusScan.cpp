#include "canopen/BusScan.h"

#include <algorithm>
#include <map>

#include "canopen/NetworkConstants.h"
#include "link/AbortCode.h"
#include "link/LinkConstants.h"
#include "link/SdoFrame.h"
#include "link/UploadReader.h"

namespace morlo::canopen {
namespace {

using link::SdoPayload;

// The texts read from each node that answered, in this order.
constexpr ObjectKey kTexts[] = {kDeviceNameKey, kSoftwareVersionKey};
constexpr std::size_t kTextCount = std::size(kTexts);

std::optional<int> AnsweringNode(const link::CanMessage& message) {
    const auto node = static_cast<int>(message.id - link::kCanResponseBase);
    if (message.id <= link::kCanResponseBase || node > kLastNode ||
        message.length < link::kPayloadSize) {
        return std::nullopt;
    }
    return node;
}

// One node's reads of its texts, one request open at a time.
struct TextReads {
    std::size_t index = 0;  // into kTexts
    SdoPayload request{};
    link::UploadReader upload;
    link::CanPort::TimePoint deadline;
    ScannedNode* result = nullptr;

    bool Done() const { return index >= kTextCount; }
};

class TextReader {
  public:
    explicit TextReader(link::CanPort& port) : port_(port) {}

    void Start(ScannedNode& node) {
        TextReads& reads = reads_[node.node];
        reads.result = &node;
        Request(node.node, reads, link::BuildPayload(kTexts[0], link::kCmdRead, 0));
    }

    // Runs until every node has its texts or gave none in time.
    void Run() {
        while (true) {
            auto earliest =
                std::min_element(reads_.begin(), reads_.end(), [](const auto& a, const auto& b) {
                    return !a.second.Done() &&
                           (b.second.Done() || a.second.deadline < b.second.deadline);
                });
            if (earliest == reads_.end() || earliest->second.Done()) {
                return;
            }
            std::optional<link::CanMessage> message = port_.Receive(earliest->second.deadline);
            if (!message) {
                GiveUp(earliest->first, earliest->second);
                continue;
            }
            auto node = AnsweringNode(*message);
            auto it = node ? reads_.find(*node) : reads_.end();
            if (it == reads_.end() || it->second.Done()) {
                port_.PassOn(*message);
                continue;
            }
            TextReads& reads = it->second;
            const SdoPayload answer = link::CanPayload(*message);
            const ObjectKey key = kTexts[reads.index];
            if (link::AnswerFits(reads.request, answer, key)) {
                Take(*node, reads, answer);
            }
        }
    }

  private:
    void Request(int node, TextReads& reads, const SdoPayload& request) {
        reads.request = request;
        reads.deadline = port_.Now() + link::kLinkTimeout;
        port_.Send(link::BuildCanRequest(node, request));
    }

    void Next(int node, TextReads& reads, std::optional<std::string> text) {
        (reads.index == 0 ? reads.result->name : reads.result->version) = std::move(text);
        reads.upload.Stop();
        if (++reads.index < kTextCount) {
            Request(node, reads, link::BuildPayload(kTexts[reads.index], link::kCmdRead, 0));
        }
    }

    void GiveUp(int node, TextReads& reads) {
        if (reads.upload.Running()) {
            port_.Send(link::BuildCanRequest(
                node, link::BuildAbort(
                          kTexts[reads.index],
                          static_cast<std::uint32_t>(link::AbortCode::SdoProtocolTimedOut))));
        }
        Next(node, reads, std::nullopt);
    }

    void Take(int node, TextReads& reads, const SdoPayload& answer) {
        const ObjectKey key = kTexts[reads.index];
        if (answer[0] == link::kCmdAbort) {
            reads.upload.Stop();
            Next(node, reads, std::nullopt);
            return;
        }
        if (!reads.upload.Running()) {
            auto decoded = link::DecodeAnswer(link::kCmdRead, answer, 0);
            if (decoded && decoded->kind == link::ResultKind::UploadStarted) {
                Request(node, reads, link::BuildPayload(0, reads.upload.Start(key), 0));
            } else {
                Next(node, reads,
                     decoded ? std::optional(link::ExpeditedText(decoded->value)) : std::nullopt);
            }
            return;
        }
        const int count = link::SegmentDataCount(answer[0]);
        const auto step = reads.upload.Add({answer.data() + 1, static_cast<std::size_t>(count)},
                                           link::IsLastSegment(answer[0]));
        switch (step) {
            case link::UploadReader::Step::Next:
                Request(node, reads, link::BuildPayload(0, reads.upload.NextCommand(), 0));
                return;
            case link::UploadReader::Step::Done:
                Next(node, reads, reads.upload.Data());
                return;
            case link::UploadReader::Step::TooLong:
                port_.Send(link::BuildCanRequest(
                    node, link::BuildAbort(
                              key, static_cast<std::uint32_t>(link::AbortCode::OutOfMemory))));
                Next(node, reads, std::nullopt);
                return;
        }
    }

    link::CanPort& port_;
    std::map<int, TextReads> reads_;
};

}  // namespace

std::vector<ScannedNode> ScanBus(link::CanPort& port, int from, int to) {
    from = std::max(from, kFirstNode);
    to = std::min(to, kLastNode);
    const SdoPayload request = link::BuildPayload(kDeviceTypeKey, link::kCmdRead, 0);
    std::map<int, ScannedNode> found;
    int asked = 0;
    for (int node = from; node <= to; ++node) {
        if (port.Send(link::BuildCanRequest(node, request)) == 0) {
            ++asked;
        }
    }
    const auto deadline = port.Now() + link::kLinkTimeout;
    while (static_cast<int>(found.size()) < asked) {
        std::optional<link::CanMessage> message = port.Receive(deadline);
        if (!message) {
            break;
        }
        auto node = AnsweringNode(*message);
        const SdoPayload answer = link::CanPayload(*message);
        if (!node || *node < from || *node > to || found.contains(*node) ||
            !link::AnswerFits(request, answer)) {
            port.PassOn(*message);
            continue;
        }
        ScannedNode& scanned = found[*node];
        scanned.node = *node;
        auto decoded = link::DecodeAnswer(link::kCmdRead, answer, 0);
        if (answer[0] == link::kCmdAbort) {
            scanned.refusal = link::PayloadValue(answer);
        } else if (decoded && decoded->kind == link::ResultKind::Value) {
            scanned.deviceType = decoded->value;
        }
    }
    TextReader texts(port);
    for (auto& [node, scanned] : found) {
        texts.Start(scanned);
    }
    texts.Run();
    std::vector<ScannedNode> out;
    for (auto& [node, scanned] : found) {
        out.push_back(std::move(scanned));
    }
    return out;
}

}  // namespace morlo::canopen
