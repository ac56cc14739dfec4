#include "operations/parameter_handoff.h"

#include <algorithm>

namespace skelvane {

void ParameterHandoff::Post(std::vector<Parameter>& baseline, const std::vector<Parameter>& current,
                            std::uint32_t flags) {
    std::vector<ParameterChange> changes;
    for (std::size_t i = 0; i < current.size(); ++i) {
        const Parameter& now = current[i];
        if (i < baseline.size() && baseline[i].value == now.value &&
            baseline[i].textValue == now.textValue) {
            continue;
        }
        changes.push_back({i, now.name, now.value, now.textValue});
    }
    baseline = current;
    std::function<void()> listener;
    {
        std::lock_guard lock(mutex_);
        for (ParameterChange& change : changes) {
            const auto same = std::find_if(
                pending_.changes.begin(), pending_.changes.end(),
                [&change](const ParameterChange& c) { return c.index == change.index; });
            if (same != pending_.changes.end()) {
                *same = std::move(change);
            } else {
                pending_.changes.push_back(std::move(change));
            }
        }
        pending_.flags |= flags;
        hasPending_ = true;
        listener = listener_;
    }
    if (listener) {
        listener();
    }
}

ParameterHandoff::Batch ParameterHandoff::Take() {
    std::lock_guard lock(mutex_);
    Batch batch = std::move(pending_);
    pending_ = Batch{};
    hasPending_ = false;
    return batch;
}

bool ParameterHandoff::Pending() const {
    std::lock_guard lock(mutex_);
    return hasPending_;
}

void ParameterHandoff::SetListener(std::function<void()> listener) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(listener);
}

std::size_t ApplyParameterChanges(std::vector<Parameter>& parameters,
                                  const std::vector<ParameterChange>& changes) {
    std::size_t applied = 0;
    for (const ParameterChange& change : changes) {
        Parameter* target = nullptr;
        if (change.index < parameters.size() && parameters[change.index].name == change.name) {
            target = &parameters[change.index];
        } else {
            const auto found =
                std::find_if(parameters.begin(), parameters.end(),
                             [&change](const Parameter& p) { return p.name == change.name; });
            if (found != parameters.end()) {
                target = &*found;
            }
        }
        if (target != nullptr) {
            target->value = change.value;
            target->textValue = change.textValue;
            ++applied;
        }
    }
    return applied;
}

}  // namespace skelvane
