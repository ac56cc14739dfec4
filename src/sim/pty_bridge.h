#pragma once

#include <functional>
#include <memory>
#include <stop_token>
#include <string>

#include "sim/network.h"

namespace skelvane::sim {

// Serves a simulated network on a new pseudo-terminal, so that any serial client (this
// program's own POSIX port code among them) talks to it as to a radio on a cable. The
// network must run on a real-time clock. The pseudo-terminal carries no modem lines, so
// only the client's speed reaches the network's line state, not DTR or RTS.
class PtyBridge {
  public:
    explicit PtyBridge(std::shared_ptr<Network> network);
    ~PtyBridge();
    PtyBridge(const PtyBridge&) = delete;
    PtyBridge& operator=(const PtyBridge&) = delete;

    // Creates the pseudo-terminal. False with a message in `error`.
    bool Open(std::string& error);
    // The path clients open (/dev/pts/N).
    const std::string& Path() const { return path_; }

    // Moves bytes between the terminal and the network until a stop is requested or the
    // network's port vanishes (then the terminal is closed). False with a message in `error`
    // on a failure of the terminal itself.
    bool Serve(std::stop_token stop, std::string& error);

    void Close();

  private:
    void RefreshLine();

    std::shared_ptr<Network> network_;
    int master_ = -1;
    int slave_ = -1;  // held open so the master does not see a hang-up between clients
    int wake_read_ = -1;
    int wake_write_ = -1;
    std::string path_;
    bool writes_refused_ = false;
};

}  // namespace skelvane::sim
