#pragma once

#include <cstdint>
#include <functional>
#include <optional>
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
// adds the constant and runs the parked conversion). One conversion can be parked at a time.
// User-interface thread only.
class FormulaEvaluator {
  public:
    FormulaEvaluator(RequestSubmitter submit, std::function<engine::ReceiverId()> mainWindow,
                     MessageSink* messages = nullptr);

    // False when a constant was missing (its read has been requested).
    bool Evaluate(engine::ReceiverId window, const std::string& formula, double n, double& out);
    bool EvaluateToInteger(engine::ReceiverId window, const std::string& formula, double n,
                           std::int64_t& out);

    // Parks a conversion for the window of the last Evaluate; a later one replaces it.
    void StorePending(ObjectKey key, std::uint8_t command, double n, const std::string& formula);
    // Runs the parked conversion; when it succeeds its request is submitted and it is no longer
    // parked, otherwise it stays parked for the next arrival.
    void RunPending();
    bool HasPending() const { return pending_.has_value(); }

    void AddConstant(ObjectKey key, std::int32_t value);
    bool HasConstant(ObjectKey key) const;
    // The first value of the key; a missing key is reported and gives 1.
    std::int32_t GetConstant(ObjectKey key);
    // Sets every entry of the key; keys not in the table are ignored.
    void UpdateConstant(ObjectKey key, std::int32_t value);

  private:
    struct Constant {
        ObjectKey key;
        std::int32_t value;
    };
    struct Pending {
        std::string formula;
        double n;
        std::uint8_t command;
        ObjectKey key;
        engine::ReceiverId window;
    };
    std::optional<std::int32_t> Lookup(ObjectKey key) const;
    void Show(const std::vector<std::string>& messages);

    RequestSubmitter submit_;
    std::function<engine::ReceiverId()> mainWindow_;
    MessageSink* messages_;
    engine::ReceiverId lastWindow_ = engine::kNoReceiver;
    std::vector<Constant> constants_;
    std::optional<Pending> pending_;
};

}  // namespace morlo
