#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "base/clock.h"
#include "sim/unit.h"
#include "sim/unit_flash.h"

namespace skelvane::sim {

// How a unit behaves in a soft upgrade, faults included.
struct SoftUpgradeOptions {
    // How long the unit takes to write its flash after "start writing"; it answers a poll
    // when done.
    Millis writeTime{1500};
    // Data blocks are acknowledged with five bytes (no block number) instead of seven.
    bool shortBlockAcks = false;
    // Faults: the acknowledgement of each listed block number is lost (once per listing).
    std::vector<int> lostBlockAcks;
    // The CRC it reports is not the CRC of what it received.
    bool wrongCrc = false;
    // After acknowledging this many data blocks (0: at the first block) it answers nothing any
    // more (-1: never).
    int silentAfterBlocks = -1;
    // It never answers the initialize request (polls after writing included).
    bool ignoreInitialize = false;
    // Start-writing requests lost on the way, and data block acknowledgements held back.
    UpgradeFaults faults;
};

// The radio's side of the soft upgrade, on request code 0x41: it collects the image blocks
// into a 256 KB buffer (0xFF where nothing came), answers the CRC query over that buffer,
// takes the arming value, writes the buffer into its flash when told to start writing (and
// answers polls again once done), and then reports a new version. With the faults of its
// options it loses start-writing requests (keeping its old firmware and version) or holds a
// block's acknowledgement back until its next request has come in.
class SoftUpgradeSide {
  public:
    enum class Stage { Idle, Receiving, Armed, Writing, Done };

    static constexpr std::uint8_t kCode = 0x41;
    static constexpr std::uint8_t kReplyCode = 0xA5;

    SoftUpgradeSide(std::shared_ptr<UnitFlash> flash, SoftUpgradeOptions options)
        : flash_(std::move(flash)), options_(std::move(options)) {}

    // Installs the side on `unit` (request codes 0x41, and 0x28 so that the version read
    // after a write is the new one).
    static std::shared_ptr<SoftUpgradeSide> Install(Unit& unit, std::shared_ptr<UnitFlash> flash,
                                                    SoftUpgradeOptions options = {});

    std::optional<Reply> Handle(Unit& unit, const Frame& frame);
    void Reseed(std::uint32_t seed) { random_.seed(seed); }
    // Finishes a write whose time has come.
    void Settle(Unit& unit, Millis now);

    Stage GetStage() const { return stage_; }
    // Data blocks acknowledged (all sessions).
    int BlocksAcknowledged() const { return acknowledged_; }
    // Times the unit was armed, and times it started writing its flash.
    int TimesArmed() const { return armed_; }
    int WritesStarted() const { return writes_started_; }
    // The CRC of what has been received in this session, padded with 0xFF.
    std::uint16_t ReceivedCrc() const { return ArcCrc(buffer_); }
    SoftUpgradeOptions& Options() { return options_; }
    UnitFlash& Flash() { return *flash_; }

  private:
    void NewSession();
    std::optional<Reply> Respond(Unit& unit, const Frame& frame);
    std::optional<Reply> Answer(std::vector<std::uint8_t> payload, Millis delay = Millis{0});

    std::shared_ptr<UnitFlash> flash_;
    SoftUpgradeOptions options_;
    Stage stage_ = Stage::Idle;
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(UnitFlash::kSize, 0xFF);
    Millis write_done_{0};
    int acknowledged_ = 0;
    int armed_ = 0;
    int writes_started_ = 0;
    bool silent_ = false;
    std::vector<std::uint8_t> held_ack_;  // a data block acknowledgement held back
    std::mt19937 random_{1};
};

}  // namespace skelvane::sim
