#include "values/FormulaEvaluator.h"

#include "link/LinkConstants.h"

namespace morlo {

FormulaEvaluator::FormulaEvaluator(RequestSubmitter submit,
                                   std::function<engine::ReceiverId()> mainWindow,
                                   MessageSink* messages)
    : submit_(std::move(submit)), mainWindow_(std::move(mainWindow)), messages_(messages) {}

std::optional<std::int32_t> FormulaEvaluator::Lookup(ObjectKey key) const {
    for (const auto& c : constants_) {
        if (c.key == key) {
            return c.value;
        }
    }
    return std::nullopt;
}

void FormulaEvaluator::Show(const std::vector<std::string>& messages) {
    if (!messages_) {
        return;
    }
    for (const auto& text : messages) {
        messages_->ShowMessage(text);
    }
}

bool FormulaEvaluator::Evaluate(engine::ReceiverId window, const std::string& formula, double n,
                                double& out) {
    lastWindow_ = window;
    FormulaOutcome outcome =
        EvaluateFormula(formula, n, [this](ObjectKey key) { return Lookup(key); });
    Show(outcome.messages);
    if (!outcome.ok) {
        if (submit_) {
            submit_(mainWindow_ ? mainWindow_() : engine::kNoReceiver, link::kCmdRead,
                    outcome.missingConstant, 0);
        }
        return false;
    }
    out = outcome.value;
    return true;
}

bool FormulaEvaluator::EvaluateToInteger(engine::ReceiverId window, const std::string& formula,
                                         double n, std::int64_t& out) {
    double value = 0.0;
    if (!Evaluate(window, formula, n, value)) {
        return false;
    }
    out = TruncateToInt64(value);
    return true;
}

void FormulaEvaluator::StorePending(ObjectKey key, std::uint8_t command, double n,
                                    const std::string& formula) {
    pending_ = Pending{formula, n, command, key, lastWindow_};
}

void FormulaEvaluator::RunPending() {
    if (!pending_) {
        return;
    }
    const Pending parked = *pending_;
    std::int64_t result = 0;
    if (!EvaluateToInteger(parked.window, parked.formula, parked.n, result)) {
        return;
    }
    // Submitted once: running it again at a later arrival would repeat an old write.
    pending_.reset();
    if (submit_) {
        submit_(parked.window, parked.command, parked.key, static_cast<std::int32_t>(result));
    }
}

void FormulaEvaluator::AddConstant(ObjectKey key, std::int32_t value) {
    constants_.push_back({key, value});
}

bool FormulaEvaluator::HasConstant(ObjectKey key) const {
    return Lookup(key).has_value();
}

std::int32_t FormulaEvaluator::GetConstant(ObjectKey key) {
    auto value = Lookup(key);
    if (!value) {
        if (messages_) {
            messages_->ShowMessage(kMsgConstantMissing);
        }
        return 1;
    }
    return *value;
}

void FormulaEvaluator::UpdateConstant(ObjectKey key, std::int32_t value) {
    for (auto& c : constants_) {
        if (c.key == key) {
            c.value = value;
        }
    }
}

}  // namespace morlo
