#include "operations/discovery_model.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "base/format.h"
#include "link/frame.h"

namespace skelvane {
namespace {

constexpr int kReplyPolls = 100;
constexpr int kLatePolls = 3 * kReplyPolls;
constexpr Millis kRemoteSettle{200};
constexpr Millis kIdlePoll{1 + 6};  // the poll's sleep and the port's read timeout
constexpr std::uint8_t kOperatingModeRegister = 0x01;
constexpr std::size_t kMaxTextLength = 64;
constexpr std::uint16_t kHighestAddress = 65534;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<std::uint32_t> Address(std::string_view text) {
    text = Trim(text);
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value == 0 ||
        value > kHighestAddress) {
        return std::nullopt;
    }
    return value;
}

std::uint16_t FrameUa(std::span<const std::uint8_t> frame) {
    return static_cast<std::uint16_t>(frame[1] << 8 | frame[2]);
}

}  // namespace

std::optional<std::vector<std::uint16_t>> ParseUnitAddressList(std::string_view text,
                                                               std::string& error) {
    std::vector<std::uint16_t> addresses;
    std::set<std::uint16_t> seen;
    std::size_t at = 0;
    for (;;) {
        const std::size_t comma = text.find(',', at);
        const std::string_view item = Trim(text.substr(at, comma - at));
        const std::size_t dash = item.find('-');
        const auto first = Address(item.substr(0, dash));
        const auto last = dash == std::string_view::npos ? first : Address(item.substr(dash + 1));
        if (!first || !last || *last < *first) {
            error = Format(
                "\"%.*s\" is not a unit address (1 to 65534) or a range of them "
                "(like 1-254)",
                static_cast<int>(item.size()), item.data());
            return std::nullopt;
        }
        for (std::uint32_t ua = *first; ua <= *last; ++ua) {
            if (seen.insert(static_cast<std::uint16_t>(ua)).second) {
                addresses.push_back(static_cast<std::uint16_t>(ua));
            }
        }
        if (comma == std::string_view::npos) {
            return addresses;
        }
        at = comma + 1;
    }
}

std::optional<BlockKind> FoundUnit::Kind() const {
    if (!operatingMode) {
        return std::nullopt;
    }
    switch (*operatingMode) {
        case 0:
        case 3:
            return BlockKind::Master;
        case 1:
        case 5:
            return BlockKind::Repeater;
        case 2:
        case 4:
            return BlockKind::Remote;
        default:
            return std::nullopt;
    }
}

std::string FoundUnit::KindName() const {
    switch (Kind().value_or(BlockKind::Network)) {
        case BlockKind::Master:
            return "Master";
        case BlockKind::Repeater:
            return "Repeater";
        case BlockKind::Remote:
            return "Remote";
        default:
            return "Unknown";
    }
}

DiscoveryModel::DiscoveryModel(const PortFactory& ports, std::string portName, Clock& clock)
    : clock_(clock), link_(clock, log_, ports, std::move(portName)) {
    // The last word comes once the link is no longer busy.
    link_.SetFinishedListener([this] { Notify(); });
}

DiscoveryModel::~DiscoveryModel() {
    link_.FinishWorker(Millis{1000});
    link_.Wait();
}

Millis DiscoveryModel::SilentAddressCost() {
    return kRemoteSettle + kReplyPolls * kIdlePoll;
}

bool DiscoveryModel::Start(std::vector<std::uint16_t> addresses) {
    if (link_.Busy()) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        found_.clear();
        done_ = 0;
        total_ = addresses.size();
        scanElapsed_ = Millis{0};
    }
    outcome_.store(Outcome::Running);
    const std::string title = Format("Find Units on %zu addresses", addresses.size());
    return link_.StartWorker(
        0,
        [this, addresses = std::move(addresses)](DeviceLink& link) {
            Run(link, addresses);
            link.ReportOutcome(outcome_.load() != Outcome::PortFailed,
                               Format("%zu units answered", Found().size()));
        },
        title);
}

void DiscoveryModel::Stop() {
    link_.FinishWorker(Millis{0});
}

DiscoveryModel::Progress DiscoveryModel::GetProgress() const {
    std::lock_guard lock(mutex_);
    Progress progress{done_, total_, Millis{0}};
    // The addresses asked so far set the pace; before the first one, the cost of a silent
    // address, which is what most of a range costs.
    const Millis each = done_ > 0 ? scanElapsed_ / static_cast<long>(done_) : SilentAddressCost();
    progress.left = each * static_cast<long>(total_ - done_);
    return progress;
}

std::vector<FoundUnit> DiscoveryModel::Found() const {
    std::lock_guard lock(mutex_);
    return found_;
}

void DiscoveryModel::AddFound(const FoundUnit& unit) {
    const std::string line =
        Format("UA %u: %s, %s, serial %s", unsigned{unit.ua}, unit.KindName().c_str(),
               unit.version.empty() ? "no version" : unit.version.c_str(),
               unit.serial.empty() ? "unknown" : unit.serial.c_str());
    link_.LogLine(line, true);
    {
        std::lock_guard lock(mutex_);
        found_.push_back(unit);
    }
    Notify();
}

bool DiscoveryModel::IsFound(std::uint16_t ua) const {
    std::lock_guard lock(mutex_);
    return std::any_of(found_.begin(), found_.end(),
                       [ua](const FoundUnit& unit) { return unit.ua == ua; });
}

std::optional<std::vector<std::uint8_t>> DiscoveryModel::Ask(DeviceLink& link, std::uint16_t ua,
                                                             std::vector<std::uint8_t> frame,
                                                             int polls) {
    // Whatever came after an earlier wait ended belongs to no request of ours any more.
    link.Port().Purge();
    const std::size_t count = link.Exchange(frame, polls);
    if (count == 0 || !link.CheckReply(link.ReplyBytes().data(), count)) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> reply = link.ReplyBytes();
    const std::uint16_t from = FrameUa(reply);
    if (from != ua) {
        // The late answer of a unit asked before took the place of this one's: the unit
        // asked now may yet answer a second request. A late version reply also tells of a
        // unit that is there.
        foreignReply_ = true;
        if (from != 0 && reply[3] == reply::kVersion) {
            FoundUnit late;
            late.ua = from;
            late.version = PayloadText(reply, kMaxTextLength);
            lateAnswers_.push_back(late);
        }
        return std::nullopt;
    }
    return std::vector<std::uint8_t>(reply.begin(), reply.end());
}

void DiscoveryModel::Complete(DeviceLink& link, FoundUnit& unit, int polls) {
    const std::uint16_t to = unit.onCable ? 0 : unit.ua;
    const std::uint8_t mode[] = {kOperatingModeRegister};
    // A reply that comes late may answer the request before; whichever comes is taken, and
    // the request still unanswered is made again, a few times at most. A request that gets
    // no reply at all ends it: the unit has stopped answering.
    bool needMode = true;
    bool needSerial = unit.serial.empty();
    for (int tries = 0; (needMode || needSerial) && tries < 3 && !link.StopFlag(); ++tries) {
        foreignReply_ = false;
        const auto reply =
            needMode ? Ask(link, unit.ua, BuildFrame(to, request::kReadRegisters, mode), polls)
                     : Ask(link, unit.ua, BuildFrame(to, request::kReadSerialNumber), polls);
        if (!reply) {
            if (!foreignReply_) {
                break;
            }
            continue;
        }
        if ((*reply)[3] == reply::kRegisters) {
            for (std::size_t i = kFrameHeaderSize; i + 1 < reply->size(); i += 2) {
                if ((*reply)[i] == kOperatingModeRegister) {
                    unit.operatingMode = (*reply)[i + 1];
                    needMode = false;
                }
            }
        } else if ((*reply)[3] == reply::kSerialNumber) {
            unit.serial = PayloadText(*reply, kMaxTextLength);
            needSerial = false;
        } else if ((*reply)[3] != reply::kVersion) {
            link.LogLine("Unknown responses!", true);
        }
    }
}

bool DiscoveryModel::AskCable(DeviceLink& link) {
    FoundUnit cable;
    cable.onCable = true;
    // The connection check of the Settings page, wake-up included: the unit on the cable
    // is the way to every other, so it is worth waking.
    const DeviceLink::ReplyParser serial = [&](const std::uint8_t* buffer, std::size_t count) {
        if (!link.CheckReply(buffer, count) || buffer[3] != reply::kSerialNumber) {
            return false;
        }
        const std::span<const std::uint8_t> frame(buffer, count);
        cable.ua = FrameUa(frame);
        cable.serial = PayloadText(frame, kMaxTextLength);
        return true;
    };
    link.SetLocal(true);
    if (!link.VerifyConnection(serial)) {
        return false;
    }
    if (auto reply = Ask(link, cable.ua, BuildFrame(0, request::kReadVersion), kReplyPolls);
        reply && (*reply)[3] == reply::kVersion) {
        cable.version = PayloadText(*reply, kMaxTextLength);
    }
    Complete(link, cable, kReplyPolls);
    AddFound(cable);
    return true;
}

void DiscoveryModel::Run(DeviceLink& link, const std::vector<std::uint16_t>& addresses) {
    lateAnswers_.clear();
    if (!link.OpenPort()) {
        outcome_.store(link.StopFlag() ? Outcome::Stopped : Outcome::PortFailed);
        return;
    }
    if (!AskCable(link)) {
        outcome_.store(link.StopFlag() ? Outcome::Stopped : Outcome::NoCableUnit);
        return;
    }
    link.SetLocal(false);
    link.LogLine(
        Format("Asking %zu addresses (about %s) ...", addresses.size(),
               DurationText(SilentAddressCost() * static_cast<long>(addresses.size())).c_str()),
        true);
    {
        std::lock_guard lock(mutex_);
        scanStart_ = clock_.Now();
    }
    for (const std::uint16_t ua : addresses) {
        if (link.StopFlag()) {
            break;
        }
        // Each address is asked once; when the late answer of another unit took the place
        // of its reply, once more.
        for (int attempt = 0; attempt < 2 && !IsFound(ua) && !link.StopFlag(); ++attempt) {
            foreignReply_ = false;
            const auto reply = Ask(link, ua, BuildFrame(ua, request::kReadVersion), kReplyPolls);
            if (reply && (*reply)[3] == reply::kVersion) {
                FoundUnit unit;
                unit.ua = ua;
                unit.version = PayloadText(*reply, kMaxTextLength);
                Complete(link, unit, kReplyPolls);
                AddFound(unit);
            }
            if (reply || !foreignReply_) {
                break;
            }
        }
        // A unit known to answer late gets the time it needs for the rest of its facts.
        // Completing one may bring the late answer of another.
        for (std::size_t k = 0; k < lateAnswers_.size() && !link.StopFlag(); ++k) {
            FoundUnit unit = lateAnswers_[k];
            if (!IsFound(unit.ua)) {
                link.LogLine(Format("UA %u answered late.", unsigned{unit.ua}), true);
                Complete(link, unit, kLatePolls);
                AddFound(unit);
            }
        }
        lateAnswers_.clear();
        {
            std::lock_guard lock(mutex_);
            ++done_;
            scanElapsed_ = clock_.Now() - scanStart_;
        }
        Notify();
    }
    const bool stopped = link.StopFlag();
    const std::size_t count = Found().size();
    link.LogLine(stopped ? "Stopped." : Format("%zu unit%s found.", count, count == 1 ? "" : "s"),
                 true);
    outcome_.store(stopped ? Outcome::Stopped : Outcome::Finished);
}

}  // namespace skelvane
