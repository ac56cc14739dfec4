#include "sim/network.h"

#include <algorithm>

namespace skelvane::sim {
namespace {

using Micros = std::chrono::microseconds;

Millis CeilMillis(Micros time) {
    return std::chrono::ceil<Millis>(time);
}

}  // namespace

Millis PortContext::Now() const {
    return network_.NowLocked();
}

const LineState& PortContext::Line() const {
    return network_.line_;
}

void PortContext::Send(std::vector<std::uint8_t> bytes, Millis delay) {
    network_.SendToHostLocked(std::move(bytes), delay);
}

void PortContext::After(Millis delay, std::function<void(PortContext&)> action) {
    Network& network = network_;
    Unit& unit = unit_;
    network_.ScheduleLocked(Now() + std::max(delay, Millis{0}),
                            [&network, &unit, action = std::move(action)] {
                                PortContext context(network, unit);
                                action(context);
                            });
}

void PortContext::SetMode(UnitMode mode) {
    network_.SetModeLocked(mode);
}

void PortContext::RouteFrame(std::vector<std::uint8_t> frame) {
    network_.RouteFrameLocked(std::move(frame));
}

Network::Network(Clock& clock, std::uint32_t seed)
    : clock_(clock),
      local_(std::make_unique<Unit>(1)),
      to_unit_faults_(seed),
      to_host_faults_(seed + 1) {}

void Network::SetLocal(std::unique_ptr<Unit> unit) {
    std::lock_guard lock(mutex_);
    if (unit == nullptr) {
        return;
    }
    // Pending actions may point at the unit being replaced.
    events_.clear();
    to_host_.clear();
    to_host_last_due_ = Millis{0};
    local_ = std::move(unit);
}

Unit* Network::AddRemote(std::unique_ptr<Unit> unit, Millis latency) {
    std::lock_guard lock(mutex_);
    if (unit == nullptr || unit->Ua() == 0 || remotes_.count(unit->Ua()) != 0) {
        return nullptr;
    }
    Unit* added = unit.get();
    const std::uint16_t ua = unit->Ua();
    remotes_[ua] = RemoteUnit{std::move(unit), std::max(latency, Millis{0})};
    return added;
}

Unit* Network::FindRemote(std::uint16_t ua) {
    std::lock_guard lock(mutex_);
    const auto found = remotes_.find(ua);
    return found == remotes_.end() ? nullptr : found->second.unit.get();
}

std::vector<Unit*> Network::Remotes() {
    std::lock_guard lock(mutex_);
    std::vector<Unit*> units;
    for (auto& [ua, remote] : remotes_) {
        units.push_back(remote.unit.get());
    }
    return units;
}

FaultFilter& Network::LineFaults(Direction direction) {
    return direction == Direction::ToUnit ? to_unit_faults_ : to_host_faults_;
}

void Network::SetVanished(bool vanished) {
    std::lock_guard lock(mutex_);
    vanished_ = vanished;
}

bool Network::Vanished() const {
    std::lock_guard lock(mutex_);
    return vanished_;
}

void Network::SetVanishAfter(int frames) {
    std::lock_guard lock(mutex_);
    vanish_after_ = frames;
}

int Network::FramesRouted() const {
    std::lock_guard lock(mutex_);
    return frames_routed_;
}

void Network::SetRefuseWritesAfter(int writes) {
    std::lock_guard lock(mutex_);
    refuse_writes_after_ = writes;
    host_writes_ = 0;
}

bool Network::TakeHostWrite() {
    std::lock_guard lock(mutex_);
    if (refuse_writes_after_ >= 0 && host_writes_ >= refuse_writes_after_) {
        return false;
    }
    ++host_writes_;
    return true;
}

bool Network::AttachHost() {
    std::lock_guard lock(mutex_);
    if (host_attached_) {
        return false;
    }
    host_attached_ = true;
    return true;
}

void Network::DetachHost() {
    std::lock_guard lock(mutex_);
    host_attached_ = false;
}

bool Network::HostAttached() const {
    std::lock_guard lock(mutex_);
    return host_attached_;
}

void Network::SetHostLine(const LineState& line) {
    std::lock_guard lock(mutex_);
    RunDueLocked();
    const LineState previous = line_;
    line_ = line;
    if (previous == line) {
        return;
    }
    // Copies: a handler may replace handlers.
    const auto handlers = local_->PortHandlers();
    for (const auto& [mode, handler] : handlers) {
        PortContext context(*this, *local_);
        handler->OnLineChange(context, previous);
    }
}

LineState Network::HostLine() const {
    std::lock_guard lock(mutex_);
    return line_;
}

void Network::HostWrite(std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    RunDueLocked();
    if (bytes.empty()) {
        return;
    }
    if (observer_) {
        observer_(Direction::ToUnit, bytes);
    }
    const Micros byteTime = ByteTime();
    const Micros now = clock_.Now();
    for (TimedBytes& piece : to_unit_faults_.Apply(
             clock_.Now(), std::vector<std::uint8_t>(bytes.begin(), bytes.end()))) {
        const Micros start = std::max<Micros>(piece.due, std::max(now, to_unit_wire_free_));
        to_unit_wire_free_ = start + byteTime * static_cast<long>(piece.bytes.size());
        ScheduleLocked(CeilMillis(to_unit_wire_free_),
                       [this, data = std::move(piece.bytes)]() mutable {
                           DeliverToUnitLocked(std::move(data));
                       });
    }
}

std::size_t Network::HostRead(std::uint8_t* buffer, std::size_t count) {
    std::lock_guard lock(mutex_);
    RunDueLocked();
    const Millis now = clock_.Now();
    std::size_t got = 0;
    while (got < count && !to_host_.empty() && to_host_.front().first <= now) {
        buffer[got++] = to_host_.front().second;
        to_host_.pop_front();
    }
    if (got > 0 && observer_) {
        observer_(Direction::ToHost, std::span<const std::uint8_t>(buffer, got));
    }
    return got;
}

void Network::HostPurge() {
    std::lock_guard lock(mutex_);
    RunDueLocked();
    const Millis now = clock_.Now();
    while (!to_host_.empty() && to_host_.front().first <= now) {
        to_host_.pop_front();
    }
}

void Network::RunDue() {
    std::lock_guard lock(mutex_);
    RunDueLocked();
}

std::optional<Millis> Network::NextEventTime() {
    std::lock_guard lock(mutex_);
    std::optional<Millis> next;
    if (!events_.empty()) {
        next = events_.begin()->first;
    }
    if (!to_host_.empty() && (!next || to_host_.front().first < *next)) {
        next = to_host_.front().first;
    }
    return next;
}

void Network::SetTrafficObserver(
    std::function<void(Direction, std::span<const std::uint8_t>)> observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

void Network::RunDueLocked() {
    const Millis now = clock_.Now();
    while (!events_.empty() && events_.begin()->first <= now) {
        auto node = events_.extract(events_.begin());
        // The action happens at its own time, however late the host looks.
        const std::optional<Millis> outer = event_time_;
        event_time_ = node.key();
        node.mapped()();
        event_time_ = outer;
    }
}

void Network::ScheduleLocked(Millis due, Action action) {
    events_.emplace(due, std::move(action));
}

void Network::SetPaced(bool paced) {
    std::lock_guard lock(mutex_);
    paced_ = paced;
}

Micros Network::ByteTime() const {
    if (!paced_) {
        return Micros{0};
    }
    // A start bit, the data bits, the parity bit and the stop bits, rounded up.
    const std::int64_t bits = 1 + std::clamp<int>(line_.byteSize, 5, 8) +
                              (line_.parity != 0 ? 1 : 0) + (line_.stopBits != 0 ? 2 : 1);
    const std::int64_t baud = std::max<std::uint32_t>(line_.baudRate, 1);
    return Micros((bits * 1000000 + baud - 1) / baud);
}

void Network::SendToHostLocked(std::vector<std::uint8_t> bytes, Millis delay) {
    const Millis now = NowLocked();
    for (TimedBytes& piece : to_host_faults_.Apply(now + std::max(delay, Millis{0}), bytes)) {
        // A line delivers its bytes in the order they were sent: a piece never overtakes the
        // pieces of what was sent before it.
        piece.due = std::max(piece.due, to_host_last_due_);
        to_host_last_due_ = piece.due;
        if (piece.due > now) {
            // Not on the wire yet: it is put there when its time comes, behind whatever was
            // sent before it.
            ScheduleLocked(piece.due,
                           [this, data = std::move(piece.bytes)] { PutOnWireLocked(data); });
        } else {
            PutOnWireLocked(piece.bytes);
        }
    }
}

void Network::PutOnWireLocked(const std::vector<std::uint8_t>& bytes) {
    const Micros byteTime = ByteTime();
    Micros at = std::max<Micros>(Micros(NowLocked()), to_host_wire_free_);
    for (const std::uint8_t byte : bytes) {
        at += byteTime;
        to_host_.emplace_back(CeilMillis(at), byte);
    }
    to_host_wire_free_ = at;
}

void Network::DeliverToUnitLocked(std::vector<std::uint8_t> bytes) {
    PortHandler* handler = local_->PortHandlerFor(local_->Mode());
    if (handler == nullptr) {
        return;
    }
    PortContext context(*this, *local_);
    handler->OnBytes(context, bytes);
}

void Network::RouteFrameLocked(std::vector<std::uint8_t> frame) {
    if (frame.size() < 4 || vanished_) {
        return;
    }
    ++frames_routed_;
    if (vanish_after_ >= 0 && frames_routed_ > vanish_after_) {
        vanished_ = true;
        return;
    }
    const Millis now = NowLocked();
    const auto ua = static_cast<std::uint16_t>(frame[1] << 8 | frame[2]);
    Unit* target = local_.get();
    Millis there{0};
    Millis back = response_time_;
    if (ua != 0 && ua != local_->Ua()) {
        const auto remote = remotes_.find(ua);
        // An unknown UA goes unanswered; so does everything while the unit on the cable is
        // asleep or restarting, since it relays nothing then.
        if (remote == remotes_.end() || local_->Asleep() || local_->Deaf(now)) {
            return;
        }
        target = remote->second.unit.get();
        there = remote->second.latency / 2;
        back = remote->second.latency - there;
    }
    auto answer = [this, target, back, frame = std::move(frame)] {
        std::vector<std::uint8_t> heard;
        Millis late{0};
        for (TimedBytes& piece : target->RequestFaults().Apply(Millis{0}, frame)) {
            heard.insert(heard.end(), piece.bytes.begin(), piece.bytes.end());
            late = std::max(late, piece.due);
        }
        Millis extra{0};
        const std::optional<std::vector<std::uint8_t>> reply =
            target->HandleRequest(heard, NowLocked(), extra);
        if (!reply) {
            return;
        }
        for (TimedBytes& piece :
             target->ReplyFaults().Apply(NowLocked() + late + back + extra, *reply)) {
            ScheduleLocked(piece.due, [this, data = std::move(piece.bytes)]() mutable {
                SendToHostLocked(std::move(data), Millis{0});
            });
        }
    };
    if (there.count() == 0) {
        answer();
    } else {
        ScheduleLocked(now + there, std::move(answer));
    }
}

void Network::SetModeLocked(UnitMode mode) {
    if (local_->Mode() == mode) {
        return;
    }
    PortContext context(*this, *local_);
    if (PortHandler* leaving = local_->PortHandlerFor(local_->Mode())) {
        leaving->OnLeave(context);
    }
    local_->RecordMode(mode);
    if (PortHandler* entering = local_->PortHandlerFor(mode)) {
        entering->OnEnter(context);
    }
}

std::vector<std::uint16_t> ApplyFaultPlan(Network& network, const FaultPlan& plan) {
    return network.Locked([&plan](Network& net) {
        net.LineFaults(Direction::ToUnit).settings = plan.toUnit;
        net.LineFaults(Direction::ToUnit).Reseed(plan.seed);
        net.LineFaults(Direction::ToHost).settings = plan.toHost;
        net.LineFaults(Direction::ToHost).Reseed(plan.seed + 1);
        net.SetVanishAfter(plan.vanishAfter);
        net.SetRefuseWritesAfter(plan.refuseWritesAfter);
        std::vector<Unit*> units = net.Remotes();
        units.insert(units.begin(), &net.Local());
        for (Unit* unit : units) {
            unit->SetSilentAfter(plan.silentAfter);
            unit->RequestFaults().Reseed(plan.seed + 2u * unit->Ua() + 2);
            unit->ReplyFaults().Reseed(plan.seed + 2u * unit->Ua() + 3);
        }
        std::vector<std::uint16_t> unknown;
        for (const auto& [ua, faults] : plan.units) {
            Unit* unit = ua == net.Local().Ua() ? &net.Local() : net.FindRemote(ua);
            if (unit == nullptr) {
                unknown.push_back(ua);
                continue;
            }
            unit->RequestFaults().settings = faults.toUnit;
            unit->ReplyFaults().settings = faults.toHost;
            if (faults.silentAfter >= 0) {
                unit->SetSilentAfter(faults.silentAfter);
            }
        }
        return unknown;
    });
}

}  // namespace skelvane::sim
