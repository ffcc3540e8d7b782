#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/MessageSink.h"
#include "common/ObjectKey.h"
#include "engine/EngineConstants.h"
#include "values/FormulaMath.h"

namespace morlo {

inline constexpr const char* kMsgConstantMissing = "Not exist the const value!! \n";

// Submits a request to the drive (the control link's SubmitRequest).
using RequestSubmitter = std::function<int(engine::ReceiverId window, std::uint8_t command,
                                           ObjectKey key, std::int32_t value)>;

// Evaluates unit formulas with the values of other drive objects (constants). A formula that
// needs a value not known yet asks the drive for it (the answer goes to the main window, which
// hands it to ConstantArrived). Any number of conversions may wait for constants; each runs
// once when the constant it waits for has arrived. User-interface thread only.
class FormulaEvaluator {
  public:
    FormulaEvaluator(RequestSubmitter submit, std::function<engine::ReceiverId()> mainWindow,
                     MessageSink* messages = nullptr);

    // False when a constant was missing (its read has been requested).
    bool Evaluate(engine::ReceiverId window, const std::string& formula, double n, double& out);
    // The same, rounded to the nearest integer (halves away from zero); false also when the
    // result is not finite or does not fit 64 bits.
    bool EvaluateToInteger(engine::ReceiverId window, const std::string& formula, double n,
                           std::int64_t& out);
    // The constant of the last failed Evaluate.
    ObjectKey LastMissingConstant() const { return lastMissing_; }

    // Parks a conversion until the constant is known: `retry` then runs once (it may park
    // itself again for another constant). `abandon`, when given, runs instead if the drive
    // refuses to give the constant.
    void StorePending(ObjectKey constant, std::function<void()> retry,
                      std::function<void()> abandon = {});
    // Parks a read of `key` for `window` until the constant is known, so that the window gets
    // the key's value again and can show it then; one such read per window, key and constant.
    void ParkRead(ObjectKey constant, engine::ReceiverId window, ObjectKey key);
    // Runs, once each, every parked conversion whose constant is now known.
    void RunPending();
    std::size_t PendingCount() const { return pending_.size(); }
    bool HasPending() const { return !pending_.empty(); }
    // Submits a request as the conversions do (the control link's SubmitRequest).
    int Submit(engine::ReceiverId window, std::uint8_t command, ObjectKey key, std::int32_t value);
    // The link closed: parked conversions are dropped and reads under way forgotten.
    void DropPending();

    // Asks the drive for a constant on behalf of the main window, unless a read of it is
    // already under way.
    void RequestConstant(ObjectKey key);
    // A value the main window asked for: the table gets it (added, or updated when present),
    // then the parked conversions that waited for it run.
    void ConstantArrived(ObjectKey key, std::int32_t value);
    // The drive refused a constant: the conversions waiting for it are abandoned.
    void ConstantRefused(ObjectKey key);
    bool IsRequested(ObjectKey key) const { return requested_.count(key) != 0; }

    void AddConstant(ObjectKey key, std::int32_t value);
    bool HasConstant(ObjectKey key) const;
    // The first value of the key; a missing key is reported and gives 1.
    std::int32_t GetConstant(ObjectKey key);
    // The value of the key without a report; nullopt when it is not known.
    std::optional<std::int32_t> FindConstant(ObjectKey key) const;
    // Sets every entry of the key; keys not in the table are ignored.
    void UpdateConstant(ObjectKey key, std::int32_t value);

    // Shows formula messages to the user.
    void Show(const std::vector<std::string>& messages);

  private:
    struct Constant {
        ObjectKey key;
        std::int32_t value;
    };
    struct Pending {
        ObjectKey constant;
        std::function<void()> retry;
        std::function<void()> abandon;
        std::optional<std::pair<engine::ReceiverId, ObjectKey>> read;  // a parked read
    };

    RequestSubmitter submit_;
    std::function<engine::ReceiverId()> mainWindow_;
    MessageSink* messages_;
    std::vector<Constant> constants_;
    std::vector<Pending> pending_;
    std::set<ObjectKey> requested_;
    ObjectKey lastMissing_ = 0;
};

}  // namespace morlo
