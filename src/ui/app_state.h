#pragma once

#include <memory>

#include "base/clock.h"
#include "base/prompter.h"
#include "document/document_session.h"
#include "document/link_id_counter.h"
#include "document/unit_facts.h"
#include "link/port_factory.h"
#include "link/port_settings.h"
#include "link/unit_status.h"
#include "operations/current_remote_ua.h"
#include "sim/sim_port.h"
#include "sim/template_network.h"
#include "spectrum/scan_parser.h"
#include "ui/restriction_state.h"
#include "upgrade/schedule_table.h"

namespace skelvane {

// Everything that lives as long as the program: made once by main() (each test makes its
// own) and handed to the windows that need it. Members are declared in the order they
// depend on each other.
struct AppState {
    // The port of the simulated network, where a first run starts.
    static constexpr const char* kSimPort = "SIM1";

    AppState(Prompter& prompter, SessionPaths paths) : session(prompter, ids, std::move(paths)) {
        simPorts.Add(kSimPort, sim::MakeTryOutNetwork(clock, simNote));
        ports.SetExchangeObserver(&unitStatus);
    }
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    SystemClock clock;
    // Output-end ids of every document of the run.
    LinkIdCounter ids;
    // What the device exchanges last learned about a unit.
    UnitFacts unitFacts;
    // The unit address the pages of a property sheet hand on, and the restriction table and
    // repeater list the restrictions page validates and sends.
    CurrentRemoteUa remoteUa;
    RestrictionState restrictions;
    // The user's network, the configuration and the template, and the copied block.
    DocumentSession session;
    // Where the spectrum scan's parser goes on, from one answer and one dialog to the next.
    ScanParserState scanParser;
    // The units of a scheduled soft upgrade.
    ScheduleTable schedule;

    // The four texts of the status bar's port selectors, and where they are kept. main()
    // puts the platform's store here; until then (and in tests) they stay in memory.
    PortSettings portSettings;
    std::unique_ptr<SettingsStore> settingsStore = std::make_unique<MemorySettingsStore>();

    // A simulated network served as the port "SIM1", so that every device command can be
    // tried without a radio: the default model's units, or a small built-in register set
    // when its template cannot be read (`simNote` says why).
    std::string simNote;
    sim::PortHub simPorts;
    // What every exchange of the run learned of each unit: the diagram's status lines.
    UnitStatusBoard unitStatus{clock};
    // Opens and lists the ports of every window: the platform's and "SIM1".
    PortFactory ports{simPorts};
};

}  // namespace skelvane
