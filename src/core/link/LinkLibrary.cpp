#include "link/LinkLibrary.h"

namespace morlo::link {
namespace {

bool NeedsObject(int linkType) {
    return linkType == kLinkTypeSerial || linkType == kLinkTypeCan ||
           linkType == kLinkTypeSimulated;
}

}  // namespace

LinkLibrary::LinkLibrary(MessageSink* messages) : messages_(messages) {}

LinkLibrary::~LinkLibrary() {
    if (current_) {
        current_->Close();
    }
}

void LinkLibrary::RegisterFactory(int linkType, LinkFactory factory) {
    factories_[linkType] = std::move(factory);
}

bool LinkLibrary::HasFactory(int linkType) const {
    return factories_.count(linkType) != 0;
}

void LinkLibrary::Report(const char* text) {
    if (messages_) {
        messages_->ShowMessage(text);
    }
}

int LinkLibrary::Load(int linkType) {
    linkType_ = linkType;
    if (!NeedsObject(linkType)) {
        return 1;
    }
    if (current_) {
        current_->Close();
        current_.reset();
    }
    const bool can = linkType == kLinkTypeCan;
    auto factory = factories_.find(linkType);
    if (factory == factories_.end()) {
        Report(can ? kMsgCanInterfaceFailure : kMsgSerialInterfaceFailure);
        return 0;
    }
    current_ = factory->second();
    if (!current_) {
        Report(can ? kMsgCanInstanceFailure : kMsgSerialInstanceFailure);
        return 0;
    }
    return 1;
}

int LinkLibrary::Open(const LinkSettings& settings) {
    lastSettings_ = settings;
    if (!current_) {
        if (linkType_ == kLinkTypeSerial || linkType_ == kLinkTypeSimulated) {
            Report(factories_.count(linkType_) ? kMsgSerialInstanceFailure
                                               : kMsgSerialLibraryFailure);
        }
        return -1;
    }
    return current_->Open(settings) == 0 ? 0 : -1;
}

void LinkLibrary::Close() {
    if (current_) {
        current_->Close();
    }
}

bool LinkLibrary::GetVersion(std::string& text) {
    auto* can = dynamic_cast<CanLinkObject*>(current_.get());
    return can != nullptr && can->GetVersion(text);
}

}  // namespace morlo::link
