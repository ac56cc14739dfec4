#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "document/parameter.h"
#include "document/unit_facts.h"
#include "link/device_link.h"

namespace skelvane {

// Operation codes of the Settings page.
enum class SettingsOp {
    ReadAll = 0x10,
    Read = 0x30,
    Write = 0x40,
    SerialNumber = 0x50,
    Version = 0x60,
    Reset = 0x80,
    Default = 0xA0,
};

// What one run of the Settings worker works on: the operation, a copy of the block's
// parameters taken when it started (the worker never touches the block), the names of the
// checked rows in list order, and the default set number for operation 0xA0.
struct SettingsJob {
    SettingsOp operation{};
    std::vector<Parameter> parameters;
    std::vector<std::string> checkedNames;
    std::uint8_t defaultSet = 0;
    // Write: read back what was written and compare.
    bool verify = true;
    // After a failure: the step that got no valid reply or was not taken (empty when the
    // connection failed or a stop ended the run).
    std::string failedStep;
};

enum class SettingsOutcome {
    NotConnected,  // the connect sequence failed; the operation did not run
    Failed,        // a step failed ("Failed." was logged)
    Succeeded,
};

// The Settings reply parser: CheckReply, then by reply code. Register values (0x64) go into
// `parameters` (and the link-rate and country indexes into `facts`); the version, serial
// number and data mask texts into "VersionNo", "SerialNo" and "DataMask" (the version also
// gives the facts' version number); a restriction entry (0x90) into the
// "FrequencyRestrictionN" text it names. Returns 1 for the replies that confirm a connection
// (version, serial number, "HELLO", defaults and wake-up acknowledgements), else 0.
int ParseSettingsReply(DeviceLink& link, std::vector<Parameter>& parameters, UnitFacts& facts,
                       const std::uint8_t* buffer, std::size_t count);

// The text of a restriction entry as a unit reports it (the payload of a 0x90 reply from its
// UA bytes on): "UA:" and the ranges as absolute frequencies in kHz, "s,e" pairs joined by
// commas, up to the first vacant range and at most eight; "0" when the entry names no unit.
std::string RestrictionEntryText(std::uint16_t ua, const std::uint8_t* items, std::size_t size);

// The request frames of "&Read": ReadRegisters with every register id of the checked
// numeric parameters (names compared without regard to case), in list order. One bare frame
// when nothing is checked; more than one only when the ids do not fit one frame.
std::vector<std::vector<std::uint8_t>> ReadRequestFrames(const DeviceLink& link,
                                                         const SettingsJob& job);
// The request frames of "&Write": WriteRegisters with the (id, byte) pairs of the checked
// numeric parameters. None when no pair results.
std::vector<std::vector<std::uint8_t>> WriteRequestFrames(const DeviceLink& link,
                                                          const SettingsJob& job);

// The worker: the connect sequence with the connection check, then the job's operation; a
// failed step appends "Failed.". The parameters of the job hold every value received, also
// after a failure.
SettingsOutcome RunSettingsWorker(DeviceLink& link, SettingsJob& job, UnitFacts& facts);

// The job's operation alone, on a link whose connection was verified already (work that runs
// several operations in one connection). False when a step failed; the caller logs that.
bool RunSettingsOperation(DeviceLink& link, SettingsJob& job, UnitFacts& facts);

// The first checked value a write would send that its parameter does not allow (outside its
// range or not one of its choices), as a message naming the parameter; nullopt when all fit.
std::optional<std::string> WriteValueProblem(const SettingsJob& job);

// Whether a successful run of the operation refreshes the list.
bool SettingsOperationRefreshes(SettingsOp operation);

}  // namespace skelvane
