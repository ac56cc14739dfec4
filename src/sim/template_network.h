#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "base/clock.h"
#include "sim/network.h"

namespace skelvane::sim {

// The units of the built-in network (a Master of UA 1 on the cable, a Repeater of UA 2 and
// the Remotes 300 and 301), each with the register set its kind has in a model template.
// nullptr with a message in `error` when the template cannot be read or lacks one of the
// three kinds.
std::shared_ptr<Network> NetworkFromTemplate(const std::filesystem::path& templatePath,
                                             Clock& clock, std::string& error);

// The default model's template as the program finds it (the current folder, beside the
// program, the installed data folder); empty when there is none.
std::filesystem::path FindDefaultTemplate();

// The network a user without radios tries commands on: the built-in layout seeded from the
// default model's template, or the small built-in register set when no template can be read
// (then `note` says why; it stays empty otherwise).
std::shared_ptr<Network> MakeDefaultNetwork(Clock& clock, std::string& note);

// The network behind the programs' "SIM1" port: the default network whose units also take
// soft upgrades, whose unit on the cable answers AT commands on its data port and goes into
// boot mode when the host resets it with DTR and RTS. So every command can be tried at once.
std::shared_ptr<Network> MakeTryOutNetwork(Clock& clock, std::string& note);

}  // namespace skelvane::sim
