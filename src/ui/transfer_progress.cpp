#include "ui/transfer_progress.h"

#include "base/format.h"

namespace skelvane {

void TransferProgress::reset() {
    *this = TransferProgress{};
}

void TransferProgress::observe(std::size_t done, std::size_t total, Clock::time_point at) {
    if (total == 0) {
        return;
    }
    if (total != total_ || done < done_ || !started()) {
        firstDone_ = done;
        first_ = at;
    }
    done_ = done > total ? total : done;
    total_ = total;
    last_ = at;
}

std::optional<std::chrono::seconds> TransferProgress::timeLeft() const {
    if (!started() || done_ >= total_ || done_ <= firstDone_ || last_ <= first_) {
        return std::nullopt;
    }
    const double elapsed = std::chrono::duration<double>(last_ - first_).count();
    const double perBlock = elapsed / static_cast<double>(done_ - firstDone_);
    const double left = perBlock * static_cast<double>(total_ - done_);
    return std::chrono::seconds(static_cast<long long>(left + 0.5));
}

std::string TransferProgress::clockText(std::chrono::seconds duration) {
    const long long total = duration.count() < 0 ? 0 : duration.count();
    const long long hours = total / 3600;
    const long long minutes = total / 60 % 60;
    const long long seconds = total % 60;
    if (hours > 0) {
        return Format("%lld:%02lld:%02lld", hours, minutes, seconds);
    }
    return Format("%lld:%02lld", minutes, seconds);
}

std::string TransferProgress::text() const {
    if (!started()) {
        return {};
    }
    std::string text = Format("%zu / %zu blocks", done_, total_);
    if (const auto left = timeLeft()) {
        text += ", " + clockText(*left) + " left";
    }
    return text;
}

}  // namespace skelvane
