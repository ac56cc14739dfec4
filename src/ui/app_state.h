#pragma once

#include "base/clock.h"
#include "base/prompter.h"
#include "document/document_session.h"
#include "document/link_id_counter.h"
#include "document/unit_facts.h"

namespace skelvane {

// Everything that lives as long as the program: made once by main() (each test makes its
// own) and handed to the windows that need it. Members are declared in the order they
// depend on each other.
struct AppState {
    AppState(Prompter& prompter, SessionPaths paths) : session(prompter, ids, std::move(paths)) {}
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    SystemClock clock;
    // Output-end ids of every document of the run.
    LinkIdCounter ids;
    // What the device exchanges last learned about a unit.
    UnitFacts unitFacts;
    // The user's network, the configuration and the template, and the copied block.
    DocumentSession session;
};

}  // namespace skelvane
