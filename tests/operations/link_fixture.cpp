#include "link_fixture.h"

#include <gtest/gtest.h>

#include "base/format.h"
#include "document/network_file.h"
#include "document/parameter_sets.h"
#include "support/test_paths.h"

namespace skelvane::test {

Parameter NumberParameter(std::string name, std::uint8_t type, std::vector<std::uint8_t> ids,
                          std::uint32_t value, std::vector<Choice> choices,
                          std::uint8_t readwrite) {
    Parameter p;
    p.type = type;
    p.name = std::move(name);
    p.desc = p.name + " setting";
    p.reg = ids.empty() ? "" : Format("0x%02X", ids.front());
    p.readwrite = readwrite;
    p.visible = 1;
    p.value = value;
    p.choices = std::move(choices);
    p.vectors = std::move(ids);
    return p;
}

Parameter RangeParameter(std::string name, std::uint8_t type, std::vector<std::uint8_t> ids,
                         std::uint32_t value, std::uint32_t min, std::uint32_t max) {
    return NumberParameter(std::move(name), type, std::move(ids), value,
                           {{"Min", "", min}, {"Max", "", max}});
}

Parameter TextParameter(std::string name, std::string text, std::uint8_t readwrite,
                        std::uint8_t visible) {
    Parameter p;
    p.type = 4;
    p.name = std::move(name);
    p.desc = p.name;
    p.reg = "TXT";
    p.readwrite = readwrite;
    p.visible = visible;
    p.textValue = std::move(text);
    return p;
}

std::unique_ptr<Block> TemplateBlock(BlockKind kind, std::uint32_t unitAddress) {
    auto block = CreateBlock(static_cast<int>(kind));
    const std::uint32_t mode = kind == BlockKind::Master ? 0 : kind == BlockKind::Repeater ? 1 : 2;
    block->AddParameter(
        NumberParameter("OperatingMode", 1, {0x01}, mode,
                        {{"Master", "", 0}, {"Repeater", "", 1}, {"Remote", "", 2}}));
    block->AddParameter(RangeParameter("UnitAddress", 2, {0x02, 0x03}, unitAddress, 1, 65534));
    block->AddParameter(RangeParameter("RoamingAddress", 2, {0x04, 0x05}, 7, 0, 65535));
    block->AddParameter(RangeParameter("DestAddess", 2, {0x06, 0x07}, 7, 0, 65535));
    block->AddParameter(
        NumberParameter("RepeaterYesNo", 1, {0x08}, 1, {{"No", "", 0}, {"Yes", "", 1}}));
    block->AddParameter(RangeParameter("TxPower", 1, {0x0A}, 21, 20, 30));
    block->AddParameter(RangeParameter("HopPattern", 1, {0x0B}, 9, 0, 63));
    block->AddParameter(
        NumberParameter("LinkRate", 1, {0x0E}, 0,
                        {{"115.2 kbps", "", 0}, {"153.6 kbps", "", 1}, {"76.8 kbps", "", 2}}));
    block->AddParameter(RangeParameter("NetworkId", 2, {0x10, 0x11}, 0x0101, 0, 65535));
    block->AddParameter(NumberParameter("CountryCode", 1, {0x59}, 2,
                                        {{"USA", "", 0}, {"Australia", "", 1}, {"NZ", "", 2}}));
    block->AddParameter(
        RangeParameter("SessionTimeout", 3, {0x66, 0x67, 0x68, 0x69}, 5, 0, 0xFFFFFFFFu));
    block->AddParameter(TextParameter("VersionNo", "", 1));
    block->AddParameter(TextParameter("SerialNo", "", 1));
    block->AddParameter(TextParameter("DataMask", "0000FFFF"));
    for (int i = 1; i <= 16; ++i) {
        block->AddParameter(TextParameter(Format("FrequencyRestriction%d", i), "0", 2, 0));
    }
    for (const sim::LiveValue& live : sim::DefaultLiveValues()) {
        const auto type = static_cast<std::uint8_t>(live.ids.size() == 4 ? 3 : live.ids.size());
        Parameter diag = NumberParameter(live.name, type, live.ids, 0, {}, 0);
        diag.desc = diag.name.substr(4);
        block->AddParameter(diag);
    }
    return block;
}

std::unique_ptr<Block> ModelBlock(BlockKind kind, std::uint32_t unitAddress) {
    LinkIdCounter ids;
    NetworkFile templates(ids);
    RecordingPrompter prompter;
    EXPECT_TRUE(templates.Read(DataDir() / "TAVRIN-A.TPL", prompter));
    auto block = CreateBlock(static_cast<int>(kind));
    EXPECT_TRUE(CopyTemplateParameters(*block, templates));
    block->FindParameter("UnitAddress")->value = unitAddress;
    return block;
}

sim::RepeaterSlots SimRepeaters(std::vector<std::uint16_t> addresses) {
    sim::RepeaterSlots slots;
    slots.fill(0xFFFF);
    std::copy(addresses.begin(), addresses.end(), slots.begin());
    return slots;
}

FrameRecorder::FrameRecorder(sim::Network& network) : network_(network) {
    network_.SetTrafficObserver(
        [this](sim::Direction direction, std::span<const std::uint8_t> bytes) {
            if (direction == sim::Direction::ToUnit) {
                std::lock_guard lock(mutex_);
                sent_.emplace_back(bytes.begin(), bytes.end());
            }
        });
}

FrameRecorder::~FrameRecorder() {
    network_.SetTrafficObserver(nullptr);
}

std::vector<Bytes> FrameRecorder::Sent() const {
    std::lock_guard lock(mutex_);
    return sent_;
}

std::vector<std::uint8_t> FrameRecorder::SentCodes() const {
    std::vector<std::uint8_t> codes;
    for (const Bytes& frame : Sent()) {
        codes.push_back(frame.size() > 3 ? frame[3] : 0);
    }
    return codes;
}

void FrameRecorder::ClearSent() {
    std::lock_guard lock(mutex_);
    sent_.clear();
}

void ScriptedPort::OnBytes(sim::PortContext& port, std::span<const std::uint8_t> bytes) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    while (!pending_.empty() && pending_.size() >= pending_[0] + 1u) {
        Bytes frame(pending_.begin(), pending_.begin() + pending_[0] + 1);
        pending_.erase(pending_.begin(), pending_.begin() + pending_[0] + 1);
        if (std::optional<Bytes> reply = script_(frame)) {
            if (!reply->empty()) {
                port.Send(std::move(*reply));
            }
        } else {
            port.RouteFrame(std::move(frame));
        }
    }
}

std::optional<Bytes> Answer(const Bytes& request, std::uint8_t code, Bytes reply, int entry) {
    if (request[3] == code && (entry < 0 || (request.size() > 4 && request[4] == entry))) {
        return reply;
    }
    return std::nullopt;
}

ScriptedPort::Script AnswerWith(std::uint8_t code, Bytes reply, int entry) {
    return [=](const Bytes& request) { return Answer(request, code, reply, entry); };
}

}  // namespace skelvane::test
