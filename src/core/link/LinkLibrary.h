#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "common/MessageSink.h"
#include "link/LinkObject.h"

namespace morlo::link {

// Message texts of loading and opening a link.
inline constexpr const char* kMsgSerialInterfaceFailure = "get Comm interface failure";
inline constexpr const char* kMsgCanInterfaceFailure = "get CAN interface failure";
inline constexpr const char* kMsgSerialInstanceFailure = "Create comm instance failure";
inline constexpr const char* kMsgCanInstanceFailure = "Create CAN instance failure";
inline constexpr const char* kMsgSerialLibraryFailure = "Load comm DLL failure";

using LinkFactory = std::function<std::unique_ptr<LinkObject>()>;

// Creates the link object of the selected link type and forwards open, close and the
// adapter version to it. The factories of the link types are registered by the program
// (serial and CAN from the Qt link layer, the simulated drive from the simulator).
class LinkLibrary {
  public:
    explicit LinkLibrary(MessageSink* messages = nullptr);
    ~LinkLibrary();
    LinkLibrary(const LinkLibrary&) = delete;
    LinkLibrary& operator=(const LinkLibrary&) = delete;

    void RegisterFactory(int linkType, LinkFactory factory);
    bool HasFactory(int linkType) const;

    // Makes the link object of the type (releasing an existing one first). Types without a
    // link object (offline) load nothing and succeed. 1 = ready, 0 = failed.
    int Load(int linkType);
    int LinkType() const { return linkType_; }

    // 0 = open, -1 = failed or no object.
    int Open(const LinkSettings& settings);
    void Close();
    // The adapter version text of a CAN link; false without a CAN object or adapter driver.
    bool GetVersion(std::string& text);

    // The object of the current type, or null.
    LinkObject* Current() const { return current_.get(); }
    const LinkSettings& LastSettings() const { return lastSettings_; }

  private:
    void Report(const char* text);

    MessageSink* messages_;
    std::map<int, LinkFactory> factories_;
    int linkType_ = kLinkTypeUnselected;
    std::unique_ptr<LinkObject> current_;
    LinkSettings lastSettings_;
};

}  // namespace morlo::link
