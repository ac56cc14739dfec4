#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/prompter.h"
#include "document/parameter.h"
#include "document/unit_facts.h"
#include "link/device_link.h"
#include "operations/network_run.h"

namespace skelvane {

// How reaching one unit of a run went.
enum class Contact {
    Connected,   // the unit answered the connection check
    NoAnswer,    // it did not (the port is closed again; the next unit opens it)
    PortFailed,  // the port could not be opened: no unit can be reached
};

// Worker: points the link at the unit (Local, or Remote by its address), writes the unit's
// heading line into the log, opens the port when it is not open yet and runs the connection
// check, whose reply goes into `parameters`.
Contact ContactUnit(DeviceLink& link, const RunUnit& unit, std::vector<Parameter>& parameters,
                    UnitFacts& facts);

// Worker, on a connected unit: Read All, then the repeater list where the unit's firmware
// keeps one. Empty on success, else the step that failed ("Read All", "repeater list"). A
// unit without repeaters leaves "0" in the repeater parameter, so that a list the unit no
// longer has is not kept.
std::string ReadUnit(DeviceLink& link, std::vector<Parameter>& parameters, UnitFacts& facts,
                     Prompter& prompter);

// What a restore writes to one unit.
struct WritePlan {
    std::vector<std::string> registers;  // numeric settings and "DataMask", by name
    bool restrictions = false;           // the restriction entries and the repeater list
    std::size_t values = 0;              // how many values the unit gets, for the question

    bool Empty() const { return registers.empty() && !restrictions; }
};

// Worker, on a connected unit: the plan's registers (Write of the Settings page), then, when
// planned, the restriction entries and the repeater list where the unit's firmware takes
// them. Empty on success, else the step that failed.
std::string WriteUnit(DeviceLink& link, std::vector<Parameter>& parameters, const WritePlan& plan,
                      Prompter& prompter);

// Worker: one pass over units of the run (`units`: indexes into the run's units, in the order
// to visit): each is reached with ContactUnit and, when it answers, given to `body`, which
// returns its status. `working` is the status meanwhile ("reading", ...). A unit that does
// not answer is "no answer" and the pass goes on; when the port cannot be opened, or a stop
// is requested, the units not done are "not reached". Each unit visited is one step.
using UnitBody = std::function<NetworkUnitStatus(
    std::size_t unit, std::vector<Parameter>& parameters, UnitFacts& facts)>;
void ForEachUnit(NetworkRun& run, DeviceLink& link, const std::vector<std::size_t>& units,
                 const char* working, const UnitBody& body);
// Every unit of the run, in its order.
std::vector<std::size_t> AllUnits(const NetworkRun& run);

}  // namespace skelvane
