#pragma once

#include <string>
#include <vector>

#include "document/block.h"
#include "document/network_file.h"

namespace skelvane::test {

// The radio model templates and the configuration file shipped in data/, built through the
// document API and written by the program's own writer. A test checks that the files are
// exactly what the writer makes of these; with SKELVANE_WRITE_EXAMPLES=1 in the environment
// it writes them instead.
struct ModelTemplate {
    std::string modelName;  // as offered in the model list
    std::string fileName;   // in data/
    bool band24 = false;    // 2.4 GHz rather than 900 MHz
};

const std::vector<ModelTemplate>& ModelTemplates();
const ModelTemplate& ModelNamed(const std::string& modelName);

// The complete register set of a radio kind of a model, with that kind's starting values.
std::vector<Parameter> TemplateParameters(const ModelTemplate& model, BlockKind kind);

// A template network: the Network root with the blocks "Master", "Repeater", "Remote" and
// "Radio" (in this walk order), each with its kind's parameter set.
void BuildTemplate(const ModelTemplate& model, NetworkFile& document);

// "Skelvane.cfg": the model list (every model of ModelTemplates(), in order).
void BuildConfiguration(NetworkFile& document);

// The example networks shipped in data/, checked and written the same way.
struct ExampleNetwork {
    std::string fileName;  // in data/
    void (*build)(NetworkFile& document);
};

const std::vector<ExampleNetwork>& ExampleNetworks();

}  // namespace skelvane::test
