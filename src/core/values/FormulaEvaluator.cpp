#include "values/FormulaEvaluator.h"

#include "link/LinkConstants.h"

namespace morlo {

FormulaEvaluator::FormulaEvaluator(RequestSubmitter submit,
                                   std::function<engine::ReceiverId()> mainWindow,
                                   MessageSink* messages)
    : submit_(std::move(submit)), mainWindow_(std::move(mainWindow)), messages_(messages) {}

std::optional<std::int32_t> FormulaEvaluator::FindConstant(ObjectKey key) const {
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

bool FormulaEvaluator::Evaluate(engine::ReceiverId, const std::string& formula, double n,
                                double& out) {
    FormulaOutcome outcome =
        EvaluateFormula(formula, n, [this](ObjectKey key) { return FindConstant(key); });
    Show(outcome.messages);
    if (!outcome.ok) {
        lastMissing_ = outcome.missingConstant;
        RequestConstant(outcome.missingConstant);
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
    std::optional<std::int64_t> rounded = RoundToInt64(value);
    if (!rounded) {
        return false;
    }
    out = *rounded;
    return true;
}

void FormulaEvaluator::RequestConstant(ObjectKey key) {
    if (!requested_.insert(key).second) {
        return;  // one read of it is on its way already
    }
    if (submit_) {
        submit_(mainWindow_ ? mainWindow_() : engine::kNoReceiver, link::kCmdRead, key, 0);
    }
}

void FormulaEvaluator::StorePending(ObjectKey constant, std::function<void()> retry,
                                    std::function<void()> abandon) {
    pending_.push_back({constant, std::move(retry), std::move(abandon), std::nullopt});
}

void FormulaEvaluator::ParkRead(ObjectKey constant, engine::ReceiverId window, ObjectKey key) {
    const auto read = std::make_pair(window, key);
    for (const Pending& parked : pending_) {
        if (parked.constant == constant && parked.read == read) {
            return;
        }
    }
    pending_.push_back(
        {constant, [this, window, key] { Submit(window, link::kCmdRead, key, 0); }, {}, read});
}

int FormulaEvaluator::Submit(engine::ReceiverId window, std::uint8_t command, ObjectKey key,
                             std::int32_t value) {
    return submit_ ? submit_(window, command, key, value) : 0;
}

void FormulaEvaluator::RunPending() {
    // Taken out first: a retry may park itself again, and must not run twice for one arrival.
    std::vector<Pending> ready;
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (HasConstant(it->constant)) {
            ready.push_back(std::move(*it));
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& parked : ready) {
        if (parked.retry) {
            parked.retry();
        }
    }
}

void FormulaEvaluator::DropPending() {
    pending_.clear();
    requested_.clear();
}

void FormulaEvaluator::ConstantArrived(ObjectKey key, std::int32_t value) {
    requested_.erase(key);
    if (HasConstant(key)) {
        UpdateConstant(key, value);
    } else {
        AddConstant(key, value);
    }
    RunPending();
}

void FormulaEvaluator::ConstantRefused(ObjectKey key) {
    requested_.erase(key);
    std::vector<Pending> abandoned;
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->constant == key) {
            abandoned.push_back(std::move(*it));
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& parked : abandoned) {
        if (parked.abandon) {
            parked.abandon();
        }
    }
}

void FormulaEvaluator::AddConstant(ObjectKey key, std::int32_t value) {
    constants_.push_back({key, value});
}

bool FormulaEvaluator::HasConstant(ObjectKey key) const {
    return FindConstant(key).has_value();
}

std::int32_t FormulaEvaluator::GetConstant(ObjectKey key) {
    auto value = FindConstant(key);
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
