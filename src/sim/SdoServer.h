#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "BlockUpload.h"
#include "ObjectStore.h"
#include "SdoDialect.h"
#include "SegmentedUpload.h"
#include "link/AbortCode.h"
#include "link/LinkTypes.h"

namespace morlo::sim {

// What became of a write that passed the generic checks.
struct WriteOutcome {
    enum class Kind { Done, Refused, Silent };
    Kind kind = Kind::Done;
    link::AbortCode code = link::AbortCode::GeneralError;

    static WriteOutcome Ok() { return {}; }
    static WriteOutcome Refuse(link::AbortCode code) { return {Kind::Refused, code}; }
    static WriteOutcome NoAnswer() { return {Kind::Silent, link::AbortCode::GeneralError}; }
};

// What the drive does with the objects beyond the protocol.
class SdoObjectHooks {
  public:
    virtual ~SdoObjectHooks() = default;
    // Stores a checked value (in the object's width) and does what writing the object does.
    virtual WriteOutcome Write(SimObject& object, std::uint32_t value) = 0;
    // The bytes a VISIBLE STRING or DOMAIN object uploads.
    virtual std::string UploadData(const SimObject& object) = 0;
};

// Answers SDO requests: expedited reads and writes with their checks, segmented uploads, and
// in the standard dialect block uploads.
class SdoServer {
  public:
    SdoServer(ObjectStore& objects, SdoObjectHooks& hooks, SdoDialect dialect = SdoDialect::Family)
        : objects_(objects), hooks_(hooks), dialect_(dialect), upload_(dialect) {}

    // The answer to one request; nullopt when the drive stays silent (also after an abort
    // from the client, which is never answered).
    std::optional<link::SdoPayload> Handle(const link::SdoPayload& request);
    // Every answer to one request: none, one, or the segments of a block.
    std::vector<link::SdoPayload> HandleAll(const link::SdoPayload& request);
    void EndUpload() {
        upload_.End();
        block_.End();
    }
    // Reads of this number object are answered in segments, as a CiA 301 server may do.
    void SendInSegments(ObjectKey key) { segmentedNumbers_.insert(key); }

  private:
    std::optional<link::SdoPayload> HandleOrdinary(const link::SdoPayload& request);
    link::SdoPayload Read(const link::SdoPayload& request);
    // The answer to a block upload initiate: the block upload's, or with data no longer than
    // the client's protocol switch threshold an ordinary upload's.
    link::SdoPayload StartBlockUpload(const link::SdoPayload& request);
    // The bytes an upload of the object carries.
    std::string UploadBytes(const SimObject& object);
    std::optional<link::SdoPayload> Write(const link::SdoPayload& request, int width);
    // The object of a request, or the abort code that says why there is none.
    SimObject* Lookup(const link::SdoPayload& request, link::AbortCode& missing);

    ObjectStore& objects_;
    SdoObjectHooks& hooks_;
    SdoDialect dialect_;
    SegmentedUpload upload_;
    BlockUpload block_;
    std::set<ObjectKey> segmentedNumbers_;
};

}  // namespace morlo::sim
