#pragma once

#include <QColor>
#include <QImage>
#include <QStringList>
#include <QWidget>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "base/clock.h"
#include "base/log_pane.h"
#include "base/prompter.h"
#include "document/link_id_counter.h"
#include "document/network_file.h"
#include "document/unit_facts.h"
#include "link/port_settings.h"
#include "operations/current_remote_ua.h"
#include "sim/network.h"
#include "sim/sim_port.h"
#include "ui/properties_sheet.h"
#include "ui/restriction_state.h"

class QPushButton;
class QTableWidget;

namespace skelvane {
class PropertyPage;
}

namespace skelvane::test {

// Device work on the FastClock takes well under a second; the sanitizer build is slower.
constexpr int kLong = 30000;

// Real time, sped up: `factor` milliseconds of this clock pass in one real millisecond, and
// sleeps are cut short by a stop request. Device work then runs on its own threads as it does
// in the program (a dialog can be closed while its worker waits), in a fraction of the time.
class FastClock final : public Clock {
  public:
    explicit FastClock(int factor = 10);
    Millis Now() const override;
    bool SleepFor(Millis duration, std::stop_token stop = {}) override;
    LocalTime LocalNow() const override;

  private:
    int factor_;
    std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
};

// The default model's simulated network (Master UA 1 on the cable, Repeater 2, Remotes 300
// and 301) served as "SIM1", and a document whose blocks have the template's parameters, for
// the property sheet and its pages. Time runs on a FastClock; on a VirtualClock where the
// workers may run as fast as they can and a silent unit must cost no real time; in real time
// where a test must catch a worker in the middle of its work. The bench shows every line a log
// pane holds (the traffic filter has its own test).
class DeviceBench {
  public:
    enum class Time { Fast, Virtual, Real };
    explicit DeviceBench(Time time = Time::Fast);
    ~DeviceBench();

    // The unit on the cable answers AT commands on its data port; answers are never cut off.
    void giveDataPort();
    // "SIM1" at 115200 baud.
    PortSettings settings() const;
    // The clock of a Time::Virtual bench.
    VirtualClock& virtualClock() { return dynamic_cast<VirtualClock&>(clock); }

    // A block of the document with the template's parameters of its kind and the unit address.
    Block* addBlock(BlockKind kind, std::uint32_t unitAddress, const char* name = nullptr);
    PropertiesContext context(Block& block, const std::string& port = "SIM1");
    // The property sheet of a block, shown (and exposed) at a page.
    std::unique_ptr<PropertiesSheet> openSheet(Block& block, int page = 0);

    sim::Unit& local() { return network->Local(); }
    sim::Unit& remote(std::uint16_t ua) { return *network->FindRemote(ua); }

    std::unique_ptr<Clock> ownClock;
    Clock& clock;
    std::string note;  // why the built-in register set is served, if it is
    std::shared_ptr<sim::Network> network;
    sim::PortHub hub;
    PortFactory ports{hub};
    LinkIdCounter ids;
    NetworkFile templates{ids};
    NetworkFile document{ids};
    UnitFacts facts;
    CurrentRemoteUa remoteUa;
    RestrictionState restrictions;
    RecordingPrompter prompter;
};

QStringList paneLines(const LogPane& pane);

// Pixels of `colour` inside `area` of `image`.
int countColour(const QImage& image, const QRect& area, QColor colour);

// Waits until the page's worker is done and its last news has reached the widgets.
void settle(PropertyPage* page);
// Clicks a page's button, then settles the page.
void clickAndWait(QPushButton* button, PropertyPage* page);

// Opens the value editor of a table cell, types `text` (a line) or picks `index` (a list) and
// commits it as Return would; the edit is judged once the editor has gone.
void commitEdit(QTableWidget* table, int row, int column, const QString& text, int index = -1);

// Runs `answer` on the next modal window once it is shown. The returned watcher belongs to
// the application and goes once it has answered; delete it to stop waiting.
QObject* onNextModal(std::function<void(QWidget*)> answer);
// Runs `command`; `inspect` looks at the modal window it opens, which is then closed. False
// when none came.
bool opensModal(const std::function<void()>& command, const std::function<void(QWidget*)>& inspect);

}  // namespace skelvane::test
